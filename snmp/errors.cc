// errors: the exceptions of one printer's exchanges.
#include "snmp/errors.h"

namespace {

std::string refusal_text(const std::string &oid, int status) {
    std::string text = oid.empty() ? std::string("request refused") : "refused " + oid;
    return text + " (error-status " + std::to_string(status) + ")";
}

}  // namespace

SNMP_error_oid::SNMP_error_oid(const char *oidstr, int status)
    : PrinterError(refusal_text(oidstr ? oidstr : "", status)), str(oidstr ? oidstr : ""), status(status) {}

SNMP_error_type::SNMP_error_type(const char *oidstr)
    : PrinterError(std::string("value of the wrong type for ") + (oidstr ? oidstr : "")),
      str(oidstr ? oidstr : "") {}

SNMP_error_unrecoverable::SNMP_error_unrecoverable(SNMP_unrecoverable_reason reason, int sendError)
    : PrinterError(reason == SEND_FAILED ? "request not sent" : "no response"), reason(reason), sendError(sendError) {}

SNMP_error_security::SNMP_error_security(Cause cause, const std::string &text) : PrinterError(text), cause(cause) {}
