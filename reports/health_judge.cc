// The judgement of a printer's health: thresholds in the Monitoring Plugins'
// range syntax, the rules an administrator sets, and the one function that
// turns a PrinterHealth into a state and its reasons.
#include "reports/health.h"

#include <strings.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

// prtAlertSeverityLevel and prtAlertGroup values the rules look at.
constexpr std::int64_t SEVERITY_CRITICAL = 3, SEVERITY_WARNING = 4;
constexpr std::int64_t GROUP_INPUT = 8, GROUP_MARKER_SUPPLIES = 11;

// Alert codes that report an event or a passing state, not a problem: a
// printer may list them as warnings while nothing is wrong.
constexpr std::int64_t EVENT_CODES[] = {
    4,    // coverClosed
    6,    // interlockClosed
    7,    // configurationChange
    19,   // subunitClosed
    20,   // subunitTurnedOn
    23,   // subunitPowerSaver
    24,   // subunitWarmingUp
    25,   // subunitAdded
    27,   // subunitResourceAdded
    502,  // doorClosed
    503,  // powerUp
    505,  // printerNMSReset
    506,  // printerManualReset
    507,  // printerReadyToPrint
    802, 803, 804, 805, 806,  // inputMedia{Size,Weight,Type,Color,FormParts}Change
    1005,  // markerAdjustingPrintQuality
};

// Tray alerts that only say the tray is empty or low (or asks to be fed):
// nothing to say about a manual feed.
constexpr std::int64_t TRAY_SUPPLY_CODES[] = {807, 808, 810};

template <std::size_t N>
bool listed(const std::int64_t (&codes)[N], std::optional<std::int64_t> code) {
    if (!code) return false;
    for (std::int64_t c : codes)
        if (c == *code) return true;
    return false;
}

// Percent with at most one decimal, the way a panel shows it.
std::string percent_text(double value) {
    const double tenths = std::round(value * 10) / 10;
    if (tenths == std::floor(tenths)) return std::to_string(static_cast<long long>(tenths)) + "%";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", tenths);
    return text;
}

std::string number_text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

bool parse_number(std::string_view text, double &value) {
    if (text.empty()) return false;
    const std::string s(text);
    char *end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(value);
}

void add(HealthVerdict &v, HealthState state, std::string text) {
    v.state = worse(v.state, state);
    v.reasons.push_back({state, std::move(text)});
}

std::string level_words(const SupplyHealth &s) {
    switch (s.state) {
    case SupplyState::NoRestriction: return s.displayName + ": no restriction on its level";
    case SupplyState::Unknown:
        if (s.level && *s.level < -3) return s.displayName + ": level " + std::to_string(*s.level) + " has no meaning";
        if (s.level && *s.level >= 0)
            return s.displayName + ": level " + std::to_string(*s.level) + " of an unknown capacity";
        return s.displayName + ": level unknown";
    case SupplyState::SomeRemaining: return s.displayName + (s.receptacle ? ": some space left" : ": some remaining");
    default: break;
    }
    if (!s.percent) return s.displayName + (s.receptacle ? " full" : " empty");
    if (s.receptacle) return s.displayName + " " + percent_text(100 - *s.percent) + " full";
    return s.displayName + " " + percent_text(*s.percent);
}

bool supply_excluded_by_index(const PrinterHealth &h, const HealthRules &rules, std::int64_t index) {
    for (const SupplyHealth &s : h.supplies)
        if (s.index == index) return excluded(rules, s);
    return false;
}

const TrayHealth *tray_at(const PrinterHealth &h, std::int64_t index) {
    for (const TrayHealth &t : h.trays)
        if (t.index == index) return &t;
    return nullptr;
}

// An alert about a supply or tray the rules leave out, or about a manual feed
// being empty, says nothing the rules want to hear.
bool alert_left_out(const PrinterHealth &h, const HealthRules &rules, const AlertHealth &a) {
    if (!a.groupIndex) return false;
    if (a.group == GROUP_MARKER_SUPPLIES) return supply_excluded_by_index(h, rules, *a.groupIndex);
    if (a.group != GROUP_INPUT) return false;
    const TrayHealth *tray = tray_at(h, *a.groupIndex);
    return tray && (excluded(rules, *tray) || (tray->manualFeed && listed(TRAY_SUPPLY_CODES, a.code)));
}

std::string alert_text(const AlertHealth &a) {
    std::string text = "alert";
    if (a.severity) {
        const char *severity = alert_severity_name(*a.severity);
        text += " " + (severity ? std::string(severity) : std::to_string(*a.severity));
    }
    const std::string description = clean_description(a.description.value_or(""));
    std::string code;
    if (a.code) {
        const char *name = alert_code_name(*a.code);
        code = name ? std::string(name) : "code " + std::to_string(*a.code);
    }
    if (description.empty()) return code.empty() ? text : text + ": " + code;
    return text + ": " + description + (code.empty() ? "" : " (" + code + ")");
}

void judge_alerts(const PrinterHealth &h, const HealthRules &rules, HealthVerdict &v) {
    for (const AlertHealth &a : h.alerts) {
        if (alert_left_out(h, rules, a)) continue;
        HealthState state = HealthState::Ok;
        if (a.severity == SEVERITY_CRITICAL) state = rules.criticalAlert;
        else if (a.severity == SEVERITY_WARNING && !listed(EVENT_CODES, a.code)) state = rules.warningAlert;
        add(v, state, alert_text(a));
    }
}

void judge_supplies(const PrinterHealth &h, const HealthRules &rules, HealthVerdict &v) {
    for (const SupplyHealth &s : h.supplies) {
        if (excluded(rules, s)) continue;
        std::string reason;
        const HealthState state = judge_supply(rules, s, &reason);
        if (!reason.empty()) add(v, state, reason);
    }
}

void judge_trays_and_covers(const PrinterHealth &h, const HealthRules &rules, HealthVerdict &v) {
    for (const TrayHealth &t : h.trays) {
        if (excluded(rules, t)) continue;
        if (t.missing) add(v, rules.missingTray, t.displayName + " missing");
        else if (t.empty && !t.manualFeed) add(v, rules.emptyTray, t.displayName + " empty");
    }
    for (const CoverHealth &c : h.covers)
        if (c.open) add(v, rules.openCover, c.displayName + " open");
}

// Reachability and what ended the reports: the state of a printer that could
// not be asked, or none when the rest of the judgement applies.
std::optional<HealthVerdict> judge_reach(const PrinterHealth &h, const HealthRules &rules) {
    HealthVerdict v;
    switch (h.reachability) {
    case Reachability::Silent: add(v, rules.silent, "no answer"); return v;
    case Reachability::Refused:
        add(v, rules.refused, h.failure.empty() ? "refused" : "refused: " + h.failure);
        return v;
    case Reachability::Answered: break;
    }
    if (!h.reportsState()) {
        add(v, rules.notAPrinter, h.failure.empty() ? "reports no printer state" : h.failure);
        return v;
    }
    return std::nullopt;
}

}  // namespace

const char *health_state_name(HealthState s) {
    switch (s) {
    case HealthState::Ok: return "OK";
    case HealthState::Warning: return "WARNING";
    case HealthState::Critical: return "CRITICAL";
    case HealthState::Unknown: return "UNKNOWN";
    }
    return "";
}

std::optional<HealthState> health_state_named(std::string_view name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (HealthState s : {HealthState::Ok, HealthState::Warning, HealthState::Critical, HealthState::Unknown})
        if (upper == health_state_name(s)) return s;
    return std::nullopt;
}

HealthState worse(HealthState a, HealthState b) {
    for (HealthState s : {HealthState::Critical, HealthState::Warning, HealthState::Unknown})
        if (a == s || b == s) return s;
    return HealthState::Ok;
}

bool ThresholdRange::alerts(double value) const {
    const bool outside = (!startInfinite && value < start) || (!endInfinite && value > end);
    return alertInside ? !outside : outside;
}

std::optional<ThresholdRange> parse_range(std::string_view text, std::string *error) {
    auto fail = [error](const char *why) -> std::optional<ThresholdRange> {
        if (error) *error = why;
        return std::nullopt;
    };
    ThresholdRange r;
    r.text = std::string(text);
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '@') {
        r.alertInside = true;
        rest.remove_prefix(1);
    }
    if (rest.empty()) return fail("empty range");
    const std::size_t colon = rest.find(':');
    std::string_view low = colon == std::string_view::npos ? std::string_view("0") : rest.substr(0, colon);
    std::string_view high = colon == std::string_view::npos ? rest : rest.substr(colon + 1);
    if (low == "~") {
        r.startInfinite = true;
    } else if (!parse_number(low.empty() ? std::string_view("0") : low, r.start)) {
        return fail("the start is not a number");
    }
    if (high.empty() && colon != std::string_view::npos) {
        r.endInfinite = true;
    } else if (!parse_number(high, r.end)) {
        return fail("the end is not a number");
    } else {
        r.endInfinite = false;
    }
    if (!r.startInfinite && !r.endInfinite && r.start > r.end) return fail("the start is above the end");
    return r;
}

std::string describe_range(const ThresholdRange &r) {
    const std::string low = number_text(r.start) + "%", high = number_text(r.end) + "%";
    if (r.alertInside) {
        if (r.startInfinite && r.endInfinite) return "always";
        if (r.startInfinite) return "at or below " + high;
        if (r.endInfinite) return "at or above " + low;
        return "within " + number_text(r.start) + "-" + high;
    }
    if (r.startInfinite && r.endInfinite) return "never";
    if (r.startInfinite) return "above " + high;
    if (r.endInfinite) return "below " + low;
    return "outside " + number_text(r.start) + "-" + high;
}

std::array<HealthState, DETECTED_ERROR_COUNT> HealthRules::default_detected_error_states() {
    std::array<HealthState, DETECTED_ERROR_COUNT> states;
    states.fill(HealthState::Warning);
    for (DetectedError e : {DetectedError::doorOpen, DetectedError::jammed, DetectedError::noToner,
                            DetectedError::offline})
        states[static_cast<std::size_t>(e)] = HealthState::Critical;
    return states;
}

namespace {

bool type_excluded(const HealthRules &rules, const char *typeName) {
    if (!typeName) return false;
    for (const std::string &t : rules.excludedTypes)
        if (strcasecmp(t.c_str(), typeName) == 0) return true;
    return false;
}

bool pattern_excluded(const HealthRules &rules, std::initializer_list<const std::optional<std::string> *> texts) {
    for (const std::regex &pattern : rules.excludedPatterns)
        for (const std::optional<std::string> *text : texts)
            if (*text && std::regex_search(**text, pattern)) return true;
    return false;
}

}  // namespace

bool excluded(const HealthRules &rules, const SupplyHealth &s) {
    return (s.type && type_excluded(rules, supply_type_name(*s.type))) || pattern_excluded(rules, {&s.description});
}

bool excluded(const HealthRules &rules, const TrayHealth &t) {
    return (t.type && type_excluded(rules, tray_type_name(*t.type))) ||
           pattern_excluded(rules, {&t.name, &t.description});
}

HealthState judge_supply(const HealthRules &rules, const SupplyHealth &s, std::string *reason) {
    HealthState state = HealthState::Ok;
    std::string text;
    switch (s.state) {
    case SupplyState::NoRestriction:
    case SupplyState::Unknown: text = level_words(s); break;
    case SupplyState::SomeRemaining:
        state = rules.someRemaining;
        if (state != HealthState::Ok) text = level_words(s);
        break;
    default: {
        // Thresholds are percentages of the capacity: a level without a
        // capacity (0 of an unknown amount) is named, not judged. A printer
        // out of toner says so with its noToner bit.
        if (!s.percent) {
            text = s.displayName + ": level " + std::to_string(s.level.value_or(0)) + " of an unknown capacity";
            break;
        }
        const double left = *s.percent;
        const char *side = s.receptacle ? " space left" : "";
        if (rules.critical.alerts(left)) {
            state = HealthState::Critical;
            text = level_words(s) + " (critical " + describe_range(rules.critical) + side + ")";
        } else if (rules.warning.alerts(left)) {
            state = HealthState::Warning;
            text = level_words(s) + " (warning " + describe_range(rules.warning) + side + ")";
        }
    }
    }
    if (reason) *reason = text;
    return state;
}

HealthVerdict judge_health(const PrinterHealth &h, const HealthRules &rules) {
    if (std::optional<HealthVerdict> unreachable = judge_reach(h, rules)) return *unreachable;
    HealthVerdict v;
    if (h.detectedErrors)
        for (DetectedError e : h.detectedErrors->list())
            add(v, rules.detectedError[static_cast<std::size_t>(e)],
                std::string("printer reports ") + detected_error_name(e));
    judge_alerts(h, rules, v);
    judge_trays_and_covers(h, rules, v);
    judge_supplies(h, rules, v);
    // Reports that ended early leave the state partly unknown.
    if (!h.failure.empty()) add(v, HealthState::Unknown, h.failure);
    return v;
}
