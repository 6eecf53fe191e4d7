// How a printer's worker ends when something stops it: the one error path
// that turns whatever was thrown into the printer's failure message and the
// worker's status.
#pragma once

#include <cstddef>
#include <string>

#include "frontend/exit_status.h"
#include "reports/health.h"

class PrinterOutput;
class SNMP_session;
enum class WorkerStop;

// argv[0], set right after option parsing; names the program in messages.
extern const char *progname;

// The worker status of a report's reason to stop.
ExitStatus stop_status(WorkerStop reason);

// Called inside the worker's top-level catch: writes the message of the
// exception in flight to the printer's output and returns the worker status
// it means. session: the printer's, which says whether a refused SetRequest
// came from a community or an SNMPv3 user (nullptr: a community); message,
// when given, gets the message's text too (the printer's text as sent).
int report_failure(PrinterOutput &out, const SNMP_session *session = nullptr, std::string *message = nullptr);

// Whether a printer whose worker ended with status answered: silent when
// nothing came back, refused when its answers turned us away (an SNMPv3
// security refusal, the probe refused, or an error-status before anything
// was read), else answered.
Reachability reachability_of(int status, bool anythingRead);

// "SNMP: cannot resolve hostname \"%s\".\n" (the name as given).
std::string unresolved_message(const std::string &name);
// The note after a run in which count of total printers ended with
// "unknown printer vendor" (status 11): --generic serves them.
std::string unknown_vendor_note(std::size_t count, std::size_t total);

// A name that did not resolve, under --keep-going: its message as the
// printer's failure; returns STATUS_UNRESOLVED_NAME.
int report_unresolved(PrinterOutput &out);
