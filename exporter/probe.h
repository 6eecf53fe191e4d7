// One scrape: the printers a target names, each served by the front end's
// workers under the worker cap shared by all scrapes, within the scrape's
// deadline, with the sessions kept between scrapes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "exporter/collect.h"
#include "exporter/config.h"
#include "reports/flags.h"

class SessionCache;
class WorkerSlots;

// How a printer's part of a scrape ended.
enum class PrinterOutcome {
    Answered,    // the printer answered (whatever it had)
    Incomplete,  // the printer answered, but the deadline came before its work ended
    Silent,      // no answer before its time-outs or the scrape's deadline
    Refused,     // SNMPv3 security refused us, or the printer refused a request
    Failed,      // a reply that cannot be used, or another failure
    Unresolved,  // the name does not resolve
    NotStarted,  // no worker slot freed before the deadline
};
const char *outcome_name(PrinterOutcome outcome);

struct ProbedPrinter {
    std::string name;  // as the target expanded: the printer's label
    PrinterOutcome outcome = PrinterOutcome::NotStarted;
    // The printer answered: its work ended well or was cut short, or it
    // answered before a refusal or an unusable reply ended it (the health's
    // reachability). Its series are written.
    bool answered = false;
    PrinterRecord record;
};

struct ProbeOutcome {
    std::string error;  // the target was refused (nothing probed): why
    std::vector<ProbedPrinter> printers;  // in the order the target names them
};

// What every scrape shares.
struct ProbeEnvironment {
    SessionCache &sessions;
    WorkerSlots &slots;
};

// Printers one target may name (a /16).
inline constexpr std::size_t MAX_PROBE_PRINTERS = 65536;

// The options the module's read groups ask of the reports.
FlagWords module_flags(const ModuleConfig &module);

// Expands the target (a name, an address, a range or a subnet; no community
// suffix: secrets never travel in URLs) and serves every printer it names.
ProbeOutcome run_probe(ProbeEnvironment &env, const std::string &target, const ModuleConfig &module,
                       std::uint64_t generation, std::chrono::system_clock::time_point deadline);
