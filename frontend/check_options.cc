// check_printers' options: getopt_long over a table of its own, each
// argument checked before anything is sent.
#include "frontend/check_options.h"

#include <getopt.h>
#include <strings.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "frontend/options.h"
#include "frontend/targets.h"

namespace {

enum LongOnly : int {
    SECRETS = 0x100, SILENT, REFUSED, NOT_A_PRINTER, SOME_REMAINING, EMPTY_TRAY, MISSING_TRAY, OPEN_COVER,
    CRITICAL_ALERTS, WARNING_ALERTS, ERROR_STATE, PERFDATA, MAXPROC,
};

const option CHECK_OPTIONS[] = {
    {"hostname", required_argument, nullptr, 'H'},      {"community", required_argument, nullptr, 'C'},
    {"protocol", required_argument, nullptr, 'P'},      {"port", required_argument, nullptr, 'p'},
    {"seclevel", required_argument, nullptr, 'L'},      {"secname", required_argument, nullptr, 'U'},
    {"authproto", required_argument, nullptr, 'a'},     {"authpasswd", required_argument, nullptr, 'A'},
    {"privproto", required_argument, nullptr, 'x'},     {"privpasswd", required_argument, nullptr, 'X'},
    {"secrets", required_argument, nullptr, SECRETS},   {"hostfile", required_argument, nullptr, 'f'},
    {"warning", required_argument, nullptr, 'w'},       {"critical", required_argument, nullptr, 'c'},
    {"timeout", required_argument, nullptr, 't'},       {"verbose", no_argument, nullptr, 'v'},
    {"version", no_argument, nullptr, 'V'},             {"help", no_argument, nullptr, 'h'},
    {"exclude-type", required_argument, nullptr, 'e'},  {"exclude", required_argument, nullptr, 'E'},
    {"silent", required_argument, nullptr, SILENT},     {"refused", required_argument, nullptr, REFUSED},
    {"not-a-printer", required_argument, nullptr, NOT_A_PRINTER},
    {"some-remaining", required_argument, nullptr, SOME_REMAINING},
    {"empty-tray", required_argument, nullptr, EMPTY_TRAY},
    {"missing-tray", required_argument, nullptr, MISSING_TRAY},
    {"open-cover", required_argument, nullptr, OPEN_COVER},
    {"critical-alerts", required_argument, nullptr, CRITICAL_ALERTS},
    {"warning-alerts", required_argument, nullptr, WARNING_ALERTS},
    {"error", required_argument, nullptr, ERROR_STATE}, {"perfdata", required_argument, nullptr, PERFDATA},
    {"maxproc", required_argument, nullptr, MAXPROC},   {nullptr, 0, nullptr, 0},
};
constexpr const char *CHECK_SHORT = "+:H:C:P:p:L:U:a:A:x:X:f:w:c:t:vVhe:E:";

const char *const USAGE =
    "Usage: check_printers -H ADDRESS[,ADDRESS...] [-C COMMUNITY] [-P 1|2c|3] [-p PORT]\n"
    "       [-L SECLEVEL -U SECNAME -a AUTHPROTO -A AUTHPASSWD -x PRIVPROTO -X PRIVPASSWD]\n"
    "       [-w RANGE] [-c RANGE] [-t SECONDS] [-v] [RULES] [ADDRESS...]\n";

CheckParse finish(int status, std::string out) {
    CheckParse p;
    p.finished = true;
    p.status = status;
    p.out = std::move(out);
    return p;
}

CheckParse usage_error(const std::string &why) {
    return finish(static_cast<int>(HealthState::Unknown), "PRINTER UNKNOWN - " + why + "\n" + USAGE);
}

std::optional<int> whole_number(const char *text, long low, long high) {
    if (!text || !*text) return std::nullopt;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno || *end || v < low || v > high) return std::nullopt;
    return static_cast<int>(v);
}

void split_into(std::vector<std::string> &out, const std::string &list) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = list.find(',', from);
        std::string item = list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        if (!item.empty()) out.push_back(item);
        if (comma == std::string::npos) return;
        from = comma + 1;
    }
}

bool known_type(const std::string &name) {
    for (std::int64_t v = 1; v < 64; ++v) {
        for (const char *n : {supply_type_name(v), tray_type_name(v)})
            if (n && strcasecmp(n, name.c_str()) == 0) return true;
    }
    return false;
}

std::optional<std::string> read_host_file(const char *path, std::vector<std::string> &targets) {
    std::ifstream in(path);
    if (!in) return std::string("cannot read the host file \"") + path + "\"";
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::size_t from = 0;
        while (from < line.size()) {
            const std::size_t start = line.find_first_not_of(" \t\r", from);
            if (start == std::string::npos) break;
            const std::size_t end = line.find_first_of(" \t\r", start);
            targets.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
            from = end == std::string::npos ? line.size() : end;
        }
    }
    return std::nullopt;
}

// A rule's state: ok, warning, critical or unknown.
std::optional<std::string> take_state(const char *option, const char *text, HealthState &into) {
    if (std::optional<HealthState> s = health_state_named(text ? text : "")) {
        into = *s;
        return std::nullopt;
    }
    return std::string("--") + option + " needs ok, warning, critical or unknown, not \"" + (text ? text : "") + "\"";
}

std::optional<std::string> take_error_state(const char *text, HealthRules &rules) {
    const std::string arg = text;
    const std::size_t eq = arg.find('=');
    const std::optional<DetectedError> e = detected_error_named(arg.substr(0, eq));
    if (eq == std::string::npos || !e) return "--error needs NAME=STATE with a bit of hrPrinterDetectedErrorState, not \"" + arg + "\"";
    return take_state("error", arg.c_str() + eq + 1, rules.detectedError[static_cast<std::size_t>(*e)]);
}

std::optional<std::string> take_range(const char *option, const char *text, ThresholdRange &into) {
    std::string why;
    std::optional<ThresholdRange> r = parse_range(text, &why);
    if (!r) return std::string(option) + " \"" + text + "\" is not a range (" + why + ")";
    into = *r;
    return std::nullopt;
}

std::optional<std::string> take_pattern(const char *text, HealthRules &rules) {
    try {
        rules.excludedPatterns.emplace_back(text, std::regex::extended | std::regex::icase);
    } catch (const std::regex_error &e) {
        return std::string("-E \"") + text + "\" is not a regular expression (" + e.what() + ")";
    }
    return std::nullopt;
}

std::optional<std::string> take_types(const char *text, HealthRules &rules) {
    std::vector<std::string> types;
    split_into(types, text);
    for (const std::string &t : types)
        if (!known_type(t)) return "-e \"" + t + "\" is no supply or input tray type of the Printer MIB";
    rules.excludedTypes.insert(rules.excludedTypes.end(), types.begin(), types.end());
    return std::nullopt;
}

std::optional<std::string> take_rule(int c, const char *arg, HealthRules &rules) {
    switch (c) {
    case 'w': return take_range("-w", arg, rules.warning);
    case 'c': return take_range("-c", arg, rules.critical);
    case 'e': return take_types(arg, rules);
    case 'E': return take_pattern(arg, rules);
    case SILENT: return take_state("silent", arg, rules.silent);
    case REFUSED: return take_state("refused", arg, rules.refused);
    case NOT_A_PRINTER: return take_state("not-a-printer", arg, rules.notAPrinter);
    case SOME_REMAINING: return take_state("some-remaining", arg, rules.someRemaining);
    case EMPTY_TRAY: return take_state("empty-tray", arg, rules.emptyTray);
    case MISSING_TRAY: return take_state("missing-tray", arg, rules.missingTray);
    case OPEN_COVER: return take_state("open-cover", arg, rules.openCover);
    case CRITICAL_ALERTS: return take_state("critical-alerts", arg, rules.criticalAlert);
    case WARNING_ALERTS: return take_state("warning-alerts", arg, rules.warningAlert);
    case ERROR_STATE: return take_error_state(arg, rules);
    default: return "unexpected option";
    }
}

std::optional<std::string> take_snmp(int c, char *arg, CheckOptions &o) {
    switch (c) {
    case 'C': o.community = arg; break;
    case 'P': o.snmp.version = arg; break;
    case 'L': o.snmp.level = arg; break;
    case 'U': o.snmp.user = arg; break;
    case 'a': o.snmp.authProtocol = arg; break;
    case 'A': o.snmp.authPass = take_secret(arg); break;
    case 'x': o.snmp.privProtocol = arg; break;
    case 'X': o.snmp.privPass = take_secret(arg); break;
    case SECRETS: o.snmp.secretsFile = arg; break;
    default: return take_rule(c, arg, o.rules);
    }
    return std::nullopt;
}

std::optional<std::string> take_perfdata(const char *arg, PerfdataMode &mode) {
    const std::string a = arg;
    if (a == "all") mode = PerfdataMode::All;
    else if (a == "counts") mode = PerfdataMode::Counts;
    else if (a == "none") mode = PerfdataMode::None;
    else return "--perfdata needs all, counts or none, not \"" + a + "\"";
    return std::nullopt;
}

// One option; a message when it is wrong.
std::optional<std::string> take(int c, char *arg, CheckOptions &o) {
    switch (c) {
    case 'H': split_into(o.targets, arg); return std::nullopt;
    case 'f': return read_host_file(arg, o.targets);
    case 'p':
        if (std::optional<int> port = whole_number(arg, 1, 65535)) {
            o.port = *port;
            return std::nullopt;
        }
        return std::string("-p needs a port from 1 to 65535, not \"") + arg + "\"";
    case 't':
        if (std::optional<int> t = whole_number(arg, 1, 86400)) {
            o.timeout = *t;
            return std::nullopt;
        }
        return std::string("-t needs a number of seconds from 1 to 86400, not \"") + arg + "\"";
    case 'v': ++o.verbose; return std::nullopt;
    case PERFDATA: return take_perfdata(arg, o.perfdata);
    case MAXPROC:
        if (std::optional<int> n = whole_number(arg, 1, INT_MAX)) {
            o.maxproc = static_cast<std::size_t>(*n);
            return std::nullopt;
        }
        return std::string("--maxproc needs a positive number, not \"") + arg + "\"";
    default: return take_snmp(c, arg, o);
    }
}

}  // namespace

const std::string &check_help_text() {
    static const std::string text = std::string(CHECK_PROGRAM) + " (prowlet " + PROWLET_VERSION + ")\n" + R"(
Checks the health of network printers over SNMP: supply levels against
thresholds, the printer's own detected errors and alerts, empty trays, open
covers. One printer, or a whole sweep (ranges, subnets, lists) in one process.

)" + USAGE + R"(
Printers:
 -H, --hostname=ADDRESS[,ADDRESS...]  a name, an address, a range a.b.c.d-e, a
        subnet a.b.c.d/len or /mask, NAME(COMMUNITY); may be given many times,
        and the same may follow the options
 -f, --hostfile=FILE  printers from a file, one or more a line, # comments
 -C, --community=STRING  SNMPv1/v2c community (default public)
 -P, --protocol=1|2c|3  SNMP version (default 1)
 -p, --port=INTEGER  UDP port (default 161)
 -L, --seclevel=noAuthNoPriv|authNoPriv|authPriv  SNMPv3 security level
 -U, --secname=USER  SNMPv3 user
 -a, --authproto=MD5|SHA|SHA-224|SHA-256|SHA-384|SHA-512
 -A, --authpasswd=PASSPHRASE
 -x, --privproto=DES|AES
 -X, --privpasswd=PASSPHRASE
 --secrets=FILE  the passphrases from a file (lines "authpass ...", "privpass ...")

Thresholds, in percent of a supply's capacity still left (material, or room
in a waste receptacle), in the Monitoring Plugins' range syntax:
 -w, --warning=RANGE  (default 20: - warning below 20 %)
 -c, --critical=RANGE  (default 5: - critical below 5 %)

Rules (STATE is ok, warning, critical or unknown):
 --silent=STATE  a printer that does not answer (default critical)
 --refused=STATE  an answer that turns the check away (default unknown)
 --not-a-printer=STATE  an answer without any printer state (default unknown)
 --some-remaining=STATE  a level of -3, "some remaining", alone (default ok)
 --empty-tray=STATE  an empty input tray that is not a manual feed (default warning)
 --missing-tray=STATE  an input tray the printer reports missing (default warning)
 --open-cover=STATE  an open cover or interlock (default critical)
 --critical-alerts=STATE  alerts of severity critical (default critical)
 --warning-alerts=STATE  alerts of severity warning (default warning)
 --error=NAME=STATE  a bit of hrPrinterDetectedErrorState: doorOpen, jammed,
        noToner and offline are critical, the other bits warning by default
 -e, --exclude-type=TYPE[,TYPE...]  leave out supplies and trays of a type
        (fuser, opc, wasteToner, sheetFeedManual, ...)
 -E, --exclude=REGEX  leave out supplies and trays whose description or name
        matches (extended, any case)
Levels -2 (unknown) and -1 (no restriction) never alert; they are named in
the text.

Output:
 -t, --timeout=SECONDS  the whole check ends within it (default 10)
 -v, --verbose  one line per printer, OK ones too; -vv: every supply and tray
 --perfdata=all|counts|none  (default all: every supply and page count)
 --maxproc=N  printers asked at once
 -V, --version
 -h, --help

Exit status: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (also for mistakes on the
command line); over several printers, the worst (CRITICAL, WARNING, UNKNOWN, OK).
)";
    return text;
}

const SnmpOptionNames &check_option_names() {
    static const SnmpOptionNames names{"-P", "-P 3", "-U", "-L", "-a", "-A", "-x", "-X"};
    return names;
}

CheckParse parse_check_options(int argc, char **argv, CheckOptions &opts) {
    optind = 0;
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, CHECK_SHORT, CHECK_OPTIONS, nullptr);
        if (c == -1) break;
        if (c == 'h') return finish(static_cast<int>(HealthState::Unknown), check_help_text());
        if (c == 'V')
            return finish(static_cast<int>(HealthState::Unknown),
                          std::string(CHECK_PROGRAM) + " (prowlet " + PROWLET_VERSION + ")\n");
        if (c == '?')
            return usage_error(optopt ? std::string("unknown option -") + static_cast<char>(optopt)
                                      : std::string("unknown option ") + argv[optind - 1]);
        if (c == ':') return usage_error("option " + (optopt ? std::string("-") + static_cast<char>(optopt)
                                                             : std::string(argv[optind - 1])) + " needs an argument");
        if (std::optional<std::string> wrong = take(c, optarg, opts)) return usage_error(*wrong);
    }
    for (int i = optind; i < argc; ++i) split_into(opts.targets, argv[i]);
    if (opts.targets.empty()) return usage_error("no printer given (-H ADDRESS)");
    return {};
}
