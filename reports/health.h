// A printer's health: what the printer says about its state, read once and
// typed (reachability, device and printer status, the detected-error bits,
// identification, page count, supplies with colours and states, input trays,
// covers, alerts), and the one judgement of it by an administrator's rules
// into OK, WARNING, CRITICAL or UNKNOWN with the reasons. Everything here is
// pure: the readings come from reports/health_fetch, and no function below
// talks to a printer.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

// ---- What was read -----------------------------------------------------------

// Whether the printer answered at all: Refused is an answer that turns us
// away (an error status to every request, an SNMPv3 security refusal).
enum class Reachability : std::uint8_t { Answered, Silent, Refused };

// One row of prtMarkerSuppliesTable as read; a column the printer does not
// have stays empty.
struct SupplyReading {
    std::int64_t index = 0;  // prtMarkerSuppliesIndex
    std::optional<std::int64_t> colorantIndex, supplyClass, type, unit, capacity, level;
    std::optional<std::string> description;
};

// One row of prtInputTable as read.
struct TrayReading {
    std::int64_t index = 0;  // prtInputIndex
    std::optional<std::int64_t> type, capacity, level, status;
    std::optional<std::string> name, description;
};

// One row of prtCoverTable.
struct CoverReading {
    std::int64_t index = 0;
    std::optional<std::string> description;
    std::optional<std::int64_t> status;
};

// One row of prtAlertTable: an alert active now.
struct AlertReading {
    std::int64_t index = 0;
    std::optional<std::int64_t> severity, group, groupIndex, code;
    std::optional<std::string> description;
};

// Everything the health is made of, as the printer sent it.
struct HealthReadings {
    Reachability reachability = Reachability::Answered;
    // The message of what ended the printer's reports early (empty: they ran
    // to their end).
    std::string failure;
    std::optional<std::string> sysDescr, vendor, model, serial;
    std::optional<std::int64_t> deviceStatus;   // hrDeviceStatus of the printer device
    std::optional<std::int64_t> printerStatus;  // hrPrinterStatus
    std::optional<std::string> detectedErrorOctets;  // hrPrinterDetectedErrorState
    std::optional<std::uint64_t> pageCount;     // prtMarkerLifeCount of the first marker
    std::optional<std::int64_t> pageCountUnit;  // its prtMarkerCounterUnit
    std::map<std::int64_t, std::string> colorants;  // prtMarkerColorantValue by colorant index
    std::vector<SupplyReading> supplies;
    std::vector<TrayReading> trays;
    std::vector<CoverReading> covers;
    std::vector<AlertReading> alerts;
};

// ---- The model -----------------------------------------------------------------

// The bits of hrPrinterDetectedErrorState (RFC 3805's update of the Host
// Resources MIB), bit 0 the most significant bit of the first octet.
enum class DetectedError : std::uint8_t {
    lowPaper, noPaper, lowToner, noToner, doorOpen, jammed, offline, serviceRequested,
    inputTrayMissing, outputTrayMissing, markerSupplyMissing, outputNearFull, outputFull,
    inputTrayEmpty, overduePreventMaint,
};
inline constexpr int DETECTED_ERROR_COUNT = 15;
// RFC 3805's name of the bit: "lowPaper", ..., "overduePreventMaint".
const char *detected_error_name(DetectedError e);
std::optional<DetectedError> detected_error_named(std::string_view name);

struct DetectedErrors {
    std::uint16_t bits = 0;  // bit n set: DetectedError n is reported
    bool has(DetectedError e) const { return (bits >> static_cast<int>(e)) & 1; }
    bool any() const { return bits != 0; }
    std::vector<DetectedError> list() const;  // in bit order
};
// The octet string decoded: one octet carries bits 0-7, two carry 0-15 (bit 15
// is unassigned and ignored, as are octets after the second); an empty string
// reports nothing.
DetectedErrors decode_detected_errors(std::string_view octets);

// A supply's level, read the way it is used up: the material left in a
// supply that is consumed, the space left in a receptacle that is filled
// (a waste box is Empty when it is full).
enum class SupplyState : std::uint8_t {
    Ok,
    Low,            // below the low mark (DEFAULT_LOW_PERCENT)
    Empty,          // nothing left
    SomeRemaining,  // level -3, or a level without a capacity to compare with
    Unknown,        // level -2, a level the Printer MIB does not define, or none
    NoRestriction,  // level -1: the printer places no restriction on it
};
const char *supply_state_name(SupplyState s);  // "ok", "low", "empty", "someRemaining", "unknown", "noRestriction"

// Where a supply's colour came from.
enum class ColourSource : std::uint8_t { None, Colorant, Description };

inline constexpr double DEFAULT_LOW_PERCENT = 20.0;

struct SupplyHealth : SupplyReading {
    // A name for messages and labels, unique among the printer's supplies:
    // "black toner", "cyan drum", a cleaned description, or "supply N".
    std::string displayName;
    std::string colour;  // lower case ("black", "light cyan"); empty: none
    ColourSource colourSource = ColourSource::None;
    bool receptacle = false;        // filled, not consumed: full is the bad end
    std::optional<double> percent;  // 0-100 of the capacity still left (material or space)
    SupplyState state = SupplyState::Unknown;
};

struct TrayHealth : TrayReading {
    std::string displayName;  // the tray's name or description cleaned, or "tray N"; unique
    bool manualFeed = false;  // sheetFeedManual, or named so (manual, bypass, multi-purpose)
    bool empty = false;       // level 0
    bool missing = false;     // an active inputMediaTrayMissing alert names it
};

struct CoverHealth : CoverReading {
    std::string displayName;  // the description cleaned, or "cover N"
    bool open = false;  // coverOpen or interlockOpen
};

struct AlertHealth : AlertReading {};

struct PrinterHealth {
    std::string host;
    Reachability reachability = Reachability::Answered;
    std::string failure;
    std::string vendor, model, serial;  // empty: not known
    std::optional<std::int64_t> deviceStatus, printerStatus;
    std::optional<DetectedErrors> detectedErrors;  // none: the printer gave none
    std::optional<std::uint64_t> pageCount;
    std::optional<std::int64_t> pageCountUnit;
    std::vector<SupplyHealth> supplies;
    std::vector<TrayHealth> trays;
    std::vector<CoverHealth> covers;
    std::vector<AlertHealth> alerts;
    // The printer told anything about its state beyond MIB-II.
    bool reportsState() const;
};

// The model of the readings; lowPercent is where a level counts as Low.
PrinterHealth interpret_health(const HealthReadings &readings, double lowPercent = DEFAULT_LOW_PERCENT);

// The pieces of interpret_health, for tests and renderers.
bool is_receptacle(const SupplyReading &s);
// Lower-case colour from the colorant table, else a colour word of the
// description ("Toner (Cyan)", "CANON Matte Black Ink Tank"), else none.
std::string supply_colour(const SupplyReading &s, const std::map<std::int64_t, std::string> &colorants,
                          ColourSource *source = nullptr);
std::optional<double> supply_percent(const SupplyReading &s);
SupplyState supply_state(const SupplyReading &s, double lowPercent = DEFAULT_LOW_PERCENT);
// A description as one short line: the text before the first line break or
// control byte, without an appended part or serial number, spaces trimmed
// and collapsed, at most limit bytes (not within a UTF-8 character).
std::string clean_description(std::string_view text, std::size_t limit = 40);

// Names of the enumerations the model keeps as numbers (nullptr when the
// value has no name).
const char *supply_type_name(std::int64_t type);      // "toner", "wasteToner", ...
const char *supply_class_name(std::int64_t cls);      // "supplyThatIsConsumed", ...
const char *supply_unit_name(std::int64_t unit);      // "percent", "impressions", ...
const char *tray_type_name(std::int64_t type);        // "sheetFeedManual", ...
const char *device_status_name(std::int64_t status);  // hrDeviceStatus: "running", "warning", "down", ...
const char *printer_status_name(std::int64_t status); // hrPrinterStatus: "idle", "printing", ...
const char *alert_severity_name(std::int64_t severity);
const char *alert_group_name(std::int64_t group);
const char *alert_code_name(std::int64_t code);

// ---- The judgement -------------------------------------------------------------

// Monitoring Plugins' states, numbered as their exit statuses.
enum class HealthState : std::uint8_t { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };
const char *health_state_name(HealthState s);  // "OK", "WARNING", "CRITICAL", "UNKNOWN"
std::optional<HealthState> health_state_named(std::string_view name);  // any case
// The worse of two: CRITICAL, then WARNING, then UNKNOWN, then OK (the order
// of the Monitoring Plugins' max_state_alt).
HealthState worse(HealthState a, HealthState b);

// A threshold in the Monitoring Plugins' range syntax: "10" (alert outside
// 0..10), "10:" (below 10), "~:10" (above 10), "10:20" (outside), "@10:20"
// (inside).
struct ThresholdRange {
    double start = 0, end = 0;
    bool startInfinite = false, endInfinite = true;
    bool alertInside = false;
    std::string text;  // as given
    bool alerts(double value) const;
};
// The range, or none (with why in *error) for text that is not one.
std::optional<ThresholdRange> parse_range(std::string_view text, std::string *error = nullptr);
// "below 20%", "above 90%", "outside 10-20%", "within 10-20%".
std::string describe_range(const ThresholdRange &range);

// What an administrator decides; the defaults are what most want.
struct HealthRules {
    ThresholdRange warning = *parse_range("20:");   // percent of capacity left
    ThresholdRange critical = *parse_range("5:");
    HealthState silent = HealthState::Critical;      // no answer at all
    HealthState refused = HealthState::Unknown;      // an answer that turns us away
    HealthState notAPrinter = HealthState::Unknown;  // nothing about a printer's state
    HealthState someRemaining = HealthState::Ok;     // level -3 on its own
    HealthState emptyTray = HealthState::Warning;    // unless a manual feed
    HealthState missingTray = HealthState::Warning;
    HealthState openCover = HealthState::Warning;   // the doorOpen bit is the critical one
    HealthState criticalAlert = HealthState::Critical;
    HealthState warningAlert = HealthState::Warning;
    // Per detected-error bit: doorOpen, jammed, noToner and offline CRITICAL,
    // the others WARNING.
    std::array<HealthState, DETECTED_ERROR_COUNT> detectedError = default_detected_error_states();
    // Supplies and trays left out: by type name (supply or tray type) and by
    // a pattern searched in their description or name.
    std::vector<std::string> excludedTypes;
    std::vector<std::regex> excludedPatterns;

    static std::array<HealthState, DETECTED_ERROR_COUNT> default_detected_error_states();
};

struct HealthReason {
    HealthState state;  // OK: a note that does not alert ("magenta toner level unknown")
    std::string text;
};

struct HealthVerdict {
    HealthState state = HealthState::Ok;
    std::vector<HealthReason> reasons;  // in the order of the checks; notes included
};

bool excluded(const HealthRules &rules, const SupplyHealth &supply);
bool excluded(const HealthRules &rules, const TrayHealth &tray);
// The state a supply's level alone gives, and the reason (none for a plain OK).
HealthState judge_supply(const HealthRules &rules, const SupplyHealth &supply, std::string *reason = nullptr);
HealthVerdict judge_health(const PrinterHealth &health, const HealthRules &rules = {});
