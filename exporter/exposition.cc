// exposition: Prometheus' text format, written family by family.
#include "exporter/exposition.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "reports/json.h"

namespace {

const char *type_name(MetricType type) {
    switch (type) {
        case MetricType::Gauge: return "gauge";
        case MetricType::Counter: return "counter";
        case MetricType::Summary: return "summary";
        case MetricType::Histogram: return "histogram";
    }
    return "untyped";
}

// HELP text: the format escapes '\' and the newline there.
std::string escape_help(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

}  // namespace

std::string escape_label_value(std::string_view bytes) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    const std::string text = utf8_or_latin1(bytes);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c == 0x7f) out += "\xef\xbf\xbd";
        else if (c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            // U+0080-U+009F, the C1 controls (the text is well-formed UTF-8 here).
            out += "\xef\xbf\xbd";
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string format_sample_value(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string format_sample_value(std::int64_t value) { return std::to_string(value); }
std::string format_sample_value(std::uint64_t value) { return std::to_string(value); }

void Exposition::family(const std::string &name, MetricType type, std::string_view help) {
    if (index_.count(name)) return;
    index_.emplace(name, families_.size());
    families_.push_back(Family{name, type, std::string(help), {}, {}});
}

void Exposition::sample(const std::string &familyName, const Labels &labels, const std::string &value,
                        std::string_view suffix) {
    const auto found = index_.find(familyName);
    if (found == index_.end()) throw std::logic_error("sample of an undeclared metric family: " + familyName);
    Family &f = families_[found->second];
    std::string series = f.name;
    series += suffix;
    if (!labels.empty()) {
        series += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i) series += ',';
            series += labels[i].name;
            series += "=\"";
            series += escape_label_value(labels[i].value);
            series += '"';
        }
        series += '}';
    }
    if (!f.seen.insert(series).second) {
        ++duplicates_;
        return;
    }
    f.lines.push_back(series + ' ' + value + '\n');
}

std::string Exposition::text() const {
    std::string out;
    for (const Family &f : families_) {
        out += "# HELP " + f.name + ' ' + escape_help(f.help) + '\n';
        out += "# TYPE " + f.name + ' ' + type_name(f.type) + '\n';
        for (const std::string &line : f.lines) out += line;
    }
    return out;
}
