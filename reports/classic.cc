// Classic output: the rendering of typed pieces as key="value"; text, and the
// line each printer holds until it is complete.
#include "reports/classic.h"

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

void append_value(std::string &out, const FieldValue &v) {
    switch (v.kind) {
    case FieldValue::Kind::Text: out += escape_value(v.str); break;
    case FieldValue::Kind::Name:
    case FieldValue::Kind::Absent: out += v.str; break;
    case FieldValue::Kind::Signed: out += std::to_string(v.s); break;
    case FieldValue::Kind::Unsigned: out += std::to_string(v.u); break;
    case FieldValue::Kind::YesNo: out += v.yes ? 'Y' : 'N'; break;
    }
}

}  // namespace

std::string cut_line(std::string text, bool recordLine) {
    if (text.size() <= LINE_MAX_CHARS) return text;
    bool hadNewline = text.back() == '\n';
    text.resize(LINE_MAX_CHARS);
    // A cut line keeps its line end, so the next line does not run into it.
    if (recordLine || hadNewline) text.back() = '\n';
    return text;
}

std::string classic_text(const Piece &piece) {
    std::string text;
    std::size_t last = piece.fields.size();
    while (last > 0 && !piece.fields[last - 1].classic) --last;
    for (std::size_t i = 0; i < last; ++i) {
        const Field &f = piece.fields[i];
        if (!f.classic) continue;
        text += f.key;
        text += "=\"";
        append_value(text, f.value);
        text += '"';
        if (!(piece.lastWithoutSemicolon && i + 1 == last)) text += ';';
    }
    const bool record = piece.kind == Piece::Kind::Record;
    if (record || piece.endsLine) text += '\n';
    return piece.cut ? cut_line(std::move(text), record) : text;
}
