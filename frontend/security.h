// security: the protocol version and SNMPv3 options of the command line, the
// --secrets file, and the checks made on them before anything is sent.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "frontend/exit_status.h"
#include "snmp/engine_store.h"
#include "snmp/session.h"
#include "snmp/usm.h"
#include "snmp/usm_engine.h"


// The options as given. Texts point into argv; the passphrases are copied out
// and wiped from argv as they are read.
struct SnmpOptions {
    const char *version = nullptr;       // -v, --snmp-version
    const char *user = nullptr;          // -u, --v3-user
    const char *level = nullptr;         // -l, --v3-level
    const char *authProtocol = nullptr;  // -a, --v3-auth-protocol
    const char *privProtocol = nullptr;  // -x, --v3-priv-protocol
    const char *secretsFile = nullptr;   // --secrets
    const char *engineId = nullptr;      // -e, --v3-engine-id
    const char *knownEngines = nullptr;  // --known-engines
    std::optional<SecretBytes> authPass;  // -A, --v3-auth-passphrase
    std::optional<SecretBytes> privPass;  // -X, --v3-priv-passphrase
};

// Copies the text (an argument) and overwrites it in place, so that the
// passphrase no longer shows in the process's command line.
SecretBytes take_secret(char *text);

// What the options ask for, checked: the version, and for SNMPv3 the user with
// its master keys (which cost a megabyte of hashing per passphrase, once per run).
struct SnmpProtocol {
    SNMP_version version = SNMP_version::V1;
    std::unique_ptr<SNMP_usm_user> user;  // SNMPv3 only
    // SNMPv3: the run's engines (one discovery per printer, the
    // known-engines file), and the engine ID every printer must have (-e).
    std::unique_ptr<SNMP_engine_store> engines;
    std::optional<std::vector<unsigned char>> engineId;
};

// The outcome: a protocol, or the message (ending in a newline) and the status
// of a run that ends here.
struct ProtocolOutcome {
    std::optional<SnmpProtocol> protocol;
    std::string err;
    int status = 0;
};

// How the command line spells the options, for the messages: prowlet's own
// letters by default, check_snmp's in the check.
struct SnmpOptionNames {
    const char *version = "-v", *versionThree = "-v 3", *user = "-u", *level = "-l", *authProtocol = "-a";
    const char *authPass = "-A", *privProtocol = "-x", *privPass = "-X";
};

// Checks the options, reads the --secrets file and makes the user's keys. The
// passphrases are taken out of options (and wiped once turned into keys).
ProtocolOutcome make_protocol(SnmpOptions &options, const char *progname, const SnmpOptionNames &names = {});

// The passphrases of a --secrets file: lines "authpass PASSPHRASE" and
// "privpass PASSPHRASE" (the passphrase is the rest of the line, trailing
// blanks dropped); blank lines and lines starting with '#' are ignored. The
// file must be a regular file of the user running prowlet that no one else may
// read or change. On failure err holds the reason (without the file name).
struct SecretsFile {
    std::optional<SecretBytes> authPass;
    std::optional<SecretBytes> privPass;
};
std::optional<SecretsFile> read_secrets_file(const char *path, std::string &err);
// The parsing alone, of the file's text.
std::optional<SecretsFile> parse_secrets(const SecretBytes &text, std::string &err);

// Reads a file that holds secrets, opened once and checked on the open
// descriptor: a regular file of the effective user that no one else may read
// or change, at most maxBytes long. On failure err holds the reason, to follow
// the file's name (" is not a regular file", ...).
std::optional<SecretBytes> read_private_file(const char *path, std::size_t maxBytes, std::string &err);

// The names the options take (case ignored): "1", "2c", "3"; "MD5", "SHA",
// "SHA-224" ... "SHA-512"; "DES", "AES"; "noAuthNoPriv", "authNoPriv",
// "authPriv". False, value untouched, for any other text.
bool snmp_version_named(const char *text, SNMP_version &version);
bool usm_auth_named(const char *text, UsmAuth &auth);
bool usm_priv_named(const char *text, UsmPriv &priv);
bool usm_level_named(const char *text, UsmLevel &level);

// Applies the protocol to a session: its version, or its user, the run's
// engine store and the engine ID of -e for each of its addresses.
void apply_protocol(SNMP_session &session, const SnmpProtocol &protocol);
