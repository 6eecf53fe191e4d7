// The usage examples of README.md, run against the demo's simulated printers.
// The examples are read from README.md itself, so README and behaviour cannot drift.
//
// An example is a fenced block after a line "<!-- example -->" (optionally
// "<!-- example exit=N -->" and/or "unordered"). Its first line is "$ COMMAND",
// the rest is standard output. A fenced block after "<!-- example-stderr -->"
// right behind it is the expected standard error (otherwise none is expected).
// COMMAND is "prowlet ARGS" or "scripts/demo [OPTIONS]" (the demo's run:
// prowlet -c demo OPTIONS 127.0.1.1-5); a prowlet command with a "|" is a
// pipeline run by sh with the built prowlet first on the PATH. The block after
// "<!-- packetlog -->" is a run with --debugsnmp as a terminal shows it (the
// note naming the log on standard error, then standard output), "$ cat
// snmplog.0" and the log it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "frontend/options.h"
#include "tests/support/agents.h"
#include "tests/support/json_lines.h"
#include "tests/support/run_prowlet.h"

namespace {

struct Example {
    int line = 0;  // line of the marker in README.md
    std::string command;
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int status = 0;
    bool unordered = false;
    bool pipeline = false;
};

std::vector<std::string> read_lines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// Splits a command line as the shell would for the simple forms used in the
// README: blanks separate words, '...' quotes text literally.
std::vector<std::string> split_words(const std::string &text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (quoted) {
            if (c == '\'')
                quoted = false;
            else
                word += c;
        } else if (c == '\'') {
            quoted = inWord = true;
        } else if (c == ' ') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// The fenced block starting at or after lines[i]; i ends after the block.
bool read_block(const std::vector<std::string> &lines, std::size_t &i, std::vector<std::string> &block,
                std::string &error) {
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i >= lines.size() || lines[i].rfind("```", 0) != 0) {
        error = "no fenced block after the marker";
        return false;
    }
    for (++i; i < lines.size(); ++i) {
        if (lines[i] == "```") {
            ++i;
            return true;
        }
        block.push_back(lines[i]);
    }
    error = "fenced block does not end";
    return false;
}

const std::vector<std::string> kDemoOptions = {"--vendor", "--model", "--contact", "--pagecount",
                                               "--supplies", "--inputtray", "--alerts"};

std::vector<Example> parse_readme(std::vector<std::string> &problems) {
    const std::vector<std::string> lines = read_lines(std::string(PROWLET_SOURCE_DIR) + "/README.md");
    const std::regex marker(R"(^<!-- example((?: exit=\d+| unordered)*) -->$)");
    std::vector<Example> examples;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (lines[i].rfind("<!-- example", 0) == 0 && lines[i].rfind("<!-- example-stderr", 0) != 0 &&
            !std::regex_match(lines[i], m, marker)) {
            problems.push_back("line " + std::to_string(i + 1) + ": malformed marker");
            continue;
        }
        if (!std::regex_match(lines[i], m, marker)) continue;
        Example ex;
        ex.line = static_cast<int>(i + 1);
        std::string attrs = m[1];
        std::smatch a;
        if (std::regex_search(attrs, a, std::regex(R"(exit=(\d+))"))) ex.status = std::stoi(a[1]);
        ex.unordered = attrs.find("unordered") != std::string::npos;
        std::vector<std::string> block;
        std::string error;
        std::size_t j = i + 1;
        if (!read_block(lines, j, block, error) || block.empty() || block[0].rfind("$ ", 0) != 0) {
            problems.push_back("line " + std::to_string(ex.line) + ": " +
                               (error.empty() ? "block does not start with \"$ \"" : error));
            continue;
        }
        ex.command = block[0].substr(2);
        std::vector<std::string> words = split_words(ex.command);
        if (!words.empty() && words[0] == "prowlet" && ex.command.find(" | ") != std::string::npos) {
            ex.pipeline = true;
        } else if (!words.empty() && words[0] == "prowlet") {
            ex.args.assign(words.begin() + 1, words.end());
        } else if (!words.empty() && words[0] == "scripts/demo") {
            ex.args = {"-c", "demo"};
            if (words.size() == 1)
                ex.args.insert(ex.args.end(), kDemoOptions.begin(), kDemoOptions.end());
            else
                ex.args.insert(ex.args.end(), words.begin() + 1, words.end());
            ex.args.push_back("127.0.1.1-5");
        } else {
            problems.push_back("line " + std::to_string(ex.line) + ": unknown command " + ex.command);
            continue;
        }
        for (std::size_t k = 1; k < block.size(); ++k) ex.out += block[k] + "\n";
        // An optional stderr block follows.
        std::size_t k = j;
        while (k < lines.size() && lines[k].empty()) ++k;
        if (k < lines.size() && lines[k] == "<!-- example-stderr -->") {
            std::vector<std::string> errBlock;
            ++k;
            if (!read_block(lines, k, errBlock, error)) {
                problems.push_back("line " + std::to_string(k) + ": " + error);
                continue;
            }
            for (const auto &l : errBlock) ex.err += l + "\n";
        }
        examples.push_back(ex);
        i = j - 1;
    }
    return examples;
}

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

class DemoPrinters : public testing::Environment {
 public:
    void SetUp() override {
        // The demo's printers: the same recordings at the same addresses, community "demo".
        printers = std::make_unique<SimulatedPrinters>(
            std::vector<PrinterRecording>{
                {"127.0.1.1", project_recording("hp-laserjet-4000.snmprec")},
                {"127.0.1.2", project_recording("hp-color-laserjet-4500.snmprec")},
                {"127.0.1.3", project_recording("lexmark-optra-s1855.snmprec")},
                {"127.0.1.4", project_recording("tektronix-phaser-850.snmprec")},
                {"127.0.1.5", project_recording("xerox-docuprint-n32.snmprec")},
            },
            "demo");
        // The Lexmark once more, over SNMPv3 only, for the user of the examples.
        secure = std::make_unique<SimulatedV3Printers>(
            std::vector<PrinterRecording>{{"127.0.2.3", project_recording("lexmark-optra-s1855.snmprec")}},
            std::vector<V3User>{{"admin", "SHA-256", "AES", "demo-auth-pass", "demo-priv-pass"}});
    }
    void TearDown() override {
        secure.reset();
        printers.reset();
    }
};

testing::Environment *const demoPrinters = testing::AddGlobalTestEnvironment(std::make_unique<DemoPrinters>().release());

TEST(ReadmeExamples, AllMarkersParse) {
    std::vector<std::string> problems;
    std::vector<Example> examples = parse_readme(problems);
    EXPECT_TRUE(problems.empty()) << testing::PrintToString(problems);
    // The README shows examples of reports, errors and several printers.
    EXPECT_GE(examples.size(), 10u);
}

TEST(ReadmeExamples, OutputAsShown) {
    std::vector<std::string> problems;
    std::vector<Example> examples = parse_readme(problems);
    ASSERT_FALSE(examples.empty());
    for (const Example &ex : examples) {
        SCOPED_TRACE("README.md line " + std::to_string(ex.line) + ": " + ex.command);
        const std::string binDir = std::string(PROWLET_BINARY).substr(0, std::string(PROWLET_BINARY).rfind('/'));
        RunResult r = ex.pipeline ? run_program("/bin/sh", {"-c", "PATH=" + binDir + ":$PATH; " + ex.command})
                                  : run_prowlet(ex.args, std::chrono::seconds(120));
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
}

// The demo's printers with every report: the classic run's warnings each name
// their printer, and the --json run agrees with it field for field (every
// line a valid JSON object, one per printer, nothing on standard error).
TEST(ReadmeExamples, JsonAgreesWithTheClassicRun) {
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

TEST(ReadmeExamples, PacketLogAsShown) {
    const std::vector<std::string> lines = read_lines(std::string(PROWLET_SOURCE_DIR) + "/README.md");
    auto at = std::find(lines.begin(), lines.end(), "<!-- packetlog -->");
    ASSERT_NE(lines.end(), at) << "README.md shows no packet log";
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

    TempDir dir("readme-log");
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
    for (const FlagOption &option : flag_options()) program[option.name] = {option.word, option.bit};
    return program;
}

// The README's option table gives each flag option's word and bit: they must
// be those of the program's option table, and no option may be missing.
TEST(ReadmeExamples, OptionBitsAsInTheProgram) {
    OptionBits program = program_option_bits();
    ASSERT_GE(program.size(), 50u);

    // | `--a`, `--b` | W, 0x.. 0x.. | ... |: the n-th option takes the n-th bit.
    std::map<std::string, std::pair<int, unsigned long>> readme;
    static const std::regex row(R"(^\| (`--[^|]*) \| (\d), (0x[0-9a-f]+(?: 0x[0-9a-f]+)*) \|)");
    static const std::regex name(R"(`--([a-z0-9]+)[^`]*`)");
    for (const std::string &line : read_lines(std::string(PROWLET_SOURCE_DIR) + "/README.md")) {
        std::smatch m;
        if (!std::regex_search(line, m, row)) continue;
        std::string names = m[1];
        std::istringstream bits(m[3].str());
        for (std::sregex_iterator it(names.begin(), names.end(), name), end; it != end; ++it) {
            std::string bit;
            ASSERT_TRUE(bits >> bit) << line;
            readme[(*it)[1]] = {std::stoi(m[2]), std::stoul(bit, nullptr, 16)};
        }
    }
    EXPECT_EQ(program, readme);
}

// The manual page gives them too: "(W, 0x.., 0x..)" under each option's tag.
TEST(ReadmeExamples, ManualPageOptionBitsAsInTheProgram) {
    OptionBits program = program_option_bits();
    ASSERT_GE(program.size(), 50u);
    const std::vector<std::string> lines = read_lines(std::string(PROWLET_SOURCE_DIR) + "/docs/prowlet.1");
    static const std::regex name(R"(\\-\\-([a-z0-9]+))");
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
            manual[(*it)[1]] = {std::stoi(m[1]), std::stoul(bit, nullptr, 16)};
        }
    }
    EXPECT_EQ(program, manual);
}

// The parser itself: a marker without a block, a block without "$ " and an
// unknown command are reported, not skipped silently.
TEST(ReadmeExamples, WordsSplitLikeTheShell) {
    EXPECT_EQ((std::vector<std::string>{"-c", "demo", "(public)", "a b"}),
              split_words("-c  demo '(public)' 'a b'"));
    EXPECT_EQ((std::vector<std::string>{""}), split_words("''"));
}

TEST(ReadmeExamples, PerPrinterStreamsIgnoreInterleaving) {
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

TEST(ReadmeExamples, AlertTimesMustBeRecent) {
    std::string p;
    EXPECT_EQ("time=\"*\";", mask_times("time=\"" + std::to_string(std::time(nullptr) - 60) + "\";", true, p));
    EXPECT_EQ("", p);
    mask_times("time=\"12\";", true, p);
    EXPECT_EQ("implausible alert time 12", p);
}

}  // namespace
