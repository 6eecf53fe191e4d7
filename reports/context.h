// One printer's context, handed to every report: its session, this printer's
// copy of the option words, its capability word, the run's settings and the
// printer's output. Also the exception that ends a printer's worker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/output.h"
#include "snmp/errors.h"

class SNMP_session;

// What the command line says for every printer alike; read-only once the
// options are parsed, shared by all workers.
struct RunSettings {
    // The four option strings (index SETTING_*), each meaningful only while its
    // flags[2] bit is set.
    const char *const *values = nullptr;
    // The -n/--connection ports, in the order their lines are printed.
    std::vector<std::uint16_t> ports;
};

class ReportContext {
 public:
    ReportContext(SNMP_session &session, PrinterOutput &out, const RunSettings &settings,
                  const std::uint64_t *flagWords);

    SNMP_session &session;
    PrinterOutput &out;
    const RunSettings &settings;
    // This printer's copy of the three option words; reports clear the bits
    // they have answered, and later steps look only at what is left.
    std::uint64_t flags[3];
    // Capability word: wanted groups (bits 0-2), the MIBs the printer answers
    // (bits 3, 4) and the vendor code (bits 8-11).
    std::uint64_t capFlags = 0;

    const char *host() const { return out.host().c_str(); }
    // The option string of a flags[2] option (SETTING_*), or nullptr.
    const char *setting(int index) const;

    void print(const Piece &piece) const { out.piece(piece); }
    // A warning that names the printer itself, ending in "\n".
    void warn(const std::string &text) const { out.warn(text, true); }
    // A warning whose text does not name the printer.
    void warn_unnamed(const std::string &text) const { out.warn(text, false); }
};

// Worker statuses chosen by the reports (besides 8 for no response).
inline constexpr int STATUS_NOT_A_PRINTER = 10;     // description names a host system
inline constexpr int STATUS_UNKNOWN_VENDOR = 11;    // no vendor rule matched
inline constexpr int STATUS_PROBE_REJECTED = -3;    // sysDescr refused, or no HP model key
inline constexpr int STATUS_HP_SETTING_FAILED = 9;  // --reboot/--updatefirmware not done
inline constexpr int STATUS_NO_VENDOR_REPORT = -1;  // --cfgsrc/--updatefirmware: not this vendor

// Ends one printer's worker with a status. message (ending in "\n"), when not
// empty, is the failure the worker reports; caught only at the top of the worker,
// so everything the worker owns is released by unwinding.
class WorkerExit : public PrinterError {
 public:
    explicit WorkerExit(int status, std::string message = {});
    int status;
    std::string message;
};

// "%s: No response from %s\n" (program, printer), or for a request that could
// not be sent "%s: cannot send to %s: %s\n" (program, printer, system error),
// to the printer's output; returns the worker status of either, 8.
int handle_unrecoverable(PrinterOutput &out, const SNMP_error_unrecoverable &error);

// Worker statuses for failures that reach the worker's top level.
inline constexpr int STATUS_REFUSED = 12;    // the printer answered a request with an error
inline constexpr int STATUS_BAD_REPLY = 13;  // a reply that cannot be decoded or used
inline constexpr int STATUS_INTERNAL = 15;   // anything else that ended a worker
// SNMPv2c and SNMPv3 security failures (SNMP_error_security), by cause.
inline constexpr int STATUS_UNKNOWN_USER = 19;       // the printer does not know the SNMPv3 user
inline constexpr int STATUS_WRONG_DIGEST = 20;       // authentication passphrase or protocol wrong
inline constexpr int STATUS_UNSUPPORTED_LEVEL = 21;  // the security level is not offered to the user
inline constexpr int STATUS_DECRYPTION_ERROR = 22;   // privacy passphrase or protocol wrong
inline constexpr int STATUS_ACCESS_DENIED = 23;      // authorizationError
inline constexpr int STATUS_SNMPV3_FAILURE = 24;     // time window, discovery, other Reports
inline constexpr int STATUS_ENGINE_CHANGED = 25;     // another engine ID than the one given (-e, --known-engines) or confirmed

// The one error path of a worker: called inside its top-level catch, writes
// the message of the exception in flight to the printer's output and returns
// the worker status it means.
int report_failure(PrinterOutput &out);

// "%s: %s option not supported on this printer type.\n" (printer, option).
void not_supported(PrinterOutput &out, const char *option);
