// context: one printer's context and the end of its worker.
#include "reports/context.h"

#include <cstring>

#include "ber/ber.h"
#include "snmp/session.h"

const char *progname = "prowlet";

ReportContext::ReportContext(SNMP_session &session, PrinterOutput &out, const RunSettings &settings,
                             const std::uint64_t *flagWords)
    : session(session), out(out), settings(settings), flags{flagWords[0], flagWords[1], flagWords[2]} {}

const char *ReportContext::setting(int index) const {
    return settings.values ? settings.values[index] : nullptr;
}

WorkerExit::WorkerExit(int status, std::string message)
    : PrinterError(message.empty() ? "worker ended" : message), status(status), message(std::move(message)) {}

int handle_unrecoverable(PrinterOutput &out, const SNMP_error_unrecoverable &error) {
    if (error.reason == SEND_FAILED)
        out.failed(format_text("%s: cannot send to %s: %s\n", progname, out.host().c_str(),
                               std::strerror(error.sendError)));
    else
        out.failed(format_text("%s: No response from %s\n", progname, out.host().c_str()));
    return 8;
}

void not_supported(PrinterOutput &out, const char *option) {
    out.warn(format_text("%s: %s option not supported on this printer type.\n", out.host().c_str(), option),
             true);
}

namespace {

int security_status(SNMP_error_security::Cause cause) {
    switch (cause) {
        case SNMP_error_security::UNKNOWN_USER: return STATUS_UNKNOWN_USER;
        case SNMP_error_security::WRONG_DIGEST: return STATUS_WRONG_DIGEST;
        case SNMP_error_security::UNSUPPORTED_LEVEL: return STATUS_UNSUPPORTED_LEVEL;
        case SNMP_error_security::DECRYPTION_ERROR: return STATUS_DECRYPTION_ERROR;
        case SNMP_error_security::ACCESS_DENIED: return STATUS_ACCESS_DENIED;
        case SNMP_error_security::ENGINE_CHANGED: return STATUS_ENGINE_CHANGED;
        default: return STATUS_SNMPV3_FAILURE;
    }
}

}  // namespace

int report_failure(PrinterOutput &out) {
    const char *host = out.host().c_str();
    try {
        throw;
    } catch (const WorkerExit &e) {
        if (!e.message.empty()) out.failed(e.message);
        return e.status;
    } catch (const SNMP_error_unrecoverable &e) {
        return handle_unrecoverable(out, e);
    } catch (const SNMP_error_oid &e) {
        out.failed(e.str.empty()
                       ? format_text("%s: %s refused a request (error-status %d)\n", progname, host, e.status)
                       : format_text("%s: %s refused %s (error-status %d)\n", progname, host, e.str.c_str(), e.status));
        return STATUS_REFUSED;
    } catch (const SNMP_error_security &e) {
        out.failed(format_text("%s: %s\n", progname, e.what()));
        return security_status(e.cause);
    } catch (const SNMP_error_type &e) {
        out.failed(format_text("%s: %s sent a value of the wrong type for %s\n", progname, host, e.str.c_str()));
        return STATUS_BAD_REPLY;
    } catch (const BerDecodeError &e) {
        out.failed(format_text("%s: %s sent a reply that cannot be decoded (%s)\n", progname, host, e.what()));
        return STATUS_BAD_REPLY;
    } catch (const std::exception &e) {
        out.failed(format_text("%s: %s: %s\n", progname, host, e.what()));
        return STATUS_INTERNAL;
    } catch (...) {
        out.failed(format_text("%s: %s: unexpected failure\n", progname, host));
        return STATUS_INTERNAL;
    }
}

