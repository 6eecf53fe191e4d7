// failures: the messages and statuses of whatever ends a printer's worker.
#include "frontend/failures.h"

#include <cstring>
#include <exception>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/output.h"
#include "reports/request.h"
#include "snmp/errors.h"
#include "snmp/session.h"

const char *progname = "prowlet";

namespace {

std::string unrecoverable_message(const char *host, const SNMP_error_unrecoverable &error) {
    if (error.reason == SEND_FAILED)
        return format_text("%s: cannot send to %s: %s\n", progname, host, std::strerror(error.sendError));
    return format_text("%s: No response from %s\n", progname, host);
}

}  // namespace

ExitStatus stop_status(WorkerStop reason) {
    switch (reason) {
        case WorkerStop::NotAPrinter: return STATUS_NOT_A_PRINTER;
        case WorkerStop::UnknownVendor: return STATUS_UNKNOWN_VENDOR;
        case WorkerStop::ProbeRejected: return STATUS_PROBE_REJECTED;
        case WorkerStop::HpSettingFailed: return STATUS_HP_SETTING_FAILED;
    }
    return STATUS_INTERNAL;
}

namespace {

ExitStatus security_status(SNMP_error_security::Cause cause) {
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

// The message of a refused request: a SetRequest names the object it would
// have changed and, where the refusal means so, that the credentials may
// not write.
std::string refusal_message(const char *host, const SNMP_error_oid &e, bool user) {
    if (e.requestTag == SET_REQ_TAG)
        return format_text("%s: %s refused %s%s\n", progname, host, e.str.empty() ? "a SetRequest " : "to set ",
                           set_refusal_detail(e.str, e.status, user).c_str());
    return e.str.empty() ? format_text("%s: %s refused a request (error-status %d)\n", progname, host, e.status)
                         : format_text("%s: %s refused %s (error-status %d)\n", progname, host, e.str.c_str(), e.status);
}

std::string denial_message(const SNMP_error_security &e, bool user) {
    if (e.cause != SNMP_error_security::ACCESS_DENIED || e.requestTag != SET_REQ_TAG)
        return format_text("%s: %s\n", progname, e.what());
    const std::string detail = set_refusal_detail(e.refusedOid, std::nullopt, user, true);
    return format_text("%s: %s %s%s\n", progname, e.what(), e.refusedOid.empty() ? "in a SetRequest" : "to set ",
                       detail.c_str());
}

}  // namespace

std::string unresolved_message(const std::string &name) {
    return format_text("SNMP: cannot resolve hostname \"%s\".\n", name.c_str());
}

std::string unknown_vendor_note(std::size_t count, std::size_t total) {
    const std::string how = count == 1 ? "it" : "them";
    const std::string which = total == 1 ? "1 printer" : format_text("%zu of %zu printers", count, total);
    return format_text("%s: %s ended with \"unknown printer vendor\" (status 11); --generic reports on %s through "
                       "the standard Printer and Host Resources MIBs.\n",
                       progname, which.c_str(), how.c_str());
}

int report_unresolved(PrinterOutput &out) {
    out.failed(unresolved_message(out.host()));
    return STATUS_UNRESOLVED_NAME;
}

namespace {

// The message and status of the exception in flight; user: the printer is
// asked as an SNMPv3 user.
int failure_of(PrinterOutput &out, Message &message, bool user) {
    const char *host = out.host().c_str();
    try {
        throw;
    } catch (const WorkerExit &e) {
        message = e.message;
        return stop_status(e.reason);
    } catch (const SNMP_error_unrecoverable &e) {
        message = unrecoverable_message(host, e);
        return STATUS_NO_RESPONSE;
    } catch (const SNMP_error_oid &e) {
        message = refusal_message(host, e, user);
        return STATUS_REFUSED;
    } catch (const SNMP_error_security &e) {
        message = denial_message(e, user);
        return security_status(e.cause);
    } catch (const SNMP_error_type &e) {
        message = format_text("%s: %s sent a value of the wrong type for %s\n", progname, host, e.str.c_str());
        return STATUS_BAD_REPLY;
    } catch (const BerDecodeError &e) {
        message = format_text("%s: %s sent a reply that cannot be decoded (%s)\n", progname, host, e.what());
        return STATUS_BAD_REPLY;
    } catch (const std::exception &e) {
        message = format_text("%s: %s: %s\n", progname, host, e.what());
        return STATUS_INTERNAL;
    } catch (...) {
        message = format_text("%s: %s: unexpected failure\n", progname, host);
        return STATUS_INTERNAL;
    }
}

}  // namespace

int report_failure(PrinterOutput &out, const SNMP_session *session, std::string *text) {
    Message message;
    const int status = failure_of(out, message, session && session->user());
    // A report that stops without a message (none today) writes nothing.
    if (!message.empty()) out.failed(message);
    if (text) *text = message.raw();
    return status;
}

Reachability reachability_of(int status, bool anythingRead) {
    switch (status) {
    case STATUS_NO_RESPONSE: return Reachability::Silent;
    case STATUS_UNKNOWN_USER:
    case STATUS_WRONG_DIGEST:
    case STATUS_UNSUPPORTED_LEVEL:
    case STATUS_DECRYPTION_ERROR:
    case STATUS_ACCESS_DENIED:
    case STATUS_SNMPV3_FAILURE:
    case STATUS_PROBE_REJECTED: return Reachability::Refused;
    case STATUS_REFUSED: return anythingRead ? Reachability::Answered : Reachability::Refused;
    default: return Reachability::Answered;
    }
}
