// The progress line on a terminal: under a pseudo-terminal, drawn while a
// silent printer is waited for, erased at the end, never inside a message or
// a line; absent where it does not belong.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/fake_agent.h"
#include "tests/support/run_prowlet.h"

namespace {

// One printer that answers at once, one address that never does: the run
// lasts its time-out, two waits of 2 seconds, far beyond the first drawing.
FakeMib lexmark() {
    FakeMib m;
    m.set("1.3.6.1.2.1.1.1.0", fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    return m;
}

const std::vector<std::string> kSweep = {"--timeout", "2", "--vendor", "127.0.1.1", "127.0.1.9"};
const char kAnswer[] = "hostname=\"127.0.1.1\";vendor=\"Lexmark\";\n";
const char kSilent[] = "prowlet: No response from 127.0.1.9\n";

// A drawing of the line ("\r" + text + erase to the end) or its erasure.
const std::regex kDrawing("\r(prowlet: [0-9]+/2 done, [0-9]+ answered, [0-9]+ failed, [0-9]+ waiting)?\x1b\\[K");

std::string without_drawings(const std::string &terminal) { return std::regex_replace(terminal, kDrawing, ""); }

std::size_t drawings(const std::string &terminal) {
    return static_cast<std::size_t>(
        std::distance(std::sregex_iterator(terminal.begin(), terminal.end(), kDrawing), std::sregex_iterator()));
}

TEST(Progress, WhereItIsShownAndWhereNot) {
    if (!pseudo_terminals_available()) GTEST_SKIP() << "no pseudo-terminals here (/dev/ptmx)";
    FakeAgent agent("127.0.1.1", 161, fake_mib_handler(lexmark()));
    struct Case {
        const char *name;
        std::vector<std::string> options;
        bool stdoutOnTerminal;
        bool shown;
        std::string terminal;  // what the terminal holds without the line's drawings
        std::string out;       // standard output when it is a pipe
    };
    const Case cases[] = {
        {"standard error on a terminal", {}, false, true, kSilent, kAnswer},
        {"both on the terminal: lines and messages each whole", {}, true, true, "", ""},
        {"turned off", {"--no-progress"}, false, false, kSilent, kAnswer},
        {"JSON piped on", {"--json"}, false, false, "", ""},
        {"JSON on the terminal", {"--json"}, true, true, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), kSweep.begin(), kSweep.end());
        RunResult r = run_prowlet_on_terminal(args, c.stdoutOnTerminal, std::chrono::seconds(60));
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 8);
        if (!c.shown) {
            EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
            EXPECT_EQ(r.err.find('\r'), std::string::npos);
        } else {
            EXPECT_GE(drawings(r.err), 2u) << r.err;  // drawn, then erased
            EXPECT_TRUE(r.err.ends_with("\r\x1b[K")) << r.err;
        }
        const bool json = !c.options.empty() && c.options[0] == "--json";
        if (c.stdoutOnTerminal) {
            // Lines and messages arrive whole between drawings, in either order.
            const std::string text = without_drawings(r.err);
            if (json) {
                EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
                EXPECT_TRUE(text.starts_with("{\"host\":\"127.0.1.")) << text;
                EXPECT_NE(text.find("}\n{\"host\":\"127.0.1."), std::string::npos) << text;
            } else {
                EXPECT_TRUE(text == std::string(kAnswer) + kSilent || text == std::string(kSilent) + kAnswer) << text;
            }
        } else {
            EXPECT_EQ(without_drawings(r.err), c.terminal);
            if (!json) {
                EXPECT_EQ(r.out, c.out);
            }
        }
    }
}

}  // namespace
