// A fleet's first hour, end to end against scripted printers: printer lists
// (-f), a name that does not resolve among good ones (--keep-going), in
// classic and JSON output.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/run_prowlet.h"

namespace {

FakeMib lexmark() {
    FakeMib m;
    m.set("1.3.6.1.2.1.1.1.0", fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    return m;
}

std::vector<std::string> sorted_lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    return lines;
}

const std::string kTypo = "SNMP: cannot resolve hostname \"printer-typo.invalid\".\n";

// Every name is resolved before any printer is asked; with --keep-going a
// name that does not resolve is that printer's failure alone.
TEST(Fleet, NameThatDoesNotResolveAmongGoodOnes) {
    FakeAgent one("127.0.1.1", 161, fake_mib_handler(lexmark()));
    FakeAgent two("127.0.1.2", 161, fake_mib_handler(lexmark()));
    const std::vector<std::string> targets = {"127.0.1.1", "printer-typo.invalid", "127.0.1.2"};
    struct Case {
        const char *name;
        std::vector<std::string> options;
        std::vector<std::string> out;  // sorted
        std::string err;
        bool asked;  // the good printers were asked
    };
    const Case cases[] = {
        {"by default the run ends before any printer is asked", {"--vendor"}, {}, kTypo, false},
        {"also with --json", {"--json", "--vendor"}, {}, kTypo, false},
        {"keep going: the others are served",
         {"-k", "--vendor"},
         {"hostname=\"127.0.1.1\";vendor=\"Lexmark\";", "hostname=\"127.0.1.2\";vendor=\"Lexmark\";"},
         kTypo,
         true},
        {"keep going in JSON: the name has a line of its own",
         {"--vendor", "--json", "--keep-going"},
         {"{\"host\":\"127.0.1.1\",\"exitStatus\":0,\"warnings\":[],\"vendor\":\"Lexmark\"}",
          "{\"host\":\"127.0.1.2\",\"exitStatus\":0,\"warnings\":[],\"vendor\":\"Lexmark\"}",
          "{\"host\":\"printer-typo.invalid\",\"exitStatus\":252,\"error\":\"SNMP: cannot resolve hostname "
          "\\\"printer-typo.invalid\\\".\",\"warnings\":[]}"},
         "",
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int before = one.requestCount() + two.requestCount();
        std::vector<std::string> args = c.options;
        args.insert(args.end(), targets.begin(), targets.end());
        RunResult r = run_prowlet(args, std::chrono::seconds(60));
        EXPECT_EQ(sorted_lines(r.out), c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, 252);
        EXPECT_EQ(one.requestCount() + two.requestCount() > before, c.asked);
    }
}

// The status is the first failing printer's in command-line order, the
// names that do not resolve included.
TEST(Fleet, KeepGoingStatusIsTheFirstFailure) {
    FakeAgent one("127.0.1.1", 161, fake_mib_handler(lexmark()));
    RunResult silentFirst =
        run_prowlet({"-k", "--timeout", "0", "--vendor", "127.0.1.9", "x.invalid", "127.0.1.1"}, std::chrono::seconds(60));
    EXPECT_EQ(silentFirst.status, 8);
    RunResult typoFirst =
        run_prowlet({"-k", "--timeout", "0", "--vendor", "x.invalid", "127.0.1.9", "127.0.1.1"}, std::chrono::seconds(60));
    EXPECT_EQ(typoFirst.status, 252);
    RunResult allGood = run_prowlet({"-k", "--vendor", "127.0.1.1"}, std::chrono::seconds(60));
    EXPECT_EQ(allGood.status, 0);
    EXPECT_EQ(allGood.out, "vendor=\"Lexmark\";\n");
}

// A list's printers stand where its -f stands; a line's community is that
// line's; the -c community is everybody else's.
TEST(Fleet, PrinterListAmongArguments) {
    std::vector<std::unique_ptr<FakeAgent>> agents;
    for (int i = 1; i <= 4; ++i)
        agents.push_back(std::make_unique<FakeAgent>("127.0.1." + std::to_string(i), 161, fake_mib_handler(lexmark())));
    TempDir dir("fleet");
    const std::string list = dir.path() + "/printers.txt";
    std::ofstream(list) << "# second floor\n\n127.0.1.2(private)   # the one with its own community\n"
                        << "127.0.1.3\r\n";
    RunResult r = run_prowlet({"-c", "public", "127.0.1.1", "-f", list, "--vendor", "127.0.1.4"}, std::chrono::seconds(60));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> expected;
    for (int i = 1; i <= 4; ++i) expected.push_back("hostname=\"127.0.1." + std::to_string(i) + "\";vendor=\"Lexmark\";");
    EXPECT_EQ(sorted_lines(r.out), expected);
    const char *communities[] = {"public", "private", "public", "public"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_GE(agents[i]->requestCount(), 1);
        EXPECT_EQ(agents[i]->requests().front().community, communities[i]) << i;
    }

    // A line that is no printer ends the run before anything is sent, naming its line.
    std::ofstream(list) << "127.0.1.1\n127.0.1.*\n";
    const int before = agents[0]->requestCount();
    RunResult bad = run_prowlet({"--vendor", "-f", list}, std::chrono::seconds(60));
    EXPECT_EQ(bad.status, 3);
    EXPECT_EQ(bad.err.rfind("prowlet: bad printer argument \"127.0.1.*\" in the printer list \"" + list + "\", line 2: ", 0),
              0u)
        << bad.err;
    EXPECT_EQ(agents[0]->requestCount(), before);
}

}  // namespace
