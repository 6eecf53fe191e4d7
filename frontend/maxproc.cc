// --maxproc: reading the cap and waiting for a free worker slot.
#include "frontend/maxproc.h"

#include <cstdio>
#include <limits>
#include <mutex>

#include "frontend/workers.h"

std::optional<std::size_t> parse_maxproc(const char *text) {
    if (!text || *text == '\0') return std::nullopt;
    constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
    std::size_t value = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
        auto digit = static_cast<std::size_t>(*p - '0');
        value = value > (most - digit) / 10 ? most : value * 10 + digit;
    }
    if (value == 0) return std::nullopt;
    return value;
}

void report_bad_maxproc(const char *progname, const char *text) {
    std::fprintf(stderr, "%s: --maxproc needs a positive number, not \"%s\".\n", progname,
                 text ? text : "");
}

void wait_for_worker_slot(WorkerSet &set) {
    std::unique_lock<std::mutex> lock(set.countLock);
    set.workerJoined.wait(lock, [&] { return set.startedCount - set.joinedCount < set.maxproc; });
}
