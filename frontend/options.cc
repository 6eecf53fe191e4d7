// Option parsing: getopt_long over the option table, flag words by the word/bit rule.
#include "frontend/options.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "frontend/exit_status.h"
#include "frontend/failures.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/hp.h"

namespace {

// getopt_long stores the value of every flag option here. The value carries
// the flag word in its low three bits and the bit to set in the rest.
int flagValue = 0;

constexpr int word_bit(int word, std::uint64_t bit) {
    // The bit is at most 0x80000000; going through uint32 keeps the int
    // conversion well defined for bit 31.
    return static_cast<int>(static_cast<std::uint32_t>(bit | static_cast<std::uint64_t>(word)));
}

// What getopt_long returns for an option with handling of its own: its
// letter, or a code above every character for a long option alone.
constexpr int LONG_ONLY_CODES = 0x100;
int own_code(const OptionSpec &o) { return o.letter ? o.letter : LONG_ONLY_CODES + static_cast<int>(o.id); }

std::optional<Option> option_of_code(int code) {
    for (const OptionSpec &o : option_table())
        if (o.word < 0 && own_code(o) == code) return o.id;
    return std::nullopt;
}

// getopt_long's table and short-option string, both from the option table.
const option *option_table_for_getopt() {
    static const std::vector<option> table = [] {
        std::vector<option> t;
        for (const OptionSpec &o : option_table()) {
            const int hasArg = o.takesArgument ? required_argument : no_argument;
            if (o.word >= 0)
                t.push_back({o.name, hasArg, &flagValue, word_bit(o.word, o.bit)});
            else
                t.push_back({o.name, hasArg, nullptr, own_code(o)});
        }
        t.push_back({nullptr, 0, nullptr, 0});
        return t;
    }();
    return table.data();
}

const std::string &short_options() {
    // "+": options end at the first target (argument permutation off).
    static const std::string letters = [] {
        std::string s = "+";
        for (const OptionSpec &o : option_table()) {
            if (!o.letter) continue;
            s += o.letter;
            if (o.takesArgument) s += ':';
        }
        return s;
    }();
    return letters;
}

std::string build_help_text() {
    std::vector<std::pair<int, const char *>> lines = {{1, "prowlet [OPTIONS] printername"}, {2, ""}};
    for (const OptionSpec &o : option_table())
        for (const ClassicHelp &h : o.help)
            if (h.line > 0) lines.emplace_back(h.line, h.text);
    std::sort(lines.begin(), lines.end());
    std::string t;
    for (const auto &[line, text] : lines) {
        t += text;
        t += '\n';
    }
    return t;
}

// -n/--connection: leading decimal digits count, trailing text is ignored;
// no digits, overflow or a value outside 1..65535 is refused.
bool parse_port(const char *text, std::uint16_t &port) {
    errno = 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno == ERANGE || end == text || value < 1 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

const std::string &help_text() {
    static const std::string text = build_help_text();
    return text;
}

void add_connection(Options &opts, std::uint16_t port) {
    auto node = std::make_unique<ConnRequest>();
    node->port = port;
    node->next = opts.connList;
    opts.connList = node.get();
    opts.connNodes.push_back(std::move(node));
}

namespace {

ParseOutcome finished(int status, std::string err, std::string out = {}) {
    ParseOutcome outcome;
    outcome.finished = true;
    outcome.status = status;
    outcome.err = std::move(err);
    outcome.out = std::move(out);
    return outcome;
}

// A flag option: its bit in its word (the value getopt_long stored), and
// the argument of a word-2 option, kept in settings[n - 3] for bit n.
void set_flag(Options &opts) {
    const auto value = static_cast<std::uint64_t>(static_cast<std::uint32_t>(flagValue));
    opts.flags.set_table_value(value);
    if ((value & 7) == 2) {
        const std::uint64_t bit = value & ~std::uint64_t{7};
        int n = 0;
        while ((bit >> n) != 1) ++n;
        opts.settings[n - 3] = optarg;
    }
}

// -v and the SNMPv3 options, kept as given (checked once all are read). A
// passphrase is wiped from argv at once.
void take_snmp_option(Option o, SnmpOptions &snmp) {
    switch (o) {
    case Option::snmpVersion: snmp.version = optarg; break;
    case Option::v3User: snmp.user = optarg; break;
    case Option::v3Level: snmp.level = optarg; break;
    case Option::v3AuthProtocol: snmp.authProtocol = optarg; break;
    case Option::v3AuthPassphrase: snmp.authPass = take_secret(optarg); break;
    case Option::v3PrivProtocol: snmp.privProtocol = optarg; break;
    case Option::v3PrivPassphrase: snmp.privPass = take_secret(optarg); break;
    case Option::secrets: snmp.secretsFile = optarg; break;
    case Option::v3EngineId: snmp.engineId = optarg; break;
    case Option::knownEngines: snmp.knownEngines = optarg; break;
    default: throw std::logic_error("not an SNMP option");
    }
}

// An option with handling of its own; an outcome when it ends the run.
std::optional<ParseOutcome> take_own_option(Option o, char **argv, Options &opts) {
    switch (o) {
    case Option::community: opts.community = optarg; break;
    case Option::connection: {
        std::uint16_t port = 0;
        if (!parse_port(optarg, port))
            return finished(STATUS_BAD_PORT, std::string(argv[0]) + ": port number is out of range.\n");
        add_connection(opts, port);
        break;
    }
    case Option::timeout: opts.timeout = std::strtoul(optarg, nullptr, 0); break;
    case Option::help: return finished(STATUS_OK, help_text());
    default: take_snmp_option(o, opts.snmp); break;
    }
    return std::nullopt;
}

// One option as getopt_long returned it; an outcome when it ends the run.
std::optional<ParseOutcome> take_option(int c, char **argv, Options &opts, bool &badOption) {
    if (c == 0) {
        set_flag(opts);
        return std::nullopt;
    }
    const std::optional<Option> own = option_of_code(c);
    if (!own) {
        badOption = true;  // '?': getopt_long has written its diagnostic
        return std::nullopt;
    }
    return take_own_option(*own, argv, opts);
}

// --updatefirmware is refused before any printer is asked: a printer told to
// fetch half a name would fail where nobody sees it.
std::optional<ParseOutcome> check_firmware_source(const Options &opts) {
    if (!opts.flags.asked(Option::updatefirmware)) return std::nullopt;
    const char *arg = opts.settings[SETTING_UPDATEFIRMWARE];
    if (split_firmware_arg(arg ? arg : "")) return std::nullopt;
    return finished(STATUS_BAD_OPTION, std::string(progname) + ": --updatefirmware needs SERVER:FILE, not \"" + (arg ? arg : "") +
                           "\".\n" + SHORT_USAGE);
}

}  // namespace

ParseOutcome parse_options(int argc, char **argv, Options &opts) {
    const option *table = option_table_for_getopt();
    bool badOption = false;

    // optind 0 makes glibc's getopt start over completely, including its
    // position inside a group of short options.
    optind = 0;
    opterr = 1;
    for (;;) {
        flagValue = 0;
        int c = getopt_long(argc, argv, short_options().c_str(), table, nullptr);
        if (c == -1) break;
        if (std::optional<ParseOutcome> end = take_option(c, argv, opts, badOption)) return *end;
    }

    progname = argv[0];
    if (badOption) return finished(STATUS_BAD_OPTION, SHORT_USAGE);
    if (opts.flags.asked(Option::version)) return finished(STATUS_OK, {}, std::string("prowlet version ") + PROWLET_VERSION + "\n");
    if (std::optional<ParseOutcome> bad = check_firmware_source(opts)) return *bad;
    if (optind >= argc) return finished(STATUS_NO_PRINTER_NAME, "prowlet: no printer name specified.\n");
    opts.firstTarget = optind;
    return {};
}
