// Every status prowlet exits with. A run that ends before any printer is
// asked exits with its own status; otherwise each printer's worker ends with a
// status and the run exits with that of the first failing printer in
// command-line order (its low 8 bits: -1 reaches the shell as 255).
#pragma once

enum ExitStatus : int {
    STATUS_OK = 0,  // every printer served; --help, --version

    // The run itself, before any printer is asked.
    STATUS_BAD_OPTION = 1,          // an unknown option, a missing argument, a bad --updatefirmware
    STATUS_BAD_PORT = 2,            // -n/--connection outside 1..65535
    STATUS_BAD_TARGET = 3,          // a malformed target argument
    STATUS_NO_TARGETS = 4,          // the arguments expand to no address
    STATUS_TRANSPORT_FAILED = 5,    // the UDP socket could not be set up, or could no longer be read
    STATUS_NO_PRINTER_NAME = 7,     // no target after the options
    STATUS_NO_THREAD = 14,          // the system refused a thread for good
    STATUS_BAD_MAXPROC = 16,        // --maxproc is not a positive number
    STATUS_BAD_SECURITY_OPTION = 17,  // -v, -u, -l, -a, -A, -x, -X, -e
    STATUS_BAD_SECRETS_FILE = 18,     // --secrets
    STATUS_BAD_KNOWN_ENGINES = 26,    // --known-engines
    STATUS_UNRESOLVED_NAME = 252,     // a printer name does not resolve

    // One printer's worker.
    STATUS_NO_HOST_RESOURCES = 5,  // Host Resources options asked, the MIB missing (without --all)
    STATUS_NO_PRINTER_MIB = 6,     // Printer MIB options asked, the MIB missing (without --all)
    STATUS_NO_RESPONSE = 8,        // no answer, or the request could not be sent
    STATUS_HP_SETTING_FAILED = 9,  // --reboot/--updatefirmware not done on an HP interface
    STATUS_NOT_A_PRINTER = 10,     // the description names a host system
    STATUS_UNKNOWN_VENDOR = 11,    // no vendor rule matched (without --generic)
    STATUS_REFUSED = 12,           // the printer answered a request with an error-status
    STATUS_BAD_REPLY = 13,         // a reply that cannot be decoded or used
    STATUS_INTERNAL = 15,          // anything else that ended a worker
    STATUS_UNKNOWN_USER = 19,      // SNMPv3: the printer does not know the user
    STATUS_WRONG_DIGEST = 20,      // SNMPv3: authentication passphrase or protocol wrong
    STATUS_UNSUPPORTED_LEVEL = 21,  // SNMPv3: the security level is not offered to the user
    STATUS_DECRYPTION_ERROR = 22,   // SNMPv3: privacy passphrase or protocol wrong
    STATUS_ACCESS_DENIED = 23,      // authorizationError
    STATUS_SNMPV3_FAILURE = 24,     // SNMPv3: time window, discovery, other Reports
    STATUS_ENGINE_CHANGED = 25,     // SNMPv3: another engine ID than the one given (-e, --known-engines) or confirmed
    STATUS_NO_VENDOR_REPORT = -1,   // --cfgsrc/--updatefirmware on a vendor without them
    STATUS_PROBE_REJECTED = -3,     // sysDescr refused, the general request refused, no HP model key
};
