// self_metrics: the exporter's metrics about itself and its process.
#include "exporter/self_metrics.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "frontend/options.h"

const char *probe_result(const ProbeOutcome &outcome) {
    std::size_t answered = 0;
    for (const ProbedPrinter &p : outcome.printers) answered += p.outcome == PrinterOutcome::Answered;
    if (answered == outcome.printers.size()) return "success";
    return answered == 0 ? "failure" : "partial";
}

void SelfMetrics::probe_done(const std::string &module, const ProbeOutcome &outcome, double seconds) {
    std::lock_guard<std::mutex> lock(lock_);
    ++probes_[{module, probe_result(outcome)}];
    for (const ProbedPrinter &p : outcome.printers) ++printerOutcomes_[outcome_name(p.outcome)];
    Histogram &h = durations_[module];
    for (std::size_t b = 0; b < PROBE_DURATION_BUCKETS.size(); ++b) h.buckets[b] += seconds <= PROBE_DURATION_BUCKETS[b];
    ++h.count;
    h.sum += seconds;
}

void SelfMetrics::probe_refused(const char *reason) {
    std::lock_guard<std::mutex> lock(lock_);
    ++refused_[reason];
}

void SelfMetrics::reload_done(bool ok, double unixTime) {
    std::lock_guard<std::mutex> lock(lock_);
    ++(ok ? reloadsOk_ : reloadsFailed_);
    lastReloadOk_ = ok;
    if (ok) lastReloadTime_ = unixTime;
}

namespace {

void write_probes(Exposition &out, const std::map<std::pair<std::string, std::string>, std::uint64_t> &probes,
                  const std::map<std::string, std::uint64_t> &refused) {
    out.family("prowlet_exporter_probes_total", MetricType::Counter,
               "Probes served, by module and result (success: every printer answered; partial; failure: none did).");
    for (const auto &[key, n] : probes)
        out.sample("prowlet_exporter_probes_total", {{"module", key.first}, {"result", key.second}},
                   format_sample_value(n));
    out.family("prowlet_exporter_probes_refused_total", MetricType::Counter,
               "Probe requests refused before anything was sent, by reason.");
    for (const char *reason : {"bad_target", "unknown_module", "missing_parameter"}) {
        const auto found = refused.find(reason);
        out.sample("prowlet_exporter_probes_refused_total", {{"reason", reason}},
                   format_sample_value(found == refused.end() ? std::uint64_t{0} : found->second));
    }
}

void write_transport(Exposition &out, const SNMP_transport_counts &c) {
    const struct {
        const char *name;
        const char *help;
        std::uint64_t value;
    } rows[] = {
        {"prowlet_exporter_snmp_requests_total", "SNMP datagrams sent to printers.", c.sends},
        {"prowlet_exporter_snmp_retries_total", "SNMP datagrams sent again after a wait without a reply.", c.retries},
        {"prowlet_exporter_snmp_timeouts_total", "SNMP requests that got no reply within their tries.", c.timeouts},
        {"prowlet_exporter_snmp_stray_datagrams_total", "Datagrams received that no request waited for.", c.strays},
    };
    for (const auto &r : rows) {
        out.family(r.name, MetricType::Counter, r.help);
        out.sample(r.name, {}, format_sample_value(r.value));
    }
}

void write_gauges(Exposition &out, const SelfMetrics::Parts &parts) {
    const struct {
        const char *name;
        const char *help;
        double value;
    } rows[] = {
        {"prowlet_exporter_workers", "Printers being served at this moment, all probes together.",
         static_cast<double>(parts.workersInUse)},
        {"prowlet_exporter_workers_max", "The cap on printers served at once (--maxproc).",
         static_cast<double>(parts.workerCap)},
        {"prowlet_exporter_sessions", "Printer sessions kept between probes (with their SNMPv3 engines).",
         static_cast<double>(parts.sessionsCached)},
        {"prowlet_exporter_configurations", "Configurations held: the one in force and those probes still use.",
         static_cast<double>(parts.configsHeld)},
    };
    for (const auto &r : rows) {
        out.family(r.name, MetricType::Gauge, r.help);
        out.sample(r.name, {}, r.value);
    }
    out.family("prowlet_exporter_sessions_created_total", MetricType::Counter,
               "Printer sessions made (each SNMPv3 session makes one engine discovery).");
    out.sample("prowlet_exporter_sessions_created_total", {}, format_sample_value(parts.sessionsMade));
}

}  // namespace

void SelfMetrics::write(Exposition &out, const Parts &parts) const {
    std::lock_guard<std::mutex> lock(lock_);
    out.family("prowlet_exporter_build_info", MetricType::Gauge, "The exporter's version, always 1.");
    out.sample("prowlet_exporter_build_info", {{"version", PROWLET_VERSION}}, 1.0);
    write_probes(out, probes_, refused_);
    out.family("prowlet_exporter_printer_probes_total", MetricType::Counter,
               "Printers probed, by how their part of the probe ended.");
    for (const auto &[name, n] : printerOutcomes_)
        out.sample("prowlet_exporter_printer_probes_total", {{"outcome", name}}, format_sample_value(n));
    out.family("prowlet_exporter_probe_duration_seconds", MetricType::Histogram, "Time probes took, by module.");
    for (const auto &[module, h] : durations_) {
        for (std::size_t b = 0; b < PROBE_DURATION_BUCKETS.size(); ++b)
            out.sample("prowlet_exporter_probe_duration_seconds",
                       {{"module", module}, {"le", format_sample_value(PROBE_DURATION_BUCKETS[b])}},
                       format_sample_value(h.buckets[b]), "_bucket");
        out.sample("prowlet_exporter_probe_duration_seconds", {{"module", module}, {"le", "+Inf"}},
                   format_sample_value(h.count), "_bucket");
        out.sample("prowlet_exporter_probe_duration_seconds", {{"module", module}}, format_sample_value(h.sum), "_sum");
        out.sample("prowlet_exporter_probe_duration_seconds", {{"module", module}}, format_sample_value(h.count),
                   "_count");
    }
    write_transport(out, parts.transport);
    write_gauges(out, parts);
    out.family("prowlet_exporter_config_reloads_total", MetricType::Counter, "Reloads of the configuration file (SIGHUP), by result.");
    out.sample("prowlet_exporter_config_reloads_total", {{"result", "success"}}, format_sample_value(reloadsOk_));
    out.sample("prowlet_exporter_config_reloads_total", {{"result", "failure"}}, format_sample_value(reloadsFailed_));
    out.family("prowlet_exporter_config_last_reload_successful", MetricType::Gauge,
               "1 when the last reload of the configuration succeeded (or none was asked), 0 when it was refused.");
    out.sample("prowlet_exporter_config_last_reload_successful", {}, lastReloadOk_ ? 1.0 : 0.0);
    out.family("prowlet_exporter_config_last_reload_success_timestamp_seconds", MetricType::Gauge,
               "When the configuration in force was loaded, in seconds since the epoch.");
    out.sample("prowlet_exporter_config_last_reload_success_timestamp_seconds", {},
               lastReloadTime_ > 0 ? lastReloadTime_ : startTime_);
    write_process_metrics(out, startTime_);
}

namespace {

std::size_t open_descriptors() {
    std::size_t n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (const dirent *e = ::readdir(d)) n += e->d_name[0] != '.';
        ::closedir(d);
        if (n > 0) --n;  // the directory's own descriptor
    }
    return n;
}

}  // namespace

void write_process_metrics(Exposition &out, double startTime) {
    // /proc/self/stat: after the command name in parentheses, field 14 utime
    // and 15 stime in clock ticks, 20 num_threads, 23 vsize in bytes, 24 rss
    // in pages (proc(5)).
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    std::istringstream fields(close == std::string::npos ? std::string() : stat.substr(close + 2));
    std::string f[22];
    for (std::string &x : f) fields >> x;
    auto num = [&](int field) { return f[field - 3].empty() ? 0.0 : std::strtod(f[field - 3].c_str(), nullptr); };
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const double page = static_cast<double>(::sysconf(_SC_PAGESIZE));
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const struct {
        const char *name;
        MetricType type;
        const char *help;
        double value;
    } rows[] = {
        {"process_cpu_seconds_total", MetricType::Counter, "Total user and system CPU time spent in seconds.",
         (num(14) + num(15)) / ticks},
        {"process_resident_memory_bytes", MetricType::Gauge, "Resident memory size in bytes.", num(24) * page},
        {"process_virtual_memory_bytes", MetricType::Gauge, "Virtual memory size in bytes.", num(23)},
        {"process_open_fds", MetricType::Gauge, "Number of open file descriptors.",
         static_cast<double>(open_descriptors())},
        {"process_max_fds", MetricType::Gauge, "Maximum number of open file descriptors.",
         limit.rlim_cur == RLIM_INFINITY ? -1.0 : static_cast<double>(limit.rlim_cur)},
        {"process_start_time_seconds", MetricType::Gauge, "Start time of the process since unix epoch in seconds.",
         startTime},
        {"process_threads", MetricType::Gauge, "Number of threads of the process.", num(20)},
    };
    for (const auto &r : rows) {
        out.family(r.name, r.type, r.help);
        out.sample(r.name, {}, r.value);
    }
}
