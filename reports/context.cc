// context: one printer's context and the exception that ends its worker.
#include "reports/context.h"

ReportContext::ReportContext(SNMP_session &session, PrinterOutput &out, const RunSettings &settings,
                             const std::uint64_t *flagWords)
    : session(session), out(out), settings(settings), flags{flagWords[0], flagWords[1], flagWords[2]} {}

const char *ReportContext::setting(int index) const {
    return settings.values ? settings.values[index] : nullptr;
}

WorkerExit::WorkerExit(WorkerStop reason, std::string message)
    : PrinterError(message.empty() ? "worker ended" : message), reason(reason), message(std::move(message)) {}

void not_supported(PrinterOutput &out, const char *option) {
    out.warn(format_text("%s: %s option not supported on this printer type.\n", out.host().c_str(), option),
             true);
}
