// The worker's steps, statuses and messages, and the joiner's choice of status.
// Printers are stood in for by report routines of the test's own; the one
// transport never sends (negative retry count), so no packet leaves.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ber/ber.h"
#include "frontend/failures.h"
#include "frontend/threadattr.h"
#include "frontend/workers.h"
#include "reports/json.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/hp.h"
#include "reports/mib2.h"
#include "reports/output.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"
#include "snmp/structfill.h"

namespace {

// What a stand-in printer is and does, by host name.
struct FakePrinter {
    std::uint64_t caps = 0;          // capFlags bits 3, 4 and the vendor code
    bool clearReboot = false;        // the HP reset inside the general probe
    int exitInGeneral = 0;           // a status the probe ends the worker with, by the failure that means it
    int probeMs = 0;                 // how long the probe takes
    std::string throwIn;             // routine that throws
    std::string throwWhat;           // "oidptr", "oidvalue", "decode", "unrecoverable", "runtime"
};

std::mutex logLock;
std::map<std::string, std::vector<std::string>> callLog;  // by host name
std::map<std::string, FakePrinter> printers;

void record(SNMP_session &s, const std::string &what) {
    std::lock_guard<std::mutex> lock(logLock);
    callLog[s.hostname].push_back(what);
}

FakePrinter printer_of(SNMP_session &s) {
    std::lock_guard<std::mutex> lock(logLock);
    return printers[s.hostname];
}

void maybe_throw(SNMP_session &s, const std::string &routine) {
    FakePrinter p = printer_of(s);
    if (p.throwIn != routine) return;
    if (p.throwWhat == "oidptr") throw SNMP_error_oid("1.3.6.1.2.1.1.4.0", 4);
    if (p.throwWhat == "oidptr-unnamed") throw SNMP_error_oid("", 5);
    if (p.throwWhat == "oidvalue") throw SNMP_error_type("1.3.6.1.2.1.43.10.2.1.4.1.1");
    if (p.throwWhat == "decode") throw BerDecodeError("length runs past the data");
    if (p.throwWhat == "unrecoverable") throw SNMP_error_unrecoverable(NO_RESPONSE);
    if (p.throwWhat == "runtime") throw std::runtime_error("out of something");
    if (p.throwWhat == "exit") throw WorkerExit(WorkerStop::HpSettingFailed);
    if (p.throwWhat == "int") throw 7;
}

// Ends the worker with status the way a printer's failure does.
void end_with(int status) {
    switch (status) {
    case STATUS_NO_RESPONSE: throw SNMP_error_unrecoverable(NO_RESPONSE);
    case STATUS_HP_SETTING_FAILED: throw WorkerExit(WorkerStop::HpSettingFailed);
    case STATUS_NOT_A_PRINTER: throw WorkerExit(WorkerStop::NotAPrinter);
    case STATUS_UNKNOWN_VENDOR: throw WorkerExit(WorkerStop::UnknownVendor);
    case STATUS_PROBE_REJECTED: throw WorkerExit(WorkerStop::ProbeRejected);
    default: throw std::logic_error("no printer failure ends a worker with " + std::to_string(status));
    }
}

void fake_general(ReportContext &ctx) {
    record(ctx.session, "general");
    FakePrinter p = printer_of(ctx.session);
    ctx.capFlags = Capabilities::from_word(ctx.capFlags.word() | p.caps);
    if (p.clearReboot) ctx.flags.answered(Option::reboot);
    if (p.probeMs) std::this_thread::sleep_for(std::chrono::milliseconds(p.probeMs));
    maybe_throw(ctx.session, "general");
    if (p.exitInGeneral) end_with(p.exitInGeneral);
}

// A stand-in that records its call and may throw.
template <const char *Name>
void fake(ReportContext &ctx) {
    record(ctx.session, Name);
    maybe_throw(ctx.session, Name);
}
constexpr char kConnections[] = "connections", kHostmib[] = "hostmib", kPrintmib[] = "printmib",
               kReboot[] = "reboot";

// Setting contact and location and the configuration source are the real
// routines: the transport never sends, so they meet a printer that does not answer.
const ReportRoutines kFakes = {fake_general, do_set_contact_location, fake<kConnections>, fake<kHostmib>,
                               fake<kPrintmib>, fake<kReboot>, do_cfgsrc};

std::uint64_t vendor(int code) { return static_cast<std::uint64_t>(code) << CAP_VENDOR_SHIFT; }

class Workers : public ::testing::Test {
 protected:
    void SetUp() override {
        progname = "prowlet";  // option parsing in other tests sets it to their argv[0]
        callLog.clear();
        printers.clear();
    }

    // A session that never reaches anything: the transport sends nothing.
    SNMP_session &session(const std::string &name) {
        sessions_.push_back(std::make_unique<SNMP_session>(
            &transport_, name.c_str(), nullptr,
            std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}}));
        return *sessions_.back();
    }

    struct Run {
        int status;
        std::string err;
        std::uint64_t capFlags;
        std::vector<std::string> calls;
    };

    Run run(const std::string &host, std::uint64_t f0, std::uint64_t f1, std::uint64_t f2 = 0,
            std::vector<std::uint16_t> ports = {}) {
        ThreadData td;
        td.session = &session(host);
        run_.ports = std::move(ports);
        td.run = &run_;
        td.outputs = &outputs_;
        td.flags = FlagWords::from_words(f0, f1, f2);
        td.reports = &kFakes;
        testing::internal::CaptureStderr();
        int status = do_reqs(&td);
        std::string err = testing::internal::GetCapturedStderr();
        return {status, err, td.capFlags.word(), callLog[host]};
    }

    SNMP_socket transport_{2, -1, 0};
    std::vector<std::unique_ptr<SNMP_session>> sessions_;
    const char *settings_[4] = {nullptr, "Ann", "Hall", nullptr};
    RunSettings run_{settings_, {}};
    OutputWriter writer_;
    ClassicOutputs outputs_{writer_, false};
};

using V = std::vector<std::string>;

std::uint64_t wanted(const std::uint64_t (&words)[3]) {
    return Capabilities::wanted_by(FlagWords::from_words(words[0], words[1], words[2])).word();
}

TEST(WantedGroups, BitsFromOptions) {
    std::uint64_t none[3] = {F0_VENDOR | F0_NAME | F0_ALL, 0, F2_SETCONTACT};
    EXPECT_EQ(wanted(none), 0u);
    std::uint64_t hr[3] = {F0_STATUS, 0, 0};
    EXPECT_EQ(wanted(hr), CAP_WANT_HOSTRES);
    std::uint64_t pm0[3] = {F0_COVERS, 0, 0};
    EXPECT_EQ(wanted(pm0), CAP_WANT_PRINTMIB);
    std::uint64_t pm1[3] = {0, F1_REBOOT, 0};
    EXPECT_EQ(wanted(pm1), CAP_WANT_PRINTMIB);
    std::uint64_t langs[3] = {0, F1_LANGUAGES, 0};
    EXPECT_EQ(wanted(langs), CAP_WANT_PRINTMIB);
    std::uint64_t cfg[3] = {0, F1_CFGSRC, 0};
    EXPECT_EQ(wanted(cfg), CAP_WANT_VENDOR);
    std::uint64_t fw[3] = {0, 0, F2_UPDATEFIRMWARE};
    EXPECT_EQ(wanted(fw), CAP_WANT_VENDOR);
    std::uint64_t all[3] = {F0_MEMORY | F0_MEDIAPATH, F1_CFGSRC, 0};
    EXPECT_EQ(wanted(all), 7u);
}

TEST(CfgSrcVendors, OnlyHpHasAReport) {
    const CfgSrcVendor *hp = cfgsrc_vendor(VENDOR_HP);
    ASSERT_NE(hp, nullptr);
    EXPECT_STREQ(hp->oid, "1.3.6.1.4.1.11.2.4.3.5.1.0");
    EXPECT_EQ(hp->routine, &hpcfgsrc);
    EXPECT_EQ(real_reports().cfgsrc, &do_cfgsrc);
    for (int code : {-1, 0, 2, 3, 4, 5, 6, 7, 15, 16, 1000}) EXPECT_EQ(cfgsrc_vendor(code), nullptr);
}

TEST_F(Workers, NothingAskedCallsNothing) {
    Run r = run("p1", 0, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.calls, V{});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.capFlags, 0u);
}

TEST_F(Workers, GeneralOptionAloneRunsOnlyTheProbe) {
    for (std::uint64_t bit : {F0_VENDOR, F0_MODEL, F0_CONTACT, F0_NETCONFIG, F0_HOSTMIB,
                              F0_PRINTMIB}) {
        callLog.clear();
        Run r = run("p1", bit, 0);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.calls, V{"general"}) << bit;
    }
}

TEST_F(Workers, GroupOptionAloneStillProbes) {
    printers["p1"].caps = CAP_HAS_HOSTRES;
    Run r = run("p1", F0_MEMORY, 0);
    EXPECT_EQ(r.calls, (V{"general", "hostmib"}));
    EXPECT_EQ(r.status, 0);
}

TEST_F(Workers, StepsRunInOrder) {
    printers["p1"].caps = CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB | vendor(VENDOR_LEXMARK);
    Run r = run("p1", F0_VENDOR | F0_STORAGE | F0_DUPLEX, F1_MARKER | F1_REBOOT, 0, {515});
    EXPECT_EQ(r.calls, (V{"general", "connections", "hostmib", "printmib", "reboot"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(Workers, RebootAloneSkipsTheReports) {
    printers["p1"].caps = CAP_HAS_PRINTMIB;
    Run r = run("p1", 0, F1_REBOOT);
    EXPECT_EQ(r.calls, (V{"general", "reboot"}));
}

TEST_F(Workers, HpResetInTheProbeMeansNoPrinterMibReset) {
    printers["p1"].caps = CAP_HAS_PRINTMIB | vendor(VENDOR_HP);
    printers["p1"].clearReboot = true;
    Run r = run("p1", 0, F1_REBOOT | F1_PAGECOUNT);
    EXPECT_EQ(r.calls, (V{"general", "printmib"}));
}

TEST_F(Workers, HostResourcesMissingComplainsInOrderAndGoesOn) {
    printers["p1"].caps = CAP_HAS_PRINTMIB;
    Run r = run("p1", F0_STATUS | F0_STORAGE | F0_MEMORY, F1_PAGECOUNT);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err,
              "p1: memory option not supported on this printer type.\n"
              "p1: storage option not supported on this printer type.\n"
              "p1: status option not supported on this printer type.\n");
    EXPECT_EQ(r.calls, (V{"general", "printmib"}));
}

TEST_F(Workers, HostResourcesMissingWithAllIsSilent) {
    Run r = run("p1", F0_MEMORY | F0_ALL, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.calls, V{"general"});
}

TEST_F(Workers, PrinterMibMissingListsEveryOptionInFixedOrder) {
    printers["p1"].caps = CAP_HAS_HOSTRES | vendor(VENDOR_HP);
    Run r = run("p1", F0_PRINTMIB_MASK, F1_PRINTMIB_MASK | F1_CFGSRC);
    EXPECT_EQ(r.status, 6);
    std::string want;
    for (const char *o :
         {"mediapath", "maxpapersize", "minpapersize", "enginespeed", "duplex", "display",
          "inputtray", "letter", "legal", "tabloid", "executive", "a3", "a4", "b4", "b5", "cover",
          "alerts", "languages", "pcl", "pjl", "hpgl", "postscript", "psprinter", "autolang",
          "port9100", "appletalk", "lpd", "netware", "protocol", "pagecount", "marker",
          "resolution", "color", "minmargin", "supplies", "reboot", "serial"})
        want += std::string("p1: ") + o + " option not supported on this printer type.\n";
    EXPECT_EQ(r.err, want);
    // The worker ends there: the configuration source is not asked for.
    EXPECT_EQ(r.calls, V{"general"});
}

TEST_F(Workers, MemoryAndMarkerWithHostMibOnly) {
    printers["p1"].caps = CAP_HAS_HOSTRES;
    Run r = run("p1", F0_MEMORY, F1_MARKER);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.calls, (V{"general", "hostmib"}));
    EXPECT_EQ(r.err, "p1: marker option not supported on this printer type.\n");
}

TEST_F(Workers, PrinterMibMissingWithAllEndsWithCurrentStatus) {
    Run r = run("p1", F0_ALL, F1_MARKER | F1_CFGSRC);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.calls, V{"general"});  // the configuration source is skipped too
}

TEST_F(Workers, HostAndPrinterMibMissingWithoutAll) {
    Run r = run("p1", F0_MEMORY, F1_MARKER);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.err,
              "p1: memory option not supported on this printer type.\n"
              "p1: marker option not supported on this printer type.\n");
}

TEST_F(Workers, CfgsrcOnVendorWithoutReport) {
    for (int code : std::initializer_list<int>{VENDOR_NONE, VENDOR_LEXMARK, VENDOR_XEROX, VENDOR_EFI, 15}) {
        callLog.clear();
        printers["p1"].caps = vendor(code);
        Run r = run("p1", 0, F1_CFGSRC);
        EXPECT_EQ(r.status, -1) << code;
        EXPECT_EQ(r.err, "p1: cfgsrc option not supported on this printer type.\n");
        EXPECT_EQ(r.calls, V{"general"});
    }
}

TEST_F(Workers, CfgsrcOnHpWithoutAnswerIsNoResponse) {
    printers["p1"].caps = vendor(VENDOR_HP);
    Run r = run("p1", 0, F1_CFGSRC);
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.err, "prowlet: No response from p1\n");
    EXPECT_EQ(r.calls, V{"general"});
}

TEST_F(Workers, HostResourcesStatusReplacedByCfgsrc) {
    printers["p1"].caps = vendor(VENDOR_LEXMARK);
    Run r = run("p1", F0_MEMORY, F1_CFGSRC);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.err,
              "p1: memory option not supported on this printer type.\n"
              "p1: cfgsrc option not supported on this printer type.\n");
}

// A SET that gets no answer is a change nobody knows to have happened.
TEST_F(Workers, SettingsWithoutAnswerAreNoResponse) {
    Run r = run("p1", 0, 0, F2_SETCONTACT | F2_SETLOCATION);
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.err, "prowlet: No response from p1\n");
    EXPECT_EQ(r.calls, V{});
}

struct FirmwareCase {
    std::uint64_t caps;
    std::uint64_t f0, f1;
    int status;
    const char *err;
};

// Only an HP interface takes --updatefirmware (inside the probe); any other
// printer says so and ends with the configuration source's status, whatever
// --all skips.
TEST_F(Workers, FirmwareOnOtherVendorsIsNotSupported) {
    const char *line = "p1: updatefirmware option not supported on this printer type.\n";
    const FirmwareCase cases[] = {
        {vendor(VENDOR_HP), F0_VENDOR, 0, 0, ""},
        {vendor(VENDOR_LEXMARK), F0_VENDOR, 0, -1, line},
        {vendor(VENDOR_NONE), 0, 0, -1, line},
        {vendor(VENDOR_XEROX), F0_ALL, F1_MARKER, -1, line},
        {vendor(VENDOR_XEROX), F0_MEMORY, 0, 5,
         "p1: updatefirmware option not supported on this printer type.\n"
         "p1: memory option not supported on this printer type.\n"},
        {vendor(VENDOR_EFI), 0, F1_MARKER, 6,
         "p1: updatefirmware option not supported on this printer type.\n"
         "p1: marker option not supported on this printer type.\n"},
    };
    for (const FirmwareCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "caps " << c.caps << " f0 " << c.f0 << " f1 " << c.f1);
        callLog.clear();
        printers["p1"].caps = c.caps;
        Run r = run("p1", c.f0, c.f1, F2_UPDATEFIRMWARE);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(Workers, ProbeEndsTheWorker) {
    printers["p1"].exitInGeneral = 11;
    printers["p1"].caps = CAP_HAS_HOSTRES;
    Run r = run("p1", F0_MEMORY, 0);
    EXPECT_EQ(r.status, 11);
    EXPECT_EQ(r.calls, V{"general"});
}

struct ThrowCase {
    const char *routine;
    const char *what;
    int status;
    const char *err;
};

TEST_F(Workers, FailuresReachingTheTopAreReportedWithTheirStatus) {
    const ThrowCase cases[] = {
        {"printmib", "oidptr", STATUS_REFUSED,
         "prowlet: p1 refused 1.3.6.1.2.1.1.4.0 (error-status 4)\n"},
        {"reboot", "oidptr-unnamed", STATUS_REFUSED,
         "prowlet: p1 refused a request (error-status 5)\n"},
        {"printmib", "oidvalue", STATUS_BAD_REPLY,
         "prowlet: p1 sent a value of the wrong type for 1.3.6.1.2.1.43.10.2.1.4.1.1\n"},
        {"connections", "decode", STATUS_BAD_REPLY,
         "prowlet: p1 sent a reply that cannot be decoded (length runs past the data)\n"},
        {"hostmib", "unrecoverable", 8, "prowlet: No response from p1\n"},
        {"general", "runtime", STATUS_INTERNAL, "prowlet: p1: out of something\n"},
        {"printmib", "exit", STATUS_HP_SETTING_FAILED, ""},
        {"connections", "int", STATUS_INTERNAL, "prowlet: p1: unexpected failure\n"},
    };
    for (const ThrowCase &c : cases) {
        SCOPED_TRACE(std::string(c.routine) + "/" + c.what);
        callLog.clear();
        printers["p1"] = FakePrinter{};
        printers["p1"].caps = CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB | vendor(VENDOR_HP);
        printers["p1"].throwIn = c.routine;
        printers["p1"].throwWhat = c.what;
        Run r = run("p1", F0_MEMORY, F1_MARKER | F1_REBOOT | F1_CFGSRC, 0, {9100});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        // Nothing after the failing routine ran.
        ASSERT_FALSE(r.calls.empty());
        EXPECT_EQ(r.calls.back(), c.routine);
    }
}

// A name that did not resolve (--keep-going) is a worker that fails at once
// with its message, in either output, and asks no report at all.
TEST_F(Workers, NameThatDidNotResolveFailsAlone) {
    JsonOutputs json(writer_);
    for (const OutputFactory *outputs : {static_cast<const OutputFactory *>(&outputs_), static_cast<const OutputFactory *>(&json)}) {
        ThreadData td;
        td.unresolved = "typo.example";
        td.run = &run_;
        td.outputs = outputs;
        td.flags = FlagWords{Option::vendor};
        td.reports = &kFakes;
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        EXPECT_EQ(do_reqs(&td), STATUS_UNRESOLVED_NAME);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (outputs == &json) {
            EXPECT_EQ(out, "{\"host\":\"typo.example\",\"exitStatus\":252,\"error\":\"SNMP: cannot resolve hostname "
                           "\\\"typo.example\\\".\",\"warnings\":[]}\n");
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(out, "");
            EXPECT_EQ(err, "SNMP: cannot resolve hostname \"typo.example\".\n");
        }
        EXPECT_EQ(target_name(td), "typo.example");
    }
    EXPECT_TRUE(callLog.empty());
}

// ---- the joiner -------------------------------------------------------------

class Joiner : public Workers {
 protected:
    // Statuses in command-line order; the list (and the start order) is reversed.
    int run_all(const std::vector<int> &statuses, WorkerSet *&setOut,
                int (*create)(pthread_t *, const pthread_attr_t *, void *(*)(void *),
                              void *) = pthread_create,
                const std::vector<int> &probeMs = {}, std::size_t maxproc = DEFAULT_MAXPROC) {
        data_.assign(statuses.size(), ThreadData{});
        for (std::size_t i = 0; i < statuses.size(); ++i) {
            std::string name = "t" + std::to_string(i);
            printers[name] = FakePrinter{};
            printers[name].probeMs = i < probeMs.size() ? probeMs[i] : 0;
            std::size_t k = statuses.size() - 1 - i;
            data_[k].session = &session(name);
            data_[k].run = &run_;
            data_[k].outputs = &outputs_;
            std::uint64_t words[3] = {F0_VENDOR, 0, 0};
            // The statuses the worker's own steps choose come from options the
            // stand-in printer (no MIB, no vendor) cannot serve.
            switch (statuses[i]) {
            case 0: break;
            case STATUS_NO_HOST_RESOURCES: words[0] |= F0_MEMORY; break;
            case STATUS_NO_PRINTER_MIB: words[1] |= F1_MARKER; break;
            case STATUS_NO_VENDOR_REPORT: words[1] |= F1_CFGSRC; break;
            default: printers[name].exitInGeneral = statuses[i];
            }
            data_[k].flags = FlagWords::from_words(words[0], words[1], words[2]);
            data_[k].reports = &kFakes;
        }
        set_ = std::make_unique<WorkerSet>(data_);
        set_->createThread = create;
        set_->maxproc = maxproc;
        set_->refusedWait = std::chrono::milliseconds(1);
        set_->startAttempts = 3;
        setOut = set_.get();
        testing::internal::CaptureStderr();
        int status = run_workers(*set_);
        err_ = testing::internal::GetCapturedStderr();
        return status;
    }
    std::vector<ThreadData> data_;
    std::unique_ptr<WorkerSet> set_;
    std::string err_;
};

TEST_F(Joiner, FirstFailingTargetOnTheCommandLineWins) {
    WorkerSet *set;
    EXPECT_EQ(run_all({0, 6, 5}, set), 6);
    EXPECT_EQ(set->joinedCount, 3u);
    EXPECT_EQ(run_all({0, 0, 0}, set), 0);
    EXPECT_EQ(run_all({-1}, set), -1);
    EXPECT_EQ(run_all({8, 0, 11}, set), 8);
    EXPECT_EQ(run_all({0, 0, 11}, set), 11);
}

TEST_F(Joiner, ManyWorkersAllJoined) {
    std::vector<int> statuses(300, 0);
    statuses[299] = 10;  // last on the command line, started first
    statuses[150] = 6;
    WorkerSet *set;
    EXPECT_EQ(run_all(statuses, set), 6);
    EXPECT_EQ(set->joinedCount, 300u);
    for (std::size_t i = 0; i < 300; ++i)
        EXPECT_EQ(callLog["t" + std::to_string(i)], V{"general"});
}

struct FinishOrderCase {
    std::vector<int> statuses;  // in command-line order
    std::vector<int> probeMs;   // how long each printer takes, in command-line order
    int expected;
};

// Workers are joined as they end, in any order; the status is still that of
// the first failing target on the command line, with or without a cap that
// makes later workers wait for slots.
TEST_F(Joiner, FirstFailingTargetWinsWhateverOrderWorkersEnd) {
    const FinishOrderCase cases[] = {
        {{8, 0, 11}, {0, 40, 80}, 8},
        {{8, 0, 11}, {80, 40, 0}, 8},
        {{0, 6, 5}, {0, 80, 0}, 6},
        {{0, 6, 5}, {80, 0, 40}, 6},
        {{0, 0, 11, 0, 12}, {30, 0, 60, 0, 0}, 11},
        {{0, 0, 0, 0}, {40, 0, 20, 10}, 0},
        {{-1, 8}, {60, 0}, -1},
        {{0, 9, 0, 8, 0, 10}, {0, 70, 10, 0, 50, 0}, 9},
    };
    for (std::size_t maxproc : {std::size_t{1}, std::size_t{2}, DEFAULT_MAXPROC}) {
        for (const FinishOrderCase &c : cases) {
            SCOPED_TRACE(testing::Message() << "maxproc " << maxproc << ", expected " << c.expected);
            WorkerSet *set;
            EXPECT_EQ(run_all(c.statuses, set, pthread_create, c.probeMs, maxproc), c.expected);
            EXPECT_EQ(set->joinedCount, c.statuses.size());
        }
    }
}

// Thread creation that refuses while two threads of the test's own are alive.
std::mutex refuseLock;
int liveThreads = 0;
int refusals = 0;
struct Wrapped {
    void *(*body)(void *);
    void *arg;
};
void *counted_body(void *p) {
    std::unique_ptr<Wrapped> w(static_cast<Wrapped *>(p));
    void *r = w->body(w->arg);
    std::lock_guard<std::mutex> lock(refuseLock);
    --liveThreads;
    return r;
}
int limited_create(pthread_t *t, const pthread_attr_t *attr, void *(*body)(void *), void *arg) {
    {
        std::lock_guard<std::mutex> lock(refuseLock);
        if (liveThreads >= 2) {
            ++refusals;
            return EAGAIN;
        }
        ++liveThreads;
    }
    auto w = std::make_unique<Wrapped>(Wrapped{body, arg});
    int err = pthread_create(t, attr, counted_body, w.get());
    if (err == 0) {
        w.release();
    } else {
        std::lock_guard<std::mutex> lock(refuseLock);
        --liveThreads;
    }
    return err;
}
int always_refuse(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *) {
    return EAGAIN;
}
// Refuses every thread after the joiner and the first worker.
int refuse_after_two(pthread_t *t, const pthread_attr_t *attr, void *(*body)(void *), void *arg) {
    static int started = 0;
    if (!t) {
        started = 0;
        return 0;
    }
    if (started >= 2) return EAGAIN;
    ++started;
    return pthread_create(t, attr, body, arg);
}

// The joiner plus one worker may live at once: every later worker waits for
// the one before it to be joined, and all are served.
TEST_F(Joiner, RefusedThreadWaitsForARunningWorker) {
    liveThreads = 0;
    refusals = 0;
    WorkerSet *set;
    EXPECT_EQ(run_all({0, 0, 5, 0, 0}, set, limited_create), 5);
    EXPECT_EQ(set->joinedCount, 5u);
    EXPECT_EQ(err_, "t2: memory option not supported on this printer type.\n");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(callLog["t" + std::to_string(i)], V{"general"});
}

TEST_F(Joiner, NoJoinerMeansNoWorker) {
    WorkerSet *set;
    EXPECT_EQ(run_all({0, 0}, set, always_refuse), STATUS_NO_THREAD);
    EXPECT_EQ(err_, "prowlet: cannot start a thread: Resource temporarily unavailable\n");
    EXPECT_TRUE(callLog.empty());
}

// When the system keeps refusing, the started worker is still joined and
// served, and the run ends with the refusal's status.
TEST_F(Joiner, RefusedForGoodStopsSoundly) {
    refuse_after_two(nullptr, nullptr, nullptr, nullptr);
    WorkerSet *set;
    // t1 is started first (list order is reversed); t0 is refused.
    EXPECT_EQ(run_all({0, 11}, set, refuse_after_two), STATUS_NO_THREAD);
    EXPECT_EQ(err_, "prowlet: cannot start a thread for t0: Resource temporarily unavailable\n");
    EXPECT_EQ(set->joinedCount, 1u);
    EXPECT_EQ(callLog["t1"], V{"general"});
    EXPECT_EQ(callLog.count("t0"), 0u);
}

}  // namespace

namespace {

// Stack sizes asked for by every thread the front end starts.
std::mutex stackLock;
std::vector<std::size_t> stackSizes;
int recording_create(pthread_t *t, const pthread_attr_t *attr, void *(*body)(void *), void *arg) {
    std::size_t size = 0;
    if (attr) pthread_attr_getstacksize(attr, &size);
    {
        std::lock_guard<std::mutex> lock(stackLock);
        stackSizes.push_back(size);
    }
    return pthread_create(t, attr, body, arg);
}

}  // namespace

// The joiner and every worker run on the small worker stack, so thousands fit.
TEST_F(Joiner, EveryThreadGetsTheWorkerStack) {
    stackSizes.clear();
    WorkerSet *set;
    EXPECT_EQ(run_all({0, 0, 0}, set, recording_create), 0);
    EXPECT_EQ(stackSizes, std::vector<std::size_t>(4, WORKER_STACK_SIZE));
}

TEST(ThreadAttr, StackSizeOrSystemDefault) {
    std::size_t size = 0;
    ThreadAttr sized(WORKER_STACK_SIZE);
    ASSERT_EQ(pthread_attr_getstacksize(sized.get(), &size), 0);
    EXPECT_EQ(size, WORKER_STACK_SIZE);

    pthread_attr_t plain;
    pthread_attr_init(&plain);
    std::size_t defaultSize = 0;
    pthread_attr_getstacksize(&plain, &defaultSize);
    pthread_attr_destroy(&plain);
    ThreadAttr system(0);
    ASSERT_EQ(pthread_attr_getstacksize(system.get(), &size), 0);
    EXPECT_EQ(size, defaultSize);

    EXPECT_THROW(ThreadAttr(1), std::system_error);
}
