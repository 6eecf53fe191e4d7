// The judgement of whole printers by the default rules and by changed ones:
// one table of readings, the state expected and the reasons, word for word.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "reports/health.h"
#include "tests/reports/health_readings.h"

namespace {

using O = OptionalNumber;

SupplyReading supply(std::int64_t index, O type, O capacity, O level, const char *description, O cls = 3) {
    return supply_reading(cls, type, capacity, level, description, std::nullopt, index);
}

TrayReading tray(std::int64_t index, O type, O level, const char *name) {
    TrayReading t;
    t.index = index;
    t.type = type;
    t.capacity = 250;
    t.level = level;
    t.name = name;
    return t;
}

AlertReading alert(O severity, O group, O groupIndex, O code, const char *description) {
    AlertReading a;
    a.severity = severity;
    a.group = group;
    a.groupIndex = groupIndex;
    a.code = code;
    a.description = description;
    return a;
}

// A printer that answers with a black toner at 60 % and nothing wrong.
HealthReadings healthy() {
    HealthReadings r;
    r.deviceStatus = 2;
    r.detectedErrorOctets = std::string(1, '\0');
    r.supplies = {supply(1, 3, 100, 60, "Black Toner")};
    return r;
}

struct JudgeCase {
    const char *name;
    std::function<void(HealthReadings &)> change;
    std::function<void(HealthRules &)> rules;
    HealthState state;
    std::vector<std::string> reasons;  // "STATE text"
};

std::vector<std::string> reasons_of(const HealthVerdict &v) {
    std::vector<std::string> out;
    for (const HealthReason &r : v.reasons) out.push_back(std::string(health_state_name(r.state)) + " " + r.text);
    return out;
}

const auto NO_CHANGE = [](HealthRules &) {};
using S = HealthState;

const JudgeCase CASES[] = {
    {"healthy", [](HealthReadings &) {}, NO_CHANGE, S::Ok, {}},
    {"silent", [](HealthReadings &r) { r = {}; r.reachability = Reachability::Silent; }, NO_CHANGE, S::Critical,
     {"CRITICAL no answer"}},
    {"silent, switched off at night", [](HealthReadings &r) { r.reachability = Reachability::Silent; },
     [](HealthRules &k) { k.silent = S::Ok; }, S::Ok, {"OK no answer"}},
    {"refused", [](HealthReadings &r) { r.reachability = Reachability::Refused; r.failure = "unknown user"; },
     NO_CHANGE, S::Unknown, {"UNKNOWN refused: unknown user"}},
    {"answers nothing about a printer", [](HealthReadings &r) { r = {}; }, NO_CHANGE, S::Unknown,
     {"UNKNOWN reports no printer state"}},
    {"-3 alone is fine", [](HealthReadings &r) { r.supplies[0].level = -3; }, NO_CHANGE, S::Ok, {}},
    {"-3 with lowToner warns",
     [](HealthReadings &r) { r.supplies[0].level = -3; r.detectedErrorOctets = "\x20"; }, NO_CHANGE, S::Warning,
     {"WARNING printer reports lowToner"}},
    {"-3 made a warning as some tools do", [](HealthReadings &r) { r.supplies[0].level = -3; },
     [](HealthRules &k) { k.someRemaining = S::Warning; }, S::Warning, {"WARNING black toner: some remaining"}},
    {"-2 and -1 say so without alerting",
     [](HealthReadings &r) {
         r.supplies.push_back(supply(2, 3, 100, -2, "Cyan Toner"));
         r.supplies.push_back(supply(3, 3, -1, -1, "Magenta Toner"));
     },
     NO_CHANGE, S::Ok, {"OK cyan toner: level unknown", "OK magenta toner: no restriction on its level"}},
    {"Brother: level 100 and lowToner", [](HealthReadings &r) { r.supplies[0].level = 100; r.detectedErrorOctets = "\x20"; },
     NO_CHANGE, S::Warning, {"WARNING printer reports lowToner"}},
    {"below the warning threshold", [](HealthReadings &r) { r.supplies[0].level = 12; }, NO_CHANGE, S::Warning,
     {"WARNING black toner 12% (warning below 20%)"}},
    {"below the critical threshold", [](HealthReadings &r) { r.supplies[0].level = 4; }, NO_CHANGE, S::Critical,
     {"CRITICAL black toner 4% (critical below 5%)"}},
    {"a level without a capacity is named, not judged",
     [](HealthReadings &r) { r.supplies[0].capacity = -2; r.supplies[0].level = 0; }, NO_CHANGE, S::Ok,
     {"OK black toner: level 0 of an unknown capacity"}},
    {"a filled receptacle without a capacity", [](HealthReadings &r) {
         r.supplies.push_back(supply(7, 4, -2, 100, "Waste Toner Box", std::nullopt));
     },
     NO_CHANGE, S::Ok, {"OK Waste Toner Box: level 100 of an unknown capacity"}},
    {"thresholds of one's own", [](HealthReadings &r) { r.supplies[0].level = 12; },
     [](HealthRules &k) { k.warning = *parse_range("10:"); k.critical = *parse_range("@0:2"); }, S::Ok, {}},
    {"waste box nearly full",
     [](HealthReadings &r) { r.supplies.push_back(supply(6, 8, 6700, 6030, "CANON Waste Ink Tank", std::nullopt)); },
     NO_CHANGE, S::Warning, {"WARNING CANON Waste Ink Tank 90% full (warning below 20% space left)"}},
    {"doorOpen, jammed, noToner and offline are critical", [](HealthReadings &r) { r.detectedErrorOctets = "\x1e"; },
     NO_CHANGE, S::Critical,
     {"CRITICAL printer reports noToner", "CRITICAL printer reports doorOpen", "CRITICAL printer reports jammed",
      "CRITICAL printer reports offline"}},
    {"noPaper and a two-octet bit warn", [](HealthReadings &r) { r.detectedErrorOctets = std::string("\x40\x02", 2); },
     NO_CHANGE, S::Warning, {"WARNING printer reports noPaper", "WARNING printer reports overduePreventMaint"}},
    {"a bit made critical", [](HealthReadings &r) { r.detectedErrorOctets = "\x40"; },
     [](HealthRules &k) { k.detectedError[static_cast<int>(DetectedError::noPaper)] = S::Critical; }, S::Critical,
     {"CRITICAL printer reports noPaper"}},
    {"alerts by severity; events do not alert",
     [](HealthReadings &r) {
         r.alerts = {alert(3, 6, 1, 501, "FRONT DOOR OPEN"), alert(4, 11, 1, 1104, "TONER LOW"),
                     alert(4, 5, 1, 23, "Sleep mode"), alert(5, 5, 1, 503, "Power up")};
     },
     NO_CHANGE, S::Critical,
     {"CRITICAL alert critical: FRONT DOOR OPEN (doorOpen)", "WARNING alert warning: TONER LOW (markerTonerAlmostEmpty)",
      "OK alert warning: Sleep mode (subunitPowerSaver)", "OK alert warningBinaryChangeEvent: Power up (powerUp)"}},
    {"empty trays warn unless fed by hand",
     [](HealthReadings &r) {
         r.trays = {tray(1, 5, 0, "Tray 1"), tray(2, 3, 0, "Tray 2"), tray(3, std::nullopt, 0, "Bypass")};
         r.alerts = {alert(4, 8, 1, 808, "TRAY 1 EMPTY")};
     },
     NO_CHANGE, S::Warning, {"WARNING Tray 2 empty"}},
    {"a missing tray", [](HealthReadings &r) { r.trays = {tray(2, 3, 0, "Tray 2")}; r.alerts = {alert(4, 8, 2, 801, "")}; },
     NO_CHANGE, S::Warning, {"WARNING alert warning: inputMediaTrayMissing", "WARNING Tray 2 missing"}},
    {"an open cover",
     [](HealthReadings &r) {
         CoverReading c;
         c.index = 1;
         c.description = "Rear Door";
         c.status = 3;
         r.covers = {c};
     },
     NO_CHANGE, S::Warning, {"WARNING Rear Door open"}},
    {"a fuser left out by type, its alert with it",
     [](HealthReadings &r) {
         r.supplies.push_back(supply(2, 15, 100, 0, "Fuser"));
         r.alerts = {alert(4, 11, 2, 1104, "FUSER LOW")};
     },
     [](HealthRules &k) { k.excludedTypes = {"FUSER"}; }, S::Ok, {}},
    {"supplies and trays left out by a pattern",
     [](HealthReadings &r) {
         r.supplies.push_back(supply(2, 1, 100, 0, "Maintenance Kit"));
         r.trays = {tray(4, 3, 0, "Envelope Feeder")};
     },
     [](HealthRules &k) { k.excludedPatterns = {std::regex("maint|envelope", std::regex::icase)}; }, S::Ok, {}},
    {"reports that ended early", [](HealthReadings &r) { r.failure = "prowlet: p sent a value of the wrong type"; },
     NO_CHANGE, S::Unknown, {"UNKNOWN prowlet: p sent a value of the wrong type"}},
};

TEST(HealthJudge, Cases) {
    for (const JudgeCase &c : CASES) {
        HealthReadings r = healthy();
        c.change(r);
        HealthRules rules;
        c.rules(rules);
        const HealthVerdict v = judge_health(interpret_health(r), rules);
        EXPECT_STREQ(health_state_name(c.state), health_state_name(v.state)) << c.name;
        EXPECT_EQ(c.reasons, reasons_of(v)) << c.name;
    }
}

}  // namespace
