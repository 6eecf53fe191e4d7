// prowlet --json output checked and flattened by tests/support/json_lines.py
// (Python's own JSON parser, strict UTF-8).
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

using FieldSet = std::set<std::pair<std::string, std::string>>;  // (key, value as classic text)

struct JsonLines {
    std::string problem;                     // empty when every line is a valid printer object
    std::map<std::string, FieldSet> fields;  // by host: every field of its object, its rows and paper
    std::map<std::string, int> exitStatus;   // by host: one entry per object
};

JsonLines read_json_lines(const std::string &out);

// The fields of classic output, by host: key="value" pairs of every line
// (hostname fields taken as the host; lines without one belong to host).
std::map<std::string, FieldSet> classic_fields(const std::string &out, const std::string &host = "");

// "" when the classic fields of a printer and the fields of its JSON object
// agree (JSON's null standing for the empty value or "unknown", the JSON-only
// fields left aside); otherwise the fields found on one side only.
std::string fields_disagree(const FieldSet &classic, const FieldSet &json);
