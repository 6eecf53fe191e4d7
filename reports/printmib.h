// Printer MIB reports (RFC 1759, 1.3.6.1.2.1.43): the driver that runs the
// groups the options ask for, in their fixed order, and the Printer MIB reset.
// Each group lives in a file of its own: markers, mediapaths, inputtrays,
// console (display and covers), interpreters (languages and channels),
// supplies, alerts.
#pragma once

class FlagWords;
class ReportContext;

// Any Printer MIB report group is asked for (the reset alone is none).
bool printmib_reports_asked(const FlagWords &flags);

// Runs every Printer MIB report group the options ask for, in a fixed order.
void do_printmib_get(ReportContext &ctx);

// Power-cycles the printer: one SetRequest of prtGeneralReset.1 = 4.
void do_reboot(ReportContext &ctx);
