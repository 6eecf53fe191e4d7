// How a printer's worker ends when something stops it: the one error path
// that turns whatever was thrown into the printer's failure message and the
// worker's status.
#pragma once

#include <string>

#include "frontend/exit_status.h"
#include "reports/health.h"

class PrinterOutput;
class SNMP_error_unrecoverable;
enum class WorkerStop;

// argv[0], set right after option parsing; names the program in messages.
extern const char *progname;

// "%s: No response from %s\n" (program, printer), or for a request that could
// not be sent "%s: cannot send to %s: %s\n" (program, printer, system error),
// to the printer's output; returns STATUS_NO_RESPONSE.
int handle_unrecoverable(PrinterOutput &out, const SNMP_error_unrecoverable &error);

// The worker status of a report's reason to stop.
ExitStatus stop_status(WorkerStop reason);

// Called inside the worker's top-level catch: writes the message of the
// exception in flight to the printer's output and returns the worker status
// it means; message, when given, gets the message's text too (the printer's
// text as sent).
int report_failure(PrinterOutput &out, std::string *message = nullptr);

// Whether a printer whose worker ended with status answered: silent when
// nothing came back, refused when its answers turned us away (an SNMPv3
// security refusal, the probe refused, or an error-status before anything
// was read), else answered.
Reachability reachability_of(int status, bool anythingRead);
