// context: one printer's context and the exception that ends its worker.
#include "reports/context.h"

ReportContext::ReportContext(SNMP_session &session, PrinterOutput &out, const RunSettings &settings,
                             const FlagWords &flags)
    : session(session), out(out), settings(settings), flags(flags) {}

const char *ReportContext::setting(Option option) const {
    if (!settings.values || !flags.asked(option)) return nullptr;
    // Bit n of word 2 keeps its argument in settings[n - 3].
    int n = 0;
    while ((option_spec(option).bit >> n) > 1) ++n;
    return option_spec(option).word == 2 && n >= 3 && n <= 6 ? settings.values[n - 3] : nullptr;
}

WorkerExit::WorkerExit(WorkerStop reason, Message message)
    : PrinterError(message.empty() ? "worker ended" : message.escaped()), reason(reason), message(std::move(message)) {}

void not_supported(PrinterOutput &out, const char *option, bool givesStatus) {
    const Message line(format_text("%s: %s option not supported on this printer type.\n", out.host().c_str(), option));
    if (givesStatus)
        out.unsupported(line);
    else
        out.warn(line, true);
}
