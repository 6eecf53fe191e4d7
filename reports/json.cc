// JSON output: typed fields into one object per printer (nlohmann's ordered
// objects keep the order the reports give), tables as arrays of row objects.
#include "reports/json.h"

#include <nlohmann/json.hpp>

#include "reports/health.h"

using Json = nlohmann::ordered_json;

struct JsonOutput::Object {
    Json top = Json::object();
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

// The library escapes the C0 controls only; DEL and the C1 controls
// U+0080-U+009F (CSI and OSC to a terminal) would pass as the byte 7F and
// the UTF-8 bytes C2 80-C2 9F. In a dumped text those bytes stand only inside
// strings, where \u00XX means the same character.
std::string with_controls_escaped(const std::string &json) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(json.size());
    auto escape = [&out](unsigned char c) {
        out += "\\u00";
        out += hex[c >> 4];
        out += hex[c & 0xf];
    };
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
        if (c == 0x7f) {
            escape(c);
        } else if (c == 0xc2 && next >= 0x80 && next <= 0x9f) {
            escape(next);
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
    : PrinterOutput(std::move(host)), writer_(writer), fields_(std::make_unique<Object>()) {}

JsonOutput::~JsonOutput() = default;

namespace {

Json object_of(const Fields &fields) {
    Json object = Json::object();
    for (const Field &f : fields.list) object[f.key] = json_value(f.value);
    return object;
}

}  // namespace

void JsonOutput::found(Group group, const Fields &fields) {
    Json &top = fields_->top;
    Json &target = group == Group::PaperEstimates ? top["paper"] : top;
    for (const Field &f : fields.list) target[f.key] = json_value(f.value);
}

void JsonOutput::row(Table table, const Fields &fields, unsigned) {
    fields_->top[table_name(table)].push_back(object_of(fields));
}

void JsonOutput::health(const PrinterHealth &health, const HealthVerdict &verdict) {
    Json &top = fields_->top;
    Json &errors = top["detectedErrors"] = nullptr;
    if (health.detectedErrors) {
        errors = Json::array();
        for (DetectedError e : health.detectedErrors->list()) errors.push_back(detected_error_name(e));
    }
    Json reasons = Json::array();
    for (const HealthReason &r : verdict.reasons)
        reasons.push_back(Json{{"state", health_state_name(r.state)}, {"text", string_value(r.text)}});
    top["health"] = Json{{"state", health_state_name(verdict.state)}, {"reasons", std::move(reasons)}};
}

void JsonOutput::warn(const Message &message, bool) { warnings_.push_back(without_line_end(message.raw())); }

void JsonOutput::failed(const Message &message) {
    error_ += message.raw();
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
    return with_controls_escaped(text);
}

void JsonOutput::finish(int status) {
    std::string text = this->text(status);
    text += '\n';
    writer_.write_lines(text);
}
