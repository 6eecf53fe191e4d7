// One worker per printer: the order of its reports, its status, and the joiner that collects them.
#include "frontend/workers.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ber/ber.h"
#include "frontend/maxproc.h"
#include "frontend/threadattr.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/structfill.h"

namespace {

const char SYSCONTACT_OID[] = "1.3.6.1.2.1.1.4.0";
const char SYSLOCATION_OID[] = "1.3.6.1.2.1.1.6.0";

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
    {F1_REBOOT, "reboot"}};

template <std::size_t N>
void complain(const OptionName (&options)[N], std::uint64_t word, const char *hostname) {
    for (const OptionName &o : options)
        if (word & o.bit) not_supported(o.name, hostname);
}

// New sysContact and sysLocation in one SetRequest. The reply is not looked at;
// a printer that refuses throws, and the worker's top level reports it.
void set_contact_location(ThreadData &td) {
    OidSeq request;
    const char *contact = td.settings[SETTING_SETCONTACT];
    const char *location = td.settings[SETTING_SETLOCATION];
    if ((td.flags[2] & F2_SETCONTACT) && contact)
        request.append(SYSCONTACT_OID, STRING_TAG, contact, std::strlen(contact));
    if ((td.flags[2] & F2_SETLOCATION) && location)
        request.append(SYSLOCATION_OID, STRING_TAG, location, std::strlen(location));
    td.session->do_req(SET_REQ_TAG, &request);
}

// The steps of one printer, in order; ends early by returning or by WorkerExit.
int run_reqs(ThreadData &td) {
    SNMP_session &session = *td.session;
    const char *hostname = session.hostname.c_str();
    std::uint64_t *flags = td.flags;
    int status = 0;

    td.capFlags = wanted_groups(flags);

    if ((flags[0] & F0_GENERAL_MASK) || (td.capFlags & 0x7))
        td.reports->general(session, flags, &td.capFlags, td.settings);

    if (flags[2] & (F2_SETCONTACT | F2_SETLOCATION)) set_contact_location(td);

    if (td.connList) td.reports->connections(flags, session, td.connList);

    if (td.capFlags & CAP_WANT_HOSTRES) {
        if (td.capFlags & CAP_HAS_HOSTRES) {
            td.reports->hostmib(session, flags, &td.capFlags);
        } else if (!(flags[0] & F0_ALL)) {
            status = 5;
            complain(HOSTRES_OPTIONS, flags[0], hostname);
        }
    }

    if (td.capFlags & CAP_WANT_PRINTMIB) {
        if (td.capFlags & CAP_HAS_PRINTMIB) {
            if ((flags[0] & F0_PRINTMIB_MASK) || (flags[1] & F1_PRINTMIB_REPORT_MASK))
                td.reports->printmib(session, flags);
            if (flags[1] & F1_REBOOT) td.reports->reboot(session, flags);
        } else {
            if (flags[0] & F0_ALL) return status;
            complain(PRINTMIB_OPTIONS0, flags[0], hostname);
            complain(PRINTMIB_OPTIONS1, flags[1], hostname);
            return 6;
        }
    }

    if (flags[1] & F1_CFGSRC) {
        const CfgSrcVendor *vendor = cfgsrc_vendor(vendor_code(td.capFlags));
        if (!vendor) {
            not_supported("cfgsrc", hostname);
            return -1;
        }
        OidSeq request;
        request.append(vendor->oid);
        std::unique_ptr<OidSeq> privresp = session.do_req(GET_REQ_TAG, &request);
        if (!privresp) handle_unrecoverable(progname, hostname, NO_RESPONSE);
        BerBase *privinfo = privresp->find(vendor->oid);
        (td.reports->*vendor->routine)(session, flags, privinfo);
    }
    return status;
}

void report_refusal(const char *hostname, const SNMP_error_oid &e) {
    if (e.status == 0)
        std::fprintf(stderr, "%s: %s sent a value of the wrong type for %s\n", progname,
                     hostname, e.str.c_str());
    else if (e.str.empty())
        std::fprintf(stderr, "%s: %s refused a request (error-status %d)\n", progname, hostname,
                     e.status);
    else
        std::fprintf(stderr, "%s: %s refused %s (error-status %d)\n", progname, hostname,
                     e.str.c_str(), e.status);
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
    const char *hostname = td->session->hostname.c_str();
    try {
        return run_reqs(*td);
    } catch (const WorkerExit &e) {
        return e.status;
    } catch (SNMP_error_unrecoverable e) {
        try {
            handle_unrecoverable(progname, hostname, e);
        } catch (const WorkerExit &x) {
            return x.status;
        }
    } catch (const std::unique_ptr<SNMP_error_oid> &e) {
        if (e) report_refusal(hostname, *e);
        return e && e->status == 0 ? STATUS_BAD_REPLY : STATUS_REFUSED;
    } catch (const SNMP_error_oid &e) {
        report_refusal(hostname, e);
        return e.status == 0 ? STATUS_BAD_REPLY : STATUS_REFUSED;
    } catch (const BerDecodeError &e) {
        std::fprintf(stderr, "%s: %s sent a reply that cannot be decoded (%s)\n", progname,
                     hostname, e.what());
        return STATUS_BAD_REPLY;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s: %s\n", progname, hostname, e.what());
        return STATUS_INTERNAL;
    } catch (...) {
        std::fprintf(stderr, "%s: %s: unexpected failure\n", progname, hostname);
        return STATUS_INTERNAL;
    }
    return STATUS_INTERNAL;
}

int join_threads(WorkerSet &set) {
    int chosen = 0;
    bool anyChosen = false;
    set.joinedCount = 0;
    for (;;) {
        std::size_t k;
        {
            std::unique_lock<std::mutex> lock(set.countLock);
            // Woken by main as each worker starts: no polling, no idle second.
            set.workerStarted.wait(lock, [&] {
                return set.joinedCount < set.startedCount || set.joinedCount >= set.targetCount;
            });
            if (set.joinedCount >= set.targetCount) break;
            k = set.joinedCount;
        }
        pthread_join(set.thrds[k], nullptr);
        int status = set.thrdat[k].status;
        if (!anyChosen || status != 0) {
            chosen = status;
            anyChosen = true;
        }
        {
            std::lock_guard<std::mutex> lock(set.countLock);
            ++set.joinedCount;
        }
        set.workerJoined.notify_all();
    }
    return chosen;
}

bool start_must_pause(std::size_t k, std::size_t joined) {
    return static_cast<long long>(k) - static_cast<long long>(joined) >= 101;
}

namespace {

void *worker_entry(void *arg) {
    auto *td = static_cast<ThreadData *>(arg);
    td->status = do_reqs(td);
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
        err = start_thread(set, &set.thrds[k], worker_entry, &set.thrdat[k]);
        if (err != 0) {
            std::fprintf(stderr, "%s: cannot start a thread for %s: %s\n", progname,
                         set.thrdat[k].session->hostname.c_str(), std::strerror(err));
            std::lock_guard<std::mutex> lock(set.countLock);
            set.targetCount = set.startedCount;
            refused = true;
            set.workerStarted.notify_all();
            break;
        }
        {
            std::lock_guard<std::mutex> lock(set.countLock);
            ++set.startedCount;
        }
        set.workerStarted.notify_all();
        if (set.maxproc == 0 && start_must_pause(k, set.joinedCount)) sleep(2);
    }
    pthread_join(joiner, nullptr);
    // Targets never started come earlier on the command line than every
    // started one, so theirs is the first failure.
    return refused ? STATUS_NO_THREAD : joinerArgs.status;
}
