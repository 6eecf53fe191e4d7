// Reading prowlet's two output forms into comparable field sets.
#include "tests/support/json_lines.h"

#include <fstream>
#include <sstream>

#include "tests/support/agents.h"
#include "tests/support/run_prowlet.h"

JsonLines read_json_lines(const std::string &out) {
    TempDir dir("json-lines");
    const std::string path = dir.path() + "/out.json";
    std::ofstream(path, std::ios::binary) << out;
    RunResult r = run_program("/usr/bin/python3", {std::string(PROWLET_SOURCE_DIR) + "/tests/support/json_lines.py", path});
    JsonLines lines;
    if (r.status != 0) {
        lines.problem = r.err.empty() ? "json_lines.py ended with status " + std::to_string(r.status) : r.err;
        return lines;
    }
    std::istringstream in(r.out);
    for (std::string l; std::getline(in, l);) {
        const std::size_t a = l.find('\t'), b = l.find('\t', a + 1);
        const std::string host = l.substr(0, a), key = l.substr(a + 1, b - a - 1), value = l.substr(b + 1);
        if (key == "(exitStatus)")
            lines.exitStatus[host] = std::stoi(value);
        else
            lines.fields[host].insert({key, value});
    }
    return lines;
}

std::map<std::string, FieldSet> classic_fields(const std::string &out, const std::string &host) {
    std::map<std::string, FieldSet> fields;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::string owner = host;
        FieldSet found;
        std::size_t i = 0;
        while (i < line.size()) {
            const std::size_t eq = line.find("=\"", i);
            if (eq == std::string::npos) break;
            std::size_t end = eq + 2;
            while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
            std::string key = line.substr(i, eq - i), value = line.substr(eq + 2, end - eq - 2);
            if (key == "hostname" && i == 0)
                owner = value;
            else
                found.insert({key, value});
            i = end + 1 + (end + 1 < line.size() && line[end + 1] == ';');
        }
        fields[owner].insert(found.begin(), found.end());
    }
    return fields;
}

namespace {

bool json_only(const std::string &key) {
    return key == "percent" || key == "levelState" || key == "timeUtc" || key == "colour" || key == "detectedErrors";
}

// A classic field the JSON object holds as it is, or as null.
bool held(const FieldSet &json, const std::pair<std::string, std::string> &field) {
    if (json.count(field)) return true;
    return (field.second.empty() || field.second == "unknown") && json.count({field.first, "(null)"});
}

}  // namespace

std::string fields_disagree(const FieldSet &classic, const FieldSet &json) {
    std::string problems;
    for (const auto &f : classic)
        if (!held(json, f)) problems += "classic only: " + f.first + "=\"" + f.second + "\"\n";
    for (const auto &f : json) {
        if (json_only(f.first)) continue;
        const bool found = f.second == "(null)" ? classic.count({f.first, ""}) || classic.count({f.first, "unknown"})
                                                : classic.count(f) != 0;
        if (!found) problems += "JSON only: " + f.first + "=\"" + f.second + "\"\n";
    }
    return problems;
}
