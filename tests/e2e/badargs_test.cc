// Bad command lines against the binary: malformed targets and option values,
// 64 KiB arguments and bytes outside ASCII. Each ends with a clear message and
// a defined status, or runs correctly; none crashes or hangs. Only loopback
// addresses are ever named, and the runs happen in a private namespace.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "frontend/targets.h"
#include "tests/support/fake_agent.h"
#include "tests/support/run_prowlet.h"

namespace {

const std::string USAGE = "prowlet [-c community] {options} printername\n";
const std::string BIG(64 * 1024, 'a');
const std::string BIG_DIGITS(64 * 1024, '9');

struct Case {
    std::string name;
    std::vector<std::string> args;
    int status;
    std::string err;  // standard error, whole
};

void expect_no_crash(const RunResult &r, const std::string &name) {
    EXPECT_FALSE(r.timedOut) << name << " hung";
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGKILL})
        EXPECT_NE(r.status, 128 + signal) << name << " crashed: " << r.err.substr(0, 2000);
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << name << ": " << r.err.substr(0, 2000);
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << name << ": " << r.err.substr(0, 2000);
}

std::string bad_target(const std::string &arg, const std::string &reason) {
    return "prowlet: bad printer argument \"" + arg + "\": " + reason + ".\n";
}

const std::string RANGE = "an address range is a.b.c.d-e or a.b.c.d-w.x.y.z with numbers up to 255";
const std::string SUBNET = "a subnet is a.b.c.d/len or a.b.c.d/m.m.m.m with numbers up to 255";

void run_cases(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        RunResult r = run_prowlet(c.args, std::chrono::seconds(60));
        expect_no_crash(r, c.name);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

// Every malformed target form of the target tests, on loopback numbers:
// refused before anything is resolved or sent.
TEST(BadCommandLine, MalformedTargets) {
    std::vector<Case> cases;
    auto target = [&](const std::string &arg, const std::string &reason) {
        cases.push_back({arg, {"--vendor", arg}, 3, bad_target(arg, reason)});
    };
    target("", "empty printer name");
    target("host(", "no community after \"(\"");
    target("host()", "no community after \"(\"");
    target("(pub)", "no printer name before \"(\"");
    for (const char *arg : {"127.0.0.1-256", "127.0.0.256-3", "127.0.0.1-0300"}) target(arg, RANGE);
    for (const char *arg : {"127.0.0.300/24", "127.0.0.0/255.255.256.0"}) target(arg, SUBNET);
    target("127.0.0.0/30", "the prefix length must be below 30");
    target("127.0.0.0/32", "the prefix length must be below 30");
    target("127.0.0.0/1", "too many printers");
    target("127.0.0.0/0.0.0.0", "too many printers");
    target("256.1.1.1", "an address is a.b.c.d with numbers up to 255");
    // Shapes that are no printer argument, once looked up as host names.
    for (const char *arg : {"127.0.0.*", "127.0.0.1-5,7", "127.0.0.1 127.0.0.2", "-", "127.0.0-5", "127.0.0.1-",
                            "127.0.0.1-2-3", "127.0.0.0/", "127.0.0.0/2x", "127.0.0.0/255.255.255", "127.0.0/24",
                            "imprimante-caf\xc3\xa9.invalid"})
        target(arg, TARGET_FORMS);
    // The argument is quoted as the printer texts are: no control byte reaches the terminal.
    cases.push_back({"control bytes", {"--vendor", "\xff\x1b[2J\x01"}, 3, bad_target("\xff\\x1b[2J\\x01", TARGET_FORMS)});
    // A good target before a bad one: nothing is sent to the good one either.
    cases.push_back({"good then bad", {"--vendor", "127.0.0.1", "127.0.0.1-300"}, 3, bad_target("127.0.0.1-300", RANGE)});
    run_cases(cases);
}

TEST(BadCommandLine, TargetsThatNameNoAddress) {
    const std::string none = "prowlet: the printer arguments name no address to query.\n";
    run_cases({{"empty range", {"--vendor", "127.0.0.7-6"}, 4, none},
               {"/0", {"--vendor", "127.0.0.0/0"}, 4, none},
               {"all-ones", {"--vendor", "255.255.255.255/255.255.255.255"}, 4, none},
               {"host mask", {"--vendor", "127.0.0.5/255.255.255.255"}, 4, none}});
}

TEST(BadCommandLine, OptionValues) {
    const std::string port = "prowlet: port number is out of range.\n";
    auto maxproc = [](const std::string &v) {
        return "prowlet: --maxproc needs a positive number, not \"" + v + "\".\n";
    };
    run_cases({
        {"port 0", {"-n", "0", "127.0.0.1"}, 2, port},
        {"port 65536", {"-n", "65536", "127.0.0.1"}, 2, port},
        {"port word", {"--connection", "lpd", "127.0.0.1"}, 2, port},
        {"port negative", {"-n", "-5", "127.0.0.1"}, 2, port},
        {"port empty", {"-n", "", "127.0.0.1"}, 2, port},
        {"port 64 KiB", {"-n", BIG_DIGITS, "127.0.0.1"}, 2, port},
        {"maxproc 0", {"--maxproc", "0", "--vendor", "127.0.0.1"}, 16, maxproc("0")},
        {"maxproc negative", {"--maxproc", "-1", "--vendor", "127.0.0.1"}, 16, maxproc("-1")},
        {"maxproc word", {"--maxproc", "many", "--vendor", "127.0.0.1"}, 16, maxproc("many")},
        {"missing value", {"--vendor", "-c"}, 1, "prowlet: option requires an argument -- 'c'\n" + USAGE},
        {"missing timeout", {"--timeout"}, 1, "prowlet: option '--timeout' requires an argument\n" + USAGE},
        {"unknown", {"--frobnicate", "127.0.0.1"}, 1, "prowlet: unrecognized option '--frobnicate'\n" + USAGE},
        {"ambiguous", {"--a", "127.0.0.1"}, 1,
         "prowlet: option '--a' is ambiguous; possibilities: '--all' '--a4' '--a3' '--autolang' '--appletalk' "
         "'--alerts'\n" +
             USAGE},
        {"64 KiB option", {"--" + BIG, "127.0.0.1"}, 1, "prowlet: unrecognized option '--" + BIG + "'\n" + USAGE},
        {"non-ASCII option", {"--vend\xc3\xb6r", "127.0.0.1"}, 1,
         "prowlet: unrecognized option '--vend\xc3\xb6r'\n" + USAGE},
        {"raw byte option", {"-\xff", "127.0.0.1"}, 1, "prowlet: invalid option -- '\xff'\n" + USAGE},
        {"no target", {"--vendor"}, 7, "prowlet: no printer name specified.\n"},
    });
}

// Names that do not resolve end the run before anything is sent (the lookup
// itself stays inside the namespace, which has no way out).
TEST(BadCommandLine, NamesThatDoNotResolve) {
    auto unresolved = [](const std::string &name) { return "SNMP: cannot resolve hostname \"" + name + "\".\n"; };
    run_cases({{"64 KiB name", {"--vendor", BIG}, 252, unresolved(BIG)},
               {"64 KiB community", {"--vendor", "nowhere.invalid(" + BIG + ")"}, 252, unresolved("nowhere.invalid")}});
    // A digit-led name that is not a whole range or subnet, with a letter in
    // it, is a host name.
    std::vector<Case> names;
    for (const char *name : {"127.0.0.1-5x", "3com-printer", "9lives-2", "lp_1.invalid"})
        names.push_back({name, {"--vendor", name}, 252, unresolved(name)});
    run_cases(names);
}

// Arguments that are odd but valid run correctly against a printer.
TEST(BadCommandLine, OddButValidArgumentsRun) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    mib.set("1.3.6.1.2.1.1.4.0", fake_string("Old"));
    mib.set("1.3.6.1.2.1.1.6.0", fake_string("Old"));
    FakeAgent agent("127.0.2.1", 161, fake_mib_handler(mib));

    // A community outside ASCII goes out byte for byte.
    RunResult r = run_prowlet({"-c", "caf\xc3\xa9\xff", "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
    expect_no_crash(r, "community");
    EXPECT_EQ(r.out, "vendor=\"Lexmark\";\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    ASSERT_GE(agent.requestCount(), 1);
    EXPECT_EQ(agent.requests().back().community, "caf\xc3\xa9\xff");

    // A contact outside ASCII is set byte for byte and read back escaped where
    // it has control bytes.
    r = run_prowlet({"--setcontact", "Gr\xc3\xbc\xc3\x9f" "e\x01", "127.0.2.1"}, std::chrono::seconds(60));
    expect_no_crash(r, "setcontact");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    r = run_prowlet({"--contact", "127.0.2.1"}, std::chrono::seconds(60));
    EXPECT_EQ(r.out, "contact=\"Gr\xc3\xbc\xc3\x9f" "e\\x01\";location=\"Old\";\n");
    EXPECT_EQ(r.status, 0);

    // Timeout values the parser takes in its own way: 64 KiB of digits, words.
    for (const std::string &t : {BIG_DIGITS, std::string("abc"), std::string("0x10")}) {
        r = run_prowlet({"--timeout", t, "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
        expect_no_crash(r, "timeout " + t.substr(0, 10));
        EXPECT_EQ(r.out, "vendor=\"Lexmark\";\n") << t.substr(0, 10);
        EXPECT_EQ(r.err, "") << t.substr(0, 10);
        EXPECT_EQ(r.status, 0) << t.substr(0, 10);
    }
    // A negative timeout leaves no send at all: the printer is not asked and
    // counts as not answering.
    const int before = agent.requestCount();
    r = run_prowlet({"--timeout", "-5", "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
    expect_no_crash(r, "timeout -5");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: No response from 127.0.2.1\n");
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(agent.requestCount(), before);

    // A --maxproc too large to count is no cap at all.
    r = run_prowlet({"--maxproc", BIG_DIGITS, "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
    expect_no_crash(r, "maxproc");
    EXPECT_EQ(r.out, "vendor=\"Lexmark\";\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// A 64 KiB community or contact makes a request larger than a UDP datagram
// can be: the send fails, and the printer's worker ends saying so.
TEST(BadCommandLine, RequestsTooLargeForADatagram) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    FakeAgent agent("127.0.2.1", 161, fake_mib_handler(mib));
    RunResult r = run_prowlet({"--timeout", "2", "-c", BIG, "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
    expect_no_crash(r, "community");
    EXPECT_EQ(r.out, "");
    const std::string tooLong = "Error sending packet: Message too long\nprowlet: cannot send to 127.0.2.1: Message too long\n";
    EXPECT_EQ(r.err, tooLong);
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(agent.requestCount(), 0);

    for (const char *option : {"--setlocation", "--setcontact"}) {
        r = run_prowlet({"--timeout", "2", option, BIG, "--vendor", "127.0.2.1"}, std::chrono::seconds(60));
        expect_no_crash(r, option);
        EXPECT_EQ(r.out, "vendor=\"Lexmark\";\n");
        EXPECT_EQ(r.err, tooLong);
        EXPECT_EQ(r.status, 8);
    }
    EXPECT_EQ(agent.requestCount(), 2);
}

}  // namespace
