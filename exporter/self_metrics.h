// The exporter's own metrics (/metrics): probes by outcome and their
// durations, the transport's counts, the worker cap, the session cache, the
// configuration's reloads, and the process metrics Prometheus users expect.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "exporter/exposition.h"
#include "exporter/probe.h"
#include "snmp/snmpsock.h"

// Upper bounds of the probe-duration histogram's buckets, in seconds.
inline constexpr std::array<double, 10> PROBE_DURATION_BUCKETS = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60};

class SelfMetrics {
 public:
    // One probe of module: its printers' outcomes and its duration.
    void probe_done(const std::string &module, const ProbeOutcome &outcome, double seconds);
    // A probe refused before anything was sent: reason "bad_target",
    // "unknown_module" or "missing_parameter".
    void probe_refused(const char *reason);
    void reload_done(bool ok, double unixTime);
    void started(double unixTime) { startTime_ = unixTime; }

    // Everything the exporter knows about itself beside the snapshot of its
    // parts (transport counts, workers in use, cached sessions).
    struct Parts {
        SNMP_transport_counts transport;
        std::size_t workersInUse = 0;
        std::size_t workerCap = 0;
        std::size_t sessionsCached = 0;
        std::uint64_t sessionsMade = 0;
        std::size_t configsHeld = 0;
    };
    void write(Exposition &out, const Parts &parts) const;

 private:
    struct Histogram {
        std::array<std::uint64_t, PROBE_DURATION_BUCKETS.size()> buckets{};
        std::uint64_t count = 0;
        double sum = 0;
    };
    mutable std::mutex lock_;
    std::map<std::string, Histogram> durations_;                // by module
    std::map<std::pair<std::string, std::string>, std::uint64_t> probes_;  // module, outcome
    std::map<std::string, std::uint64_t> printerOutcomes_;      // by outcome name
    std::map<std::string, std::uint64_t> refused_;              // by reason
    std::uint64_t reloadsOk_ = 0, reloadsFailed_ = 0;
    bool lastReloadOk_ = true;
    double lastReloadTime_ = 0;
    double startTime_ = 0;
};

// process_cpu_seconds_total, process_resident_memory_bytes,
// process_virtual_memory_bytes, process_open_fds, process_max_fds,
// process_start_time_seconds, process_threads, from /proc/self.
void write_process_metrics(Exposition &out, double startTime);

// How a probe went as a whole: "success" (every printer answered),
// "partial", "failure" (none did).
const char *probe_result(const ProbeOutcome &outcome);
