// Printer MIB reports: name tables, table records, the per-group formatting
// and summaries, and the two entry points the worker calls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reports/output.h"

class SNMP_session;

// ---------------------------------------------------------------------------
// Name tables. Indexed directly by the enumerated value; entry 0 and every
// value the enumeration leaves undefined are null. A value is valid for a
// table when it lies between 1 and the highest index and its entry is set.

using NameTable = std::span<const char *const>;

// prtMarkerMarkTech
inline constexpr std::array<const char *, 28> MARKTECH = {
    nullptr,
    "other",
    "unknown",
    "electrophotographicLED",
    "electrophotographicLaser",
    "electrophotographicOther",
    "impactMovingHeadDotMatrix9pin",
    "impactMovingHeadDotMatrix24pin",
    "impactMovingHeadDotMatrixOther",
    "impactMovingHeadFullyFormed",
    "impactBand",
    "impactOther",
    "inkjetAqueous",
    "inkjetSolid",
    "inkjetOther",
    "pen",
    "thermalTransfer",
    "thermalSensitive",
    "thermalDiffusion",
    "thermalOther",
    "electroerosion",
    "electrostatic",
    "photographicMicrofiche",
    "photographicImagesetter",
    "photographicOther",
    "ionDeposition",
    "eBeam",
    "typesetter",
};

// prtMarkerCounterUnit
inline constexpr std::array<const char *, 18> MARKERCOUNTERUNIT = {
    nullptr, nullptr, nullptr, "tenThousandthsOfInches", "micrometers", "characters", "lines",
    "impressions", "sheets", "dotRow", nullptr, "hours", nullptr, nullptr, nullptr, nullptr,
    "feet", "meters",
};

// The Printer MIB's media unit (marker addressability, media paths, trays).
inline constexpr std::array<const char *, 5> MEDIAUNIT = {
    nullptr, nullptr, nullptr, "tenThousandthsOfInches", "micrometers",
};

// prtMediaPathMaxSpeedPrintUnit
inline constexpr std::array<const char *, 18> MEDIASPEEDUNIT = {
    nullptr, nullptr, nullptr, "tenThousandthsOfInchesPerHour", "micrometersPerHour",
    "charactersPerHour", "linesPerHour", "impressionsPerHour", "sheetsPerHour", "dotRowPerHour",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "feetPerHour", "metersPerHour",
};

// prtMediaPathType
inline constexpr std::array<const char *, 6> MEDIATYPE = {
    nullptr, "other", "unknown", "longEdgeBindingDuplex", "shortEdgeBindingDuplex", "simplex",
};

// prtInputType
inline constexpr std::array<const char *, 8> INPUTTYPE = {
    nullptr,
    "other",
    "unknown",
    "sheetFeedAutoRemovableTray",
    "sheetFeedAutoNonRemovableTray",
    "sheetFeedManual",
    "continuousRoll",
    "continuousFanFold",
};

// The Printer MIB's capacity unit.
inline constexpr std::array<const char *, 18> CAPACITYUNIT = {
    nullptr, nullptr, nullptr, "tenThousandthsOfInches", "micrometers", nullptr, nullptr, nullptr,
    "sheets", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "feet", "meters",
};

// prtInterpreterLangFamily without the lang prefix.
inline constexpr std::array<const char *, 48> LANGUAGES = {
    nullptr,     "other",      nullptr,    "PCL",       "HPGL",       "PJL",
    "PS",        "IDPS",       "PPDS",     "EscapeP",   "Epson",      "DDIF",
    "Interpress", "ISO6429",   "LineData", "MODCA",     "REGIS",      "SCS",
    "SPDL",      "TEK401",     "PDS",      "IGP",       "CodeV",      "DSCDSE",
    "WPS",       "LN03",       "CCITT",    "QUIC",      "CPAP",       "DecPPL",
    "SimpleText", "NPAP",      "DOC",      "imPress",   "Pinwriter",  "NPDL",
    "NEC201PL",  "Automatic",  "Pages",    "LIPS",      "TIFF",       "Diagnostic",
    "PSPrinter", "CaPSL",      "EXCL",     "LCDS",      "XES",        "PCLXL",
};

// prtInterpreterDefaultOrientation
inline constexpr std::array<const char *, 5> ORIENTATIONS = {
    nullptr, "other", nullptr, "portrait", "landscape",
};

// prtInterpreterTwoWay: the Printer MIB's yes (3) and no (4).
inline constexpr std::array<const char *, 5> TWOWAY = {nullptr, nullptr, nullptr, "Y", "N"};

// prtChannelType without the ch prefix.
inline constexpr std::array<const char *, 44> CHANNELTYPE = {
    nullptr,
    "other",
    nullptr,
    "SerialPort",
    "ParallelPort",
    "IEEE1284Port",
    "SCSIPort",
    "AppleTalkPAP",
    "LPDServer",
    "NetwareRPrinter",
    "NetwarePServer",
    "Port9100(depricated)",
    "AppSocket",
    "FTP",
    "TFTP",
    "DLCLLCPort",
    "IBM3270",
    "IBM5250",
    "Fax",
    "IEEE1394",
    "Transport1",
    "CPAP",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "PCPrint",
    "ServerMessageBlock",
    "PSM",
    nullptr,
    nullptr,
    "SystemObjectManager",
    "DECLAT",
    "NPAP",
    "USB",
    "IRDA",
    "PrintXChange",
    "PortTCP",
    "BidirPortTCP",
    "UNPP",
    "AppleTalkADSP",
    "PortSPX",
    "PortHTTP",
    "NDPS",
};

// prtChannelState
inline constexpr std::array<const char *, 5> CHANNELSTATE = {
    nullptr, "other", nullptr, "printDataAccepted", "noDataAccepted",
};

// prtCoverStatus
inline constexpr std::array<const char *, 7> COVERSTATUS = {
    nullptr, "other", nullptr, "doorOpen", "doorClosed", "interlockOpen", "interlockClosed",
};

// prtMarkerSuppliesClass
inline constexpr std::array<const char *, 5> MARKERSUPPLIESCLASS = {
    nullptr, "other", nullptr, "supplyThatIsConsumed", "receptacleThatIsFilled",
};

// prtMarkerSuppliesType
inline constexpr std::array<const char *, 23> MARKERSUPPLIESTYPE = {
    nullptr,       "other",         "unknown",      "toner",          "wasteToner",
    "ink",         "inkCartridge",  "inkRibbon",    "wasteInk",       "opc",
    "developer",   "fuserOil",      "solidWax",     "ribbonWax",      "wasteWax",
    "fuser",       "coronaWire",    "fuserOilWick", "cleanerUnit",    "fuserCleaningPad",
    "transferUnit", "tonerCartridge", "fuserOiler",
};

// prtMarkerSuppliesSupplyUnit
inline constexpr std::array<const char *, 18> MARKERSUPPLIESUNIT = {
    nullptr,       nullptr,  nullptr,  "tenThousandthsOfInches", "micrometers", nullptr,
    nullptr,       "impressions", "sheets", nullptr,             nullptr,       "hours",
    "thousandthsOfOunces", "tenthsOfGrams", "hundrethsOfFluidOunces", "tenthsOfMilliliters",
    "feet",        "meters",
};

// prtAlertSeverityLevel
inline constexpr std::array<const char *, 5> PRTALERTSEVERITYLEVEL = {
    nullptr, "other", nullptr, "critical", "warning",
};

// prtAlertTrainingLevel
inline constexpr std::array<const char *, 7> PRTALERTTRAININGLEVEL = {
    nullptr, "other", "unknown", "untrained", "trained", "fieldService", "management",
};

// prtAlertGroup
inline constexpr std::array<const char *, 18> PRTALERTGROUP = {
    nullptr,
    "other",
    nullptr,
    "hostResourcesMIBStorageTable",
    "hostResourcesMIBDeviceTable",
    "generalPrinter",
    "cover",
    "localization",
    "input",
    "output",
    "marker",
    "markerSupplies",
    "markerColorant",
    "mediaPath",
    "channel",
    "interpreter",
    "consoleDisplayBuffer",
    "consoleLights",
};

// The name of value in table, or null when the value is not valid for it.
// Never reads outside the table.
const char *table_name(NameTable table, std::int64_t value);

// The name of value in table. A value the table has no name for is kept and
// printed as its decimal number, after the warning
// "Warning: <host>: <object> value <n> has no name; printing the number.\n".
std::string checked_name(std::string_view hostname, const char *object, NameTable table,
                         std::int64_t value);

// The same without the warning, for a value that was already reported.
std::string name_or_number(NameTable table, std::int64_t value);

// ---------------------------------------------------------------------------
// Records: one per table row, filled column by column by the table walk.

struct MarkerTable {
    std::int64_t marktech = 0;
    std::int64_t counterunits = 0;
    std::int64_t lifeCount = 0;
    std::int64_t processColorants = 0;
    std::int64_t addrunits = 0;
    std::int64_t addressabilityFeedDir = 0;
    std::int64_t addressabilityXFeedDir = 0;
    std::int64_t northMargin = 0;
    std::int64_t southMargin = 0;
    std::int64_t eastMargin = 0;
    std::int64_t westMargin = 0;
    std::int64_t status = 0;
};

struct MediaPathInfo {
    std::int64_t maxSpeedPrintUnit = 0;
    std::int64_t mediaSizeUnit = 0;
    std::int64_t maxSpeed = 0;
    std::int64_t maxMediaFeedDir = 0;
    std::int64_t maxMediaXFeedDir = 0;
    std::int64_t minMediaFeedDir = 0;
    std::int64_t minMediaXFeedDir = 0;
    std::int64_t type = 0;
    std::int64_t status = 0;
    std::string description;
};

struct InputTrayInfo {
    std::int64_t type = 0;
    std::int64_t dimUnit = 0;
    std::int64_t dimFeedDir = 0;
    std::int64_t dimXFeedDir = 0;
    std::int64_t capUnit = 0;
    std::int64_t maxCap = 0;
    std::int64_t curLevel = 0;
    std::int64_t status = 0;
    std::string mediaName;
    std::string name;
    std::string description;
};

struct LangInfo {
    std::int64_t family = 0;
    std::string langLevel;
    std::string langVersion;
    std::string description;
    std::string version;
    std::int64_t orientation = 0;
    std::int64_t feedAddressability = 0;
    std::int64_t xFeedAddressability = 0;
    std::int64_t twoWay = 0;
};

struct ProtocolTable {
    std::int64_t type = 0;
    std::string version;
    std::int64_t curjclidx = 0;
    std::int64_t defpdlidx = 0;
    std::int64_t state = 0;
    std::int64_t status = 0;
};

struct DisplayBuffer {
    std::string text;
};

struct CoverTable {
    std::string description;
    std::int64_t status = 0;
};

struct MarkerSuppliesTable {
    std::int64_t msclass = 0;
    std::int64_t type = 0;
    std::string desc;
    std::int64_t supplyunit = 0;
    std::int64_t maxcap = 0;
    std::int64_t level = 0;
};

struct AlertInfo {
    std::int64_t severityLevel = 0;
    std::int64_t trainingLevel = 0;
    std::int64_t group = 0;
    std::int64_t groupIndex = 0;
    std::int64_t location = 0;
    std::int64_t code = 0;
    std::string description;
    std::int64_t time = 0;  // printer uptime (hundredths of a second) when raised
};

struct UptimeInfo {
    std::int64_t uptime = 0;
};

// ---------------------------------------------------------------------------
// Formatting. Every piece is formatted into a 512-byte line: longer text is
// cut at 511 characters. A record line that the cut shortened still ends in
// "\n", so it never runs into the next line.

// Receives each piece of a report: continues true for a fragment of the
// printer's current line, false for a whole record line.
using PieceSink = std::function<void(bool continues, const std::string &text)>;

std::string cut_line(std::string text, bool recordLine);

// Marker group: the pieces of every row for the options in flags.
void print_markers(std::string_view hostname, const std::uint64_t *flags,
                   const std::vector<MarkerTable> &rows, const PieceSink &out);

// Media-path summaries. Areas are compared in single precision; ties keep
// the earlier row; each summary's values come from one row.
struct MediaSummary {
    bool empty = true;  // no rows: no summary can name a unit
    std::size_t largestRow = 0;
    std::int64_t largestFeed = 0;
    std::int64_t largestXFeed = 0;
    std::size_t smallestRow = 0;
    std::int64_t smallestFeed = INT64_MAX;
    std::int64_t smallestXFeed = INT64_MAX;
    std::size_t fastestRow = 0;
    std::int64_t fastestSpeed = 0;
    bool duplex = false;
};
MediaSummary summarize_media_paths(const std::vector<MediaPathInfo> &rows);

void print_media_paths(std::string_view hostname, const std::uint64_t *flags,
                       const std::vector<MediaPathInfo> &rows, const PieceSink &out);

// Paper sizes of the tray estimate, and the short by long side of each in the
// two media units (3: ten-thousandths of an inch, 4: micrometres).
enum PaperSize { LETTER, LEGAL, TABLOID, EXECUTIVE, A4, A3, B5, B4, PAPER_SIZES };

// The size a tray of these chosen dimensions holds, matched exactly in the
// tray's own unit with feed and cross-feed in either order.
std::optional<PaperSize> paper_size_of(std::int64_t dimUnit, std::int64_t feed,
                                       std::int64_t xfeed);

void print_input_trays(std::string_view hostname, const std::uint64_t *flags,
                       const std::vector<InputTrayInfo> &rows, const PieceSink &out);

void print_display(const std::vector<DisplayBuffer> &rows, const PieceSink &out);
void print_covers(std::string_view hostname, const std::vector<CoverTable> &rows,
                  const PieceSink &out);

void print_languages(std::string_view hostname, const std::uint64_t *flags,
                     const std::vector<LangInfo> &langs, const PieceSink &out);
void print_channels(std::string_view hostname, const std::uint64_t *flags,
                    const std::vector<LangInfo> &langs, const std::vector<ProtocolTable> &rows,
                    const PieceSink &out);

void print_supplies(std::string_view hostname, const std::vector<MarkerSuppliesTable> &rows,
                    const PieceSink &out);

// The name of the alert's code, or null for a code the Printer MIB does not
// name (vendor codes among them).
const char *decode_code(const AlertInfo &alert);

// Wall-clock seconds of an alert raised at printer uptime alertTime, given the
// uptime now and the current time. An alert stamped later than the uptime
// counts as raised now.
std::uint64_t alert_wallclock(std::int64_t now, std::uint64_t uptime, std::uint64_t alertTime);

// uptime empty: the printer gave none, and every time prints as "unknown".
void print_alerts(std::string_view hostname, const std::vector<AlertInfo> &rows,
                  std::optional<std::uint64_t> uptime, std::int64_t now, const PieceSink &out);

// ---------------------------------------------------------------------------
// Entry points, run in the printer's worker after it found the Printer MIB.

// Runs every Printer MIB report group that flags[0] and flags[1] ask for.
void do_printmib_get(SNMP_session &session, std::uint64_t *flags);

// Power-cycles the printer: one SetRequest of prtGeneralReset.1 = 4.
void do_reboot(SNMP_session &session, std::uint64_t *flags);
