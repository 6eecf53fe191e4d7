// One worker per printer: the order of its reports, its status, and the joiner that collects them.
#include "frontend/workers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "ber/ber.h"
#include "frontend/failures.h"
#include "frontend/maxproc.h"
#include "frontend/progress.h"
#include "frontend/threadattr.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/health.h"
#include "reports/health_fetch.h"
#include "reports/output.h"
#include "reports/printmib.h"
#include "snmp/session.h"

namespace {

// The "not supported" lines of the options asked of a MIB group the printer
// does not answer, in the group's fixed order.
void complain(const FlagWords &flags, MibGroup group, PrinterOutput &out) {
    std::vector<const OptionSpec *> asked;
    for (const OptionSpec &o : option_table())
        if (o.mib == group && o.complaintOrder > 0 && flags.asked(o.id)) asked.push_back(&o);
    std::sort(asked.begin(), asked.end(),
              [](const OptionSpec *a, const OptionSpec *b) { return a->complaintOrder < b->complaintOrder; });
    for (const OptionSpec *o : asked) not_supported(out, o->unsupported);
}

// The printer's health and its judgement to its output, once its reports
// have ended however they ended.
void hand_over_health(PrinterOutput &out, HealthReadings &readings, int status, const HealthRules *rules) {
    readings.reachability = reachability_of(status, readings.sysDescr.has_value());
    PrinterHealth health = interpret_health(readings);
    health.host = out.host();
    out.health(health, judge_health(health, rules ? *rules : HealthRules{}));
}

// The steps after the probe, in order; ends early by returning or by an exception.
int later_steps(ReportContext &ctx, const ReportRoutines &reports) {
    const FlagWords &flags = ctx.flags;
    int status = STATUS_OK;
    if (flags.asked_any(Report::Settings)) reports.setContactLocation(ctx);
    if (!ctx.settings.ports.empty()) reports.connections(ctx);

    if (ctx.capFlags.wants(MibGroup::HostResources)) {
        if (ctx.capFlags.answers(MibGroup::HostResources)) {
            reports.hostmib(ctx);
        } else if (!flags.silences_unsupported()) {
            status = STATUS_NO_HOST_RESOURCES;
            complain(flags, MibGroup::HostResources, ctx.out);
        }
    }
    if (ctx.capFlags.wants(MibGroup::PrinterMib)) {
        if (!ctx.capFlags.answers(MibGroup::PrinterMib)) {
            if (flags.silences_unsupported()) return status;
            complain(flags, MibGroup::PrinterMib, ctx.out);
            return STATUS_NO_PRINTER_MIB;
        }
        if (printmib_reports_asked(flags)) reports.printmib(ctx);
        if (flags.asked(Option::reboot)) reports.reboot(ctx);
    }
    if (flags.asked(Option::cfgsrc) && !reports.cfgsrc(ctx)) return STATUS_NO_VENDOR_REPORT;
    return status;
}

// Only an HP interface downloads firmware (told so inside the probe); on any
// other printer saying nothing would pass for success.
bool firmware_unsupported(ReportContext &ctx) {
    if (!ctx.flags.asked(Option::updatefirmware) || ctx.capFlags.vendor() == VENDOR_HP) return false;
    not_supported(ctx.out, option_spec(Option::updatefirmware).unsupported);
    return true;
}

// The steps of one printer, in order; ends early by returning or by an exception.
int run_reqs(ReportContext &ctx, const ReportRoutines &reports) {
    ctx.capFlags = Capabilities::wanted_by(ctx.flags);
    if (ctx.flags.asked_any(Report::General) || ctx.capFlags.wants_any() || ctx.health) reports.general(ctx);
    const bool noFirmware = firmware_unsupported(ctx);
    const int status = later_steps(ctx, reports);
    // The health is read whatever the other steps found missing.
    if (ctx.health && reports.health) reports.health(ctx);
    // The status a configuration source gets on such a printer.
    return status == STATUS_OK && noFirmware ? STATUS_NO_VENDOR_REPORT : status;
}

}  // namespace

const std::string &target_name(const ThreadData &td) { return td.session ? td.session->hostname : td.unresolved; }

// Every way a worker can end early arrives here as an exception, so whatever
// the reports had allocated is released by unwinding before the thread ends.
int do_reqs(ThreadData *td) {
    if (!td->session) {
        std::unique_ptr<PrinterOutput> out = td->outputs->make(td->unresolved);
        const int status = report_unresolved(*out);
        out->finish(status);
        return status;
    }
    std::unique_ptr<PrinterOutput> out = td->outputs->make(td->session->hostname);
    td->session->setWarningSink(out.get());
    ReportContext ctx(*td->session, *out, *td->run, td->flags);
    std::unique_ptr<HealthCollection> health;
    if (td->flags.asked(Option::health)) {
        health = std::make_unique<HealthCollection>();
        ctx.health = health.get();
    }
    int status;
    try {
        status = run_reqs(ctx, *td->reports);
    } catch (...) {
        status = report_failure(*out, td->session, health ? &health->readings.failure : nullptr);
    }
    td->session->setWarningSink(nullptr);
    // The printer is done with: its SNMPv3 keys go now, not at the run's end.
    if (!td->sessionKept) td->session->releaseSecrets();
    td->capFlags = ctx.capFlags;
    if (health) hand_over_health(*out, health->readings, status, td->run->healthRules);
    out->finish(status);
    return status;
}

bool WorkerSlots::take(std::chrono::system_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(lock_);
    if (!freed_.wait_until(lock, deadline, [&] { return inUse_ < cap_; })) return false;
    // A slot freed by a worker that ran to the deadline itself comes too late:
    // the printer would start with no time left and look silent.
    if (std::chrono::system_clock::now() >= deadline) return false;
    ++inUse_;
    return true;
}

void WorkerSlots::give_back() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        --inUse_;
    }
    freed_.notify_one();
}

std::size_t WorkerSlots::in_use() const {
    std::lock_guard<std::mutex> lock(lock_);
    return inUse_;
}

int join_threads(WorkerSet &set) {
    int chosen = 0;
    std::size_t chosenIndex = 0;
    bool anyFailed = false;
    set.joinedCount = 0;
    for (;;) {
        std::size_t k;
        {
            std::unique_lock<std::mutex> lock(set.countLock);
            // Woken as each worker starts and ends: no polling, no idle second.
            // A worker may end before main has counted its start; its handle
            // is only sure to be stored once it is counted.
            set.joinerWake.wait(lock, [&] {
                return (!set.ended.empty() && set.ended.front() < set.startedCount) ||
                       set.joinedCount >= set.targetCount;
            });
            if (set.joinedCount >= set.targetCount) break;
            k = set.ended.front();
            set.ended.pop_front();
        }
        pthread_join(set.thrds[k], nullptr);
        if (set.sharedSlots) set.sharedSlots->give_back();
        const int status = set.thrdat[k].status;
        if (set.progress) set.progress->ended(status);
        // Workers start in the reverse of command-line order: the failure
        // started last belongs to the first failing target.
        if (status != 0 && (!anyFailed || k > chosenIndex)) {
            chosen = status;
            chosenIndex = k;
            anyFailed = true;
        }
        {
            std::lock_guard<std::mutex> lock(set.countLock);
            ++set.joinedCount;
        }
        set.workerJoined.notify_all();
    }
    return chosen;
}

namespace {

void *worker_entry(void *arg) {
    auto *td = static_cast<ThreadData *>(arg);
    td->status = do_reqs(td);
    WorkerSet &set = *td->set;
    {
        std::lock_guard<std::mutex> lock(set.countLock);
        set.ended.push_back(static_cast<std::size_t>(td - set.thrdat.data()));
    }
    set.joinerWake.notify_one();
    return nullptr;
}

struct JoinerArgs {
    WorkerSet *set;
    int status = 0;
};

void *joiner_entry(void *arg) {
    auto *j = static_cast<JoinerArgs *>(arg);
    j->status = join_threads(*j->set);
    return nullptr;
}

// Starts a thread; when the system refuses (EAGAIN: thread or memory limits),
// waits until a running worker has been joined, or refusedWait when none is
// running, and tries again. Returns the last error, or 0.
int start_thread(WorkerSet &set, pthread_t *thread, void *(*body)(void *), void *arg) {
    // Fresh attributes for every thread: a sanitizer's pthread_create may
    // enlarge the stack size in the attributes it is given.
    const ThreadAttr attr(WORKER_STACK_SIZE);
    int err = 0;
    for (int attempt = 0; attempt < set.startAttempts; ++attempt) {
        err = set.createThread(thread, attr.get(), body, arg);
        if (err != EAGAIN) return err;
        std::unique_lock<std::mutex> lock(set.countLock);
        std::size_t joined = set.joinedCount;
        if (joined < set.startedCount) {
            // Running workers hold the resources; each join frees some.
            set.workerJoined.wait(lock, [&] { return set.joinedCount != joined; });
            attempt = -1;
        } else {
            set.workerJoined.wait_for(lock, set.refusedWait);
        }
    }
    return err;
}

// No worker is started after this: the joiner waits for the started ones only.
void stop_starting(WorkerSet &set) {
    std::lock_guard<std::mutex> lock(set.countLock);
    set.targetCount = set.startedCount;
    set.joinerWake.notify_all();
}

}  // namespace

int run_workers(WorkerSet &set) {
    JoinerArgs joinerArgs{&set};
    pthread_t joiner;
    int err = start_thread(set, &joiner, joiner_entry, &joinerArgs);
    if (err != 0) {
        std::fprintf(stderr, "%s: cannot start a thread: %s\n", progname, std::strerror(err));
        return STATUS_NO_THREAD;
    }
    bool refused = false;
    for (std::size_t k = 0; k < set.thrdat.size(); ++k) {
        if (set.maxproc != 0) wait_for_worker_slot(set);
        if (set.sharedSlots && !set.sharedSlots->take(set.startDeadline)) {
            stop_starting(set);
            break;
        }
        set.thrdat[k].set = &set;
        err = start_thread(set, &set.thrds[k], worker_entry, &set.thrdat[k]);
        if (err != 0) {
            if (set.sharedSlots) set.sharedSlots->give_back();
            std::fprintf(stderr, "%s: cannot start a thread for %s: %s\n", progname,
                         target_name(set.thrdat[k]).c_str(), std::strerror(err));
            stop_starting(set);
            refused = true;
            break;
        }
        {
            std::lock_guard<std::mutex> lock(set.countLock);
            ++set.startedCount;
        }
        set.joinerWake.notify_all();
    }
    pthread_join(joiner, nullptr);
    // Targets never started come earlier on the command line than every
    // started one, so theirs is the first failure.
    return refused ? STATUS_NO_THREAD : joinerArgs.status;
}
