// enums: looking names up in the name tables, and the sub-unit status text.
#include "reports/enums.h"

#include <algorithm>

const char *table_name(NameTable table, std::int64_t value) {
    auto at = std::lower_bound(table.begin(), table.end(), value,
                               [](const EnumName &e, std::int64_t v) { return e.value < v; });
    return at != table.end() && at->value == value ? at->name : nullptr;
}

FieldValue name_or_number(NameTable table, std::int64_t value) {
    if (const char *name = table_name(table, value)) return FieldValue::name(name);
    return FieldValue::number(value);
}

FieldValue checked_name(PrinterOutput &out, const char *object, NameTable table, std::int64_t value) {
    if (const char *name = table_name(table, value)) return FieldValue::name(name);
    out.warn(format_text("Warning: %s: %s value %lld has no name; printing the number.\n",
                         out.host().c_str(), object, static_cast<long long>(value)),
             true);
    return FieldValue::number(value);
}

std::string decode_status(std::uint64_t status, PrinterOutput *out) {
    static const char *const AVAILABILITY[] = {
        "Available and Idle",         "Unavailable and OnRequest", "Available and Standby",
        "Unavailable because Broken", "Available and Active",      "Unknown",
        "Available and Busy"};
    std::string text;
    if (status & 64) text += "Transitioning ";
    if (status & 32) text += "Off-Line ";
    if (status & 16) text += "Critical Alerts ";
    if (status & 8) text += "Non-Critical Alerts ";
    const unsigned availability = static_cast<unsigned>(status & 7);
    if (availability < 7) {
        text += AVAILABILITY[availability];
    } else {
        // RFC 1759 leaves availability 7 undefined; name the number.
        text += "Undefined availability 7";
        if (out)
            out->warn(format_text("Warning: %s reported the undefined sub-unit availability 7 (status %llu).\n",
                                  out->host().c_str(), static_cast<unsigned long long>(status)),
                      true);
    }
    return text;
}
