// Printer MIB reports without a printer: name tables, the per-group output
// for given rows, the summaries, paper sizes, alert codes and times.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "reports/alerts.h"
#include "reports/classic.h"
#include "reports/console.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/inputtrays.h"
#include "reports/interpreters.h"
#include "reports/markers.h"
#include "reports/mediapaths.h"
#include "reports/output.h"
#include "reports/supplies.h"
#include "tests/support/capture_output.h"
#include "tests/support/emit_output.h"

namespace {

// A report's pieces, and what it warned meanwhile.
struct Capture {
    std::vector<CapturedPiece> pieces;
    std::string err;
    std::vector<std::string> rows;
};

// The report run as the printer host.
template <class F>
Capture capture(const char *host, F &&report) {
    CaptureOutput c(host);
    report(c);
    return {c.pieces, c.err, c.rows};
}

CapturedPiece line(std::string t) { return {false, std::move(t)}; }
CapturedPiece frag(std::string t) { return {true, std::move(t)}; }

// ---------------------------------------------------------------------------
// Name tables: the valid set of every table is exactly its named values.

struct TableCase {
    const char *name;
    NameTable table;
    std::size_t highest;
    std::vector<std::pair<int, const char *>> named;
};

std::vector<TableCase> table_cases() {
    return {
        {"MARKTECH", MARKTECH, 27,
         {{1, "other"}, {2, "unknown"}, {3, "electrophotographicLED"},
          {4, "electrophotographicLaser"}, {5, "electrophotographicOther"},
          {6, "impactMovingHeadDotMatrix9pin"}, {7, "impactMovingHeadDotMatrix24pin"},
          {8, "impactMovingHeadDotMatrixOther"}, {9, "impactMovingHeadFullyFormed"},
          {10, "impactBand"}, {11, "impactOther"}, {12, "inkjetAqueous"}, {13, "inkjetSolid"},
          {14, "inkjetOther"}, {15, "pen"}, {16, "thermalTransfer"}, {17, "thermalSensitive"},
          {18, "thermalDiffusion"}, {19, "thermalOther"}, {20, "electroerosion"},
          {21, "electrostatic"}, {22, "photographicMicrofiche"}, {23, "photographicImagesetter"},
          {24, "photographicOther"}, {25, "ionDeposition"}, {26, "eBeam"}, {27, "typesetter"}}},
        {"MARKERCOUNTERUNIT", MARKERCOUNTERUNIT, 17,
         {{3, "tenThousandthsOfInches"}, {4, "micrometers"}, {5, "characters"}, {6, "lines"},
          {7, "impressions"}, {8, "sheets"}, {9, "dotRow"}, {11, "hours"}, {16, "feet"},
          {17, "meters"}}},
        {"MEDIAUNIT", MEDIAUNIT, 4, {{3, "tenThousandthsOfInches"}, {4, "micrometers"}}},
        {"MEDIASPEEDUNIT", MEDIASPEEDUNIT, 17,
         {{3, "tenThousandthsOfInchesPerHour"}, {4, "micrometersPerHour"},
          {5, "charactersPerHour"}, {6, "linesPerHour"}, {7, "impressionsPerHour"},
          {8, "sheetsPerHour"}, {9, "dotRowPerHour"}, {16, "feetPerHour"},
          {17, "metersPerHour"}}},
        {"MEDIATYPE", MEDIATYPE, 5,
         {{1, "other"}, {2, "unknown"}, {3, "longEdgeBindingDuplex"},
          {4, "shortEdgeBindingDuplex"}, {5, "simplex"}}},
        {"INPUTTYPE", INPUTTYPE, 7,
         {{1, "other"}, {2, "unknown"}, {3, "sheetFeedAutoRemovableTray"},
          {4, "sheetFeedAutoNonRemovableTray"}, {5, "sheetFeedManual"}, {6, "continuousRoll"},
          {7, "continuousFanFold"}}},
        {"CAPACITYUNIT", CAPACITYUNIT, 17,
         {{3, "tenThousandthsOfInches"}, {4, "micrometers"}, {8, "sheets"}, {16, "feet"},
          {17, "meters"}}},
        {"LANGUAGES", LANGUAGES, 47,
         {{1, "other"},       {3, "PCL"},         {4, "HPGL"},       {5, "PJL"},
          {6, "PS"},          {7, "IDPS"},        {8, "PPDS"},       {9, "EscapeP"},
          {10, "Epson"},      {11, "DDIF"},       {12, "Interpress"}, {13, "ISO6429"},
          {14, "LineData"},   {15, "MODCA"},      {16, "REGIS"},     {17, "SCS"},
          {18, "SPDL"},       {19, "TEK401"},     {20, "PDS"},       {21, "IGP"},
          {22, "CodeV"},      {23, "DSCDSE"},     {24, "WPS"},       {25, "LN03"},
          {26, "CCITT"},      {27, "QUIC"},       {28, "CPAP"},      {29, "DecPPL"},
          {30, "SimpleText"}, {31, "NPAP"},       {32, "DOC"},       {33, "imPress"},
          {34, "Pinwriter"},  {35, "NPDL"},       {36, "NEC201PL"},  {37, "Automatic"},
          {38, "Pages"},      {39, "LIPS"},       {40, "TIFF"},      {41, "Diagnostic"},
          {42, "PSPrinter"},  {43, "CaPSL"},      {44, "EXCL"},      {45, "LCDS"},
          {46, "XES"},        {47, "PCLXL"}}},
        {"ORIENTATIONS", ORIENTATIONS, 4, {{1, "other"}, {3, "portrait"}, {4, "landscape"}}},
        {"CHANNELTYPE", CHANNELTYPE, 43,
         {{1, "other"},          {3, "SerialPort"},
          {4, "ParallelPort"},   {5, "IEEE1284Port"},
          {6, "SCSIPort"},       {7, "AppleTalkPAP"},
          {8, "LPDServer"},      {9, "NetwareRPrinter"},
          {10, "NetwarePServer"}, {11, "Port9100(depricated)"},
          {12, "AppSocket"},     {13, "FTP"},
          {14, "TFTP"},          {15, "DLCLLCPort"},
          {16, "IBM3270"},       {17, "IBM5250"},
          {18, "Fax"},           {19, "IEEE1394"},
          {20, "Transport1"},    {21, "CPAP"},
          {26, "PCPrint"},       {27, "ServerMessageBlock"},
          {28, "PSM"},           {31, "SystemObjectManager"},
          {32, "DECLAT"},        {33, "NPAP"},
          {34, "USB"},           {35, "IRDA"},
          {36, "PrintXChange"},  {37, "PortTCP"},
          {38, "BidirPortTCP"},  {39, "UNPP"},
          {40, "AppleTalkADSP"}, {41, "PortSPX"},
          {42, "PortHTTP"},      {43, "NDPS"}}},
        {"CHANNELSTATE", CHANNELSTATE, 4,
         {{1, "other"}, {3, "printDataAccepted"}, {4, "noDataAccepted"}}},
        {"COVERSTATUS", COVERSTATUS, 6,
         {{1, "other"}, {3, "doorOpen"}, {4, "doorClosed"}, {5, "interlockOpen"},
          {6, "interlockClosed"}}},
        {"MARKERSUPPLIESCLASS", MARKERSUPPLIESCLASS, 4,
         {{1, "other"}, {3, "supplyThatIsConsumed"}, {4, "receptacleThatIsFilled"}}},
        {"MARKERSUPPLIESTYPE", MARKERSUPPLIESTYPE, 22,
         {{1, "other"},         {2, "unknown"},          {3, "toner"},
          {4, "wasteToner"},    {5, "ink"},              {6, "inkCartridge"},
          {7, "inkRibbon"},     {8, "wasteInk"},         {9, "opc"},
          {10, "developer"},    {11, "fuserOil"},        {12, "solidWax"},
          {13, "ribbonWax"},    {14, "wasteWax"},        {15, "fuser"},
          {16, "coronaWire"},   {17, "fuserOilWick"},    {18, "cleanerUnit"},
          {19, "fuserCleaningPad"}, {20, "transferUnit"}, {21, "tonerCartridge"},
          {22, "fuserOiler"}}},
        {"MARKERSUPPLIESUNIT", MARKERSUPPLIESUNIT, 17,
         {{3, "tenThousandthsOfInches"}, {4, "micrometers"}, {7, "impressions"}, {8, "sheets"},
          {11, "hours"}, {12, "thousandthsOfOunces"}, {13, "tenthsOfGrams"},
          {14, "hundrethsOfFluidOunces"}, {15, "tenthsOfMilliliters"}, {16, "feet"},
          {17, "meters"}}},
        {"PRTALERTSEVERITYLEVEL", PRTALERTSEVERITYLEVEL, 4,
         {{1, "other"}, {3, "critical"}, {4, "warning"}}},
        {"PRTALERTTRAININGLEVEL", PRTALERTTRAININGLEVEL, 6,
         {{1, "other"}, {2, "unknown"}, {3, "untrained"}, {4, "trained"}, {5, "fieldService"},
          {6, "management"}}},
        {"PRTALERTGROUP", PRTALERTGROUP, 17,
         {{1, "other"}, {3, "hostResourcesMIBStorageTable"}, {4, "hostResourcesMIBDeviceTable"},
          {5, "generalPrinter"}, {6, "cover"}, {7, "localization"}, {8, "input"}, {9, "output"},
          {10, "marker"}, {11, "markerSupplies"}, {12, "markerColorant"}, {13, "mediaPath"},
          {14, "channel"}, {15, "interpreter"}, {16, "consoleDisplayBuffer"},
          {17, "consoleLights"}}},
    };
}

// The values named before the current Printer MIB keep their names exactly
// (the complete sets are checked against IANA's list in enum_tables_test.cc).
TEST(NameTables, NamedValuesKeepTheirNames) {
    for (const TableCase &c : table_cases()) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.table.empty());
        EXPECT_LE(static_cast<std::int64_t>(c.highest), c.table.back().value);
        for (const auto &[value, name] : c.named) EXPECT_STREQ(name, table_name(c.table, value)) << "value " << value;
        for (std::int64_t v : {std::int64_t{-3}, std::int64_t{0}, std::int64_t{999}})
            EXPECT_EQ(nullptr, table_name(c.table, v)) << "value " << v;
        EXPECT_EQ(nullptr, table_name(c.table, std::numeric_limits<std::int64_t>::min()));
        EXPECT_EQ(nullptr, table_name(c.table, std::numeric_limits<std::int64_t>::max()));
        EXPECT_EQ(nullptr, table_name(c.table, std::int64_t{1} << 32));
    }
}

// A field value as classic output writes it.
std::string classic(const FieldValue &v) { return classic_text(Fields().add("k", v), false, false); }

TEST(NameTables, CheckedNameWarnsAndGivesTheNumber) {
    CaptureOutput printer1("printer1"), p2("p2");
    EXPECT_EQ("k=\"doorClosed\";", classic(checked_name(printer1, "prtCoverStatus", COVERSTATUS, 4)));
    EXPECT_EQ("", printer1.err);

    EXPECT_EQ("k=\"28\";", classic(checked_name(printer1, "prtMarkerMarkTech", MARKTECH, 28)));
    EXPECT_EQ("k=\"-1\";", classic(checked_name(p2, "prtCoverStatus", COVERSTATUS, -1)));
    EXPECT_EQ("Warning: printer1: prtMarkerMarkTech value 28 has no name; printing the number.\n", printer1.err);
    EXPECT_EQ("Warning: p2: prtCoverStatus value -1 has no name; printing the number.\n", p2.err);

    EXPECT_EQ("k=\"7\";", classic(name_or_number(COVERSTATUS, 7)));
    EXPECT_EQ("k=\"other\";", classic(name_or_number(COVERSTATUS, 1)));
}

// ---------------------------------------------------------------------------
// Line limit

std::string times(int n, const std::string &s) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct CutCase {
    const char *name;
    Fields fields;
    bool cut, endsLine;
    std::string text;
};

// Every cut line still parses: it ends after a whole escape sequence or
// character, and the value it cuts is closed.
std::vector<CutCase> cut_cases() {
    const std::string x506(506, 'x');
    return {
        {"ShortRecord", Fields().text("a", "abc"), true, true, "a=\"abc\";\n"},
        {"Exactly511", Fields().text("k", x506), true, false, "k=\"" + x506 + "\";"},
        {"LongFragment", Fields().text("k", std::string(600, 'y')), true, false,
         "k=\"" + std::string(506, 'y') + "\";"},
        {"LongRecord", Fields().text("k", std::string(700, 'z')), true, true,
         "k=\"" + std::string(505, 'z') + "\";\n"},
        {"FragmentEndingItsLine", Fields().text("k", std::string(520, 'w')), true, true,
         "k=\"" + std::string(505, 'w') + "\";\n"},
        {"ThroughBackslashes", Fields().text("d", std::string(254, '\\')), true, true,
         "d=\"" + std::string(504, '\\') + "\";\n"},
        {"ThroughHexEscapes", Fields().text("d", std::string(200, '\x01')), true, true,
         "d=\"" + times(126, "\\x01") + "\";\n"},
        {"ThroughC1Escapes", Fields().text("d", "ab" + times(100, "\xc2\x9b")), true, true,
         "d=\"ab" + times(62, "\\xc2\\x9b") + "\";\n"},
        {"ThroughCharacters", Fields().text("d", times(200, "\xe6\x97\xa5")), true, true,
         "d=\"" + times(168, "\xe6\x97\xa5") + "\";\n"},
        {"KeyThatDoesNotFit", Fields().text("a", std::string(500, 'x')).number("longkey", 1), true, true,
         "a=\"" + std::string(500, 'x') + "\";\n"},
        {"OwnNameCut", Fields().text("a", std::string(490, 'x')).name("b", "impressionsPerHour"), true, true,
         "a=\"" + std::string(490, 'x') + "\";b=\"impression\";\n"},
        {"FieldsAfterACutLeftOut", Fields().text("a", std::string(600, 'x')).number("b", 1), true, true,
         "a=\"" + std::string(505, 'x') + "\";\n"},
        {"UnlimitedPieceWhole", Fields().text("a", std::string(600, 'x')), false, true,
         "a=\"" + std::string(600, 'x') + "\";\n"},
    };
}

class LineLimitCut : public testing::TestWithParam<CutCase> {};

TEST_P(LineLimitCut, ClassicText) {
    const CutCase &c = GetParam();
    const std::string text = classic_text(c.fields, c.cut, c.endsLine);
    EXPECT_EQ(c.text, text);
    if (c.cut) {
        EXPECT_LE(text.size(), 511u);
    }
}

INSTANTIATE_TEST_SUITE_P(LineLimit, LineLimitCut, testing::ValuesIn(cut_cases()),
                         [](const testing::TestParamInfo<CutCase> &i) { return std::string(i.param.name); });

TEST(LineLimit, LongPrinterTextIsCutInTheRecordLine) {
    CoverTable c{std::string(600, 'd'), 4};
    Capture got = capture("p", [&](PrinterOutput &out) { print_covers({c}, out); });
    ASSERT_EQ(1u, got.pieces.size());
    const std::string expected = "description=\"" + std::string(495, 'd') + "\";\n";
    EXPECT_EQ(line(expected), got.pieces[0]);
    EXPECT_EQ(511u, got.pieces[0].text.size());
}

// ---------------------------------------------------------------------------
// Markers

FlagWords flags(std::uint64_t f0, std::uint64_t f1) { return FlagWords::from_words(f0, f1, 0); }

MarkerTable marker(std::int64_t lifeCount) {
    MarkerTable m;
    m.marktech = 4;
    m.counterunits = 7;
    m.lifeCount = lifeCount;
    m.processColorants = 4;
    m.addrunits = 3;
    m.addressabilityFeedDir = 600;
    m.addressabilityXFeedDir = 1200;
    m.northMargin = 1;
    m.southMargin = 2;
    m.eastMargin = 3;
    m.westMargin = 4;
    m.status = 2;
    return m;
}

TEST(Markers, RecordLine) {
    Capture got = capture("p",
        [](PrinterOutput &out) { print_markers(flags(0, F1_MARKER), {marker(1234)}, out); });
    EXPECT_EQ(std::vector<CapturedPiece>{line(
                  "markerTechnology=\"electrophotographicLaser\";counterUnits=\"impressions\";"
                  "lifeCount=\"1234\";processColorants=\"4\";addressabilityUnit="
                  "\"tenThousandthsOfInches\";addressabilityFeedDir=\"600\";"
                  "addressabilityXFeedDir=\"1200\";northMargin=\"1\";southMargin=\"2\";"
                  "eastMargin=\"3\";westMargin=\"4\";status=\"Available and Standby\";\n")},
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(Markers, PagecountOncePerMarker) {
    MarkerTable second = marker(99);
    second.counterunits = 8;
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_markers(flags(0, F1_PAGECOUNT), {marker(1234), second}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("counterUnits=\"impressions\";pagecount=\"1234\";\n"),
                                  frag("counterUnits=\"sheets\";pagecount=\"99\";\n")}),
              got.pieces);
}

TEST(Markers, MarginsWithAndWithoutResolution) {
    Capture alone = capture("p",
        [](PrinterOutput &out) { print_markers(flags(0, F1_MINMARGIN), {marker(1)}, out); });
    EXPECT_EQ(std::vector<CapturedPiece>{frag("addressabilityUnit=\"tenThousandthsOfInches\";"
                                      "northMargin=\"1\";southMargin=\"2\";eastMargin=\"3\";"
                                      "westMargin=\"4\";")},
              alone.pieces);

    Capture both = capture("p", [](PrinterOutput &out) {
        print_markers(flags(0, F1_MINMARGIN | F1_RESOLUTION | F1_COLORS), {marker(1)}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("processColorants=\"4\";\n"),
                  frag("addressabilityUnit=\"tenThousandthsOfInches\";addressabilityFeedDir="
                       "\"600\";addressabilityXFeedDir=\"1200\";"),
                  frag("northMargin=\"1\";southMargin=\"2\";eastMargin=\"3\";westMargin=\"4\";")}),
              both.pieces);
}

TEST(Markers, UnnamedValuesPrintAsNumbers) {
    MarkerTable m = marker(5);
    m.marktech = 28;
    m.counterunits = 10;
    m.addrunits = 1;
    Capture got = capture("lp7",
        [&](PrinterOutput &out) { print_markers(flags(0, F1_MARKER), {m}, out); });
    ASSERT_EQ(1u, got.pieces.size());
    EXPECT_EQ(0u, got.pieces[0].text.find(
                      "markerTechnology=\"28\";counterUnits=\"10\";lifeCount=\"5\";"
                      "processColorants=\"4\";addressabilityUnit=\"1\";"));
    EXPECT_EQ(
        "Warning: lp7: prtMarkerMarkTech value 28 has no name; printing the number.\n"
        "Warning: lp7: prtMarkerCounterUnit value 10 has no name; printing the number.\n"
        "Warning: lp7: prtMarkerAddressabilityUnit value 1 has no name; printing the number.\n",
        got.err);

    // Only the values the requested output uses are checked.
    Capture colors = capture("lp7",
        [&](PrinterOutput &out) { print_markers(flags(0, F1_COLORS), {m}, out); });
    EXPECT_EQ("", colors.err);
}

TEST(Markers, NoRowsNoOutput) {
    Capture got = capture("p", [](PrinterOutput &out) {
        print_markers(flags(0, F1_MARKER | F1_PAGECOUNT), {}, out);
    });
    EXPECT_TRUE(got.pieces.empty());
    EXPECT_EQ("", got.err);
}

// ---------------------------------------------------------------------------
// Media paths

MediaPathInfo path(std::int64_t maxF, std::int64_t maxX, std::int64_t minF, std::int64_t minX,
                   std::int64_t speed, std::int64_t type, std::int64_t unit = 3) {
    MediaPathInfo p;
    p.maxSpeedPrintUnit = 8;
    p.mediaSizeUnit = unit;
    p.maxSpeed = speed;
    p.maxMediaFeedDir = maxF;
    p.maxMediaXFeedDir = maxX;
    p.minMediaFeedDir = minF;
    p.minMediaXFeedDir = minX;
    p.type = type;
    p.status = 0;
    p.description = "path";
    return p;
}

TEST(MediaPaths, EqualAreasKeepTheEarlierRow) {
    std::vector<MediaPathInfo> rows = {path(170000, 110000, 50000, 40000, 20, 5),
                                       path(110000, 170000, 40000, 50000, 20, 5, 4)};
    MediaSummary s = summarize_media_paths(rows);
    EXPECT_EQ(0u, s.largestRow);
    EXPECT_EQ(170000, s.largestFeed);
    EXPECT_EQ(0u, s.smallestRow);
    EXPECT_EQ(50000, s.smallestFeed);
    EXPECT_EQ(0u, s.fastestRow);
    EXPECT_FALSE(s.duplex);
}

TEST(MediaPaths, AreasCompareInSinglePrecision) {
    // 16777217 is not a float: both areas round to 2^24 and count as equal.
    std::vector<MediaPathInfo> rows = {path(16777216, 1, 16777217, 1, 1, 5),
                                       path(16777217, 1, 16777216, 1, 2, 5)};
    MediaSummary s = summarize_media_paths(rows);
    EXPECT_EQ(0u, s.largestRow);
    EXPECT_EQ(16777216, s.largestFeed);
    EXPECT_EQ(0u, s.smallestRow);
    EXPECT_EQ(16777217, s.smallestFeed);
    EXPECT_EQ(1u, s.fastestRow);

    // A row that is larger in single precision wins, and both sides come from it.
    rows.push_back(path(20000000, 2, 1, 1, 2, 3));
    s = summarize_media_paths(rows);
    EXPECT_EQ(2u, s.largestRow);
    EXPECT_EQ(20000000, s.largestFeed);
    EXPECT_EQ(2, s.largestXFeed);
    EXPECT_EQ(2u, s.smallestRow);
    EXPECT_EQ(1u, s.fastestRow);  // equal speed keeps the earlier row
    EXPECT_TRUE(s.duplex);
}

TEST(MediaPaths, RecordLinesThenSummariesInFixedOrder) {
    std::vector<MediaPathInfo> rows = {path(140000, 85000, 50000, 30000, 40, 5),
                                       path(170000, 110000, 40000, 30000, 60, 4, 3)};
    rows[1].maxSpeedPrintUnit = 7;
    rows[1].description = "Duplex \"unit\"";
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_media_paths(flags(F0_ENGINESPEED | F0_MINPAPERSIZE | F0_MAXPAPERSIZE | F0_DUPLEX |
                                    F0_MEDIAPATH,
                                0),
                          rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  line("maxSpeedPrintUnit=\"sheetsPerHour\";mediaSizeUnit=\"tenThousandthsOfInches\";"
                       "maxSpeed=\"40\";maxMediaFeedDir=\"140000\";maxMediaXFeedDir=\"85000\";"
                       "minMediaFeedDir=\"50000\";minMediaXFeedDir=\"30000\";type=\"simplex\";"
                       "description=\"path\";status=\"Available and Idle\";\n"),
                  line("maxSpeedPrintUnit=\"impressionsPerHour\";mediaSizeUnit="
                       "\"tenThousandthsOfInches\";maxSpeed=\"60\";maxMediaFeedDir=\"170000\";"
                       "maxMediaXFeedDir=\"110000\";minMediaFeedDir=\"40000\";minMediaXFeedDir="
                       "\"30000\";type=\"shortEdgeBindingDuplex\";description=\"Duplex "
                       "\\\"unit\\\"\";status=\"Available and Idle\";\n"),
                  frag("duplex=\"Y\";"),
                  frag("maxMediaUnit=\"tenThousandthsOfInches\";maxMediaFeedDir=\"170000\";"
                       "maxMediaXFeedDir=\"110000\";"),
                  frag("minMediaUnit=\"tenThousandthsOfInches\";minMediaFeedDir=\"40000\";"
                       "minMediaXFeedDir=\"30000\";"),
                  frag("maxSpeedUnit=\"impressionsPerHour\";maxSpeed=\"60\";")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(MediaPaths, AllSimplexIsNoDuplex) {
    std::vector<MediaPathInfo> rows = {path(1, 1, 1, 1, 1, 5), path(2, 2, 2, 2, 2, 5)};
    Capture got = capture("p",
        [&](PrinterOutput &out) { print_media_paths(flags(F0_DUPLEX, 0), rows, out); });
    EXPECT_EQ(std::vector<CapturedPiece>{frag("duplex=\"N\";")}, got.pieces);
}

TEST(MediaPaths, CrossFeedSummariesPrintTheLow32Bits) {
    std::int64_t big = (std::int64_t{1} << 32) + 7;
    std::vector<MediaPathInfo> rows = {path(100, big, 1, -(std::int64_t{1} << 32) - 3, 1, 5)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_media_paths(flags(F0_MAXPAPERSIZE | F0_MINPAPERSIZE, 0), rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("maxMediaUnit=\"tenThousandthsOfInches\";maxMediaFeedDir=\"100\";"
                       "maxMediaXFeedDir=\"7\";"),
                  frag("minMediaUnit=\"tenThousandthsOfInches\";minMediaFeedDir=\"1\";"
                       "minMediaXFeedDir=\"-3\";")}),
              got.pieces);
}

TEST(MediaPaths, EmptyTableLeavesSummaryValuesEmpty) {
    Capture got = capture("p", [](PrinterOutput &out) {
        print_media_paths(flags(F0_MEDIAPATH | F0_DUPLEX | F0_MAXPAPERSIZE | F0_MINPAPERSIZE |
                                    F0_ENGINESPEED,
                                0),
                          {}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("duplex=\"N\";"),
                  frag("maxMediaUnit=\"\";maxMediaFeedDir=\"\";maxMediaXFeedDir=\"\";"),
                  frag("minMediaUnit=\"\";minMediaFeedDir=\"\";minMediaXFeedDir=\"\";"),
                  frag("maxSpeedUnit=\"\";maxSpeed=\"\";")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(MediaPaths, UnnamedUnitsWarnOnceAndPrintNumbers) {
    std::vector<MediaPathInfo> rows = {path(10, 10, 1, 1, 5, 9, 0)};
    rows[0].maxSpeedPrintUnit = 10;
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_media_paths(flags(F0_MAXPAPERSIZE | F0_ENGINESPEED, 0), rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("maxMediaUnit=\"0\";maxMediaFeedDir=\"10\";maxMediaXFeedDir=\"10\";"),
                  frag("maxSpeedUnit=\"10\";maxSpeed=\"5\";")}),
              got.pieces);
    EXPECT_EQ(
        "Warning: p: prtMediaPathMediaSizeUnit value 0 has no name; printing the number.\n"
        "Warning: p: prtMediaPathMaxSpeedPrintUnit value 10 has no name; printing the number.\n"
        "Warning: p: prtMediaPathType value 9 has no name; printing the number.\n",
        got.err);
}

// ---------------------------------------------------------------------------
// Input trays and paper estimates

struct SizeCase {
    const char *name;
    PaperSize size;
    std::int64_t inch[2];
    std::int64_t micro[2];
};

TEST(PaperSizes, BothUnitsEitherOrderNeverMixed) {
    const SizeCase cases[] = {
        {"letter", LETTER, {85000, 110000}, {215900, 279400}},
        {"legal", LEGAL, {85000, 140000}, {215900, 355600}},
        {"tabloid", TABLOID, {110000, 170000}, {279400, 431800}},
        {"executive", EXECUTIVE, {75000, 105000}, {190500, 266700}},
        {"a4", A4, {82677, 116929}, {210000, 297000}},
        {"a3", A3, {116929, 165354}, {297000, 420000}},
        {"b5", B5, {71653, 101181}, {182000, 257000}},
        {"b4", B4, {101181, 143307}, {257000, 364000}},
    };
    for (const SizeCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.size, paper_size_of(3, c.inch[0], c.inch[1]));
        EXPECT_EQ(c.size, paper_size_of(3, c.inch[1], c.inch[0]));
        EXPECT_EQ(c.size, paper_size_of(4, c.micro[0], c.micro[1]));
        EXPECT_EQ(c.size, paper_size_of(4, c.micro[1], c.micro[0]));
        EXPECT_EQ(std::nullopt, paper_size_of(4, c.inch[0], c.inch[1]));
        EXPECT_EQ(std::nullopt, paper_size_of(3, c.micro[0], c.micro[1]));
        EXPECT_EQ(std::nullopt, paper_size_of(3, c.inch[0] + 1, c.inch[1]));
        EXPECT_EQ(std::nullopt, paper_size_of(2, c.inch[0], c.inch[1]));
        EXPECT_EQ(std::nullopt, paper_size_of(0, c.micro[0], c.micro[1]));
        EXPECT_EQ(std::nullopt, paper_size_of(-1, c.micro[0], c.micro[1]));
    }
    // Executive is 7.5 by 10.5 inches, not 7.25.
    EXPECT_EQ(std::nullopt, paper_size_of(3, 72500, 105000));
}

InputTrayInfo tray(std::int64_t unit, std::int64_t feed, std::int64_t xfeed, std::int64_t level) {
    InputTrayInfo t;
    t.type = 3;
    t.dimUnit = unit;
    t.dimFeedDir = feed;
    t.dimXFeedDir = xfeed;
    t.capUnit = 8;
    t.maxCap = 500;
    t.curLevel = level;
    t.status = 0;
    t.mediaName = "Plain";
    t.name = "Tray";
    t.description = "Cassette";
    return t;
}

TEST(InputTrays, LetterEstimateAndOneWarningForANegativeLevel) {
    std::vector<InputTrayInfo> rows = {tray(3, 85000, 110000, 250), tray(3, 110000, 85000, 100),
                                       tray(3, 85000, 110000, -2)};
    Capture got = capture("p",
        [&](PrinterOutput &out) { print_input_trays(flags(F0_LETTER, 0), rows, out); });
    EXPECT_EQ(std::vector<CapturedPiece>{frag("letter=\"350\";")}, got.pieces);
    EXPECT_EQ("Warning: Can't sense paper level.\n", got.err);
}

TEST(InputTrays, UnitsAreNeverMixed) {
    std::vector<InputTrayInfo> rows = {tray(3, 215900, 279400, 40), tray(4, 215900, 279400, 30),
                                       tray(4, 210000, 297000, 20), tray(4, 297000, 420000, 10)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_input_trays(flags(F0_LETTER | F0_A4 | F0_A3, 0), rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("a4=\"20\";"), frag("letter=\"30\";"), frag("a3=\"10\";")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(InputTrays, FragmentsInFixedOrderWhateverIsAsked) {
    std::vector<InputTrayInfo> rows = {
        tray(3, 85000, 140000, 1),   tray(3, 110000, 170000, 2),  tray(4, 210000, 297000, 3),
        tray(4, 257000, 364000, 4),  tray(4, 182000, 257000, 5),  tray(4, 215900, 279400, 6),
        tray(3, 116929, 165354, 7),  tray(4, 190500, 266700, 8)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_input_trays(flags(F0_EXECUTIVE | F0_A3 | F0_LETTER | F0_B5 | F0_B4 | F0_A4 |
                                    F0_TABLOID | F0_LEGAL,
                                0),
                          rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("legal=\"1\";"), frag("tabloid=\"2\";"), frag("a4=\"3\";"),
                                  frag("b4=\"4\";"), frag("b5=\"5\";"), frag("letter=\"6\";"),
                                  frag("a3=\"7\";"), frag("executive=\"8\";")}),
              got.pieces);
}

TEST(InputTrays, RecordLinesThenTheSizeFragment) {
    std::vector<InputTrayInfo> rows = {tray(4, 210000, 297000, 120), tray(4, 297000, 210000, -3)};
    rows[1].type = 5;
    rows[1].capUnit = 17;
    rows[1].name = "Manual\nfeed";
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_input_trays(flags(F0_A4 | F0_INPUTTRAY, 0), rows, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  line("type=\"sheetFeedAutoRemovableTray\";dimUnit=\"micrometers\";dimFeedDir="
                       "\"210000\";dimXFeedDir=\"297000\";capUnit=\"sheets\";maxCap=\"500\";"
                       "curLevel=\"120\";mediaName=\"Plain\";name=\"Tray\";description="
                       "\"Cassette\";status=\"Available and Idle\";\n"),
                  line("type=\"sheetFeedManual\";dimUnit=\"micrometers\";dimFeedDir=\"297000\";"
                       "dimXFeedDir=\"210000\";capUnit=\"meters\";maxCap=\"500\";curLevel=\"-3\";"
                       "mediaName=\"Plain\";name=\"Manual\\nfeed\";description=\"Cassette\";"
                       "status=\"Available and Idle\";\n"),
                  frag("a4=\"120\";")}),
              got.pieces);
    EXPECT_EQ("Warning: Can't sense paper level.\n", got.err);
}

TEST(InputTrays, NegativeLevelWithoutSizeOptionIsNotWarned) {
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_input_trays(flags(F0_INPUTTRAY, 0), {tray(3, 1, 1, -1)}, out);
    });
    EXPECT_EQ(1u, got.pieces.size());
    EXPECT_EQ("", got.err);
}

TEST(InputTrays, CountersAreThirtyTwoBits) {
    std::vector<InputTrayInfo> rows = {tray(3, 85000, 110000, (std::int64_t{1} << 32) + 5),
                                       tray(3, 85000, 110000, 2147483647),
                                       tray(3, 85000, 110000, 1)};
    Capture got = capture("p",
        [&](PrinterOutput &out) { print_input_trays(flags(F0_LETTER, 0), rows, out); });
    // 5 + 2147483647 + 1 wraps like the 32-bit counter it is.
    EXPECT_EQ(std::vector<CapturedPiece>{frag("letter=\"-2147483643\";")}, got.pieces);
}

TEST(InputTrays, UnnamedValuesKeepTheRow) {
    InputTrayInfo t = tray(5, 1, 1, 1);
    t.type = 9;
    t.capUnit = 5;
    Capture got = capture("p",
        [&](PrinterOutput &out) { print_input_trays(flags(F0_INPUTTRAY, 0), {t}, out); });
    ASSERT_EQ(1u, got.pieces.size());
    EXPECT_EQ(0u, got.pieces[0].text.find("type=\"9\";dimUnit=\"5\";dimFeedDir=\"1\";"
                                          "dimXFeedDir=\"1\";capUnit=\"5\";"));
    EXPECT_EQ("Warning: p: prtInputType value 9 has no name; printing the number.\n"
              "Warning: p: prtInputDimUnit value 5 has no name; printing the number.\n"
              "Warning: p: prtInputCapacityUnit value 5 has no name; printing the number.\n",
              got.err);
}

// ---------------------------------------------------------------------------
// Console display and covers

TEST(Display, OneFragmentPerRow) {
    Capture none = capture("p", [](PrinterOutput &out) { print_display({}, out); });
    EXPECT_TRUE(none.pieces.empty());
    Capture got = capture("p", [](PrinterOutput &out) {
        print_display({{"READY"}, {"Tray 2 \"LOW\""}}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("displayBufferText=\"READY\";\n"),
                                  frag("displayBufferText=\"Tray 2 \\\"LOW\\\"\";\n")}),
              got.pieces);
}

TEST(Covers, StatusFromItsOwnTable) {
    Capture got = capture("p", [](PrinterOutput &out) {
        print_covers({{"Front Door", 4}, {"Rear", 3}, {"Odd", 2}, {"Odder", 7}}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{line("description=\"Front Door\";status=\"doorClosed\";\n"),
                                  line("description=\"Rear\";status=\"doorOpen\";\n"),
                                  line("description=\"Odd\";status=\"unknown\";\n"),
                                  line("description=\"Odder\";status=\"7\";\n")}),
              got.pieces);
    EXPECT_EQ("Warning: p: prtCoverStatus value 7 has no name; printing the number.\n", got.err);
}

// ---------------------------------------------------------------------------
// Languages and channels

LangInfo lang(std::int64_t family) {
    LangInfo l;
    l.family = family;
    l.langLevel = "5e";
    l.langVersion = "1.0";
    l.description = "interp";
    l.version = "v2";
    l.orientation = 3;
    l.feedAddressability = 600;
    l.xFeedAddressability = 300;
    l.twoWay = 4;
    return l;
}

TEST(Languages, FragmentsInFixedOrderWhateverTheOptionOrder) {
    std::vector<LangInfo> langs = {lang(3), lang(6)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_languages(flags(0, F1_PJL | F1_PCL | F1_POSTSCRIPT), langs, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("postscript=\"Y\";"), frag("pcl=\"Y\";"),
                                  frag("pjl=\"N\";")}),
              got.pieces);

    langs = {lang(37), lang(42), lang(4), lang(5)};
    Capture all = capture("p", [&](PrinterOutput &out) {
        print_languages(flags(0, F1_AUTOLANG | F1_PSPRINTER | F1_HPGL | F1_PJL | F1_PCL |
                                     F1_POSTSCRIPT),
                        langs, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("postscript=\"N\";"), frag("pcl=\"N\";"),
                                  frag("pjl=\"Y\";"), frag("hpgl=\"Y\";"),
                                  frag("psprinter=\"Y\";"), frag("autolang=\"Y\";")}),
              all.pieces);
}

TEST(Languages, NoInterpretersAnswersNoToEverything) {
    Capture got = capture("p", [](PrinterOutput &out) {
        print_languages(flags(0, F1_LANGUAGES | F1_AUTOLANG | F1_PSPRINTER | F1_HPGL | F1_PJL |
                                     F1_PCL | F1_POSTSCRIPT),
                        {}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("postscript=\"N\";"), frag("pcl=\"N\";"),
                                  frag("pjl=\"N\";"), frag("hpgl=\"N\";"),
                                  frag("psprinter=\"N\";"), frag("autolang=\"N\";")}),
              got.pieces);
}

TEST(Languages, RecordLineAndChecks) {
    LangInfo a = lang(6);
    a.twoWay = 3;
    LangInfo b = lang(99);  // no name: the row is kept
    b.orientation = 2;
    b.twoWay = 5;
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_languages(flags(0, F1_LANGUAGES), {a, b}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  line("langFamily=\"PS\";langLevel=\"5e\";langVersion=\"1.0\";description="
                       "\"interp\";version=\"v2\";orientation=\"portrait\";feedAddressability="
                       "\"600\";xFeedAddressability=\"300\";twoWay=\"Y\";\n"),
                  line("langFamily=\"99\";langLevel=\"5e\";langVersion=\"1.0\";description="
                       "\"interp\";version=\"v2\";orientation=\"2\";feedAddressability="
                       "\"600\";xFeedAddressability=\"300\";twoWay=\"5\";\n")}),
              got.pieces);
    EXPECT_EQ(
        "Warning: p: prtInterpreterLangFamily value 99 has no name; printing the number.\n"
        "Warning: p: prtInterpreterDefaultOrientation value 2 has no name; printing the number.\n"
        "Warning: p: prtInterpreterTwoWay value 5 has no name; printing the number.\n",
        got.err);
}

ProtocolTable channel(std::int64_t type, std::int64_t cur = 1, std::int64_t def = 1) {
    ProtocolTable c;
    c.type = type;
    c.version = "1";
    c.curjclidx = cur;
    c.defpdlidx = def;
    c.state = 3;
    c.status = 4;
    return c;
}

TEST(Channels, PresenceAnswers) {
    FlagWords f = flags(0, F1_PORT9100 | F1_NETWARE | F1_LPD | F1_APPLETALK);
    Capture rprinter = capture("p", [&](PrinterOutput &out) {
        print_channels(f, {}, {channel(9)}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("appletalk=\"N\";"), frag("lpd=\"N\";"),
                                  frag("netware=\"N\";"), frag("port9100=\"N\";")}),
              rprinter.pieces);

    for (std::int64_t type : {11, 12, 38}) {
        Capture got = capture("p", [&](PrinterOutput &out) {
            print_channels(flags(0, F1_PORT9100), {}, {channel(type)}, out);
        });
        EXPECT_EQ(std::vector<CapturedPiece>{frag("port9100=\"Y\";")}, got.pieces) << type;
    }

    f = flags(0, F1_PORT9100 | F1_NETWARE | F1_LPD | F1_APPLETALK);
    Capture many = capture("p", [&](PrinterOutput &out) {
        print_channels(f, {}, {channel(10), channel(7), channel(8)}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("appletalk=\"Y\";"), frag("lpd=\"Y\";"),
                                  frag("netware=\"Y\";"), frag("port9100=\"N\";")}),
              many.pieces);
}

TEST(Channels, LanguagesNamedByOneBasedPosition) {
    std::vector<LangInfo> langs = {lang(5), lang(3), lang(6)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_channels(flags(0, F1_PROTOCOL), langs, {channel(8, 2, 3)}, out);
    });
    EXPECT_EQ(std::vector<CapturedPiece>{line(
                  "type=\"LPDServer\";version=\"1\";currentJobControlLang=\"PCL\";"
                  "defaultPageDescLang=\"PS\";state=\"printDataAccepted\";status=\"Available "
                  "and Active\";\n")},
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(Channels, IndexesOutsideTheInterpretersPrintAsNumbers) {
    ProtocolTable c = channel(12, 0, 4);
    c.state = 2;
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_channels(flags(0, F1_PROTOCOL), {lang(5), lang(3), lang(6)}, {c}, out);
    });
    EXPECT_EQ(std::vector<CapturedPiece>{line(
                  "type=\"AppSocket\";version=\"1\";currentJobControlLang=\"0\";"
                  "defaultPageDescLang=\"4\";state=\"2\";status=\"Available and Active\";\n")},
              got.pieces);
    EXPECT_EQ(
        "Warning: p: prtChannelState value 2 has no name; printing the number.\n"
        "Warning: p: prtChannelCurrentJobCntlLangIndex value 0 has no name; printing the number.\n"
        "Warning: p: prtChannelDefaultPageDescLangIndex value 4 has no name; printing the "
        "number.\n",
        got.err);

    // Without interpreter rows every index fails its check.
    Capture none = capture("p", [&](PrinterOutput &out) {
        print_channels(flags(0, F1_PROTOCOL), {}, {channel(8, 1, 1)}, out);
    });
    EXPECT_EQ(std::vector<CapturedPiece>{line(
                  "type=\"LPDServer\";version=\"1\";currentJobControlLang=\"1\";"
                  "defaultPageDescLang=\"1\";state=\"printDataAccepted\";status=\"Available "
                  "and Active\";\n")},
              none.pieces);
    EXPECT_NE(std::string::npos, none.err.find("prtChannelCurrentJobCntlLangIndex value 1"));
}

TEST(Channels, UnnamedTypeStillCountsItsPresence) {
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_channels(flags(0, F1_PROTOCOL | F1_LPD), {lang(3)}, {channel(99)}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{line("type=\"99\";version=\"1\";currentJobControlLang=\"PCL\";"
                                       "defaultPageDescLang=\"PCL\";state=\"printDataAccepted\";"
                                       "status=\"Available and Active\";\n"),
                                  frag("lpd=\"N\";")}),
              got.pieces);
    EXPECT_EQ("Warning: p: prtChannelType value 99 has no name; printing the number.\n", got.err);
}

// ---------------------------------------------------------------------------
// Supplies

MarkerSuppliesTable supply(std::int64_t type, std::int64_t unit, std::int64_t level) {
    MarkerSuppliesTable s;
    s.msclass = 3;
    s.type = type;
    s.desc = "Black Cartridge";
    s.supplyunit = unit;
    s.maxcap = 100;
    s.level = level;
    return s;
}

TEST(Supplies, TypeAndUnitFragmentsThenTheClassLine) {
    MarkerSuppliesTable waste = supply(4, 11, -3);
    waste.msclass = 4;
    waste.maxcap = -2;
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_supplies({supply(21, 7, 40), waste}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("type=\"tonerCartridge\";"), frag("supplyunit=\"impressions\";"),
                  line("class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";maxcap=\"100\";"
                       "level=\"40\";\n"),
                  frag("type=\"wasteToner\";"), frag("supplyunit=\"hours\";"),
                  line("class=\"receptacleThatIsFilled\";desc=\"Black Cartridge\";maxcap=\"-2\";"
                       "level=\"-3\";\n")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(Supplies, TypeAndUnitWithoutNames) {
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_supplies({supply(99, 10, 5), supply(0, 20, 6)}, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  frag("type=\"99\";"),
                  line("class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";maxcap=\"100\";"
                       "level=\"5\";\n"),
                  frag("type=\"0\";"),
                  line("class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";maxcap=\"100\";"
                       "level=\"6\";\n")}),
              got.pieces);
    EXPECT_EQ("Warning: markerSupplyType=99 out of bounds.\n"
              "Warning: markerSupplyUnit=10 out of bounds.\n"
              "Warning: markerSupplyType=0 out of bounds.\n"
              "Warning: markerSupplyUnit=20 out of bounds.\n",
              got.err);
}

// Values the current Printer MIB added: percent (19) and the finishing supplies.
TEST(Supplies, CurrentPrinterMibNames) {
    Capture got = capture("p", [&](PrinterOutput &out) { print_supplies({supply(32, 19, 40)}, out); });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("type=\"staples\";"), frag("supplyunit=\"percent\";"),
                                          line("class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";"
                                               "maxcap=\"100\";level=\"40\";\n")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(Supplies, UnnamedClassKeepsTheSupply) {
    MarkerSuppliesTable s = supply(3, 13, 7);
    s.msclass = 2;
    Capture got = capture("lp", [&](PrinterOutput &out) { print_supplies({s}, out); });
    EXPECT_EQ((std::vector<CapturedPiece>{frag("type=\"toner\";"), frag("supplyunit=\"tenthsOfGrams\";"),
                                  line("class=\"2\";desc=\"Black Cartridge\";maxcap=\"100\";"
                                       "level=\"7\";\n")}),
              got.pieces);
    EXPECT_EQ("Warning: lp: prtMarkerSuppliesClass value 2 has no name; printing the number.\n",
              got.err);
}

// ---------------------------------------------------------------------------
// Alerts

const char *code_name(std::int64_t code) {
    AlertInfo a;
    a.code = code;
    return decode_code(a);
}

TEST(AlertCodes, EveryRangeAndItsBounds) {
    const std::pair<std::int64_t, const char *> named[] = {
        {1, "other"},
        {8, "jammed"},
        {38, "subunitThermistorFailure"},
        {501, "doorOpen"},
        {507, "printerReadyToPrint"},
        {801, "inputMediaTrayMissing"},
        {813, "inputCannotFeedSizeSelected"},
        {901, "outputMediaTrayMissing"},
        {904, "outputMailboxSelectFailure"},
        {1001, "markerFuserUnderTemperature"},
        {1005, "markerAdjustingPrintQuality"},
        {1101, "markerTonerEmpty"},
        {1115, "markerTonerCartridgeMissing"},
        {1301, "mediaPathMediaTrayMissing"},
        {1303, "mediaPathMediaTrayFull"},
        {1501, "interpreterMemoryIncrease"},
        {1508, "interpreterComplexPageEncountered"},
        {1509, "interpreterComplexPageEncountered"},
        {1801, "alertRemovalOfBinaryChangeEntry"},
        {1304, "mediaPathCannotDuplexMediaSelected"},
        {30203, "staplerCoverOpen"},
    };
    for (const auto &[code, name] : named) EXPECT_STREQ(name, code_name(code)) << code;

    for (std::int64_t code : std::initializer_list<std::int64_t>{-1501, -1, 0, 39, 99, 100, 500, 508, 600, 800, 814, 900, 905,
                              1000, 1006, 1100, 1116, 1200, 1300, 1305, 1500, 1510, 1800, 1802,
                              40010, std::numeric_limits<std::int64_t>::max(),
                              std::numeric_limits<std::int64_t>::min()})
        EXPECT_EQ(nullptr, code_name(code)) << code;
}

TEST(AlertTimes, UptimeMinusAlertTime) {
    EXPECT_EQ(1'700'000'000u - 600u, alert_wallclock(1'700'000'000, 1'000'000, 1'000'000 - 60'000));
    // Hundredths are cut, not rounded.
    EXPECT_EQ(1'700'000'000u - 1u, alert_wallclock(1'700'000'000, 199, 0));
    EXPECT_EQ(1'700'000'000u, alert_wallclock(1'700'000'000, 500, 500));
    // An alert stamped after the uptime read counts as raised now.
    EXPECT_EQ(1'700'000'000u, alert_wallclock(1'700'000'000, 500, 501));
    EXPECT_EQ(0u, alert_wallclock(10, 100'000, 0));
}

AlertInfo alert(std::int64_t severity, std::int64_t code, std::int64_t time) {
    AlertInfo a;
    a.severityLevel = severity;
    a.trainingLevel = 4;
    a.group = 8;
    a.groupIndex = 2;
    a.location = 13200;
    a.code = code;
    a.description = "Tray 2 empty";
    a.time = time;
    return a;
}

TEST(Alerts, RecordLines) {
    std::vector<AlertInfo> rows = {alert(3, 808, 40000), alert(4, 1115, 100000),
                                   alert(1, 1801, 100000)};
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_alerts(rows, std::uint64_t{100000}, 1'700'000'000, out);
    });
    EXPECT_EQ((std::vector<CapturedPiece>{
                  line("severityLevel=\"critical\";trainingLevel=\"trained\";group=\"input\";"
                       "groupIndex=\"2\";location=\"13200\";code=\"inputMediaSupplyEmpty\";"
                       "description=\"Tray 2 empty\";time=\"1699999400\";\n"),
                  line("severityLevel=\"warning\";trainingLevel=\"trained\";group=\"input\";"
                       "groupIndex=\"2\";location=\"13200\";code=\"markerTonerCartridgeMissing\";"
                       "description=\"Tray 2 empty\";time=\"1700000000\";\n"),
                  line("severityLevel=\"other\";trainingLevel=\"trained\";group=\"input\";"
                       "groupIndex=\"2\";location=\"13200\";code="
                       "\"alertRemovalOfBinaryChangeEntry\";description=\"Tray 2 empty\";"
                       "time=\"1700000000\";\n")}),
              got.pieces);
    EXPECT_EQ("", got.err);
}

TEST(Alerts, SeverityWithoutNameIsWarnedAndPrintedAsNumber) {
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_alerts({alert(6, 1, 0), alert(2, 1, 0)}, std::uint64_t{0}, 100, out);
    });
    ASSERT_EQ(2u, got.pieces.size());
    EXPECT_EQ(0u, got.pieces[0].text.find("severityLevel=\"6\";trainingLevel=\"trained\";"));
    EXPECT_EQ(0u, got.pieces[1].text.find("severityLevel=\"2\";trainingLevel=\"trained\";"));
    EXPECT_EQ("Warning: invalid severity level. Buggy firmware?\n"
              "Warning: invalid severity level. Buggy firmware?\n",
              got.err);
}

TEST(Alerts, UnnamedValuesAndUnknownUptime) {
    AlertInfo a = alert(3, 40010, 5);
    a.trainingLevel = 8;
    a.group = 19;
    Capture got = capture("hp1",
        [&](PrinterOutput &out) { print_alerts({a}, std::nullopt, 100, out); });
    EXPECT_EQ(std::vector<CapturedPiece>{line("severityLevel=\"critical\";trainingLevel=\"8\";group=\"19\";"
                                      "groupIndex=\"2\";location=\"13200\";code=\"40010\";"
                                      "description=\"Tray 2 empty\";time=\"unknown\";\n")},
              got.pieces);
    EXPECT_EQ("Warning: hp1: prtAlertTrainingLevel value 8 has no name; printing the number.\n"
              "Warning: hp1: prtAlertGroup value 19 has no name; printing the number.\n"
              "Warning: hp1: prtAlertCode value 40010 has no name; printing the number.\n",
              got.err);
}

TEST(Alerts, AlertAfterTheUptimeIsWarned) {
    Capture got = capture("p", [&](PrinterOutput &out) {
        print_alerts({alert(3, 1, -1)}, std::uint64_t{500}, 1000, out);
    });
    ASSERT_EQ(1u, got.pieces.size());
    EXPECT_NE(std::string::npos, got.pieces[0].text.find("time=\"1000\";\n"));
    EXPECT_EQ("Warning: p: alert time 18446744073709551615 is later than the uptime 500; "
              "printing the current time.\n",
              got.err);
}

TEST(Alerts, WholeLineLimitedTo511) {
    AlertInfo a = alert(3, 1, 0);
    a.description = std::string(600, 'x');
    Capture got =
        capture("p", [&](PrinterOutput &out) { print_alerts({a}, std::uint64_t{0}, 1, out); });
    ASSERT_EQ(1u, got.pieces.size());
    EXPECT_EQ(511u, got.pieces[0].text.size());
    EXPECT_EQ('\n', got.pieces[0].text.back());
}

// ---------------------------------------------------------------------------
// Output routine: every line of a named run starts with its printer's name.

TEST(EmitOutput, NamedLinesAfterRecordLinesAndLineEndingFragments) {
    SNMP_session p1(nullptr, "p1", nullptr, {{127, 0, 0, 1}});
    SNMP_session p2(nullptr, "p2", nullptr, {{127, 0, 0, 2}});
    const std::uint64_t named[3] = {F0_NAME, 0, 0};
    reset_output_state();
    testing::internal::CaptureStdout();
    emit_output(p1, named, true, "a=\"1\";");
    emit_output(p2, named, true, "b=\"2\";");
    emit_output(p1, named, true, "c=\"3\";");
    emit_output(p1, named, false, "row=\"1\";\n");
    emit_output(p1, named, true, "type=\"toner\";");
    emit_output(p1, named, true, "unit=\"x\";");
    emit_output(p1, named, true, "pagecount=\"5\";\n");
    emit_output(p1, named, true, "pagecount=\"6\";\n");
    finish_output();
    // Each printer's line is held until it is complete; no empty line after
    // the line-ending fragments.
    EXPECT_EQ("hostname=\"p1\";a=\"1\";c=\"3\";\n"
              "hostname=\"p1\";row=\"1\";\n"
              "hostname=\"p1\";type=\"toner\";unit=\"x\";pagecount=\"5\";\n"
              "hostname=\"p1\";pagecount=\"6\";\n"
              "hostname=\"p2\";b=\"2\";\n",
              testing::internal::GetCapturedStdout());

    // Without the name bit nothing is added.
    const std::uint64_t plain[3] = {0, 0, 0};
    reset_output_state();
    testing::internal::CaptureStdout();
    emit_output(p1, plain, false, "row=\"1\";\n");
    emit_output(p1, plain, true, "type=\"toner\";");
    finish_output();
    EXPECT_EQ("row=\"1\";\ntype=\"toner\";\n", testing::internal::GetCapturedStdout());
    reset_output_state();
}

}  // namespace
