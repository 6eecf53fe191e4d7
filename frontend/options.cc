// Option parsing: getopt_long over one static option table, flag words by the word/bit rule.
#include "frontend/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include "reports/context.h"
#include "reports/flags.h"
#include "reports/hp.h"

namespace {

// getopt_long stores the value of every flag option here. The value carries
// the flag word in its low three bits and the bit to set in the rest.
int flagValue = 0;

enum NonFlagOption : int {
    OPT_COMMUNITY = 'c',
    OPT_CONNECTION = 'n',
    OPT_TIMEOUT = 0x100,
    OPT_HELP = 0x101,
    // -v and the SNMPv3 options take net-snmp's letters.
    OPT_VERSION = 'v',
    OPT_USER = 'u',
    OPT_LEVEL = 'l',
    OPT_AUTH_PROTOCOL = 'a',
    OPT_AUTH_PASSPHRASE = 'A',
    OPT_PRIV_PROTOCOL = 'x',
    OPT_PRIV_PASSPHRASE = 'X',
    OPT_SECRETS = 0x102,
    OPT_ENGINE_ID = 'e',
    OPT_KNOWN_ENGINES = 0x103,
};

constexpr int word_bit(int word, std::uint64_t bit) {
    // The bit is at most 0x80000000; going through uint32 keeps the int
    // conversion well defined for bit 31.
    return static_cast<int>(static_cast<std::uint32_t>(bit | static_cast<std::uint64_t>(word)));
}

// In the order getopt_long matches abbreviations against.
constexpr FlagOption FLAG_OPTIONS[] = {
    {"version", false, 0, F0_VERSION},
    {"all", false, 0, F0_ALL},
    {"debugsnmp", false, 0, F0_DEBUGSNMP},
    {"name", false, 0, F0_NAME},
    {"vendor", false, 0, F0_VENDOR},
    {"model", false, 0, F0_MODEL},
    {"contact", false, 0, F0_CONTACT},
    {"netconfig", false, 0, F0_NETCONFIG},
    {"printmib", false, 0, F0_PRINTMIB},
    {"hostmib", false, 0, F0_HOSTMIB},
    {"memory", false, 0, F0_MEMORY},
    {"storage", false, 0, F0_STORAGE},
    {"status", false, 0, F0_STATUS},
    {"mediapath", false, 0, F0_MEDIAPATH},
    {"maxpapersize", false, 0, F0_MAXPAPERSIZE},
    {"enginespeed", false, 0, F0_ENGINESPEED},
    {"duplex", false, 0, F0_DUPLEX},
    {"minpapersize", false, 0, F0_MINPAPERSIZE},
    {"inputtray", false, 0, F0_INPUTTRAY},
    {"tabloid", false, 0, F0_TABLOID},
    {"a4", false, 0, F0_A4},
    {"b4", false, 0, F0_B4},
    {"executive", false, 0, F0_EXECUTIVE},
    {"a3", false, 0, F0_A3},
    {"b5", false, 0, F0_B5},
    {"letter", false, 0, F0_LETTER},
    {"legal", false, 0, F0_LEGAL},
    {"display", false, 0, F0_DISPLAY},
    {"covers", false, 0, F0_COVERS},
    {"languages", false, 1, F1_LANGUAGES},
    {"pjl", false, 1, F1_PJL},
    {"hpgl", false, 1, F1_HPGL},
    {"psprinter", false, 1, F1_PSPRINTER},
    {"autolang", false, 1, F1_AUTOLANG},
    {"pcl", false, 1, F1_PCL},
    {"postscript", false, 1, F1_POSTSCRIPT},
    {"marker", false, 1, F1_MARKER},
    {"pagecount", false, 1, F1_PAGECOUNT},
    {"colors", false, 1, F1_COLORS},
    {"resolution", false, 1, F1_RESOLUTION},
    {"minmargin", false, 1, F1_MINMARGIN},
    {"protocol", false, 1, F1_PROTOCOL},
    {"appletalk", false, 1, F1_APPLETALK},
    {"lpd", false, 1, F1_LPD},
    {"netware", false, 1, F1_NETWARE},
    {"port9100", false, 1, F1_PORT9100},
    {"supplies", false, 1, F1_SUPPLIES},
    {"cfgsrc", false, 1, F1_CFGSRC},
    {"alerts", false, 1, F1_ALERTS},
    {"reboot", false, 1, F1_REBOOT},
    {"generic", false, 1, F1_GENERIC},
    {"serial", false, 1, F1_SERIAL},
    {"json", false, 1, F1_JSON},
    {"maxproc", true, 2, F2_MAXPROC},
    {"setcontact", true, 2, F2_SETCONTACT},
    {"setlocation", true, 2, F2_SETLOCATION},
    {"updatefirmware", true, 2, F2_UPDATEFIRMWARE},
};

// The options with handling of their own, by name; all but --help take an argument.
struct OwnOption {
    const char *name;
    int code;
};
constexpr OwnOption OWN_OPTIONS[] = {
    {"community", OPT_COMMUNITY},
    {"timeout", OPT_TIMEOUT},
    {"connection", OPT_CONNECTION},
    {"help", OPT_HELP},
    {"snmp-version", OPT_VERSION},
    {"v3-user", OPT_USER},
    {"v3-level", OPT_LEVEL},
    {"v3-auth-protocol", OPT_AUTH_PROTOCOL},
    {"v3-auth-passphrase", OPT_AUTH_PASSPHRASE},
    {"v3-priv-protocol", OPT_PRIV_PROTOCOL},
    {"v3-priv-passphrase", OPT_PRIV_PASSPHRASE},
    {"secrets", OPT_SECRETS},
    {"v3-engine-id", OPT_ENGINE_ID},
    {"known-engines", OPT_KNOWN_ENGINES},
};

// getopt_long's table: the flag options, then those with handling of their own.
const option *option_table() {
    static const std::vector<option> table = [] {
        std::vector<option> t;
        for (const FlagOption &f : FLAG_OPTIONS)
            t.push_back({f.name, f.hasArgument ? required_argument : no_argument, &flagValue, word_bit(f.word, f.bit)});
        for (const OwnOption &o : OWN_OPTIONS)
            t.push_back({o.name, o.code == OPT_HELP ? no_argument : required_argument, nullptr, o.code});
        t.push_back({nullptr, 0, nullptr, 0});
        return t;
    }();
    return table.data();
}

std::string build_help_text() {
    std::string t;
    auto line = [&t](const std::string &s) {
        t += s;
        t += '\n';
    };
    line("prowlet [OPTIONS] printername");
    line("");
    line("\t-c {COMMUNITY}\t\tSet the community name to do request");
    line("\t--community {COMMUNITY}");
    line("\t-n {PORT}\t\tCommunicate on a port other than the standard SNMP port UDP 161");
    line("\t--version\tPrint out the version info.");
    line("\t--vendor\tPrint out the printer's vendor");
    line("\t--model\tPrint out the printer's model");
    line("\t--contact\tPrint out the location and contact");
    line("\t--netconfig\tPrint out the network configuration");
    line("\t--printmib\tPrint out whether the printer supports the printer MIB");
    line("\t--hostmib\tPrint out whether the printer supports the host MIB");
    line("\t--memory\tPrint out the amount of memory that the printer has in it.");
    line("\t--storage\tPrint out the storage table");
    line("\t--status\tPrint out the printer status");
    line("\t--mediapath\tPrint out the media path table");
    line("\t--maxpapersize\tPrint out the maximum paper size");
    line("\t--enginespeed\tPrint out the print engine speed");
    line("\t--duplex\tPrint out whether the printer supports duplex printing.");
    line("\t--minpapersize\tPrint out the minimum paper size");
    line("\t--inputtray\tPrint out the input tray table");
    for (const char *size : {"tabloid", "a4", "b4", "executive", "a3", "b5", "letter", "legal"})
        line(std::string("\t--") + size + "\tPrint out an esitmate of the number of " + size +
             " size sheets in the printer");
    line("\t--protocol\tPrint out the ways of getting print data into a printer");
    line("\t--appletalk\tPrint out if the printer supports appletalk");
    line("\t--lpd\tPrint out if the printer supports the LPD protocol");
    line("\t--netware\tPrint out if the printer is capable of acting like a netware server");
    line("\t--port9100\t prints out if the printer admits to having a bidirectional TCP/IP port");
    for (const char *name : {"languages", "pjl", "hpgl", "psprinter", "autolang", "pcl",
                             "postscript", "marker", "pagecount", "colors", "resolution",
                             "minmargin", "supplies", "alerts", "display", "covers"})
        line(std::string("\t--") + name + "\t");
    line("\t--community community \t");
    line("\t--connection port\t");
    line("\t--debugsnmp\t");
    line("\t--reboot\t");
    line("\t--timeout\t");
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

std::span<const FlagOption> flag_options() { return FLAG_OPTIONS; }

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

// A flag option: its bit in its word, and the argument of a word-2 option.
void set_flag(Options &opts) {
    auto value = static_cast<std::uint64_t>(static_cast<std::uint32_t>(flagValue));
    std::uint64_t word = value & 7;
    std::uint64_t bit = value & ~std::uint64_t{7};
    if (word > 2) throw std::logic_error("option table names a flag word above 2");
    opts.flags[word] |= bit;
    if (word == 2) {
        int n = 0;
        while ((bit >> n) != 1) ++n;
        opts.settings[n - 3] = optarg;
    }
}

// -v and the SNMPv3 options, kept as given (checked once all are read); false
// for any other option character. A passphrase is wiped from argv at once.
bool take_snmp_option(int c, SnmpOptions &snmp) {
    switch (c) {
    case OPT_VERSION: snmp.version = optarg; break;
    case OPT_USER: snmp.user = optarg; break;
    case OPT_LEVEL: snmp.level = optarg; break;
    case OPT_AUTH_PROTOCOL: snmp.authProtocol = optarg; break;
    case OPT_AUTH_PASSPHRASE: snmp.authPass = take_secret(optarg); break;
    case OPT_PRIV_PROTOCOL: snmp.privProtocol = optarg; break;
    case OPT_PRIV_PASSPHRASE: snmp.privPass = take_secret(optarg); break;
    case OPT_SECRETS: snmp.secretsFile = optarg; break;
    case OPT_ENGINE_ID: snmp.engineId = optarg; break;
    case OPT_KNOWN_ENGINES: snmp.knownEngines = optarg; break;
    default: return false;
    }
    return true;
}

// One option as getopt_long returned it; an outcome when it ends the run.
std::optional<ParseOutcome> take_option(int c, char **argv, Options &opts, bool &badOption) {
    switch (c) {
    case 0: set_flag(opts); break;
    case OPT_COMMUNITY: opts.community = optarg; break;
    case OPT_CONNECTION: {
        std::uint16_t port = 0;
        if (!parse_port(optarg, port)) return finished(2, std::string(argv[0]) + ": port number is out of range.\n");
        add_connection(opts, port);
        break;
    }
    case OPT_TIMEOUT: opts.timeout = std::strtoul(optarg, nullptr, 0); break;
    case OPT_HELP: return finished(0, help_text());
    default: badOption = !take_snmp_option(c, opts.snmp); break;  // '?': getopt_long has written its diagnostic
    }
    return std::nullopt;
}

// --updatefirmware is refused before any printer is asked: a printer told to
// fetch half a name would fail where nobody sees it.
std::optional<ParseOutcome> check_firmware_source(const Options &opts) {
    if (!(opts.flags[2] & F2_UPDATEFIRMWARE)) return std::nullopt;
    const char *arg = opts.settings[SETTING_UPDATEFIRMWARE];
    if (split_firmware_arg(arg ? arg : "")) return std::nullopt;
    return finished(1, std::string(progname) + ": --updatefirmware needs SERVER:FILE, not \"" + (arg ? arg : "") +
                           "\".\n" + SHORT_USAGE);
}

}  // namespace

ParseOutcome parse_options(int argc, char **argv, Options &opts) {
    const option *table = option_table();
    bool badOption = false;

    // optind 0 makes glibc's getopt start over completely, including its
    // position inside a group of short options.
    optind = 0;
    opterr = 1;
    for (;;) {
        flagValue = 0;
        int c = getopt_long(argc, argv, "+c:n:v:u:l:a:A:x:X:e:", table, nullptr);
        if (c == -1) break;
        if (std::optional<ParseOutcome> end = take_option(c, argv, opts, badOption)) return *end;
    }

    progname = argv[0];
    if (badOption) return finished(1, SHORT_USAGE);
    if (opts.flags[0] & F0_VERSION) return finished(0, {}, std::string("prowlet version ") + PROWLET_VERSION + "\n");
    if (std::optional<ParseOutcome> bad = check_firmware_source(opts)) return *bad;
    if (optind >= argc) return finished(7, "prowlet: no printer name specified.\n");
    opts.firstTarget = optind;
    return {};
}
