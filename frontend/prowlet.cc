// prowlet's main line: options, transport, targets, sessions, workers, exit status.
#include "frontend/prowlet.h"

#include <unistd.h>

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
#include "frontend/options.h"
#include "frontend/security.h"
#include "frontend/targets.h"
#include "frontend/workers.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/json.h"
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

// Every name is resolved here, before any printer is contacted. The list runs
// newest first, so workers start in the reverse of command-line order.
TargetList create_sessions(SNMP_socket *transport, const std::vector<TargetSpec> &targets,
                           const SnmpProtocol *protocol) {
    TargetList list;
    for (const TargetSpec &t : targets) {
        auto s = std::make_unique<SNMP_session>(transport, t.name.c_str(),
                                                t.community ? t.community->c_str() : nullptr);
        if (protocol) apply_protocol(*s, *protocol);
        s->next = list.head;
        list.head = s.get();
        ++list.targetCount;
        list.sessions.push_back(std::move(s));
    }
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

// The targets of the command line, or the status of a run that ends here.
std::optional<std::vector<TargetSpec>> expand_arguments(int argc, char **argv, const Options &opts, int &status) {
    std::vector<std::string> args(argv + opts.firstTarget, argv + argc);
    Expansion expansion = expand_targets(args, opts.community);
    if (!expansion.ok) {
        std::fprintf(stderr, "%s: bad printer argument \"%s\": %s.\n", progname, expansion.argument.c_str(),
                     expansion.reason.c_str());
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

// One worker per session, in target-list order; returns the run's status.
int serve(const Options &opts, const TargetList &targets, std::size_t maxproc) {
    const RunSettings run = run_settings(opts);
    OutputWriter writer;
    const ClassicOutputs classic(writer, opts.flags.asked(Option::name));
    const JsonOutputs json(writer);
    const OutputFactory &outputs = opts.flags.asked(Option::json) ? static_cast<const OutputFactory &>(json) : classic;
    std::vector<ThreadData> thrdat(targets.targetCount);
    std::size_t k = 0;
    for (SNMP_session *s = targets.head; s; s = s->next, ++k) {
        ThreadData &td = thrdat[k];
        td.session = s;
        td.run = &run;
        td.outputs = &outputs;
        td.flags = opts.flags;
        td.reports = &real_reports();
    }
    WorkerSet set(thrdat);
    set.maxproc = maxproc;
    return run_workers(set);
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

    int status = 0;
    std::unique_ptr<SNMP_socket> transport = make_transport(opts, status);
    if (!transport) return status;
    std::optional<std::vector<TargetSpec>> specs = expand_arguments(argc, argv, opts, status);
    if (!specs) return status;
    TargetList targets;
    try {
        targets = create_sessions(transport.get(), *specs, &*protocol.protocol);
    } catch (const SNMP_resolve_error &e) {
        std::fprintf(stderr, "SNMP: cannot resolve hostname \"%s\".\n", e.hostname.c_str());
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
    status = serve(opts, targets, maxproc);
    // No session localizes a key any more.
    if (protocol.protocol->user) protocol.protocol->user->forget_keys();
    write_all(stderr, transport->finish());
    return status;
}
