// The health model: the readings of a printer typed and interpreted (bits
// decoded, colours found, levels turned into percentages and states, trays,
// covers and alerts classified), with unique names for messages and labels.
#include "reports/health.h"

#include <algorithm>
#include <cctype>

#include "reports/enums.h"

namespace {

constexpr const char *DETECTED_ERROR_NAMES[DETECTED_ERROR_COUNT] = {
    "lowPaper",  "noPaper",          "lowToner",         "noToner",           "doorOpen",
    "jammed",    "offline",          "serviceRequested", "inputTrayMissing",  "outputTrayMissing",
    "markerSupplyMissing", "outputNearFull", "outputFull", "inputTrayEmpty", "overduePreventMaint",
};

// hrDeviceStatus (RFC 2790).
constexpr EnumName DEVICE_STATUS_NAMES[] = {
    {1, "unknown"}, {2, "running"}, {3, "warning"}, {4, "testing"}, {5, "down"},
};

// prtInputType (RFC 3805 and IANA's Printer MIB).
constexpr EnumName TRAY_TYPE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "sheetFeedAutoRemovableTray"}, {4, "sheetFeedAutoNonRemovableTray"},
    {5, "sheetFeedManual"}, {6, "continuousRoll"}, {7, "continuousFanFold"}, {8, "sheetFeedPull"},
};

constexpr std::int64_t CLASS_OTHER = 1, CLASS_RECEPTACLE = 4;
constexpr std::int64_t TRAY_SHEET_FEED_MANUAL = 5;
constexpr std::int64_t ALERT_GROUP_INPUT = 8, ALERT_INPUT_TRAY_MISSING = 801;
constexpr std::int64_t COVER_OPEN = 3, INTERLOCK_OPEN = 5;

std::string lower(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The word at pos of text (lower case) stands alone: no letter before or after.
bool whole_word_at(const std::string &text, std::size_t pos, std::size_t length) {
    auto letter = [&text](std::size_t i) { return std::isalpha(static_cast<unsigned char>(text[i])) != 0; };
    if (pos > 0 && letter(pos - 1)) return false;
    return pos + length >= text.size() || !letter(pos + length);
}

bool has_word(const std::string &lowerText, std::string_view word) {
    for (std::size_t pos = lowerText.find(word); pos != std::string::npos; pos = lowerText.find(word, pos + 1))
        if (whole_word_at(lowerText, pos, word.size())) return true;
    return false;
}

// Colour words of supply descriptions, the two-word ones first so that
// "Matte Black" is not taken for "black". "grey" is written "gray".
constexpr const char *COLOUR_WORDS[][2] = {
    {"light cyan", "light cyan"},   {"light magenta", "light magenta"}, {"light black", "light black"},
    {"light gray", "light gray"},   {"light grey", "light gray"},       {"photo black", "photo black"},
    {"matte black", "matte black"}, {"dark gray", "dark gray"},         {"black", "black"},
    {"cyan", "cyan"},               {"magenta", "magenta"},             {"yellow", "yellow"},
    {"red", "red"},                 {"green", "green"},                 {"blue", "blue"},
    {"orange", "orange"},           {"violet", "violet"},               {"gray", "gray"},
    {"grey", "gray"},               {"white", "white"},                 {"gold", "gold"},
    {"silver", "silver"},
};

std::string colour_in(std::string_view description) {
    const std::string text = lower(description);
    for (const auto &word : COLOUR_WORDS)
        if (has_word(text, word[0])) return word[1];
    return {};
}

bool is_waste_type(std::int64_t type) {
    // wasteToner, wasteInk, wasteWax, wasteWater, wastePaper
    return type == 4 || type == 8 || type == 14 || type == 24 || type == 26;
}

// "tonerCartridge" -> "toner cartridge"; the photoconductor is the drum.
std::string type_words(std::int64_t type) {
    const char *name = supply_type_name(type);
    if (!name || type <= 2) return {};
    if (type == 9) return "drum";
    std::string words;
    for (const char *p = name; *p; ++p) {
        if (std::isupper(static_cast<unsigned char>(*p))) words += ' ';
        words += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return words;
}

template <class Item>
std::map<std::string, int> name_counts(const std::vector<Item> &items) {
    std::map<std::string, int> seen;
    for (const Item &i : items) ++seen[i.displayName];
    return seen;
}

// Names unique within their list: a repeated name becomes its description
// when that tells the items apart ("Black Toner 1", "Black Toner 2"), else
// gets " #index".
template <class Item>
void make_unique_names(std::vector<Item> &items, std::string (*described)(const Item &)) {
    std::map<std::string, int> seen = name_counts(items);
    std::map<std::string, int> descriptions;
    for (const Item &i : items)
        if (seen[i.displayName] > 1) ++descriptions[described(i)];
    for (Item &i : items)
        if (seen[i.displayName] > 1 && !described(i).empty() && descriptions[described(i)] == 1)
            i.displayName = described(i);
    seen = name_counts(items);
    for (Item &i : items)
        if (seen[i.displayName] > 1) i.displayName += " #" + std::to_string(i.index);
}

// What a description says the supply is when its type column is missing.
std::string kind_in(std::string_view description) {
    const std::string text = lower(description);
    for (const char *kind : {"toner", "ink", "drum", "developer", "ribbon", "wax", "cartridge"})
        if (has_word(text, kind)) return kind;
    return {};
}

std::string supply_description(const SupplyHealth &s) { return clean_description(s.description.value_or("")); }

std::string supply_name(const SupplyHealth &s) {
    const std::string description = supply_description(s);
    std::string kind = s.type ? type_words(*s.type) : std::string();
    if (kind.empty() && (!s.type || *s.type <= 2)) kind = kind_in(description);
    if (!s.colour.empty() && !kind.empty()) return s.colour + " " + kind;
    if (!description.empty()) return description;
    if (!kind.empty()) return kind;
    return "supply " + std::to_string(s.index);
}

std::string tray_description(const TrayHealth &t) { return clean_description(t.description.value_or("")); }
std::string cover_description(const CoverHealth &) { return {}; }

SupplyHealth interpret_supply(const SupplyReading &r, const std::map<std::int64_t, std::string> &colorants,
                              double lowPercent) {
    SupplyHealth s;
    static_cast<SupplyReading &>(s) = r;
    s.colour = supply_colour(r, colorants, &s.colourSource);
    s.receptacle = is_receptacle(r);
    s.percent = supply_percent(r);
    s.state = supply_state(r, lowPercent);
    s.displayName = supply_name(s);
    return s;
}

bool named_manual(const TrayReading &t) {
    for (const std::optional<std::string> &text : {t.name, t.description}) {
        if (!text) continue;
        const std::string l = lower(*text);
        for (const char *word : {"manual", "bypass", "multi-purpose", "multipurpose", "mp", "mptray", "mp tray"})
            if (has_word(l, word)) return true;
    }
    return false;
}

TrayHealth interpret_tray(const TrayReading &r, const std::vector<AlertReading> &alerts) {
    TrayHealth t;
    static_cast<TrayReading &>(t) = r;
    const bool typeKnown = r.type && *r.type > 2;
    t.manualFeed = typeKnown ? *r.type == TRAY_SHEET_FEED_MANUAL : named_manual(r);
    t.empty = r.level && *r.level == 0;
    for (const AlertReading &a : alerts)
        if (a.group == ALERT_GROUP_INPUT && a.groupIndex == r.index && a.code == ALERT_INPUT_TRAY_MISSING)
            t.missing = true;
    std::string name = clean_description(r.name.value_or(""));
    if (name.empty()) name = clean_description(r.description.value_or(""));
    t.displayName = name.empty() ? "tray " + std::to_string(r.index) : name;
    return t;
}

}  // namespace

const char *detected_error_name(DetectedError e) {
    const auto n = static_cast<std::size_t>(e);
    return n < DETECTED_ERROR_COUNT ? DETECTED_ERROR_NAMES[n] : "";
}

std::optional<DetectedError> detected_error_named(std::string_view name) {
    for (int n = 0; n < DETECTED_ERROR_COUNT; ++n)
        if (lower(name) == lower(DETECTED_ERROR_NAMES[n])) return static_cast<DetectedError>(n);
    return std::nullopt;
}

std::vector<DetectedError> DetectedErrors::list() const {
    std::vector<DetectedError> out;
    for (int n = 0; n < DETECTED_ERROR_COUNT; ++n)
        if (has(static_cast<DetectedError>(n))) out.push_back(static_cast<DetectedError>(n));
    return out;
}

DetectedErrors decode_detected_errors(std::string_view octets) {
    DetectedErrors errors;
    for (std::size_t octet = 0; octet < 2 && octet < octets.size(); ++octet) {
        const auto byte = static_cast<unsigned char>(octets[octet]);
        for (int bit = 0; bit < 8; ++bit) {
            const int n = static_cast<int>(octet) * 8 + bit;
            if (n < DETECTED_ERROR_COUNT && (byte & (0x80 >> bit))) errors.bits |= static_cast<std::uint16_t>(1u << n);
        }
    }
    return errors;
}

const char *supply_state_name(SupplyState s) {
    switch (s) {
    case SupplyState::Ok: return "ok";
    case SupplyState::Low: return "low";
    case SupplyState::Empty: return "empty";
    case SupplyState::SomeRemaining: return "someRemaining";
    case SupplyState::Unknown: return "unknown";
    case SupplyState::NoRestriction: return "noRestriction";
    }
    return "";
}

bool is_receptacle(const SupplyReading &s) {
    if (s.supplyClass && *s.supplyClass != CLASS_OTHER) return *s.supplyClass == CLASS_RECEPTACLE;
    // Without a class (a column many printers leave out) the type says it,
    // and without a type the description.
    if (s.type && *s.type > 2) return is_waste_type(*s.type);
    return has_word(lower(s.description.value_or("")), "waste");
}

std::string supply_colour(const SupplyReading &s, const std::map<std::int64_t, std::string> &colorants,
                          ColourSource *source) {
    if (source) *source = ColourSource::None;
    if (s.colorantIndex && *s.colorantIndex > 0) {
        auto it = colorants.find(*s.colorantIndex);
        if (it != colorants.end()) {
            std::string colour = lower(clean_description(it->second));
            if (!colour.empty()) {
                if (source) *source = ColourSource::Colorant;
                return colour;
            }
        }
    }
    std::string colour = colour_in(s.description.value_or(""));
    if (!colour.empty() && source) *source = ColourSource::Description;
    return colour;
}

std::optional<double> supply_percent(const SupplyReading &s) {
    if (!s.level || !s.capacity || *s.level < 0 || *s.capacity <= 0) return std::nullopt;
    // A level above the capacity (a cartridge filled past its rating) is full.
    const double filled = std::min(1.0, static_cast<double>(*s.level) / static_cast<double>(*s.capacity)) * 100.0;
    return is_receptacle(s) ? 100.0 - filled : filled;
}

SupplyState supply_state(const SupplyReading &s, double lowPercent) {
    if (!s.level) return SupplyState::Unknown;
    switch (*s.level) {
    case -1: return SupplyState::NoRestriction;
    case -2: return SupplyState::Unknown;
    case -3: return SupplyState::SomeRemaining;
    default: break;
    }
    if (*s.level < 0) return SupplyState::Unknown;
    if (const std::optional<double> left = supply_percent(s)) {
        if (*left <= 0) return SupplyState::Empty;
        return *left < lowPercent ? SupplyState::Low : SupplyState::Ok;
    }
    // No capacity to compare with: a consumed supply at 0 has nothing left,
    // above 0 some; an empty receptacle has all its room, a filled one an
    // unknown part of it.
    if (is_receptacle(s)) return *s.level == 0 ? SupplyState::Ok : SupplyState::Unknown;
    return *s.level == 0 ? SupplyState::Empty : SupplyState::SomeRemaining;
}

std::string clean_description(std::string_view text, std::size_t limit) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) break;
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += static_cast<char>(c);
    }
    // Part and serial numbers some printers append ("Black Toner, PN
    // 006R01509;SN4817...", "Black Toner Cartridge S/N:CRUM-") name no part.
    for (const char *tail : {", PN ", ";SN", " S/N", " P/N", " SN:", " PN:"})
        if (const std::size_t at = out.find(tail); at != std::string::npos && at > 0) out.resize(at);
    while (!out.empty() && (out.back() == ' ' || out.back() == ',' || out.back() == ';')) out.pop_back();
    if (out.size() > limit) {
        out.resize(limit);
        // Not in the middle of a UTF-8 character.
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xc0) == 0x80) out.pop_back();
        if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xc0) out.pop_back();
        while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return out;
}

const char *supply_type_name(std::int64_t type) { return table_name(MARKERSUPPLIESTYPE, type); }
const char *supply_class_name(std::int64_t cls) { return table_name(MARKERSUPPLIESCLASS, cls); }
const char *supply_unit_name(std::int64_t unit) { return table_name(MARKERSUPPLIESUNIT, unit); }
const char *tray_type_name(std::int64_t type) { return table_name(TRAY_TYPE_NAMES, type); }
const char *device_status_name(std::int64_t status) { return table_name(DEVICE_STATUS_NAMES, status); }
const char *printer_status_name(std::int64_t status) { return table_name(HRSTATUSSTATES, status); }
const char *alert_severity_name(std::int64_t severity) { return table_name(PRTALERTSEVERITYLEVEL, severity); }
const char *alert_group_name(std::int64_t group) { return table_name(PRTALERTGROUP, group); }
const char *alert_code_name(std::int64_t code) { return table_name(PRTALERTCODE, code); }

bool PrinterHealth::reportsState() const {
    return deviceStatus || printerStatus || detectedErrors || !supplies.empty() || !trays.empty() ||
           !covers.empty() || !alerts.empty();
}

PrinterHealth interpret_health(const HealthReadings &r, double lowPercent) {
    PrinterHealth h;
    h.reachability = r.reachability;
    h.failure = r.failure;
    while (!h.failure.empty() && (h.failure.back() == '\n' || h.failure.back() == ' ')) h.failure.pop_back();
    h.vendor = r.vendor.value_or("");
    h.model = clean_description(r.model.value_or(""), 64);
    h.serial = clean_description(r.serial.value_or(""));
    h.deviceStatus = r.deviceStatus;
    h.printerStatus = r.printerStatus;
    if (r.detectedErrorOctets) h.detectedErrors = decode_detected_errors(*r.detectedErrorOctets);
    h.pageCount = r.pageCount;
    h.pageCountUnit = r.pageCountUnit;
    for (const SupplyReading &s : r.supplies) h.supplies.push_back(interpret_supply(s, r.colorants, lowPercent));
    for (const TrayReading &t : r.trays) h.trays.push_back(interpret_tray(t, r.alerts));
    for (const CoverReading &c : r.covers) {
        CoverHealth cover;
        static_cast<CoverReading &>(cover) = c;
        cover.open = c.status == COVER_OPEN || c.status == INTERLOCK_OPEN;
        const std::string name = clean_description(c.description.value_or(""));
        cover.displayName = name.empty() ? "cover " + std::to_string(c.index) : name;
        h.covers.push_back(cover);
    }
    for (const AlertReading &a : r.alerts) h.alerts.push_back(AlertHealth{a});
    make_unique_names(h.supplies, supply_description);
    make_unique_names(h.trays, tray_description);
    make_unique_names(h.covers, cover_description);
    return h;
}
