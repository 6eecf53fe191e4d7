// config: the exporter's modules, read from a file of "keyword value" lines.
#include "exporter/config.h"

#include <cctype>
#include <charconv>
#include <cstring>

#include "frontend/security.h"
#include "snmp/v3message.h"

namespace {

constexpr std::string_view BLANKS = " \t";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (BLANKS.find(s.front()) != std::string_view::npos)) s.remove_prefix(1);
    while (!s.empty() && (std::string_view(" \t\r").find(s.back()) != std::string_view::npos)) s.remove_suffix(1);
    return s;
}

constexpr struct {
    const char *name;
    unsigned bits;
} GROUP_NAMES[] = {{"identification", READ_IDENTIFICATION}, {"status", READ_STATUS}, {"supplies", READ_SUPPLIES},
                   {"trays", READ_TRAYS},       {"covers", READ_COVERS}, {"alerts", READ_ALERTS},
                   {"counters", READ_COUNTERS}, {"all", READ_ALL}};

// A module's passphrases until its user is made (then wiped).
struct PendingSecrets {
    std::optional<SecretBytes> auth, priv;
    UsmAuth authProtocol = UsmAuth::MD5;  // net-snmp's defaults, as prowlet's
    UsmPriv privProtocol = UsmPriv::DES;
    std::optional<UsmLevel> level;
    std::string user;
};

// Reads one module's lines; the user's keys are made at the module's end.
class ConfigParser {
 public:
    explicit ConfigParser(const std::string &path) : config_(std::make_unique<ExporterConfig>()) {
        config_->path = path;
    }
    // "" when the line is taken, else why not.
    std::string line(std::string_view keyword, std::string_view value, int number);
    // Checks the module being read and makes its user; "" or why not.
    std::string end_module();
    std::unique_ptr<ExporterConfig> take() { return std::move(config_); }
    int moduleLine() const { return current_ ? current_->line : 0; }

 private:
    std::string module_setting(std::string_view keyword, std::string_view value);
    std::string security_setting(std::string_view keyword, std::string_view value);
    std::unique_ptr<ExporterConfig> config_;
    ModuleConfig *current_ = nullptr;
    PendingSecrets secrets_;
};

bool module_name_ok(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.')) return false;
    return true;
}

// A whole decimal number within [low, high], or nullopt.
std::optional<int> number_in(std::string_view text, int low, int high) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < low || v > high) return std::nullopt;
    return v;
}

std::string ConfigParser::line(std::string_view keyword, std::string_view value, int number) {
    if (keyword == "module") {
        if (!module_name_ok(value))
            return "a module name is 1 to 64 letters, digits, '_', '-' or '.', not \"" + std::string(value) + "\"";
        if (config_->find(value)) return "module \"" + std::string(value) + "\" is defined twice";
        config_->modules.emplace_back();
        current_ = &config_->modules.back();
        current_->name = value;
        current_->line = number;
        secrets_ = PendingSecrets{};
        return {};
    }
    if (!current_) return "\"" + std::string(keyword) + "\" before the first \"module NAME\" line";
    if (value.empty()) return "\"" + std::string(keyword) + "\" needs a value";
    return module_setting(keyword, value);
}

std::string ConfigParser::module_setting(std::string_view keyword, std::string_view value) {
    const std::string text(value);
    if (keyword == "version") {
        if (!snmp_version_named(text.c_str(), current_->version))
            return "version needs 1, 2c or 3, not \"" + text + "\"";
    } else if (keyword == "community") {
        current_->community = text;
    } else if (keyword == "timeout") {
        const std::optional<int> v = number_in(value, 1, MAX_MODULE_TIMEOUT);
        if (!v) return "timeout needs whole seconds from 1 to " + std::to_string(MAX_MODULE_TIMEOUT) + ", not \"" + text + "\"";
        current_->timeout = *v;
    } else if (keyword == "retries") {
        const std::optional<int> v = number_in(value, 0, MAX_MODULE_RETRIES);
        if (!v) return "retries needs a number from 0 to " + std::to_string(MAX_MODULE_RETRIES) + ", not \"" + text + "\"";
        current_->retries = *v;
    } else if (keyword == "read") {
        unsigned groups = 0;
        for (std::size_t at = 0; at < value.size();) {
            const std::size_t end = std::min(value.find_first_of(BLANKS, at), value.size());
            const std::string_view word = value.substr(at, end - at);
            at = value.find_first_not_of(BLANKS, end);
            if (at == std::string_view::npos) at = value.size();
            const std::optional<unsigned> bits = read_group(word);
            if (!bits)
                return "read takes identification, status, supplies, trays, covers, alerts, counters or all, not \"" +
                       std::string(word) + "\"";
            groups |= *bits;
        }
        current_->groups = groups;
    } else {
        return security_setting(keyword, value);
    }
    return {};
}

std::string ConfigParser::security_setting(std::string_view keyword, std::string_view value) {
    const std::string text(value);
    if (keyword == "user") {
        if (value.size() > USM_MAX_USER_NAME) return "the user name is longer than 32 bytes";
        secrets_.user = text;
    } else if (keyword == "level") {
        UsmLevel level;
        if (!usm_level_named(text.c_str(), level))
            return "level needs noAuthNoPriv, authNoPriv or authPriv, not \"" + text + "\"";
        secrets_.level = level;
    } else if (keyword == "auth-protocol") {
        if (!usm_auth_named(text.c_str(), secrets_.authProtocol))
            return "auth-protocol needs MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512, not \"" + text + "\"";
    } else if (keyword == "priv-protocol") {
        if (!usm_priv_named(text.c_str(), secrets_.privProtocol)) return "priv-protocol needs DES or AES, not \"" + text + "\"";
    } else if (keyword == "auth-passphrase" || keyword == "priv-passphrase") {
        std::optional<SecretBytes> &slot = keyword == "auth-passphrase" ? secrets_.auth : secrets_.priv;
        if (slot) return std::string(keyword) + " is given twice in module \"" + current_->name + "\"";
        if (value.size() < 8) return std::string(keyword) + " must have at least 8 characters";
        slot.emplace(value.data(), value.size());
    } else {
        return "unknown keyword \"" + std::string(keyword) +
               "\" (module, version, community, timeout, retries, read, user, level, auth-protocol, "
               "auth-passphrase, priv-protocol, priv-passphrase)";
    }
    return {};
}

std::string ConfigParser::end_module() {
    if (!current_) return {};
    PendingSecrets s = std::move(secrets_);
    secrets_ = PendingSecrets{};
    const bool anyV3 = !s.user.empty() || s.level || s.auth || s.priv;
    if (current_->version != SNMP_version::V3) {
        if (anyV3) return "module \"" + current_->name + "\" has SNMPv3 settings but not \"version 3\"";
        return {};
    }
    if (s.user.empty()) return "module \"" + current_->name + "\" (version 3) needs a user";
    const UsmLevel level = s.level ? *s.level
                           : s.priv ? UsmLevel::AuthPriv
                           : s.auth ? UsmLevel::AuthNoPriv
                                    : UsmLevel::NoAuthNoPriv;
    if (level != UsmLevel::NoAuthNoPriv && !s.auth)
        return "module \"" + current_->name + "\": level " + usm_level_name(level) + " needs an auth-passphrase";
    if (level == UsmLevel::AuthPriv) {
        if (!s.priv) return "module \"" + current_->name + "\": level authPriv needs a priv-passphrase";
        try {
            usm_require_privacy(s.privProtocol);
        } catch (const UsmCryptoError &e) {
            return "module \"" + current_->name + "\": " + e.what() + "; use priv-protocol AES";
        }
    }
    current_->user = std::make_unique<SNMP_usm_user>(make_usm_user(
        s.user, level, s.authProtocol, s.privProtocol, s.auth ? std::move(*s.auth) : SecretBytes(),
        s.priv ? std::move(*s.priv) : SecretBytes()));
    return {};
}

}  // namespace

std::optional<unsigned> read_group(std::string_view word) {
    for (const auto &g : GROUP_NAMES)
        if (word == g.name) return g.bits;
    return std::nullopt;
}

const ModuleConfig *ExporterConfig::find(std::string_view name) const {
    for (const ModuleConfig &m : modules)
        if (m.name == name) return &m;
    return nullptr;
}

ConfigOutcome parse_config(std::string_view text, const std::string &path) {
    ConfigParser parser(path);
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = trimmed(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (raw.empty() || raw.front() == '#') continue;
        if (raw.find('\0') != std::string_view::npos)
            return {nullptr, path + ", line " + std::to_string(number) + ": a NUL byte in the line"};
        const std::size_t blank = raw.find_first_of(BLANKS);
        const std::string_view keyword = raw.substr(0, blank);
        const std::string_view value = blank == std::string_view::npos ? std::string_view() : trimmed(raw.substr(blank));
        std::string problem;
        int where = number;
        if (keyword == "module") {
            where = parser.moduleLine();
            problem = parser.end_module();
        }
        if (problem.empty()) {
            where = number;
            problem = parser.line(keyword, value, number);
        }
        if (!problem.empty()) return {nullptr, path + ", line " + std::to_string(where) + ": " + problem};
    }
    const int last = parser.moduleLine();
    if (std::string problem = parser.end_module(); !problem.empty())
        return {nullptr, path + ", line " + std::to_string(last) + ": " + problem};
    std::unique_ptr<ExporterConfig> config = parser.take();
    if (config->modules.empty()) return {nullptr, path + ": no module defined (a \"module NAME\" line)"};
    return {std::move(config), {}};
}

ConfigOutcome load_config(const std::string &path) {
    std::string why;
    std::optional<SecretBytes> text = read_private_file(path.c_str(), MAX_CONFIG_BYTES, why);
    if (!text) return {nullptr, path + why};
    return parse_config({reinterpret_cast<const char *>(text->data()), text->size()}, path);
}
