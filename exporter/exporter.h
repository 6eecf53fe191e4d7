// The exporter's state for its whole life: the one SNMP transport all probes
// share, the configuration in force, the printers' sessions, the worker cap
// and its own metrics; and what it answers, free of any HTTP library.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "exporter/config_store.h"
#include "exporter/self_metrics.h"
#include "exporter/session_cache.h"
#include "frontend/workers.h"
#include "snmp/snmpsock.h"

struct ExporterSettings {
    std::string configPath;
    std::size_t maxproc = DEFAULT_MAXPROC;                 // printers served at once, all probes together
    std::size_t cachedSessions = SessionCache::DEFAULT_CAPACITY;
    double timeoutOffset = 0.5;     // seconds kept from Prometheus' scrape time-out for the answer
    double defaultTimeout = 10;     // a probe's time without Prometheus' header (its default scrape time-out)
};

// An answer: HTTP status and body.
struct ExporterAnswer {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=utf-8";
};

class Exporter {
 public:
    // Takes a configuration already loaded; throws SNMP_socket_error when
    // the transport cannot be made.
    Exporter(const ExporterSettings &settings, std::unique_ptr<ExporterConfig> config);
    ~Exporter();

    // /probe?target=T&module=M; scrapeTimeout is the value of Prometheus'
    // X-Prometheus-Scrape-Timeout-Seconds header, if any.
    ExporterAnswer probe(const std::optional<std::string> &target, const std::optional<std::string> &module,
                         const std::optional<std::string> &scrapeTimeout);
    // /metrics
    ExporterAnswer metrics() const;
    // The landing page (/).
    static ExporterAnswer landing_page();

    // Reads the configuration file again; the one in force stays when the new
    // one is refused. Returns "" or the refusal ("PATH, line N: ...").
    std::string reload();

    // The deadline of a probe that starts now.
    std::chrono::system_clock::time_point probe_deadline(const std::optional<std::string> &scrapeTimeout) const;

 private:
    ExporterSettings settings_;
    SNMP_socket transport_;
    ConfigStore configs_;
    SessionCache sessions_;
    WorkerSlots slots_;
    SelfMetrics self_;
};

// Seconds since the epoch, as a double.
double unix_time_now();
