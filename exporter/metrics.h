// The metrics of one probe: the probe's own, and each printer's health as
// Prometheus series (names and labels documented in docs/output.md).
#pragma once

#include "exporter/exposition.h"
#include "exporter/probe.h"

void write_probe_metrics(Exposition &out, const ProbeOutcome &outcome, double seconds);
// groups: the module's READ_* bits, the series written.
void write_printer_metrics(Exposition &out, const ProbedPrinter &printer, unsigned groups);
