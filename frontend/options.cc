// Option parsing: getopt_long over one static option table, flag words by the word/bit rule.
#include "frontend/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "reports/flags.h"
#include "reports/output.h"

namespace {

// getopt_long stores the value of every flag option here. The value carries
// the flag word in its low three bits and the bit to set in the rest.
int flagValue = 0;

enum NonFlagOption : int {
    OPT_COMMUNITY = 'c',
    OPT_CONNECTION = 'n',
    OPT_TIMEOUT = 0x100,
    OPT_HELP = 0x101,
};

constexpr int word_bit(int word, std::uint64_t bit) {
    // The bit is at most 0x80000000; going through uint32 keeps the int
    // conversion well defined for bit 31.
    return static_cast<int>(static_cast<std::uint32_t>(bit | static_cast<std::uint64_t>(word)));
}

const option *option_table() {
    static const option table[] = {
        {"version", no_argument, &flagValue, word_bit(0, 0x8)},
        {"all", no_argument, &flagValue, word_bit(0, 0x10)},
        {"debugsnmp", no_argument, &flagValue, word_bit(0, 0x20)},
        {"name", no_argument, &flagValue, word_bit(0, 0x40)},
        {"vendor", no_argument, &flagValue, word_bit(0, 0x1000)},
        {"model", no_argument, &flagValue, word_bit(0, 0x80)},
        {"contact", no_argument, &flagValue, word_bit(0, 0x100)},
        {"netconfig", no_argument, &flagValue, word_bit(0, 0x200)},
        {"printmib", no_argument, &flagValue, word_bit(0, 0x800)},
        {"hostmib", no_argument, &flagValue, word_bit(0, 0x400)},
        {"memory", no_argument, &flagValue, word_bit(0, 0x8000)},
        {"storage", no_argument, &flagValue, word_bit(0, 0x2000)},
        {"status", no_argument, &flagValue, word_bit(0, 0x4000)},
        {"mediapath", no_argument, &flagValue, word_bit(0, 0x10000)},
        {"maxpapersize", no_argument, &flagValue, word_bit(0, 0x20000)},
        {"enginespeed", no_argument, &flagValue, word_bit(0, 0x40000)},
        {"duplex", no_argument, &flagValue, word_bit(0, 0x80000)},
        {"minpapersize", no_argument, &flagValue, word_bit(0, 0x100000)},
        {"inputtray", no_argument, &flagValue, word_bit(0, 0x200000)},
        {"tabloid", no_argument, &flagValue, word_bit(0, 0x400000)},
        {"a4", no_argument, &flagValue, word_bit(0, 0x800000)},
        {"b4", no_argument, &flagValue, word_bit(0, 0x1000000)},
        {"executive", no_argument, &flagValue, word_bit(0, 0x2000000)},
        {"a3", no_argument, &flagValue, word_bit(0, 0x4000000)},
        {"b5", no_argument, &flagValue, word_bit(0, 0x8000000)},
        {"letter", no_argument, &flagValue, word_bit(0, 0x10000000)},
        {"legal", no_argument, &flagValue, word_bit(0, 0x20000000)},
        {"display", no_argument, &flagValue, word_bit(0, 0x40000000)},
        {"covers", no_argument, &flagValue, word_bit(0, 0x80000000)},
        {"languages", no_argument, &flagValue, word_bit(1, 0x8)},
        {"pjl", no_argument, &flagValue, word_bit(1, 0x10)},
        {"hpgl", no_argument, &flagValue, word_bit(1, 0x20)},
        {"psprinter", no_argument, &flagValue, word_bit(1, 0x40)},
        {"autolang", no_argument, &flagValue, word_bit(1, 0x80)},
        {"pcl", no_argument, &flagValue, word_bit(1, 0x200)},
        {"postscript", no_argument, &flagValue, word_bit(1, 0x100)},
        {"marker", no_argument, &flagValue, word_bit(1, 0x400)},
        {"pagecount", no_argument, &flagValue, word_bit(1, 0x800)},
        {"colors", no_argument, &flagValue, word_bit(1, 0x1000)},
        {"resolution", no_argument, &flagValue, word_bit(1, 0x2000)},
        {"minmargin", no_argument, &flagValue, word_bit(1, 0x4000)},
        {"protocol", no_argument, &flagValue, word_bit(1, 0x8000)},
        {"appletalk", no_argument, &flagValue, word_bit(1, 0x10000)},
        {"lpd", no_argument, &flagValue, word_bit(1, 0x20000)},
        {"netware", no_argument, &flagValue, word_bit(1, 0x40000)},
        {"port9100", no_argument, &flagValue, word_bit(1, 0x80000)},
        {"supplies", no_argument, &flagValue, word_bit(1, 0x100000)},
        {"cfgsrc", no_argument, &flagValue, word_bit(1, 0x800000)},
        {"alerts", no_argument, &flagValue, word_bit(1, 0x200000)},
        {"reboot", no_argument, &flagValue, word_bit(1, 0x400000)},
        {"generic", no_argument, &flagValue, word_bit(1, 0x1000000)},
        {"maxproc", required_argument, &flagValue, word_bit(2, 0x8)},
        {"setcontact", required_argument, &flagValue, word_bit(2, 0x10)},
        {"setlocation", required_argument, &flagValue, word_bit(2, 0x20)},
        {"updatefirmware", required_argument, &flagValue, word_bit(2, 0x40)},
        {"community", required_argument, nullptr, OPT_COMMUNITY},
        {"timeout", required_argument, nullptr, OPT_TIMEOUT},
        {"connection", required_argument, nullptr, OPT_CONNECTION},
        {"help", no_argument, nullptr, OPT_HELP},
        {nullptr, 0, nullptr, 0},
    };
    return table;
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

ParseOutcome parse_options(int argc, char **argv, Options &opts) {
    ParseOutcome outcome;
    const option *table = option_table();
    bool badOption = false;

    // optind 0 makes glibc's getopt start over completely, including its
    // position inside a group of short options.
    optind = 0;
    opterr = 1;
    for (;;) {
        flagValue = 0;
        int c = getopt_long(argc, argv, "+c:n:", table, nullptr);
        if (c == -1) break;
        switch (c) {
        case 0: {
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
            break;
        }
        case OPT_COMMUNITY:
            opts.community = optarg;
            break;
        case OPT_CONNECTION: {
            std::uint16_t port = 0;
            if (!parse_port(optarg, port)) {
                outcome.finished = true;
                outcome.status = 2;
                outcome.err = std::string(argv[0]) + ": port number is out of range.\n";
                return outcome;
            }
            add_connection(opts, port);
            break;
        }
        case OPT_TIMEOUT:
            opts.timeout = std::strtoul(optarg, nullptr, 0);
            break;
        case OPT_HELP:
            outcome.finished = true;
            outcome.status = 0;
            outcome.err = help_text();
            return outcome;
        default:  // '?': getopt_long has written its diagnostic
            badOption = true;
            break;
        }
    }

    progname = argv[0];
    if (badOption) {
        outcome.finished = true;
        outcome.status = 1;
        outcome.err = SHORT_USAGE;
        return outcome;
    }
    if (opts.flags[0] & F0_VERSION) {
        outcome.finished = true;
        outcome.status = 0;
        outcome.out = std::string("prowlet version ") + PROWLET_VERSION + "\n";
        return outcome;
    }
    if (optind >= argc) {
        outcome.finished = true;
        outcome.status = 7;
        outcome.err = "prowlet: no printer name specified.\n";
        return outcome;
    }
    opts.firstTarget = optind;
    return outcome;
}
