// JSON output: typed fields into one object per printer (nlohmann's ordered
// objects keep the order the reports give), tables as arrays of row objects.
#include "reports/json.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

struct JsonOutput::Fields {
    Json top = Json::object();
    const char *row = nullptr;  // the table whose last row takes the pieces
};

namespace {

Json string_value(std::string_view bytes) { return Json(utf8_or_latin1(bytes)); }

Json json_value(const FieldValue &v) {
    switch (v.kind) {
    case FieldValue::Kind::Text:
    case FieldValue::Kind::Name: return string_value(v.str);
    case FieldValue::Kind::Signed: return Json(v.s);
    case FieldValue::Kind::Unsigned: return Json(v.u);
    case FieldValue::Kind::YesNo: return Json(v.yes);
    case FieldValue::Kind::Absent: break;
    }
    return Json(nullptr);
}

// The library escapes the C0 controls only; the C1 controls U+0080-U+009F
// (CSI and OSC to a terminal) would pass as their UTF-8 bytes C2 80-C2 9F.
// In a dumped text those bytes stand only inside strings, where \u00XX means
// the same character.
std::string with_c1_escaped(const std::string &json) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (static_cast<unsigned char>(json[i]) == 0xc2 && next >= 0x80 && next <= 0x9f) {
            out += "\\u00";
            out += hex[next >> 4];
            out += hex[next & 0xf];
            ++i;
        } else {
            out += json[i];
        }
    }
    return out;
}

std::string without_line_end(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::string utf8_or_latin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        std::size_t n = utf8_length(bytes);
        if (n > 0) {
            out.append(bytes.substr(0, n));
        } else {
            const auto c = static_cast<unsigned char>(bytes[0]);
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
            n = 1;
        }
        bytes.remove_prefix(n);
    }
    return out;
}

JsonOutput::JsonOutput(OutputWriter &writer, std::string host)
    : PrinterOutput(std::move(host)), writer_(writer), fields_(std::make_unique<Fields>()) {}

JsonOutput::~JsonOutput() = default;

void JsonOutput::piece(const Piece &piece) {
    Json &top = fields_->top;
    Json *target = &top;
    if (fields_->row)
        target = &top[fields_->row].back();
    else if (piece.object)
        target = &top[piece.object];
    for (const Field &f : piece.fields) (*target)[f.key] = json_value(f.value);
}

void JsonOutput::begin_row(const char *table) {
    fields_->top[table].push_back(Json::object());
    fields_->row = table;
}

void JsonOutput::end_row() { fields_->row = nullptr; }

void JsonOutput::warn(const std::string &text, bool) { warnings_.push_back(without_line_end(text)); }

void JsonOutput::failed(const std::string &message) {
    error_ += message;
    failed_ = true;
}

std::string JsonOutput::text(int status) const {
    Json line = Json::object();
    line["host"] = string_value(host());
    // The status a run of this printer alone would exit with.
    line["exitStatus"] = status & 0xff;
    if (failed_) line["error"] = string_value(without_line_end(error_));
    Json &warnings = line["warnings"] = Json::array();
    for (const std::string &w : warnings_) warnings.push_back(string_value(w));
    std::string text = line.dump();
    // The report fields follow the keys above: the two objects' texts joined.
    if (!fields_->top.empty()) {
        text.back() = ',';
        text.append(fields_->top.dump(), 1);
    }
    return with_c1_escaped(text);
}

void JsonOutput::finish(int status) {
    std::string text = this->text(status);
    text += '\n';
    writer_.write_lines(text);
}
