// SNMPv3 against hostile peers, end to end: a relay that answers for another
// printer (-e, --known-engines), Reports forged beside the printer's answers,
// and a --secrets path that is a FIFO. Scripted agents on loopback only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "snmp/v3message.h"
#include "tests/support/fake_agent.h"
#include "tests/support/fake_usm.h"
#include "tests/support/run_prowlet.h"

namespace {

const char PRINTER[] = "127.0.7.1";
const char SYSDESCR[] = "1.3.6.1.2.1.1.1.0";
const char SYSCONTACT[] = "1.3.6.1.2.1.1.4.0";
const char SYSLOCATION[] = "1.3.6.1.2.1.1.6.0";
const std::vector<unsigned char> OTHER_ENGINE = {0x80, 0x00, 0x1f, 0x88, 0x04, 'o', 't', 'h', 'e', 'r'};
const FakeUsmUser USER{"admin", UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128, "maplesyrup", "privpassphrase"};
const std::vector<std::string> V3 = {"-v", "3", "-u", "admin", "-a", "SHA-256", "-A", "maplesyrup",
                                     "-x", "AES", "-X", "privpassphrase", "--timeout", "2"};
const std::string PINNED = "0x80001f880466616b65";  // fake_engine_id()

FakeMib printer(const std::string &room) {
    FakeMib m;
    m.set(SYSDESCR, fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    m.set(SYSCONTACT, fake_string("Operator"));
    m.set(SYSLOCATION, fake_string(room));
    return m;
}

RunResult prowlet(std::vector<std::string> extra, const std::vector<std::string> &reports) {
    std::vector<std::string> args = V3;
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), reports.begin(), reports.end());
    args.push_back(PRINTER);
    return run_prowlet(args, std::chrono::seconds(60));
}

std::string refused(const std::string &source) {
    return "prowlet: 127.0.7.1 answered as SNMPv3 engine 0x80001f88046f74686572, not as " + PINNED + " (" + source +
           "); another device may be answering for it, so nothing is sent\n";
}

// A directory of its own for files a run reads or writes.
struct TempDir {
    TempDir() {
        char tmpl[] = "/tmp/prowlet-v3trust.XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf " + path).c_str()); }
    std::string read(const std::string &name) const {
        std::ifstream in(path + "/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string path;
};

// At the printer's address a relay answers with another printer's engine
// (and passes what it is sent on to that printer, whose agent stands
// behind it here). With the engine ID given, or recorded at first contact,
// the set meant for the printer never reaches the other one.
TEST(Relay, ASetNeverReachesAnotherPrinterOnceTheEngineIsKnown) {
    TempDir dir;
    const std::string known = dir.path + "/known-engines";
    FakeUsm genuine(USER, fake_v2_mib_handler(printer("Room 1")));
    FakeUsm other(USER, fake_v2_mib_handler(printer("Room 2")), OTHER_ENGINE);
    FakeAgent agent(PRINTER, 161, genuine.handler());

    // First contact with the genuine printer records its engine.
    RunResult first = prowlet({"--known-engines", known}, {"--contact"});
    EXPECT_EQ("contact=\"Operator\";location=\"Room 1\";\n", first.out);
    EXPECT_EQ("", first.err);
    EXPECT_EQ(0, first.status);
    EXPECT_EQ("127.0.7.1 " + PINNED + "\n", dir.read("known-engines"));

    agent.setHandler(other.handler());
    const struct {
        std::vector<std::string> options;
        std::string source;
    } cases[] = {{{"--known-engines", known}, "recorded in " + known},
                 {{"-e", PINNED}, "given with -e"},
                 {{"--v3-engine-id", "80001F880466616B65", "--known-engines", known}, "given with -e"}};
    for (const auto &c : cases) {
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--setlocation", "Moved"});
        RunResult r = prowlet(options, {"--contact"});
        EXPECT_EQ("", r.out) << c.source;
        EXPECT_EQ(refused(c.source), r.err);
        EXPECT_EQ(25, r.status) << c.source;
    }
    EXPECT_EQ(0, other.served());
    EXPECT_EQ("127.0.7.1 " + PINNED + "\n", dir.read("known-engines"));  // a change is never recorded
}

// One unauthenticated Report with each request's msgID, sent before the
// printer's own answer (as anyone who sees the requests can): the run prints
// what it prints without the forger, and the clock a Report claims is ignored.
TEST(ForgedReports, NeitherEndThePrinterNorMoveItsClock) {
    FakeUsm usm(USER, fake_v2_mib_handler(printer("Room 1")));
    FakeAgent agent(PRINTER, 161, usm.handler());
    const std::vector<std::string> reports = {"--vendor", "--contact", "--setcontact", "Operator"};
    const RunResult clean = prowlet({}, reports);
    ASSERT_EQ(0, clean.status) << clean.err;
    for (const char *oid : {USM_UNKNOWN_USER, USM_WRONG_DIGEST, USM_UNSUPPORTED_LEVEL, USM_DECRYPTION_ERROR,
                            USM_NOT_IN_TIME_WINDOW, USM_UNKNOWN_ENGINE_ID}) {
        FakeHandler genuine = usm.handler();
        agent.setHandler([genuine, oid](const FakeRequest &r) {
            std::vector<FakeSend> out = genuine(r);
            if (!parse_v3_message(r.bytes).usm.engineId.empty())
                out.insert(out.begin(),
                           FakeAgent::reply(fake_v3_report(r, oid, OTHER_ENGINE, 2147483646, 1))[0]);
            return out;
        });
        const int windowReports = usm.timeWindowReports();
        const RunResult r = prowlet({}, reports);
        EXPECT_EQ(clean.out, r.out) << oid;
        EXPECT_EQ(clean.err, r.err) << oid;
        EXPECT_EQ(0, r.status) << oid;
        EXPECT_EQ(windowReports, usm.timeWindowReports()) << oid;
    }
}

// A FIFO named as the --secrets file: refused at once, not waited on.
TEST(Secrets, AFifoIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.path + "/secrets";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const RunResult r = run_prowlet({"-v", "3", "-u", "admin", "--secrets", fifo, "--vendor", PRINTER},
                                    std::chrono::seconds(20));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("prowlet: --secrets file \"" + fifo + "\" is not a regular file.\n", r.err);
    EXPECT_EQ(18, r.status);
}

}  // namespace
