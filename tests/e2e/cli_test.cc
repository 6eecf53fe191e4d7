// End-to-end tests of the command line: whole output, whole messages, exit status.
#include <gtest/gtest.h>

#include "tests/support/run_prowlet.h"

namespace {

const char kUsage[] = "prowlet [-c community] {options} printername\n";

// The help text as a user sees it, typed out line by line.
const char kHelp[] =
    "prowlet [OPTIONS] printername\n"
    "\n"
    "\t-c {COMMUNITY}\t\tSet the community name to do request\n"
    "\t--community {COMMUNITY}\n"
    "\t-n {PORT}\t\tCommunicate on a port other than the standard SNMP port UDP 161\n"
    "\t--version\tPrint out the version info.\n"
    "\t--vendor\tPrint out the printer's vendor\n"
    "\t--model\tPrint out the printer's model\n"
    "\t--contact\tPrint out the location and contact\n"
    "\t--netconfig\tPrint out the network configuration\n"
    "\t--printmib\tPrint out whether the printer supports the printer MIB\n"
    "\t--hostmib\tPrint out whether the printer supports the host MIB\n"
    "\t--memory\tPrint out the amount of memory that the printer has in it.\n"
    "\t--storage\tPrint out the storage table\n"
    "\t--status\tPrint out the printer status\n"
    "\t--mediapath\tPrint out the media path table\n"
    "\t--maxpapersize\tPrint out the maximum paper size\n"
    "\t--enginespeed\tPrint out the print engine speed\n"
    "\t--duplex\tPrint out whether the printer supports duplex printing.\n"
    "\t--minpapersize\tPrint out the minimum paper size\n"
    "\t--inputtray\tPrint out the input tray table\n"
    "\t--tabloid\tPrint out an esitmate of the number of tabloid size sheets in the printer\n"
    "\t--a4\tPrint out an esitmate of the number of a4 size sheets in the printer\n"
    "\t--b4\tPrint out an esitmate of the number of b4 size sheets in the printer\n"
    "\t--executive\tPrint out an esitmate of the number of executive size sheets in the printer\n"
    "\t--a3\tPrint out an esitmate of the number of a3 size sheets in the printer\n"
    "\t--b5\tPrint out an esitmate of the number of b5 size sheets in the printer\n"
    "\t--letter\tPrint out an esitmate of the number of letter size sheets in the printer\n"
    "\t--legal\tPrint out an esitmate of the number of legal size sheets in the printer\n"
    "\t--protocol\tPrint out the ways of getting print data into a printer\n"
    "\t--appletalk\tPrint out if the printer supports appletalk\n"
    "\t--lpd\tPrint out if the printer supports the LPD protocol\n"
    "\t--netware\tPrint out if the printer is capable of acting like a netware server\n"
    "\t--port9100\t prints out if the printer admits to having a bidirectional TCP/IP port\n"
    "\t--languages\t\n"
    "\t--pjl\t\n"
    "\t--hpgl\t\n"
    "\t--psprinter\t\n"
    "\t--autolang\t\n"
    "\t--pcl\t\n"
    "\t--postscript\t\n"
    "\t--marker\t\n"
    "\t--pagecount\t\n"
    "\t--colors\t\n"
    "\t--resolution\t\n"
    "\t--minmargin\t\n"
    "\t--supplies\t\n"
    "\t--alerts\t\n"
    "\t--display\t\n"
    "\t--covers\t\n"
    "\t--community community \t\n"
    "\t--connection port\t\n"
    "\t--debugsnmp\t\n"
    "\t--reboot\t\n"
    "\t--timeout\t\n";

TEST(CommandLine, HelpIsWrittenWholeToStderr) {
    RunResult r = run_prowlet({"--help"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kHelp);
    EXPECT_EQ(r.err.size(), 2236u);
}

TEST(CommandLine, HelpAfterBadOptionStillExitsZero) {
    RunResult r = run_prowlet({"--frobnicate", "--help", "--bogus"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("prowlet: unrecognized option '--frobnicate'\n") + kHelp);
}

TEST(CommandLine, HelpAbbreviated) {
    RunResult r = run_prowlet({"--hel"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kHelp);
}

TEST(CommandLine, VersionAlone) {
    RunResult r = run_prowlet({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "prowlet version 0.8.7\n");
    EXPECT_EQ(r.err, "");
}

TEST(CommandLine, VersionThenUnknownOption) {
    RunResult r = run_prowlet({"--version", "--nosuchoption"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("prowlet: unrecognized option '--nosuchoption'\n") + kUsage);
}

TEST(CommandLine, UnknownShortOptionAndMissingArgument) {
    RunResult r = run_prowlet({"-h", "-c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("prowlet: invalid option -- 'h'\n"
                                 "prowlet: option requires an argument -- 'c'\n") +
                         kUsage);
}

TEST(CommandLine, AmbiguousAbbreviation) {
    RunResult r = run_prowlet({"--a", "host"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              std::string("prowlet: option '--a' is ambiguous; possibilities: '--all' '--a4' "
                          "'--a3' '--autolang' '--appletalk' '--alerts'\n") +
                  kUsage);
}

TEST(CommandLine, NoPrinterName) {
    RunResult r = run_prowlet({"--vendor", "--model"});
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: no printer name specified.\n");
}

TEST(CommandLine, PortOutOfRange) {
    for (const char *bad : {"0", "65536", "lpd", "12345678901234567890"}) {
        RunResult r = run_prowlet({"-n", bad, "127.0.0.1"});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "prowlet: port number is out of range.\n") << bad;
    }
    RunResult r = run_prowlet({"--connection=70000", "127.0.0.1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "prowlet: port number is out of range.\n");
}

// Messages about the whole run name the program as it was invoked.
TEST(CommandLine, ProgramNameComesFromArgvZero) {
    RunResult r = run_program(PROWLET_BINARY, {"-n", "0", "x"}, std::chrono::seconds(30), "",
                              "/opt/bin/prowlet2");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "/opt/bin/prowlet2: port number is out of range.\n");
    RunResult u = run_program(PROWLET_BINARY, {"--bad"}, std::chrono::seconds(30), "",
                              "/opt/bin/prowlet2");
    EXPECT_EQ(u.status, 1);
    EXPECT_EQ(u.err, std::string("/opt/bin/prowlet2: unrecognized option '--bad'\n") + kUsage);
}

}  // namespace
