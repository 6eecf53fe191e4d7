// The whole run end to end: targets, workers, interleaved output, exit status,
// against scripted agents on loopback addresses (UDP port 161 of a private
// network namespace).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/targets.h"
#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/run_prowlet.h"

namespace {

const char SYSDESCR[] = "1.3.6.1.2.1.1.1.0";
const char SYSCONTACT[] = "1.3.6.1.2.1.1.4.0";
const char SYSLOCATION[] = "1.3.6.1.2.1.1.6.0";
const char HRMEMORYSIZE[] = "1.3.6.1.2.1.25.2.2.0";
const char HPDEVICEID[] = "1.3.6.1.4.1.11.2.3.9.1.1.7.0";
const char HPCFGSOURCE[] = "1.3.6.1.4.1.11.2.4.3.5.1.0";

// Printers by their descriptions: Lexmark answers both standard MIBs, EFI only
// the Host Resources MIB, QMS neither.
FakeMib lexmark(std::uint32_t memory = 16384) {
    FakeMib m;
    m.set(SYSDESCR, fake_string("Lexmark Optra S 1855 version 1.0  kernel"));
    m.set(SYSCONTACT, fake_string("Old Contact"));
    m.set(SYSLOCATION, fake_string("Old Place"));
    m.set(HRMEMORYSIZE, fake_int(memory));
    return m;
}

FakeMib efi() {
    FakeMib m;
    m.set(SYSDESCR, fake_string("EFI Fiery Server ZX"));
    m.set(HRMEMORYSIZE, fake_int(65536));
    return m;
}

FakeMib qms() {
    FakeMib m;
    m.set(SYSDESCR, fake_string("QMS magicolor 2;rev 1"));
    return m;
}

// An HP LaserJet 4000 behind old interface firmware: Printer MIB only.
FakeMib hp_ancient() {
    FakeMib m;
    m.set(SYSDESCR, fake_string("HP ETHERNET MULTI-ENVIRONMENT,JETDIRECT,JD24,EEPROM A.03.09"));
    m.set(HPDEVICEID, fake_string("MFG:Hewlett-Packard;CMD:PJL,PCL;MODEL:HP LaserJet 4000;"));
    return m;
}

FakeMib hp(int cfgsource) {
    FakeMib m;
    m.set(SYSDESCR, fake_string("HP ETHERNET MULTI-ENVIRONMENT,JETDIRECT,JD149,EEPROM J411"));
    m.set(HPDEVICEID, fake_string("MFG:Hewlett-Packard;MODEL:HP LaserJet 4000 Series;"));
    if (cfgsource >= 0) m.set(HPCFGSOURCE, fake_int(cfgsource));
    return m;
}

// Answers from mib, each reply held back by delays[n] for the n-th request
// (the last entry for all later ones). Delays stay below a second, inside the
// transport's first wait.
FakeHandler delayed(FakeMib mib, std::vector<int> delays) {
    FakeHandler inner = fake_mib_handler(std::move(mib));
    return [inner, delays](const FakeRequest &req) mutable {
        std::vector<FakeSend> out = inner(req);
        std::size_t n = static_cast<std::size_t>(req.number);
        int d = delays[n < delays.size() ? n : delays.size() - 1];
        for (FakeSend &s : out) s.delay = std::chrono::milliseconds(d);
        return out;
    };
}

std::unique_ptr<FakeAgent> agent(const std::string &address, FakeMib mib) {
    return std::make_unique<FakeAgent>(address, 161, fake_mib_handler(std::move(mib)));
}

TEST(Run, SinglePrinterLineEndsWithNewlineAndHasNoHostname) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--vendor", "127.0.1.1"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "vendor=\"Lexmark\";\n");
    EXPECT_EQ(r.status, 0);
}

// The joiner is woken as each worker starts: a printer that answers at once
// does not cost a second of waiting. (The bound is loose on purpose; the run
// itself takes milliseconds.)
TEST(Run, PromptPrinterNeedsNoIdleSecond) {
    auto a = agent("127.0.1.1", lexmark());
    auto start = std::chrono::steady_clock::now();
    RunResult r = run_prowlet({"--vendor", "127.0.1.1"});
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 0);
    EXPECT_LT(took, std::chrono::milliseconds(900));
}

TEST(Run, NameOptionAddsHostnameForOnePrinter) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--name", "--vendor", "--memory", "127.0.1.1"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "hostname=\"127.0.1.1\";vendor=\"Lexmark\";memsize=\"16384\";\n");
    EXPECT_EQ(r.status, 0);
}

// Pieces of two printers that alternate: each printer's line is held until
// its worker ends, so it comes out whole, with its printer's name.
TEST(Run, InterleavedPiecesKeepEachPrintersLineWhole) {
    auto p1 = std::make_unique<FakeAgent>("127.0.1.1", 161, delayed(lexmark(), {0, 500}));
    auto p2 = std::make_unique<FakeAgent>("127.0.1.2", 161, delayed(efi(), {200, 900}));
    RunResult r = run_prowlet({"--vendor", "--memory", "127.0.1.1", "127.0.1.2"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "hostname=\"127.0.1.1\";vendor=\"Lexmark\";memsize=\"16384\";\n"
              "hostname=\"127.0.1.2\";vendor=\"EFI\";memsize=\"65536\";\n");
    EXPECT_EQ(r.status, 0);
}

// Workers ending with 0, 6 and 5, in command-line order: the first failing
// target decides.
TEST(Run, ExitStatusOfFirstFailingTargetInCommandLineOrder) {
    auto p1 = std::make_unique<FakeAgent>("127.0.1.1", 161, delayed(lexmark(), {0}));
    auto p2 = std::make_unique<FakeAgent>("127.0.1.2", 161, delayed(efi(), {300}));
    auto p3 = std::make_unique<FakeAgent>("127.0.1.3", 161, delayed(hp_ancient(), {600}));
    RunResult r = run_prowlet({"--memory", "--reboot", "127.0.1.1", "127.0.1.2", "127.0.1.3"});
    EXPECT_EQ(r.out,
              "hostname=\"127.0.1.1\";memsize=\"16384\";\n"
              "hostname=\"127.0.1.2\";memsize=\"65536\";\n");
    EXPECT_EQ(r.err,
              "127.0.1.2: reboot option not supported on this printer type.\n"
              "Warning: 127.0.1.3 has ancient firmware. Please upgrade it!\n"
              "127.0.1.3: memory option not supported on this printer type.\n");
    EXPECT_EQ(r.status, 6);
}

TEST(Run, AllPrintersServedGivesZero) {
    auto p1 = agent("127.0.1.1", lexmark(1024));
    auto p2 = std::make_unique<FakeAgent>("127.0.1.2", 161, delayed(lexmark(2048), {300}));
    RunResult r = run_prowlet({"--memory", "127.0.1.1", "127.0.1.2"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "hostname=\"127.0.1.1\";memsize=\"1024\";\n"
              "hostname=\"127.0.1.2\";memsize=\"2048\";\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Run, CfgsrcOnVendorWithoutReportIs255) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--cfgsrc", "127.0.1.1"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "127.0.1.1: cfgsrc option not supported on this printer type.\n");
    EXPECT_EQ(r.status, 255);
}

TEST(Run, CfgsrcOnHp) {
    auto a = agent("127.0.1.1", hp(5));
    RunResult r = run_prowlet({"--vendor", "--cfgsrc", "127.0.1.1"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "vendor=\"HP\";cfgsrc=\"dhcp\";\n");
    EXPECT_EQ(r.status, 0);
    // The cfgsrc variable was asked for alone, with a GetRequest.
    std::vector<FakeRequest> reqs = a->requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[1].pduTag, 0xa0);
    ASSERT_EQ(reqs[1].bindings.size(), 1u);
    EXPECT_EQ(reqs[1].bindings[0].oid, HPCFGSOURCE);
    EXPECT_EQ(reqs[1].bindings[0].value, fake_null());
}

// An HP interface without the configuration-source variable refuses the Get.
TEST(Run, CfgsrcRefusedByHp) {
    auto a = agent("127.0.1.1", hp(-1));
    RunResult r = run_prowlet({"--cfgsrc", "127.0.1.1"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: 127.0.1.1 refused 1.3.6.1.4.1.11.2.4.3.5.1.0 (error-status 2)\n");
    EXPECT_EQ(r.status, 12);
}

TEST(Run, PrinterMibMissing) {
    auto a = agent("127.0.1.1", qms());
    RunResult r = run_prowlet({"--marker", "127.0.1.1"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "127.0.1.1: marker option not supported on this printer type.\n");
    EXPECT_EQ(r.status, 6);

    RunResult all = run_prowlet({"--all", "--marker", "--cfgsrc", "127.0.1.1"});
    EXPECT_EQ(all.out, "");
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.status, 0);
}

TEST(Run, HostResourcesMissing) {
    auto a = agent("127.0.1.1", qms());
    RunResult r = run_prowlet({"--vendor", "--status", "--memory", "127.0.1.1"});
    EXPECT_EQ(r.out, "vendor=\"QMS\";\n");
    EXPECT_EQ(r.err,
              "127.0.1.1: memory option not supported on this printer type.\n"
              "127.0.1.1: status option not supported on this printer type.\n");
    EXPECT_EQ(r.status, 5);

    RunResult all = run_prowlet({"--all", "--vendor", "--memory", "127.0.1.1"});
    EXPECT_EQ(all.out, "vendor=\"QMS\";\n");
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.status, 0);
}

TEST(Run, MemoryReportedThenMarkerComplaint) {
    auto a = agent("127.0.1.1", efi());
    RunResult r = run_prowlet({"--memory", "--marker", "127.0.1.1"});
    EXPECT_EQ(r.out, "memsize=\"65536\";\n");
    EXPECT_EQ(r.err, "127.0.1.1: marker option not supported on this printer type.\n");
    EXPECT_EQ(r.status, 6);
}

// Every name resolves before any printer is contacted.
TEST(Run, UnresolvableSecondTargetContactsNobody) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--vendor", "127.0.1.1", "nosuchprinter.invalid"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "SNMP: cannot resolve hostname \"nosuchprinter.invalid\".\n");
    EXPECT_EQ(r.status, 252);
    EXPECT_EQ(a->requestCount(), 0);
}

TEST(Run, MalformedTargetContactsNobody) {
    auto a = agent("127.0.1.1", lexmark());
    struct {
        const char *arg;
        const char *reason;
    } cases[] = {
        {"127.0.1.2(", "no community after \"(\""},
        {"127.0.1.0/30", "the prefix length must be below 30"},
        {"127.0.1.1-300", "an address range is a.b.c.d-e or a.b.c.d-w.x.y.z with numbers up to 255"},
        {"127.0.1.*", TARGET_FORMS},
        {"127.0.1.0/255.255.256.0", "a subnet is a.b.c.d/len or a.b.c.d/m.m.m.m with numbers up to 255"},
    };
    for (auto &c : cases) {
        RunResult r = run_prowlet({"--vendor", "127.0.1.1", c.arg});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("prowlet: bad printer argument \"") + c.arg + "\": " +
                             c.reason + ".\n");
        EXPECT_EQ(r.status, 3);
    }
    EXPECT_EQ(a->requestCount(), 0);
}

TEST(Run, NothingToQuery) {
    RunResult r = run_prowlet({"--vendor", "127.0.1.7-6", "127.0.1.0/0"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: the printer arguments name no address to query.\n");
    EXPECT_EQ(r.status, 4);
}

// A range of two gets hostname fields; communities go per argument.
TEST(Run, RangeAndCommunities) {
    auto p1 = agent("127.0.1.1", lexmark(1));
    auto p2 = std::make_unique<FakeAgent>("127.0.1.2", 161, delayed(lexmark(2), {300}));
    auto p3 = std::make_unique<FakeAgent>("127.0.1.3", 161, delayed(efi(), {600}));
    RunResult r = run_prowlet({"-c", "dflt", "--memory", "127.0.1.1-2(lab)", "127.0.1.3"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "hostname=\"127.0.1.1\";memsize=\"1\";\n"
              "hostname=\"127.0.1.2\";memsize=\"2\";\n"
              "hostname=\"127.0.1.3\";memsize=\"65536\";\n");
    EXPECT_EQ(r.status, 0);
    for (const FakeRequest &q : p1->requests()) EXPECT_EQ(q.community, "lab");
    for (const FakeRequest &q : p2->requests()) EXPECT_EQ(q.community, "lab");
    for (const FakeRequest &q : p3->requests()) EXPECT_EQ(q.community, "dflt");
    EXPECT_EQ(p3->requestCount(), 2);
}

// Every worker gets the same port list, newest -n first.
TEST(Run, ConnectionPortsInListOrder) {
    FakeMib m = lexmark();
    // tcpConnState and tcpConnRemAddress, indexed by local address and port,
    // then remote address and port.
    m.set("1.3.6.1.2.1.6.13.1.1.127.0.1.1.515.127.0.9.9.1021", fake_int(5));
    m.set("1.3.6.1.2.1.6.13.1.4.127.0.1.1.515.127.0.9.9.1021", fake_ipaddr(127, 0, 9, 9));
    m.set("1.3.6.1.2.1.6.13.1.1.127.0.1.1.9100.127.0.9.8.40000", fake_int(8));
    m.set("1.3.6.1.2.1.6.13.1.4.127.0.1.1.9100.127.0.9.8.40000", fake_ipaddr(127, 0, 9, 8));
    auto a = agent("127.0.1.1", m);
    RunResult r = run_prowlet({"-n", "515", "--connection=9100", "127.0.1.1"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "port=\"9100\";state=\"closeWait\";remotehost=\"127.0.9.8\"\n"
              "port=\"515\";state=\"established\";remotehost=\"127.0.9.9\"\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Run, DefaultCommunity) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--vendor", "127.0.1.1"});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(a->requestCount(), 1);
    EXPECT_EQ(a->requests()[0].community, "quorum");
}

// Packet logs are numbered in target-list order: the last target gets 0.
TEST(Run, DebugLogsNumberedNewestTargetFirst) {
    auto p = agent("127.0.1.1", lexmark());
    auto q = agent("127.0.1.2", lexmark());
    TempDir dir("prowlet-e2e-log");
    RunResult r = run_prowlet({"--debugsnmp", "--vendor", "127.0.1.1", "127.0.1.2"},
                              std::chrono::seconds(60), dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    auto first_line = [&](const char *name) {
        std::ifstream f(dir.path() + "/" + name);
        std::string line;
        std::getline(f, line);
        return line;
    };
    EXPECT_EQ(first_line("snmplog.0"), "Contacting 127.0.1.2");
    EXPECT_EQ(first_line("snmplog.1"), "Contacting 127.0.1.1");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/snmplog.2"));
}

// A SET the printer refuses ends that printer's worker with a message naming
// the printer and the object it would have changed, and where the refusal
// means the community may not write, what to do; the others are not
// disturbed. The status stays that of a refusal (authorizationError: 23).
TEST(Run, RefusedSetIsReported) {
    struct Case {
        std::vector<std::string> version;
        int errorStatus;
        int errorIndex;
        std::string message;
        int status;
    };
    const std::string cause = "; the community may not write: use one with write access\n";
    const Case cases[] = {
        {{}, 4, 2, "prowlet: 127.0.1.1 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 4)" + cause, 12},
        {{}, 2, 1, "prowlet: 127.0.1.1 refused to set sysContact.0 (1.3.6.1.2.1.1.4.0, error-status 2)" + cause, 12},
        {{}, 3, 1, "prowlet: 127.0.1.1 refused to set sysContact.0 (1.3.6.1.2.1.1.4.0, error-status 3)\n", 12},
        {{}, 5, 0, "prowlet: 127.0.1.1 refused a SetRequest (error-status 5)\n", 12},
        {{}, 2, 0, "prowlet: 127.0.1.1 refused a SetRequest (error-status 2)" + cause, 12},
        // SNMPv2c: notWritable and noAccess are noSuchName in SNMPv1's terms.
        {{"-v", "2c"}, 17, 2, "prowlet: 127.0.1.1 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 2)" + cause, 12},
        {{"-v", "2c"}, 6, 1, "prowlet: 127.0.1.1 refused to set sysContact.0 (1.3.6.1.2.1.1.4.0, error-status 2)" + cause, 12},
        {{"-v", "2c"}, 16, 2,
         "prowlet: 127.0.1.1 denied the community access (authorizationError) to set sysLocation.0 "
         "(1.3.6.1.2.1.1.6.0)" + cause, 23},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        auto refusing = std::make_unique<FakeAgent>("127.0.1.1", 161, [&c](const FakeRequest &req) {
            return FakeAgent::reply(fake_error(req, c.errorStatus, c.errorIndex));
        });
        std::vector<std::string> args = c.version;
        args.insert(args.end(), {"--setcontact", "Ann", "--setlocation", "Hall", "127.0.1.1"});
        RunResult r = run_prowlet(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.status, c.status);
    }
}

TEST(Run, RefusedSetStopsOnlyItsPrinter) {
    auto refusing = std::make_unique<FakeAgent>("127.0.1.1", 161, [](const FakeRequest &req) {
        return FakeAgent::reply(fake_error(req, 4, 2));  // readOnly, second binding
    });
    auto fine = std::make_unique<FakeAgent>("127.0.1.2", 161, fake_mib_handler(lexmark()));
    RunResult r = run_prowlet({"--setcontact", "Ann", "--setlocation", "Hall", "127.0.1.1",
                               "127.0.1.2"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: 127.0.1.1 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 4); "
                     "the community may not write: use one with write access\n");
    EXPECT_EQ(r.status, 12);
    std::vector<FakeRequest> reqs = fine->requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].pduTag, 0xa3);
    ASSERT_EQ(reqs[0].bindings.size(), 2u);
    EXPECT_EQ(reqs[0].bindings[0].oid, SYSCONTACT);
    EXPECT_EQ(reqs[0].bindings[0].value, fake_string("Ann"));
    EXPECT_EQ(reqs[0].bindings[1].oid, SYSLOCATION);
    EXPECT_EQ(reqs[0].bindings[1].value, fake_string("Hall"));
}

// The general report runs before the SET, so --contact shows the old values.
TEST(Run, ContactPrintedBeforeSet) {
    auto a = agent("127.0.1.1", lexmark());
    RunResult r = run_prowlet({"--contact", "--setcontact", "New Contact", "127.0.1.1"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "contact=\"Old Contact\";location=\"Old Place\";\n");
    EXPECT_EQ(r.status, 0);
    RunResult again = run_prowlet({"--contact", "127.0.1.1"});
    EXPECT_EQ(again.out, "contact=\"New Contact\";location=\"Old Place\";\n");
}

TEST(Run, SilentPrinterIsNoResponse) {
    RunResult r = run_prowlet({"--timeout", "1", "--vendor", "127.0.1.9"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "prowlet: No response from 127.0.1.9\n");
    EXPECT_EQ(r.status, 8);
}

// A subnet of loopback printers: 6 workers, output in answer order.
TEST(Run, SubnetServedInFull) {
    std::vector<std::unique_ptr<FakeAgent>> agents;
    for (int i = 1; i <= 6; ++i)
        agents.push_back(std::make_unique<FakeAgent>(
            "127.0.2." + std::to_string(i), 161,
            delayed(lexmark(static_cast<std::uint32_t>(i)), {150 * (i - 1)})));
    RunResult r = run_prowlet({"--memory", "127.0.2.0/29"});
    EXPECT_EQ(r.err, "");
    std::string want;
    for (int i = 1; i <= 6; ++i)
        want += "hostname=\"127.0.2." + std::to_string(i) + "\";memsize=\"" + std::to_string(i) +
                "\";\n";
    EXPECT_EQ(r.out, want);
    EXPECT_EQ(r.status, 0);
}

// net-snmp's own agent takes the SET; its tools see the new values.
TEST(Run, SetContactAndLocationOnNetSnmp) {
    if (find_in_path("snmpd").empty()) GTEST_SKIP() << "snmpd not installed";
    NetSnmpConfig c;
    c.addresses = {"127.0.3.1"};
    c.community = "private";
    c.readWrite = true;
    NetSnmpAgent agent(c);
    RunResult r = run_prowlet({"-c", "private", "--setcontact", "Jane Doe, room 12",
                               "--setlocation", "Floor 3", "127.0.3.1"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(snmp_get_value("127.0.3.1", "private", SYSCONTACT), "Jane Doe, room 12");
    EXPECT_EQ(snmp_get_value("127.0.3.1", "private", SYSLOCATION), "Floor 3");
}

TEST(Run, ReadOnlyCommunityOnNetSnmpIsRefused) {
    if (find_in_path("snmpd").empty()) GTEST_SKIP() << "snmpd not installed";
    NetSnmpConfig c;
    c.addresses = {"127.0.3.1"};
    c.community = "public";
    NetSnmpAgent agent(c);
    std::string before = snmp_get_value("127.0.3.1", "public", SYSLOCATION);
    RunResult r = run_prowlet({"-c", "public", "--setlocation", "elsewhere", "127.0.3.1"});
    EXPECT_EQ(r.out, "");
    // SNMPv1 agents answer a write they refuse with noSuchName (2).
    EXPECT_EQ(r.err, "prowlet: 127.0.3.1 refused to set sysLocation.0 (1.3.6.1.2.1.1.6.0, error-status 2); "
                     "the community may not write: use one with write access\n");
    EXPECT_EQ(r.status, 12);
    EXPECT_EQ(snmp_get_value("127.0.3.1", "public", SYSLOCATION), before);
}

// ---- changes that fail -----------------------------------------------------

// Answers like mib, but never a SetRequest: an agent that drops what its
// community may not write, or a printer that restarts at the SET.
FakeHandler drops_sets(FakeMib mib) {
    FakeHandler inner = fake_mib_handler(std::move(mib));
    return [inner](const FakeRequest &req) mutable {
        if (req.pduTag == 0xa3) return std::vector<FakeSend>{};
        return inner(req);
    };
}

struct ChangeCase {
    std::string address;
    std::vector<std::string> options;
    FakeMib (*mib)();  // nullptr: nothing answers at the address
    std::string out;
    std::string err;
    int status;
};

std::string no_reset_answer(const std::string &host) {
    return "Warning: " + host + ": no answer to the reset; the printer may be restarting.\n";
}

// No change may pass for done: an unanswered SET is no response, an
// unanswered reset a warning (the printer may be restarting), and a firmware
// download asked of a printer that cannot take one says so.
TEST(Run, ChangesThatAreNotConfirmed) {
    const std::string fw = "127.0.0.1:fw.bin";
    const ChangeCase cases[] = {
        {"127.0.4.1", {"--setlocation", "Hall"}, nullptr, "", "prowlet: No response from 127.0.4.1\n", 8},
        {"127.0.4.2", {"--setcontact", "Ann"}, [] { return lexmark(); }, "",
         "prowlet: No response from 127.0.4.2\n", 8},
        {"127.0.4.3", {"--reboot"}, [] { return lexmark(); }, "", no_reset_answer("127.0.4.3"), 0},
        {"127.0.4.4", {"--reboot"}, [] { return hp(-1); }, "", no_reset_answer("127.0.4.4"), 0},
        {"127.0.4.5", {"--updatefirmware", fw}, [] { return hp(-1); }, "", "prowlet: No response from 127.0.4.5\n", 8},
        {"127.0.4.6", {"--reboot", "--updatefirmware", fw}, [] { return hp(-1); }, "", no_reset_answer("127.0.4.6"), 0},
        {"127.0.4.7", {"--vendor", "--updatefirmware", fw}, [] { return lexmark(); }, "vendor=\"Lexmark\";\n",
         "127.0.4.7: updatefirmware option not supported on this printer type.\n", 255},
        {"127.0.4.8", {"--all", "--updatefirmware", fw}, [] { return qms(); }, "",
         "127.0.4.8: updatefirmware option not supported on this printer type.\n", 255},
    };
    for (const ChangeCase &c : cases) {
        SCOPED_TRACE(c.address);
        std::unique_ptr<FakeAgent> a;
        if (c.mib) a = std::make_unique<FakeAgent>(c.address, 161, drops_sets(c.mib()));
        std::vector<std::string> args = {"--timeout", "0"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.address);
        RunResult r = run_prowlet(args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.status);
    }
}

// A --updatefirmware argument that is not SERVER:FILE is a usage error: nothing
// is resolved or sent.
TEST(Run, FirmwareArgumentCheckedBeforeAnythingIsSent) {
    auto a = agent("127.0.4.9", hp(-1));
    for (const char *bad : {"fw.bin", ":fw.bin", "server:", ""}) {
        RunResult r = run_prowlet({"--updatefirmware", bad, "127.0.4.9", "no-such-printer.invalid"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("prowlet: --updatefirmware needs SERVER:FILE, not \"") + bad +
                             "\".\nprowlet [-c community] {options} printername\n");
        EXPECT_EQ(r.status, 1);
    }
    EXPECT_EQ(a->requestCount(), 0);
}

// ---- names from a hosts file of the test's own ---------------------------------

// Runs prowlet in a mount namespace of its own whose /etc/hosts holds hosts.
RunResult run_with_hosts(const std::string &hosts, const std::vector<std::string> &args) {
    TempDir dir("prowlet-hosts");
    std::ofstream(dir.path() + "/hosts") << hosts;
    std::ofstream(dir.path() + "/host.conf") << "multi on\n";  // every address of a name
    std::vector<std::string> command = {
        "-m", "--", "sh", "-c",
        "mount --bind \"$1/hosts\" /etc/hosts && "
        "{ [ ! -e /etc/host.conf ] || mount --bind \"$1/host.conf\" /etc/host.conf; } && "
        "PATH=\"$2:$PATH\" && shift 2 && exec prowlet \"$@\"",
        "sh", dir.path(), std::filesystem::path(PROWLET_BINARY).parent_path().string()};
    command.insert(command.end(), args.begin(), args.end());
    return run_program(find_in_path("unshare"), command);
}

// A name whose first address is silent: the session fails over to the second,
// and the address printed, its netmask and the connection table are those of
// the address that answered.
TEST(Run, SecondAddressOfANameIsTheOneReported) {
    FakeMib m = lexmark();
    m.set("1.3.6.1.2.1.2.2.1.3.1", fake_int(6));
    m.set("1.3.6.1.2.1.2.2.1.6.1", fake_string(std::string("\x00\x04\x00\x11\x22\x33", 6)));
    m.set("1.3.6.1.2.1.4.21.1.7.0.0.0.0", fake_ipaddr(127, 0, 3, 254));
    m.set("1.3.6.1.2.1.4.20.1.3.127.0.3.1", fake_ipaddr(255, 255, 255, 0));
    m.set("1.3.6.1.2.1.4.20.1.3.127.0.3.9", fake_ipaddr(255, 255, 0, 0));
    m.set("1.3.6.1.2.1.6.13.1.1.127.0.3.1.9100.10.0.0.7.4000", fake_int(5));
    m.set("1.3.6.1.2.1.6.13.1.4.127.0.3.1.9100.10.0.0.7.4000", fake_ipaddr(10, 0, 0, 7));
    m.set("1.3.6.1.2.1.6.13.1.1.127.0.3.9.9100.10.0.0.9.4000", fake_int(2));
    m.set("1.3.6.1.2.1.6.13.1.4.127.0.3.9.9100.10.0.0.9.4000", fake_ipaddr(10, 0, 0, 9));
    auto a = agent("127.0.3.1", m);
    const std::string hosts = "127.0.3.9 twoaddr\n127.0.3.1 twoaddr\n";
    RunResult r = run_with_hosts(hosts, {"--timeout", "0", "--netconfig", "twoaddr"});
    EXPECT_EQ(r.out, "ipaddr=\"127.0.3.1\";netmask=\"255.255.255.0\";hwaddr=\"00:04:00:11:22:33:\";"
                     "gateway=\"127.0.3.254\";\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    r = run_with_hosts(hosts, {"--timeout", "0", "-n", "9100", "twoaddr"});
    EXPECT_EQ(r.out, "port=\"9100\";state=\"established\";remotehost=\"10.0.0.7\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Digit-led names that are not whole ranges or subnets are host names.
TEST(Run, DigitLedHostNames) {
    auto a = agent("127.0.3.2", lexmark());
    auto b = agent("127.0.3.3", efi());
    RunResult r = run_with_hosts("127.0.3.2 3com-printer\n127.0.3.3 2nd-floor-hp\n",
                                 {"--vendor", "3com-printer", "2nd-floor-hp", "10.0.0.1-5x"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "SNMP: cannot resolve hostname \"10.0.0.1-5x\".\n");
    EXPECT_EQ(r.status, 252);
    r = run_with_hosts("127.0.3.2 3com-printer\n127.0.3.3 2nd-floor-hp\n", {"--vendor", "3com-printer", "2nd-floor-hp"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    std::string out = r.out;
    EXPECT_NE(out.find("hostname=\"3com-printer\";vendor=\"Lexmark\";\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hostname=\"2nd-floor-hp\";vendor=\"EFI\";\n"), std::string::npos) << out;
}

// The TFTP server is the first address of its name in the resolver's own
// order; address sorting would put the loopback address first.
TEST(Run, FirmwareServerIsTheFirstAddressOfItsName) {
    auto a = agent("127.0.3.4", hp(-1));
    RunResult r = run_with_hosts("10.0.0.5 tftphost\n127.0.0.1 tftphost\n",
                                 {"--updatefirmware", "tftphost:fw.bin", "127.0.3.4"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    std::vector<FakeRequest> sets;
    for (const FakeRequest &q : a->requests())
        if (q.pduTag == 0xa3) sets.push_back(q);
    ASSERT_EQ(sets.size(), 1u);
    ASSERT_EQ(sets[0].bindings.size(), 4u);
    EXPECT_EQ(sets[0].bindings[2].value, fake_string(std::string("\x0a\x00\x00\x05\x00\x45", 6)));
}

}  // namespace
