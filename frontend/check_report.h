// What check_printers prints, by the Monitoring Plugins' development
// guidelines: one status line "PRINTER STATE - summary | perfdata", long
// output after it (one line per printer not OK over a sweep), performance
// data 'label'=value[UOM];warn;crit;min;max. Pure: text from results.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontend/check_options.h"
#include "reports/health.h"

// One printer's outcome.
struct CheckResult {
    std::string host;
    PrinterHealth health;
    HealthVerdict verdict;
};

struct CheckFormat {
    int verbose = 0;
    PerfdataMode perfdata = PerfdataMode::All;
    const HealthRules *rules = nullptr;  // for thresholds and exclusions; nullptr: the defaults
};

// The worst state of all (CRITICAL, WARNING, UNKNOWN, OK); UNKNOWN for none.
HealthState overall_state(const std::vector<CheckResult> &results);

// Everything the check writes to standard output, ending in a newline: the
// one-printer form for a single result, the sweep form otherwise.
std::string check_output(const std::vector<CheckResult> &results, const CheckFormat &format);

// The summary of one printer: what is not OK, else how its supplies stand and
// the notes (a level unknown), after its model (or its name).
std::string printer_summary(const CheckResult &result, const HealthRules &rules);

// A label quoted for performance data: in single quotes, a quote doubled,
// '=' (which ends a label) and '|' (which starts performance data) replaced.
std::string perfdata_label(std::string_view label);
// Text safe in plugin output: no '|', no line breaks or control bytes.
std::string plugin_text(std::string_view text);
// A number as performance data writes it: at most four significant digits.
std::string perfdata_number(double value);
