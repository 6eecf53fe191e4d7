// Printer MIB alerts (prtAlertTable): the conditions the printer reports now,
// with named codes and wall-clock times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class PrinterOutput;
class ReportContext;

// One row of prtAlertTable (1.3.6.1.2.1.43.18.1.1).
struct AlertInfo {
    std::int64_t severityLevel = 0, trainingLevel = 0, group = 0, groupIndex = 0, location = 0, code = 0;
    std::string description;
    std::int64_t time = 0;  // printer uptime (hundredths of a second) when raised
};

// The name of the alert's code, or null for a code the Printer MIB does not
// name (vendor codes among them).
const char *decode_code(const AlertInfo &alert);

// Wall-clock seconds of an alert raised at printer uptime alertTime, given the
// uptime now and the current time. An alert stamped later than the uptime
// counts as raised now.
std::uint64_t alert_wallclock(std::int64_t now, std::uint64_t uptime, std::uint64_t alertTime);

// One record line per alert, in table order. uptime empty: the printer gave
// none, and every time prints as "unknown".
void print_alerts(const std::vector<AlertInfo> &rows, std::optional<std::uint64_t> uptime, std::int64_t now,
                  PrinterOutput &out);

void alert_group(ReportContext &ctx);
