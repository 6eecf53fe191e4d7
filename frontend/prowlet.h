// prowlet front end: command line, targets, workers and exit status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frontend/targets.h"

class SNMP_session;
class SNMP_socket;
struct SnmpProtocol;

// The whole run; returns the process exit status.
int prowlet_main(int argc, char **argv);

// Retries of the transport: the time-out value taken as a signed 32-bit
// number, halved toward zero (50 gives 25; a negative result sends nothing).
int retries_from_timeout(unsigned long timeout);

// One target of a run, in the order its worker starts: its session, or
// (with --keep-going) none and the name that did not resolve.
struct RunTarget {
    SNMP_session *session = nullptr;
    std::string unresolved;
};

// The sessions of a run: owned in creation order, linked newest first.
struct TargetList {
    std::vector<std::unique_ptr<SNMP_session>> sessions;
    SNMP_session *head = nullptr;
    std::size_t targetCount = 0;   // every target, unresolved names included
    std::vector<RunTarget> order;  // every target, newest first
};

// One session per target, in order, each put at the front of the list, each
// speaking the protocol given (SNMPv1 without one). Every name is resolved
// here, before any printer is contacted. A name that does not resolve throws
// SNMP_resolve_error (the sessions made so far are released), or with
// keepGoing becomes a target of its own that fails alone.
TargetList create_sessions(SNMP_socket *transport, const std::vector<TargetSpec> &targets,
                           const SnmpProtocol *protocol = nullptr, bool keepGoing = false);
