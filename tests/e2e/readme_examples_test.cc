// The examples of docs/examples.md and README.md, run against simulated printers.
// The examples are read from the documents themselves, so documents and behaviour
// cannot drift; the commands README.md shows for the reader's own printers are
// parsed as prowlet parses them, and their jq filters must be ones run here.
//
// The marker format is described in doc_examples.h. The block after
// "<!-- packetlog -->" in docs/examples.md is a run with --debugsnmp as a
// terminal shows it (the note naming the log on standard error, then standard
// output), "$ cat snmplog.0" and the log it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "frontend/options.h"
#include "frontend/targets.h"
#include "tests/e2e/doc_examples.h"
#include "tests/support/agents.h"
#include "tests/support/json_lines.h"
#include "tests/support/run_prowlet.h"

namespace {

// Alert times are the current clock minus the age of the alert: they change
// from run to run. A time (epoch seconds, or ISO 8601 in UTC) must be within a
// month of now; then it is masked.
std::string mask_times(const std::string &text, bool check, std::string &problem) {
    static const std::regex timeField(R"re(time="(\d+)")re");
    static const std::regex utc(R"re(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)re");
    const long long now = static_cast<long long>(std::time(nullptr));
    auto plausible = [&](long long t, const std::string &shown) {
        if (t > now + 5 || t < now - 31LL * 24 * 3600) problem = "implausible alert time " + shown;
    };
    if (check) {
        for (std::sregex_iterator it(text.begin(), text.end(), timeField), end; it != end; ++it)
            plausible(std::stoll((*it)[1]), (*it)[1].str());
        for (std::sregex_iterator it(text.begin(), text.end(), utc), end; it != end; ++it) {
            std::tm tm{};
            strptime(it->str().c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm);
            plausible(static_cast<long long>(timegm(&tm)), it->str());
        }
    }
    return std::regex_replace(std::regex_replace(text, timeField, "time=\"*\""), utc, "TIME");
}

std::vector<std::string> sorted_lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (!l.empty()) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Lines of several printers interleave as they answer; what stays fixed is
// each printer's own sequence of fields.
std::map<std::string, std::string> per_printer(const std::string &text, std::string &problem) {
    static const std::regex prefix(R"re(^hostname="([^"]*)";(.*)$)re");
    std::map<std::string, std::string> fields;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (l.empty()) continue;
        std::smatch m;
        if (!std::regex_match(l, m, prefix)) {
            problem = "line without hostname: " + l;
            continue;
        }
        fields[m[1]] += m[2];
    }
    return fields;
}

// One logged packet: its label, its display form and the bytes of its dump.
struct LoggedPacket {
    std::string label;
    std::string display;
    std::vector<unsigned char> bytes;
};

// Splits a packet log into its first line and its packets; problems name the
// lines that do not fit the format.
std::vector<LoggedPacket> parse_log(const std::vector<std::string> &lines, std::string &first,
                                    std::vector<std::string> &problems) {
    static const std::regex hexLine(R"(^([0-9a-f]{2} ){1,16}$)");
    std::vector<LoggedPacket> packets;
    std::size_t i = 0;
    if (lines.empty()) {
        problems.push_back("empty log");
        return packets;
    }
    first = lines[i++];
    while (i < lines.size()) {
        LoggedPacket p;
        p.label = lines[i++];
        if (p.label != "Sent" && p.label != "Received") problems.push_back("not a label: " + p.label);
        if (i >= lines.size()) {
            problems.push_back("no display form after " + p.label);
            break;
        }
        p.display = lines[i++];
        while (i < lines.size() && std::regex_match(lines[i], hexLine)) {
            std::istringstream hex(lines[i++]);
            for (std::string b; hex >> b;) p.bytes.push_back(static_cast<unsigned char>(std::stoi(b, nullptr, 16)));
        }
        packets.push_back(p);
    }
    return packets;
}

// The dump decodes to the message shown above it.
std::string decoded_display(const std::vector<unsigned char> &bytes) {
    try {
        BerSequence message{std::span<const unsigned char>(bytes.data(), bytes.size())};
        std::vector<char> buf(10240);
        int n = message.print(buf.data(), buf.size());
        return n < 0 ? "(too long)" : std::string(buf.data(), static_cast<std::size_t>(n));
    } catch (const BerDecodeError &e) {
        return std::string("(undecodable: ") + e.what() + ")";
    }
}

// Request ids differ on every run.
std::string mask_request_id(const std::string &display) {
    return std::regex_replace(display, std::regex(R"(^\( 0 (\S+) \( \d+ )"), "( 0 $1 ( ID ");
}

std::unique_ptr<SimulatedPrinters> printers;
std::unique_ptr<SimulatedV3Printers> secure;
std::unique_ptr<NetSnmpAgent> writable;
std::unique_ptr<TempDir> workDir;

// The printers docs/examples.md describes, and the directory its commands run in.
class DemoPrinters : public testing::Environment {
 public:
    void SetUp() override {
        // The demo's printers: the same recordings at the same addresses, community "demo",
        // and a printer no vendor rule knows.
        printers = std::make_unique<SimulatedPrinters>(
            std::vector<PrinterRecording>{
                {"127.0.1.1", project_recording("hp-laserjet-4000.snmprec")},
                {"127.0.1.2", project_recording("hp-color-laserjet-4500.snmprec")},
                {"127.0.1.3", project_recording("lexmark-optra-s1855.snmprec")},
                {"127.0.1.4", project_recording("tektronix-phaser-850.snmprec")},
                {"127.0.1.5", project_recording("xerox-docuprint-n32.snmprec")},
                {"127.0.1.18", project_recording("unknown-vendor.snmprec")},
            },
            "demo");
        // The Lexmark once more, over SNMPv3 only, for the user of the examples.
        secure = std::make_unique<SimulatedV3Printers>(
            std::vector<PrinterRecording>{{"127.0.2.3", project_recording("lexmark-optra-s1855.snmprec")}},
            std::vector<V3User>{{"admin", "SHA-256", "AES", "demo-auth-pass", "demo-priv-pass"}});
        // snmpsim refuses every SetRequest: net-snmp's agent takes the examples' changes.
        writable = std::make_unique<NetSnmpAgent>(
            NetSnmpConfig{{"127.0.3.1", "127.0.3.2", "127.0.3.3"}, "demo-rw", true, {"sysContact Print room"}});
        // The --secrets file of the examples; prowlet refuses one that others may read.
        workDir = std::make_unique<TempDir>("doc-examples");
        const std::string secrets = workDir->path() + "/demo.secrets";
        std::ofstream(secrets) << "authpass demo-auth-pass\nprivpass demo-priv-pass\n";
        std::filesystem::permissions(secrets, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        // The printer list of the examples, as docs/examples.md makes it.
        std::ofstream(workDir->path() + "/printers.txt")
            << "# the demo printers\n127.0.1.1\n127.0.1.3   # the Lexmark\n\n127.0.1.4(demo)\n";
    }
    void TearDown() override {
        workDir.reset();
        writable.reset();
        secure.reset();
        printers.reset();
    }
};

testing::Environment *const demoPrinters = testing::AddGlobalTestEnvironment(std::make_unique<DemoPrinters>().release());

// The examples of both documents, in document order: docs/examples.md reads
// back what its earlier examples set.
std::vector<Example> all_examples(std::vector<std::string> &problems) {
    std::vector<Example> examples = parse_examples(PROWLET_SOURCE_DIR, "docs/examples.md", problems);
    std::vector<Example> readme = parse_examples(PROWLET_SOURCE_DIR, "README.md", problems);
    examples.insert(examples.end(), readme.begin(), readme.end());
    return examples;
}

TEST(DocExamples, AllMarkersParse) {
    std::vector<std::string> problems;
    std::vector<Example> examples = parse_examples(PROWLET_SOURCE_DIR, "docs/examples.md", problems);
    parse_examples(PROWLET_SOURCE_DIR, "README.md", problems);
    EXPECT_TRUE(problems.empty()) << testing::PrintToString(problems);
    // docs/examples.md shows examples of reports, errors and several printers.
    EXPECT_GE(examples.size(), 10u);
}

// Runs one example where the documents say their commands run and compares what it printed.
void check_example(const Example &ex) {
    SCOPED_TRACE(ex.file + " line " + std::to_string(ex.line) + ": " + ex.command);
    const std::string binDir = std::string(PROWLET_BINARY).substr(0, std::string(PROWLET_BINARY).rfind('/'));
    RunResult r = ex.pipeline ? run_program("/bin/sh", {"-c", "PATH=" + binDir + ":$PATH; " + ex.command},
                                            std::chrono::seconds(120), workDir->path())
                              : run_prowlet(ex.args, std::chrono::seconds(120), workDir->path());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(ex.status, r.status) << r.err;
    std::string problem;
    std::string out = mask_times(r.out, true, problem);
    std::string expected = mask_times(ex.out, false, problem);
    EXPECT_EQ("", problem);
    if (ex.unordered) {
        std::string p1, p2;
        EXPECT_EQ(per_printer(expected, p1), per_printer(out, p2));
        EXPECT_EQ("", p1);
        EXPECT_EQ("", p2);
        EXPECT_EQ(sorted_lines(ex.err), sorted_lines(r.err));
    } else {
        EXPECT_EQ(expected, out);
        EXPECT_EQ(ex.err, r.err);
    }
}

TEST(DocExamples, OutputAsShown) {
    std::vector<std::string> problems;
    std::vector<Example> examples = all_examples(problems);
    ASSERT_FALSE(examples.empty());
    for (const Example &ex : examples) check_example(ex);
}

// The commands README.md shows for the reader's own printers cannot run here:
// each must still be a command line prowlet accepts, and each jq filter one
// that a run of docs/examples.md checks.
TEST(DocExamples, ReadmeCommandsAreSound) {
    std::vector<std::string> problems;
    std::set<std::string> testedStages;
    for (const Example &ex : parse_examples(PROWLET_SOURCE_DIR, "docs/examples.md", problems))
        for (const std::string &stage : pipeline_stages(ex.command)) testedStages.insert(stage);
    const std::vector<ShownCommand> commands =
        prowlet_commands(read_lines(std::string(PROWLET_SOURCE_DIR) + "/README.md"));
    EXPECT_GE(commands.size(), 5u);
    for (const ShownCommand &command : commands) {
        SCOPED_TRACE("README.md line " + std::to_string(command.line) + ": " + command.text);
        const std::vector<std::string> stages = pipeline_stages(command.text);
        std::vector<std::string> words = split_words(stages[0]);
        std::vector<char *> argv;
        for (std::string &word : words) argv.push_back(word.data());
        Options opts;
        const ParseOutcome parsed = parse_options(static_cast<int>(argv.size()), argv.data(), opts);
        EXPECT_FALSE(parsed.finished) << parsed.err;
        if (parsed.finished) continue;
        std::vector<std::string> printers;
        for (const PrinterSource &p : opts.printers)
            if (!p.list) printers.push_back(p.text);
        const Expansion targets = expand_targets(printers, opts.community);
        EXPECT_TRUE(targets.ok) << targets.argument << ": " << targets.reason;
        for (std::size_t k = 1; k < stages.size(); ++k) {
            if (stages[k].rfind("jq ", 0) == 0) {
                EXPECT_EQ(1u, testedStages.count(stages[k])) << stages[k];
            }
        }
    }
}

// The demo's printers with every report: the classic run's warnings each name
// their printer, and the --json run agrees with it field for field (every
// line a valid JSON object, one per printer, nothing on standard error).
TEST(DocExamples, JsonAgreesWithTheClassicRun) {
    const std::vector<std::string> args = {
        "-c", "demo", "-n", "9100", "--vendor", "--model", "--contact", "--netconfig", "--hostmib", "--printmib",
        "--memory", "--status", "--storage", "--marker", "--pagecount", "--colors", "--resolution", "--minmargin",
        "--mediapath", "--maxpapersize", "--minpapersize", "--enginespeed", "--duplex", "--display", "--inputtray",
        "--letter", "--a4", "--legal", "--covers", "--languages", "--pcl", "--postscript", "--protocol", "--lpd",
        "--port9100", "--supplies", "--alerts"};
    std::vector<std::string> classicArgs = args, jsonArgs = args;
    classicArgs.push_back("127.0.1.1-5");
    jsonArgs.insert(jsonArgs.end(), {"--json", "127.0.1.1-5"});
    RunResult classic = run_prowlet(classicArgs);
    RunResult json = run_prowlet(jsonArgs);
    std::istringstream warnings(classic.err);
    for (std::string l; std::getline(warnings, l);) EXPECT_NE(std::string::npos, l.find("127.0.1.")) << l;
    EXPECT_EQ(classic.status, json.status);
    EXPECT_EQ("", json.err);
    const JsonLines parsed = read_json_lines(json.out);
    ASSERT_EQ("", parsed.problem);
    EXPECT_EQ(5u, parsed.exitStatus.size());
    std::string problem;
    const auto fields = classic_fields(mask_times(classic.out, false, problem));
    for (const auto &[host, jsonFields] : parsed.fields) {
        SCOPED_TRACE(host);
        FieldSet masked;
        for (const auto &[key, value] : jsonFields) masked.insert({key, key == "time" ? "*" : value});
        EXPECT_EQ("", fields_disagree(fields.count(host) ? fields.at(host) : FieldSet{}, masked));
    }
}

TEST(DocExamples, PacketLogAsShown) {
    const std::vector<std::string> lines = read_lines(std::string(PROWLET_SOURCE_DIR) + "/docs/examples.md");
    auto at = std::find(lines.begin(), lines.end(), "<!-- packetlog -->");
    ASSERT_NE(lines.end(), at) << "docs/examples.md shows no packet log";
    std::size_t i = static_cast<std::size_t>(at - lines.begin()) + 1;
    std::vector<std::string> block;
    std::string error;
    ASSERT_TRUE(read_block(lines, i, block, error)) << error;
    ASSERT_GE(block.size(), 3u);
    ASSERT_EQ(0u, block[0].rfind("$ prowlet ", 0));
    auto cat = std::find(block.begin(), block.end(), "$ cat snmplog.0");
    ASSERT_NE(block.end(), cat);
    std::string expectedTerminal;
    for (auto it = block.begin() + 1; it != cat; ++it) expectedTerminal += *it + "\n";
    std::vector<std::string> expectedLog(cat + 1, block.end());

    TempDir dir("doc-packet-log");
    std::vector<std::string> args = split_words(block[0].substr(std::string("$ prowlet ").size()));
    RunResult r = run_prowlet(args, std::chrono::seconds(60), dir.path());
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(expectedTerminal, r.err + r.out);
    std::vector<std::string> logLines = read_lines(dir.path() + "/snmplog.0");

    std::vector<std::string> problems;
    std::string expectedFirst, actualFirst;
    std::vector<LoggedPacket> expected = parse_log(expectedLog, expectedFirst, problems);
    std::vector<LoggedPacket> actual = parse_log(logLines, actualFirst, problems);
    EXPECT_TRUE(problems.empty()) << testing::PrintToString(problems);
    EXPECT_EQ(expectedFirst, actualFirst);
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        SCOPED_TRACE("packet " + std::to_string(k));
        EXPECT_EQ(expected[k].label, actual[k].label);
        EXPECT_EQ(mask_request_id(expected[k].display), mask_request_id(actual[k].display));
        EXPECT_EQ(expected[k].display, decoded_display(expected[k].bytes));
        EXPECT_EQ(actual[k].display, decoded_display(actual[k].bytes));
    }
}

using OptionBits = std::map<std::string, std::pair<int, unsigned long>>;

// Word and bit of every flag option, from the program's option table.
OptionBits program_option_bits() {
    OptionBits program;
    for (const OptionSpec &option : option_table())
        if (option.word >= 0) program[option.name] = {option.word, option.bit};
    return program;
}

// The manual page gives them too: "(W, 0x.., 0x..)" under each option's tag.
TEST(DocExamples, ManualPageOptionBitsAsInTheProgram) {
    OptionBits program = program_option_bits();
    ASSERT_GE(program.size(), 50u);
    const std::vector<std::string> lines = read_lines(std::string(PROWLET_SOURCE_DIR) + "/docs/prowlet.1");
    static const std::regex name(R"(\\-\\-([a-z0-9]+(?:\\-[a-z0-9]+)*))");
    static const std::regex bits(R"(^\((\d), (0x[0-9a-f]+(?:, *0x[0-9a-f]+)*)\))");
    OptionBits manual;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind(".B", 0) != 0 || lines[i + 1].rfind("(", 0) != 0) continue;
        std::string text = lines[i + 1];
        for (std::size_t k = i + 2; text.find(')') == std::string::npos && k < lines.size(); ++k)
            text += " " + lines[k];
        std::smatch m;
        if (!std::regex_search(text, m, bits)) continue;
        std::string list = m[2];
        std::replace(list.begin(), list.end(), ',', ' ');
        std::istringstream values(list);
        for (std::sregex_iterator it(lines[i].begin(), lines[i].end(), name), end; it != end; ++it) {
            std::string bit;
            ASSERT_TRUE(values >> bit) << lines[i];
            // "keep\-going" in the page is --keep-going.
            const std::string option = std::regex_replace((*it)[1].str(), std::regex(R"(\\-)"), "-");
            manual[option] = {std::stoi(m[1]), std::stoul(bit, nullptr, 16)};
        }
    }
    EXPECT_EQ(program, manual);
}

// The readers themselves: words and pipeline stages split as the shell splits
// the simple forms the documents use, quotes kept together.
TEST(DocExamples, WordsAndStagesSplitLikeTheShell) {
    struct Case {
        std::string command;
        std::vector<std::string> words;  // of the first stage
        std::vector<std::string> stages;
    };
    const std::vector<Case> cases = {
        {"-c  demo '(public)' 'a b'", {"-c", "demo", "(public)", "a b"}, {"-c  demo '(public)' 'a b'"}},
        {"''", {""}, {"''"}},
        {"--setlocation \"Hall C\" lp1", {"--setlocation", "Hall C", "lp1"}, {"--setlocation \"Hall C\" lp1"}},
        {"prowlet --json x | jq -r '.a | @csv' | sort", {"prowlet", "--json", "x"},
         {"prowlet --json x", "jq -r '.a | @csv'", "sort"}},
        {"prowlet x | jq \"select(.error) | .host\"", {"prowlet", "x"}, {"prowlet x", "jq \"select(.error) | .host\""}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(c.stages, pipeline_stages(c.command));
        EXPECT_EQ(c.words, split_words(pipeline_stages(c.command)[0]));
    }
}

// Commands are taken from code only (fenced, or indented by four blanks), with
// their continuation lines; prose that starts with "prowlet" is no command.
TEST(DocExamples, CommandsAreReadFromCodeOnly) {
    struct Case {
        std::vector<std::string> lines;
        std::vector<std::string> commands;
    };
    const std::vector<Case> cases = {
        {{"prowlet asks printers.", "    prowlet -c public lp1"}, {"prowlet -c public lp1"}},
        {{"```", "$ prowlet --vendor lp1", "vendor=\"HP\";", "```"}, {"prowlet --vendor lp1"}},
        {{"    prowlet --json lp1 |", "      jq -r '.host'"}, {"prowlet --json lp1 | jq -r '.host'"}},
        {{"    prowlet --vendor \\", "        lp1 lp2", "    prowlet --model lp3"},
         {"prowlet --vendor  lp1 lp2", "prowlet --model lp3"}},
        {{"    cmake --preset release", "    scripts/demo"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.lines));
        std::vector<std::string> found;
        for (const ShownCommand &command : prowlet_commands(c.lines)) found.push_back(command.text);
        EXPECT_EQ(c.commands, found);
    }
}

TEST(DocExamples, PerPrinterStreamsIgnoreInterleaving) {
    std::string p;
    auto a = per_printer("hostname=\"a\";x=\"1\";\nhostname=\"b\";y=\"2\";\nhostname=\"a\";z=\"3\";\n", p);
    auto b = per_printer("hostname=\"b\";y=\"2\";\nhostname=\"a\";x=\"1\";z=\"3\";\n\n", p);
    EXPECT_EQ(a, b);
    EXPECT_EQ("", p);
    auto c = per_printer("hostname=\"a\";z=\"3\";x=\"1\";\nhostname=\"b\";y=\"2\";\n", p);
    EXPECT_NE(a, c);
    per_printer("x=\"1\";\n", p);
    EXPECT_EQ("line without hostname: x=\"1\";", p);
}

TEST(DocExamples, AlertTimesMustBeRecent) {
    std::string p;
    EXPECT_EQ("time=\"*\";", mask_times("time=\"" + std::to_string(std::time(nullptr) - 60) + "\";", true, p));
    EXPECT_EQ("", p);
    mask_times("time=\"12\";", true, p);
    EXPECT_EQ("implausible alert time 12", p);
}

}  // namespace
