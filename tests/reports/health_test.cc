// The health model without any agent: the detected-error bits, supply
// percentages, states and colours, names, trays, threshold ranges and the
// judgement of whole printers, each as a table of cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/health.h"
#include "tests/reports/health_readings.h"

namespace {

using O = OptionalNumber;
const O NONE = std::nullopt;
template <class... Args>
SupplyReading supply(Args... args) {
    return supply_reading(args...);
}

std::string names(const DetectedErrors &e) {
    std::string out;
    for (DetectedError d : e.list()) out += std::string(out.empty() ? "" : ",") + detected_error_name(d);
    return out;
}

TEST(HealthModel, DetectedErrorBits) {
    const struct {
        std::string octets;
        const char *names;
    } cases[] = {
        {"", ""},
        {std::string(1, '\0'), ""},
        {"\x20", "lowToner"},
        {std::string("\x01\x00", 2), "serviceRequested"},
        {std::string("\x80\x00", 2), "lowPaper"},
        {std::string("\x00\x80", 2), "inputTrayMissing"},
        {std::string("\x00\x02", 2), "overduePreventMaint"},
        {std::string("\x00\x01", 2), ""},  // bit 15 is unassigned
        {std::string("\x18\x00\xff", 3), "noToner,doorOpen"},  // octets past the second are ignored
        {"\x06", "jammed,offline"},
        {"\xff\xff", "lowPaper,noPaper,lowToner,noToner,doorOpen,jammed,offline,serviceRequested,inputTrayMissing,"
                     "outputTrayMissing,markerSupplyMissing,outputNearFull,outputFull,inputTrayEmpty,"
                     "overduePreventMaint"},
    };
    for (const auto &c : cases) EXPECT_EQ(c.names, names(decode_detected_errors(c.octets))) << c.names;
    EXPECT_EQ(DetectedError::overduePreventMaint, detected_error_named("OVERDUEPREVENTMAINT"));
    EXPECT_FALSE(detected_error_named("lowInk"));
}

TEST(HealthModel, SupplyPercentAndState) {
    const struct {
        const char *name;
        SupplyReading reading;
        bool receptacle;
        std::optional<double> percent;
        SupplyState state;
    } cases[] = {
        {"consumed, in range", supply(3, 3, 100, 39), false, 39, SupplyState::Ok},
        {"exactly at the low mark", supply(3, 3, 100, 20), false, 20, SupplyState::Ok},
        {"below the low mark", supply(3, 3, 25000, 4000), false, 16, SupplyState::Low},
        {"nothing left", supply(3, 3, 100, 0), false, 0, SupplyState::Empty},
        {"above its capacity counts full", supply(3, 3, 100, 150), false, 100, SupplyState::Ok},
        {"-1 other: no restriction", supply(3, 3, 100, -1), false, std::nullopt, SupplyState::NoRestriction},
        {"-2 unknown", supply(3, 3, 100, -2), false, std::nullopt, SupplyState::Unknown},
        {"-3 some remaining", supply(3, 3, 100, -3), false, std::nullopt, SupplyState::SomeRemaining},
        {"a level the MIB does not define", supply(3, 3, 100, -100), false, std::nullopt, SupplyState::Unknown},
        {"no capacity, nothing left", supply(3, 3, -2, 0), false, std::nullopt, SupplyState::Empty},
        {"no capacity, some left", supply(3, 3, -2, 17), false, std::nullopt, SupplyState::SomeRemaining},
        {"capacity 0 gives no percent", supply(3, 3, 0, 5), false, std::nullopt, SupplyState::SomeRemaining},
        {"no level column", supply(3, 3, 100, NONE), false, std::nullopt, SupplyState::Unknown},
        {"waste box 90 % full", supply(4, 8, 6700, 6030), true, 10, SupplyState::Low},
        {"waste box empty has all its room", supply(4, 4, 100, 0), true, 100, SupplyState::Ok},
        {"waste box full", supply(4, 4, 100, 100), true, 0, SupplyState::Empty},
        {"waste type without a class", supply(NONE, 4, 100, 30), true, 70, SupplyState::Ok},
        {"class other, waste type", supply(1, 26, 100, 90), true, 10, SupplyState::Low},
        {"class says consumed, whatever the type", supply(3, 4, 100, 90), false, 90, SupplyState::Ok},
        {"waste in the description alone", supply(NONE, NONE, 100, 95, "Waste Toner Box"), true, 5,
         SupplyState::Low},
        {"receptacle without capacity, empty", supply(4, 4, -2, 0), true, std::nullopt, SupplyState::Ok},
        {"receptacle without capacity, filled", supply(4, 4, -2, 40), true, std::nullopt, SupplyState::Unknown},
        {"receptacle -3: some room left", supply(4, 4, -2, -3), true, std::nullopt, SupplyState::SomeRemaining},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.receptacle, is_receptacle(c.reading)) << c.name;
        EXPECT_EQ(c.percent, supply_percent(c.reading)) << c.name;
        EXPECT_STREQ(supply_state_name(c.state), supply_state_name(supply_state(c.reading))) << c.name;
    }
}

TEST(HealthModel, SupplyColours) {
    const std::map<std::int64_t, std::string> colorants = {{1, "cyan"}, {2, "  Magenta\n"}, {3, ""}};
    const struct {
        SupplyReading reading;
        const char *colour;
        ColourSource source;
    } cases[] = {
        {supply(3, 3, 1, 1, "Toner 1", 1), "cyan", ColourSource::Colorant},
        {supply(3, 3, 1, 1, "Black Toner", 2), "magenta", ColourSource::Colorant},  // the colorant table wins
        {supply(3, 3, 1, 1, "Yellow Toner", 3), "yellow", ColourSource::Description},  // empty colorant value
        {supply(3, 3, 1, 1, "Yellow Toner", 9), "yellow", ColourSource::Description},  // index without a row
        {supply(3, 3, 1, 1, "Toner (Magenta)", 0), "magenta", ColourSource::Description},
        {supply(3, 6, 1, 1, "CANON Matte Black Ink Tank"), "matte black", ColourSource::Description},
        {supply(3, 6, 1, 1, "CANON Black Ink Tank"), "black", ColourSource::Description},
        {supply(3, 5, 1, 1, "Light Cyan Ink"), "light cyan", ColourSource::Description},
        {supply(3, 5, 1, 1, "GREY INK"), "gray", ColourSource::Description},
        {supply(3, 21, 1, 1, "Black Cartridge \n38 32 37 41"), "black", ColourSource::Description},
        {supply(3, 9, 1, 1, "Drum Unit"), "", ColourSource::None},
        {supply(3, 1, 1, 1, "Redundant Roller"), "", ColourSource::None},  // "red" only as a whole word
        {supply(3, 1, 1, 1), "", ColourSource::None},
    };
    for (const auto &c : cases) {
        ColourSource source;
        EXPECT_EQ(c.colour, supply_colour(c.reading, colorants, &source)) << c.colour;
        EXPECT_EQ(c.source, source) << c.colour;
    }
}

TEST(HealthModel, NamesAreShortAndUnique) {
    HealthReadings r;
    r.supplies = {supply(3, 3, 1, 1, "Black Toner 1", NONE, 30), supply(3, 3, 1, 1, "Black Toner 2", NONE, 31),
                  supply(3, 21, 1, 1, "Black Cartridge \n38 32 37 41", NONE, 1),
                  supply(3, 9, 1, 1, "Black Drum 828A", NONE, 5), supply(3, NONE, 1, 1, "Toner (Cyan)", NONE, 6),
                  supply(3, 15, 1, 1, "Fuser Kit HP 110V", NONE, 10), supply(3, 1, 1, 1, nullptr, NONE, 7),
                  supply(3, 3, 1, 1, "   Very long description of a toner cartridge with its part number CF400X",
                         NONE, 8),
                  supply(3, NONE, 1, 1, "Yellow Toner, PN 006R01509;SN48178080E000", NONE, 9),
                  supply(3, 1, 1, 1, "Maintenance Kit S/N:CRUM-1", NONE, 11),
                  supply(3, 5, 1, 1, "Cyan", NONE, 12), supply(3, 5, 1, 1, "Cyan", NONE, 13)};
    const PrinterHealth h = interpret_health(r);
    const std::vector<std::string> want = {
        "Black Toner 1", "Black Toner 2", "black toner cartridge",   "black drum",
        "cyan toner",    "Fuser Kit HP 110V", "supply 7", "Very long description of a toner cartrid",
        "yellow toner",  "Maintenance Kit",   "cyan ink #12", "cyan ink #13"};
    ASSERT_EQ(want.size(), h.supplies.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(want[i], h.supplies[i].displayName);
}

TEST(HealthModel, Trays) {
    auto tray = [](std::int64_t index, O type, O level, const char *name) {
        TrayReading t;
        t.index = index;
        t.type = type;
        t.level = level;
        t.capacity = 500;
        if (name) t.name = name;
        return t;
    };
    HealthReadings r;
    r.trays = {tray(1, 5, 0, "Tray 1"),  tray(2, NONE, 0, "Bypass"), tray(3, NONE, 0, "MP"),
               tray(4, NONE, 0, "TRAY1"), tray(5, 4, 0, "Manual"),   tray(6, 3, -3, nullptr),
               tray(7, 3, 200, "Tray 7")};
    AlertReading missing;
    missing.group = 8;
    missing.groupIndex = 7;
    missing.code = 801;
    r.alerts = {missing};
    const PrinterHealth h = interpret_health(r);
    const struct {
        const char *name;
        bool manual, empty, missing;
    } want[] = {{"Tray 1", true, true, false}, {"Bypass", true, true, false}, {"MP", true, true, false},
                {"TRAY1", false, true, false},  {"Manual", false, true, false}, {"tray 6", false, false, false},
                {"Tray 7", false, false, true}};
    ASSERT_EQ(std::size(want), h.trays.size());
    for (std::size_t i = 0; i < h.trays.size(); ++i) {
        EXPECT_EQ(want[i].name, h.trays[i].displayName);
        EXPECT_EQ(want[i].manual, h.trays[i].manualFeed) << want[i].name;
        EXPECT_EQ(want[i].empty, h.trays[i].empty) << want[i].name;
        EXPECT_EQ(want[i].missing, h.trays[i].missing) << want[i].name;
    }
}

TEST(HealthRanges, ParseAndAlert) {
    const struct {
        const char *text;
        bool valid;
        std::vector<double> alerting, quiet;
        const char *described;
    } cases[] = {
        {"20:", true, {19.9, 0, -1}, {20, 100}, "below 20%"},
        {"10", true, {-1, 10.5}, {0, 10}, "outside 0-10%"},
        {"~:10", true, {10.1}, {-100, 10}, "above 10%"},
        {"10:20", true, {9, 21}, {10, 15, 20}, "outside 10-20%"},
        {"@10:20", true, {10, 15, 20}, {9.9, 20.1}, "within 10-20%"},
        {":5", true, {-1, 6}, {0, 5}, "outside 0-5%"},
        {"2.5:", true, {2.4}, {2.5}, "below 2.5%"},
        {"~:", true, {}, {-1e9, 1e9}, "never"},
        {"", false, {}, {}, ""},
        {"@", false, {}, {}, ""},
        {"abc", false, {}, {}, ""},
        {"20:10", false, {}, {}, ""},
        {"5:x", false, {}, {}, ""},
        {"nan:", false, {}, {}, ""},
    };
    for (const auto &c : cases) {
        std::string error;
        const std::optional<ThresholdRange> r = parse_range(c.text, &error);
        ASSERT_EQ(c.valid, r.has_value()) << c.text;
        if (!r) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        for (double v : c.alerting) EXPECT_TRUE(r->alerts(v)) << c.text << " " << v;
        for (double v : c.quiet) EXPECT_FALSE(r->alerts(v)) << c.text << " " << v;
        EXPECT_EQ(c.described, describe_range(*r)) << c.text;
    }
}

TEST(HealthRanges, WorseState) {
    using S = HealthState;
    const struct {
        S a, b, worst;
    } cases[] = {{S::Ok, S::Ok, S::Ok},           {S::Ok, S::Unknown, S::Unknown},
                 {S::Unknown, S::Warning, S::Warning}, {S::Warning, S::Critical, S::Critical},
                 {S::Critical, S::Unknown, S::Critical}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.worst, worse(c.a, c.b));
        EXPECT_EQ(c.worst, worse(c.b, c.a));
    }
    EXPECT_EQ(S::Warning, health_state_named("warning"));
    EXPECT_FALSE(health_state_named("fine"));
}

}  // namespace
