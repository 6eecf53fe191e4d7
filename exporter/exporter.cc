// exporter: the probe, metrics and landing-page answers, and the reload.
#include "exporter/exporter.h"

#include <malloc.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "exporter/metrics.h"
#include "frontend/options.h"

namespace {

// The socket can no longer be read: no printer can be heard from again, and
// every later probe would report every printer silent. The exporter ends so
// that its supervisor starts it afresh.
void transport_failed(const char *step, int err) {
    std::fprintf(stderr, "prowlet_exporter: %s: %s\n", step, std::strerror(err));
    std::fflush(nullptr);
    _exit(1);
}

// Seconds from a header value: a positive finite decimal number, else nullopt.
std::optional<double> seconds_of(const std::string &text) {
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v) || v <= 0) return std::nullopt;
    return v;
}

ExporterAnswer bad_request(std::string text) { return {400, std::move(text) + "\n"}; }

// Printers of a probe past which the allocator's free memory goes back to the system.
constexpr std::size_t LARGE_PROBE = 256;

}  // namespace

double unix_time_now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

Exporter::Exporter(const ExporterSettings &settings, std::unique_ptr<ExporterConfig> config)
    : settings_(settings),
      transport_(2, 0, 0, transport_failed),
      configs_(std::move(config)),
      sessions_(transport_, settings.cachedSessions, configs_.generation()),
      slots_(settings.maxproc) {
    self_.started(unix_time_now());
}

Exporter::~Exporter() { transport_.finish(); }

std::chrono::system_clock::time_point Exporter::probe_deadline(const std::optional<std::string> &scrapeTimeout) const {
    double seconds = settings_.defaultTimeout;
    if (scrapeTimeout)
        if (std::optional<double> given = seconds_of(*scrapeTimeout)) seconds = *given;
    // Keep back the offset for the answer to travel, but never all of the time.
    seconds = seconds > settings_.timeoutOffset ? seconds - settings_.timeoutOffset : seconds;
    seconds = std::min(seconds, 3600.0);
    return std::chrono::system_clock::now() +
           std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(seconds));
}

ExporterAnswer Exporter::probe(const std::optional<std::string> &target, const std::optional<std::string> &module,
                               const std::optional<std::string> &scrapeTimeout) {
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = probe_deadline(scrapeTimeout);
    if (!target) {
        self_.probe_refused("missing_parameter");
        return bad_request("the target parameter is missing (/probe?target=PRINTER&module=MODULE)");
    }
    ConfigStore::Lease lease = configs_.lease();
    const std::string moduleName = module ? *module : "default";
    const ModuleConfig *settings = lease.config().find(moduleName);
    if (!settings) {
        self_.probe_refused("unknown_module");
        return bad_request("no module \"" + moduleName + "\" in " + lease.config().path);
    }
    ProbeEnvironment env{sessions_, slots_};
    std::size_t printers = 0;
    ExporterAnswer answer{200, {}, EXPOSITION_CONTENT_TYPE};
    {
        const ProbeOutcome outcome = run_probe(env, *target, *settings, lease.generation(), deadline);
        if (!outcome.error.empty()) {
            self_.probe_refused("bad_target");
            return bad_request(outcome.error);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        self_.probe_done(moduleName, outcome, seconds);
        Exposition out;
        write_probe_metrics(out, outcome, seconds);
        for (const ProbedPrinter &printer : outcome.printers) write_printer_metrics(out, printer, settings->groups);
        answer.body = out.text();
        printers = outcome.printers.size();
    }
    // The workers of a large probe leave their memory in the allocator's
    // per-thread arenas; handed back to the system, a /20 costs its memory
    // while it runs, not for the rest of the exporter's life.
    if (printers >= LARGE_PROBE) malloc_trim(0);
    return answer;
}

ExporterAnswer Exporter::metrics() const {
    SelfMetrics::Parts parts;
    parts.transport = transport_.counts();
    parts.workersInUse = slots_.in_use();
    parts.workerCap = slots_.cap();
    parts.sessionsCached = sessions_.size();
    parts.sessionsMade = sessions_.made();
    parts.configsHeld = configs_.held();
    Exposition out;
    self_.write(out, parts);
    return {200, out.text(), EXPOSITION_CONTENT_TYPE};
}

ExporterAnswer Exporter::landing_page() {
    std::string page =
        "<!DOCTYPE html>\n<html><head><title>prowlet exporter</title></head><body>\n"
        "<h1>prowlet exporter</h1>\n<p>Version ";
    page += PROWLET_VERSION;
    page +=
        ". Printer health over SNMP for Prometheus.</p>\n<ul>\n"
        "<li><a href=\"/probe?target=127.0.0.1&amp;module=default\">/probe?target=PRINTER&amp;module=MODULE</a>: "
        "the printers a target names (a name, an address, a range or a subnet)</li>\n"
        "<li><a href=\"/metrics\">/metrics</a>: the exporter's own metrics</li>\n"
        "</ul>\n</body></html>\n";
    return {200, page, "text/html; charset=utf-8"};
}

std::string Exporter::reload() {
    ConfigOutcome loaded = load_config(settings_.configPath);
    if (!loaded.config) {
        self_.reload_done(false, unix_time_now());
        return loaded.error;
    }
    // The configuration replaced stays until its idle sessions, which refer to
    // its SNMPv3 users, are released.
    const ConfigStore::Lease replaced = configs_.lease();
    const std::uint64_t generation = configs_.replace(std::move(loaded.config));
    sessions_.clear(generation);
    self_.reload_done(true, unix_time_now());
    return {};
}
