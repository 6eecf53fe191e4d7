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
    EXPECT_EQ(p.opts.firstTarget, 1);
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
        EXPECT_EQ(p.opts.firstTarget, args.argc() - 1);
        EXPECT_STREQ(args.argv()[p.opts.firstTarget], "host");
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

TEST(Options, HelpTextLengthAndSampleLines) {
    const std::string &h = help_text();
    EXPECT_EQ(h.size(), 2236u);
    EXPECT_EQ(h.rfind("prowlet [OPTIONS] printername\n\n\t-c {COMMUNITY}\t\t", 0), 0u);
    EXPECT_NE(h.find("\n\t--a4\tPrint out an esitmate of the number of a4 size sheets in the "
                     "printer\n\t--b4\t"),
              std::string::npos);
    EXPECT_NE(h.find("\n\t--port9100\t prints out if"), std::string::npos);
    EXPECT_NE(h.find("\n\t--covers\t\n\t--community community \t\n\t--connection port\t\n"),
              std::string::npos);
    EXPECT_EQ(h.substr(h.size() - 12), "\t--timeout\t\n");
    EXPECT_EQ(std::count(h.begin(), h.end(), '\n'), 55);
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

TEST(Options, ParsingStopsAtFirstTarget) {
    Argv a{"prowlet", "printer1", "--vendor"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished);
    EXPECT_EQ(p.opts.flags.word(0), 0u);
    EXPECT_EQ(p.opts.firstTarget, 1);
    EXPECT_EQ(a.argc() - p.opts.firstTarget, 2);
    EXPECT_STREQ(a.argv()[2], "--vendor");
}

TEST(Options, DoubleDashEndsOptions) {
    Argv a{"prowlet", "--model", "--", "-weird"};
    Parsed p;
    parse(a, p);
    ASSERT_FALSE(p.outcome.finished);
    EXPECT_EQ(p.opts.flags.word(0), F0_MODEL);
    EXPECT_STREQ(a.argv()[p.opts.firstTarget], "-weird");
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
        EXPECT_EQ(p.opts.firstTarget, 3);
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
