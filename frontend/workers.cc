// One worker per printer: the order of its reports, its status, and the joiner that collects them.
#include "frontend/workers.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "ber/ber.h"
#include "frontend/maxproc.h"
#include "frontend/threadattr.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/session.h"

namespace {

struct OptionName {
    std::uint64_t bit;
    const char *name;
};

const OptionName HOSTRES_OPTIONS[] = {
    {F0_MEMORY, "memory"}, {F0_STORAGE, "storage"}, {F0_STATUS, "status"}};

const OptionName PRINTMIB_OPTIONS0[] = {
    {F0_MEDIAPATH, "mediapath"}, {F0_MAXPAPERSIZE, "maxpapersize"},
    {F0_MINPAPERSIZE, "minpapersize"}, {F0_ENGINESPEED, "enginespeed"},
    {F0_DUPLEX, "duplex"}, {F0_DISPLAY, "display"}, {F0_INPUTTRAY, "inputtray"},
    {F0_LETTER, "letter"}, {F0_LEGAL, "legal"}, {F0_TABLOID, "tabloid"},
    {F0_EXECUTIVE, "executive"}, {F0_A3, "a3"}, {F0_A4, "a4"}, {F0_B4, "b4"}, {F0_B5, "b5"},
    {F0_COVERS, "cover"}};

const OptionName PRINTMIB_OPTIONS1[] = {
    {F1_ALERTS, "alerts"}, {F1_LANGUAGES, "languages"}, {F1_PCL, "pcl"}, {F1_PJL, "pjl"},
    {F1_HPGL, "hpgl"}, {F1_POSTSCRIPT, "postscript"}, {F1_PSPRINTER, "psprinter"},
    {F1_AUTOLANG, "autolang"}, {F1_PORT9100, "port9100"}, {F1_APPLETALK, "appletalk"},
    {F1_LPD, "lpd"}, {F1_NETWARE, "netware"}, {F1_PROTOCOL, "protocol"},
    {F1_PAGECOUNT, "pagecount"}, {F1_MARKER, "marker"}, {F1_RESOLUTION, "resolution"},
    {F1_COLORS, "color"}, {F1_MINMARGIN, "minmargin"}, {F1_SUPPLIES, "supplies"},
    {F1_REBOOT, "reboot"}, {F1_SERIAL, "serial"}};

template <std::size_t N>
void complain(const OptionName (&options)[N], std::uint64_t word, PrinterOutput &out) {
    for (const OptionName &o : options)
        if (word & o.bit) not_supported(out, o.name);
}

// The steps after the probe, in order; ends early by returning or by an exception.
int later_steps(ReportContext &ctx, const ReportRoutines &reports) {
    const std::uint64_t *flags = ctx.flags;
    int status = 0;
    if (flags[2] & (F2_SETCONTACT | F2_SETLOCATION)) reports.setContactLocation(ctx);
    if (!ctx.settings.ports.empty()) reports.connections(ctx);

    if (ctx.capFlags & CAP_WANT_HOSTRES) {
        if (ctx.capFlags & CAP_HAS_HOSTRES) {
            reports.hostmib(ctx);
        } else if (!(flags[0] & F0_ALL)) {
            status = 5;
            complain(HOSTRES_OPTIONS, flags[0], ctx.out);
        }
    }
    if (ctx.capFlags & CAP_WANT_PRINTMIB) {
        if (!(ctx.capFlags & CAP_HAS_PRINTMIB)) {
            if (flags[0] & F0_ALL) return status;
            complain(PRINTMIB_OPTIONS0, flags[0], ctx.out);
            complain(PRINTMIB_OPTIONS1, flags[1], ctx.out);
            return 6;
        }
        if ((flags[0] & F0_PRINTMIB_MASK) || (flags[1] & F1_PRINTMIB_REPORT_MASK)) reports.printmib(ctx);
        if (flags[1] & F1_REBOOT) reports.reboot(ctx);
    }
    if (flags[1] & F1_CFGSRC) {
        const int cfgsrcStatus = reports.cfgsrc(ctx);
        if (cfgsrcStatus != 0) return cfgsrcStatus;
    }
    return status;
}

// Only an HP interface downloads firmware (told so inside the probe); on any
// other printer saying nothing would pass for success.
bool firmware_unsupported(ReportContext &ctx) {
    if (!(ctx.flags[2] & F2_UPDATEFIRMWARE) || vendor_code(ctx.capFlags) == VENDOR_HP) return false;
    not_supported(ctx.out, "updatefirmware");
    return true;
}

// The steps of one printer, in order; ends early by returning or by an exception.
int run_reqs(ReportContext &ctx, const ReportRoutines &reports) {
    const std::uint64_t *flags = ctx.flags;
    ctx.capFlags = wanted_groups(flags);
    if ((flags[0] & F0_GENERAL_MASK) || (ctx.capFlags & (CAP_WANT_HOSTRES | CAP_WANT_PRINTMIB | CAP_WANT_VENDOR)))
        reports.general(ctx);
    const bool noFirmware = firmware_unsupported(ctx);
    const int status = later_steps(ctx, reports);
    // The status a configuration source gets on such a printer.
    return status == 0 && noFirmware ? STATUS_NO_VENDOR_REPORT : status;
}

}  // namespace

std::uint64_t wanted_groups(const std::uint64_t *flags) {
    std::uint64_t cap = 0;
    if (flags[0] & F0_HOSTRES_MASK) cap |= CAP_WANT_HOSTRES;
    if ((flags[0] & F0_PRINTMIB_MASK) || (flags[1] & F1_PRINTMIB_MASK)) cap |= CAP_WANT_PRINTMIB;
    if ((flags[1] & F1_CFGSRC) || (flags[2] & F2_UPDATEFIRMWARE)) cap |= CAP_WANT_VENDOR;
    return cap;
}

// Every way a worker can end early arrives here as an exception, so whatever
// the reports had allocated is released by unwinding before the thread ends.
int do_reqs(ThreadData *td) {
    std::unique_ptr<PrinterOutput> out = td->outputs->make(td->session->hostname);
    td->session->setWarningSink(out.get());
    ReportContext ctx(*td->session, *out, *td->run, td->flags);
    int status;
    try {
        status = run_reqs(ctx, *td->reports);
    } catch (...) {
        status = report_failure(*out);
    }
    td->session->setWarningSink(nullptr);
    // The printer is done with: its SNMPv3 keys go now, not at the run's end.
    td->session->releaseSecrets();
    td->capFlags = ctx.capFlags;
    out->finish(status);
    return status;
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
        const int status = set.thrdat[k].status;
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
        set.thrdat[k].set = &set;
        err = start_thread(set, &set.thrds[k], worker_entry, &set.thrdat[k]);
        if (err != 0) {
            std::fprintf(stderr, "%s: cannot start a thread for %s: %s\n", progname,
                         set.thrdat[k].session->hostname.c_str(), std::strerror(err));
            std::lock_guard<std::mutex> lock(set.countLock);
            set.targetCount = set.startedCount;
            refused = true;
            set.joinerWake.notify_all();
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
