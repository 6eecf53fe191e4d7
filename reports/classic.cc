// Classic output: the rendering of typed pieces as key="value"; text, and the
// line each printer holds until it is complete.
#include "reports/classic.h"

#include <cstring>

void ClassicOutput::piece(const Piece &piece) { write_text(classic_text(piece), piece.kind == Piece::Kind::Record); }

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

void ClassicOutput::warn(const std::string &text, bool namesPrinter) {
    writer_.write_message(names_ && !namesPrinter ? with_host_prefix(host(), text) : text);
}

// The worker ends: what it had of its line goes out before its message.
void ClassicOutput::failed(const std::string &message) {
    close_line();
    writer_.write_message(message);
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

}  // namespace

std::string classic_text(const Piece &piece) {
    const bool endsLine = piece.kind == Piece::Kind::Record || piece.endsLine;
    // A Printer MIB piece is at most 511 characters, its line end included.
    const std::size_t room = piece.cut ? LINE_MAX_CHARS - (endsLine ? 1 : 0) : std::string::npos;
    std::string text;
    // Fields of the typed output only (the JSON renderer's extras) are not
    // written; the last written field decides the closing.
    std::size_t last = piece.fields.size();
    while (last > 0 && !piece.fields[last - 1].classic) --last;
    for (std::size_t i = 0; i < last; ++i) {
        if (!piece.fields[i].classic) continue;
        const bool bare = piece.lastWithoutSemicolon && i + 1 == last;
        if (!append_field(text, piece.fields[i], bare ? "\"" : "\";", room)) break;
    }
    if (endsLine) text += '\n';
    return text;
}
