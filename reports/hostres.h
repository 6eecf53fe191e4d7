// Host Resources MIB (RFC 1514): memory size, printer status and the storage
// table, with the fall-backs of older firmware.
#pragma once

class ReportContext;

// --memory, --status and --storage; clears --status when HP's private status
// answered it.
void do_hostmib_get(ReportContext &ctx);
