// Plugin output read by the Monitoring Plugins' grammar: the status line, the
// long output, and every performance datum 'label'=value[UOM];warn;crit;min;max
// (warn and crit in the range syntax, the rest numbers or empty), from the
// first line and from the long output after its first '|'. A reader that
// refuses what Nagios, Icinga and the graphing add-ons would misread.
#pragma once

#include <cctype>
#include <optional>
#include <regex>
#include <string>
#include <vector>

struct PerfDatum {
    std::string label;  // unquoted, '' read as '
    double value = 0;
    std::string uom, warn, crit, min, max;
};

struct PluginOutput {
    std::string status;                  // the first line's text before any '|'
    std::vector<std::string> longLines;  // the long output's text lines
    std::vector<PerfDatum> perf;
    std::string error;                   // what broke the grammar; empty when all is well
};

namespace perfdata_detail {

inline bool is_range(const std::string &t) {
    static const std::regex range(R"(^@?(~|-?[0-9]*\.?[0-9]+)?(:(-?[0-9]*\.?[0-9]+)?)?$)");
    return std::regex_match(t, range);
}

inline bool is_number_or_empty(const std::string &t) {
    static const std::regex number(R"(^(-?[0-9]*\.?[0-9]+)?$)");
    return std::regex_match(t, number);
}

// One datum from text at pos; advances pos past it and its separating spaces.
inline std::optional<PerfDatum> read_datum(const std::string &text, std::size_t &pos, std::string &error) {
    PerfDatum d;
    if (text[pos] == '\'') {
        for (++pos;; ++pos) {
            if (pos >= text.size()) return error = "unterminated quoted label", std::nullopt;
            if (text[pos] == '\'') {
                if (pos + 1 < text.size() && text[pos + 1] == '\'') {
                    d.label += '\'';
                    ++pos;
                    continue;
                }
                ++pos;
                break;
            }
            d.label += text[pos];
        }
    } else {
        while (pos < text.size() && text[pos] != '=' && text[pos] != ' ') d.label += text[pos++];
    }
    if (d.label.empty() || d.label.find('=') != std::string::npos) return error = "empty label", std::nullopt;
    if (pos >= text.size() || text[pos] != '=') return error = "no '=' after label " + d.label, std::nullopt;
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    const std::string rest = text.substr(pos + 1, end - pos - 1);
    pos = end;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    static const std::regex item(R"(^(-?[0-9]*\.?[0-9]+)(s|ms|us|%|B|KB|MB|GB|TB|c)?((;[^;]*){0,4})$)");
    std::smatch m;
    if (!std::regex_match(rest, m, item)) return error = "bad value in " + d.label + "=" + rest, std::nullopt;
    d.value = std::stod(m[1].str());
    d.uom = m[2].str();
    std::vector<std::string> fields;
    std::string tail = m[3].str();
    for (std::size_t at = 0; at < tail.size();) {
        const std::size_t next = std::min(tail.find(';', at + 1), tail.size());
        fields.push_back(tail.substr(at + 1, next - at - 1));
        at = next;
    }
    fields.resize(4);
    d.warn = fields[0], d.crit = fields[1], d.min = fields[2], d.max = fields[3];
    if (!is_range(d.warn) || !is_range(d.crit) || !is_number_or_empty(d.min) || !is_number_or_empty(d.max))
        return error = "bad thresholds or bounds in " + d.label + "=" + rest, std::nullopt;
    return d;
}

inline bool read_perf(const std::string &text, PluginOutput &out) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    while (pos < text.size()) {
        std::optional<PerfDatum> d = read_datum(text, pos, out.error);
        if (!d) return false;
        out.perf.push_back(*d);
    }
    return true;
}

}  // namespace perfdata_detail

inline PluginOutput parse_plugin_output(const std::string &text) {
    PluginOutput out;
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t nl = std::min(text.find('\n', from), text.size());
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    if (lines.empty()) {
        out.error = "no output";
        return out;
    }
    const std::size_t bar = lines[0].find('|');
    out.status = lines[0].substr(0, bar);
    if (bar != std::string::npos && !perfdata_detail::read_perf(lines[0].substr(bar + 1), out)) return out;
    bool inPerf = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (inPerf) {
            if (!perfdata_detail::read_perf(lines[i], out)) return out;
            continue;
        }
        const std::size_t b = lines[i].find('|');
        if (b == std::string::npos) {
            out.longLines.push_back(lines[i]);
            continue;
        }
        if (b > 0) out.longLines.push_back(lines[i].substr(0, b));
        inPerf = true;
        if (!perfdata_detail::read_perf(lines[i].substr(b + 1), out)) return out;
    }
    return out;
}
