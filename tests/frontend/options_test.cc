// Option parsing: flag words, option values, exit statuses and messages.
#include <getopt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "frontend/options.h"
#include "frontend/prowlet.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "tests/frontend/argv_builder.h"

namespace {

struct Parsed {
    Options opts;
    ParseOutcome outcome;
    std::string getoptDiag;  // what getopt_long wrote to standard error itself
};

// Parses one command line; optind = 0 gives glibc's getopt a full restart.
void parse(Argv &a, Parsed &p) {
    optind = 0;
    testing::internal::CaptureStderr();
    p.outcome = parse_options(a.argc(), a.argv(), p.opts);
    p.getoptDiag = testing::internal::GetCapturedStderr();
}

std::vector<unsigned> ports(const Options &o) {
    std::vector<unsigned> v;
    for (const ConnRequest *c = o.connList; c; c = c->next) v.push_back(c->port);
    return v;
}

TEST(Options, DefaultsWithOneTarget) {
    Argv a{"prowlet", "printer1"};
    Parsed p;
    parse(a, p);
    EXPECT_FALSE(p.outcome.finished);
    EXPECT_EQ(p.opts.flags.word(0), 0u);
    EXPECT_EQ(p.opts.flags.word(1), 0u);
    EXPECT_EQ(p.opts.flags.word(2), 0u);
    EXPECT_EQ(p.opts.timeout, 50u);
    EXPECT_EQ(p.opts.community, nullptr);
    EXPECT_EQ(p.opts.connList, nullptr);
    EXPECT_EQ(p.opts.printers, (std::vector<PrinterSource>{{false, "printer1"}}));
    EXPECT_EQ(p.getoptDiag, "");
}

struct FlagCase {
    const char *option;
    int word;
    std::uint64_t bit;
};

const FlagCase kFlagCases[] = {
    {"--all", 0, F0_ALL},
    {"--debugsnmp", 0, F0_DEBUGSNMP},
    {"--name", 0, F0_NAME},
    {"--vendor", 0, F0_VENDOR},
    {"--model", 0, F0_MODEL},
    {"--contact", 0, F0_CONTACT},
    {"--netconfig", 0, F0_NETCONFIG},
    {"--printmib", 0, F0_PRINTMIB},
    {"--hostmib", 0, F0_HOSTMIB},
    {"--memory", 0, F0_MEMORY},
    {"--storage", 0, F0_STORAGE},
    {"--status", 0, F0_STATUS},
    {"--mediapath", 0, F0_MEDIAPATH},
    {"--maxpapersize", 0, F0_MAXPAPERSIZE},
    {"--enginespeed", 0, F0_ENGINESPEED},
    {"--duplex", 0, F0_DUPLEX},
    {"--minpapersize", 0, F0_MINPAPERSIZE},
    {"--inputtray", 0, F0_INPUTTRAY},
    {"--tabloid", 0, F0_TABLOID},
    {"--a4", 0, F0_A4},
    {"--b4", 0, F0_B4},
    {"--executive", 0, F0_EXECUTIVE},
    {"--a3", 0, F0_A3},
    {"--b5", 0, F0_B5},
    {"--letter", 0, F0_LETTER},
    {"--legal", 0, F0_LEGAL},
    {"--display", 0, F0_DISPLAY},
    {"--covers", 0, F0_COVERS},
    {"--languages", 1, F1_LANGUAGES},
    {"--pjl", 1, F1_PJL},
    {"--hpgl", 1, F1_HPGL},
    {"--psprinter", 1, F1_PSPRINTER},
    {"--autolang", 1, F1_AUTOLANG},
    {"--pcl", 1, F1_PCL},
    {"--postscript", 1, F1_POSTSCRIPT},
    {"--marker", 1, F1_MARKER},
    {"--pagecount", 1, F1_PAGECOUNT},
    {"--colors", 1, F1_COLORS},
    {"--resolution", 1, F1_RESOLUTION},
    {"--minmargin", 1, F1_MINMARGIN},
    {"--protocol", 1, F1_PROTOCOL},
    {"--appletalk", 1, F1_APPLETALK},
    {"--lpd", 1, F1_LPD},
    {"--netware", 1, F1_NETWARE},
    {"--port9100", 1, F1_PORT9100},
    {"--supplies", 1, F1_SUPPLIES},
    {"--cfgsrc", 1, F1_CFGSRC},
    {"--alerts", 1, F1_ALERTS},
    {"--reboot", 1, F1_REBOOT},
};

// Each flag option sets exactly its own bit in its own word and nothing else
// (bit 31 of word 0 included, which does not fit a positive int).
TEST(Options, EveryFlagSetsExactlyItsBit) {
    for (const FlagCase &c : kFlagCases) {
        SCOPED_TRACE(c.option);
        Argv a{"prowlet", c.option, "p"};
        Parsed p;
        parse(a, p);
        ASSERT_FALSE(p.outcome.finished) << p.getoptDiag;
        for (int w = 0; w < 3; ++w) EXPECT_EQ(p.opts.flags.word(w), w == c.word ? c.bit : 0u);
    }
}

TEST(Options, FlagBitsAreDistinctAndAvoidLowBits) {
    std::uint64_t seen[3] = {0, 0, 0};
    for (const FlagCase &c : kFlagCases) {
        EXPECT_EQ(seen[c.word] & c.bit, 0u) << c.option;
        EXPECT_EQ(c.bit & 7u, 0u) << c.option;
        seen[c.word] |= c.bit;
    }
    Argv a{"prowlet"};
    std::vector<std::string> all;
    // All of them together: the words hold the union and nothing more.
    std::vector<std::string> store = {"prowlet"};
    for (const FlagCase &c : kFlagCases) store.push_back(c.option);
    store.push_back("p");
    std::vector<char *> ptrs;
    for (auto &s : store) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
    Options o;
    optind = 0;
    ParseOutcome out = parse_options(static_cast<int>(store.size()), ptrs.data(), o);
    EXPECT_FALSE(out.finished);
    EXPECT_EQ(o.flags.word(0), seen[0]);
    EXPECT_EQ(o.flags.word(1), seen[1]);
    EXPECT_EQ(o.flags.word(2), 0u);
}

TEST(Options, SettingsKeepTheirArgumentTextItself) {
    Argv a{"prowlet", "--maxproc", "12", "--setcontact=Ann", "--setlocation", "Room 4",
           "--updatefirmware", "tftp:/fw.bin", "p"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished);
    EXPECT_EQ(p.opts.flags.word(2), F2_MAXPROC | F2_SETCONTACT | F2_SETLOCATION | F2_UPDATEFIRMWARE);
    EXPECT_EQ(p.opts.settings[SETTING_MAXPROC], a.argv()[2]);
    EXPECT_STREQ(p.opts.settings[SETTING_SETCONTACT], "Ann");
    EXPECT_EQ(p.opts.settings[SETTING_SETLOCATION], a.argv()[5]);
    EXPECT_EQ(p.opts.settings[SETTING_UPDATEFIRMWARE], a.argv()[7]);
    EXPECT_EQ(p.opts.flags.word(0), 0u);
    EXPECT_EQ(p.opts.flags.word(1), 0u);
}

TEST(Options, OnlyGivenSettingIsSet) {
    Argv a{"prowlet", "--setlocation", "Hall", "p"};
    Parsed p;
    parse(a, p);
    EXPECT_EQ(p.opts.flags.word(2), F2_SETLOCATION);
    EXPECT_EQ(p.opts.settings[SETTING_SETCONTACT], nullptr);
    EXPECT_STREQ(p.opts.settings[SETTING_SETLOCATION], "Hall");
}

TEST(Options, RepeatedFlagChangesNothingRepeatedSettingKeepsLast) {
    Argv a{"prowlet", "--vendor", "--vendor", "--setcontact", "first", "--setcontact", "second",
           "p"};
    Parsed p;
    parse(a, p);
    EXPECT_EQ(p.opts.flags.word(0), F0_VENDOR);
    EXPECT_EQ(p.opts.flags.word(2), F2_SETCONTACT);
    EXPECT_STREQ(p.opts.settings[SETTING_SETCONTACT], "second");
}

TEST(Options, CommunityInItsThreeForms) {
    for (auto args : {Argv{"prowlet", "-c", "secret", "host"}, Argv{"prowlet", "-csecret", "host"},
                      Argv{"prowlet", "--community=secret", "host"}}) {
        Parsed p;
        parse(args, p);
        ASSERT_FALSE(p.outcome.finished);
        ASSERT_NE(p.opts.community, nullptr);
        EXPECT_STREQ(p.opts.community, "secret");
        EXPECT_EQ(p.opts.printers, (std::vector<PrinterSource>{{false, "host"}}));
    }
}

TEST(Options, LastCommunityWins) {
    Argv a{"prowlet", "-c", "one", "--community", "two", "h"};
    Parsed p;
    parse(a, p);
    EXPECT_STREQ(p.opts.community, "two");
}

TEST(Options, ConnectionPortsNewestFirst) {
    Argv a{"prowlet", "-n", "515", "--connection", "9100", "h"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished);
    EXPECT_EQ(ports(p.opts), (std::vector<unsigned>{9100, 515}));
}

TEST(Options, ConnectionTrailingTextIgnoredAndLimitsAccepted) {
    Argv a{"prowlet", "-n631x", "-n", "1", "--connection=65535", "h"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished);
    EXPECT_EQ(ports(p.opts), (std::vector<unsigned>{65535, 1, 631}));
}

TEST(Options, ConnectionOutOfRangeEndsWithStatus2) {
    for (const char *bad : {"0", "65536", "abc", "12345678901234567890", "-5", ""}) {
        SCOPED_TRACE(bad);
        Argv a{"myprowlet", "-n", bad, "--bogus", "h"};
        Parsed p;
        parse(a, p);
        EXPECT_TRUE(p.outcome.finished);
        EXPECT_EQ(p.outcome.status, 2);
        EXPECT_EQ(p.outcome.err, "myprowlet: port number is out of range.\n");
        EXPECT_EQ(p.outcome.out, "");
        // It ends at once: the unknown option after it is never looked at.
        EXPECT_EQ(p.getoptDiag, "");
    }
}

TEST(Options, TimeoutBaseZero) {
    struct {
        const char *text;
        unsigned long value;
    } cases[] = {{"0x10", 16}, {"010", 8}, {"30", 30}, {"abc", 0}, {"7q", 7}};
    for (auto &c : cases) {
        Argv a{"prowlet", "--timeout", c.text, "h"};
        Parsed p;
        parse(a, p);
        ASSERT_FALSE(p.outcome.finished);
        EXPECT_EQ(p.opts.timeout, c.value) << c.text;
    }
    Argv a{"prowlet", "--timeout=4", "--timeout=9", "h"};
    Parsed p;
    parse(a, p);
    EXPECT_EQ(p.opts.timeout, 9u);
}

TEST(Options, HelpEndsAtOnceEvenAfterBadOption) {
    Argv a{"prowlet", "--nosuch", "--help", "--vendor"};
    Parsed p;
    parse(a, p);
    EXPECT_TRUE(p.outcome.finished);
    EXPECT_EQ(p.outcome.status, 0);
    EXPECT_EQ(p.outcome.err, help_text());
    EXPECT_EQ(p.outcome.out, "");
    EXPECT_EQ(p.getoptDiag, "prowlet: unrecognized option '--nosuch'\n");
    EXPECT_EQ(p.opts.flags.word(0), 0u);  // --vendor after --help was never read
}

// The classic lines stand as they always did, but for the -n line, which
// said -n chose the SNMP port; every other option of the table follows, one
// line each, under a group heading.
TEST(Options, HelpKeepsTheClassicLinesAndListsEveryOption) {
    const std::string &h = help_text();
    const std::size_t classicEnd = h.find("\t--timeout\t\n") + std::strlen("\t--timeout\t\n");
    const std::string classic = h.substr(0, classicEnd);
    // 2236 bytes as ever, but for the -n line's text (63 characters then, 57 now).
    EXPECT_EQ(classic.size(), 2236u - 63u + 57u);
    EXPECT_EQ(std::count(classic.begin(), classic.end(), '\n'), 55);
    EXPECT_EQ(classic.rfind("prowlet [OPTIONS] printername\n\n\t-c {COMMUNITY}\t\t", 0), 0u);
    EXPECT_NE(classic.find("\n\t-n {PORT}\t\tPrint out the printer's TCP connection on local port PORT\n"),
              std::string::npos);
    EXPECT_NE(classic.find("\n\t--a4\tPrint out an esitmate of the number of a4 size sheets in the "
                           "printer\n\t--b4\t"),
              std::string::npos);
    EXPECT_NE(classic.find("\n\t--covers\t\n\t--community community \t\n\t--connection port\t\n"),
              std::string::npos);
    const std::string rest = h.substr(classicEnd);
    for (const OptionSpec &o : option_table()) {
        SCOPED_TRACE(o.name);
        const std::string longName = std::string("--") + o.name;
        const bool classicLine = o.help[0].line > 0;
        EXPECT_EQ(classicLine, o.helpGroup == HelpGroup::Classic);
        if (classicLine) {
            EXPECT_NE(classic.find("\t" + (o.letter ? std::string("-") + o.letter : longName)), std::string::npos);
            EXPECT_EQ(rest.find(longName + " "), std::string::npos);  // listed once
            continue;
        }
        // "  -k, --keep-going  text" or "  --maxproc N  text": one line, its text from the table.
        std::string synopsis = o.letter ? std::string("-") + o.letter + ", " + longName : longName;
        if (o.argName) synopsis += std::string(" ") + o.argName;
        const std::size_t at = rest.find("\n  " + synopsis + "  ");
        ASSERT_NE(at, std::string::npos);
        const std::size_t end = rest.find('\n', at + 1);
        EXPECT_EQ(rest.substr(end - std::strlen(o.summary), std::strlen(o.summary)), o.summary);
        EXPECT_LE(end - at - 1, 80u);
    }
    EXPECT_TRUE(h.ends_with("\n\nEvery option, message and exit status: man prowlet\n"));
}

TEST(Options, VersionAloneNeedsNoTarget) {
    Argv a{"prowlet", "--version"};
    Parsed p;
    parse(a, p);
    EXPECT_TRUE(p.outcome.finished);
    EXPECT_EQ(p.outcome.status, 0);
    EXPECT_EQ(p.outcome.out, "prowlet version 0.8.7\n");
    EXPECT_EQ(p.outcome.err, "");
}

TEST(Options, VersionThenBadOptionIsUsageError) {
    Argv a{"prowlet", "--version", "--bogus"};
    Parsed p;
    parse(a, p);
    EXPECT_TRUE(p.outcome.finished);
    EXPECT_EQ(p.outcome.status, 1);
    EXPECT_EQ(p.outcome.out, "");
    EXPECT_EQ(p.outcome.err, "prowlet [-c community] {options} printername\n");
    EXPECT_EQ(p.getoptDiag, "prowlet: unrecognized option '--bogus'\n");
}

TEST(Options, MissingArgumentAndUnknownShortOption) {
    Argv a{"prowlet", "-y", "--timeout"};
    Parsed p;
    parse(a, p);
    EXPECT_EQ(p.outcome.status, 1);
    EXPECT_EQ(p.getoptDiag,
              "prowlet: invalid option -- 'y'\n"
              "prowlet: option '--timeout' requires an argument\n");
    EXPECT_EQ(p.outcome.err, SHORT_USAGE);
}

TEST(Options, NoShortTOrH) {
    for (const char *opt : {"-t", "-h"}) {
        Argv a{"prowlet", opt, "h"};
        Parsed p;
        parse(a, p);
        EXPECT_EQ(p.outcome.status, 1) << opt;
    }
}

TEST(Options, NoTarget) {
    Argv a{"prowlet", "--vendor"};
    Parsed p;
    parse(a, p);
    EXPECT_TRUE(p.outcome.finished);
    EXPECT_EQ(p.outcome.status, 7);
    EXPECT_EQ(p.outcome.err, "prowlet: no printer name specified.\n");
}

// Options and printer arguments in any order, as GNU tools take them; a
// printer list (-f) keeps its place among the printer arguments; "--" ends
// the options.
TEST(Options, OptionsAndPrintersInAnyOrder) {
    using P = std::vector<PrinterSource>;
    struct Case {
        Argv args;
        P printers;
        std::uint64_t word0;
        std::uint64_t word1;
    };
    Case cases[] = {
        {{"prowlet", "-c", "public", "h1", "--vendor"}, {{false, "h1"}}, F0_VENDOR, 0},
        {{"prowlet", "h1", "--model", "h2", "--vendor"}, {{false, "h1"}, {false, "h2"}}, F0_MODEL | F0_VENDOR, 0},
        {{"prowlet", "h1", "-f", "list", "h2", "--file=l2", "-fl3"},
         {{false, "h1"}, {true, "list"}, {false, "h2"}, {true, "l2"}, {true, "l3"}}, 0, 0},
        {{"prowlet", "--model", "--", "-weird", "--vendor"}, {{false, "-weird"}, {false, "--vendor"}}, F0_MODEL, 0},
        {{"prowlet", "h1", "--", "h2"}, {{false, "h1"}, {false, "h2"}}, 0, 0},
        {{"prowlet", "-", "-k"}, {{false, "-"}}, 0, F1_KEEPGOING},
        {{"prowlet", "--keep-going", "--no-progress", "-f", "-"}, {{true, "-"}}, 0, F1_KEEPGOING | F1_NOPROGRESS},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(c.args.argv(), c.args.argv() + c.args.argc())));
        Parsed p;
        parse(c.args, p);
        ASSERT_FALSE(p.outcome.finished) << p.getoptDiag;
        EXPECT_EQ(p.opts.printers, c.printers);
        EXPECT_EQ(p.opts.flags.word(0), c.word0);
        EXPECT_EQ(p.opts.flags.word(1), c.word1);
    }
}

// A printer list alone is a printer argument; -f without its argument is not.
TEST(Options, ListAloneIsEnoughAndNeedsItsArgument) {
    Argv list{"prowlet", "--vendor", "-f", "printers.txt"};
    Parsed p;
    parse(list, p);
    EXPECT_FALSE(p.outcome.finished);
    Argv bare{"prowlet", "--vendor", "-f"};
    Parsed q;
    parse(bare, q);
    EXPECT_EQ(q.outcome.status, 1);
    EXPECT_EQ(q.getoptDiag, "prowlet: option requires an argument -- 'f'\n");
}

TEST(Options, UniqueAbbreviationAccepted) {
    Argv a{"prowlet", "--stat", "--postscr", "--setc=x", "h"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished) << p.getoptDiag;
    EXPECT_EQ(p.opts.flags.word(0), F0_STATUS);
    EXPECT_EQ(p.opts.flags.word(1), F1_POSTSCRIPT);
    EXPECT_STREQ(p.opts.settings[SETTING_SETCONTACT], "x");
}

TEST(Options, AmbiguousAbbreviationIsBadOption) {
    Argv a{"prowlet", "--a", "h"};
    Parsed p;
    parse(a, p);
    EXPECT_TRUE(p.outcome.finished);
    EXPECT_EQ(p.outcome.status, 1);
    EXPECT_EQ(p.getoptDiag,
              "prowlet: option '--a' is ambiguous; possibilities: '--all' '--a4' '--a3' "
              "'--autolang' '--appletalk' '--alerts'\n");
    EXPECT_EQ(p.outcome.err, SHORT_USAGE);
}

// Parsing twice in one process gives the same result: getopt state is reset.
TEST(Options, ParsesAgainAfterAnEarlierParse) {
    for (int round = 0; round < 2; ++round) {
        Argv a{"prowlet", "-cpub", "--vendor", "h1", "h2"};
        Parsed p;
        parse(a, p);
        EXPECT_EQ(p.opts.printers, (std::vector<PrinterSource>{{false, "h1"}, {false, "h2"}}));
        EXPECT_EQ(p.opts.flags.word(0), F0_VENDOR);
    }
}

// The time-out value becomes the retry count: its low 32 bits as a signed
// number, halved toward zero.
TEST(Transport, RetriesFromTimeout) {
    struct {
        unsigned long timeout;
        int retries;
    } cases[] = {
        {50, 25}, {0, 0}, {1, 0}, {3, 1}, {16, 8}, {0x7fffffffUL, 0x3fffffff},
        {0x80000000UL, -0x40000000}, {0xffffffffUL, 0}, {0xfffffffeUL, -1}, {0xfffffffcUL, -2},
        {0x100000032UL, 25},
    };
    for (auto &c : cases) EXPECT_EQ(retries_from_timeout(c.timeout), c.retries) << c.timeout;
}

}  // namespace
