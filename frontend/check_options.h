// The command line of check_printers: check_snmp's spelling of the SNMP
// options (-H -C -P -p -L -U -a -A -x -X), the Monitoring Plugins' -w -c -t
// -v -V -h, and the rules of the health judgement.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "frontend/security.h"
#include "reports/health.h"

inline constexpr const char *CHECK_PROGRAM = "check_printers";
inline constexpr int CHECK_DEFAULT_TIMEOUT = 10;  // seconds, as check_snmp's
inline constexpr const char *CHECK_DEFAULT_COMMUNITY = "public";

// Which performance data the status line carries.
enum class PerfdataMode { All, Counts, None };

struct CheckOptions {
    std::vector<std::string> targets;  // -H and the arguments after the options, lists split at ','
    const char *community = CHECK_DEFAULT_COMMUNITY;
    int port = 0;        // 0: the services entry of snmp (161)
    int timeout = CHECK_DEFAULT_TIMEOUT;  // the whole check ends within it
    int verbose = 0;     // -v given n times
    PerfdataMode perfdata = PerfdataMode::All;
    std::size_t maxproc = 0;  // 0: the default cap
    SnmpOptions snmp;
    HealthRules rules;
};

// Either the options, or the end of the run: what to print on standard
// output and the exit status (UNKNOWN for every mistake, as the guidelines
// ask; -h and -V also end with UNKNOWN, as the Monitoring Plugins do).
struct CheckParse {
    bool finished = false;
    int status = 0;
    std::string out;
};

CheckParse parse_check_options(int argc, char **argv, CheckOptions &opts);

// The help text of -h.
const std::string &check_help_text();

// The names of the SNMP options in messages: check_snmp's letters.
const SnmpOptionNames &check_option_names();
