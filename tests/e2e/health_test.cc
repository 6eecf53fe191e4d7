// The health end to end: check_printers and prowlet --health against every
// real recording and every recording of the project's own (snmpsimd), the
// state of each written here by hand; single printers through the plugin's
// status line; the same states in SNMPv2c; JSON and classic output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/json_lines.h"
#include "tests/support/perfdata.h"
#include "tests/support/run_prowlet.h"

namespace fs = std::filesystem;

namespace {

const char kCommunity[] = "public";

// The states by the default rules, read off each recording by hand. The
// interesting ones carry their summary too: "-3" and "-2" levels, waste
// boxes, a Brother whose toner reads 100 with lowToner set.
struct Expected {
    const char *state;
    const char *summary = nullptr;  // the text after "HOST STATE - "
};
const std::map<std::string, Expected> kStates = {
    // Real printers (../shared/realdata).
    {"brother-hl5370dw-nc6800h.snmprec",  // -3, and a level of 0 of capacity -2: named, not judged
     {"OK", "Brother HL-5370DW series: 3 supplies ok (lowest: Drum Unit 68.83%), "
            "black toner #1: level 0 of an unknown capacity"}},
    {"brother-nc8300h.snmprec", {"OK", "Brother MFC-L2710DW series: 2 supplies ok (lowest: Drum Unit 95.84%)"}},
    {"canon-d1180-mf6680.snmprec", {"UNKNOWN", "Canon D1180/MF6680 /P: reports no printer state"}},
    {"canon-imageprograf-tm5300.snmprec",  // a waste ink tank 90 % full
     {"WARNING", "Canon TM-5300: CANON Waste Ink Tank 90% full (warning below 20% space left)"}},
    {"canon-ir-adv-c5235.snmprec", {"UNKNOWN"}},
    {"canon-lbp6670.snmprec", {"OK"}},
    {"canon-lbp7660c.snmprec", {"UNKNOWN"}},
    {"dell-3115cn-mfp.snmprec", {"UNKNOWN"}},
    {"dell-b3460dn.snmprec", {"UNKNOWN"}},
    {"dell-s5830dn.snmprec", {"OK"}},
    {"develop-ineo280.snmprec", {"UNKNOWN"}},
    {"epson-ds860-scanserver.snmprec", {"OK", "DS-860: no problems reported"}},
    {"epson-wf-c5790.snmprec",
     {"CRITICAL", "EPSON WF-C5790BA: black ink 1% (critical below 5%), cyan ink 1% (critical below 5%), "
                  "magenta ink 1% (critical below 5%), yellow ink 1% (critical below 5%)"}},
    {"fujifilm-apeos-c7580.snmprec", {"WARNING", "FUJIFILM Apeos C7580: tray 5 empty"}},  // -3 waste box
    {"fujifilm-apeospro-c810.snmprec", {"OK", "FUJIFILM ApeosPro C810: 10 supplies ok (lowest: Black Toner 2 90%)"}},
    {"fujixerox-apeosport-vi-c4471.snmprec", {"UNKNOWN"}},
    {"fujixerox-docuprint-cm305df.snmprec", {"UNKNOWN"}},
    {"gestetner-mpc2500.snmprec", {"UNKNOWN"}},
    {"hp-color-laserjet-m252dw.snmprec", {"OK", "HP Color LaserJet Pro M252dw: 4 supplies ok (lowest: yellow toner 36%)"}},
    {"hp-color-laserjet-m452nw.snmprec", {"OK"}},
    {"hp-color-laserjet-m880.snmprec",  // -3 staplers, capacity -2
     {"WARNING", "HP Color LaserJet flow MFP M880: Tray 1 empty, cyan toner cartridge 16% (warning below 20%)"}},
    {"hp-jetdirect-ex-jd28.snmprec", {"UNKNOWN"}},
    {"hp-jetdirect-jd143.snmprec", {"UNKNOWN"}},
    {"hp-laserjet-mfp-m130nw.snmprec", {"OK"}},
    {"konica-bizhub-25e.snmprec", {"WARNING", "Konica Minolta bizhub 25e: black toner 8% (warning below 20%)"}},
    {"konica-bizhub-c250i.snmprec",  // a -3 waste box; serviceRequested
     {"WARNING", "KONICA MINOLTA bizhub C250i: printer reports serviceRequested, tray 7 empty"}},
    {"konica-bizhub-c3110.snmprec", {"OK", "Generic 28C-1: 17 supplies ok (lowest: black drum 20%)"}},
    {"kyocera-fs1028mfp.snmprec", {"UNKNOWN"}},
    {"lanier-mpc3501.snmprec", {"UNKNOWN"}},
    {"lexmark-t640.snmprec", {"UNKNOWN"}},
    {"nrg-sp4210n.snmprec", {"UNKNOWN"}},
    {"oki-mc342-okilan8500e.snmprec", {"UNKNOWN"}},
    {"oki-mc873-okilan9450g.snmprec", {"OK"}},
    {"ricoh-aficio-mp201.snmprec", {"UNKNOWN"}},
    {"ricoh-aficio-mpc3002.snmprec",  // a waste box at 100 of 100: full
     {"CRITICAL", "RICOH Aficio MP C3002: Tray 4 empty, Waste Toner 100% full (critical below 5% space left)"}},
    {"ricoh-mp3053.snmprec", {"UNKNOWN"}},
    {"samsung-clx3170.snmprec", {"UNKNOWN"}},
    {"samsung-m4080fx.snmprec", {"WARNING", "Samsung M408x Series: printer reports lowPaper"}},
    {"samsung-ml2850.snmprec", {"UNKNOWN"}},
    {"savin-mpc4503.snmprec", {"UNKNOWN"}},
    {"sharp-mx2614n.snmprec", {"UNKNOWN"}},
    {"sharp-mx3140n.snmprec", {"UNKNOWN"}},
    {"sharp-mx3570n.snmprec",  // -2 levels, lowToner
     {"WARNING", "SHARP MX-3570N: printer reports lowToner, magenta toner 19% (warning below 20%)"}},
    {"sharp-mxc301w.snmprec", {"UNKNOWN"}},
    {"sharp-mxm266nv.snmprec", {"WARNING", "SHARP MX-M266NV: Tray 2 empty"}},  // -2 levels
    {"toshiba-estudio2505ac.snmprec", {"UNKNOWN"}},
    {"toshiba-estudio305cs.snmprec", {"UNKNOWN"}},
    {"toshiba-tec-b-ev4.snmprec", {"UNKNOWN"}},
    {"toshiba-tec-b-fv4.snmprec", {"UNKNOWN"}},
    {"toshiba-tec-b-sx5t.snmprec", {"UNKNOWN"}},
    {"tsc-ttp244ce.snmprec", {"UNKNOWN"}},
    {"utax-p4532dn.snmprec", {"OK"}},
    {"xerox-altalink-c8045.snmprec", {"OK"}},
    {"xerox-color-570.snmprec", {"UNKNOWN"}},
    {"xerox-phaser-4600.snmprec", {"UNKNOWN"}},
    {"xerox-workcentre-6605dn.snmprec", {"UNKNOWN"}},
    {"zebra-zebranet-wired-ps.snmprec", {"OK", "ZebraNet Wired PS: no problems reported"}},
    // The project's own (tests/agents/recordings).
    {"efi-fiery-color-printer-server.snmprec", {"OK"}},
    {"efi-fiery-server-zx.snmprec", {"OK"}},
    {"fuji-able-prii.snmprec", {"UNKNOWN"}},
    {"hp-color-laserjet-4500.snmprec",
     {"CRITICAL", "HP Color LaserJet 4500: alert warning: CYAN CARTRIDGE LOW (markerTonerAlmostEmpty), alert "
                  "critical: FRONT DOOR OPEN (doorOpen), Front Door open, cyan toner 8% (warning below 20%), "
                  "Transfer Kit 14.6% (warning below 20%)"}},
    {"hp-laserjet-4000.snmprec", {"CRITICAL"}},
    {"hp-laserjet-5m-jetdirect-ex.snmprec", {"UNKNOWN"}},
    {"ibm-infoprint-21.snmprec", {"UNKNOWN"}},
    {"lexmark-optra-s1855.snmprec", {"WARNING"}},
    {"qms-magicolor-2.snmprec", {"UNKNOWN"}},
    {"tektronix-phaser-740-no-hostmib.snmprec", {"UNKNOWN"}},
    {"tektronix-phaser-850.snmprec", {"WARNING"}},
    {"unknown-vendor.snmprec", {"UNKNOWN"}},
    {"windows-nt-host.snmprec", {"UNKNOWN"}},
    {"xerox-document-centre-230st-131.snmprec", {"WARNING"}},
    {"xerox-document-centre-230st.snmprec", {"WARNING"}},
    {"xerox-document-centre-265.snmprec",
     {"WARNING", "Xerox Document Centre: alert warning: Document handler open (coverOpen), Document Handler open"}},
    {"xerox-docuprint-n32.snmprec", {"WARNING"}},
    {"xerox-unknown-model.snmprec", {"UNKNOWN"}},
    // The project's own (tests/e2e/recordings).
    {"generic-both.snmprec", {"UNKNOWN"}},
    {"generic-counter64.snmprec", {"UNKNOWN"}},
    {"generic-end.snmprec", {"UNKNOWN"}},
    {"generic-hostonly.snmprec", {"OK"}},
    {"generic-none.snmprec", {"UNKNOWN"}},
    {"generic-printeronly.snmprec", {"UNKNOWN"}},
    {"health-brother-lowtoner.snmprec", {"WARNING", "Brother HL-L2350DW series: printer reports lowToner"}},
    {"health-colorbox-good.snmprec", {"OK", "Acme ColorBox 5: 4 supplies ok (lowest: yellow toner 50%)"}},
    {"health-colorbox-trouble.snmprec",
     {"CRITICAL", "Acme ColorBox 7: printer reports doorOpen, printer reports inputTrayMissing, alert critical: "
                  "Paper jam in duplexer (jammed), alert warning: Tray 2 missing (inputMediaTrayMissing), Tray 2 "
                  "missing, Front Cover open, black toner cartridge 3% (critical below 5%), Waste Toner Box 97% "
                  "full (critical below 5% space left), Fuser Unit 0% (critical below 5%)"}},
    {"printmib-alerts-int.snmprec", {"CRITICAL"}},
    {"printmib-alerts.snmprec", {"CRITICAL"}},
    {"printmib-channels.snmprec", {"UNKNOWN"}},
    {"printmib-current.snmprec", {"CRITICAL"}},
    {"printmib-markers.snmprec", {"UNKNOWN"}},
    {"printmib-media.snmprec", {"UNKNOWN"}},
    {"printmib-nolang.snmprec", {"UNKNOWN"}},
    {"printmib-panel.snmprec", {"WARNING", "T644: Rear door open, Fuser 83% full (warning below 20% space left)"}},
    {"printmib-trays.snmprec", {"OK"}},
};

std::vector<std::string> recordings_in(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().extension() == ".snmprec") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every recording at an address of its own: the real ones at 127.0.9.N, the
// project's at 127.0.1.N (agents) and 127.0.8.N (e2e).
struct Fleet {
    std::vector<PrinterRecording> real, own;
    std::map<std::string, std::string> recordingAt;  // address -> file name
};

Fleet fleet() {
    Fleet f;
    f.real = realdata_printers();
    for (const PrinterRecording &p : f.real) f.recordingAt[p.address] = fs::path(p.recording).filename().string();
    const std::pair<std::string, std::string> dirs[] = {
        {std::string(PROWLET_SOURCE_DIR) + "/tests/agents/recordings", "127.0.1."},
        {std::string(PROWLET_SOURCE_DIR) + "/tests/e2e/recordings", "127.0.8."}};
    for (const auto &[dir, net] : dirs) {
        int n = 0;
        for (const std::string &name : recordings_in(dir)) {
            const std::string address = net + std::to_string(++n);
            f.own.push_back({address, dir + "/" + name});
            f.recordingAt[address] = name;
        }
    }
    return f;
}

std::unique_ptr<SimulatedPrinters> ownAgent, realAgent;

class Agents : public testing::Environment {
 public:
    void SetUp() override {
        const Fleet f = fleet();
        ownAgent = std::make_unique<SimulatedPrinters>(f.own, kCommunity);
        if (!f.real.empty()) realAgent = std::make_unique<SimulatedPrinters>(f.real, kCommunity, std::chrono::seconds(120));
    }
    void TearDown() override {
        realAgent.reset();
        ownAgent.reset();
    }
};
const auto *const kAgents = testing::AddGlobalTestEnvironment(new Agents);

RunResult run_check(const std::vector<std::string> &args) {
    return run_program(CHECK_PRINTERS_BINARY, args, std::chrono::seconds(120), "", "check_printers");
}

std::vector<std::string> every_address(const Fleet &f) {
    std::vector<std::string> out;
    for (const auto &[address, name] : f.recordingAt) out.push_back(address);
    return out;
}

// "HOST STATE - summary" lines of a verbose sweep, by host.
std::map<std::string, std::pair<std::string, std::string>> sweep_lines(const PluginOutput &out) {
    static const std::regex line(R"(^(\S+) (OK|WARNING|CRITICAL|UNKNOWN) - (.*?) ?$)");
    std::map<std::string, std::pair<std::string, std::string>> byHost;
    for (const std::string &l : out.longLines) {
        std::smatch m;
        if (std::regex_match(l, m, line)) byHost[m[1]] = {m[2], m[3]};
    }
    return byHost;
}

TEST(HealthEndToEnd, StateOfEveryRecording) {
    const Fleet f = fleet();
    std::vector<std::string> args = {"-v", "-t", "60"};
    for (const std::string &a : every_address(f)) args.insert(args.end(), {"-H", a});
    const RunResult r = run_check(args);
    const PluginOutput out = parse_plugin_output(r.out);
    ASSERT_EQ("", out.error) << r.out;
    EXPECT_EQ(2, r.status) << "the worst state is CRITICAL";
    const auto byHost = sweep_lines(out);
    for (const auto &[address, name] : f.recordingAt) {
        auto want = kStates.find(name);
        ASSERT_NE(kStates.end(), want) << "no expected state for " << name;
        auto got = byHost.find(address);
        ASSERT_NE(byHost.end(), got) << name << " missing from\n" << r.out;
        EXPECT_EQ(want->second.state, got->second.first) << name << ": " << got->second.second;
        if (want->second.summary) {
            EXPECT_EQ(want->second.summary, got->second.second) << name;
        }
    }
    EXPECT_EQ(kStates.size(), f.recordingAt.size()) << "a recording in the table is not served";
}

TEST(HealthEndToEnd, SnmpV2cAndJsonAgree) {
    const Fleet f = fleet();
    std::vector<std::string> addresses = every_address(f);
    std::vector<std::string> args = {"-v", "-P", "2c", "-t", "60", "--perfdata", "none"};
    args.insert(args.end(), addresses.begin(), addresses.end());
    const auto v2c = sweep_lines(parse_plugin_output(run_check(args).out));
    std::vector<std::string> json = {"-c", kCommunity, "--generic", "--health", "--json"};
    json.insert(json.end(), addresses.begin(), addresses.end());
    const RunResult j = run_prowlet(json);
    const JsonLines lines = read_json_lines(j.out);
    ASSERT_EQ("", lines.problem);
    ASSERT_EQ(addresses.size(), lines.fields.size()) << j.err;
    for (const auto &[host, fields] : lines.fields) {
        const std::string &name = f.recordingAt.at(host);
        EXPECT_TRUE(fields.count({"health", kStates.at(name).state})) << name;
        auto got = v2c.find(host);
        ASSERT_NE(v2c.end(), got) << name;
        EXPECT_EQ(kStates.at(name).state, got->second.first) << name << " in SNMPv2c";
    }
}

struct SingleCase {
    const char *name;
    std::vector<std::string> args;
    int status;
    std::string statusLine;
};

TEST(HealthEndToEnd, OnePrinter) {
    const SingleCase cases[] = {
        {"Brother: 100 and lowToner", {"-H", "127.0.8.7"}, 1,
         "PRINTER WARNING - Brother HL-L2350DW series: printer reports lowToner | 'black toner'=100%;20:;5:;0;100 "
         "'Drum Unit'=91.67%;20:;5:;0;100 'pages'=12873c;;;0;"},
        {"rules of one's own: the fuser left out, jams and open doors only warn",
         {"-H", "127.0.8.9", "-e", "fuser", "--error", "doorOpen=warning", "--critical-alerts", "warning", "-w",
          "50:", "-c", "2:", "--perfdata", "none"},
         1,
         "PRINTER WARNING - Acme ColorBox 7: printer reports doorOpen, printer reports inputTrayMissing, alert "
         "critical: Paper jam in duplexer (jammed), alert warning: Tray 2 missing (inputMediaTrayMissing), Tray 2 "
         "missing, Front Cover open, black toner cartridge 3% (warning below 50%), Waste Toner Box 97% full "
         "(warning below 50% space left)"},
        {"colours from the colorant table", {"-H", "127.0.8.8", "-c", "@40:60"}, 2,
         "PRINTER CRITICAL - Acme ColorBox 5: magenta toner 60% (critical within 40-60%), yellow "
         "toner 50% (critical within 40-60%) | 'black toner'=80%;20:;@40:60;0;100 'cyan toner'=70%;20:;@40:60;0;100 "
         "'magenta toner'=60%;20:;@40:60;0;100 'yellow toner'=50%;20:;@40:60;0;100 'pages'=5120c;;;0;"},
        {"silent: critical by default", {"-H", "127.0.5.1", "-t", "4"}, 2, "PRINTER CRITICAL - 127.0.5.1: no answer"},
        {"silent: unknown when switched off at night", {"-H", "127.0.5.1", "-t", "4", "--silent", "unknown"}, 3,
         "PRINTER UNKNOWN - 127.0.5.1: no answer"},
        {"wrong community: silence", {"-H", "127.0.8.8", "-C", "nobody", "-t", "4"}, 2,
         "PRINTER CRITICAL - 127.0.8.8: no answer"},
        {"no printer state", {"-H", "127.0.9.3", "--not-a-printer", "ok"}, 0,
         "PRINTER OK - Canon D1180/MF6680 /P: reports no printer state"},
    };
    for (const SingleCase &c : cases) {
        const RunResult r = run_check(c.args);
        EXPECT_EQ(c.status, r.status) << c.name;
        EXPECT_EQ(c.statusLine, r.out.substr(0, r.out.find('\n'))) << c.name;
        EXPECT_EQ("", parse_plugin_output(r.out).error) << c.name;
        EXPECT_EQ("", r.err) << c.name;
    }
}

// A printer that answers every request, but each after 400 ms, with a long
// supply table: the check writes what it has when its time is nearly over,
// that printer UNKNOWN, the quick one judged.
TEST(HealthEndToEnd, TheTimeOutEndsTheCheck) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("Acme SlowBox"));
    for (int i = 1; i <= 40; ++i) mib.set("1.3.6.1.2.1.43.11.1.1.9.1." + std::to_string(i), fake_int(50));
    FakeHandler inner = fake_mib_handler(mib);
    FakeAgent slow("127.0.6.1", 0, [inner](const FakeRequest &req) mutable {
        std::vector<FakeSend> sends = inner(req);
        for (FakeSend &s : sends) s.delay = std::chrono::milliseconds(400);
        return sends;
    });
    FakeAgent quick("127.0.6.2", slow.port(), fake_mib_handler(mib));
    const RunResult r = run_check({"-H", "127.0.6.1,127.0.6.2", "-p", std::to_string(slow.port()), "-t", "3",
                                   "--perfdata", "none", "-v"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(3, r.status);
    EXPECT_EQ("PRINTER UNKNOWN - 2 printers: 1 OK, 0 WARNING, 0 CRITICAL, 1 UNKNOWN\n"
              "127.0.6.1 UNKNOWN - no complete answer within 3 s\n"
              "127.0.6.2 OK - Acme SlowBox: 40 supplies ok\n",
              r.out);
}

// SNMPv3 with check_snmp's options; a wrong passphrase is a refusal.
TEST(HealthEndToEnd, SnmpV3) {
    const V3User user{"monitor", "SHA-256", "AES", "monitor-auth-pass", "monitor-priv-pass"};
    SimulatedV3Printers agent(
        {{"127.0.2.1", std::string(PROWLET_SOURCE_DIR) + "/tests/e2e/recordings/health-brother-lowtoner.snmprec"}},
        {user});
    const std::vector<std::string> v3 = {"-P", "3", "-U", "monitor", "-L", "authPriv", "-a", "SHA-256", "-x", "AES",
                                         "-H", "127.0.2.1", "--perfdata", "none", "-A", "monitor-auth-pass"};
    std::vector<std::string> right = v3, wrong = v3;
    right.insert(right.end(), {"-X", "monitor-priv-pass"});
    wrong.insert(wrong.end(), {"-X", "monitor-priv-pasX", "-t", "4"});
    const RunResult r = run_check(right);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("PRINTER WARNING - Brother HL-L2350DW series: printer reports lowToner\n", r.out);
    // snmpsimd drops what it cannot decrypt: silence.
    const RunResult w = run_check(wrong);
    EXPECT_EQ(2, w.status);
    EXPECT_EQ("PRINTER CRITICAL - 127.0.2.1: no answer\n", w.out);
    const RunResult noUser = run_check({"-P", "3", "-H", "127.0.2.1"});
    EXPECT_EQ(3, noUser.status);
    EXPECT_EQ("PRINTER UNKNOWN - -P 3 needs a user name (-U).\n", noUser.out);
}

TEST(HealthEndToEnd, ProwletOutput) {
    const RunResult classic = run_prowlet({"-c", kCommunity, "--generic", "--health", "127.0.8.7"});
    EXPECT_EQ("health=\"WARNING\";healthReasons=\"WARNING printer reports lowToner\";\n", classic.out);
    // Classic and JSON say the same; JSON adds colours and the detected errors.
    const std::vector<std::string> args = {"-c", kCommunity, "--generic", "--supplies", "--health", "127.0.8.9"};
    const RunResult text = run_prowlet(args);
    std::vector<std::string> withJson = args;
    withJson.insert(withJson.begin(), "--json");
    const JsonLines json = read_json_lines(run_prowlet(withJson).out);
    ASSERT_EQ("", json.problem);
    const FieldSet &got = json.fields.at("127.0.8.9");
    EXPECT_EQ("", fields_disagree(classic_fields(text.out, "127.0.8.9").at("127.0.8.9"), got));
    for (const char *colour : {"black", "cyan", "magenta", "yellow", "(null)"})
        EXPECT_TRUE(got.count({"colour", colour})) << colour;
    EXPECT_TRUE(got.count({"detectedErrors", "doorOpen,inputTrayMissing"}));
    EXPECT_TRUE(got.count({"health", "CRITICAL"}));
}

}  // namespace
