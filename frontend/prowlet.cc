// prowlet's main line: options, transport, targets, sessions, workers, exit status.
#include "frontend/prowlet.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/dispatch.h"
#include "frontend/maxproc.h"
#include "frontend/options.h"
#include "frontend/targets.h"
#include "frontend/workers.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

void write_all(std::FILE *f, const std::string &text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
}

// Seconds the transport waits for a reply after each send.
constexpr int WAIT_PER_ATTEMPT = 2;

}  // namespace

int retries_from_timeout(unsigned long timeout) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(timeout)) / 2;
}

// Every name is resolved here, before any printer is contacted. The list runs
// newest first, so workers start in the reverse of command-line order.
TargetList create_sessions(SNMP_socket *transport, const std::vector<TargetSpec> &targets) {
    TargetList list;
    for (const TargetSpec &t : targets) {
        auto s = std::make_unique<SNMP_session>(transport, t.name.c_str(),
                                                t.community ? t.community->c_str() : nullptr);
        s->next = list.head;
        list.head = s.get();
        ++list.targetCount;
        list.sessions.push_back(std::move(s));
    }
    return list;
}

int prowlet_main(int argc, char **argv) {
    Options opts;
    ParseOutcome parsed = parse_options(argc, argv, opts);
    if (parsed.finished) {
        write_all(stdout, parsed.out);
        write_all(stderr, parsed.err);
        return parsed.status;
    }

    std::size_t maxproc = 0;
    if (opts.flags[2] & F2_MAXPROC) {
        std::optional<std::size_t> cap = parse_maxproc(opts.settings[SETTING_MAXPROC]);
        if (!cap) {
            report_bad_maxproc(progname, opts.settings[SETTING_MAXPROC]);
            return STATUS_BAD_MAXPROC;
        }
        maxproc = *cap;
    }

    std::unique_ptr<SNMP_socket> transport;
    try {
        transport = std::make_unique<SNMP_socket>(WAIT_PER_ATTEMPT,
                                                  retries_from_timeout(opts.timeout), 0);
    } catch (const SNMP_socket_error &e) {
        std::fprintf(stderr, "%s: %s\n", progname, e.what());
        return e.status();
    }

    std::vector<std::string> args(argv + opts.firstTarget, argv + argc);
    Expansion expansion = expand_targets(args, opts.community);
    if (!expansion.ok) {
        std::fprintf(stderr, "%s: bad printer argument \"%s\": %s.\n", progname,
                     expansion.argument.c_str(), expansion.reason.c_str());
        return STATUS_BAD_TARGET;
    }
    if (expansion.targets.empty()) {
        std::fprintf(stderr, "%s: the printer arguments name no address to query.\n", progname);
        return STATUS_NO_TARGETS;
    }

    TargetList targets;
    try {
        targets = create_sessions(transport.get(), expansion.targets);
    } catch (const SNMP_resolve_error &e) {
        return e.status();  // the session has written the message
    }
    SNMP_session *targetList = targets.head;
    std::size_t targetCount = targets.targetCount;

    if (opts.flags[0] & F0_DEBUGSNMP)
        for (SNMP_session *s = targetList; s; s = s->next) s->setDebug();
    if (targetCount >= 2) opts.flags[0] |= F0_NAME;

    std::vector<ThreadData> thrdat(targetCount);
    std::size_t k = 0;
    for (SNMP_session *s = targetList; s; s = s->next, ++k) {
        ThreadData &td = thrdat[k];
        td.session = s;
        td.settings = opts.settings;
        for (int w = 0; w < 3; ++w) td.flags[w] = opts.flags[w];
        td.connList = opts.connList;
        td.reports = &real_reports();
    }
    WorkerSet set(thrdat);
    set.maxproc = maxproc;
    int status = run_workers(set);
    finish_output();
    return status;
}
