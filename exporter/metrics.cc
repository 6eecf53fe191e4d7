// metrics: a probe's outcome and its printers' health as Prometheus series.
#include "exporter/metrics.h"

#include <cctype>
#include <map>

#include "exporter/device_state.h"

namespace {

// Text of a field: a name, the printer's text or a number; "" when absent.
std::string text_of(const Fields &fields, std::string_view key) {
    const Field *f = fields.find(key);
    if (!f) return {};
    switch (f->value.kind) {
        case FieldValue::Kind::Text:
        case FieldValue::Kind::Name: return f->value.str;
        case FieldValue::Kind::Signed: return std::to_string(f->value.s);
        case FieldValue::Kind::Unsigned: return std::to_string(f->value.u);
        case FieldValue::Kind::YesNo: return f->value.yes ? "Y" : "N";
        case FieldValue::Kind::Absent: break;
    }
    return {};
}

// A signed number field; nullopt when absent or not a number.
std::optional<std::int64_t> number_of(const Fields &fields, std::string_view key) {
    const Field *f = fields.find(key);
    if (!f || f->value.kind != FieldValue::Kind::Signed) return std::nullopt;
    return f->value.s;
}

std::string record_text(const PrinterRecord &r, Group g, std::string_view key) {
    const FieldValue *v = r.field(g, key);
    return v && (v->kind == FieldValue::Kind::Text || v->kind == FieldValue::Kind::Name) ? v->str : std::string();
}

// The colour a supply's description names, in the colorant names of the
// Printer MIB's prtMarkerColorantValue: "black", "cyan", ... or "".
std::string colour_in(std::string description) {
    for (char &c : description) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const char *const words[] = {"black", "cyan", "magenta", "yellow", "red", "green", "blue",
                                        "gray", "grey", "orange", "violet", "white", "silver", "gold"};
    for (const char *w : words)
        if (description.find(w) != std::string::npos) return std::string(w) == "grey" ? "gray" : w;
    return {};
}

// prtMarkerSuppliesSupplyUnit 19, percent: the level is the percentage itself.
constexpr std::string_view UNIT_PERCENT = "percent";

void declare_supplies(Exposition &out) {
    out.family("prowlet_supply_level", MetricType::Gauge,
               "A supply's level in its unit (prtMarkerSuppliesLevel); none for the special values -1, -2, -3.");
    out.family("prowlet_supply_capacity", MetricType::Gauge,
               "A supply's capacity in its unit (prtMarkerSuppliesMaxCapacity); none for -1 and -2.");
    out.family("prowlet_supply_level_ratio", MetricType::Gauge,
               "A supply's level as a fraction of its capacity (1 is full); none for special values or a capacity of "
               "0 or below.");
    out.family("prowlet_supply_level_state", MetricType::Gauge,
               "1 for the state a supply's level is in: measured (a number), someRemaining (-3), unknown (-2), "
               "other (-1).");
}

void write_supply(Exposition &out, const Labels &printer, std::size_t index, const Fields &row) {
    const std::string unit = text_of(row, "supplyunit");
    Labels labels = printer;
    labels.push_back({"supply", std::to_string(index)});
    labels.push_back({"colour", colour_in(text_of(row, "desc"))});
    labels.push_back({"type", text_of(row, "type")});
    labels.push_back({"class", text_of(row, "class")});
    labels.push_back({"description", text_of(row, "desc")});
    Labels withUnit = labels;
    withUnit.push_back({"unit", unit});
    const std::optional<std::int64_t> level = number_of(row, "level");
    const std::optional<std::int64_t> capacity = number_of(row, "maxcap");
    if (level && *level >= 0) out.sample_int("prowlet_supply_level", withUnit, *level);
    if (capacity && *capacity >= 0) out.sample_int("prowlet_supply_capacity", withUnit, *capacity);
    if (level && *level >= 0) {
        if (unit == UNIT_PERCENT)
            out.sample("prowlet_supply_level_ratio", labels, static_cast<double>(*level) / 100);
        else if (capacity && *capacity > 0)
            out.sample("prowlet_supply_level_ratio", labels, static_cast<double>(*level) / static_cast<double>(*capacity));
    }
    if (!level) return;
    static const char *const states[] = {"measured", "other", "unknown", "someRemaining"};
    const int current = *level >= 0 ? 0 : *level >= -3 ? static_cast<int>(-*level) : -1;
    for (int s = 0; s < 4; ++s) {
        Labels stateLabels = labels;
        stateLabels.push_back({"state", states[s]});
        out.sample("prowlet_supply_level_state", stateLabels, s == current ? 1.0 : 0.0);
    }
}

void write_tray(Exposition &out, const Labels &printer, std::size_t index, const Fields &row) {
    Labels labels = printer;
    labels.push_back({"tray", std::to_string(index)});
    labels.push_back({"name", text_of(row, "name")});
    labels.push_back({"description", text_of(row, "description")});
    labels.push_back({"type", text_of(row, "type")});
    const std::optional<std::int64_t> level = number_of(row, "curLevel");
    const std::optional<std::int64_t> capacity = number_of(row, "maxCap");
    Labels withUnit = labels;
    withUnit.push_back({"unit", text_of(row, "capUnit")});
    if (level && *level >= 0) out.sample_int("prowlet_input_tray_level", withUnit, *level);
    if (capacity && *capacity >= 0) out.sample_int("prowlet_input_tray_capacity", withUnit, *capacity);
    // prtInputCurrentLevel 0 is empty; -3 says at least one sheet is there.
    if (level && (*level >= 0 || *level == -3)) out.sample("prowlet_input_tray_empty", labels, *level == 0 ? 1.0 : 0.0);
}

void write_cover(Exposition &out, const Labels &printer, std::size_t index, const Fields &row) {
    // prtCoverStatus (RFC 3805): 3 coverOpen, 4 coverClosed, 5 interlockOpen,
    // 6 interlockClosed; this tool names 3 and 4 doorOpen and doorClosed.
    const std::string status = text_of(row, "status");
    const bool open = status == "doorOpen" || status == "interlockOpen" || status == "coverOpen";
    const bool closed = status == "doorClosed" || status == "interlockClosed" || status == "coverClosed";
    if (!open && !closed) return;
    Labels labels = printer;
    labels.push_back({"cover", std::to_string(index)});
    labels.push_back({"description", text_of(row, "description")});
    out.sample("prowlet_cover_open", labels, open ? 1.0 : 0.0);
}

void declare_tables(Exposition &out) {
    declare_supplies(out);
    out.family("prowlet_input_tray_level", MetricType::Gauge, "Media in an input tray, in its unit (prtInputCurrentLevel).");
    out.family("prowlet_input_tray_capacity", MetricType::Gauge, "An input tray's capacity, in its unit (prtInputMaxCapacity).");
    out.family("prowlet_input_tray_empty", MetricType::Gauge, "1 when an input tray is empty.");
    out.family("prowlet_cover_open", MetricType::Gauge, "1 when a cover or interlock is open, 0 when closed.");
    out.family("prowlet_pages_total", MetricType::Counter,
               "A marker's life count (prtMarkerLifeCount), in its counter unit: pages printed in the printer's life.");
    out.family("prowlet_alerts", MetricType::Gauge, "Active alerts (prtAlertTable rows), by severity and group.");
    out.family("prowlet_alert_info", MetricType::Gauge, "One series per active alert, with its code and description.");
}

void write_alerts(Exposition &out, const Labels &printer, const std::vector<const Fields *> &alerts) {
    std::map<std::pair<std::string, std::string>, int> counts;
    std::size_t index = 0;
    for (const Fields *row : alerts) {
        const std::string severity = text_of(*row, "severityLevel"), group = text_of(*row, "group");
        ++counts[{severity, group}];
        Labels labels = printer;
        labels.push_back({"alert", std::to_string(++index)});
        labels.push_back({"severity", severity});
        labels.push_back({"group", group});
        labels.push_back({"code", text_of(*row, "code")});
        labels.push_back({"description", text_of(*row, "description")});
        out.sample("prowlet_alert_info", labels, 1.0);
    }
    for (const auto &[key, n] : counts) {
        Labels labels = printer;
        labels.push_back({"severity", key.first});
        labels.push_back({"group", key.second});
        out.sample("prowlet_alerts", labels, static_cast<double>(n));
    }
}

void write_device_state(Exposition &out, const std::string &name, const PrinterRecord &r) {
    if (const FieldValue *v = r.field(Group::HostResources, "deviceStatus"); v && v->kind == FieldValue::Kind::Signed)
        for (long long s = 1; s <= 5; ++s)
            out.sample("prowlet_device_status", {{"printer", name}, {"state", device_status_name(s)}},
                       v->s == s ? 1.0 : 0.0);
    const FieldValue *bits = r.field(Group::HostResources, "detectedErrorState");
    if (!bits || bits->kind != FieldValue::Kind::Text) return;
    const std::vector<bool> set = detected_errors(bits->str);
    for (std::size_t bit = 0; bit < DETECTED_ERROR_COUNT; ++bit)
        out.sample("prowlet_printer_detected_error", {{"printer", name}, {"condition", DETECTED_ERROR_NAMES[bit]}},
                   set[bit] ? 1.0 : 0.0);
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
    out.family("prowlet_printer_up", MetricType::Gauge, "1 when the printer answered the probe, 0 when it did not.");
    out.family("prowlet_printer_info", MetricType::Gauge, "The printer's identification as labels; always 1.");
    out.family("prowlet_printer_status", MetricType::Gauge,
               "1 for the printer's hrPrinterStatus (other, unknown, idle, printing, warmup), 0 for the others.");
    out.family("prowlet_device_status", MetricType::Gauge,
               "1 for the printer's hrDeviceStatus (unknown, running, warning, testing, down), 0 for the others.");
    out.family("prowlet_printer_detected_error", MetricType::Gauge,
               "1 for each condition hrPrinterDetectedErrorState sets (lowPaper ... overduePreventMaint), 0 for the "
               "others.");
    declare_tables(out);
}

void write_printer_metrics(Exposition &out, const ProbedPrinter &printer) {
    const Labels who{{"printer", printer.name}};
    const bool up = printer.outcome == PrinterOutcome::Answered || printer.outcome == PrinterOutcome::Incomplete;
    out.sample("prowlet_printer_up", who, up ? 1.0 : 0.0);
    if (!up) return;
    const PrinterRecord &r = printer.record;
    out.sample("prowlet_printer_info",
               {{"printer", printer.name},
                {"vendor", record_text(r, Group::Identification, "vendor")},
                {"model", record_text(r, Group::Identification, "model")},
                {"serial", record_text(r, Group::Serial, "serial")},
                {"location", record_text(r, Group::Contact, "location")},
                {"contact", record_text(r, Group::Contact, "contact")}},
               1.0);
    const std::string status = record_text(r, Group::HostResources, "status");
    if (!status.empty())
        for (const char *state : {"other", "unknown", "idle", "printing", "warmup"})
            out.sample("prowlet_printer_status", {{"printer", printer.name}, {"state", state}}, status == state ? 1.0 : 0.0);
    write_device_state(out, printer.name, r);
    std::map<Table, std::size_t> ordinal;
    std::vector<const Fields *> alerts;
    for (const auto &[table, row] : r.rows) {
        const std::size_t index = ++ordinal[table];
        if (table == Table::Supplies) write_supply(out, who, index, row);
        else if (table == Table::InputTrays) write_tray(out, who, index, row);
        else if (table == Table::Covers) write_cover(out, who, index, row);
        else if (table == Table::Alerts) alerts.push_back(&row);
        else if (table == Table::Markers)
            if (std::optional<std::int64_t> pages = number_of(row, "pagecount"); pages && *pages >= 0)
                out.sample_int("prowlet_pages_total",
                               {{"printer", printer.name}, {"marker", std::to_string(index)}, {"unit", text_of(row, "counterUnits")}},
                               *pages);
    }
    write_alerts(out, who, alerts);
}
