// security: -v and the SNMPv3 options, the --secrets file, and their checks.
#include "frontend/security.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "snmp/snmpsock.h"

namespace {

// RFC 3414 asks for passphrases of at least 8 octets.
constexpr std::size_t MIN_PASSPHRASE = 8;
constexpr std::size_t MAX_SECRETS_FILE = 65536;

template <class T>
struct Named {
    const char *name;
    T value;
};

constexpr Named<UsmAuth> AUTH_NAMES[] = {{"MD5", UsmAuth::MD5},         {"SHA", UsmAuth::SHA1},
                                         {"SHA1", UsmAuth::SHA1},       {"SHA-224", UsmAuth::SHA224},
                                         {"SHA-256", UsmAuth::SHA256}, {"SHA-384", UsmAuth::SHA384},
                                         {"SHA-512", UsmAuth::SHA512}};
constexpr Named<UsmPriv> PRIV_NAMES[] = {{"DES", UsmPriv::DES}, {"AES", UsmPriv::AES128}, {"AES-128", UsmPriv::AES128}};
constexpr Named<UsmLevel> LEVEL_NAMES[] = {{"noAuthNoPriv", UsmLevel::NoAuthNoPriv},
                                           {"authNoPriv", UsmLevel::AuthNoPriv},
                                           {"authPriv", UsmLevel::AuthPriv}};
constexpr Named<SNMP_version> VERSION_NAMES[] = {
    {"1", SNMP_version::V1}, {"2c", SNMP_version::V2C}, {"3", SNMP_version::V3}};

// Names compare without regard to case, as net-snmp's commands take them.
template <class T, std::size_t N>
bool lookup(const Named<T> (&table)[N], const char *text, T &value) {
    for (const Named<T> &entry : table) {
        if (strcasecmp(entry.name, text) == 0) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

ProtocolOutcome failure(const char *progname, int status, const std::string &text) {
    ProtocolOutcome out;
    out.err = std::string(progname) + ": " + text + "\n";
    out.status = status;
    return out;
}

// The first SNMPv3 option given, for the message when -v 3 is missing.
const char *first_v3_option(const SnmpOptions &o, const SnmpOptionNames &n) {
    if (o.user) return n.user;
    if (o.level) return n.level;
    if (o.authProtocol) return n.authProtocol;
    if (o.authPass) return n.authPass;
    if (o.privProtocol) return n.privProtocol;
    if (o.privPass) return n.privPass;
    if (o.secretsFile) return "--secrets";
    if (o.engineId) return "-e";
    if (o.knownEngines) return "--known-engines";
    return nullptr;
}

// A passphrase of the file joins the command line's; giving one twice is an error.
bool merge_secret(std::optional<SecretBytes> &into, std::optional<SecretBytes> &from) {
    if (!from) return true;
    if (into) return false;
    into = std::move(from);
    return true;
}

// The level -l names, or the one the passphrases given imply.
UsmLevel implied_level(const SnmpOptions &o) {
    if (o.privPass) return UsmLevel::AuthPriv;
    return o.authPass ? UsmLevel::AuthNoPriv : UsmLevel::NoAuthNoPriv;
}

// Passphrases and ciphers the level needs; an empty string when all is there.
std::string missing_for_level(const SnmpOptions &o, UsmLevel level, UsmPriv priv, const SnmpOptionNames &n) {
    const std::string name = usm_level_name(level);
    if (level == UsmLevel::NoAuthNoPriv) return {};
    if (!o.authPass)
        return "security level " + name + " needs an authentication passphrase (" + n.authPass +
               ", or authpass in --secrets).";
    if (o.authPass->size() < MIN_PASSPHRASE) return "the authentication passphrase must have at least 8 characters.";
    if (level == UsmLevel::AuthNoPriv) return {};
    if (!o.privPass)
        return "security level " + name + " needs a privacy passphrase (" + n.privPass + ", or privpass in --secrets).";
    if (o.privPass->size() < MIN_PASSPHRASE) return "the privacy passphrase must have at least 8 characters.";
    try {
        usm_require_privacy(priv);
    } catch (const UsmCryptoError &e) {
        return std::string(e.what()) + "; use " + n.privProtocol + " AES.";
    }
    return {};
}

// -e and --known-engines: the run's engine store; nothing when one is wrong
// (out holds the failure then).
bool make_engines(const SnmpOptions &o, SnmpProtocol &protocol, ProtocolOutcome &out, const char *progname) {
    if (o.engineId) {
        protocol.engineId = parse_engine_id(o.engineId);
        if (!protocol.engineId) {
            out = failure(progname, STATUS_BAD_SECURITY_OPTION,
                          std::string("-e needs an engine ID of 5 to 32 bytes in hexadecimal, not \"") + o.engineId +
                              "\".");
            return false;
        }
    }
    protocol.engines = std::make_unique<SNMP_engine_store>();
    std::string why;
    if (o.knownEngines && !protocol.engines->use_file(o.knownEngines, why)) {
        out = failure(progname, STATUS_BAD_KNOWN_ENGINES,
                      std::string("--known-engines file \"") + o.knownEngines + "\"" + why + ".");
        return false;
    }
    return true;
}

ProtocolOutcome make_user(SnmpOptions &o, const char *progname, const SnmpOptionNames &n) {
    if (!o.user || !*o.user)
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(n.versionThree) + " needs a user name (" + n.user + ").");
    if (std::strlen(o.user) > USM_MAX_USER_NAME)
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string("the user name of ") + n.user + " is longer than 32 bytes.");
    UsmAuth auth = UsmAuth::MD5;
    UsmPriv priv = UsmPriv::DES;
    if (o.authProtocol && !lookup(AUTH_NAMES, o.authProtocol, auth))
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(n.authProtocol) + " needs MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512, not \"" +
                           o.authProtocol + "\".");
    if (o.privProtocol && !lookup(PRIV_NAMES, o.privProtocol, priv))
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(n.privProtocol) + " needs DES or AES, not \"" + o.privProtocol + "\".");
    if (o.secretsFile) {
        std::string why;
        std::optional<SecretsFile> file = read_secrets_file(o.secretsFile, why);
        if (!file)
            return failure(progname, STATUS_BAD_SECRETS_FILE,
                           std::string("--secrets file \"") + o.secretsFile + "\"" + why + ".");
        if (!merge_secret(o.authPass, file->authPass) || !merge_secret(o.privPass, file->privPass))
            return failure(progname, STATUS_BAD_SECURITY_OPTION,
                           std::string("a passphrase is given twice (") + n.authPass + " or " + n.privPass +
                               ", and --secrets).");
    }
    UsmLevel level = implied_level(o);
    if (o.level && !lookup(LEVEL_NAMES, o.level, level))
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(n.level) + " needs noAuthNoPriv, authNoPriv or authPriv, not \"" + o.level + "\".");
    const std::string missing = missing_for_level(o, level, priv, n);
    if (!missing.empty()) return failure(progname, STATUS_BAD_SECURITY_OPTION, missing);

    ProtocolOutcome out;
    SnmpProtocol protocol;
    if (!make_engines(o, protocol, out, progname)) return out;
    out.protocol = std::move(protocol);
    out.protocol->version = SNMP_version::V3;
    out.protocol->user = std::make_unique<SNMP_usm_user>(
        make_usm_user(o.user, level, auth, priv, o.authPass ? std::move(*o.authPass) : SecretBytes(),
                      o.privPass ? std::move(*o.privPass) : SecretBytes()));
    o.authPass.reset();
    o.privPass.reset();
    return out;
}

}  // namespace

bool snmp_version_named(const char *text, SNMP_version &version) { return lookup(VERSION_NAMES, text, version); }
bool usm_auth_named(const char *text, UsmAuth &auth) { return lookup(AUTH_NAMES, text, auth); }
bool usm_priv_named(const char *text, UsmPriv &priv) { return lookup(PRIV_NAMES, text, priv); }
bool usm_level_named(const char *text, UsmLevel &level) { return lookup(LEVEL_NAMES, text, level); }

SecretBytes take_secret(char *text) {
    usm_keep_out_of_core_dumps();
    const std::size_t n = std::strlen(text);
    SecretBytes secret(text, n);
    usm_wipe(text, n);
    return secret;
}

ProtocolOutcome make_protocol(SnmpOptions &options, const char *progname, const SnmpOptionNames &names) {
    SNMP_version version = SNMP_version::V1;
    if (options.version && !lookup(VERSION_NAMES, options.version, version))
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(names.version) + " needs 1, 2c or 3, not \"" + options.version + "\".");
    if (version == SNMP_version::V3) return make_user(options, progname, names);
    if (const char *given = first_v3_option(options, names))
        return failure(progname, STATUS_BAD_SECURITY_OPTION,
                       std::string(given) + " needs " + names.versionThree + " (SNMPv3).");
    ProtocolOutcome out;
    out.protocol.emplace();
    out.protocol->version = version;
    return out;
}

std::optional<SecretBytes> read_private_file(const char *path, std::size_t maxBytes, std::string &err) {
    usm_keep_out_of_core_dumps();
    // O_NONBLOCK: a FIFO put in the file's place would otherwise hold the
    // open until someone writes to it; it is then refused as not a regular file.
    SNMP_descriptor fd(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        err = std::string(" cannot be read: ") + std::strerror(errno);
        return std::nullopt;
    }
    char mode[64];
    std::snprintf(mode, sizeof mode, " (mode 0%o); allow its owner alone (chmod 600)",
                  static_cast<unsigned>(st.st_mode & 07777));
    if (!S_ISREG(st.st_mode)) err = " is not a regular file";
    else if (st.st_uid != ::geteuid()) err = " belongs to another user";
    else if (st.st_mode & 077) err = std::string(" may be read or changed by others") + mode;
    else if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        err = " is larger than " + std::to_string(maxBytes / 1024) + " KiB";
    if (!err.empty()) return std::nullopt;

    SecretBytes text(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = std::string(" cannot be read: ") + std::strerror(errno);
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return text.first(got);
}

std::optional<SecretsFile> read_secrets_file(const char *path, std::string &err) {
    std::optional<SecretBytes> text = read_private_file(path, MAX_SECRETS_FILE, err);
    if (!text) return std::nullopt;
    return parse_secrets(*text, err);
}

std::optional<SecretsFile> parse_secrets(const SecretBytes &text, std::string &err) {
    SecretsFile file;
    const std::string_view all(reinterpret_cast<const char *>(text.data()), text.size());
    std::size_t lineNumber = 0;
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find('\n', at);
        if (end == std::string_view::npos) end = all.size();
        std::string_view line = all.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        while (!line.empty() && std::strchr(" \t\r", line.back())) line.remove_suffix(1);
        while (!line.empty() && std::strchr(" \t", line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t blank = line.find_first_of(" \t");
        const std::string_view keyword = line.substr(0, blank);
        std::string_view value = blank == std::string_view::npos ? std::string_view() : line.substr(blank);
        while (!value.empty() && std::strchr(" \t", value.front())) value.remove_prefix(1);
        std::optional<SecretBytes> *slot = keyword == "authpass"   ? &file.authPass
                                           : keyword == "privpass" ? &file.privPass
                                                                   : nullptr;
        const std::string where = ", line " + std::to_string(lineNumber) + ": ";
        if (!slot || value.empty()) {
            err = where + "expected \"authpass PASSPHRASE\" or \"privpass PASSPHRASE\"";
            return std::nullopt;
        }
        if (*slot) {
            err = where + std::string(keyword) + " given twice";
            return std::nullopt;
        }
        slot->emplace(value.data(), value.size());
    }
    return file;
}

void apply_protocol(SNMP_session &session, const SnmpProtocol &protocol) {
    if (!protocol.user) {
        session.setVersion(protocol.version);
        return;
    }
    session.setUser(*protocol.user);
    session.setEngineStore(protocol.engines.get());
    if (protocol.engineId)
        for (const SNMP_session::IPv4 &address : session.addresses())
            protocol.engines->pin(address, *protocol.engineId, "given with -e");
}
