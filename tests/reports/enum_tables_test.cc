// The Printer MIB name tables against IANA's list of the current Printer MIB
// values (../shared/printer-mib/enums.tsv): every value an enumeration defines
// is named with its label (interpreter languages and channel types without
// their "lang" and "ch" prefixes), except the names printed before the current
// MIB, which stay as they were; nothing else is named.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <cstdint>

#include "reports/enums.h"

namespace {

using Labels = std::map<std::int64_t, std::string>;

// TC name -> value -> label, from the tab-separated list (header line first).
std::map<std::string, Labels> read_enums(const std::string &path) {
    std::map<std::string, Labels> enums;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tc, number, label;
        if (std::getline(fields, tc, '\t') && std::getline(fields, number, '\t') && std::getline(fields, label, '\t'))
            enums[tc][std::stoll(number)] = label;
    }
    return enums;
}

struct TableCase {
    const char *name;
    NameTable table;
    const char *tc;
    const char *prefix;  // stripped from the labels
    // Names that differ from the current MIB (or that it no longer defines).
    std::map<std::int64_t, std::string> kept;
};

const TableCase CASES[] = {
    {"MARKTECH", MARKTECH, "PrtMarkerMarkTechTC", "", {}},
    {"MARKERCOUNTERUNIT", MARKERCOUNTERUNIT, "PrtMarkerCounterUnitTC", "", {}},
    {"MEDIAUNIT", MEDIAUNIT, "PrtMediaUnitTC", "", {}},
    {"MEDIAUNIT as addressability unit", MEDIAUNIT, "PrtMarkerAddressabilityUnitTC", "", {}},
    {"MEDIASPEEDUNIT", MEDIASPEEDUNIT, "PrtMediaPathMaxSpeedPrintUnitTC", "", {}},
    {"MEDIATYPE", MEDIATYPE, "PrtMediaPathTypeTC", "", {}},
    {"INPUTTYPE", INPUTTYPE, "PrtInputTypeTC", "", {}},
    {"CAPACITYUNIT", CAPACITYUNIT, "PrtCapacityUnitTC", "", {}},
    {"LANGUAGES", LANGUAGES, "PrtInterpreterLangFamilyTC", "lang", {{7, "IDPS"}, {19, "TEK401"}}},
    {"ORIENTATIONS", ORIENTATIONS, "PrtPrintOrientationTC", "", {}},
    {"TWOWAY", TWOWAY, "PrtInterpreterTwoWayTC", "", {{3, "Y"}, {4, "N"}}},
    {"CHANNELTYPE", CHANNELTYPE, "PrtChannelTypeTC", "ch", {{11, "Port9100(depricated)"}, {28, "PSM"}}},
    {"CHANNELSTATE", CHANNELSTATE, "PrtChannelStateTC", "", {}},
    {"COVERSTATUS", COVERSTATUS, "PrtCoverStatusTC", "", {{3, "doorOpen"}, {4, "doorClosed"}}},
    {"MARKERSUPPLIESCLASS", MARKERSUPPLIESCLASS, "PrtMarkerSuppliesClassTC", "", {}},
    {"MARKERSUPPLIESTYPE", MARKERSUPPLIESTYPE, "PrtMarkerSuppliesTypeTC", "", {}},
    {"MARKERSUPPLIESUNIT", MARKERSUPPLIESUNIT, "PrtMarkerSuppliesSupplyUnitTC", "", {}},
    {"PRTALERTSEVERITYLEVEL", PRTALERTSEVERITYLEVEL, "PrtAlertSeverityLevelTC", "", {}},
    {"PRTALERTTRAININGLEVEL", PRTALERTTRAININGLEVEL, "PrtAlertTrainingLevelTC", "", {}},
    {"PRTALERTGROUP", PRTALERTGROUP, "PrtAlertGroupTC", "", {}},
    {"PRTALERTCODE", PRTALERTCODE, "PrtAlertCodeTC", "",
     {{8, "jammed"}, {1508, "interpreterComplexPageEncountered"}}},
    {"HRSTATUSSTATES", HRSTATUSSTATES, "hrPrinterStatus", "", {}},
};

std::string without_prefix(const std::string &label, const std::string &prefix) {
    return !prefix.empty() && label.rfind(prefix, 0) == 0 ? label.substr(prefix.size()) : label;
}

TEST(EnumTables, NameEveryValueOfTheCurrentPrinterMib) {
    const std::string path = std::string(PROWLET_SOURCE_DIR) + "/../shared/printer-mib/enums.tsv";
    const std::map<std::string, Labels> enums = read_enums(path);
    if (enums.empty()) GTEST_SKIP() << path << " is absent";
    for (const TableCase &c : CASES) {
        SCOPED_TRACE(c.name);
        auto found = enums.find(c.tc);
        ASSERT_NE(found, enums.end()) << c.tc;
        Labels expected = c.kept;
        for (const auto &[value, label] : found->second)
            expected.try_emplace(value, without_prefix(label, c.prefix));
        Labels named;
        std::int64_t previous = INT64_MIN;
        for (const EnumName &e : c.table) {
            EXPECT_LT(previous, e.value) << "not in increasing order";
            previous = e.value;
            named[e.value] = e.name;
        }
        EXPECT_EQ(expected, named);
    }
}

}  // namespace
