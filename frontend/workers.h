// Workers: one thread per printer running do_reqs, the joiner, and the start loop.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/dispatch.h"
#include "frontend/exit_status.h"
#include "reports/flags.h"

class OutputFactory;
class ProgressLine;
class SNMP_session;
struct RunSettings;
struct WorkerSet;


// Everything one worker reads; filled by main before the worker starts.
struct ThreadData {
    SNMP_session *session = nullptr;  // nullptr: a name that did not resolve (--keep-going)
    std::string unresolved;           // that name
    const RunSettings *run = nullptr;       // option strings and ports, shared
    const OutputFactory *outputs = nullptr;  // makes this printer's output
    FlagWords flags;
    const ReportRoutines *reports = nullptr;
    Capabilities capFlags;       // the printer's capability word when the worker ended
    int status = 0;              // the worker's result, read by the joiner after the join
    WorkerSet *set = nullptr;    // the set the worker reports its end to; filled by run_workers
    // The session outlives the worker (a long-running process keeps each
    // printer's SNMPv3 engine and localized keys between scrapes); otherwise
    // the keys are wiped as soon as the printer is done with.
    bool sessionKept = false;
};

// One printer, start to end; returns the worker status. Nothing escapes it.
// A name that did not resolve fails at once with its message (status 252).
int do_reqs(ThreadData *td);

// The printer's name as given.
const std::string &target_name(const ThreadData &td);

// Workers that run at once without --maxproc. A worker mostly waits for its
// printer, so the cap is not about processors: it bounds memory (each worker
// holds a 256 KiB stack, of which it touches a few pages, and its buffers) and
// the burst of requests a sweep sends at once, while letting a /22 of silent
// printers wait out their time-outs together.
inline constexpr std::size_t DEFAULT_MAXPROC = 1024;

// A cap on the workers of several sets that run at once (the scrapes of a
// long-running process): a slot is taken before a worker starts and given
// back when it has been joined.
class WorkerSlots {
 public:
    explicit WorkerSlots(std::size_t cap) : cap_(cap) {}
    // Takes a slot, waiting until one is free; false, nothing taken, when
    // none has freed by the deadline.
    bool take(std::chrono::system_clock::time_point deadline);
    void give_back();
    std::size_t in_use() const;
    std::size_t cap() const { return cap_; }

 private:
    const std::size_t cap_;
    mutable std::mutex lock_;
    std::condition_variable freed_;
    std::size_t inUse_ = 0;
};

// Counts shared by main (starting workers), the workers (ending) and the joiner.
struct WorkerSet {
    explicit WorkerSet(std::vector<ThreadData> &data)
        : thrdat(data), thrds(data.size()), targetCount(data.size()) {}

    std::vector<ThreadData> &thrdat;
    std::vector<pthread_t> thrds;
    std::mutex countLock;
    std::condition_variable joinerWake;    // -> joiner: a worker started or ended, or targetCount changed
    std::condition_variable workerJoined;  // joiner -> main: joinedCount grew
    std::size_t startedCount = 0;          // guarded by countLock
    std::size_t targetCount;               // guarded by countLock; lowered if starting stops
    std::deque<std::size_t> ended;         // guarded by countLock: workers done, not yet joined
    std::atomic<std::size_t> joinedCount{0};
    std::size_t maxproc = DEFAULT_MAXPROC;  // cap on started, unjoined workers; 0: none
    ProgressLine *progress = nullptr;       // told of each worker's end, when the run shows progress
    // A cap shared with other sets (none: only maxproc), and the time after
    // which no worker is started any more: the workers not started by then are
    // left out (targetCount and startedCount tell which).
    WorkerSlots *sharedSlots = nullptr;
    std::chrono::system_clock::time_point startDeadline = std::chrono::system_clock::time_point::max();

    // How threads are started, and how long main waits before it tries again
    // after a refusal while no started worker is left to end. Tests change them.
    int (*createThread)(pthread_t *, const pthread_attr_t *, void *(*)(void *),
                        void *) = pthread_create;
    int startAttempts = 30;
    std::chrono::milliseconds refusedWait{1000};
};

// Joins the workers as they end, in whatever order that is; returns the status
// of the failing worker started last (the first failing target on the command
// line, as the start order reverses it), or 0.
int join_threads(WorkerSet &set);

// Stack size of every thread the front end starts: workers keep their buffers
// on the heap, and thousands of them must fit.
inline constexpr std::size_t WORKER_STACK_SIZE = 256 * 1024;

// Starts the joiner and one worker per entry of the set, never more than
// set.maxproc unjoined at once (the next starts as soon as one is joined),
// then waits for the joiner. Returns the joiner's status, or STATUS_NO_THREAD
// when the system refused a thread for good (every started worker is still
// joined first).
int run_workers(WorkerSet &set);
