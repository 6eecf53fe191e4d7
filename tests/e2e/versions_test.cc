// SNMPv2c and SNMPv3 end to end: the binary asks the same printers in every
// version and must print the same, byte for byte (output, warnings, status):
// the project's recordings and the real ones served by snmpsimd (SNMPv1 and
// v2c, then SNMPv3 with users of every protocol pair at the same addresses),
// and net-snmp's snmpd with a user of every protocol pair. Then what must not look like success: wrong credentials, a printer
// that does not speak the version asked, and a clock that jumps.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/fake_usm.h"
#include "tests/support/run_prowlet.h"

namespace {

const char kCommunity[] = "public";
const char kSnmpd[] = "127.0.3.1";

// Every report whose output does not depend on the moment of the run.
const std::vector<std::string> kReports = {
    "--vendor",    "--model",    "--contact",    "--netconfig",    "--hostmib",  "--printmib", "--memory",
    "--status",    "--storage",  "--marker",     "--pagecount",    "--colors",   "--resolution", "--minmargin",
    "--mediapath", "--maxpapersize", "--minpapersize", "--enginespeed", "--duplex", "--inputtray", "--letter",
    "--a4",        "--legal",    "--display",    "--covers",       "--languages", "--pcl",     "--postscript",
    "--pjl",       "--protocol", "--lpd",        "--port9100",     "--appletalk", "--supplies", "--cfgsrc",
    "-n",          "9100"};

// One user per protocol pair snmpsimd and snmpd both offer, and the lower levels.
std::vector<V3User> every_user() {
    std::vector<V3User> users;
    for (const char *auth : {"MD5", "SHA", "SHA-224", "SHA-256", "SHA-384", "SHA-512"}) {
        std::string name = std::string("u") + auth;
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        for (const char *priv : {"DES", "AES"})
            users.push_back({name + priv, auth, priv, "auth-" + name, "priv-" + name});
        users.push_back({name + "auth", auth, "", "auth-" + name, ""});
    }
    users.push_back({"unoauth", "", "", "", ""});
    return users;
}

// Recordings at 127.0.<net>.1 up.
std::vector<PrinterRecording> serve(const std::vector<std::string> &recordings, int net) {
    std::vector<PrinterRecording> printers;
    for (std::size_t i = 0; i < recordings.size(); ++i)
        printers.push_back({"127.0." + std::to_string(net) + "." + std::to_string(i + 1), recordings[i]});
    return printers;
}

std::unique_ptr<NetSnmpAgent> snmpd;

class Agents : public testing::Environment {
 public:
    void SetUp() override {
        NetSnmpConfig config;
        config.addresses = {kSnmpd};
        config.community = kCommunity;
        config.extraLines = {"sysDescr Lexmark Optra S 1855  version 3.20.13 kernel 2.0.35",
                             "sysContact Print desk", "sysLocation Room 101"};
        for (const V3User &u : every_user())
            for (const std::string &line : snmpd_user_lines(u)) config.extraLines.push_back(line);
        snmpd = std::make_unique<NetSnmpAgent>(config);
    }
    void TearDown() override { snmpd.reset(); }
};
const auto *const kAgents = testing::AddGlobalTestEnvironment(new Agents);

RunResult prowlet(const std::vector<std::string> &protocol, std::vector<std::string> reports,
                  const std::string &address) {
    std::vector<std::string> args = protocol;
    args.insert(args.end(), reports.begin(), reports.end());
    args.push_back(address);
    return run_prowlet(args, std::chrono::seconds(120));
}

void expect_same(const RunResult &v1, const RunResult &other, const std::string &what) {
    EXPECT_EQ(v1.out, other.out) << what;
    EXPECT_EQ(v1.err, other.err) << what;
    EXPECT_EQ(v1.status, other.status) << what;
}

// Runs job(0) .. job(count - 1), eight at a time: a run mostly waits for
// snmpsimd to let a request it has no answer for time out, so the runs
// overlap their waits rather than add them up.
template <class Job>
std::vector<RunResult> side_by_side(std::size_t count, const Job &job) {
    std::vector<RunResult> results(count);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> runners;
    for (int r = 0; r < 8; ++r)
        runners.emplace_back([&] {
            for (std::size_t i; (i = next++) < count;) results[i] = job(i);
        });
    for (std::thread &t : runners) t.join();
    return results;
}

// Every printer in SNMPv1 and v2c (snmpsimd serves both), then, at the same
// addresses, in SNMPv3 (the users taking turns): the output may depend on the
// address (ipAddrTable is indexed by it), never on the version.
void every_version_alike(const std::vector<PrinterRecording> &printers, const std::vector<std::string> &reports) {
    // Two recordings hold replies prowlet refuses (their requests time out
    // in every version): a short time-out keeps them from setting the pace.
    const std::vector<std::string> timeout = {"--timeout", "6"};
    const auto with = [&](std::vector<std::string> protocol) {
        protocol.insert(protocol.end(), timeout.begin(), timeout.end());
        return protocol;
    };
    const std::size_t n = printers.size();
    std::vector<RunResult> v1v2c;
    {
        SimulatedPrinters agent(printers, kCommunity, std::chrono::seconds(120));
        v1v2c = side_by_side(2 * n, [&](std::size_t i) {
            return i < n ? prowlet(with({"-c", kCommunity}), reports, printers[i].address)
                         : prowlet(with({"-v", "2c", "-c", kCommunity}), reports, printers[i - n].address);
        });
    }
    const std::vector<V3User> users = every_user();
    std::vector<RunResult> v3;
    {
        SimulatedV3Printers agent(printers, users, std::chrono::seconds(120));
        v3 = side_by_side(n, [&](std::size_t i) {
            return prowlet(with(v3_options(users[i % users.size()])), reports, printers[i].address);
        });
    }
    const RunResult *v1 = v1v2c.data();
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_NE("", v1[i].out + v1[i].err) << printers[i].recording;
        expect_same(v1[i], v1v2c[n + i], printers[i].recording + " over SNMPv2c");
        expect_same(v1[i], v3[i], printers[i].recording + " over SNMPv3 as " + users[i % users.size()].name);
    }
}

TEST(EveryVersion, OwnRecordingsPrintTheSame) {
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(project_recording("")))
        if (entry.path().extension() == ".snmprec") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    every_version_alike(serve(files, 1), kReports);
}

TEST(EveryVersion, RealRecordingsPrintTheSame) {
    if (!realdata_available()) GTEST_SKIP() << "the real printer recordings are not here";
    std::vector<std::string> files;
    for (const std::string &name : realdata_names()) files.push_back(realdata_file(name));
    std::vector<std::string> reports = kReports;
    reports.push_back("--generic");
    every_version_alike(serve(files, 9), reports);
}

TEST(EveryVersion, SnmpdAsksEveryUserOfEveryProtocolPair) {
    const std::vector<std::string> reports = {"--vendor", "--model",  "--contact", "--netconfig", "--hostmib",
                                              "--printmib", "--memory", "--status", "-n", "9100"};
    const RunResult v1 = prowlet({"-c", kCommunity}, reports, kSnmpd);
    EXPECT_NE(std::string::npos, v1.out.find("contact=\"Print desk\";location=\"Room 101\";")) << v1.out;
    expect_same(v1, prowlet({"-v", "2c", "-c", kCommunity}, reports, kSnmpd), "SNMPv2c");
    for (const V3User &user : every_user()) expect_same(v1, prowlet(v3_options(user), reports, kSnmpd), user.name);
}

struct CredentialCase {
    const char *name;
    std::vector<std::string> options;
    int status;
    const char *err;
};

TEST(WrongCredentials, NeverLookLikeSuccessAndNeverHang) {
    const std::string host = kSnmpd;
    const std::vector<CredentialCase> cases = {
        {"unknown user", {"-v", "3", "-u", "nobody", "-a", "SHA", "-A", "auth-uSHA"}, 19,
         "prowlet: 127.0.3.1 does not know the SNMPv3 user \"nobody\"\n"},
        {"wrong authentication passphrase",
         {"-v", "3", "-u", "uSHA256AES", "-a", "SHA-256", "-A", "auth-uSHA255", "-x", "AES", "-X", "priv-uSHA256"}, 20,
         "prowlet: 127.0.3.1 rejected the authentication of user \"uSHA256AES\" (wrong authentication passphrase "
         "or protocol)\n"},
        {"wrong authentication protocol", {"-v", "3", "-u", "uMD5auth", "-a", "SHA", "-A", "auth-uMD5"}, 20,
         "prowlet: 127.0.3.1 rejected the authentication of user \"uMD5auth\" (wrong authentication passphrase or "
         "protocol)\n"},
        {"privacy for a user without it",
         {"-v", "3", "-u", "uSHAauth", "-a", "SHA", "-A", "auth-uSHA", "-x", "AES", "-X", "priv-uSHA"}, 21,
         "prowlet: 127.0.3.1 does not support security level authPriv for user \"uSHAauth\"\n"},
        {"a level below the user's", {"-v", "3", "-u", "uSHADES", "-a", "SHA", "-A", "auth-uSHA"}, 23,
         "prowlet: 127.0.3.1 denied user \"uSHADES\" access at security level authNoPriv (authorizationError)\n"},
        // snmpd drops what it cannot decrypt: no answer, within --timeout.
        {"wrong privacy passphrase",
         {"-v", "3", "-u", "uSHADES", "-a", "SHA", "-A", "auth-uSHA", "-x", "DES", "-X", "priv-uSHX"}, 8,
         "prowlet: No response from 127.0.3.1\n"},
        {"wrong community over SNMPv2c", {"-v", "2c", "-c", "wrong"}, 8, "prowlet: No response from 127.0.3.1\n"},
    };
    for (const CredentialCase &c : cases) {
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--timeout", "2"});
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = prowlet(options, {"--vendor", "--model"}, host);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.name;
        EXPECT_EQ("", r.out) << c.name;
        EXPECT_EQ(c.err, r.err) << c.name;
        EXPECT_EQ(c.status, r.status) << c.name;
    }
}

FakeMib own_mib(const char *name) { return fake_mib_from_snmprec(project_recording(name)); }

TEST(WrongVersion, AnSnmpV1OnlyPrinterAskedWithV2cDoesNotAnswer) {
    FakeHandler v1 = fake_mib_handler(own_mib("lexmark-optra-s1855.snmprec"));
    FakeAgent agent("127.0.4.1", 161, [v1](const FakeRequest &r) mutable {
        return r.version == 0 ? v1(r) : FakeAgent::drop();
    });
    const RunResult asked = prowlet({"-v", "2c", "--timeout", "2"}, {"--vendor"}, "127.0.4.1");
    EXPECT_EQ("", asked.out);
    EXPECT_EQ("prowlet: No response from 127.0.4.1\n", asked.err);
    EXPECT_EQ(8, asked.status);
    EXPECT_EQ("vendor=\"Lexmark\";\n", prowlet({}, {"--vendor"}, "127.0.4.1").out);
}

TEST(TimeWindow, APrinterWhoseClockJumpsMidRunIsResynchronizedOnce) {
    const std::vector<std::string> reports = {"--vendor", "--model", "--memory", "--status", "--inputtray", "--supplies"};
    RunResult v1;
    {
        FakeAgent plain("127.0.4.2", 161, fake_mib_handler(own_mib("hp-laserjet-4000.snmprec")));
        v1 = prowlet({}, reports, "127.0.4.2");
        EXPECT_EQ(0, v1.status) << v1.err;
    }
    FakeUsmUser user{"admin", UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128, "maplesyrup", "privpassphrase"};
    FakeUsm usm(user, fake_v2_mib_handler(own_mib("hp-laserjet-4000.snmprec")));
    FakeHandler secure = usm.handler();
    FakeAgent agent("127.0.4.2", 161, [&](const FakeRequest &r) {
        if (r.number == 3) usm.jumpClock(3600);  // an hour later, in the middle of the reports
        return secure(r);
    });
    const RunResult v3 = prowlet({"-v", "3", "-u", "admin", "-a", "SHA-256", "-A", "maplesyrup", "-x", "AES", "-X",
                                  "privpassphrase"},
                                 reports, "127.0.4.2");
    expect_same(v1, v3, "clock jump");
    EXPECT_EQ(1, usm.timeWindowReports());
    EXPECT_EQ(1, usm.discoveries());
}

}  // namespace
