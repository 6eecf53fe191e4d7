// prowlet front end: command line, targets, workers and exit status.
#pragma once

#include <cstdint>

// The whole run; returns the process exit status.
int prowlet_main(int argc, char **argv);

// Retries of the transport: the time-out value taken as a signed 32-bit
// number, halved toward zero (50 gives 25; a negative result sends nothing).
int retries_from_timeout(unsigned long timeout);

// Exit status when the shared UDP transport cannot be set up is the
// transport's own (SNMP_socket_error::status()).
