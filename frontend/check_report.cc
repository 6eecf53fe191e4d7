// check_printers' output: the status line, the long output and the
// performance data of one printer or of a sweep.
#include "frontend/check_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr HealthState WORST_FIRST[] = {HealthState::Critical, HealthState::Warning, HealthState::Unknown,
                                       HealthState::Ok};

const HealthRules &rules_of(const CheckFormat &f) {
    static const HealthRules defaults;
    return f.rules ? *f.rules : defaults;
}

std::string join(const std::vector<std::string> &parts, const char *between) {
    std::string out;
    for (const std::string &p : parts) out += (out.empty() ? "" : between) + p;
    return out;
}

std::vector<const SupplyHealth *> judged_supplies(const CheckResult &r, const HealthRules &rules) {
    std::vector<const SupplyHealth *> out;
    for (const SupplyHealth &s : r.health.supplies)
        if (!excluded(rules, s)) out.push_back(&s);
    return out;
}

// "4 supplies ok (lowest: black toner 23%)"
std::string supplies_summary(const CheckResult &r, const HealthRules &rules) {
    const std::vector<const SupplyHealth *> supplies = judged_supplies(r, rules);
    if (supplies.empty()) return "no problems reported";
    const SupplyHealth *lowest = nullptr;
    for (const SupplyHealth *s : supplies)
        if (s->percent && (!lowest || *s->percent < *lowest->percent)) lowest = s;
    std::string text = std::to_string(supplies.size()) + (supplies.size() == 1 ? " supply ok" : " supplies ok");
    if (lowest) text += " (lowest: " + lowest->displayName + " " + perfdata_number(*lowest->percent) + "%)";
    return text;
}

// The model, or the printer's name when it did not say (or did not answer).
std::string name_of(const CheckResult &r) {
    if (r.health.reachability != Reachability::Answered || r.health.model.empty()) return r.host;
    return r.health.model;
}

bool starts_with_word(const std::string &text, const std::string &word) {
    if (word.empty() || text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

const char *state_words(const SupplyHealth &s) {
    if (s.receptacle && s.state == SupplyState::Empty) return "full";
    if (s.receptacle && s.state == SupplyState::Low) return "nearly full";
    return supply_state_name(s.state);
}

// One line per supply and tray (-vv over a sweep, -v for one printer).
std::vector<std::string> detail_lines(const CheckResult &r, const HealthRules &rules, const std::string &indent) {
    std::vector<std::string> lines;
    const PrinterHealth &h = r.health;
    std::string id = h.vendor.empty() || starts_with_word(h.model, h.vendor) ? h.model : h.vendor + " " + h.model;
    if (!h.serial.empty()) id += ", serial " + h.serial;
    if (h.pageCount) id += ", " + std::to_string(*h.pageCount) + " pages";
    if (!id.empty()) lines.push_back(indent + id);
    for (const SupplyHealth *s : judged_supplies(r, rules)) {
        std::string line = indent + s->displayName + ": " + state_words(*s);
        if (s->percent) line += ", " + perfdata_number(*s->percent) + (s->receptacle ? "% room left" : "% left");
        if (s->level) line += " (level " + std::to_string(*s->level);
        if (s->level && s->capacity) line += " of " + std::to_string(*s->capacity);
        if (s->level) line += ")";
        lines.push_back(line);
    }
    for (const TrayHealth &t : h.trays) {
        if (excluded(rules, t)) continue;
        std::string line = indent + t.displayName + ": " + (t.missing ? "missing" : t.empty ? "empty" : "loaded");
        if (t.manualFeed) line += " (manual feed)";
        lines.push_back(line);
    }
    return lines;
}

std::string range_text(const ThresholdRange &r) { return r.text; }

// The performance data of one printer; prefix names it over a sweep.
std::vector<std::string> printer_perfdata(const CheckResult &r, const HealthRules &rules, const std::string &prefix) {
    std::vector<std::string> out;
    for (const SupplyHealth *s : judged_supplies(r, rules))
        if (s->percent)
            out.push_back(perfdata_label(prefix + s->displayName) + "=" + perfdata_number(*s->percent) + "%;" +
                          range_text(rules.warning) + ";" + range_text(rules.critical) + ";0;100");
    if (r.health.pageCount) out.push_back(perfdata_label(prefix + "pages") + "=" + std::to_string(*r.health.pageCount) + "c;;;0;");
    return out;
}

std::string single_output(const CheckResult &r, const CheckFormat &f) {
    const HealthRules &rules = rules_of(f);
    std::string out = "PRINTER " + std::string(health_state_name(r.verdict.state)) + " - " +
                      plugin_text(printer_summary(r, rules));
    if (f.perfdata != PerfdataMode::None) {
        const std::vector<std::string> perf = printer_perfdata(r, rules, "");
        if (!perf.empty()) out += " | " + join(perf, " ");
    }
    out += "\n";
    if (f.verbose > 0) {
        for (const HealthReason &reason : r.verdict.reasons)
            out += plugin_text(std::string(health_state_name(reason.state)) + ": " + reason.text) + "\n";
        for (const std::string &line : detail_lines(r, rules, "")) out += plugin_text(line) + "\n";
    }
    return out;
}

std::vector<const CheckResult *> worst_first(const std::vector<CheckResult> &results) {
    std::vector<const CheckResult *> order;
    for (HealthState s : WORST_FIRST)
        for (const CheckResult &r : results)
            if (r.verdict.state == s) order.push_back(&r);
    return order;
}

std::string sweep_output(const std::vector<CheckResult> &results, const CheckFormat &f) {
    const HealthRules &rules = rules_of(f);
    const std::size_t n = results.size();
    std::string line = "PRINTER " + std::string(health_state_name(overall_state(results))) + " - " +
                       std::to_string(n) + " printers:";
    std::vector<std::string> counts;
    for (HealthState s : {HealthState::Ok, HealthState::Warning, HealthState::Critical, HealthState::Unknown}) {
        const auto k = std::count_if(results.begin(), results.end(), [s](const CheckResult &r) { return r.verdict.state == s; });
        line += std::string(s == HealthState::Ok ? " " : ", ") + std::to_string(k) + " " + health_state_name(s);
        counts.push_back(perfdata_label(std::string("printers ") + health_state_name(s)) + "=" + std::to_string(k) +
                         ";;;0;" + std::to_string(n));
    }
    if (f.perfdata != PerfdataMode::None) line += " | " + join(counts, " ");
    std::string out = line + "\n";
    std::vector<std::string> longLines;
    for (const CheckResult *r : worst_first(results)) {
        if (r->verdict.state == HealthState::Ok && f.verbose == 0) continue;
        std::string summary = printer_summary(*r, rules);
        // The host leads the line already.
        if (summary.compare(0, r->host.size() + 2, r->host + ": ") == 0) summary.erase(0, r->host.size() + 2);
        longLines.push_back(plugin_text(r->host + " " + health_state_name(r->verdict.state) + " - " + summary));
        if (f.verbose > 1)
            for (const std::string &detail : detail_lines(*r, rules, "  ")) longLines.push_back(plugin_text(detail));
    }
    std::vector<std::string> perfLines;
    if (f.perfdata == PerfdataMode::All)
        for (const CheckResult &r : results) {
            const std::vector<std::string> perf = printer_perfdata(r, rules, r.host + ":");
            if (!perf.empty()) perfLines.push_back(join(perf, " "));
        }
    // Performance data after the long output begins after a '|' on its last line.
    for (std::size_t i = 0; i < longLines.size(); ++i) {
        out += longLines[i];
        if (i + 1 == longLines.size() && !perfLines.empty()) out += " | " + perfLines.front();
        out += "\n";
    }
    for (std::size_t i = 0; i < perfLines.size(); ++i) {
        if (i == 0 && !longLines.empty()) continue;
        out += (i == 0 ? "| " : "") + perfLines[i] + "\n";
    }
    return out;
}

}  // namespace

HealthState overall_state(const std::vector<CheckResult> &results) {
    if (results.empty()) return HealthState::Unknown;
    HealthState state = HealthState::Ok;
    for (const CheckResult &r : results) state = worse(state, r.verdict.state);
    return state;
}

std::string printer_summary(const CheckResult &r, const HealthRules &rules) {
    std::vector<std::string> alerting, notes;
    for (const HealthReason &reason : r.verdict.reasons)
        (reason.state == HealthState::Ok ? notes : alerting).push_back(reason.text);
    // Commas between the parts: Nagios turns a semicolon of the status line
    // into a colon.
    std::string text = name_of(r) + ": ";
    if (!alerting.empty()) return text + join(alerting, ", ");
    if (r.health.reachability != Reachability::Answered || !r.health.reportsState()) return text + join(notes, ", ");
    text += supplies_summary(r, rules);
    if (!notes.empty()) text += ", " + join(notes, ", ");
    return text;
}

std::string perfdata_label(std::string_view label) {
    std::string out = "'";
    for (char c : plugin_text(label)) {
        if (c == '\'') out += "''";
        else if (c == '=') out += '_';
        else out += c;
    }
    return out + "'";
}

std::string plugin_text(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '|') out += '/';
        else if (u < 0x20 || u == 0x7f) out += ' ';
        else out += c;
    }
    return out;
}

std::string perfdata_number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string check_output(const std::vector<CheckResult> &results, const CheckFormat &format) {
    if (results.size() == 1) return single_output(results.front(), format);
    return sweep_output(results, format);
}
