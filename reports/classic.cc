// Classic output: the layout of groups and table rows as key="value"; pieces,
// and the line each printer holds until it is complete.
#include "reports/classic.h"

#include <cstring>
#include <initializer_list>

#include "reports/health.h"

namespace {

constexpr std::size_t LINE_MAX_CHARS = 511;  // a 512-byte line buffer with its NUL

std::string value_text(const FieldValue &v) {
    switch (v.kind) {
    case FieldValue::Kind::Text: return escape_value(v.str);
    case FieldValue::Kind::Name:
    case FieldValue::Kind::Absent: return v.str;
    case FieldValue::Kind::Signed: return std::to_string(v.s);
    case FieldValue::Kind::Unsigned: return std::to_string(v.u);
    case FieldValue::Kind::YesNo: return v.yes ? "Y" : "N";
    }
    return {};
}

// Appends key="value" and its closing to text within room bytes; false when
// the field did not fit whole. A value that does not fit keeps the escape
// sequences and characters that do, and is still closed, so a cut line
// parses like any other; a field whose key does not fit is left out.
bool append_field(std::string &text, const Field &f, const char *closing, std::size_t room) {
    const std::size_t frame = f.key.size() + 2 + std::strlen(closing);
    std::string value = value_text(f.value);
    const bool whole = text.size() + frame + value.size() <= room;
    if (!whole) {
        if (text.size() + frame > room) return false;
        const std::size_t left = room - text.size() - frame;
        // Our own texts and numbers are ASCII; printer text is cut between units.
        if (f.value.kind == FieldValue::Kind::Text)
            value = escape_value(f.value.str, left);
        else
            value.resize(left);
    }
    text += f.key;
    text += "=\"";
    text += value;
    text += closing;
    return whole;
}

using FieldList = std::vector<const Field *>;

FieldList every_field(const Fields &fields) {
    FieldList list;
    for (const Field &f : fields.list) list.push_back(&f);
    return list;
}

// The fields of these keys that the row has, in this order.
FieldList columns(const Fields &fields, std::initializer_list<const char *> keys) {
    FieldList list;
    for (const char *key : keys)
        if (const Field *f = fields.find(key)) list.push_back(f);
    return list;
}

ClassicPiece own_line(const FieldList &fields, bool cut, bool lastBare = false) {
    return {false, classic_text(fields, cut, true, lastBare)};
}

ClassicPiece continuing(const FieldList &fields, bool cut, bool endsLine = false) {
    return {true, classic_text(fields, cut, endsLine)};
}

// The Printer MIB's groups are formatted into a 512-byte line; so are the
// answers, one field at a time.
bool is_printer_mib(Group group) {
    switch (group) {
    case Group::Serial:
    case Group::MediaSummary:
    case Group::PaperEstimates:
    case Group::LanguageAnswers:
    case Group::ChannelAnswers: return true;
    default: return false;
    }
}

bool field_by_field(Group group) {
    return group == Group::PaperEstimates || group == Group::LanguageAnswers || group == Group::ChannelAnswers;
}

// A marker's reports: the row line (--marker), then on the printer's line the
// page count and the colours (each ending the line), the resolution and the
// margins, whose unit is left out when the resolution has just shown it.
std::vector<ClassicPiece> marker_pieces(const Fields &f, unsigned parts) {
    std::vector<ClassicPiece> pieces;
    if (parts & MARKER_ROW)
        pieces.push_back(own_line(columns(f, {"markerTechnology", "counterUnits", "lifeCount", "processColorants",
                                              "addressabilityUnit", "addressabilityFeedDir", "addressabilityXFeedDir",
                                              "northMargin", "southMargin", "eastMargin", "westMargin", "status"}),
                                  true));
    if (parts & MARKER_PAGECOUNT) pieces.push_back(continuing(columns(f, {"counterUnits", "pagecount"}), true, true));
    if (parts & MARKER_COLORS) pieces.push_back(continuing(columns(f, {"processColorants"}), true, true));
    if (parts & MARKER_RESOLUTION)
        pieces.push_back(continuing(
            columns(f, {"addressabilityUnit", "addressabilityFeedDir", "addressabilityXFeedDir"}), true));
    if (parts & MARKER_MARGINS) {
        FieldList margins = columns(f, {"northMargin", "southMargin", "eastMargin", "westMargin"});
        if (!(parts & MARKER_RESOLUTION))
            if (const Field *unit = f.find("addressabilityUnit")) margins.insert(margins.begin(), unit);
        pieces.push_back(continuing(margins, true));
    }
    return pieces;
}

// A supply: its type and unit continue the printer's line, the rest is the
// row line; the percentage and the level's state are not in the classic line.
std::vector<ClassicPiece> supply_pieces(const Fields &f) {
    std::vector<ClassicPiece> pieces;
    for (const char *key : {"type", "supplyunit"})
        if (const Field *field = f.find(key)) pieces.push_back(continuing({field}, true));
    pieces.push_back(own_line(columns(f, {"class", "desc", "maxcap", "level"}), true));
    return pieces;
}

}  // namespace

std::string classic_text(const std::vector<const Field *> &fields, bool cut, bool endsLine, bool lastBare) {
    // A cut piece is at most 511 characters, its line end included.
    const std::size_t room = cut ? LINE_MAX_CHARS - (endsLine ? 1 : 0) : std::string::npos;
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool bare = lastBare && i + 1 == fields.size();
        if (!append_field(text, *fields[i], bare ? "\"" : "\";", room)) break;
    }
    if (endsLine) text += '\n';
    return text;
}

std::string classic_text(const Fields &fields, bool cut, bool endsLine, bool lastBare) {
    return classic_text(every_field(fields), cut, endsLine, lastBare);
}

std::vector<ClassicPiece> classic_pieces(Group group, const Fields &fields) {
    const bool cut = is_printer_mib(group);
    if (!field_by_field(group)) return {continuing(every_field(fields), cut)};
    std::vector<ClassicPiece> pieces;
    for (const Field &f : fields.list) pieces.push_back(continuing({&f}, cut));
    return pieces;
}

std::vector<ClassicPiece> classic_pieces(Table table, const Fields &fields, unsigned parts) {
    switch (table) {
    case Table::Storage: return {own_line(every_field(fields), false)};
    // The connection line ends its last field without the ';'.
    case Table::Connections: return {own_line(every_field(fields), false, true)};
    case Table::Markers: return marker_pieces(fields, parts);
    case Table::MediaPaths:
    case Table::InputTrays:
    case Table::Languages:
    case Table::Channels:
    case Table::Covers: return {own_line(every_field(fields), true)};
    // A display line continues the printer's line and ends it.
    case Table::Display: return {continuing(every_field(fields), true, true)};
    case Table::HpDisplay: return {continuing(every_field(fields), false, true)};
    case Table::Supplies: return supply_pieces(fields);
    case Table::Alerts:
        return {own_line(columns(fields, {"severityLevel", "trainingLevel", "group", "groupIndex", "location", "code",
                                          "description", "time"}),
                         true)};
    }
    return {};
}

void ClassicOutput::found(Group group, const Fields &fields) { write(classic_pieces(group, fields)); }

Fields health_fields(const HealthVerdict &verdict) {
    std::string reasons;
    for (const HealthReason &r : verdict.reasons)
        reasons += (reasons.empty() ? "" : "; ") + std::string(health_state_name(r.state)) + " " + r.text;
    // The reasons quote what printers call their parts: escaped like their text.
    return Fields().name("health", health_state_name(verdict.state)).text("healthReasons", reasons);
}

void ClassicOutput::health(const PrinterHealth &, const HealthVerdict &verdict) {
    write({continuing(every_field(health_fields(verdict)), false)});
}

void ClassicOutput::row(Table table, const Fields &fields, unsigned parts) {
    write(classic_pieces(table, fields, parts));
}

void ClassicOutput::write(const std::vector<ClassicPiece> &pieces) {
    for (const ClassicPiece &p : pieces) write_text(p.text, !p.continues);
}

void ClassicOutput::write_text(std::string_view text, bool record) {
    if (record) close_line();
    const bool endsLine = !text.empty() && text.back() == '\n';
    if (endsLine) text.remove_suffix(1);
    // A piece without fields opens no line: no run prints an empty line.
    if (!text.empty()) {
        if (!lineOpen_) {
            line_.clear();
            if (names_) line_ = "hostname=\"" + host() + "\";";
            lineOpen_ = true;
        }
        line_.append(text);
    }
    if (endsLine) close_line();
}

void ClassicOutput::close_line() {
    if (!lineOpen_) return;
    line_ += '\n';
    writer_.write_lines(line_);
    line_.clear();
    lineOpen_ = false;
}

void ClassicOutput::warn(const Message &message, bool namesPrinter) {
    const std::string text = message.escaped();
    writer_.write_message(names_ && !namesPrinter ? with_host_prefix(host(), text) : text);
}

// The worker ends: what it had of its line goes out before its message.
void ClassicOutput::failed(const Message &message) {
    close_line();
    writer_.write_message(message.escaped());
}

std::string with_host_prefix(const std::string &host, std::string_view text) {
    std::string out;
    out.reserve(text.size() + host.size() + 2);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t n = end == std::string_view::npos ? text.size() : end + 1;
        out += host;
        out += ": ";
        out.append(text.substr(0, n));
        text.remove_prefix(n);
    }
    return out;
}
