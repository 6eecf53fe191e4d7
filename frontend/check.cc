// check_printers' run: the options, the transport sized to the time-out, one
// worker per printer asking for its health, and the output of whatever has
// been judged when the workers end or the time-out comes.
#include "frontend/check.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "frontend/check_options.h"
#include "frontend/check_report.h"
#include "frontend/dispatch.h"
#include "frontend/failures.h"
#include "frontend/prowlet.h"
#include "frontend/security.h"
#include "frontend/targets.h"
#include "frontend/threadattr.h"
#include "frontend/workers.h"
#include "reports/context.h"
#include "reports/output.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int UNKNOWN = static_cast<int>(HealthState::Unknown);
// Seconds the transport waits after each send: its clock counts whole
// seconds, so a wait of 2 lasts between 1 and 2.
constexpr int WAIT_PER_ATTEMPT = 2;

// The judged printers, as their workers end.
class ResultStore {
 public:
    void add(CheckResult result) {
        std::lock_guard<std::mutex> guard(lock_);
        results_.push_back(std::move(result));
    }
    std::vector<CheckResult> take() {
        std::lock_guard<std::mutex> guard(lock_);
        return std::move(results_);
    }

 private:
    std::mutex lock_;
    std::vector<CheckResult> results_;
};

// A printer's output in the check: its health and judgement are kept, the
// reports' fields and warnings are not shown.
class CheckOutput : public PrinterOutput {
 public:
    CheckOutput(ResultStore &store, std::string host) : PrinterOutput(std::move(host)), store_(store) {}
    void found(Group, const Fields &) override {}
    void row(Table, const Fields &, unsigned) override {}
    using PrinterOutput::warn;
    void warn(const Message &, bool) override {}
    void failed(const Message &) override {}
    void health(const PrinterHealth &health, const HealthVerdict &verdict) override {
        result_ = CheckResult{host(), health, verdict};
    }
    void finish(int) override {
        if (result_) store_.add(std::move(*result_));
    }

 private:
    ResultStore &store_;
    std::optional<CheckResult> result_;
};

class CheckOutputs : public OutputFactory {
 public:
    explicit CheckOutputs(ResultStore &store) : store_(store) {}
    std::unique_ptr<PrinterOutput> make(const std::string &host) const override {
        return std::make_unique<CheckOutput>(store_, host);
    }

 private:
    ResultStore &store_;
};

// The workers run on a thread of their own while main keeps the time.
struct Run {
    explicit Run(WorkerSet &s) : set(&s) {}
    WorkerSet *set;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
};

void *run_entry(void *arg) {
    auto *run = static_cast<Run *>(arg);
    run_workers(*run->set);
    {
        std::lock_guard<std::mutex> guard(run->lock);
        run->done = true;
    }
    run->ended.notify_all();
    return nullptr;
}

int write_and_exit_state(const std::string &text, int state) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return state;
}

int unknown(const std::string &why) { return write_and_exit_state("PRINTER UNKNOWN - " + plugin_text(why) + "\n", UNKNOWN); }

// The socket can no longer be read: nothing more can be heard.
void transport_failed(const char *step, int err) {
    std::printf("PRINTER UNKNOWN - %s: %s\n", step, std::strerror(err));
    std::fflush(stdout);
    _exit(UNKNOWN);
}

// Results in the order of the targets; a printer still being asked is UNKNOWN.
std::vector<CheckResult> in_target_order(std::vector<CheckResult> found, const std::vector<TargetSpec> &targets,
                                         int timeout) {
    std::vector<CheckResult> ordered;
    std::vector<bool> used(found.size(), false);
    for (const TargetSpec &t : targets) {
        auto it = std::find_if(found.begin(), found.end(), [&](const CheckResult &r) {
            return !used[static_cast<std::size_t>(&r - found.data())] && r.host == t.name;
        });
        if (it != found.end()) {
            used[static_cast<std::size_t>(it - found.begin())] = true;
            ordered.push_back(std::move(*it));
            continue;
        }
        CheckResult late;
        late.host = late.health.host = t.name;
        late.verdict.state = HealthState::Unknown;
        late.verdict.reasons.push_back(
            {HealthState::Unknown, "no complete answer within " + std::to_string(timeout) + " s"});
        ordered.push_back(std::move(late));
    }
    return ordered;
}

struct Prepared {
    std::unique_ptr<SNMP_socket> transport;
    std::vector<TargetSpec> targets;
    SnmpProtocol protocol;
    TargetList sessions;
};

// Everything before the first request; a message when the check ends here.
std::optional<std::string> prepare(CheckOptions &opts, Prepared &p) {
    ProtocolOutcome protocol = make_protocol(opts.snmp, CHECK_PROGRAM, check_option_names());
    if (!protocol.protocol) {
        std::string err = protocol.err;
        const std::string prefix = std::string(CHECK_PROGRAM) + ": ";
        if (err.compare(0, prefix.size(), prefix) == 0) err.erase(0, prefix.size());
        while (!err.empty() && err.back() == '\n') err.pop_back();
        return err;
    }
    p.protocol = std::move(*protocol.protocol);
    Expansion expansion = expand_targets(opts.targets, opts.community);
    if (!expansion.ok) return "bad printer argument \"" + expansion.argument + "\": " + expansion.reason;
    if (expansion.targets.empty()) return "the printer arguments name no address to query";
    p.targets = std::move(expansion.targets);
    const CheckTransport t = transport_for(opts.timeout);
    try {
        p.transport = std::make_unique<SNMP_socket>(t.waitPerAttempt, t.retries, opts.port, transport_failed);
    } catch (const SNMP_socket_error &e) {
        return e.what();
    }
    try {
        p.sessions = create_sessions(p.transport.get(), p.targets, &p.protocol);
    } catch (const SNMP_resolve_error &e) {
        return "cannot resolve hostname \"" + e.hostname + "\"";
    }
    return std::nullopt;
}

}  // namespace

CheckTransport transport_for(int timeoutSeconds) {
    // Leave two seconds for everything but waiting for a silent printer.
    const int budget = std::max(0, timeoutSeconds - 2);
    return {WAIT_PER_ATTEMPT, std::max(0, budget / WAIT_PER_ATTEMPT - 1)};
}

std::chrono::milliseconds answer_deadline(int timeoutSeconds) {
    const long total = static_cast<long>(timeoutSeconds) * 1000;
    return std::chrono::milliseconds(total - std::min(500L, total / 10));
}

int check_main(int argc, char **argv) {
    const Clock::time_point start = Clock::now();
    progname = CHECK_PROGRAM;
    CheckOptions opts;
    const CheckParse parsed = parse_check_options(argc, argv, opts);
    if (parsed.finished) return write_and_exit_state(parsed.out, parsed.status);
    Prepared p;
    if (std::optional<std::string> why = prepare(opts, p)) return unknown(*why);

    ResultStore store;
    const CheckOutputs outputs(store);
    RunSettings settings;
    settings.healthRules = &opts.rules;
    std::vector<ThreadData> data(p.sessions.targetCount);
    std::size_t k = 0;
    for (SNMP_session *s = p.sessions.head; s; s = s->next, ++k) {
        data[k].session = s;
        data[k].run = &settings;
        data[k].outputs = &outputs;
        data[k].flags = FlagWords{Option::health, Option::generic};
        data[k].reports = &real_reports();
    }
    WorkerSet set(data);
    if (opts.maxproc) set.maxproc = opts.maxproc;
    Run run(set);
    pthread_t runner;
    const ThreadAttr attr(WORKER_STACK_SIZE);
    if (int err = pthread_create(&runner, attr.get(), run_entry, &run))
        return unknown(std::string("cannot start a thread: ") + std::strerror(err));
    bool done;
    {
        std::unique_lock<std::mutex> lock(run.lock);
        done = run.ended.wait_until(lock, start + answer_deadline(opts.timeout), [&] { return run.done; });
    }
    const std::vector<CheckResult> results = in_target_order(store.take(), p.targets, opts.timeout);
    const int state = static_cast<int>(overall_state(results));
    write_and_exit_state(check_output(results, CheckFormat{opts.verbose, opts.perfdata, &opts.rules}), state);
    // Printers still being asked hold threads that cannot be stopped: the
    // process ends without waiting for them.
    if (!done) _exit(state);
    pthread_join(runner, nullptr);
    p.transport->finish();
    return state;
}
