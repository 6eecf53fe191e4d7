// The exceptions of one printer's exchanges. Everything that ends or changes
// one printer's work derives from PrinterError (ber/printer_error.h): these,
// BerDecodeError for a reply that cannot be decoded, and the reports' own
// WorkerExit. The worker catches them at its top, where the front end turns
// each into the printer's message and status; a report catches only the cases
// it can handle itself.
#pragma once

#include <string>

#include "ber/printer_error.h"

// The printer answered with a non-zero error-status (thrown by the session).
class SNMP_error_oid : public PrinterError {
 public:
    // status: the printer's error-status (1 tooBig, 2 noSuchName, 3 badValue,
    // 4 readOnly, 5 genErr, ...), or -1 when the reply's error-status is
    // missing, not an INTEGER or too large for an int.
    explicit SNMP_error_oid(const char *oidstr, int status = 0);

    // Dotted OID text of the refused binding. Empty when the printer reported an
    // error without naming a binding of its reply.
    std::string str;
    int status;

    bool operator==(const char *other) const { return str == other; }
};

// noSuchName: what an SNMPv1 agent answers for a variable it does not have,
// and for a get-next past the end of its MIB.
inline constexpr int NO_SUCH_NAME = 2;

// A value came with another type than its column asks for (thrown by the
// record filler after its warning).
class SNMP_error_type : public PrinterError {
 public:
    explicit SNMP_error_type(const char *oidstr);
    // Dotted OID text of the column.
    std::string str;
};

// The printer did not answer on any of its addresses (NO_RESPONSE), or the
// request could not be sent to any of them (SEND_FAILED, with the errno).
enum SNMP_unrecoverable_reason { NO_RESPONSE = 0, SEND_FAILED = 1 };
class SNMP_error_unrecoverable : public PrinterError {
 public:
    explicit SNMP_error_unrecoverable(SNMP_unrecoverable_reason reason = NO_RESPONSE, int sendError = 0);
    SNMP_unrecoverable_reason reason;
    int sendError;
};

// An SNMPv2c or SNMPv3 exchange failed on security: a Report of the printer's
// user-based security model, an access refusal (authorizationError), or a
// clock that stays out of the time window. Thrown by the session; ends the
// printer's worker.
class SNMP_error_security : public PrinterError {
 public:
    enum Cause {
        UNKNOWN_USER,       // usmStatsUnknownUserNames
        WRONG_DIGEST,       // usmStatsWrongDigests: authentication passphrase or protocol
        UNSUPPORTED_LEVEL,  // usmStatsUnsupportedSecLevels
        DECRYPTION_ERROR,   // usmStatsDecryptionErrors: privacy passphrase or protocol
        ACCESS_DENIED,      // error-status authorizationError (16)
        OTHER,              // time window not reached after resynchronizing, other Reports, discovery
        ENGINE_CHANGED,     // discovery found another engine ID than the one given or confirmed
    };
    // text: the failure, naming the printer ("lp1 does not know ..."), without
    // the program name or a newline.
    SNMP_error_security(Cause cause, const std::string &text);
    Cause cause;
};
