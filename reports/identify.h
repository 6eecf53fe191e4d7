// Identification against the printer: the vendor rules applied to its
// description, HP's identification string and private variables, the
// Tektronix model variables, and the --generic probe of the standard MIBs.
#pragma once

#include <string>

#include "reports/flags.h"

class ReportContext;

// Prints vendor and model as asked and fills capFlags bits 3, 4 and the vendor
// code from the description; ends the worker for host systems and, without
// --generic, for unknown vendors.
void identify_printer(ReportContext &ctx, const std::string &descr);

// Which standard MIBs the printer answers, by get-next probes from the start
// of the Printer MIB and of the Host Resources device table.
Capabilities probe_standard_mibs(ReportContext &ctx);
