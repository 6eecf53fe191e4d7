// probe: one scrape's printers through the front end's workers.
#include "exporter/probe.h"

#include <memory>

#include "exporter/session_cache.h"
#include "frontend/dispatch.h"
#include "frontend/exit_status.h"
#include "frontend/targets.h"
#include "frontend/workers.h"
#include "reports/context.h"

const char *outcome_name(PrinterOutcome outcome) {
    switch (outcome) {
        case PrinterOutcome::Answered: return "answered";
        case PrinterOutcome::Incomplete: return "incomplete";
        case PrinterOutcome::Silent: return "silent";
        case PrinterOutcome::Refused: return "refused";
        case PrinterOutcome::Failed: return "failed";
        case PrinterOutcome::Unresolved: return "unresolved";
        case PrinterOutcome::NotStarted: return "not_started";
    }
    return "failed";
}

FlagWords module_flags(const ModuleConfig &) {
    // --health reads everything the health model needs (supplies with their
    // colorants, trays, covers, alerts, the page count, the serial number,
    // the device and printer status, the detected errors) in one walk;
    // --contact adds contact and location to the identification. --generic:
    // a fleet is of every make; --all: a MIB group a printer lacks is left
    // out without a "not supported" status.
    return FlagWords{Option::generic, Option::all, Option::health, Option::contact};
}

namespace {

PrinterOutcome outcome_of(int status) {
    switch (status) {
        case STATUS_NO_RESPONSE: return PrinterOutcome::Silent;
        case STATUS_REFUSED:
        case STATUS_UNKNOWN_USER:
        case STATUS_WRONG_DIGEST:
        case STATUS_UNSUPPORTED_LEVEL:
        case STATUS_DECRYPTION_ERROR:
        case STATUS_ACCESS_DENIED:
        case STATUS_SNMPV3_FAILURE: return PrinterOutcome::Refused;
        case STATUS_BAD_REPLY:
        case STATUS_INTERNAL:
        case STATUS_PROBE_REJECTED: return PrinterOutcome::Failed;
        default: return PrinterOutcome::Answered;
    }
}

// The target as printers, or why it is refused.
std::string expand_target(const std::string &target, std::vector<TargetSpec> &specs) {
    if (target.empty()) return "the target is empty";
    Expansion expansion = expand_targets({target}, nullptr);
    if (!expansion.ok) return "bad target \"" + target + "\": " + expansion.reason;
    if (expansion.targets.empty()) return "the target \"" + target + "\" names no address";
    if (expansion.targets.size() > MAX_PROBE_PRINTERS)
        return "the target \"" + target + "\" names more than " + std::to_string(MAX_PROBE_PRINTERS) + " printers";
    for (const TargetSpec &t : expansion.targets)
        if (t.community) return "a community in the target: give it in the module, never in a URL";
    specs = std::move(expansion.targets);
    return {};
}

}  // namespace

ProbeOutcome run_probe(ProbeEnvironment &env, const std::string &target, const ModuleConfig &module,
                       std::uint64_t generation, std::chrono::system_clock::time_point deadline) {
    ProbeOutcome outcome;
    std::vector<TargetSpec> specs;
    outcome.error = expand_target(target, specs);
    if (!outcome.error.empty()) return outcome;

    const SNMP_call_timing timing{module.timeout, module.retries, deadline};
    std::vector<std::unique_ptr<SNMP_session>> sessions(specs.size());
    for (std::size_t k = 0; k < specs.size(); ++k) {
        outcome.printers.push_back(ProbedPrinter{specs[k].name, PrinterOutcome::Unresolved, false, {}});
        const std::vector<SNMP_session::IPv4> addresses = resolve_ipv4(specs[k].name.c_str());
        if (addresses.empty()) continue;
        // Another probe has the printer until the deadline: not started.
        outcome.printers.back().outcome = PrinterOutcome::NotStarted;
        sessions[k] = env.sessions.borrow(specs[k].name, addresses, module, generation, timing);
    }

    const RunSettings run;
    CollectingOutputs outputs;
    std::vector<ThreadData> thrdat;
    std::vector<std::size_t> printerOf;  // thrdat index -> printer index
    for (std::size_t k = 0; k < specs.size(); ++k) {
        if (!sessions[k]) continue;
        ThreadData td;
        td.session = sessions[k].get();
        td.run = &run;
        td.outputs = &outputs;
        td.flags = module_flags(module);
        td.reports = &real_reports();
        td.sessionKept = true;
        thrdat.push_back(td);
        printerOf.push_back(k);
    }
    WorkerSet set(thrdat);
    set.maxproc = 0;
    set.sharedSlots = &env.slots;
    set.startDeadline = deadline;
    run_workers(set);

    std::map<std::string, PrinterRecord> records = outputs.take();
    for (std::size_t t = 0; t < thrdat.size(); ++t) {
        ProbedPrinter &printer = outcome.printers[printerOf[t]];
        printer.outcome = PrinterOutcome::NotStarted;
        auto found = records.find(printer.name);
        if (found == records.end()) continue;  // not started
        printer.record = std::move(found->second);
        printer.outcome = outcome_of(printer.record.status);
        // A printer that stopped answering only because the probe's time ran
        // out has answered: what it sent is there.
        const bool answeredSome = !printer.record.groups.empty() || !printer.record.rows.empty();
        if (printer.outcome == PrinterOutcome::Silent && answeredSome) printer.outcome = PrinterOutcome::Incomplete;
        printer.answered = printer.outcome == PrinterOutcome::Answered || printer.outcome == PrinterOutcome::Incomplete ||
                           (printer.record.health && printer.record.health->reachability == Reachability::Answered);
    }
    for (std::size_t k = 0; k < specs.size(); ++k)
        if (sessions[k]) env.sessions.give_back(std::move(sessions[k]), module.name, generation);
    return outcome;
}
