// prowlet front end: command line, targets, workers and exit status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// The sessions of a run: owned in creation order, linked newest first.
struct TargetList {
    std::vector<std::unique_ptr<SNMP_session>> sessions;
    SNMP_session *head = nullptr;
    std::size_t targetCount = 0;
};

// One session per target, in order, each put at the front of the list, each
// speaking the protocol given (SNMPv1 without one). Throws SNMP_resolve_error
// for a name that does not resolve; the sessions made so far are released.
TargetList create_sessions(SNMP_socket *transport, const std::vector<TargetSpec> &targets,
                           const SnmpProtocol *protocol = nullptr);
