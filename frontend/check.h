// check_printers: a monitoring plugin built from prowlet's layers. It asks
// every printer for its health as `prowlet --generic --health` does (one
// worker per printer over one socket), judges it by the rules of the command
// line, and ends within its time-out with the worst state as exit status.
#pragma once

#include <chrono>
#include <cstddef>

// The whole check; returns the exit status (0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN).
int check_main(int argc, char **argv);

// How the transport waits for a silent printer within a time-out of timeout
// seconds: seconds per attempt and resends, so that a printer that never
// answers is known as silent before the check must end.
struct CheckTransport {
    int waitPerAttempt;
    int retries;
};
CheckTransport transport_for(int timeoutSeconds);

// When the check stops waiting for printers still being asked: a little
// before the time-out, to leave time for the output.
std::chrono::milliseconds answer_deadline(int timeoutSeconds);
