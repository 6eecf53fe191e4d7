// output: helpers of the output model.
#include "reports/output.h"

#include <cstdarg>
#include <cstdio>

const Field *Fields::find(std::string_view key) const {
    for (const Field &f : list)
        if (f.key == key) return &f;
    return nullptr;
}

void PrinterOutput::health(const PrinterHealth &, const HealthVerdict &) {}

const char *table_name(Table table) {
    switch (table) {
        case Table::Storage: return "storage";
        case Table::Connections: return "connections";
        case Table::Markers: return "markers";
        case Table::MediaPaths: return "mediaPaths";
        case Table::InputTrays: return "inputTrays";
        case Table::Languages: return "languages";
        case Table::Channels: return "channels";
        case Table::Display:
        case Table::HpDisplay: return "display";
        case Table::Covers: return "covers";
        case Table::Supplies: return "supplies";
        case Table::Alerts: return "alerts";
    }
    return "";
}

std::string Message::escaped() const {
    std::string text;
    for (const Part &p : parts_) text += p.printer ? escape_value(p.text) : p.text;
    return text;
}

std::string Message::raw() const {
    std::string text;
    for (const Part &p : parts_) text += p.text;
    return text;
}

std::string format_text(const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return text;
}

namespace {

const char HEX[] = "0123456789abcdef";

void append_hex(std::string &out, unsigned char c) {
    out += "\\x";
    out += HEX[c >> 4];
    out += HEX[c & 0xf];
}

// The escaped form of the unit at the start of rest (one byte, or one whole
// UTF-8 character) into unit; returns the bytes of rest it stands for.
std::size_t escape_unit(std::string_view rest, std::string &unit) {
    unit.clear();
    const auto c = static_cast<unsigned char>(rest[0]);
    if (c == '"' || c == '\\') {
        unit += '\\';
        unit += rest[0];
    } else if (c == '\n') {
        unit += "\\n";
    } else if (c < 0x20 || c == 0x7f) {
        append_hex(unit, c);
    } else if (c < 0x80) {
        unit += rest[0];
    } else if (const std::size_t n = utf8_length(rest); n != 0) {
        // U+0080-U+009F (C2 80-C2 9F) are the C1 controls: a terminal takes
        // U+009B as CSI and U+009D as OSC. Every other character passes.
        if (c == 0xc2 && static_cast<unsigned char>(rest[1]) <= 0x9f) {
            append_hex(unit, c);
            append_hex(unit, static_cast<unsigned char>(rest[1]));
        } else {
            unit.assign(rest.substr(0, n));
        }
        return n;
    } else if (c <= 0x9f) {
        // A byte outside any character: 0x80-0x9F are C1 controls to a
        // terminal that reads 8-bit text.
        append_hex(unit, c);
    } else {
        unit += rest[0];
    }
    return 1;
}

}  // namespace

std::size_t utf8_length(std::string_view s) {
    auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xbf;  // range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        n = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        n = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        n = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    }
    if (n == 0 || s.size() < n || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
    return n;
}

std::string escape_value(std::string_view text, std::size_t limit) {
    std::string out;
    out.reserve(text.size() < limit ? text.size() : limit);
    std::string unit;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t used = escape_unit(text.substr(i), unit);
        if (out.size() + unit.size() > limit) break;
        out += unit;
        i += used;
    }
    return out;
}
