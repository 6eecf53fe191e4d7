// The loopback agents: simulated printers from recordings (real and our own) and a
// live snmpd, queried over SNMPv1 with net-snmp's command-line tools.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/agents.h"

namespace fs = std::filesystem;

namespace {

// One line of a .snmprec file: OID|type|value, where a type ending in 'x'
// carries the value hex-coded.
struct RecLine {
    std::string oid;
    std::string type;
    std::string value;  // decoded bytes for hex-coded types
};

std::string hex_decode(const std::string &hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<RecLine> read_snmprec(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<RecLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t a = line.find('|');
        size_t b = a == std::string::npos ? a : line.find('|', a + 1);
        if (b == std::string::npos) continue;
        RecLine r{line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)};
        if (!r.type.empty() && r.type.back() == 'x') {
            r.type.pop_back();
            r.value = hex_decode(r.value);
        }
        lines.push_back(r);
    }
    return lines;
}

std::string recorded(const std::string &path, const std::string &oid) {
    for (const auto &l : read_snmprec(path))
        if (l.oid == oid) return l.value;
    return "<" + oid + " not in " + path + ">";
}

// Numeric comparison of dotted OIDs, the order of GetNext.
bool oid_less(const std::string &a, const std::string &b) {
    std::stringstream sa(a), sb(b);
    std::string pa, pb;
    while (true) {
        bool ha = static_cast<bool>(std::getline(sa, pa, '.'));
        bool hb = static_cast<bool>(std::getline(sb, pb, '.'));
        if (!ha || !hb) return !ha && hb;
        unsigned long na = std::stoul(pa), nb = std::stoul(pb);
        if (na != nb) return na < nb;
    }
}

std::string last_oid(const std::string &path) {
    std::string last;
    for (const auto &l : read_snmprec(path))
        if (last.empty() || oid_less(last, l.oid)) last = l.oid;
    return last;
}

const char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
const char kSysContact[] = "1.3.6.1.2.1.1.4.0";
const char kSysLocation[] = "1.3.6.1.2.1.1.6.0";
const char kHpDeviceId[] = "1.3.6.1.4.1.11.2.3.9.1.1.7.0";

// Variables in snmpwalk -On output (it ends a walk with an "End of MIB" line).
int count_lines(const std::string &text) {
    int n = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(".1.", 0) == 0) ++n;
    return n;
}

// True when UDP port 161 of address is free to bind (no agent holds it).
bool port_161_free(const std::string &address) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(161);
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    bool ok = bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0;
    close(fd);
    return ok;
}

bool group_gone(pid_t group) { return kill(-group, 0) == -1 && errno == ESRCH; }

}  // namespace

// ---- Real printer recordings, loaded unchanged from ../shared/realdata ----

class RealRecordings : public ::testing::Test {
 protected:
    // Each file carries one of the quirks the simulator must accept.
    static const std::vector<std::string> &files() {
        static const std::vector<std::string> f = {
            "samsung-ml2850.snmprec",             // no final newline
            "canon-lbp6670.snmprec",              // duplicate lines, not ascending
            "zebra-zebranet-wired-ps.snmprec",    // printable strings stored hex-coded (4x)
            "hp-color-laserjet-m880.snmprec",     // hex-coded supply descriptions
            "xerox-altalink-c8045.snmprec",       // the longest sysDescr
            "hp-color-laserjet-m252dw.snmprec",   // Counter64 rows (ipSystemStats)
        };
        return f;
    }
    static std::string address(size_t i) { return "127.0.1." + std::to_string(i + 1); }

    static void SetUpTestSuite() {
        if (!realdata_available()) return;
        std::vector<PrinterRecording> printers;
        for (size_t i = 0; i < files().size(); ++i)
            printers.push_back({address(i), realdata_file(files()[i])});
        try {
            printers_ = std::make_unique<SimulatedPrinters>(printers, "public");
        } catch (const std::exception &e) {
            startError_ = e.what();
        }
    }
    static void TearDownTestSuite() { printers_.reset(); }

    void SetUp() override {
        if (!realdata_available())
            GTEST_SKIP() << "real printer recordings not found at " << PROWLET_REALDATA_DIR
                         << " (the ../shared directory is absent)";
        ASSERT_NE(printers_, nullptr) << startError_;
    }

    static std::unique_ptr<SimulatedPrinters> printers_;
    static std::string startError_;
};
std::unique_ptr<SimulatedPrinters> RealRecordings::printers_;
std::string RealRecordings::startError_;

TEST_F(RealRecordings, EachAddressAnswersItsOwnSysDescr) {
    for (size_t i = 0; i < files().size(); ++i) {
        std::string error;
        std::string expected = recorded(realdata_file(files()[i]), kSysDescr);
        EXPECT_EQ(expected, snmp_get_value(address(i), "public", kSysDescr, &error))
            << files()[i] << " at " << address(i) << ": " << error;
    }
}

TEST_F(RealRecordings, HexCodedStringsArriveDecoded) {
    // The Zebra file stores sysDescr and sysName hex-coded.
    std::string file = realdata_file("zebra-zebranet-wired-ps.snmprec");
    EXPECT_EQ(recorded(file, kSysDescr), snmp_get_value(address(2), "public", kSysDescr));
    EXPECT_EQ(recorded(file, "1.3.6.1.2.1.1.5.0"),
              snmp_get_value(address(2), "public", "1.3.6.1.2.1.1.5.0"));
    EXPECT_EQ("ZebraNet Wired PS", snmp_get_value(address(2), "public", kSysDescr));
}

TEST_F(RealRecordings, DuplicateLinesAreServedOnce) {
    // canon-lbp6670 repeats two rows of the address table.
    std::string file = realdata_file("canon-lbp6670.snmprec");
    std::set<std::string> distinct;
    int lines = 0;
    for (const auto &l : read_snmprec(file))
        if (l.oid.rfind("1.3.6.1.2.1.4.20.", 0) == 0) {
            distinct.insert(l.oid);
            ++lines;
        }
    ASSERT_GT(lines, static_cast<int>(distinct.size())) << "the file no longer has duplicates";
    RunResult r = run_snmp_tool("snmpwalk", {"-v1", "-c", "public", "-On", address(1),
                                             "1.3.6.1.2.1.4.20"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(static_cast<int>(distinct.size()), count_lines(r.out)) << r.out;
}

TEST_F(RealRecordings, FileWithoutFinalNewlineServesItsLastLine) {
    std::string file = realdata_file("samsung-ml2850.snmprec");
    std::string text;
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    ASSERT_FALSE(text.empty());
    ASSERT_NE('\n', text.back()) << "the file gained a final newline";
    std::string lastLine = text.substr(text.rfind('\n') + 1);
    std::string oid = lastLine.substr(0, lastLine.find('|'));
    ASSERT_EQ("1.3.6.1.2.1.1.2.0|6|", lastLine.substr(0, 20)) << "the last line changed";
    std::string error;
    EXPECT_EQ("." + lastLine.substr(20), snmp_get_value(address(0), "public", oid, &error))
        << error;
}

TEST_F(RealRecordings, V1GetNextPastTheEndIsNoSuchName) {
    // SNMPv1 has no endOfMibView: the end of the MIB is error-status noSuchName(2).
    std::string last = last_oid(realdata_file(files()[0]));
    RunResult r = run_snmp_tool("snmpgetnext", {"-v1", "-c", "public", "-t", "1", "-r", "1",
                                                address(0), last});
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("(noSuchName)")) << r.out << r.err;
}

TEST_F(RealRecordings, V1GetOfAnAbsentVariableIsNoSuchName) {
    RunResult r = run_snmp_tool("snmpget", {"-v1", "-c", "public", "-t", "1", "-r", "1",
                                            address(0), "1.3.6.1.2.1.43.18.1.1.2.1.1"});
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("(noSuchName)")) << r.out << r.err;
}

TEST_F(RealRecordings, V1CannotCarryCounter64SoItIsGenError) {
    // SNMPv1 has no Counter64: snmpsimd answers genError(5) for a Get of such a
    // row and for a GetNext that lands on one; v2c gets the value.
    std::string file = realdata_file(files()[5]);
    std::string before, counter64;
    for (const auto &l : read_snmprec(file)) {
        if (l.type == "70") {
            counter64 = l.oid;
            break;
        }
        before = l.oid;
    }
    ASSERT_FALSE(counter64.empty()) << file << " has no Counter64 row any more";
    for (std::string tool : {"snmpget", "snmpgetnext"}) {
        std::string asked = tool == "snmpgetnext" ? before : counter64;
        RunResult r =
            run_snmp_tool(tool, {"-v1", "-c", "public", "-t", "1", "-r", "1", address(5), asked});
        EXPECT_NE(0, r.status) << tool;
        EXPECT_NE(std::string::npos, r.err.find("(genError)")) << tool << ": " << r.out << r.err;
    }
    RunResult r = run_snmp_tool("snmpget", {"-v2c", "-c", "public", "-On", address(5), counter64});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Counter64: ")) << r.out;
}

TEST_F(RealRecordings, WrongCommunityGetsNoAnswer) {
    EXPECT_FALSE(agent_answers(address(0), "not-the-community"));
    EXPECT_TRUE(agent_answers(address(0), "public"));
}

// ---- The project's own recordings ----

class OwnRecordings : public ::testing::Test {
 protected:
    static std::vector<std::string> files() {
        std::vector<std::string> f;
        for (const auto &e : fs::directory_iterator(project_recording("")))
            if (e.path().extension() == ".snmprec") f.push_back(e.path().filename().string());
        std::sort(f.begin(), f.end());
        return f;
    }
    static std::string address(size_t i) { return "127.0.5." + std::to_string(i + 1); }

    static void SetUpTestSuite() {
        std::vector<PrinterRecording> printers;
        auto f = files();
        for (size_t i = 0; i < f.size(); ++i)
            printers.push_back({address(i), project_recording(f[i])});
        try {
            printers_ = std::make_unique<SimulatedPrinters>(printers, "public");
        } catch (const std::exception &e) {
            startError_ = e.what();
        }
    }
    static void TearDownTestSuite() { printers_.reset(); }
    void SetUp() override { ASSERT_NE(printers_, nullptr) << startError_; }

    static std::unique_ptr<SimulatedPrinters> printers_;
    static std::string startError_;
};
std::unique_ptr<SimulatedPrinters> OwnRecordings::printers_;
std::string OwnRecordings::startError_;

TEST_F(OwnRecordings, ThereAreRecordings) { EXPECT_GE(files().size(), 14u); }

TEST_F(OwnRecordings, LinesAreUniqueAscendingAndWellFormed) {
    for (const auto &f : files()) {
        auto lines = read_snmprec(project_recording(f));
        ASSERT_FALSE(lines.empty()) << f;
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_TRUE(oid_less(lines[i - 1].oid, lines[i].oid))
                << f << ": " << lines[i - 1].oid << " then " << lines[i].oid;
        // Only types SNMPv1 can carry: no Counter64 (70) in our recordings.
        static const std::set<std::string> v1types = {"2", "4", "5", "6", "64", "65", "66", "67"};
        for (const auto &l : lines) EXPECT_EQ(1u, v1types.count(l.type)) << f << ": " << l.oid;
    }
}

TEST_F(OwnRecordings, EachAddressAnswersItsOwnSysDescr) {
    auto f = files();
    for (size_t i = 0; i < f.size(); ++i) {
        std::string error;
        EXPECT_EQ(recorded(project_recording(f[i]), kSysDescr),
                  snmp_get_value(address(i), "public", kSysDescr, &error))
            << f[i] << ": " << error;
    }
}

TEST_F(OwnRecordings, V1WalkReturnsEveryRecordedVariable) {
    auto f = files();
    for (size_t i = 0; i < f.size(); ++i) {
        RunResult r = run_snmp_tool("snmpwalk", {"-v1", "-c", "public", "-On", "-t", "2",
                                                 address(i), "1.3.6.1"});
        EXPECT_EQ(0, r.status) << f[i] << ": " << r.err;
        EXPECT_EQ(static_cast<int>(read_snmprec(project_recording(f[i])).size()),
                  count_lines(r.out))
            << f[i];
    }
}

// ---- A live net-snmp snmpd ----

class NetSnmp : public ::testing::Test {
 protected:
    static void SetUpTestSuite() {
        try {
            NetSnmpConfig rw;
            rw.addresses = {"127.0.2.1", "127.0.2.2"};
            rw.community = "private";
            rw.readWrite = true;
            rw.extraLines = {
                "sysDescr HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149,EEPROM JDI23900005",
                "override 1.3.6.1.4.1.11.2.3.9.1.1.7.0 octet_str "
                "\"MFG:Hewlett-Packard;CMD:PJL,PCL,POSTSCRIPT;MODEL:HP LaserJet 4000 Series;\"",
                "override 1.3.6.1.2.1.25.3.5.1.1.1 integer 3",
            };
            writable_ = std::make_unique<NetSnmpAgent>(rw);
            NetSnmpConfig ro;
            ro.addresses = {"127.0.3.1"};
            ro.community = "public";
            ro.extraLines = {"sysDescr Lexmark Optra S 1855 version 1.0  kernel"};
            readOnly_ = std::make_unique<NetSnmpAgent>(ro);
        } catch (const std::exception &e) {
            startError_ = e.what();
        }
    }
    static void TearDownTestSuite() {
        writable_.reset();
        readOnly_.reset();
    }
    void SetUp() override {
        ASSERT_NE(writable_, nullptr) << startError_;
        ASSERT_NE(readOnly_, nullptr) << startError_;
    }

    static std::unique_ptr<NetSnmpAgent> writable_, readOnly_;
    static std::string startError_;
};
std::unique_ptr<NetSnmpAgent> NetSnmp::writable_, NetSnmp::readOnly_;
std::string NetSnmp::startError_;

TEST_F(NetSnmp, ConfiguredSysDescrOnEveryAddress) {
    for (const char *a : {"127.0.2.1", "127.0.2.2"})
        EXPECT_EQ("HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149,EEPROM JDI23900005",
                  snmp_get_value(a, "private", kSysDescr))
            << a;
    EXPECT_EQ("Lexmark Optra S 1855 version 1.0  kernel",
              snmp_get_value("127.0.3.1", "public", kSysDescr));
}

TEST_F(NetSnmp, OverrideValues) {
    EXPECT_EQ("MFG:Hewlett-Packard;CMD:PJL,PCL,POSTSCRIPT;MODEL:HP LaserJet 4000 Series;",
              snmp_get_value("127.0.2.1", "private", kHpDeviceId));
    EXPECT_EQ("3", snmp_get_value("127.0.2.2", "private", "1.3.6.1.2.1.25.3.5.1.1.1"));
}

TEST_F(NetSnmp, SetContactAndLocationRoundTrip) {
    RunResult r = run_snmp_tool("snmpset", {"-v1", "-c", "private", "127.0.2.1", kSysContact, "s",
                                            "Jane Doe, room 12", kSysLocation, "s", "Floor 3"});
    ASSERT_EQ(0, r.status) << r.err;
    // The other address is the same agent: the change is visible there too.
    EXPECT_EQ("Jane Doe, room 12", snmp_get_value("127.0.2.2", "private", kSysContact));
    EXPECT_EQ("Floor 3", snmp_get_value("127.0.2.1", "private", kSysLocation));
}

TEST_F(NetSnmp, ReadOnlyCommunityRefusesSet) {
    std::string before = snmp_get_value("127.0.3.1", "public", kSysLocation);
    RunResult r = run_snmp_tool("snmpset", {"-v1", "-c", "public", "-t", "1", "-r", "1",
                                            "127.0.3.1", kSysLocation, "s", "elsewhere"});
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("(noSuchName)")) << r.out << r.err;
    EXPECT_EQ(before, snmp_get_value("127.0.3.1", "public", kSysLocation));
}

TEST_F(NetSnmp, LiveMibIITablesAreWalkable) {
    RunResult r = run_snmp_tool("snmpwalk", {"-v1", "-c", "private", "-On", "127.0.2.1",
                                             "1.3.6.1.2.1.2.2.1.2"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("STRING: \"lo\"")) << r.out;
    r = run_snmp_tool("snmpwalk", {"-v1", "-c", "private", "-On", "127.0.2.1",
                                   "1.3.6.1.2.1.4.20.1.1"});
    EXPECT_NE(std::string::npos, r.out.find("IpAddress: 127.0.0.1")) << r.out;
    r = run_snmp_tool("snmpwalk", {"-v1", "-c", "private", "-On", "127.0.2.1",
                                   "1.3.6.1.2.1.25.2.3.1.3"});
    EXPECT_GT(count_lines(r.out), 0) << r.err;
}

TEST_F(NetSnmp, GeneratedConfigurationHasNothingOfTheHost) {
    std::string text = writable_->configText();
    EXPECT_EQ(0u, text.find("agentAddress udp:127.0.2.1:161,udp:127.0.2.2:161\n"
                            "rwcommunity private 127.0.0.0/8\n"))
        << text;
}

// ---- Starting and stopping ----

TEST(AgentLifecycle, SimulatedPrintersStopCompletely) {
    std::string rec = project_recording("unknown-vendor.snmprec");
    pid_t group;
    {
        SimulatedPrinters p({{"127.0.4.1", rec}, {"127.0.4.2", rec}}, "public");
        group = p.pid();
        ASSERT_GT(group, 0);
        EXPECT_TRUE(agent_answers("127.0.4.2", "public"));
        EXPECT_FALSE(port_161_free("127.0.4.1"));
    }
    EXPECT_TRUE(group_gone(group));
    EXPECT_TRUE(port_161_free("127.0.4.1"));
    EXPECT_TRUE(port_161_free("127.0.4.2"));
    EXPECT_FALSE(agent_answers("127.0.4.1", "public"));
}

TEST(AgentLifecycle, NetSnmpAgentStopsCompletely) {
    NetSnmpConfig c;
    c.addresses = {"127.0.4.3"};
    pid_t group;
    {
        NetSnmpAgent a(c);
        group = a.pid();
        EXPECT_FALSE(port_161_free("127.0.4.3"));
    }
    EXPECT_TRUE(group_gone(group));
    EXPECT_TRUE(port_161_free("127.0.4.3"));
}

TEST(AgentLifecycle, RefusesAddressesOutsideLoopback) {
    std::string rec = project_recording("unknown-vendor.snmprec");
    EXPECT_THROW(SimulatedPrinters({{"10.0.0.1", rec}}, "public"), std::runtime_error);
    NetSnmpConfig c;
    c.addresses = {"192.168.1.1"};
    EXPECT_THROW(NetSnmpAgent{c}, std::runtime_error);
}

TEST(AgentLifecycle, MissingRecordingIsReported) {
    try {
        SimulatedPrinters p({{"127.0.4.4", "/nonexistent/printer.snmprec"}}, "public");
        FAIL() << "started without its recording";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ("cannot read recording /nonexistent/printer.snmprec", std::string(e.what()));
    }
}

TEST(AgentLifecycle, AgentThatCannotStartIsReportedWithItsLog) {
    // A second agent on a port already taken dies at once; the constructor
    // says so instead of waiting out its time limit.
    std::string rec = project_recording("unknown-vendor.snmprec");
    SimulatedPrinters first({{"127.0.4.5", rec}}, "public");
    NetSnmpConfig c;
    c.addresses = {"127.0.4.5"};
    c.community = "other";
    try {
        NetSnmpAgent second(c, std::chrono::seconds(20));
        FAIL() << "a second agent started on a taken port";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("snmpd ended with status"))
            << e.what();
    }
}
