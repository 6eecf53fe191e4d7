// --maxproc: reading the argument, the message and status for a bad one, and
// the cap on started, not yet joined workers. Printers are stood in for by
// report routines of the test's own; the transport never sends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "frontend/failures.h"
#include "frontend/maxproc.h"
#include "frontend/prowlet.h"
#include "frontend/targets.h"
#include "frontend/workers.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/output.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

struct ParseCase {
    const char *text;
    std::optional<std::size_t> expected;
};

TEST(MaxprocArgument, OnlyPositiveDecimalNumbers) {
    constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
    const ParseCase cases[] = {
        {"1", 1},
        {"256", 256},
        {"007", 7},
        {"4094", 4094},
        {"18446744073709551615", most},
        {"18446744073709551616", most},  // one past: taken as the largest cap
        {"99999999999999999999999999", most},
        {"0", std::nullopt},
        {"000", std::nullopt},
        {"", std::nullopt},
        {"-3", std::nullopt},
        {"+3", std::nullopt},
        {" 3", std::nullopt},
        {"3 ", std::nullopt},
        {"12x", std::nullopt},
        {"x12", std::nullopt},
        {"0x10", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const ParseCase &c : cases) EXPECT_EQ(parse_maxproc(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(parse_maxproc(nullptr), std::nullopt);
}

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult run_main(std::vector<std::string> args) {
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = prowlet_main(static_cast<int>(args.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {status, out, err};
}

// A bad cap is refused before anything is sent or resolved: the target name
// here could not be resolved, and no resolver message appears.
TEST(MaxprocArgument, BadValueEndsTheRunWithItsOwnStatus) {
    for (const char *bad : {"0", "-5", "lots", "12x", ""}) {
        RunResult r = run_main({"prowlet", "--maxproc", bad, "--vendor", "no-such-printer.invalid"});
        EXPECT_EQ(r.status, STATUS_BAD_MAXPROC) << bad;
        EXPECT_EQ(r.err, std::string("prowlet: --maxproc needs a positive number, not \"") + bad + "\".\n");
        EXPECT_EQ(r.out, "");
    }
    RunResult joined = run_main({"prowlet", "--maxproc=0x20", "--vendor", "no-such-printer.invalid"});
    EXPECT_EQ(joined.status, STATUS_BAD_MAXPROC);
    EXPECT_EQ(joined.err, "prowlet: --maxproc needs a positive number, not \"0x20\".\n");
}

TEST(MaxprocArgument, StatusIsNoOtherStatusOfTheRun) {
    for (int other : std::initializer_list<int>{0, 1, 2, STATUS_BAD_TARGET, STATUS_NO_TARGETS, 5, 6, 7, 8, 9, 10, 11,
                      STATUS_REFUSED, STATUS_BAD_REPLY, STATUS_NO_THREAD, STATUS_INTERNAL, 252,
                      253, 255})
        EXPECT_NE(STATUS_BAD_MAXPROC, other);
}

// Stand-in printers: each probe counts itself among the running workers and
// notes the highest count seen; printer "slow" holds its worker until told.
std::mutex probeLock;
std::condition_variable probeChanged;
int running = 0;
int mostRunning = 0;
int probed = 0;
bool releaseSlow = false;

void counting_general(ReportContext &ctx) {
    const SNMP_session &s = ctx.session;
    std::unique_lock<std::mutex> lock(probeLock);
    ++running;
    ++probed;
    if (running > mostRunning) mostRunning = running;
    probeChanged.notify_all();
    if (s.hostname == "slow") {
        probeChanged.wait_for(lock, std::chrono::seconds(20), [] { return releaseSlow; });
    } else {
        // Stay a moment so that workers overlap when nothing holds them back.
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        lock.lock();
    }
    --running;
    probeChanged.notify_all();
}
void nothing(ReportContext &) {}
bool no_cfgsrc(ReportContext &) { return true; }

const ReportRoutines kCounting = {counting_general, nothing, nothing, nothing, nothing, nothing, no_cfgsrc};

class MaxprocWorkers : public ::testing::Test {
 protected:
    void SetUp() override {
        progname = "prowlet";
        std::lock_guard<std::mutex> lock(probeLock);
        running = mostRunning = probed = 0;
        releaseSlow = false;
    }

    // Workers for the given host names, in start order, each asking --vendor.
    WorkerSet &make_set(const std::vector<std::string> &names, std::size_t maxproc) {
        for (const std::string &n : names)
            sessions_.push_back(std::make_unique<SNMP_session>(
                &transport_, n.c_str(), nullptr, std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}}));
        data_.assign(names.size(), ThreadData{});
        for (std::size_t k = 0; k < names.size(); ++k) {
            data_[k].session = sessions_[k].get();
            data_[k].run = &run_;
            data_[k].outputs = &outputs_;
            data_[k].flags = FlagWords{Option::vendor};
            data_[k].reports = &kCounting;
        }
        set_ = std::make_unique<WorkerSet>(data_);
        set_->maxproc = maxproc;
        return *set_;
    }

    SNMP_socket transport_{2, -1, 0};
    std::vector<std::unique_ptr<SNMP_session>> sessions_;
    std::vector<ThreadData> data_;
    std::unique_ptr<WorkerSet> set_;
    const char *settings_[4] = {nullptr, nullptr, nullptr, nullptr};
    RunSettings run_{settings_, {}};
    OutputWriter writer_;
    ClassicOutputs outputs_{writer_, false};
};

std::vector<std::string> names(std::size_t n) {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < n; ++i) v.push_back("p" + std::to_string(i));
    return v;
}

TEST_F(MaxprocWorkers, NeverMoreThanTheCapAtOnce) {
    for (std::size_t cap : {1u, 3u, 8u}) {
        SetUp();
        sessions_.clear();
        set_.reset();
        WorkerSet &set = make_set(names(40), cap);
        EXPECT_EQ(run_workers(set), 0);
        std::lock_guard<std::mutex> lock(probeLock);
        EXPECT_EQ(probed, 40);
        EXPECT_GE(mostRunning, 1);
        EXPECT_LE(mostRunning, static_cast<int>(cap)) << "cap " << cap;
        EXPECT_EQ(set.joinedCount.load(), 40u);
    }
}

// Many workers, all held until every one of them runs: a cap above their
// number lets all of them run at once, with no pause between starts.
TEST_F(MaxprocWorkers, CapAboveTheCountStartsEveryWorker) {
    std::vector<std::string> all = names(150);
    all[0] = "slow";
    WorkerSet &set = make_set(all, 256);
    bool allRanTogether = false;
    std::thread releaser([&allRanTogether] {
        std::unique_lock<std::mutex> lock(probeLock);
        allRanTogether = probeChanged.wait_for(lock, std::chrono::seconds(20), [] { return probed == 150; });
        releaseSlow = true;
        probeChanged.notify_all();
    });
    EXPECT_EQ(run_workers(set), 0);
    releaser.join();
    EXPECT_TRUE(allRanTogether);
    std::lock_guard<std::mutex> lock(probeLock);
    EXPECT_EQ(probed, 150);
}

// A worker that ends frees its slot at once, even while one started before it
// still runs: the slow first printer holds one slot, the others take turns in
// the rest.
TEST_F(MaxprocWorkers, EndedWorkersFreeTheirSlotsWhileAnEarlierOneRuns) {
    WorkerSet &set = make_set({"slow", "p1", "p2", "p3", "p4", "p5"}, 3);
    bool allOthersRan = false;
    std::thread releaser([&allOthersRan] {
        std::unique_lock<std::mutex> lock(probeLock);
        allOthersRan = probeChanged.wait_for(lock, std::chrono::seconds(20),
                                             [] { return probed == 6 && running == 1; });
        releaseSlow = true;
        probeChanged.notify_all();
    });
    EXPECT_EQ(run_workers(set), 0);
    releaser.join();
    EXPECT_TRUE(allOthersRan);
    std::lock_guard<std::mutex> lock(probeLock);
    EXPECT_LE(mostRunning, 3);
}

}  // namespace
