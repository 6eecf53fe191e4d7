// prowlet's main line: options, transport, targets, sessions, workers, exit status.
#include "frontend/prowlet.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/dispatch.h"
#include "frontend/exit_status.h"
#include "frontend/failures.h"
#include "frontend/maxproc.h"
#include "frontend/names.h"
#include "frontend/options.h"
#include "frontend/printer_list.h"
#include "frontend/progress.h"
#include "frontend/security.h"
#include "frontend/targets.h"
#include "frontend/workers.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/json.h"
#include "reports/writer.h"
#include "snmp/packetlog.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

void write_all(std::FILE *f, const std::string &text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
}

// Seconds the transport waits for a reply after each send.
constexpr int WAIT_PER_ATTEMPT = 2;

// The socket can no longer be read: no printer can be heard from again, so
// the whole run ends at once, with what it has written.
void transport_failed(const char *step, int err) {
    std::fprintf(stderr, "%s: %s\n", step, std::strerror(err));
    std::fflush(nullptr);
    _exit(STATUS_TRANSPORT_FAILED);
}

}  // namespace

int retries_from_timeout(unsigned long timeout) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(timeout)) / 2;
}

// Every name is resolved here, before any printer is contacted (all of them
// side by side, each distinct name once). The list runs newest first, so
// workers start in the reverse of command-line order.
TargetList create_sessions(SNMP_socket *transport, const std::vector<TargetSpec> &targets,
                           const SnmpProtocol *protocol, bool keepGoing) {
    const auto addresses = resolve_names(targets);
    TargetList list;
    for (const TargetSpec &t : targets) {
        ++list.targetCount;
        const std::vector<SNMP_session::IPv4> &found = addresses.at(t.name);
        if (found.empty()) {
            if (!keepGoing) throw SNMP_resolve_error(t.name);
            list.order.push_back({nullptr, t.name});
            continue;
        }
        auto s = std::make_unique<SNMP_session>(transport, t.name.c_str(),
                                                t.community ? t.community->c_str() : nullptr, found);
        if (protocol) apply_protocol(*s, *protocol);
        s->next = list.head;
        list.head = s.get();
        list.order.push_back({s.get(), {}});
        list.sessions.push_back(std::move(s));
    }
    std::reverse(list.order.begin(), list.order.end());
    return list;
}

namespace {

// The transport of the run; nullptr after its message when it cannot be made.
std::unique_ptr<SNMP_socket> make_transport(const Options &opts, int &status) {
    try {
        return std::make_unique<SNMP_socket>(WAIT_PER_ATTEMPT, retries_from_timeout(opts.timeout), 0,
                                             transport_failed);
    } catch (const SNMP_socket_error &e) {
        std::fprintf(stderr, "%s: %s\n", progname, e.what());
        status = STATUS_TRANSPORT_FAILED;
        return nullptr;
    }
}

// The refusal of a printer argument, naming the list and line it came from.
void report_bad_argument(const Expansion &expansion) {
    const std::string argument = escape_value(expansion.argument);
    if (expansion.list)
        std::fprintf(stderr, "%s: bad printer argument \"%s\" in %s, line %zu: %s.\n", progname, argument.c_str(),
                     list_label(expansion.list).c_str(), expansion.line, expansion.reason.c_str());
    else
        std::fprintf(stderr, "%s: bad printer argument \"%s\": %s.\n", progname, argument.c_str(),
                     expansion.reason.c_str());
}

// The targets of the command line and its printer lists, or the status of a
// run that ends here.
std::optional<std::vector<TargetSpec>> expand_arguments(const Options &opts, int &status) {
    PrinterArguments arguments = read_printer_arguments(opts.printers);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s", progname, arguments.error.c_str());
        status = STATUS_BAD_TARGET;
        return std::nullopt;
    }
    Expansion expansion = expand_target_arguments(arguments.arguments, opts.community);
    if (!expansion.ok) {
        report_bad_argument(expansion);
        status = STATUS_BAD_TARGET;
        return std::nullopt;
    }
    if (expansion.targets.empty()) {
        std::fprintf(stderr, "%s: the printer arguments name no address to query.\n", progname);
        status = STATUS_NO_TARGETS;
        return std::nullopt;
    }
    return std::move(expansion.targets);
}

// What every worker shares: the option strings and the ports in print order
// (the list runs newest first, as the options built it).
RunSettings run_settings(const Options &opts) {
    RunSettings run;
    run.values = opts.settings;
    run.supplyColours = opts.flags.asked(Option::json);
    for (const ConnRequest *node = opts.connList; node; node = node->next) run.ports.push_back(node->port);
    return run;
}

// The stray-packet warnings of the transport's receiver, through the run's writer.
class RunMessages : public SNMP_warning_sink {
 public:
    explicit RunMessages(OutputWriter &writer) : writer_(writer) {}
    void warn(const std::string &text, bool) override { writer_.write_message(text); }

 private:
    OutputWriter &writer_;
};

// The run's workers, with the progress line when it is wanted; returns the
// run's status. thrdat keeps each worker's status.
int run_with_progress(const Options &opts, WorkerSet &set, OutputWriter &writer) {
    std::unique_ptr<ProgressLine> progress;
    if (progress_wanted(opts.flags))
        progress = std::make_unique<ProgressLine>(writer, set.thrdat.size(), terminal_width());
    set.progress = progress.get();
    return run_workers(set);
}

// One worker per target, in target-list order; returns the run's status.
int serve(const Options &opts, const TargetList &targets, std::size_t maxproc, OutputWriter &writer) {
    const RunSettings run = run_settings(opts);
    const ClassicOutputs classic(writer, opts.flags.asked(Option::name));
    const JsonOutputs json(writer);
    const OutputFactory &outputs = opts.flags.asked(Option::json) ? static_cast<const OutputFactory &>(json) : classic;
    std::vector<ThreadData> thrdat(targets.targetCount);
    for (std::size_t k = 0; k < targets.order.size(); ++k) {
        ThreadData &td = thrdat[k];
        td.session = targets.order[k].session;
        td.unresolved = targets.order[k].unresolved;
        td.run = &run;
        td.outputs = &outputs;
        td.flags = opts.flags;
        td.reports = &real_reports();
    }
    WorkerSet set(thrdat);
    set.maxproc = maxproc;
    const int status = run_with_progress(opts, set, writer);
    const auto unknown = static_cast<std::size_t>(std::count_if(
        thrdat.begin(), thrdat.end(), [](const ThreadData &td) { return td.status == STATUS_UNKNOWN_VENDOR; }));
    if (unknown > 0) writer.write_message(unknown_vendor_note(unknown, thrdat.size()));
    return status;
}

}  // namespace

int prowlet_main(int argc, char **argv) {
    Options opts;
    ParseOutcome parsed = parse_options(argc, argv, opts);
    if (parsed.finished) {
        write_all(stdout, parsed.out);
        write_all(stderr, parsed.err);
        return parsed.status;
    }
    std::size_t maxproc = DEFAULT_MAXPROC;
    if (opts.flags.asked(Option::maxproc)) {
        std::optional<std::size_t> cap = parse_maxproc(opts.settings[SETTING_MAXPROC]);
        if (!cap) {
            report_bad_maxproc(progname, opts.settings[SETTING_MAXPROC]);
            return STATUS_BAD_MAXPROC;
        }
        maxproc = *cap;
    }

    ProtocolOutcome protocol = make_protocol(opts.snmp, progname);
    if (!protocol.protocol) {
        write_all(stderr, protocol.err);
        return protocol.status;
    }

    // The writer outlives the transport, whose receiver writes through it.
    OutputWriter writer;
    RunMessages runMessages(writer);
    int status = 0;
    std::unique_ptr<SNMP_socket> transport = make_transport(opts, status);
    if (!transport) return status;
    transport->setWarningSink(&runMessages);
    std::optional<std::vector<TargetSpec>> specs = expand_arguments(opts, status);
    if (!specs) return status;
    TargetList targets;
    try {
        targets = create_sessions(transport.get(), *specs, &*protocol.protocol, opts.flags.asked(Option::keepGoing));
    } catch (const SNMP_resolve_error &e) {
        write_all(stderr, unresolved_message(e.hostname));
        return STATUS_UNRESOLVED_NAME;
    }

    // One reading of the directory for the whole run; numbers in target-list
    // order, files made as each printer is first contacted.
    std::unique_ptr<SNMP_log_numbers> logNumbers;
    if (opts.flags.asked(Option::debugsnmp)) {
        logNumbers = std::make_unique<SNMP_log_numbers>();
        for (SNMP_session *s = targets.head; s; s = s->next) s->setDebug(*logNumbers);
    }
    if (targets.targetCount >= 2) opts.flags.ask(Option::name);
    status = serve(opts, targets, maxproc, writer);
    // No session localizes a key any more.
    if (protocol.protocol->user) protocol.protocol->user->forget_keys();
    write_all(stderr, transport->finish());
    return status;
}
