// The binary against printers that misbehave: lost, late, doubled, forged,
// cut, oversized and refused replies, walks that go backwards or never end.
// Every run has a healthy printer beside the faulty one; its output must come
// out complete and unchanged, the faulty one must get its defined outcome, and
// no run may hang (each is bounded) or crash.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/fake_agent.h"
#include "tests/support/fault_agent.h"
#include "tests/support/json_lines.h"
#include "tests/support/run_prowlet.h"

namespace {

const char SYSDESCR[] = "1.3.6.1.2.1.1.1.0";
const char SYSCONTACT[] = "1.3.6.1.2.1.1.4.0";
const char SYSLOCATION[] = "1.3.6.1.2.1.1.6.0";
const char HRMEMORYSIZE[] = "1.3.6.1.2.1.25.2.2.0";
const char HRSTORAGE[] = "1.3.6.1.2.1.25.2.3.1";
const char HRSTORAGEDESCR[] = "1.3.6.1.2.1.25.2.3.1.3";
const std::vector<std::string> STORAGE_COLUMNS = {"1.3.6.1.2.1.25.2.3.1.3", "1.3.6.1.2.1.25.2.3.1.4",
                                                  "1.3.6.1.2.1.25.2.3.1.5", "1.3.6.1.2.1.25.2.3.1.6",
                                                  "1.3.6.1.2.1.25.2.3.1.7"};

const char HEALTHY[] = "127.0.2.1";
const char FAULTY[] = "127.0.2.2";
const char STRAY[] = "127.0.9.9";

// What every run asks: a GetRequest (general), a GetRequest (memory) and a
// walk of four GetNext steps (storage, three rows).
const std::vector<std::string> REPORTS = {"--vendor", "--contact", "--memory", "--storage"};

struct StorageRow {
    std::string descr;
    std::int64_t units, size, used;
    std::uint32_t failures;
};

std::vector<StorageRow> storage_rows(int k) {
    return {{"RAM", 1024, 16 + k, 4, 0}, {"Flash", 4096, 2048, 100 + k, 1}, {"Disk " + std::to_string(k), 512, 9000, 77, 2}};
}

// A Lexmark printer whose values carry its number k, so that a mix-up between
// printers shows.
FakeMib printer(int k) {
    FakeMib m;
    m.set(SYSDESCR, fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    m.set(SYSCONTACT, fake_string("Operator " + std::to_string(k)));
    m.set(SYSLOCATION, fake_string("Room " + std::to_string(k)));
    m.set(HRMEMORYSIZE, fake_int(16384 + k));
    const auto rows = storage_rows(k);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string n = "." + std::to_string(i + 1);
        m.set(STORAGE_COLUMNS[0] + n, fake_string(rows[i].descr));
        m.set(STORAGE_COLUMNS[1] + n, fake_int(rows[i].units));
        m.set(STORAGE_COLUMNS[2] + n, fake_int(rows[i].size));
        m.set(STORAGE_COLUMNS[3] + n, fake_int(rows[i].used));
        m.set(STORAGE_COLUMNS[4] + n, fake_counter(rows[i].failures));
    }
    // The object after the table ends the walk.
    m.set("1.3.6.1.2.1.25.3.2.1.1.1", fake_int(1));
    return m;
}

std::string storage_line(const StorageRow &r) {
    return "desc=\"" + r.descr + "\";allocunits=\"" + std::to_string(r.units) + "\";size=\"" +
           std::to_string(r.size) + "\";used=\"" + std::to_string(r.used) + "\";allocfail=\"" +
           std::to_string(r.failures) + "\";";
}

std::string general_part(int k) {
    return "vendor=\"Lexmark\";contact=\"Operator " + std::to_string(k) + "\";location=\"Room " +
           std::to_string(k) + "\";memsize=\"" + std::to_string(16384 + k) + "\";";
}

// Printer k's whole output with its hostname fields and line ends taken out
// (see printer_output); the storage rows come out last row first.
std::string expected_output(int k, std::size_t rows = 3) {
    std::string s = general_part(k);
    const auto all = storage_rows(k);
    for (std::size_t i = rows; i-- > 0;) s += storage_line(all[i]);
    return s;
}

// The pieces of one printer's output, in order, each line's hostname field
// and line end removed: how lines break depends on the other printers, what
// a printer says does not.
std::string printer_output(const std::string &out, const std::string &host) {
    const std::string prefix = "hostname=\"" + host + "\";";
    std::istringstream in(out);
    std::string line, joined;
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) joined += line.substr(prefix.size());
    return joined;
}

// Every output line belongs to one of the printers of the run.
bool every_line_named(const std::string &out) {
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 10, "hostname=\"") != 0) return false;
    return out.empty() || out.back() == '\n';
}

// The lines of standard error that name host (as a whole address).
std::string messages_about(const std::string &err, const std::string &host) {
    const std::regex named("(^|[^0-9.])" + std::regex_replace(host, std::regex("\\."), "\\.") + "($|[^0-9])");
    std::istringstream in(err);
    std::string line, out;
    while (std::getline(in, line))
        if (std::regex_search(line, named)) out += line + "\n";
    return out;
}

std::string without_lines_about(const std::string &err, const std::string &host) {
    const std::string about = messages_about(err, host);
    std::istringstream in(err);
    std::string line, out;
    std::istringstream drop(about);
    std::multiset<std::string> skip;
    while (std::getline(drop, line)) skip.insert(line);
    while (std::getline(in, line)) {
        auto it = skip.find(line);
        if (it != skip.end())
            skip.erase(it);
        else
            out += line + "\n";
    }
    return out;
}

// What a run says about host when all it did was send stray datagrams: the
// first one's line, and at the end how many more came.
bool only_strays(const std::string &about, const std::string &host) {
    const std::string h = std::regex_replace(host, std::regex("\\."), "\\.");
    return std::regex_match(about, std::regex("(Warning: stray packet recieved from " + h +
                                              "\n(Warning: [0-9]+ more stray packets? received from " + h + "\n)?)?"));
}

std::vector<std::string> args(std::vector<std::string> options, const std::vector<std::string> &hosts) {
    options.insert(options.end(), hosts.begin(), hosts.end());
    return options;
}

// A run that ended by itself, not by a signal (run_prowlet gives 128 + its
// number) nor by a sanitizer's report.
void expect_clean_end(const RunResult &r, bool named = true) {
    EXPECT_FALSE(r.timedOut) << "the run hung";
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGKILL})
        EXPECT_NE(r.status, 128 + signal) << "the run crashed: " << r.err;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    if (named) {
        EXPECT_TRUE(every_line_named(r.out)) << r.out;
    }
}

// The healthy printer of a run came out complete and unchanged, and nothing
// was said about it.
void expect_healthy(const RunResult &r) {
    EXPECT_EQ(printer_output(r.out, HEALTHY), expected_output(1));
    EXPECT_EQ(messages_about(r.err, HEALTHY), "");
}

std::unique_ptr<FakeAgent> healthy() { return std::make_unique<FakeAgent>(HEALTHY, 161, fake_mib_handler(printer(1))); }

std::unique_ptr<FakeAgent> faulty(FakeHandler handler) {
    return std::make_unique<FakeAgent>(FAULTY, 161, std::move(handler));
}

FakeHandler with(std::vector<FaultStep> steps, int k = 2) {
    return with_faults(fake_mib_handler(printer(k)), std::move(steps));
}

RunResult run_pair(std::vector<std::string> extra = {}, std::chrono::seconds limit = std::chrono::seconds(120)) {
    std::vector<std::string> options = REPORTS;
    options.insert(options.end(), extra.begin(), extra.end());
    return run_prowlet(args(options, {HEALTHY, FAULTY}), limit);
}

const std::string NO_RESPONSE = "prowlet: No response from 127.0.2.2\n";
const std::string TOO_MANY = "Warning: 127.0.2.2 sent too many replies that cannot be used; no answer from 127.0.2.2 assumed.\n";

// ---- Lost packets ---------------------------------------------------------

TEST(Faults, FirstRequestsLostAreSentAgain) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_drop_first(3, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(counts.requestsDropped.load(), 3);
}

TEST(Faults, SilentPrinterEndsWithNoResponseAfterItsTimeout) {
    auto h = healthy();
    auto f = faulty([](const FakeRequest &) { return FakeAgent::drop(); });
    RunResult r = run_pair({"--timeout", "2"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    EXPECT_EQ(r.err, NO_RESPONSE);
    EXPECT_EQ(r.status, 8);
    // --timeout 2: one resend, so two sends of the first request only.
    EXPECT_EQ(f->requestCount(), 2);
}

// Nothing listens at the address: the kernel answers each datagram with an
// ICMP port-unreachable, which the socket reports on a later send or read.
TEST(Faults, AddressWithNoAgentRefusesEveryDatagram) {
    auto h = healthy();
    RunResult r = run_pair({"--timeout", "4"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    EXPECT_EQ(r.err, NO_RESPONSE);
    EXPECT_EQ(r.status, 8);
}

TEST(Faults, SeededLossOfAThirdStillReportsEverything) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_drop_fraction(0.33, 4242, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(r.status, 0);
    EXPECT_GT(counts.requestsDropped + counts.repliesDropped, 0);
}

// ---- Late, doubled and stray replies ----------------------------------------

TEST(Faults, DelayedRepliesInsideTheWait) {
    auto h = healthy();
    auto f = faulty(with({fault_delay(std::chrono::milliseconds(400))}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Replies later than the wait: each arrives after the resend and answers it
// (the message is the same), and the answer to the resend arrives with nobody
// waiting (a stray packet) or as a reply with an old request id (discarded).
TEST(Faults, RepliesLaterThanTheWait) {
    auto h = healthy();
    auto f = faulty(with({fault_delay(std::chrono::milliseconds(2300))}));
    RunResult r = run_pair({}, std::chrono::seconds(200));
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_TRUE(only_strays(messages_about(r.err, FAULTY), FAULTY)) << r.err;
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, DuplicatedReplies) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_duplicate(3, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    // A copy either meets no waiting request or the next request, whose id it
    // does not carry; both drop it.
    EXPECT_TRUE(only_strays(messages_about(r.err, FAULTY), FAULTY)) << r.err;
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(counts.injected.load(), 12);
}

TEST(Faults, LateReplyToAnEarlierRequestComesFirst) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_late_reply(&counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_TRUE(only_strays(messages_about(r.err, FAULTY), FAULTY)) << r.err;
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(counts.injected.load(), 5);
}

TEST(Faults, WrongRequestIdIsDiscardedAndTheRequestSentAgain) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_wrong_request_id(3, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(counts.injected.load(), 3);
    // Six exchanges, three of them repeated once.
    EXPECT_EQ(f->requestCount(), 9);
}

TEST(Faults, AlwaysWrongRequestIdCountsAsNoAnswer) {
    auto h = healthy();
    auto f = faulty(with({fault_wrong_request_id(-1)}));
    RunResult r = run_pair({"--timeout", "2"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    EXPECT_EQ(r.err, TOO_MANY + NO_RESPONSE);
    EXPECT_EQ(r.status, 8);
    // The first send, one resend for each of the first eight replies
    // discarded, and the second try of --timeout 2 when the first wait ends.
    EXPECT_EQ(f->requestCount(), 10);
}

// A sweep while a spoofer who cannot see the requests sends 20 datagrams
// with other request ids from every printer's address and port before each
// reply: every printer is served in full (such datagrams make the request go
// again a few times, but never end its exchange).
TEST(Faults, SweepUnderSpoofedRequestIdsServesEveryPrinter) {
    constexpr int PRINTERS = 62;  // 127.0.6.0/26
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::vector<std::unique_ptr<FaultCounts>> counts;
    for (int k = 1; k <= PRINTERS; ++k) {
        counts.push_back(std::make_unique<FaultCounts>());
        agents.push_back(std::make_unique<FakeAgent>("127.0.6." + std::to_string(k), 161,
                                                     with({fault_spoofed_ids(20, counts.back().get())}, k)));
    }
    RunResult r = run_prowlet(args(REPORTS, {"127.0.6.0/26"}), std::chrono::seconds(240));
    expect_clean_end(r);
    for (int k = 1; k <= PRINTERS; ++k) {
        const std::string host = "127.0.6." + std::to_string(k);
        EXPECT_EQ(printer_output(r.out, host), expected_output(k)) << host;
        // What the printer's exchange did not need is stray.
        EXPECT_TRUE(only_strays(messages_about(r.err, host), host)) << host << ": " << messages_about(r.err, host);
        EXPECT_GE(counts[static_cast<std::size_t>(k - 1)]->injected.load(), 6 * 20) << host;
        // At most 8 resends per exchange, and at most one extra try each: a
        // reply that found its exchange's queue full of this agent's own junk
        // (each resend brings 21 more datagrams; seen under a loaded ASan run).
        EXPECT_LE(agents[static_cast<std::size_t>(k - 1)]->requestCount(), 6 * (1 + 8 + 1)) << host;
    }
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, StrayCopiesFromAnotherAddressAreDropped) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_stray(STRAY, false, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(messages_about(r.err, FAULTY), "");
    EXPECT_EQ(r.err, "Warning: stray packet recieved from 127.0.9.9\nWarning: 5 more stray packets received from 127.0.9.9\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, PrinterAnsweringFromAnotherAddressGetsNoResponse) {
    auto h = healthy();
    auto f = faulty(with({fault_stray(STRAY, true)}));
    RunResult r = run_pair({"--timeout", "2"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    EXPECT_EQ(messages_about(r.err, FAULTY), NO_RESPONSE);
    EXPECT_EQ(without_lines_about(r.err, FAULTY),
              "Warning: stray packet recieved from 127.0.9.9\nWarning: 1 more stray packet received from 127.0.9.9\n");
    EXPECT_EQ(r.status, 8);
}

// Only datagrams from the port a request went to are replies: copies from
// another port of the printer's address are strays, and a printer that
// answers only from another port does not answer.
TEST(Faults, RepliesFromAnotherPortAreStrays) {
    struct Case {
        bool replace;
        std::string out;
        std::string about;
        int status;
    };
    const std::string first = "Warning: stray packet recieved from 127.0.2.2\n";
    for (const Case &c : {Case{false, expected_output(2), first + "Warning: 5 more stray packets received from 127.0.2.2\n", 0},
                          Case{true, "", first + NO_RESPONSE + "Warning: 1 more stray packet received from 127.0.2.2\n", 8}}) {
        auto h = healthy();
        auto f = faulty(with({fault_other_port(c.replace)}));
        RunResult r = run_pair({"--timeout", "2"});
        expect_clean_end(r);
        expect_healthy(r);
        EXPECT_EQ(printer_output(r.out, FAULTY), c.out);
        EXPECT_EQ(r.err, c.about);
        EXPECT_EQ(r.status, c.status);
    }
}

// A flood of junk before every reply, from 40 other addresses and from the
// printer's own address at another port: one line per address at once, one
// count per address at the end, and the printer is served in full (junk
// from another port never counts against its exchange).
TEST(Faults, FloodOfStraysFromManyAddresses) {
    std::vector<std::string> sources = {""};
    for (int k = 1; k <= 40; ++k) sources.push_back("127.0.9." + std::to_string(k));
    auto h = healthy();
    auto f = faulty(with({fault_flood(sources, 5)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    EXPECT_EQ(r.status, 0);
    // Every first line, then the counts of the rest; at most one of each per address.
    EXPECT_TRUE(std::regex_match(r.err, std::regex("(Warning: stray packet recieved from [0-9.]+\n){41}"
                                                   "(Warning: [0-9]+ more stray packets received from [0-9.]+\n){41}")))
        << r.err;
    for (const std::string &s : sources) {
        const std::string host = s.empty() ? FAULTY : s;
        EXPECT_TRUE(only_strays(messages_about(r.err, host), host)) << host;
    }
}

// ---- Damaged replies ------------------------------------------------------

// One printer per cut: printer k's first reply loses its last k bytes, down to
// an empty datagram, so every length of the reply is met once. Each of them
// is refused cleanly, the request goes out again and the printer is served.
TEST(Faults, FirstReplyTruncatedAtEveryByte) {
    // The first reply (sysDescr, sysContact, sysLocation under "quorum") is
    // 118 to 121 bytes long, depending on the request id's length.
    constexpr int CUTS = 121;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::vector<std::string> hosts = {HEALTHY};
    agents.push_back(healthy());
    FaultCounts counts;
    for (int k = 1; k <= CUTS; ++k) {
        const std::string host = "127.0.3." + std::to_string(k);
        // Cutting more than the reply has leaves an empty datagram.
        FaultStep cut = [k, &counts](const FakeRequest &req, std::vector<FakeSend> out) {
            if (req.number != 0) return out;
            for (FakeSend &s : out) {
                s.bytes.resize(s.bytes.size() > static_cast<std::size_t>(k) ? s.bytes.size() - k : 0);
                ++counts.injected;
            }
            return out;
        };
        agents.push_back(std::make_unique<FakeAgent>(host, 161, with({cut}, 100 + k)));
        hosts.push_back(host);
    }
    RunResult r = run_prowlet(args(REPORTS, hosts), std::chrono::seconds(200));
    expect_clean_end(r);
    expect_healthy(r);
    const std::regex refused("Warning: 127\\.0\\.3\\.[0-9]+ sent a reply that cannot be used \\(undecodable: [^\n]+\\); "
                             "request sent again\\.\n");
    for (int k = 1; k <= CUTS; ++k) {
        const std::string host = "127.0.3." + std::to_string(k);
        EXPECT_EQ(printer_output(r.out, host), expected_output(100 + k)) << host;
        const std::string about = messages_about(r.err, host);
        EXPECT_TRUE(std::regex_match(about, refused)) << host << ": " << about;
    }
    EXPECT_EQ(counts.injected.load(), CUTS);
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, EveryReplyTruncatedCountsAsNoAnswer) {
    auto h = healthy();
    auto f = faulty(with({fault_truncate(40, -1)}));
    RunResult r = run_pair({"--timeout", "2"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    const std::string about = messages_about(r.err, FAULTY);
    const std::regex expected("(Warning: 127\\.0\\.2\\.2 sent a reply that cannot be used \\(undecodable: [^\n]+\\); "
                              "request sent again\\.\n){8}" +
                              std::regex_replace(TOO_MANY, std::regex("[.()]"), "\\$&") + "prowlet: No response from 127\\.0\\.2\\.2\n");
    EXPECT_TRUE(std::regex_match(about, expected)) << about;
    EXPECT_EQ(r.status, 8);
}

TEST(Faults, OversizedFirstReplyIsRefusedThenServed) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(with({fault_oversize(12000, 1, &counts)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2));
    const std::regex refused("Warning: 127\\.0\\.2\\.2 sent a reply that cannot be used \\(undecodable: [^\n]+\\); "
                             "request sent again\\.\n");
    const std::string about = messages_about(r.err, FAULTY);
    EXPECT_TRUE(std::regex_match(about, refused)) << about;
    EXPECT_EQ(counts.injected.load(), 1);
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, OversizedRepliesAlwaysCountAsNoAnswer) {
    auto h = healthy();
    auto f = faulty(with({fault_oversize(10241, -1)}));
    RunResult r = run_pair({"--timeout", "2"});
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    const std::string about = messages_about(r.err, FAULTY);
    EXPECT_EQ(about.substr(about.size() - TOO_MANY.size() - NO_RESPONSE.size()), TOO_MANY + NO_RESPONSE);
    EXPECT_EQ(r.status, 8);
}

// Gauge (0x42), Opaque (0x44) and Counter64 (0x46, not SNMPv1 at all): the
// value model refuses them, so the reply carrying one cannot be used.
TEST(Faults, ValueTypesTheDecoderRefuses) {
    struct Case {
        const char *host;
        FakeBytes value;
    };
    const std::vector<Case> cases = {{"127.0.2.3", fake_gauge(65536)},
                                     {"127.0.2.4", fake_opaque({0x9f, 0x78, 0x04, 0, 0, 0, 0})},
                                     {"127.0.2.5", fake_counter64(0x100000000ull)}};
    auto h = healthy();
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::vector<std::string> hosts = {HEALTHY};
    for (const Case &c : cases) {
        FakeMib mib = printer(3);
        mib.set(HRMEMORYSIZE, c.value);
        agents.push_back(std::make_unique<FakeAgent>(c.host, 161, fake_mib_handler(mib)));
        hosts.push_back(c.host);
    }
    std::vector<std::string> options = REPORTS;
    options.insert(options.end(), {"--timeout", "2"});
    RunResult r = run_prowlet(args(options, hosts));
    expect_clean_end(r);
    expect_healthy(r);
    for (const Case &c : cases) {
        const std::string host = c.host;
        // The general report is printed; the memory request gets no usable answer.
        EXPECT_EQ(printer_output(r.out, host), general_part(3).substr(0, general_part(3).find("memsize"))) << host;
        const std::string about = messages_about(r.err, host);
        const std::string tooMany = "Warning: " + host + " sent too many replies that cannot be used; no answer from " +
                                    host + " assumed.\n";
        const std::regex expected("(Warning: " + std::regex_replace(host, std::regex("\\."), "\\.") +
                                  " sent a reply that cannot be used \\(undecodable: [^\n]+\\); request sent again\\.\n){8}" +
                                  std::regex_replace(tooMany, std::regex("[.()]"), "\\$&") + "prowlet: No response from " +
                                  std::regex_replace(host, std::regex("\\."), "\\.") + "\n");
        EXPECT_TRUE(std::regex_match(about, expected)) << about;
    }
    EXPECT_EQ(r.status, 8);
}

// ---- Refusals that name no binding ------------------------------------------

TEST(Faults, ErrorIndexZeroOnTheWalk) {
    auto h = healthy();
    auto f = faulty(with({fault_error_status(HRSTORAGE, 5, 0)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), general_part(2));
    EXPECT_EQ(r.err, "Warning: 127.0.2.2 refused the storage walk (at \"\"); 0 rows read.\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, ErrorIndexPastTheListOnTheGeneralRequest) {
    auto h = healthy();
    auto f = faulty(with({fault_error_status("1.3.6.1.2.1.1.", 2, 7)}));
    RunResult r = run_pair();
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "");
    EXPECT_EQ(r.err,
              "debug: Bad things from 127.0.2.2\n"
              "Warning: 127.0.2.2 refused the general request (at \"\"). Skipping.\n");
    EXPECT_EQ(r.status, 253);
}

// ---- Walks that do not move on ----------------------------------------------

TEST(Faults, GetNextAnsweredWithTheSameOidStopsTheWalk) {
    FaultCounts counts;
    auto h = healthy();
    auto f = faulty(fault_walk_handler(printer(2), HRSTORAGEDESCR, 2, WalkFault::SameOid, &counts));
    RunResult r = run_pair({}, std::chrono::seconds(60));
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2, 2));
    EXPECT_EQ(r.err,
              "Warning: 127.0.2.2 returned an OID that does not increase (1.3.6.1.2.1.25.2.3.1.3.2); table walk "
              "stopped.\n");
    EXPECT_EQ(counts.injected.load(), 1);
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, GetNextAnsweredWithASmallerOidStopsTheWalk) {
    auto h = healthy();
    auto f = faulty(fault_walk_handler(printer(2), HRSTORAGEDESCR, 3, WalkFault::SmallerOid));
    RunResult r = run_pair({}, std::chrono::seconds(60));
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), expected_output(2, 3));
    EXPECT_EQ(r.err,
              "Warning: 127.0.2.2 returned an OID that does not increase (1.3.6.1.2.1.25.2.3.1.3.1); table walk "
              "stopped.\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Faults, EndlessTableIsCutOff) {
    std::atomic<std::uint64_t> rows{0};
    auto h = healthy();
    auto f = faulty(fault_endless_table(printer(2), STORAGE_COLUMNS, [](std::size_t column, std::uint32_t row) {
        return column == 0 ? fake_string("Slice " + std::to_string(row)) : column == 4 ? fake_counter(row) : fake_int(row);
    }, &rows));
    RunResult r = run_pair({}, std::chrono::seconds(120));
    expect_clean_end(r);
    expect_healthy(r);
    EXPECT_EQ(r.err, "Warning: 127.0.2.2 sent a table that does not end; walk stopped after 10000 rows.\n");
    // The rows read are still printed, last row first.
    const std::string out = printer_output(r.out, FAULTY);
    EXPECT_EQ(out.substr(0, general_part(2).size()), general_part(2));
    EXPECT_NE(out.find("desc=\"Slice 10000\";allocunits=\"10000\";size=\"10000\";used=\"10000\";allocfail=\"10000\";desc=\"Slice 9999\";"),
              std::string::npos);
    EXPECT_EQ(rows.load(), 10000u);
    EXPECT_EQ(r.status, 0);
}

// ---- Many printers, lossy network -------------------------------------------

// A hundred printers behind a network that loses a fifth of the packets in
// each direction (seeded per printer), default time-out: every printer is
// reported in full, nothing is reported twice or mixed up.
TEST(Faults, HundredPrintersWithOneFifthOfPacketsLost) {
    constexpr int PRINTERS = 100;
    std::vector<std::unique_ptr<FaultCounts>> counts;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::vector<std::string> hosts;
    for (int k = 1; k <= PRINTERS; ++k) {
        const std::string host = "127.0.5." + std::to_string(k);
        counts.push_back(std::make_unique<FaultCounts>());
        agents.push_back(std::make_unique<FakeAgent>(
            host, 161, with({fault_drop_fraction(0.2, 1000u + static_cast<std::uint32_t>(k), counts.back().get())}, k)));
        hosts.push_back(host);
    }
    RunResult r = run_prowlet(args(REPORTS, hosts), std::chrono::seconds(280));
    expect_clean_end(r);
    int requests = 0, requestsLost = 0, repliesLost = 0;
    for (int k = 1; k <= PRINTERS; ++k) {
        const std::string host = hosts[static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(printer_output(r.out, host), expected_output(k)) << host;
        const FaultCounts &c = *counts[static_cast<std::size_t>(k - 1)];
        requests += c.requests;
        requestsLost += c.requestsDropped;
        repliesLost += c.repliesDropped;
    }
    const int lost = requestsLost + repliesLost;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    // Six exchanges per printer; every lost packet costs one resend.
    EXPECT_EQ(requests, 6 * PRINTERS + lost);
    EXPECT_GT(lost, 6 * PRINTERS / 5);
    // The figures quoted in docs/reliability.md.
    std::printf("100 printers: %d requests sent, %d packets lost (%d requests, %d replies)\n", requests, lost,
                requestsLost, repliesLost);
    RecordProperty("requests", requests);
    RecordProperty("lost", lost);
}

// ---- Printer text inside fields -----------------------------------------------

// Quotes, backslashes, line ends and control bytes from a printer cannot forge
// fields or lines: they are escaped in every field that carries printer text.
TEST(Faults, ForgedTextCannotBreakOutOfItsField) {
    // Also C1 controls (CSI, OSC) in UTF-8 and raw, which a terminal would
    // act on, beside characters whose continuation bytes are 0x80-0x9F.
    const std::string forged = "x\";vendor=\"HP\";\nhostname=\"127.0.2.1\";memsize=\"1\";\\\x01\x7f\xc3\xa9"
                               "\xc2\x9b" "2J\x9b" "31m\xc2\x9d" "0;t\x07\xc5\x9b\xe6\x97\xa5";
    const std::string escaped = "x\\\";vendor=\\\"HP\\\";\\nhostname=\\\"127.0.2.1\\\";memsize=\\\"1\\\";\\\\\\x01\\x7f\xc3\xa9"
                                "\\xc2\\x9b2J\\x9b31m\\xc2\\x9d0;t\\x07\xc5\x9b\xe6\x97\xa5";
    FakeMib mib = printer(2);
    mib.set(SYSDESCR, fake_string("Lexmark " + forged + "  kernel"));
    mib.set(SYSCONTACT, fake_string("C" + forged));
    mib.set(SYSLOCATION, fake_string("L" + forged));
    mib.set(std::string(HRSTORAGEDESCR) + ".2", fake_string("D" + forged));
    auto h = healthy();
    auto f = faulty(fake_mib_handler(mib));
    RunResult r = run_pair({"--model"});
    expect_clean_end(r);
    const std::string vendor = "vendor=\"Lexmark\";";
    EXPECT_EQ(printer_output(r.out, HEALTHY),
              vendor + "model=\"Optra S 1855 version 1.0\";" + expected_output(1).substr(vendor.size()));
    const auto rows = storage_rows(2);
    EXPECT_EQ(printer_output(r.out, FAULTY),
              "vendor=\"Lexmark\";model=\"" + escaped + "\";contact=\"C" + escaped + "\";location=\"L" + escaped +
                  "\";memsize=\"16386\";" + storage_line(rows[2]) + "desc=\"D" + escaped +
                  storage_line(rows[1]).substr(storage_line(rows[1]).find("\";allocunits")) + storage_line(rows[0]));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Printer text quoted in messages is escaped the same way, C1 controls
// included: an unknown vendor's description, an HP identification string.
TEST(Faults, PrinterTextInMessagesIsEscaped) {
    struct Case {
        std::string descr, hpId, out, err;
        int status;
    };
    const std::string c1 = "\xc2\x9b" "2J\x9b" "31m\xc2\x9d" "0;t\x07 \xc5\x9b";
    const std::string c1Escaped = "\\xc2\\x9b2J\\x9b31m\\xc2\\x9d0;t\\x07 \xc5\x9b";
    const Case cases[] = {
        {"Evil " + c1, "", "",
         "Warning: 127.0.2.2: unknown printer vendor. Describes itself as \"Evil " + c1Escaped + "\"\n" +
             UNKNOWN_VENDOR_NOTE,
         11},
        {"JETDIRECT EX", "MFG:HP;" + c1 + ";", "vendor=\"HP\";\n",
         "127.0.2.2: Can't find \"MODEL:\" or \"MDL:\" in \"MFG:HP;" + c1Escaped + ";\"\n", 253},
    };
    for (const Case &c : cases) {
        FakeMib mib = printer(2);
        mib.set(SYSDESCR, fake_string(c.descr));
        if (!c.hpId.empty()) mib.set("1.3.6.1.4.1.11.2.3.9.1.1.7.0", fake_string(c.hpId));
        auto f = faulty(fake_mib_handler(mib));
        RunResult r = run_prowlet({"--vendor", "--model", FAULTY}, std::chrono::seconds(60));
        expect_clean_end(r, false);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.status);
    }
}

// A Printer MIB line longer than 511 characters is cut between escape
// sequences, and the value it cuts is closed: 254 backslashes in a supply's
// description do not leave a lone backslash that runs into the next line.
TEST(Faults, CutLineEndsOutsideAnEscape) {
    FakeMib mib = printer(2);
    const std::string supply = "1.3.6.1.2.1.43.11.1.1.";
    for (const std::string row : {".1.1", ".1.2"}) {
        mib.set(supply + "4" + row, fake_int(3));
        mib.set(supply + "5" + row, fake_int(3));
        mib.set(supply + "6" + row, fake_string(std::string(254, '\\')));
        mib.set(supply + "7" + row, fake_int(13));
        mib.set(supply + "8" + row, fake_int(8000));
        mib.set(supply + "9" + row, fake_int(4000));
    }
    mib.set(supply + "6.1.2", fake_string(std::string(233, '\\') + "ab\xc2\x9b"));
    auto f = faulty(fake_mib_handler(mib));
    RunResult r = run_prowlet({"--supplies", FAULTY}, std::chrono::seconds(60));
    expect_clean_end(r, false);
    const std::string fragments = "type=\"toner\";supplyunit=\"tenthsOfGrams\";\n";
    const std::string line = "class=\"supplyThatIsConsumed\";desc=\"";
    // At most 511 characters with the line end: the first row's value ends
    // after a whole "\\\\" pair, the second's before its C1 escape (eight
    // characters, five would be left).
    EXPECT_EQ(r.out, fragments + line + std::string(472, '\\') + "\";\n" + fragments + line +
                         std::string(466, '\\') + "ab\";\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// The same through a Printer MIB table: a supply's description.
TEST(Faults, ForgedSupplyDescriptionStaysInItsField) {
    const std::string forged = "T\";level=\"100\";\nhostname=\"127.0.2.1\";\\\x1b[2J";
    const std::string escaped = "T\\\";level=\\\"100\\\";\\nhostname=\\\"127.0.2.1\\\";\\\\\\x1b[2J";
    FakeMib mib = printer(2);
    const std::string supply = "1.3.6.1.2.1.43.11.1.1.";
    mib.set(supply + "4.1.1", fake_int(3));
    mib.set(supply + "5.1.1", fake_int(3));
    mib.set(supply + "6.1.1", fake_string(forged));
    mib.set(supply + "7.1.1", fake_int(13));
    mib.set(supply + "8.1.1", fake_int(8000));
    mib.set(supply + "9.1.1", fake_int(4000));
    auto f = faulty(fake_mib_handler(mib));
    RunResult r = run_prowlet({"--supplies", FAULTY}, std::chrono::seconds(60));
    expect_clean_end(r, false);
    EXPECT_EQ(r.out, "type=\"toner\";supplyunit=\"tenthsOfGrams\";\nclass=\"supplyThatIsConsumed\";desc=\"" + escaped +
                         "\";maxcap=\"8000\";level=\"4000\";\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// The same hostile text with --json, beside a 254-byte string of bytes that
// are not UTF-8: every line is valid JSON (checked by Python's parser), and
// each text arrives whole in its own field, invalid bytes as the Latin-1
// characters of their values.
TEST(Faults, HostileTextGivesValidJson) {
    const std::string hostile = "x\";\n\\\x01\x1f\x7f \xc3\xa9 \xe9 \xc0\xaf \xed\xa0\x80 \xe2\x82 \xc2\x9b";
    // As json_lines.py shows a value: the classic escapes over the UTF-8 text
    // (invalid bytes 0x80-0x9F become C1 controls, which are escaped).
    const std::string shown = "x\\\";\\n\\\\\\x01\\x1f\\x7f \xc3\xa9 \xc3\xa9 \xc3\x80\xc2\xaf \xc3\xad\xc2\xa0\\xc2\\x80 "
                              "\xc3\xa2\\xc2\\x82 \\xc2\\x9b";
    std::string longShown;
    for (int i = 0; i < 254; ++i) longShown += "\xc3\xbf";
    FakeMib mib = printer(2);
    mib.set(SYSCONTACT, fake_string(hostile));
    mib.set(SYSLOCATION, fake_string(std::string(254, '\xff')));
    mib.set(std::string(HRSTORAGEDESCR) + ".2", fake_string(hostile));
    auto h = healthy();
    auto f = faulty(fake_mib_handler(mib));
    RunResult r = run_pair({"--json"});
    expect_clean_end(r, false);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    const JsonLines parsed = read_json_lines(r.out);
    ASSERT_EQ("", parsed.problem);
    EXPECT_EQ((std::map<std::string, int>{{HEALTHY, 0}, {FAULTY, 0}}), parsed.exitStatus);
    const FieldSet &fields = parsed.fields.at(FAULTY);
    EXPECT_TRUE(fields.count({"contact", shown})) << testing::PrintToString(fields);
    EXPECT_TRUE(fields.count({"location", longShown}));
    EXPECT_TRUE(fields.count({"desc", shown}));
    // No C1 control reaches the terminal as its UTF-8 bytes.
    for (unsigned char c = 0x80; c <= 0x9f; ++c)
        EXPECT_EQ(r.out.find(std::string("\xc2") + static_cast<char>(c)), std::string::npos) << int(c);
}

// ---- Packet log -----------------------------------------------------------

// A symlink planted under the first log name is never written through, and a
// file under the next name is never overwritten: the log takes the next free
// number, readable by its owner only, and says so.
TEST(Faults, PacketLogIsNotWrittenThroughAPlantedSymlink) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("prowlet-log-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path victim = dir / "victim";
    std::ofstream(victim) << "precious\n";
    fs::create_symlink(victim, dir / "snmplog.0");
    fs::create_symlink(dir / "nowhere", dir / "snmplog.1");  // dangling: O_CREAT would follow it
    std::ofstream(dir / "snmplog.2") << "earlier run\n";
    // A directory every user may write to, such as /tmp.
    fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
    auto h = healthy();
    auto f = faulty(fake_mib_handler(printer(2)));
    RunResult r = run_prowlet({"--debugsnmp", "--vendor", HEALTHY, FAULTY}, std::chrono::seconds(60), dir.string());
    expect_clean_end(r);
    EXPECT_EQ(printer_output(r.out, FAULTY), "vendor=\"Lexmark\";");
    // One line per printer names its log; the last target gets the first free number.
    EXPECT_EQ(messages_about(r.err, FAULTY), "Note: packets of 127.0.2.2 are logged in snmplog.3\n");
    EXPECT_EQ(messages_about(r.err, HEALTHY), "Note: packets of 127.0.2.1 are logged in snmplog.4\n");
    EXPECT_EQ(without_lines_about(without_lines_about(r.err, FAULTY), HEALTHY), "");
    EXPECT_EQ(r.status, 0);
    // The logs hold the community in clear: for their owner only.
    for (const char *log : {"snmplog.3", "snmplog.4"})
        EXPECT_EQ(fs::status(dir / log).permissions() & (fs::perms::group_all | fs::perms::others_all),
                  fs::perms::none)
            << log;
    auto read = [](const fs::path &p) {
        std::ifstream in(p);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    EXPECT_EQ(read(victim), "precious\n");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_TRUE(fs::is_symlink(dir / "snmplog.0"));
    EXPECT_TRUE(fs::is_symlink(dir / "snmplog.1"));
    EXPECT_EQ(read(dir / "snmplog.2"), "earlier run\n");
    const std::string log = read(dir / "snmplog.3");
    EXPECT_EQ(log.substr(0, 28), "Contacting 127.0.2.2\nSent\n( ");
    EXPECT_NE(log.find("Received\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "snmplog.5"));
    fs::remove_all(dir);
}

// ---- Request ids ------------------------------------------------------------

// Request ids come from the system's random source, each drawn afresh: two
// runs do not start from the same id (an unseeded random() always would),
// and one run never repeats one.
TEST(Faults, RequestIdsDifferBetweenRuns) {
    auto f = faulty(fake_mib_handler(printer(2)));
    std::vector<std::int64_t> firstIds;
    std::set<std::int64_t> seen;
    int total = 0;
    for (int run = 0; run < 3; ++run) {
        const int before = f->requestCount();
        RunResult r = run_prowlet(args(REPORTS, {FAULTY}), std::chrono::seconds(60));
        expect_clean_end(r, false);
        EXPECT_EQ(r.status, 0);
        const auto reqs = f->requests();
        ASSERT_EQ(reqs.size(), static_cast<std::size_t>(before + 6));
        firstIds.push_back(reqs[static_cast<std::size_t>(before)].requestId);
        for (std::size_t i = static_cast<std::size_t>(before); i < reqs.size(); ++i) {
            EXPECT_GE(reqs[i].requestId, 0);
            seen.insert(reqs[i].requestId);
            ++total;
        }
    }
    EXPECT_NE(firstIds[0], firstIds[1]);
    EXPECT_NE(firstIds[1], firstIds[2]);
    EXPECT_NE(firstIds[0], firstIds[2]);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(total));
}

}  // namespace
