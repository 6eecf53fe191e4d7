// metrics: a probe's outcome and its printers' health as Prometheus series.
#include "exporter/metrics.h"

#include <map>

void write_probe_metrics(Exposition &out, const ProbeOutcome &outcome, double seconds) {
    std::map<std::string, std::size_t> byOutcome;
    for (PrinterOutcome o : {PrinterOutcome::Answered, PrinterOutcome::Silent, PrinterOutcome::Refused,
                             PrinterOutcome::Failed, PrinterOutcome::Unresolved, PrinterOutcome::NotStarted})
        byOutcome[outcome_name(o)] = 0;
    for (const ProbedPrinter &p : outcome.printers) ++byOutcome[outcome_name(p.outcome)];
    out.family("prowlet_probe_success", MetricType::Gauge, "1 when every printer of the target answered.");
    out.sample("prowlet_probe_success", {}, byOutcome["answered"] == outcome.printers.size() ? 1.0 : 0.0);
    out.family("prowlet_probe_duration_seconds", MetricType::Gauge, "How long the probe took.");
    out.sample("prowlet_probe_duration_seconds", {}, seconds);
    out.family("prowlet_probe_printers", MetricType::Gauge, "Printers the target names, by how their part of the probe ended.");
    for (const auto &[name, n] : byOutcome)
        out.sample("prowlet_probe_printers", {{"outcome", name}}, static_cast<double>(n));
}

void write_printer_metrics(Exposition &out, const ProbedPrinter &printer) {
    out.family("prowlet_printer_up", MetricType::Gauge, "1 when the printer answered the probe, 0 when it did not.");
    out.sample("prowlet_printer_up", {{"printer", printer.name}},
               printer.outcome == PrinterOutcome::Answered ? 1.0 : 0.0);
}
