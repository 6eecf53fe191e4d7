// metrics: a probe's outcome and its printers' health as Prometheus series.
#include "exporter/metrics.h"

#include <map>

#include "exporter/config.h"
#include "reports/enums.h"
#include "reports/health.h"

namespace {

// A name of the model's tables, or the number when the value has none.
std::string name_or_number(const char *name, const std::optional<std::int64_t> &value) {
    if (name) return name;
    return value ? std::to_string(*value) : std::string();
}

std::string record_text(const PrinterRecord &r, Group g, std::string_view key) {
    const FieldValue *v = r.field(g, key);
    return v && (v->kind == FieldValue::Kind::Text || v->kind == FieldValue::Kind::Name) ? v->str : std::string();
}

// A state set: one series per state, 1 for the current one.
void state_set(Exposition &out, const std::string &family, const Labels &labels, std::initializer_list<const char *> states,
               std::string_view current) {
    for (const char *state : states) {
        Labels l = labels;
        l.push_back({"state", state});
        out.sample(family, l, current == state ? 1.0 : 0.0);
    }
}

void declare_printer(Exposition &out) {
    out.family("prowlet_printer_up", MetricType::Gauge, "1 when the printer answered the probe, 0 when it did not.");
    out.family("prowlet_printer_info", MetricType::Gauge, "The printer's identification as labels; always 1.");
    out.family("prowlet_printer_health_state", MetricType::Gauge,
               "1 for the state the default rules judge the printer in (OK, WARNING, CRITICAL, UNKNOWN), 0 for the others.");
    out.family("prowlet_printer_status", MetricType::Gauge,
               "1 for the printer's hrPrinterStatus (other, unknown, idle, printing, warmup), 0 for the others.");
    out.family("prowlet_device_status", MetricType::Gauge,
               "1 for the printer's hrDeviceStatus (unknown, running, warning, testing, down), 0 for the others.");
    out.family("prowlet_printer_detected_error", MetricType::Gauge,
               "1 for each condition hrPrinterDetectedErrorState reports (lowPaper ... overduePreventMaint), 0 for the others.");
    out.family("prowlet_pages_total", MetricType::Counter,
               "Pages printed in the printer's life (prtMarkerLifeCount of its first marker), in its counter unit.");
}

void declare_tables(Exposition &out) {
    out.family("prowlet_supply_level", MetricType::Gauge,
               "A supply's level in its unit (prtMarkerSuppliesLevel); none for the special values -1, -2, -3.");
    out.family("prowlet_supply_capacity", MetricType::Gauge,
               "A supply's capacity in its unit (prtMarkerSuppliesMaxCapacity); none for -1 and -2.");
    out.family("prowlet_supply_level_ratio", MetricType::Gauge,
               "A supply's level as a fraction of its capacity, as the printer counts it (a waste box fills up); none "
               "for special values or a capacity of 0 or below.");
    out.family("prowlet_supply_remaining_ratio", MetricType::Gauge,
               "What is left of a supply, 0 to 1: material of a supply that is consumed, space of a receptacle that is "
               "filled; none for special values or a capacity of 0 or below.");
    out.family("prowlet_supply_state", MetricType::Gauge,
               "1 for a supply's state (ok, low below 20 % left, empty, someRemaining, unknown, noRestriction), 0 for "
               "the others.");
    out.family("prowlet_input_tray_level", MetricType::Gauge, "Media in an input tray, in its unit (prtInputCurrentLevel).");
    out.family("prowlet_input_tray_capacity", MetricType::Gauge, "An input tray's capacity, in its unit (prtInputMaxCapacity).");
    out.family("prowlet_input_tray_empty", MetricType::Gauge, "1 when an input tray is empty (level 0).");
    out.family("prowlet_input_tray_missing", MetricType::Gauge, "1 when an active alert says the input tray is missing.");
    out.family("prowlet_cover_open", MetricType::Gauge, "1 when a cover or interlock is open, 0 when it is not.");
    out.family("prowlet_alerts", MetricType::Gauge, "Active alerts (prtAlertTable rows), by severity and group.");
    out.family("prowlet_alert_info", MetricType::Gauge, "One series per active alert, with its code and description.");
}

Labels supply_labels(const Labels &printer, const SupplyHealth &s) {
    Labels l = printer;
    l.push_back({"supply", std::to_string(s.index)});
    l.push_back({"colour", s.colour});
    l.push_back({"type", name_or_number(s.type ? supply_type_name(*s.type) : nullptr, s.type)});
    l.push_back({"class", name_or_number(s.supplyClass ? supply_class_name(*s.supplyClass) : nullptr, s.supplyClass)});
    l.push_back({"description", s.description.value_or("")});
    return l;
}

// prtMarkerSuppliesSupplyUnit 19, percent: the level is the percentage itself.
constexpr std::int64_t UNIT_PERCENT = 19;

void write_supply(Exposition &out, const Labels &printer, const SupplyHealth &s) {
    const Labels labels = supply_labels(printer, s);
    Labels withUnit = labels;
    withUnit.push_back({"unit", name_or_number(s.unit ? supply_unit_name(*s.unit) : nullptr, s.unit)});
    if (s.level && *s.level >= 0) out.sample_int("prowlet_supply_level", withUnit, *s.level);
    if (s.capacity && *s.capacity >= 0) out.sample_int("prowlet_supply_capacity", withUnit, *s.capacity);
    if (s.level && *s.level >= 0) {
        if (s.unit == UNIT_PERCENT)
            out.sample("prowlet_supply_level_ratio", labels, static_cast<double>(*s.level) / 100);
        else if (s.capacity && *s.capacity > 0)
            out.sample("prowlet_supply_level_ratio", labels, static_cast<double>(*s.level) / static_cast<double>(*s.capacity));
    }
    if (s.percent) out.sample("prowlet_supply_remaining_ratio", labels, *s.percent / 100);
    state_set(out, "prowlet_supply_state", labels, {"ok", "low", "empty", "someRemaining", "unknown", "noRestriction"},
              supply_state_name(s.state));
}

void write_tray(Exposition &out, const Labels &printer, const TrayHealth &t) {
    Labels labels = printer;
    labels.push_back({"tray", std::to_string(t.index)});
    labels.push_back({"name", t.name.value_or("")});
    labels.push_back({"description", t.description.value_or("")});
    labels.push_back({"type", name_or_number(t.type ? tray_type_name(*t.type) : nullptr, t.type)});
    if (t.level && *t.level >= 0) out.sample_int("prowlet_input_tray_level", labels, *t.level);
    if (t.capacity && *t.capacity >= 0) out.sample_int("prowlet_input_tray_capacity", labels, *t.capacity);
    // prtInputCurrentLevel 0 is empty; -3 says at least one sheet is there.
    if (t.level && (*t.level >= 0 || *t.level == -3)) out.sample("prowlet_input_tray_empty", labels, t.empty ? 1.0 : 0.0);
    out.sample("prowlet_input_tray_missing", labels, t.missing ? 1.0 : 0.0);
}

void write_alerts(Exposition &out, const Labels &printer, const std::vector<AlertHealth> &alerts) {
    std::map<std::pair<std::string, std::string>, int> counts;
    for (const AlertHealth &a : alerts) {
        const std::string severity = name_or_number(a.severity ? alert_severity_name(*a.severity) : nullptr, a.severity);
        const std::string group = name_or_number(a.group ? alert_group_name(*a.group) : nullptr, a.group);
        ++counts[{severity, group}];
        Labels labels = printer;
        labels.push_back({"alert", std::to_string(a.index)});
        labels.push_back({"severity", severity});
        labels.push_back({"group", group});
        labels.push_back({"code", name_or_number(a.code ? alert_code_name(*a.code) : nullptr, a.code)});
        labels.push_back({"description", a.description.value_or("")});
        out.sample("prowlet_alert_info", labels, 1.0);
    }
    for (const auto &[key, n] : counts) {
        Labels labels = printer;
        labels.push_back({"severity", key.first});
        labels.push_back({"group", key.second});
        out.sample("prowlet_alerts", labels, static_cast<double>(n));
    }
}

void write_status(Exposition &out, const Labels &who, const PrinterHealth &h) {
    if (h.printerStatus)
        state_set(out, "prowlet_printer_status", who, {"other", "unknown", "idle", "printing", "warmup"},
                  name_or_number(printer_status_name(*h.printerStatus), h.printerStatus));
    if (h.deviceStatus)
        state_set(out, "prowlet_device_status", who, {"unknown", "running", "warning", "testing", "down"},
                  name_or_number(device_status_name(*h.deviceStatus), h.deviceStatus));
    if (h.detectedErrors)
        for (int bit = 0; bit < DETECTED_ERROR_COUNT; ++bit) {
            const auto e = static_cast<DetectedError>(bit);
            out.sample("prowlet_printer_detected_error", {who[0], {"condition", detected_error_name(e)}},
                       h.detectedErrors->has(e) ? 1.0 : 0.0);
        }
}

}  // namespace

void write_probe_metrics(Exposition &out, const ProbeOutcome &outcome, double seconds) {
    std::map<std::string, std::size_t> byOutcome;
    for (PrinterOutcome o : {PrinterOutcome::Answered, PrinterOutcome::Incomplete, PrinterOutcome::Silent,
                             PrinterOutcome::Refused, PrinterOutcome::Failed, PrinterOutcome::Unresolved,
                             PrinterOutcome::NotStarted})
        byOutcome[outcome_name(o)] = 0;
    for (const ProbedPrinter &p : outcome.printers) ++byOutcome[outcome_name(p.outcome)];
    out.family("prowlet_probe_success", MetricType::Gauge, "1 when every printer of the target answered in full.");
    out.sample("prowlet_probe_success", {}, byOutcome["answered"] == outcome.printers.size() ? 1.0 : 0.0);
    out.family("prowlet_probe_duration_seconds", MetricType::Gauge, "How long the probe took.");
    out.sample("prowlet_probe_duration_seconds", {}, seconds);
    out.family("prowlet_probe_printers", MetricType::Gauge,
               "Printers the target names, by how their part of the probe ended.");
    for (const auto &[name, n] : byOutcome) out.sample("prowlet_probe_printers", {{"outcome", name}}, static_cast<double>(n));
    declare_printer(out);
    declare_tables(out);
}

void write_printer_metrics(Exposition &out, const ProbedPrinter &printer, unsigned groups) {
    const Labels who{{"printer", printer.name}};
    const bool up = printer.answered;
    out.sample("prowlet_printer_up", who, up ? 1.0 : 0.0);
    const PrinterRecord &r = printer.record;
    if (!up || !r.health) return;
    const PrinterHealth &h = *r.health;
    state_set(out, "prowlet_printer_health_state", who, {"OK", "WARNING", "CRITICAL", "UNKNOWN"},
              health_state_name(r.verdict.state));
    if (groups & READ_IDENTIFICATION)
        out.sample("prowlet_printer_info",
                   {who[0], {"vendor", h.vendor}, {"model", h.model}, {"serial", h.serial},
                    {"location", record_text(r, Group::Contact, "location")},
                    {"contact", record_text(r, Group::Contact, "contact")}},
                   1.0);
    if (groups & READ_STATUS) write_status(out, who, h);
    if ((groups & READ_COUNTERS) && h.pageCount)
        out.sample("prowlet_pages_total",
                   {who[0], {"unit", name_or_number(h.pageCountUnit ? table_name(MARKERCOUNTERUNIT, *h.pageCountUnit) : nullptr,
                                                    h.pageCountUnit)}},
                   format_sample_value(*h.pageCount));
    if (groups & READ_SUPPLIES)
        for (const SupplyHealth &s : h.supplies) write_supply(out, who, s);
    if (groups & READ_TRAYS)
        for (const TrayHealth &t : h.trays) write_tray(out, who, t);
    if (groups & READ_COVERS)
        for (const CoverHealth &c : h.covers)
            out.sample("prowlet_cover_open", {who[0], {"cover", std::to_string(c.index)}, {"description", c.description.value_or("")}},
                       c.open ? 1.0 : 0.0);
    if (groups & READ_ALERTS) write_alerts(out, who, h.alerts);
}
