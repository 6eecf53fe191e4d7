// The general reports against a scripted agent on loopback: what each report
// asks, what it prints, what it warns, which flags and capability bits it leaves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "frontend/failures.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/hostres.h"
#include "reports/hp.h"
#include "reports/mib2.h"
#include "reports/oids.h"
#include "reports/output.h"
#include "reports/printmib.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"
#include "tests/reports/script_agent.h"

using namespace script_agent;

namespace {

constexpr const char *SYSDESCR = oid::sysDescr;
constexpr const char *SYSCONTACT = oid::sysContact;
constexpr const char *SYSLOCATION = oid::sysLocation;
constexpr const char *HPID = oid::hpDeviceId;
constexpr const char *HPSTATUS = oid::hpStatus;
constexpr const char *HPDISPLAY = oid::hpDisplay;
constexpr const char *NETMASK = "1.3.6.1.2.1.4.20.1.3.127.0.0.1";  // ipAdEntNetMask of the agent's address
constexpr const char *GATEWAY = oid::defaultNextHop;
constexpr const char *JETDIRECT = "HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149,EEPROM JDI23";

struct Outcome {
    std::string out;
    std::string err;
    int exitStatus = 0;  // WorkerExit status, 0 when the report returned
};

class GeneralAgent : public testing::Test {
 protected:
    void SetUp() override {
        // The transport's deadline is whole seconds from now plus the timeout:
        // 2 waits at least one second, enough for a loaded machine.
        sock = std::make_unique<SNMP_socket>(2, 0, agent.port());
        session = std::make_unique<SNMP_session>(sock.get(), "printer1", "public",
                                                 std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}});
    }
    void TearDown() override {
        session.reset();
        sock.reset();
    }

    // Runs a report as the worker would: with the fixture's flags, capability
    // word and settings, a failure reported at the top, classic output.
    template <class F>
    Outcome run(F body) {
        Outcome o;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        {
            OutputWriter writer;
            ClassicOutput out(writer, "printer1", (flags[0] & F0_NAME) != 0);
            session->setWarningSink(&out);
            const RunSettings run{settings, ports};
            ReportContext ctx(*session, out, run, FlagWords::from_words(flags[0], flags[1], flags[2]));
            ctx.capFlags = Capabilities::from_word(capFlags);
            try {
                body(ctx);
            } catch (...) {
                o.exitStatus = report_failure(out);
            }
            session->setWarningSink(nullptr);
            for (int w = 0; w < 3; ++w) flags[w] = ctx.flags.word(w);
            capFlags = ctx.capFlags.word();
            out.finish(0);
        }
        o.out = testing::internal::GetCapturedStdout();
        o.err = testing::internal::GetCapturedStderr();
        return o;
    }

    Outcome general(std::uint64_t f0, std::uint64_t f1 = 0, std::uint64_t f2 = 0,
                    const char *firmware = nullptr) {
        flags[0] = f0;
        flags[1] = f1;
        flags[2] = f2;
        capFlags = 0;
        if (f0 & F0_HOSTRES_MASK) capFlags |= CAP_WANT_HOSTRES;
        if ((f0 & F0_PRINTMIB_MASK) || (f1 & F1_PRINTMIB_MASK)) capFlags |= CAP_WANT_PRINTMIB;
        if ((f1 & F1_CFGSRC) || (f2 & F2_UPDATEFIRMWARE)) capFlags |= CAP_WANT_VENDOR;
        settings[SETTING_UPDATEFIRMWARE] = firmware;
        return run([&](ReportContext &ctx) { do_general_get(ctx); });
    }

    void hp(const std::string &id, const std::string &descr = JETDIRECT) {
        agent.set(SYSDESCR, octets(descr));
        agent.set(HPID, octets(id));
    }

    std::vector<Request> sets() {
        std::vector<Request> out;
        for (const Request &r : agent.requests())
            if (r.pduTag == 0xa3) out.push_back(r);
        return out;
    }

    ScriptAgent agent;
    std::unique_ptr<SNMP_socket> sock;
    std::unique_ptr<SNMP_session> session;
    std::uint64_t flags[3] = {0, 0, 0};
    std::uint64_t capFlags = 0;
    const char *settings[4] = {nullptr, nullptr, nullptr, nullptr};
    std::vector<std::uint16_t> ports;  // -n/--connection ports, in print order
};

// ---- Identification ---------------------------------------------------------

TEST_F(GeneralAgent, HpModelWithStandardMibs) {
    hp("MFG:Hewlett-Packard;CMD:PJL,PCL;MODEL:HP LaserJet 4000 Series;");
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("vendor=\"HP\";model=\"LaserJet 4000 Series\";hostmib=\"Y\";printmib=\"Y\";\n", o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(0, o.exitStatus);
    EXPECT_EQ(VENDOR_HP, static_cast<int>(capFlags >> CAP_VENDOR_SHIFT & 0xf));
    EXPECT_EQ(CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB, capFlags & (CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB));
}

TEST_F(GeneralAgent, HpRequestsAreSysDescrThenIdentification) {
    hp("MDL:HP LaserJet 4000;");
    general(F0_MODEL);
    std::vector<Request> reqs = agent.requests();
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ(0xa0, reqs[0].pduTag);
    ASSERT_EQ(1u, reqs[0].bindings.size());
    EXPECT_EQ(SYSDESCR, reqs[0].bindings[0].oid);
    EXPECT_EQ(0x05, reqs[0].bindings[0].value.tag);
    ASSERT_EQ(1u, reqs[1].bindings.size());
    EXPECT_EQ(HPID, reqs[1].bindings[0].oid);
}

TEST_F(GeneralAgent, HpVendorOnlyAsksNoIdentification) {
    hp("MDL:HP LaserJet 4000;");
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ("vendor=\"HP\";\n", o.out);
    EXPECT_EQ(1u, agent.requests().size());
}

TEST_F(GeneralAgent, HpMdlKeepsPrefix) {
    hp("MFG:Hewlett-Packard;MDL:HP LaserJet 4000;CLS:PRINTER;");
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("model=\"HP LaserJet 4000\";\n", o.out);
}

TEST_F(GeneralAgent, HpModelTextIsEscaped) {
    hp("MDL:HP \"Laser\"\\Jet\x01;");
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("model=\"HP \\\"Laser\\\"\\\\Jet\\x01\";\n", o.out);
}

TEST_F(GeneralAgent, HpAncientFirmware) {
    hp("MDL:HP LaserJet 4000;", "HP JETDIRECT,EEPROM A.03.12");
    Outcome o = general(F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("hostmib=\"N\";printmib=\"Y\";\n", o.out);
    EXPECT_EQ("Warning: printer1 has ancient firmware. Please upgrade it!\n", o.err);
}

TEST_F(GeneralAgent, HpJetdirectExLaserJet5HasNoMibs) {
    hp("MDL:HP LaserJet 5;", "HP ETHERNET,JETDIRECT EX,JD28");
    Outcome o = general(F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("hostmib=\"N\";printmib=\"N\";\n", o.out);
}

TEST_F(GeneralAgent, HpOlderModelLanguagesInListOrder) {
    hp("MFG:HP;CMD:PJL,PCL,POSTSCRIPT;MDL:HP LaserJet 4M;");
    Outcome o = general(F0_MODEL, F1_PCL | F1_PJL | F1_POSTSCRIPT | F1_PSPRINTER);
    EXPECT_EQ("model=\"HP LaserJet 4M\";pjl=\"Y\";pcl=\"Y\";postscript=\"Y\";\n", o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(F1_PSPRINTER, flags[1]);
    // The printer-MIB work bit stays: the worker still reports what is left.
    EXPECT_EQ(CAP_WANT_PRINTMIB, capFlags & (CAP_WANT_PRINTMIB | CAP_HAS_PRINTMIB));
}

TEST_F(GeneralAgent, HpOlderModelLeadingSpaceItemUnanswered) {
    hp("MFG:HP;COMMAND SET:PJL, PCL;MDL:HP LaserJet 4M;");
    Outcome o = general(0, F1_PCL | F1_PJL);
    EXPECT_EQ("pjl=\"Y\";\n", o.out);
    EXPECT_EQ(F1_PCL, flags[1]);
}

TEST_F(GeneralAgent, HpOlderModelWithoutCommandSet) {
    hp("MFG:HP;MDL:HP LaserJet 4M;");
    Outcome o = general(0, F1_PCL);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("Warning: printer1: no \"COMMAND SET:\" or \"CMD:\" in \"MFG:HP;MDL:HP LaserJet 4M;\"; "
              "languages not answered.\n",
              o.err);
    EXPECT_EQ(F1_PCL, flags[1]);
}

TEST_F(GeneralAgent, HpOlderModelWithoutCommandSetAskedOnlyForLanguages) {
    hp("MFG:HP;MDL:HP LaserJet 4M;");
    Outcome o = general(0, F1_LANGUAGES | F1_AUTOLANG);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(F1_LANGUAGES | F1_AUTOLANG, flags[1]);
}

TEST_F(GeneralAgent, HpOlderModelStatusAndDisplayFromPrivateMib) {
    hp("MDL:HP LaserJet 4M;");
    agent.set(HPSTATUS, octets("READY"));
    agent.set(HPDISPLAY, octets("00 READY"));
    Outcome o = general(F0_STATUS | F0_DISPLAY | F0_VENDOR);
    EXPECT_EQ("vendor=\"HP\";status=\"READY\";displayBufferText=\"00 READY\";\n", o.out);
    EXPECT_EQ(0u, flags[0] & (F0_STATUS | F0_DISPLAY));
    EXPECT_EQ(0u, capFlags & (CAP_WANT_HOSTRES | CAP_WANT_PRINTMIB));
}

TEST_F(GeneralAgent, HpPrivateStatusKeepsHostWorkForMemory) {
    hp("MDL:HP LaserJet 4M;");
    agent.set(HPSTATUS, octets("READY"));
    Outcome o = general(F0_STATUS | F0_MEMORY);
    EXPECT_EQ("status=\"READY\";\n", o.out);
    EXPECT_EQ(CAP_WANT_HOSTRES, capFlags & CAP_WANT_HOSTRES);
}

TEST_F(GeneralAgent, HpWithoutModelKeyEndsWorker) {
    hp("MFG:Hewlett-Packard;CMD:PCL;");
    Outcome o = general(F0_MODEL);
    EXPECT_EQ(-3, o.exitStatus);
    EXPECT_EQ("printer1: Can't find \"MODEL:\" or \"MDL:\" in \"MFG:Hewlett-Packard;CMD:PCL;\"\n", o.err);
    EXPECT_EQ("", o.out);
}

TEST_F(GeneralAgent, HpEmptyIdentification) {
    hp("");
    Outcome o = general(F0_MODEL | F0_HOSTMIB);
    EXPECT_EQ("hostmib=\"N\";\n", o.out);
    EXPECT_EQ("Warning: printer1 model not reported.\n", o.err);
}

TEST_F(GeneralAgent, HpRefusedIdentificationCountsAsNotReported) {
    agent.set(SYSDESCR, octets(JETDIRECT));  // no HP identification variable at all
    Outcome o = general(F0_MODEL | F0_PRINTMIB);
    EXPECT_EQ("printmib=\"N\";\n", o.out);
    EXPECT_EQ("Warning: printer1 model not reported.\n", o.err);
    EXPECT_EQ(0, o.exitStatus);
}

TEST_F(GeneralAgent, HpIdentificationOfWrongTypeCountsAsNotReported) {
    agent.set(SYSDESCR, octets(JETDIRECT));
    agent.set(HPID, integer(7));
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("Warning: printer1 model not reported.\n", o.err);
}

TEST_F(GeneralAgent, HpIdentificationLongerThan254Bytes) {
    hp(std::string(280, 'z') + ";MDL:HP Color LaserJet M252dw;");
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("model=\"HP Color LaserJet M252dw\";\n", o.out);
}

TEST_F(GeneralAgent, HpIdentificationSilentEndsWithNoResponse) {
    agent.set(SYSDESCR, octets(JETDIRECT));
    agent.script([](const Request &r) -> std::optional<Reply> {
        if (r.bindings.size() == 1 && r.bindings[0].oid == HPID) return Reply{true, 0, 0, {}};
        return std::nullopt;
    });
    Outcome o = general(F0_MODEL);
    EXPECT_EQ(8, o.exitStatus);
    EXPECT_EQ("prowlet: No response from printer1\n", o.err);
}

TEST_F(GeneralAgent, LexmarkModel) {
    agent.set(SYSDESCR, octets("Lexmark Optra T612  version 2"));
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("vendor=\"Lexmark\";model=\"Optra T612\";hostmib=\"Y\";printmib=\"Y\";\n", o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(VENDOR_LEXMARK, static_cast<int>(capFlags >> CAP_VENDOR_SHIFT & 0xf));
}

TEST_F(GeneralAgent, LexmarkWithoutDoubleSpaceWarns) {
    agent.set(SYSDESCR, octets("Lexmark T640 version NS"));
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("model=\"T640 version NS\";\n", o.out);
    EXPECT_EQ("Warning: printer1: the model in \"Lexmark T640 version NS\" is not followed by \"  \"; "
              "taken to the end.\n",
              o.err);
}

TEST_F(GeneralAgent, XeroxQuestionMarks) {
    agent.set(SYSDESCR, octets("Xerox ??? box"));
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_PRINTMIB);
    EXPECT_EQ("vendor=\"Xerox\";printmib=\"N\";\n", o.out);
    EXPECT_EQ("printer1: model option not supported on this printer type.\n", o.err);
}

TEST_F(GeneralAgent, IbmThreeCharacters) {
    agent.set(SYSDESCR, octets("IBM"));
    Outcome o = general(F0_VENDOR | F0_MODEL);
    EXPECT_EQ("vendor=\"IBM\";\n", o.out);
    EXPECT_EQ("Warning: printer1: no model name in the description \"IBM\".\n", o.err);
}

TEST_F(GeneralAgent, IbmEmptyModelIsPrinted) {
    // The model runs from the fifth character to the next space: here nothing.
    agent.set(SYSDESCR, octets("IBM  Infoprint 12"));
    Outcome o = general(F0_VENDOR | F0_MODEL);
    EXPECT_EQ("vendor=\"IBM\";model=\"\";\n", o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, XeroxSpaceAtEndGivesEmptyModel) {
    agent.set(SYSDESCR, octets("Xerox "));
    Outcome o = general(F0_VENDOR | F0_MODEL);
    EXPECT_EQ("vendor=\"Xerox\";model=\"\";\n", o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, EfiModelNotSupported) {
    agent.set(SYSDESCR, octets("EFI Fiery Server ZX"));
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("vendor=\"EFI\";hostmib=\"Y\";printmib=\"N\";\n", o.out);
    EXPECT_EQ("printer1: model option not supported on this printer type.\n", o.err);
    EXPECT_EQ(VENDOR_EFI, static_cast<int>(capFlags >> CAP_VENDOR_SHIFT & 0xf));
}

TEST_F(GeneralAgent, FujiSetsNoCode) {
    agent.set(SYSDESCR, octets("Able Model-PRII"));
    Outcome o = general(F0_VENDOR | F0_MODEL);
    EXPECT_EQ("vendor=\"Fuji\";model=\"Able PRII\";\n", o.out);
    EXPECT_EQ(0, static_cast<int>(capFlags >> CAP_VENDOR_SHIFT & 0xf));
}

TEST_F(GeneralAgent, HostSystemIsSkipped) {
    agent.set(SYSDESCR, octets("SunOS box 5.8"));
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ(10, o.exitStatus);
    EXPECT_EQ("Warning: printer1 does not appear to be a printer. Skipping.\n", o.err);
    EXPECT_EQ("", o.out);
}

TEST_F(GeneralAgent, UnknownVendor) {
    agent.set(SYSDESCR, octets("EFI Fiery Server ZX1"));
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ(11, o.exitStatus);
    EXPECT_EQ("Warning: printer1: unknown printer vendor. Describes itself as \"EFI Fiery Server ZX1\"\n",
              o.err);
}

TEST_F(GeneralAgent, UnknownVendorDescriptionIsEscaped) {
    agent.set(SYSDESCR, octets("Box\n\"x\""));
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ("Warning: printer1: unknown printer vendor. Describes itself as \"Box\\n\\\"x\\\"\"\n", o.err);
}

TEST_F(GeneralAgent, SysDescrRejected) {
    agent.set(SYSCONTACT, octets("ops"));
    Outcome o = general(F0_VENDOR | F0_CONTACT);
    EXPECT_EQ(-3, o.exitStatus);
    EXPECT_EQ("Warning: printer1 does not have a system.sysDescr.0 probably Windows NT. Skipping.\n", o.err);
    EXPECT_EQ("", o.out);
}

TEST_F(GeneralAgent, SysDescrMissingFromReplySkipsIdentification) {
    agent.set(SYSDESCR, octets("Lexmark X  y"));
    agent.script([](const Request &r) -> std::optional<Reply> {
        if (r.pduTag == 0xa0) return Reply{false, 0, 0, {}};  // a reply without bindings
        return std::nullopt;
    });
    Outcome o = general(F0_VENDOR | F0_HOSTMIB);
    EXPECT_EQ("hostmib=\"N\";\n", o.out);
    EXPECT_EQ("Warning: printer did not respond with a value for one of the OIDs. Buggy firmware?\n", o.err);
    EXPECT_EQ(0, static_cast<int>(capFlags >> CAP_VENDOR_SHIFT & 0xf));
}

// ---- Tektronix --------------------------------------------------------------

TEST_F(GeneralAgent, TektronixModelFromHrDeviceDescr) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 780"));
    agent.set("1.3.6.1.2.1.25.3.2.1.3.1", octets("Tektronix, Inc., Phaser 780, 1.0"));
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("vendor=\"Tektronix\";model=\"Phaser 780\";hostmib=\"Y\";printmib=\"Y\";\n", o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, TektronixFallbackModelBeforeVendor) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 340"));
    agent.set("1.3.6.1.4.1.128.2.1.3.1.2.0", octets("Phaser 340, Inc., x"));
    Outcome o = general(F0_VENDOR | F0_MODEL | F0_HOSTMIB | F0_PRINTMIB);
    EXPECT_EQ("model=\"Phaser 340, Inc., x\";vendor=\"Tektronix\";hostmib=\"N\";printmib=\"N\";\n", o.out);
    EXPECT_EQ("Warning: Tektronix printer printer1 does not support the hostmib.\n", o.err);
    EXPECT_EQ(0u, flags[0] & F0_MODEL);
}

TEST_F(GeneralAgent, TektronixFallbackRefusedToo) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 340"));
    Outcome o = general(F0_VENDOR | F0_MODEL);
    EXPECT_EQ("vendor=\"Tektronix\";\n", o.out);
    EXPECT_EQ("Warning: Tektronix printer printer1 does not support the hostmib.\n"
              "Warning: printer1 refused its Tektronix model variable 1.3.6.1.4.1.128.2.1.3.1.2.0.\n",
              o.err);
    EXPECT_EQ(0, o.exitStatus);
}

TEST_F(GeneralAgent, TektronixDeviceDescrNotText) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 780"));
    agent.set("1.3.6.1.2.1.25.3.2.1.3.1", integer(1));
    Outcome o = general(F0_MODEL | F0_VENDOR | F0_HOSTMIB);
    EXPECT_EQ("vendor=\"Tektronix\";hostmib=\"Y\";\n", o.out);
    EXPECT_EQ("Warning: printer1 returned no text for 1.3.6.1.2.1.25.3.2.1.3.1.\n", o.err);
}

TEST_F(GeneralAgent, TektronixWithoutIncSeparator) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 780"));
    agent.set("1.3.6.1.2.1.25.3.2.1.3.1", octets("Phaser 780"));
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("printer1: Can't find \"Inc., \" in \"Phaser 780\"\n", o.err);
}

TEST_F(GeneralAgent, TektronixWithoutComma) {
    agent.set(SYSDESCR, octets("Tektronix Phaser 780"));
    agent.set("1.3.6.1.2.1.25.3.2.1.3.1", octets("Tektronix, Inc., Phaser 780"));
    Outcome o = general(F0_MODEL);
    EXPECT_EQ("model=\"Phaser 780\";\n", o.out);
    EXPECT_EQ("Warning: printer1: the model in \"Tektronix, Inc., Phaser 780\" is not followed by \",\"; "
              "taken to the end.\n",
              o.err);
}

// ---- Contact ----------------------------------------------------------------

TEST_F(GeneralAgent, ContactAndLocation) {
    agent.set(SYSCONTACT, octets("Jane \"ops\""));
    agent.set(SYSLOCATION, octets("Room 4"));
    Outcome o = general(F0_CONTACT);
    EXPECT_EQ("contact=\"Jane \\\"ops\\\"\";location=\"Room 4\";\n", o.out);
}

TEST_F(GeneralAgent, ContactMissingLocationPresent) {
    agent.set(SYSLOCATION, octets("Room 4"));
    Outcome o = general(F0_CONTACT);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("Warning: printer1 does't provide system.sysContact ignoring --contact.\n", o.err);
    EXPECT_EQ(0u, flags[0] & F0_CONTACT);
    std::vector<Request> reqs = agent.requests();
    EXPECT_EQ(1u, reqs.size());  // nothing left to ask
}

TEST_F(GeneralAgent, LocationMissingWithVendor) {
    agent.set(SYSDESCR, octets("Lexmark E  x"));
    agent.set(SYSCONTACT, octets("ops"));
    Outcome o = general(F0_CONTACT | F0_VENDOR);
    EXPECT_EQ("vendor=\"Lexmark\";\n", o.out);
    EXPECT_EQ("Warning: printer1 does't provide system.sysLocation ignoring --contact.\n", o.err);
    std::vector<Request> reqs = agent.requests();
    ASSERT_EQ(2u, reqs.size());
    ASSERT_EQ(1u, reqs[1].bindings.size());
    EXPECT_EQ(SYSDESCR, reqs[1].bindings[0].oid);
}

// ---- Network configuration ----------------------------------------------------

void interfaces(ScriptAgent &agent) {
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(24));  // softwareLoopback
    agent.set("1.3.6.1.2.1.2.2.1.3.2", integer(23));  // ppp
    agent.set("1.3.6.1.2.1.2.2.1.3.3", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.4.1", integer(1500));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(""));
    agent.set("1.3.6.1.2.1.2.2.1.6.2", octets(std::string("\x01\x02\x03\x04\x05\x06", 6)));
    agent.set("1.3.6.1.2.1.2.2.1.6.3", octets(std::string("\x00\x1b\x78\x00\x9a\xbc", 6)));
    agent.set("1.3.6.1.2.1.2.2.1.7.1", integer(1));
}

TEST_F(GeneralAgent, HwaddrFromThirdInterfaceAndNoGateway) {
    interfaces(agent);
    agent.set(NETMASK, ipaddr(255, 255, 254, 0));
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.255.254.0\";hwaddr=\"00:1b:78:00:9a:bc:\";\n", o.out);
    EXPECT_EQ("Warning: printer1 did not report a default gateway.\n", o.err);
    // Get (refused gateway), Get again, then three get-next steps of the walk.
    std::vector<Request> reqs = agent.requests();
    ASSERT_EQ(5u, reqs.size());
    EXPECT_EQ(4u, reqs[0].bindings.size());
    EXPECT_EQ(3u, reqs[1].bindings.size());
    EXPECT_EQ(0xa1, reqs[2].pduTag);
    EXPECT_EQ("1.3.6.1.2.1.2.2.1.6", reqs[2].bindings[0].oid);
    EXPECT_EQ("1.3.6.1.2.1.2.2.1.3", reqs[2].bindings[1].oid);
}

TEST_F(GeneralAgent, EthernetOnFirstInterfaceWithGateway) {
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(std::string("\x08\x00\x09\x01\x02\x03", 6)));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.set(GATEWAY, ipaddr(10, 0, 0, 1));
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.0.0.0\";hwaddr=\"08:00:09:01:02:03:\";gateway=\"10.0.0.1\";\n",
              o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(1u, agent.requests().size());
}

TEST_F(GeneralAgent, NoEthernetInterface) {
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(24));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(""));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.set(GATEWAY, ipaddr(10, 0, 0, 1));
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.0.0.0\";gateway=\"10.0.0.1\";\n", o.out);
    EXPECT_EQ("Warning: printer1 doesn't appear to have an ethernet interface. Can't detect hwaddr.\n", o.err);
}

TEST_F(GeneralAgent, ShortHardwareAddress) {
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(std::string("\x08\x00\x09", 3)));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.set(GATEWAY, ipaddr(10, 0, 0, 1));
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.0.0.0\";gateway=\"10.0.0.1\";\n", o.out);
    EXPECT_EQ("Warning: printer1 reported a hardware address of 3 bytes; no hwaddr.\n", o.err);
}

TEST_F(GeneralAgent, MissingNetmaskIsRefusedAndReported) {
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(std::string("\x08\x00\x09\x01\x02\x03", 6)));
    agent.set(GATEWAY, ipaddr(10, 0, 0, 1));
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";hwaddr=\"08:00:09:01:02:03:\";gateway=\"10.0.0.1\";\n", o.out);
    EXPECT_EQ("debug: Bad things from printer1\n"
              "Warning: printer1 refused 1.3.6.1.2.1.4.20.1.3.127.0.0.1; going on without it.\n"
              "Warning: printer1 did not report a netmask.\n",
              o.err);
    EXPECT_EQ(0, o.exitStatus);
}

TEST_F(GeneralAgent, ValuesOfWrongTypeAreLeftOut) {
    agent.set(SYSDESCR, octets("Lexmark E260  x"));
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(std::string("\x08\x00\x09\x01\x02\x03", 6)));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.set(GATEWAY, octets("10.0.0.1"));
    Outcome o = general(F0_NETCONFIG | F0_VENDOR);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.0.0.0\";hwaddr=\"08:00:09:01:02:03:\";vendor=\"Lexmark\";\n", o.out);
    EXPECT_EQ("Warning: Printer returned a value of type 0x4 when a value of 0x40 was expected for "
              "1.3.6.1.2.1.4.21.1.7.0.0.0.0. Buggy firmware?\n"
              "Warning: printer1 did not report a default gateway.\n",
              o.err);
    EXPECT_EQ(1u, agent.requests().size());
}

TEST_F(GeneralAgent, SysDescrOfWrongTypeSkipsIdentification) {
    agent.set(SYSDESCR, integer(5));
    Outcome o = general(F0_VENDOR | F0_PRINTMIB);
    EXPECT_EQ("printmib=\"N\";\n", o.out);
    EXPECT_EQ("Warning: Printer returned a value of type 0x2 when a value of 0x4 was expected for "
              "1.3.6.1.2.1.1.1.0. Buggy firmware?\n",
              o.err);
    EXPECT_EQ(0, o.exitStatus);
}

TEST_F(GeneralAgent, RejectionNamingNoBindingEndsWorker) {
    agent.set(SYSDESCR, octets("Lexmark X  y"));
    agent.script([](const Request &r) -> std::optional<Reply> {
        return Reply{false, 5, 0, r.bindings};  // genErr, error-index 0
    });
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ(-3, o.exitStatus);
    EXPECT_EQ("debug: Bad things from printer1\n"
              "Warning: printer1 refused the general request (at \"\"). Skipping.\n",
              o.err);
}

TEST_F(GeneralAgent, RepeatedRejectionOfTheSameVariableEnds) {
    // A printer that keeps refusing the gateway although it is no longer asked.
    agent.set(SYSDESCR, octets("Lexmark X  y"));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.script([](const Request &r) -> std::optional<Reply> {
        if (r.pduTag != 0xa0) return std::nullopt;
        std::vector<Binding> b = r.bindings;
        b.insert(b.begin(), Binding{GATEWAY, Value{}});
        return Reply{false, 2, 1, b};
    });
    Outcome o = general(F0_VENDOR | F0_NETCONFIG);
    EXPECT_EQ(-3, o.exitStatus);
    EXPECT_EQ(2u, agent.requests().size());
}

TEST_F(GeneralAgent, NoResponse) {
    agent.silence(true);
    Outcome o = general(F0_VENDOR);
    EXPECT_EQ(8, o.exitStatus);
    EXPECT_EQ("prowlet: No response from printer1\n", o.err);
}

// ---- Host resources ----------------------------------------------------------

TEST_F(GeneralAgent, MemsizeFromInstanceOne) {
    agent.set("1.3.6.1.2.1.25.2.2.1", integer(8192));
    flags[0] = F0_MEMORY;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("memsize=\"8192\";\n", o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, MemsizeAndStatus) {
    agent.set("1.3.6.1.2.1.25.2.2.0", integer(4294967295LL + 17));
    agent.set("1.3.6.1.2.1.25.3.5.1.1.1", integer(3));
    flags[0] = F0_MEMORY | F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("memsize=\"16\";status=\"idle\";\n", o.out);
}

TEST_F(GeneralAgent, HpStatusFallbackWithMemory) {
    agent.set("1.3.6.1.2.1.25.2.2.0", integer(16384));
    agent.set(HPSTATUS, octets("PAPER OUT"));
    flags[0] = F0_MEMORY | F0_STATUS;
    capFlags = CAP_WANT_HOSTRES;
    capFlags |= std::uint64_t{VENDOR_HP} << CAP_VENDOR_SHIFT;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"PAPER OUT\";memsize=\"16384\";\n", o.out);
    EXPECT_EQ("Warning: printer1 has an old firmware. Please upgrade it!\n", o.err);
    EXPECT_EQ(0u, flags[0] & F0_STATUS);
}

TEST_F(GeneralAgent, HpStatusFallbackAloneAsksNoMore) {
    agent.set(HPSTATUS, octets("READY"));
    flags[0] = F0_STATUS;
    capFlags = CAP_WANT_HOSTRES;
    capFlags |= std::uint64_t{VENDOR_HP} << CAP_VENDOR_SHIFT;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"READY\";\n", o.out);
    std::vector<Request> reqs = agent.requests();
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ(HPSTATUS, reqs[1].bindings[0].oid);
}

TEST_F(GeneralAgent, StatusRefusedOnOtherVendor) {
    agent.set("1.3.6.1.2.1.25.2.2.0", integer(64));
    flags[0] = F0_MEMORY | F0_STATUS;
    capFlags |= std::uint64_t{VENDOR_LEXMARK} << CAP_VENDOR_SHIFT;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("memsize=\"64\";\n", o.out);
    EXPECT_EQ("Warning: printer1 does not provide 1.3.6.1.2.1.25.3.5.1.1.1; no status.\n", o.err);
}

TEST_F(GeneralAgent, MemoryRefusedAtBothInstances) {
    agent.set("1.3.6.1.2.1.25.3.5.1.1.1", integer(4));
    flags[0] = F0_MEMORY | F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"printing\";\n", o.out);
    EXPECT_EQ("Warning: printer1 provides neither 1.3.6.1.2.1.25.2.2.0 nor 1.3.6.1.2.1.25.2.2.1; no memsize.\n",
              o.err);
}

TEST_F(GeneralAgent, MemoryOfWrongTypeIsNotPrinted) {
    agent.set("1.3.6.1.2.1.25.2.2.0", octets("8 MB"));
    agent.set("1.3.6.1.2.1.25.3.5.1.1.1", integer(5));
    flags[0] = F0_MEMORY | F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"warmup\";\n", o.out);
    EXPECT_EQ("Warning: Printer returned a value of type 0x4 when a value of 0x2 was expected for "
              "1.3.6.1.2.1.25.2.2.0. Buggy firmware?\n",
              o.err);
}

TEST_F(GeneralAgent, StatusMissingFromReply) {
    agent.script([](const Request &r) -> std::optional<Reply> {
        return Reply{false, 0, 0, {Binding{r.bindings[0].oid, integer(256)}}};
    });
    flags[0] = F0_MEMORY | F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("memsize=\"256\";\n", o.out);
    EXPECT_EQ("Warning: printer did not respond with a value for one of the OIDs. Buggy firmware?\n"
              "Warning: printer1 did not report its printer status.\n",
              o.err);
}

TEST_F(GeneralAgent, StatusOutOfRange) {
    agent.set("1.3.6.1.2.1.25.3.5.1.1.1", integer(9));
    flags[0] = F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"9\";\n", o.out);
    EXPECT_EQ("Warning: printer1 reported printer status 9, which has no name (1-5).\n", o.err);
}

TEST_F(GeneralAgent, StatusZero) {
    agent.set("1.3.6.1.2.1.25.3.5.1.1.1", integer(0));
    flags[0] = F0_STATUS;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("status=\"0\";\n", o.out);
    EXPECT_EQ("Warning: printer1 reported printer status 0, which has no name (1-5).\n", o.err);
}

void storage(ScriptAgent &agent, int rows) {
    const char *names[] = {"RAM", "Disk \"A\"", "Flash"};
    for (int i = 1; i <= rows; ++i) {
        std::string idx = std::to_string(i);
        agent.set("1.3.6.1.2.1.25.2.3.1.1." + idx, integer(i));
        agent.set("1.3.6.1.2.1.25.2.3.1.3." + idx, octets(names[i - 1]));
        agent.set("1.3.6.1.2.1.25.2.3.1.4." + idx, integer(1024 * i));
        agent.set("1.3.6.1.2.1.25.2.3.1.5." + idx, integer(100 * i));
        agent.set("1.3.6.1.2.1.25.2.3.1.6." + idx, integer(10 * i));
        agent.set("1.3.6.1.2.1.25.2.3.1.7." + idx, counter(i - 1));
    }
}

TEST_F(GeneralAgent, StorageRowsLastFirst) {
    storage(agent, 3);
    agent.set("1.3.6.1.2.1.25.3.2.1.1.1", integer(1));
    flags[0] = F0_STORAGE;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("desc=\"Flash\";allocunits=\"3072\";size=\"300\";used=\"30\";allocfail=\"2\";\n"
              "desc=\"Disk \\\"A\\\"\";allocunits=\"2048\";size=\"200\";used=\"20\";allocfail=\"1\";\n"
              "desc=\"RAM\";allocunits=\"1024\";size=\"100\";used=\"10\";allocfail=\"0\";\n",
              o.out);
    EXPECT_EQ("", o.err);
    EXPECT_EQ(4u, agent.requests().size());
}

TEST_F(GeneralAgent, StorageAtEndOfMibKeepsRows) {
    storage(agent, 2);  // nothing after the table: the agent answers noSuchName
    flags[0] = F0_STORAGE;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("desc=\"Disk \\\"A\\\"\";allocunits=\"2048\";size=\"200\";used=\"20\";allocfail=\"1\";\n"
              "desc=\"RAM\";allocunits=\"1024\";size=\"100\";used=\"10\";allocfail=\"0\";\n",
              o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, StorageWithoutAllocationFailuresColumn) {
    storage(agent, 2);
    agent.erase("1.3.6.1.2.1.25.2.3.1.7.1");
    agent.erase("1.3.6.1.2.1.25.2.3.1.7.2");
    agent.set("1.3.6.1.2.1.25.3.2.1.1.1", integer(1));
    flags[0] = F0_STORAGE;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("desc=\"Disk \\\"A\\\"\";allocunits=\"2048\";size=\"200\";used=\"20\";allocfail=\"\";\n"
              "desc=\"RAM\";allocunits=\"1024\";size=\"100\";used=\"10\";allocfail=\"\";\n",
              o.out);
    EXPECT_EQ("Warning: printer1 does not provide 1.3.6.1.2.1.25.2.3.1.7; its field is left empty.\n", o.err);
    // One step that found the gap, then a walk of three steps with four columns.
    std::vector<Request> reqs = agent.requests();
    ASSERT_EQ(4u, reqs.size());
    EXPECT_EQ(4u, reqs[1].bindings.size());
}

TEST_F(GeneralAgent, StorageEmpty) {
    agent.set("1.3.6.1.2.1.25.3.2.1.1.1", integer(1));
    flags[0] = F0_STORAGE;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("", o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, StorageRowsAreLinesOfTheirOwn) {
    storage(agent, 1);
    agent.set("1.3.6.1.2.1.25.2.2.0", integer(512));
    flags[0] = F0_STORAGE | F0_MEMORY | F0_NAME;
    Outcome o = run([&](ReportContext &ctx) { do_hostmib_get(ctx); });
    EXPECT_EQ("hostname=\"printer1\";memsize=\"512\";\n"
              "hostname=\"printer1\";desc=\"RAM\";allocunits=\"1024\";size=\"100\";used=\"10\";allocfail=\"0\";\n",
              o.out);
}

// ---- Connections --------------------------------------------------------------

const std::string CONN = "127.0.0.1.";

void connection(ScriptAgent &agent, unsigned port, const std::string &remote, int state) {
    std::string idx = CONN + std::to_string(port) + "." + remote + ".40000";
    agent.set("1.3.6.1.2.1.6.13.1.1." + idx, integer(state));
    agent.set("1.3.6.1.2.1.6.13.1.2." + idx, ipaddr(127, 0, 0, 1));
    unsigned a, b, c, d;
    std::sscanf(remote.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    agent.set("1.3.6.1.2.1.6.13.1.4." + idx, ipaddr(a, b, c, d));
}

TEST_F(GeneralAgent, ConnectionsInListOrder) {
    connection(agent, 9100, "10.1.2.3", 5);
    connection(agent, 515, "10.9.9.9", 2);
    connection(agent, 515, "10.9.9.10", 11);
    ports = {9100, 515};
    Outcome o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"9100\";state=\"established\";remotehost=\"10.1.2.3\"\n"
              "port=\"515\";state=\"listen\";remotehost=\"10.9.9.9\"\n",
              o.out);
    EXPECT_EQ("", o.err);
}

TEST_F(GeneralAgent, ConnectionPortIsNotAPrefixMatch) {
    connection(agent, 9100, "10.1.2.3", 5);
    ports = {9};
    Outcome o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"9\";state=\"none\";remotehost=\"\"\n", o.out);
    EXPECT_EQ("Warning: printer1 has no TCP connection on port 9.\n", o.err);
}

TEST_F(GeneralAgent, ConnectionNoneAtEndOfMib) {
    ports = {631};
    Outcome o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"631\";state=\"none\";remotehost=\"\"\n", o.out);
    EXPECT_EQ("Warning: printer1 has no TCP connection on port 631.\n", o.err);
}

TEST_F(GeneralAgent, ConnectionStateOutOfRange) {
    connection(agent, 9100, "10.1.2.3", 12);
    ports = {9100};
    Outcome o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"9100\";state=\"12\";remotehost=\"10.1.2.3\"\n", o.out);
    EXPECT_EQ("Warning: printer1 reported TCP connection state 12 on port 9100, which has no name (1-11).\n",
              o.err);
}

// ---- Configuration source -----------------------------------------------------

TEST_F(GeneralAgent, CfgSrcNames) {
    const std::pair<int, const char *> cases[] = {{0, "bootp"}, {1, "manual"}, {2, "unknown"},
                                                  {3, "manual"}, {4, "bootp"}, {5, "dhcp"}};
    for (const auto &[value, name] : cases) {
        BerInt v(value);
        Outcome o = run([&](ReportContext &ctx) { hpcfgsrc(ctx, &v); });
        EXPECT_EQ(std::string("cfgsrc=\"") + name + "\";\n", o.out) << value;
        EXPECT_EQ("", o.err);
    }
}

TEST_F(GeneralAgent, CfgSrcOutOfRange) {
    BerInt neg(-1);
    Outcome o = run([&](ReportContext &ctx) { hpcfgsrc(ctx, &neg); });
    EXPECT_EQ("cfgsrc=\"-1\";\n", o.out);
    EXPECT_EQ("Warning: printer1 reported configuration source -1, which has no name (0-5).\n", o.err);
    BerInt six(6);
    o = run([&](ReportContext &ctx) { hpcfgsrc(ctx, &six); });
    EXPECT_EQ("cfgsrc=\"6\";\n", o.out);
}

TEST_F(GeneralAgent, CfgSrcNotAnInteger) {
    BerString s("3", 1);
    Outcome o = run([&](ReportContext &ctx) { hpcfgsrc(ctx, &s); });
    EXPECT_EQ("", o.out);
    EXPECT_EQ("Warning: printer1 returned a configuration source of type 0x4, not an INTEGER.\n", o.err);
    o = run([&](ReportContext &ctx) { hpcfgsrc(ctx, nullptr); });
    EXPECT_EQ("Warning: printer1 did not return its configuration source.\n", o.err);
}

// ---- HP reset and firmware update -----------------------------------------------

TEST_F(GeneralAgent, RebootAloneOneBinding) {
    hp("MDL:HP LaserJet 4000;");
    Outcome o = general(F0_VENDOR, F1_REBOOT);
    EXPECT_EQ("vendor=\"HP\";\n", o.out);
    EXPECT_EQ(0u, flags[1] & F1_REBOOT);
    std::vector<Request> s = sets();
    ASSERT_EQ(1u, s.size());
    ASSERT_EQ(1u, s[0].bindings.size());
    EXPECT_EQ("1.3.6.1.4.1.11.2.4.3.7.8.0", s[0].bindings[0].oid);
    EXPECT_EQ(0x02, s[0].bindings[0].value.tag);
    EXPECT_EQ(std::string("\x01", 1), s[0].bindings[0].value.content);
    // The SetRequest follows the description; with no other Printer MIB work
    // left, a printer that may be restarting is asked nothing more.
    std::vector<Request> all = agent.requests();
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ(0xa3, all[1].pduTag);
    EXPECT_EQ(0u, capFlags & CAP_WANT_PRINTMIB);

    // With the model asked, the identification string follows the reset.
    agent.clear_requests();
    o = general(F0_VENDOR | F0_MODEL, F1_REBOOT);
    EXPECT_EQ("vendor=\"HP\";model=\"HP LaserJet 4000\";\n", o.out);
    all = agent.requests();
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ(0xa3, all[1].pduTag);
    EXPECT_EQ(HPID, all[2].bindings[0].oid);
}

TEST_F(GeneralAgent, RebootAndFirmwareFiveBindings) {
    hp("MDL:HP LaserJet 4000;");
    Outcome o = general(0, F1_REBOOT, F2_UPDATEFIRMWARE, "10.0.0.5:/images/fw.bin");
    EXPECT_EQ("", o.err);
    std::vector<Request> s = sets();
    ASSERT_EQ(1u, s.size());
    const std::vector<Binding> &b = s[0].bindings;
    ASSERT_EQ(5u, b.size());
    EXPECT_EQ("1.3.6.1.4.1.11.2.4.3.7.8.0", b[0].oid);
    EXPECT_EQ(0x02, b[0].value.tag);
    EXPECT_EQ(std::string("\x01", 1), b[0].value.content);
    EXPECT_EQ("1.3.6.1.4.1.11.2.14.11.1.3.1.1.10.1", b[1].oid);
    EXPECT_EQ(0x02, b[1].value.tag);
    EXPECT_EQ(std::string("\x04", 1), b[1].value.content);
    EXPECT_EQ("1.3.6.1.4.1.11.2.14.11.1.3.1.1.5.1", b[2].oid);
    EXPECT_EQ(0x06, b[2].value.tag);
    EXPECT_EQ(std::string("\x2b\x06\x01\x06\x01\x01", 6), b[2].value.content);
    EXPECT_EQ("1.3.6.1.4.1.11.2.14.11.1.3.1.1.4.1", b[3].oid);
    EXPECT_EQ(0x04, b[3].value.tag);
    EXPECT_EQ(std::string("\x0a\x00\x00\x05\x00\x45", 6), b[3].value.content);
    EXPECT_EQ("1.3.6.1.4.1.11.2.14.11.1.3.1.1.6.1", b[4].oid);
    EXPECT_EQ(0x04, b[4].value.tag);
    EXPECT_EQ(std::string("/images/fw.bin\0", 15), b[4].value.content);
    EXPECT_EQ(0u, flags[1] & F1_REBOOT);
}

TEST_F(GeneralAgent, FirmwareWithoutColonSendsNothing) {
    hp("MDL:HP LaserJet 4000;");
    Outcome o = general(F0_VENDOR, F1_REBOOT, F2_UPDATEFIRMWARE, "fw.bin");
    EXPECT_EQ(9, o.exitStatus);
    EXPECT_EQ("Warning: printer1: --updatefirmware \"fw.bin\" is not SERVER:FILE; nothing sent.\n", o.err);
    EXPECT_TRUE(sets().empty());
    EXPECT_EQ("", o.out);
}

TEST_F(GeneralAgent, FirmwareOnlyOnHp) {
    agent.set(SYSDESCR, octets("Lexmark X  y"));
    Outcome o = general(F0_VENDOR, 0, F2_UPDATEFIRMWARE, "10.0.0.5:fw.bin");
    EXPECT_EQ("vendor=\"Lexmark\";\n", o.out);
    EXPECT_EQ("", o.err);
    EXPECT_TRUE(sets().empty());
}

TEST_F(GeneralAgent, RebootOnNonHpLeftForPrinterMib) {
    agent.set(SYSDESCR, octets("Lexmark X  y"));
    general(F0_VENDOR, F1_REBOOT);
    EXPECT_TRUE(sets().empty());
    EXPECT_EQ(F1_REBOOT, flags[1] & F1_REBOOT);
}

TEST_F(GeneralAgent, RebootUnansweredIsWarnedAbout) {
    // A printer that resets at once may never answer the SetRequest.
    agent.silence(true);
    flags[1] = F1_REBOOT;
    Outcome o = run([&](ReportContext &ctx) { do_hppriv_set(ctx); });
    EXPECT_EQ(0, o.exitStatus);
    EXPECT_EQ("", o.out);
    EXPECT_EQ("Warning: printer1: no answer to the reset; the printer may be restarting.\n", o.err);
    EXPECT_EQ(0u, flags[1] & F1_REBOOT);
    ASSERT_EQ(1u, agent.requests().size());
    EXPECT_EQ(0xa3, agent.requests()[0].pduTag);
}

TEST_F(GeneralAgent, NothingToSetSendsNothing) {
    Outcome o = run([&](ReportContext &ctx) { do_hppriv_set(ctx); });
    EXPECT_EQ(0, o.exitStatus);
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(GeneralAgent, RebootRefused) {
    hp("MDL:HP LaserJet 4000;");
    agent.refuse("1.3.6.1.4.1.11.2.4.3.7.8.0", 4);
    Outcome o = general(F0_VENDOR, F1_REBOOT);
    EXPECT_EQ(9, o.exitStatus);
    EXPECT_EQ("Warning: printer1 refused the HP settings at HP's reset variable (1.3.6.1.4.1.11.2.4.3.7.8.0, "
              "error-status 4); the community may not write: use one with write access.\n",
              o.err);
    EXPECT_EQ(0u, flags[1] & F1_REBOOT);
}

struct ResetCase {
    const char *name;
    void (*routine)(ReportContext &);
    bool silent;         // the agent answers nothing
    bool hugeCommunity;  // every request is too large to send
    int status;
    const char *err;
};

// A reset may go unanswered when the printer restarts at once: a warning, no
// failure. A reset that could not be sent is a failure with its reason.
TEST_F(GeneralAgent, ResetsThatGetNoAnswer) {
    const char *silent = "Warning: printer1: no answer to the reset; the printer may be restarting.\n";
    const char *tooLong = "Error sending packet: Message too long\nprowlet: cannot send to printer1: Message too long\n";
    const ResetCase cases[] = {
        {"Printer MIB, silent", do_reboot, true, false, 0, silent},
        {"HP, silent", do_hppriv_set, true, false, 0, silent},
        {"Printer MIB, too large", do_reboot, false, true, 8, tooLong},
        {"HP, too large", do_hppriv_set, false, true, 8, tooLong},
    };
    const std::string community(70000, 'c');
    for (const ResetCase &c : cases) {
        SCOPED_TRACE(c.name);
        session = std::make_unique<SNMP_session>(sock.get(), "printer1", c.hugeCommunity ? community.c_str() : "public",
                                                 std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}});
        agent.silence(c.silent);
        agent.clear_requests();
        flags[1] = F1_REBOOT;
        Outcome o = run(c.routine);
        EXPECT_EQ(c.status, o.exitStatus);
        EXPECT_EQ(c.err, o.err);
        EXPECT_EQ("", o.out);
        EXPECT_EQ(c.silent ? 1u : 0u, agent.requests().size());
    }
}

// The first address stays silent and the session fails over to the agent's:
// the printed address, the netmask and the connection table are those of the
// address that answered, without a warning about the netmask of the other.
TEST_F(GeneralAgent, FailOverAsksForTheAddressThatAnswered) {
    session = std::make_unique<SNMP_session>(sock.get(), "printer1", "public",
                                             std::vector<SNMP_session::IPv4>{{127, 0, 0, 2}, {127, 0, 0, 1}});
    agent.set("1.3.6.1.2.1.2.2.1.3.1", integer(6));
    agent.set("1.3.6.1.2.1.2.2.1.6.1", octets(std::string("\x08\x00\x09\x01\x02\x03", 6)));
    agent.set(NETMASK, ipaddr(255, 0, 0, 0));
    agent.set(GATEWAY, ipaddr(10, 0, 0, 1));
    connection(agent, 9100, "10.1.2.3", 5);
    ports = {9100};
    Outcome o = general(F0_NETCONFIG);
    EXPECT_EQ("ipaddr=\"127.0.0.1\";netmask=\"255.0.0.0\";hwaddr=\"08:00:09:01:02:03:\";gateway=\"10.0.0.1\";\n",
              o.out);
    EXPECT_EQ("", o.err);
    o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"9100\";state=\"established\";remotehost=\"10.1.2.3\"\n", o.out);
    EXPECT_EQ("", o.err);

    // A session that fails over during the connection query asks again.
    session = std::make_unique<SNMP_session>(sock.get(), "printer1", "public",
                                             std::vector<SNMP_session::IPv4>{{127, 0, 0, 2}, {127, 0, 0, 1}});
    o = run([&](ReportContext &ctx) { do_connections(ctx); });
    EXPECT_EQ("port=\"9100\";state=\"established\";remotehost=\"10.1.2.3\"\n", o.out);
    EXPECT_EQ("", o.err);
}

}  // namespace
