// Classic output: the rendering of typed pieces as key="value"; text, and the
// serialised writing of every printer's lines.
#include "reports/classic.h"


void ClassicWriter::write(const void *printer, const std::string &host, bool names, bool continues,
                          std::string_view text) {
    std::lock_guard<std::mutex> lock(outputLock);
    std::string piece;
    const bool newLine = printer != lastPrinter || !continues;
    if (newLine && lastContinued) piece += '\n';
    // A fragment that follows its printer's own finished line (a record line, or
    // a fragment ending in "\n") also starts a line: it carries the name too.
    if ((newLine || atLineStart) && names) {
        piece += "hostname=\"";
        piece += host;
        piece += "\";";
    }
    piece.append(text);
    std::fwrite(piece.data(), 1, piece.size(), out_);
    std::fflush(out_);
    lastPrinter = printer;
    lastContinued = continues;
    if (!piece.empty()) atLineStart = piece.back() == '\n';
}

void ClassicWriter::finish() {
    std::lock_guard<std::mutex> lock(outputLock);
    if (lastContinued) {
        std::fputc('\n', out_);
        lastContinued = false;
        atLineStart = true;
    }
    std::fflush(out_);
}

void ClassicOutput::piece(const Piece &piece) {
    writer_.write(this, host(), names_, piece.kind == Piece::Kind::Fragment, classic_text(piece));
}

void ClassicOutput::warn(const std::string &text, bool) { std::fputs(text.c_str(), err_); }

void ClassicOutput::failed(const std::string &message) { std::fputs(message.c_str(), err_); }

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
    for (std::size_t i = 0; i < piece.fields.size(); ++i) {
        const Field &f = piece.fields[i];
        text += f.key;
        text += "=\"";
        append_value(text, f.value);
        text += '"';
        if (!(piece.lastWithoutSemicolon && i + 1 == piece.fields.size())) text += ';';
    }
    const bool record = piece.kind == Piece::Kind::Record;
    if (record || piece.endsLine) text += '\n';
    return piece.cut ? cut_line(std::move(text), record) : text;
}
