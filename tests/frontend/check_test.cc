// check_printers without printers: its options, the transport sized to the
// time-out, and its output (status line, long output, performance data read
// back by the Monitoring Plugins' grammar), as tables of cases.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frontend/check.h"
#include "frontend/check_options.h"
#include "frontend/check_report.h"
#include "tests/frontend/argv_builder.h"
#include "tests/support/perfdata.h"

namespace {

struct OptionCase {
    std::vector<std::string> args;
    std::string error;  // the status line of a refused command line; empty: accepted
    std::function<void(const CheckOptions &)> check;
};

const auto ANY = [](const CheckOptions &) {};

// argv: the program, then args.
struct ArgvBuilder : Argv {
    ArgvBuilder(const char *program, const std::vector<std::string> &args) : Argv{program} {
        for (const std::string &a : args) add(a);
    }
};

TEST(CheckOptions, Table) {
    const OptionCase cases[] = {
        {{"-H", "a,b", "c(secret)"}, "",
         [](const CheckOptions &o) { EXPECT_EQ((std::vector<std::string>{"a", "b", "c(secret)"}), o.targets); }},
        {{"-H", "p", "-w", "30:", "-c", "@0:10"}, "",
         [](const CheckOptions &o) {
             EXPECT_EQ("30:", o.rules.warning.text);
             EXPECT_TRUE(o.rules.critical.alerts(10));
             EXPECT_FALSE(o.rules.critical.alerts(11));
         }},
        {{"-H", "p", "-C", "private", "-P", "2c", "-p", "1161", "-t", "30", "-vv"}, "",
         [](const CheckOptions &o) {
             EXPECT_STREQ("private", o.community);
             EXPECT_STREQ("2c", o.snmp.version);
             EXPECT_EQ(1161, o.port);
             EXPECT_EQ(30, o.timeout);
             EXPECT_EQ(2, o.verbose);
         }},
        {{"-H", "p"}, "",
         [](const CheckOptions &o) {
             EXPECT_STREQ("public", o.community);
             EXPECT_EQ(10, o.timeout);
             EXPECT_EQ("20:", o.rules.warning.text);
             EXPECT_EQ("5:", o.rules.critical.text);
             EXPECT_EQ(HealthState::Critical, o.rules.silent);
         }},
        {{"--silent", "OK", "--some-remaining", "warning", "--error", "noPaper=critical", "--error", "offline=ok",
          "-e", "fuser,sheetFeedManual", "-E", "maint", "--perfdata", "counts", "p"},
         "",
         [](const CheckOptions &o) {
             EXPECT_EQ(HealthState::Ok, o.rules.silent);
             EXPECT_EQ(HealthState::Warning, o.rules.someRemaining);
             EXPECT_EQ(HealthState::Critical, o.rules.detectedError[static_cast<int>(DetectedError::noPaper)]);
             EXPECT_EQ(HealthState::Ok, o.rules.detectedError[static_cast<int>(DetectedError::offline)]);
             EXPECT_EQ((std::vector<std::string>{"fuser", "sheetFeedManual"}), o.rules.excludedTypes);
             EXPECT_EQ(1u, o.rules.excludedPatterns.size());
             EXPECT_EQ(PerfdataMode::Counts, o.perfdata);
         }},
        {{"-H", "p", "-U", "u", "-A", "authpassphrase", "-L", "authNoPriv", "-P", "3"}, "",
         [](const CheckOptions &o) {
             EXPECT_STREQ("u", o.snmp.user);
             ASSERT_TRUE(o.snmp.authPass);
         }},
        {{}, "PRINTER UNKNOWN - no printer given (-H ADDRESS)", ANY},
        {{"-H", "p", "-w", "abc"}, "PRINTER UNKNOWN - -w \"abc\" is not a range (the end is not a number)", ANY},
        {{"-H", "p", "-c", "10:5"}, "PRINTER UNKNOWN - -c \"10:5\" is not a range (the start is above the end)", ANY},
        {{"-H", "p", "-t", "0"}, "PRINTER UNKNOWN - -t needs a number of seconds from 1 to 86400, not \"0\"", ANY},
        {{"-H", "p", "-p", "65536"}, "PRINTER UNKNOWN - -p needs a port from 1 to 65535, not \"65536\"", ANY},
        {{"-H", "p", "--silent", "maybe"},
         "PRINTER UNKNOWN - --silent needs ok, warning, critical or unknown, not \"maybe\"", ANY},
        {{"-H", "p", "--error", "lowInk=ok"},
         "PRINTER UNKNOWN - --error needs NAME=STATE with a bit of hrPrinterDetectedErrorState, not \"lowInk=ok\"",
         ANY},
        {{"-H", "p", "-e", "toner2"}, "PRINTER UNKNOWN - -e \"toner2\" is no supply or input tray type of the Printer MIB",
         ANY},
        {{"-H", "p", "--perfdata", "some"}, "PRINTER UNKNOWN - --perfdata needs all, counts or none, not \"some\"", ANY},
        {{"-z", "p"}, "PRINTER UNKNOWN - unknown option -z", ANY},
        {{"--bogus", "p"}, "PRINTER UNKNOWN - unknown option --bogus", ANY},
        {{"p", "-H"}, "", [](const CheckOptions &o) { EXPECT_EQ((std::vector<std::string>{"p", "-H"}), o.targets); }},
        {{"-H"}, "PRINTER UNKNOWN - option -H needs an argument", ANY},
        {{"-f", "/nonexistent/hosts"}, "PRINTER UNKNOWN - cannot read the host file \"/nonexistent/hosts\"", ANY},
    };
    for (const OptionCase &c : cases) {
        ArgvBuilder argv(CHECK_PROGRAM, c.args);
        CheckOptions opts;
        const CheckParse parsed = parse_check_options(argv.argc(), argv.argv(), opts);
        const std::string shown = testing::PrintToString(c.args);
        if (c.error.empty()) {
            EXPECT_FALSE(parsed.finished) << shown << parsed.out;
            c.check(opts);
            continue;
        }
        EXPECT_TRUE(parsed.finished) << shown;
        EXPECT_EQ(3, parsed.status) << shown;
        EXPECT_EQ(c.error, parsed.out.substr(0, parsed.out.find('\n'))) << shown;
        EXPECT_NE(std::string::npos, parsed.out.find("\nUsage: check_printers -H")) << shown;
    }
}

TEST(CheckOptions, VersionHelpAndPassphrases) {
    for (const char *flag : {"-V", "--version"}) {
        ArgvBuilder argv(CHECK_PROGRAM, {flag});
        CheckOptions opts;
        const CheckParse p = parse_check_options(argv.argc(), argv.argv(), opts);
        EXPECT_EQ(3, p.status);
        EXPECT_EQ("check_printers (prowlet 0.8.7)\n", p.out);
    }
    ArgvBuilder help(CHECK_PROGRAM, {"-h"});
    CheckOptions opts;
    EXPECT_EQ(check_help_text(), parse_check_options(help.argc(), help.argv(), opts).out);
    ArgvBuilder secret(CHECK_PROGRAM, {"-X", "privacy-passphrase", "p"});
    CheckOptions withSecret;
    parse_check_options(secret.argc(), secret.argv(), withSecret);
    EXPECT_EQ(std::string(18, '\0'), std::string(secret.argv()[2], 18)) << "the passphrase stays in argv";
}

TEST(CheckTransport, FitsTheTimeout) {
    const struct {
        int timeout, retries;
        long deadlineMs;
    } cases[] = {{1, 0, 900}, {4, 0, 3600}, {6, 1, 5500}, {10, 3, 9500}, {60, 28, 59500}};
    for (const auto &c : cases) {
        const CheckTransport t = transport_for(c.timeout);
        EXPECT_EQ(2, t.waitPerAttempt);
        EXPECT_EQ(c.retries, t.retries) << c.timeout;
        EXPECT_EQ(c.deadlineMs, answer_deadline(c.timeout).count()) << c.timeout;
        // A silent printer is known as silent within the time-out.
        if (c.timeout >= 4) {
            EXPECT_LE((t.retries + 1) * t.waitPerAttempt * 1000, c.deadlineMs);
        }
    }
}

SupplyReading supply(std::int64_t index, std::int64_t type, std::int64_t level, const char *description) {
    SupplyReading s;
    s.index = index;
    s.supplyClass = 3;
    s.type = type;
    s.capacity = 100;
    s.level = level;
    s.description = description;
    return s;
}

CheckResult result(const std::string &host, const std::function<void(HealthReadings &)> &change,
                   const HealthRules &rules = {}) {
    HealthReadings r;
    r.model = "LaserJet 9";
    r.vendor = "HP";
    r.pageCount = 1234;
    r.detectedErrorOctets = std::string(1, '\0');
    r.supplies = {supply(1, 3, 61, "Black Toner"), supply(2, 15, -2, "Fuser")};
    change(r);
    CheckResult c;
    c.host = host;
    c.health = interpret_health(r);
    c.health.host = host;
    c.verdict = judge_health(c.health, rules);
    return c;
}

const auto AS_READ = [](HealthReadings &) {};

struct OutputCase {
    const char *name;
    std::vector<CheckResult> results;
    CheckFormat format;
    std::string out;
    std::size_t perfData;
};

TEST(CheckOutput, Table) {
    const auto silent = [](HealthReadings &r) { r = {}, r.reachability = Reachability::Silent; };
    const auto low = [](HealthReadings &r) { r.supplies[0].level = 12; };
    const auto odd = [](HealthReadings &r) { r.supplies[0].description = "It's a|b=c"; r.supplies[0].type = 1; };
    const OutputCase cases[] = {
        {"one printer, OK, with a note",
         {result("p", AS_READ)},
         {},
         "PRINTER OK - LaserJet 9: 2 supplies ok (lowest: black toner 61%), Fuser: level unknown | "
         "'black toner'=61%;20:;5:;0;100 'pages'=1234c;;;0;\n",
         2},
        {"one printer, WARNING, verbose",
         {result("p", low)},
         {1, PerfdataMode::All, nullptr},
         "PRINTER WARNING - LaserJet 9: black toner 12% (warning below 20%) | 'black toner'=12%;20:;5:;0;100 "
         "'pages'=1234c;;;0;\nWARNING: black toner 12% (warning below 20%)\nOK: Fuser: level unknown\n"
         "HP LaserJet 9, 1234 pages\nblack toner: low, 12% left (level 12 of 100)\nFuser: unknown (level -2 of 100)\n",
         2},
        {"one printer silent, no performance data", {result("10.1.2.3", silent)}, {}, "PRINTER CRITICAL - 10.1.2.3: no answer\n", 0},
        {"labels quoted and cleaned", {result("p", odd)}, {0, PerfdataMode::All, nullptr},
         "PRINTER OK - LaserJet 9: 2 supplies ok (lowest: It's a/b=c 61%), Fuser: level unknown | "
         "'It''s a/b_c'=61%;20:;5:;0;100 'pages'=1234c;;;0;\n",
         2},
        {"a sweep: counts, printers not OK worst first, performance data after the long output",
         {result("a", AS_READ), result("b", low), result("c", silent)},
         {},
         "PRINTER CRITICAL - 3 printers: 1 OK, 1 WARNING, 1 CRITICAL, 0 UNKNOWN | 'printers OK'=1;;;0;3 "
         "'printers WARNING'=1;;;0;3 'printers CRITICAL'=1;;;0;3 'printers UNKNOWN'=0;;;0;3\n"
         "c CRITICAL - no answer\n"
         "b WARNING - LaserJet 9: black toner 12% (warning below 20%) | 'a:black toner'=61%;20:;5:;0;100 "
         "'a:pages'=1234c;;;0;\n'b:black toner'=12%;20:;5:;0;100 'b:pages'=1234c;;;0;\n",
         8},
        {"a sweep all OK: performance data on a line of its own",
         {result("a", AS_READ), result("b", AS_READ)},
         {0, PerfdataMode::All, nullptr},
         "PRINTER OK - 2 printers: 2 OK, 0 WARNING, 0 CRITICAL, 0 UNKNOWN | 'printers OK'=2;;;0;2 "
         "'printers WARNING'=0;;;0;2 'printers CRITICAL'=0;;;0;2 'printers UNKNOWN'=0;;;0;2\n"
         "| 'a:black toner'=61%;20:;5:;0;100 'a:pages'=1234c;;;0;\n'b:black toner'=61%;20:;5:;0;100 'b:pages'=1234c;;;0;\n",
         8},
        {"a sweep, counts only, verbose",
         {result("a", AS_READ), result("b", low)},
         {1, PerfdataMode::Counts, nullptr},
         "PRINTER WARNING - 2 printers: 1 OK, 1 WARNING, 0 CRITICAL, 0 UNKNOWN | 'printers OK'=1;;;0;2 "
         "'printers WARNING'=1;;;0;2 'printers CRITICAL'=0;;;0;2 'printers UNKNOWN'=0;;;0;2\n"
         "b WARNING - LaserJet 9: black toner 12% (warning below 20%)\n"
         "a OK - LaserJet 9: 2 supplies ok (lowest: black toner 61%), Fuser: level unknown\n",
         4},
        {"no performance data", {result("a", AS_READ), result("b", low)}, {0, PerfdataMode::None, nullptr},
         "PRINTER WARNING - 2 printers: 1 OK, 1 WARNING, 0 CRITICAL, 0 UNKNOWN\n"
         "b WARNING - LaserJet 9: black toner 12% (warning below 20%)\n",
         0},
    };
    for (const OutputCase &c : cases) {
        const std::string out = check_output(c.results, c.format);
        EXPECT_EQ(c.out, out) << c.name;
        const PluginOutput parsed = parse_plugin_output(out);
        EXPECT_EQ("", parsed.error) << c.name;
        EXPECT_EQ(c.perfData, parsed.perf.size()) << c.name;
    }
}

TEST(CheckOutput, ThresholdsOfTheRulesInPerformanceData) {
    HealthRules rules;
    rules.warning = *parse_range("~:90");
    rules.critical = *parse_range("@0:2.5");
    rules.excludedTypes = {"toner"};
    const CheckResult r = result("p", [](HealthReadings &h) { h.supplies.push_back(supply(3, 9, 95, "Drum")); }, rules);
    const std::string out = check_output({r}, {0, PerfdataMode::All, &rules});
    EXPECT_EQ("PRINTER WARNING - LaserJet 9: Drum 95% (warning above 90%) | 'Drum'=95%;~:90;@0:2.5;0;100 "
              "'pages'=1234c;;;0;\n",
              out);
    const PluginOutput parsed = parse_plugin_output(out);
    ASSERT_EQ("", parsed.error);
    EXPECT_EQ("~:90", parsed.perf[0].warn);
    EXPECT_EQ("@0:2.5", parsed.perf[0].crit);
    EXPECT_EQ(HealthState::Warning, overall_state({r}));
    EXPECT_EQ(HealthState::Unknown, overall_state({}));
}

TEST(PerfdataGrammar, RefusesWhatPluginsMustNotWrite) {
    const struct {
        const char *text;
        bool good;
    } cases[] = {
        {"S - x | a=1", true},          {"S - x | 'a b'=1.5%;20:;5:;0;100", true}, {"S - x | 'a''b'=1c;;;0;", true},
        {"S - x | a b=1", false},       {"S - x | 'a b=1", false},                {"S - x | a=1%;x", false},
        {"S - x | a=1;;;zero", false}, {"S - x | a=1 parsecs", false},            {"S - x | a=1;1;2;3;4;5", false},
        {"S - x\nlong\nlast | a=1\nb=2", true},
    };
    for (const auto &c : cases) EXPECT_EQ(c.good, parse_plugin_output(c.text).error.empty()) << c.text;
    EXPECT_EQ(2u, parse_plugin_output("S - x\nlong\nlast | a=1\nb=2").perf.size());
}

}  // namespace
