// Printer MIB reports end to end: the binary against simulated printers
// (snmpsimd serving recordings), against a scripted agent where the requests
// themselves matter, and the report routines over every real recording.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "reports/classic.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/printmib.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"
#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/json_lines.h"
#include "tests/support/run_prowlet.h"

namespace fs = std::filesystem;

namespace {

const char kCommunity[] = "public";

std::string recording(const std::string &name) {
    return std::string(PROWLET_SOURCE_DIR) + "/tests/e2e/recordings/" + name;
}

// Our recordings, one printer per edge case, all with a Lexmark description so
// that identification finds the Printer MIB.
const std::vector<PrinterRecording> &own_printers() {
    static const std::vector<PrinterRecording> printers = {
        {"127.0.8.1", recording("printmib-markers.snmprec")},
        {"127.0.8.2", recording("printmib-media.snmprec")},
        {"127.0.8.3", recording("printmib-trays.snmprec")},
        {"127.0.8.4", recording("printmib-channels.snmprec")},
        {"127.0.8.5", recording("printmib-nolang.snmprec")},
        {"127.0.8.6", recording("printmib-panel.snmprec")},
        {"127.0.8.7", recording("printmib-alerts.snmprec")},
        {"127.0.8.8", recording("printmib-alerts-int.snmprec")},
        {"127.0.8.9", recording("printmib-current.snmprec")},
    };
    return printers;
}

// The agents start once for the whole suite.
std::unique_ptr<SimulatedPrinters> ownAgent;
std::unique_ptr<SimulatedPrinters> realAgent;

class Agents : public testing::Environment {
 public:
    void SetUp() override {
        ownAgent = std::make_unique<SimulatedPrinters>(own_printers(), kCommunity);
        std::vector<PrinterRecording> real = realdata_printers();
        if (!real.empty())
            realAgent = std::make_unique<SimulatedPrinters>(real, kCommunity,
                                                            std::chrono::seconds(120));
    }
    void TearDown() override {
        realAgent.reset();
        ownAgent.reset();
    }
};
const auto *const kAgents = testing::AddGlobalTestEnvironment(new Agents);

RunResult prowlet(std::vector<std::string> args) {
    args.insert(args.begin(), {"-c", kCommunity});
    return run_prowlet(args, std::chrono::seconds(60));
}

// ---------------------------------------------------------------------------
// Markers

TEST(PrintMibMarkers, TwoMarkersFullRecordLines) {
    RunResult r = prowlet({"--marker", "127.0.8.1"});
    EXPECT_EQ(
        "markerTechnology=\"electrophotographicLaser\";counterUnits=\"impressions\";"
        "lifeCount=\"12345\";processColorants=\"1\";addressabilityUnit=\"tenThousandthsOfInches\";"
        "addressabilityFeedDir=\"600\";addressabilityXFeedDir=\"600\";northMargin=\"1000\";"
        "southMargin=\"2000\";eastMargin=\"4000\";westMargin=\"3000\";status=\"Available and "
        "Standby\";\n"
        "markerTechnology=\"inkjetAqueous\";counterUnits=\"sheets\";lifeCount=\"678\";"
        "processColorants=\"4\";addressabilityUnit=\"micrometers\";addressabilityFeedDir=\"1200\";"
        "addressabilityXFeedDir=\"2400\";northMargin=\"11\";southMargin=\"12\";eastMargin=\"14\";"
        "westMargin=\"13\";status=\"Available and Idle\";\n",
        r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibMarkers, PagecountOncePerMarker) {
    RunResult r = prowlet({"--pagecount", "127.0.8.1"});
    // The fragment ends its line; no empty line follows.
    EXPECT_EQ("counterUnits=\"impressions\";pagecount=\"12345\";\n"
              "counterUnits=\"sheets\";pagecount=\"678\";\n",
              r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibMarkers, MarginsWithAndWithoutResolution) {
    RunResult alone = prowlet({"--minmargin", "127.0.8.1"});
    EXPECT_EQ("addressabilityUnit=\"tenThousandthsOfInches\";northMargin=\"1000\";"
              "southMargin=\"2000\";eastMargin=\"4000\";westMargin=\"3000\";"
              "addressabilityUnit=\"micrometers\";northMargin=\"11\";southMargin=\"12\";"
              "eastMargin=\"14\";westMargin=\"13\";\n",
              alone.out);
    EXPECT_EQ(0, alone.status);

    RunResult both = prowlet({"--minmargin", "--resolution", "127.0.8.1"});
    EXPECT_EQ("addressabilityUnit=\"tenThousandthsOfInches\";addressabilityFeedDir=\"600\";"
              "addressabilityXFeedDir=\"600\";northMargin=\"1000\";southMargin=\"2000\";"
              "eastMargin=\"4000\";westMargin=\"3000\";addressabilityUnit=\"micrometers\";"
              "addressabilityFeedDir=\"1200\";addressabilityXFeedDir=\"2400\";northMargin=\"11\";"
              "southMargin=\"12\";eastMargin=\"14\";westMargin=\"13\";\n",
              both.out);
    EXPECT_EQ("", both.err);
    EXPECT_EQ(0, both.status);
}

// ---------------------------------------------------------------------------
// Media paths

TEST(PrintMibMediaPaths, EqualAreasKeepTheFirstRowAllSimplexIsNoDuplex) {
    RunResult r = prowlet({"--duplex", "--enginespeed", "--minpapersize", "--maxpapersize",
                           "--mediapath", "127.0.8.2"});
    EXPECT_EQ(
        "maxSpeedPrintUnit=\"sheetsPerHour\";mediaSizeUnit=\"tenThousandthsOfInches\";"
        "maxSpeed=\"1200\";maxMediaFeedDir=\"140000\";maxMediaXFeedDir=\"85000\";"
        "minMediaFeedDir=\"50000\";minMediaXFeedDir=\"30000\";type=\"simplex\";"
        "description=\"Main path\";status=\"Available and Idle\";\n"
        "maxSpeedPrintUnit=\"impressionsPerHour\";mediaSizeUnit=\"micrometers\";"
        "maxSpeed=\"3000\";maxMediaFeedDir=\"85000\";maxMediaXFeedDir=\"140000\";"
        "minMediaFeedDir=\"40000\";minMediaXFeedDir=\"37500\";type=\"simplex\";"
        "description=\"Second path\";status=\"Available and Active\";\n"
        "maxSpeedPrintUnit=\"sheetsPerHour\";mediaSizeUnit=\"tenThousandthsOfInches\";"
        "maxSpeed=\"3000\";maxMediaFeedDir=\"100000\";maxMediaXFeedDir=\"100000\";"
        "minMediaFeedDir=\"60000\";minMediaXFeedDir=\"60000\";type=\"simplex\";"
        "description=\"Third\";status=\"Available and Idle\";\n"
        "duplex=\"N\";maxMediaUnit=\"tenThousandthsOfInches\";maxMediaFeedDir=\"140000\";"
        "maxMediaXFeedDir=\"85000\";minMediaUnit=\"tenThousandthsOfInches\";"
        "minMediaFeedDir=\"50000\";minMediaXFeedDir=\"30000\";"
        "maxSpeedUnit=\"impressionsPerHour\";maxSpeed=\"3000\";\n",
        r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibMediaPaths, EmptyTableLeavesTheSummariesEmpty) {
    RunResult r = prowlet({"--maxpapersize", "--minpapersize", "--enginespeed", "--duplex",
                           "127.0.8.1"});
    EXPECT_EQ("duplex=\"N\";maxMediaUnit=\"\";maxMediaFeedDir=\"\";maxMediaXFeedDir=\"\";"
              "minMediaUnit=\"\";minMediaFeedDir=\"\";minMediaXFeedDir=\"\";maxSpeedUnit=\"\";"
              "maxSpeed=\"\";\n",
              r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

// ---------------------------------------------------------------------------
// Input trays

TEST(PrintMibTrays, LetterEstimateWarnsOnceForTheUnsensedTray) {
    RunResult r = prowlet({"--letter", "127.0.8.3"});
    EXPECT_EQ("letter=\"350\";\n", r.out);
    EXPECT_EQ("Warning: Can't sense paper level.\n", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibTrays, RecordLinesThenSizeFragmentsInFixedOrder) {
    RunResult r = prowlet({"--a3", "--legal", "--inputtray", "--a4", "127.0.8.3"});
    const std::string head = "type=\"sheetFeedAutoRemovableTray\";dimUnit=\"";
    EXPECT_EQ(
        head + "tenThousandthsOfInches\";dimFeedDir=\"85000\";dimXFeedDir=\"110000\";capUnit="
               "\"sheets\";maxCap=\"500\";curLevel=\"250\";mediaName=\"Plain\";name=\"Tray 1\";"
               "description=\"Tray 1 cassette\";status=\"Available and Idle\";\n" +
            head +
            "tenThousandthsOfInches\";dimFeedDir=\"110000\";dimXFeedDir=\"85000\";capUnit="
            "\"sheets\";maxCap=\"500\";curLevel=\"100\";mediaName=\"Plain\";name=\"Tray 2\";"
            "description=\"Tray 2 cassette\";status=\"Available and Idle\";\n"
            "type=\"sheetFeedManual\";dimUnit=\"tenThousandthsOfInches\";dimFeedDir=\"85000\";"
            "dimXFeedDir=\"110000\";capUnit=\"sheets\";maxCap=\"500\";curLevel=\"-2\";"
            "mediaName=\"Plain\";name=\"Tray 3\";description=\"Tray 3 cassette\";"
            "status=\"Available and Idle\";\n" +
            head +
            "tenThousandthsOfInches\";dimFeedDir=\"215900\";dimXFeedDir=\"279400\";capUnit="
            "\"sheets\";maxCap=\"500\";curLevel=\"40\";mediaName=\"Plain\";name=\"Tray 4\";"
            "description=\"Tray 4 cassette\";status=\"Available and Idle\";\n" +
            head +
            "micrometers\";dimFeedDir=\"210000\";dimXFeedDir=\"297000\";capUnit=\"sheets\";"
            "maxCap=\"500\";curLevel=\"70\";mediaName=\"Plain\";name=\"Tray 5\";"
            "description=\"Tray 5 cassette\";status=\"Available and Idle\";\n" +
            head +
            "micrometers\";dimFeedDir=\"420000\";dimXFeedDir=\"297000\";capUnit=\"meters\";"
            "maxCap=\"500\";curLevel=\"30\";mediaName=\"Plain\";name=\"Tray 6\";"
            "description=\"Tray 6 cassette\";status=\"Available and Idle\";\n"
            // Tray 4 is letter in micrometres given in inch units: no size.
            "legal=\"0\";a4=\"70\";a3=\"30\";\n",
        r.out);
    EXPECT_EQ("Warning: Can't sense paper level.\n", r.err);
    EXPECT_EQ(0, r.status);
}

// ---------------------------------------------------------------------------
// Languages and channels

TEST(PrintMibLanguages, FragmentsInFixedOrderWhateverTheOptionOrder) {
    RunResult r = prowlet({"--pjl", "--hpgl", "--pcl", "--postscript", "127.0.8.4"});
    EXPECT_EQ("postscript=\"Y\";pcl=\"Y\";pjl=\"Y\";hpgl=\"N\";\n", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibLanguages, RecordLines) {
    RunResult r = prowlet({"--languages", "127.0.8.4"});
    EXPECT_EQ(
        "langFamily=\"PCL\";langLevel=\"\";langVersion=\"5e\";description=\"PCL 5e\";"
        "version=\"v1.0\";orientation=\"portrait\";feedAddressability=\"600\";"
        "xFeedAddressability=\"600\";twoWay=\"Y\";\n"
        "langFamily=\"PS\";langLevel=\"\";langVersion=\"5e\";description=\"PostScript 3\";"
        "version=\"v1.0\";orientation=\"portrait\";feedAddressability=\"600\";"
        "xFeedAddressability=\"600\";twoWay=\"N\";\n"
        "langFamily=\"PJL\";langLevel=\"\";langVersion=\"5e\";description=\"PJL\";"
        "version=\"v1.0\";orientation=\"landscape\";feedAddressability=\"600\";"
        "xFeedAddressability=\"600\";twoWay=\"Y\";\n",
        r.out);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibChannels, RPrinterIsNoNetwareAppSocketIsPort9100) {
    RunResult r = prowlet({"--port9100", "--netware", "--protocol", "--lpd", "--appletalk",
                           "127.0.8.4"});
    EXPECT_EQ(
        "type=\"NetwareRPrinter\";version=\"3.1\";currentJobControlLang=\"PJL\";"
        "defaultPageDescLang=\"PCL\";state=\"printDataAccepted\";status=\"Available and "
        "Idle\";\n"
        "type=\"AppSocket\";version=\"\";currentJobControlLang=\"PJL\";"
        "defaultPageDescLang=\"PS\";state=\"printDataAccepted\";status=\"Available and "
        "Active\";\n"
        "type=\"LPDServer\";version=\"\";currentJobControlLang=\"PJL\";"
        "defaultPageDescLang=\"PCL\";state=\"noDataAccepted\";status=\"Off-Line Available and "
        "Idle\";\n"
        "appletalk=\"N\";lpd=\"Y\";netware=\"N\";port9100=\"Y\";\n",
        r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibChannels, NoInterpretersBidirPortTcp) {
    RunResult r = prowlet({"--protocol", "--port9100", "--postscript", "127.0.8.5"});
    EXPECT_EQ("postscript=\"N\";\n"
              "type=\"BidirPortTCP\";version=\"\";currentJobControlLang=\"1\";"
              "defaultPageDescLang=\"1\";state=\"printDataAccepted\";status=\"Available and "
              "Idle\";\n"
              "port9100=\"Y\";\n",
              r.out);
    EXPECT_EQ("Warning: 127.0.8.5: prtChannelCurrentJobCntlLangIndex value 1 has no name; "
              "printing the number.\n"
              "Warning: 127.0.8.5: prtChannelDefaultPageDescLangIndex value 1 has no name; "
              "printing the number.\n",
              r.err);
    EXPECT_EQ(0, r.status);
}

// ---------------------------------------------------------------------------
// Console display, covers, supplies

TEST(PrintMibPanel, DisplayCoversSupplies) {
    RunResult r = prowlet({"--supplies", "--covers", "--display", "127.0.8.6"});
    EXPECT_EQ("displayBufferText=\"READY\";\n"
              "displayBufferText=\"Tray 2 \\\"Letter\\\" low\";\n"
              "description=\"Front door\";status=\"doorClosed\";\n"
              "description=\"Rear door\";status=\"doorOpen\";\n"
              "type=\"tonerCartridge\";supplyunit=\"impressions\";\n"
              "class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";maxcap=\"10000\";"
              "level=\"4500\";\n"
              "type=\"staples\";\n"
              "class=\"supplyThatIsConsumed\";desc=\"Staples\";maxcap=\"-2\";level=\"-3\";\n"
              "type=\"fuser\";supplyunit=\"hours\";\n"
              "class=\"receptacleThatIsFilled\";desc=\"Fuser\";maxcap=\"100000\";"
              "level=\"83000\";\n",
              r.out);
    EXPECT_EQ("Warning: markerSupplyUnit=10 out of bounds.\n", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibPanel, EveryLineOfTwoPrintersCarriesTheName) {
    // The second printer has no supplies: only the first prints, each line named.
    RunResult r = prowlet({"--supplies", "127.0.8.6", "127.0.8.1"});
    EXPECT_EQ("hostname=\"127.0.8.6\";type=\"tonerCartridge\";supplyunit=\"impressions\";\n"
              "hostname=\"127.0.8.6\";class=\"supplyThatIsConsumed\";desc=\"Black Cartridge\";"
              "maxcap=\"10000\";level=\"4500\";\n"
              "hostname=\"127.0.8.6\";type=\"staples\";\n"
              "hostname=\"127.0.8.6\";class=\"supplyThatIsConsumed\";desc=\"Staples\";"
              "maxcap=\"-2\";level=\"-3\";\n"
              "hostname=\"127.0.8.6\";type=\"fuser\";supplyunit=\"hours\";\n"
              "hostname=\"127.0.8.6\";class=\"receptacleThatIsFilled\";desc=\"Fuser\";"
              "maxcap=\"100000\";level=\"83000\";\n",
              r.out);
    EXPECT_EQ(0, r.status);

    RunResult pages = prowlet({"--pagecount", "127.0.8.1", "127.0.8.6"});
    EXPECT_EQ("hostname=\"127.0.8.1\";counterUnits=\"impressions\";pagecount=\"12345\";\n"
              "hostname=\"127.0.8.1\";counterUnits=\"sheets\";pagecount=\"678\";\n",
              pages.out);
    EXPECT_EQ(0, pages.status);
}

// ---------------------------------------------------------------------------
// Alerts

std::string alert_lines(std::uint64_t now) {
    auto t = [&](std::uint64_t agoSeconds) { return std::to_string(now - agoSeconds); };
    return "severityLevel=\"warning\";trainingLevel=\"trained\";group=\"marker\";groupIndex=\"1\";"
           "location=\"-1\";code=\"markerAdjustingPrintQuality\";description=\"Adjusting print "
           "quality\";time=\"" +
           t(600) +
           "\";\n"
           "severityLevel=\"critical\";trainingLevel=\"trained\";group=\"markerSupplies\";"
           "groupIndex=\"1\";location=\"-1\";code=\"markerTonerCartridgeMissing\";"
           "description=\"Toner cartridge missing\";time=\"" +
           t(600) + "\";\n";
}

// The alert times depend on the clock of the run: any second the run spanned is accepted.
// A printer of today: values the current Printer MIB added to RFC 1759's
// (percent and item units, finishing supplies, a pull feeder, PDF and XPS,
// IPP, SMTP and WS-Print channels, the finisher alerts), and its serial number.
TEST(PrintMibCurrent, EveryValueNamedAsTheCurrentMibNamesIt) {
    std::time_t before = std::time(nullptr);
    RunResult r = prowlet({"--serial", "--inputtray", "--supplies", "--languages", "--protocol", "--alerts", "127.0.8.9"});
    std::time_t after = std::time(nullptr);
    const std::string fixed =
        "serial=\"7531X2Y4Z6B\";\n"
        "type=\"sheetFeedPull\";dimUnit=\"micrometers\";dimFeedDir=\"210000\";dimXFeedDir=\"297000\";"
        "capUnit=\"percent\";maxCap=\"100\";curLevel=\"55\";mediaName=\"A4\";name=\"Tray 1\";"
        "description=\"Pull feeder\";status=\"Available and Idle\";\n"
        "langFamily=\"PJL\";langLevel=\"\";langVersion=\"\";description=\"PJL\";version=\"2.0\";"
        "orientation=\"portrait\";feedAddressability=\"600\";xFeedAddressability=\"600\";twoWay=\"Y\";\n"
        "langFamily=\"PDF\";langLevel=\"1.7\";langVersion=\"\";description=\"PDF\";version=\"1.7\";"
        "orientation=\"portrait\";feedAddressability=\"1200\";xFeedAddressability=\"1200\";twoWay=\"N\";\n"
        "langFamily=\"XPS\";langLevel=\"\";langVersion=\"\";description=\"XPS\";version=\"1.0\";"
        "orientation=\"landscape\";feedAddressability=\"600\";xFeedAddressability=\"600\";twoWay=\"N\";\n"
        "type=\"IPP\";version=\"2.0\";currentJobControlLang=\"PJL\";defaultPageDescLang=\"PDF\";"
        "state=\"printDataAccepted\";status=\"Available and Active\";\n"
        "type=\"SMTP\";version=\"\";currentJobControlLang=\"PJL\";defaultPageDescLang=\"PDF\";"
        "state=\"noDataAccepted\";status=\"Available and Standby\";\n"
        "type=\"WSPrint\";version=\"1.0\";currentJobControlLang=\"PJL\";defaultPageDescLang=\"XPS\";"
        "state=\"printDataAccepted\";status=\"Available and Idle\";\n"
        "type=\"tonerCartridge\";supplyunit=\"percent\";\n"
        "class=\"supplyThatIsConsumed\";desc=\"Black Toner\";maxcap=\"100\";level=\"64\";\n"
        "type=\"wasteToner\";supplyunit=\"percent\";\n"
        "class=\"receptacleThatIsFilled\";desc=\"Waste Toner Bottle\";maxcap=\"100\";level=\"-3\";\n"
        "type=\"staples\";supplyunit=\"items\";\n"
        "class=\"supplyThatIsConsumed\";desc=\"Staple Cartridge\";maxcap=\"5000\";level=\"-2\";\n"
        "type=\"matteToner\";supplyunit=\"percent\";\n"
        "class=\"supplyThatIsConsumed\";desc=\"Matte Black Toner\";maxcap=\"100\";level=\"12\";\n";
    bool matched = false;
    for (std::time_t now = before; now <= after && !matched; ++now) {
        auto t = [&](std::time_t ago) { return std::to_string(now - ago); };
        matched = r.out == fixed +
                               "severityLevel=\"warningBinaryChangeEvent\";trainingLevel=\"noInterventionRequired\";"
                               "group=\"finDevice\";groupIndex=\"1\";location=\"-1\";code=\"staplerCoverOpen\";"
                               "description=\"Stapler cover open\";time=\"" + t(10) + "\";\n"
                               "severityLevel=\"warning\";trainingLevel=\"trained\";group=\"markerSupplies\";"
                               "groupIndex=\"3\";location=\"-1\";code=\"markerTonerAlmostEmpty\";"
                               "description=\"Matte toner low\";time=\"" + t(100) + "\";\n"
                               "severityLevel=\"critical\";trainingLevel=\"untrained\";group=\"alert\";"
                               "groupIndex=\"1\";location=\"-1\";code=\"interpreterComplexPageEncountered\";"
                               "description=\"Complex page\";time=\"" + t(0) + "\";\n";
    }
    EXPECT_TRUE(matched) << r.out;
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibCurrent, SerialNumberMissingIsWarnedWithoutAField) {
    RunResult r = prowlet({"--serial", "127.0.8.1"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Warning: 127.0.8.1 does not provide 1.3.6.1.2.1.43.5.1.1.17.1; no serial.\n", r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibAlerts, CodesSeverityAndTimes) {
    std::time_t before = std::time(nullptr);
    RunResult r = prowlet({"--alerts", "127.0.8.7"});
    std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t now = before; now <= after && !matched; ++now) {
        auto t = [&](std::uint64_t ago) { return std::to_string(now - ago); };
        matched =
            r.out ==
            alert_lines(static_cast<std::uint64_t>(now)) +
                "severityLevel=\"warning\";trainingLevel=\"trained\";group=\"mediaPath\";"
                "groupIndex=\"1\";location=\"-1\";code=\"mediaPathMediaTrayFull\";"
                "description=\"Output bin full\";time=\"" + t(0) + "\";\n"
                "severityLevel=\"6\";trainingLevel=\"untrained\";group=\"interpreter\";"
                "groupIndex=\"1\";location=\"-1\";code=\"interpreterComplexPageEncountered\";"
                "description=\"Complex page\";time=\"" + t(100) + "\";\n"
                "severityLevel=\"other\";trainingLevel=\"management\";group=\"generalPrinter\";"
                "groupIndex=\"1\";location=\"-1\";code=\"alertRemovalOfBinaryChangeEntry\";"
                "description=\"Binary change removed\";time=\"" + t(0) + "\";\n"
                "severityLevel=\"critical\";trainingLevel=\"trained\";group=\"input\";"
                "groupIndex=\"1\";location=\"-1\";code=\"40010\";description=\"Vendor "
                "specific\";time=\"" + t(0) + "\";\n";
    }
    EXPECT_TRUE(matched) << r.out;
    EXPECT_EQ("Warning: invalid severity level. Buggy firmware?\n"
              "Warning: 127.0.8.7: prtAlertCode value 40010 has no name; printing the number.\n",
              r.err);
    EXPECT_EQ(0, r.status);
}

TEST(PrintMibAlerts, AlertTimeAsIntegerIsReadAgain) {
    std::time_t before = std::time(nullptr);
    RunResult r = prowlet({"--alerts", "127.0.8.8"});
    std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t now = before; now <= after && !matched; ++now)
        matched = r.out == alert_lines(static_cast<std::uint64_t>(now));
    EXPECT_TRUE(matched) << r.out;
    EXPECT_EQ("Warning: Printer returned a value of type 0x2 when a value of 0x43 was expected "
              "for 1.3.6.1.2.1.43.18.1.1.9. Buggy firmware?\n"
              "Trying a work around for broken HP firmware.\n",
              r.err);
    EXPECT_EQ(0, r.status);
}

// ---------------------------------------------------------------------------
// What goes on the wire, seen by a scripted agent on port 161.

FakeMib lexmark_mib(const std::string &name) { return fake_mib_from_snmprec(recording(name)); }

std::vector<FakeRequest> of_kind(const std::vector<FakeRequest> &all, int pduTag) {
    std::vector<FakeRequest> out;
    for (const FakeRequest &r : all)
        if (r.pduTag == pduTag) out.push_back(r);
    return out;
}

std::vector<std::string> oids(const FakeRequest &r) {
    std::vector<std::string> out;
    for (const FakeBinding &b : r.bindings) out.push_back(b.oid);
    return out;
}

TEST(PrintMibWire, PagecountAloneWalksTwoColumns) {
    FakeAgent agent("127.0.7.1", 161, fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    RunResult r = prowlet({"--pagecount", "127.0.7.1"});
    EXPECT_EQ(0, r.status) << r.err;
    std::vector<FakeRequest> walk = of_kind(agent.requests(), GETNEXT_REQ_TAG);
    ASSERT_EQ(3u, walk.size());  // two rows, then the step past the table
    EXPECT_EQ((std::vector<std::string>{"1.3.6.1.2.1.43.10.2.1.4", "1.3.6.1.2.1.43.10.2.1.3"}),
              oids(walk[0]));
    EXPECT_EQ((std::vector<std::string>{"1.3.6.1.2.1.43.10.2.1.4.1.1",
                                        "1.3.6.1.2.1.43.10.2.1.3.1.1"}),
              oids(walk[1]));
    EXPECT_EQ(2u, walk[2].bindings.size());
    EXPECT_TRUE(of_kind(agent.requests(), SET_REQ_TAG).empty());
}

TEST(PrintMibWire, LpdAloneWalksOneColumnOfEachTable) {
    FakeAgent agent("127.0.7.8", 161, fake_mib_handler(lexmark_mib("printmib-channels.snmprec")));
    RunResult r = prowlet({"--lpd", "127.0.7.8"});
    EXPECT_EQ("lpd=\"Y\";\n", r.out);
    EXPECT_EQ(0, r.status) << r.err;
    std::vector<FakeRequest> walk = of_kind(agent.requests(), GETNEXT_REQ_TAG);
    ASSERT_EQ(8u, walk.size());  // three interpreters, three channels, each walk one step more
    EXPECT_EQ(std::vector<std::string>{"1.3.6.1.2.1.43.15.1.1.2"}, oids(walk[0]));
    EXPECT_EQ(std::vector<std::string>{"1.3.6.1.2.1.43.14.1.1.2"}, oids(walk[4]));
    for (const FakeRequest &q : walk) EXPECT_EQ(1u, q.bindings.size());
}

TEST(PrintMibWire, LetterAloneWalksTheInputTable) {
    FakeAgent agent("127.0.7.9", 161, fake_mib_handler(lexmark_mib("printmib-trays.snmprec")));
    RunResult r = prowlet({"--letter", "127.0.7.9"});
    EXPECT_EQ("letter=\"350\";\n", r.out);
    std::vector<FakeRequest> walk = of_kind(agent.requests(), GETNEXT_REQ_TAG);
    ASSERT_EQ(7u, walk.size());
    EXPECT_EQ((std::vector<std::string>{
                  "1.3.6.1.2.1.43.8.2.1.2", "1.3.6.1.2.1.43.8.2.1.3", "1.3.6.1.2.1.43.8.2.1.6",
                  "1.3.6.1.2.1.43.8.2.1.7", "1.3.6.1.2.1.43.8.2.1.8", "1.3.6.1.2.1.43.8.2.1.9",
                  "1.3.6.1.2.1.43.8.2.1.10", "1.3.6.1.2.1.43.8.2.1.11", "1.3.6.1.2.1.43.8.2.1.12",
                  "1.3.6.1.2.1.43.8.2.1.13", "1.3.6.1.2.1.43.8.2.1.18"}),
              oids(walk[0]));
}

// The first GetNext of every walk names the columns, in the order of the
// bindings; later steps name instances of them.
std::vector<std::vector<std::string>> walk_starts(const std::vector<FakeRequest> &all) {
    std::vector<std::vector<std::string>> starts;
    for (const FakeRequest &r : of_kind(all, GETNEXT_REQ_TAG)) {
        std::vector<std::string> o = oids(r);
        bool columns = !o.empty() && std::all_of(o.begin(), o.end(), [](const std::string &oid) {
            return oid.rfind("1.3.6.1.2.1.43.", 0) == 0 &&
                   std::count(oid.begin(), oid.end(), '.') == 10;
        });
        if (columns) starts.push_back(std::move(o));
    }
    return starts;
}

TEST(PrintMibWire, EveryGroupAsksForItsColumnsInOrder) {
    FakeAgent agent("127.0.7.10", 161, fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    RunResult r = prowlet({"--alerts", "--supplies", "--protocol", "--languages", "--covers",
                           "--inputtray", "--display", "--mediapath", "--marker", "127.0.7.10"});
    EXPECT_EQ(0, r.status) << r.err;
    const std::string m = "1.3.6.1.2.1.43.";
    auto cols = [&](const std::string &table, std::initializer_list<int> numbers) {
        std::vector<std::string> out;
        for (int n : numbers) out.push_back(m + table + "." + std::to_string(n));
        return out;
    };
    // Group order: markers, media paths, display, trays, covers, languages,
    // channels, supplies, alerts. East margin is column 14, west 13.
    EXPECT_EQ((std::vector<std::vector<std::string>>{
                  cols("10.2.1", {4, 3, 6, 8, 9, 10, 11, 12, 14, 13, 2, 15}),
                  cols("13.4.1", {2, 3, 4, 5, 6, 7, 8, 9, 11, 10}),
                  cols("16.5.1", {2}),
                  cols("8.2.1", {2, 3, 6, 7, 8, 9, 10, 11, 12, 13, 18}),
                  cols("6.1.1", {2, 3}),
                  cols("15.1.1", {2, 3, 4, 5, 6, 7, 8, 9, 12}),
                  cols("14.1.1", {2, 3, 4, 5, 6, 8}),
                  cols("11.1.1", {4, 5, 6, 7, 8, 9}),
                  cols("18.1.1", {2, 3, 4, 5, 6, 7, 8, 9})}),
              walk_starts(agent.requests()));
    std::vector<FakeRequest> all = agent.requests();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(std::vector<std::string>{"1.3.6.1.2.1.1.3.0"}, oids(all.back()));

    // Resolution and margins alone: the unit, the two addressabilities, the margins.
    FakeAgent second("127.0.7.11", 161,
                     fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    r = prowlet({"--minmargin", "--resolution", "127.0.7.11"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ((std::vector<std::vector<std::string>>{
                  cols("10.2.1", {8, 9, 10, 11, 12, 14, 13})}),
              walk_starts(second.requests()));
}

TEST(PrintMibWire, RebootSendsOneSetAndNothingElse) {
    FakeAgent agent("127.0.7.2", 161, fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    RunResult r = prowlet({"--reboot", "127.0.7.2"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
    std::vector<FakeRequest> all = agent.requests();
    ASSERT_FALSE(all.empty());
    // Identification reads the description first; the reset is the only other request.
    std::vector<FakeRequest> sets = of_kind(all, SET_REQ_TAG);
    ASSERT_EQ(1u, sets.size());
    EXPECT_EQ(SET_REQ_TAG, all.back().pduTag);
    ASSERT_EQ(1u, sets[0].bindings.size());
    EXPECT_EQ("1.3.6.1.2.1.43.5.1.1.3.1", sets[0].bindings[0].oid);
    EXPECT_EQ(fake_int(4), sets[0].bindings[0].value);
    EXPECT_TRUE(of_kind(all, GETNEXT_REQ_TAG).empty());
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        EXPECT_EQ(GET_REQ_TAG, all[i].pduTag);
        for (const FakeBinding &b : all[i].bindings)
            EXPECT_EQ(0u, b.oid.find("1.3.6.1.2.1.1.")) << b.oid;  // MIB-II system group only
    }
}

TEST(PrintMibWire, RebootComesAfterTheReports) {
    FakeAgent agent("127.0.7.3", 161, fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    RunResult r = prowlet({"--reboot", "--pagecount", "127.0.7.3"});
    EXPECT_EQ(0, r.status) << r.err;
    std::vector<FakeRequest> all = agent.requests();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(SET_REQ_TAG, all.back().pduTag);
    EXPECT_EQ(1u, of_kind(all, SET_REQ_TAG).size());
    EXPECT_EQ(3u, of_kind(all, GETNEXT_REQ_TAG).size());
}

TEST(PrintMibWire, EmptyAlertTableStillReadsTheUptime) {
    FakeAgent agent("127.0.7.4", 161, fake_mib_handler(lexmark_mib("printmib-markers.snmprec")));
    RunResult r = prowlet({"--alerts", "127.0.7.4"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0, r.status);
    std::vector<FakeRequest> all = agent.requests();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(GETNEXT_REQ_TAG, all[all.size() - 2].pduTag);
    EXPECT_EQ(8u, all[all.size() - 2].bindings.size());
    EXPECT_EQ(GET_REQ_TAG, all.back().pduTag);
    EXPECT_EQ(std::vector<std::string>{"1.3.6.1.2.1.1.3.0"}, oids(all.back()));
}

TEST(PrintMibWire, NoUptimeValuePrintsUnknownTimes) {
    FakeHandler mib = fake_mib_handler(lexmark_mib("printmib-alerts.snmprec"));
    FakeAgent agent("127.0.7.5", 161, [mib](const FakeRequest &req) {
        // An answer to the uptime Get that carries no binding at all.
        if (req.pduTag == GET_REQ_TAG && req.bindings.size() == 1 &&
            req.bindings[0].oid == "1.3.6.1.2.1.1.3.0")
            return FakeAgent::reply(fake_response(req, {}));
        return mib(req);
    });
    RunResult r = prowlet({"--alerts", "127.0.7.5"});
    EXPECT_EQ(0, r.status);
    std::istringstream lines(r.out);
    std::string l;
    int count = 0;
    while (std::getline(lines, l)) {
        ++count;
        EXPECT_NE(std::string::npos, l.find(";time=\"unknown\";")) << l;
    }
    EXPECT_EQ(6, count);
    EXPECT_EQ("Warning: printer did not respond with a value for one of the OIDs. Buggy "
              "firmware?\n"
              "Warning: invalid severity level. Buggy firmware?\n"
              "Warning: 127.0.7.5: prtAlertCode value 40010 has no name; printing the number.\n",
              r.err);
}

TEST(PrintMibWire, AlertTimeOfNeitherTypeEndsTheReportReadably) {
    FakeMib mib = lexmark_mib("printmib-alerts.snmprec");
    mib.set("1.3.6.1.2.1.43.18.1.1.9.1.1", fake_string("yesterday"));
    FakeAgent agent("127.0.7.6", 161, fake_mib_handler(std::move(mib)));
    RunResult r = prowlet({"--alerts", "127.0.7.6"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Warning: Printer returned a value of type 0x4 when a value of 0x43 was expected "
              "for 1.3.6.1.2.1.43.18.1.1.9. Buggy firmware?\n"
              "Trying a work around for broken HP firmware.\n"
              "Warning: Printer returned a value of type 0x4 when a value of 0x2 was expected "
              "for 1.3.6.1.2.1.43.18.1.1.9. Buggy firmware?\n"
              "Warning: 127.0.7.6: the alert table is still unreadable; no alerts reported.\n"
              "prowlet: 127.0.7.6 sent a value of the wrong type for 1.3.6.1.2.1.43.18.1.1.9\n",
              r.err);
    EXPECT_EQ(13, r.status);
}

TEST(PrintMibWire, SilentPrinterEndsTheWorkerWithStatus8) {
    FakeHandler mib = fake_mib_handler(lexmark_mib("printmib-markers.snmprec"));
    FakeAgent agent("127.0.7.7", 161, [mib](const FakeRequest &req) {
        if (req.pduTag == GETNEXT_REQ_TAG) return FakeAgent::drop();
        return mib(req);
    });
    RunResult r = prowlet({"--timeout", "1", "--pagecount", "--supplies", "127.0.7.7"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("prowlet: No response from 127.0.7.7\n", r.err);
    EXPECT_EQ(8, r.status);
}

// ---------------------------------------------------------------------------
// Every real recording

struct Rec {
    std::string tag;
    std::string value;
};
using RecMap = std::map<std::vector<std::uint32_t>, Rec>;

RecMap load_snmprec(const std::string &path) {
    RecMap m;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto a = line.find('|');
        auto b = a == std::string::npos ? a : line.find('|', a + 1);
        if (b == std::string::npos) continue;
        m[fake_oid_arcs(line.substr(0, a))] = {line.substr(a + 1, b - a - 1), line.substr(b + 1)};
    }
    return m;
}

bool starts_with(const std::vector<std::uint32_t> &oid, const std::vector<std::uint32_t> &p) {
    return oid.size() >= p.size() && std::equal(p.begin(), p.end(), oid.begin());
}

struct Column {
    unsigned number;
    bool integer;  // INTEGER or Counter; otherwise OCTET STRING
};

// What a walk of these columns of table base yields for column valueCol: the
// walk follows each column separately and stops when one runs out. Empty
// optional: a fetched value has a type no column accepts.
std::optional<std::vector<std::int64_t>> expected_walk(const RecMap &rec, const std::string &base,
                                                       const std::vector<Column> &columns,
                                                       unsigned valueCol) {
    std::vector<std::vector<const Rec *>> values;
    std::size_t rows = SIZE_MAX;
    for (const Column &c : columns) {
        std::vector<std::uint32_t> prefix = fake_oid_arcs(base + "." + std::to_string(c.number));
        std::vector<const Rec *> v;
        for (auto it = rec.lower_bound(prefix); it != rec.end() && starts_with(it->first, prefix);
             ++it)
            if (it->second.tag != "70") v.push_back(&it->second);  // no Counter64 in SNMPv1
        rows = std::min(rows, v.size());
        values.push_back(std::move(v));
    }
    std::vector<std::int64_t> out;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        for (std::size_t k = 0; k < values[i].size() && k <= rows; ++k) {
            const std::string &tag = values[i][k]->tag;
            bool ok = columns[i].integer ? (tag == "2" || tag == "65") : (tag == "4" || tag == "4x");
            if (!ok) return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].number == valueCol)
            for (std::size_t k = 0; k < rows; ++k)
                out.push_back(std::stoll(values[i][k]->value));
    return out;
}

const char kMarkerTable[] = "1.3.6.1.2.1.43.10.2.1";
const char kSupplyTable[] = "1.3.6.1.2.1.43.11.1.1";
const char kInputTable[] = "1.3.6.1.2.1.43.8.2.1";

const std::vector<Column> kPagecountColumns = {{4, true}, {3, true}};
const std::vector<Column> kMarkerColumns = {{4, true},  {3, true},  {6, true},  {8, true},
                                            {9, true},  {10, true}, {11, true}, {12, true},
                                            {14, true}, {13, true}, {2, true},  {15, true}};
const std::vector<Column> kSupplyColumns = {{4, true}, {5, true}, {6, false},
                                            {7, true}, {8, true}, {9, true}};
const std::vector<Column> kInputColumns = {{2, true},  {3, true},   {6, true},   {7, true},
                                           {8, true},  {9, true},   {10, true},  {11, true},
                                           {12, false}, {13, false}, {18, false}};

std::vector<std::int64_t> field_values(const std::string &out, const std::string &key) {
    std::vector<std::int64_t> v;
    std::regex re("(^|;)" + key + "=\"(-?[0-9]+)\"");
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        for (std::sregex_iterator it(line.begin(), line.end(), re), end; it != end; ++it)
            v.push_back(std::stoll((*it)[2]));
    return v;
}

const std::vector<std::string> kAllReports = {
    "--marker",  "--pagecount", "--colors",    "--resolution", "--minmargin", "--mediapath",
    "--maxpapersize", "--enginespeed", "--duplex", "--minpapersize", "--display",
    "--inputtray", "--letter",  "--legal",     "--tabloid",    "--executive", "--a3",
    "--a4",      "--b4",        "--b5",        "--covers",     "--languages", "--pcl",
    "--pjl",     "--hpgl",      "--postscript", "--psprinter", "--autolang",  "--protocol",
    "--appletalk", "--lpd",     "--netware",   "--port9100",   "--supplies",  "--alerts"};

TEST(PrintMibRealData, EveryReportOverEveryRecordingThroughTheBinary) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    int withPrinterMib = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        std::vector<std::string> args = kAllReports;
        args.push_back(realdata_address(i));
        RunResult r = prowlet(args);
        EXPECT_FALSE(r.timedOut);
        EXPECT_LT(r.status, 128) << r.err;  // no signal
        // Only a printer identified with the Printer MIB gets its reports (exit 0);
        // the others are refused by identification or get "not supported".
        if (r.status != 0) continue;
        EXPECT_EQ(std::string::npos, r.err.find("option not supported")) << r.err;
        ++withPrinterMib;
        RecMap rec = load_snmprec(realdata_file(names[i]));
        auto pages = expected_walk(rec, kMarkerTable, kMarkerColumns, 4);
        if (pages) {
            EXPECT_EQ(*pages, field_values(r.out, "lifeCount"));
        }
        auto levels = expected_walk(rec, kSupplyTable, kSupplyColumns, 9);
        if (levels) {
            EXPECT_EQ(*levels, field_values(r.out, "level"));
        }
        auto trays = expected_walk(rec, kInputTable, kInputColumns, 10);
        if (trays) {
            EXPECT_EQ(*trays, field_values(r.out, "curLevel"));
        }
    }
    std::printf("Printer MIB reports ran on %d of %zu recordings\n", withPrinterMib, names.size());
}

// Alert times are the clock at the run less the alert's age: they may move on
// by a second between two runs.
std::string mask_alert_times(const std::string &text) {
    return std::regex_replace(text, std::regex(R"re(time="\d+")re"), "time=\"*\"");
}

FieldSet mask_alert_times(const FieldSet &fields) {
    FieldSet masked;
    for (const auto &[key, value] : fields) masked.insert({key, key == "time" && value != "(null)" ? "*" : value});
    return masked;
}

std::map<std::string, std::vector<std::string>> lines_by_host(const std::string &out) {
    std::map<std::string, std::vector<std::string>> lines;
    std::istringstream in(mask_alert_times(out));
    for (std::string l; std::getline(in, l);) lines[l.substr(10, l.find('"', 10) - 10)].push_back(l);
    return lines;
}

// Every recording at once with --name: each printer's lines are exactly those
// of a run of it alone, however the workers interleave; and the --json run of
// the same printers agrees with the classic run field for field, every line a
// valid JSON object.
TEST(PrintMibRealData, ManyAtOnceAsEachAloneAndTheSameInJson) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    std::vector<std::string> args = {"--generic", "--vendor", "--model", "--contact", "--netconfig", "--name"};
    args.insert(args.end(), kAllReports.begin(), kAllReports.end());
    std::vector<std::string> all = args, json = args;
    json.push_back("--json");
    for (std::size_t i = 0; i < names.size(); ++i) {
        all.push_back(realdata_address(i));
        json.push_back(realdata_address(i));
    }
    RunResult many = prowlet(all);
    ASSERT_FALSE(many.timedOut);
    const auto manyLines = lines_by_host(many.out);
    for (std::size_t i = 0; i < names.size() && i < 20; ++i) {
        SCOPED_TRACE(names[i]);
        std::vector<std::string> one = args;
        one.push_back(realdata_address(i));
        RunResult alone = prowlet(one);
        const auto aloneLines = lines_by_host(alone.out);
        EXPECT_EQ(aloneLines.count(realdata_address(i)) ? aloneLines.at(realdata_address(i)) : std::vector<std::string>{},
                  manyLines.count(realdata_address(i)) ? manyLines.at(realdata_address(i)) : std::vector<std::string>{});
    }

    RunResult asJson = prowlet(json);
    ASSERT_FALSE(asJson.timedOut);
    EXPECT_EQ(many.status, asJson.status);
    EXPECT_EQ("", asJson.err);
    const JsonLines parsed = read_json_lines(asJson.out);
    ASSERT_EQ("", parsed.problem);
    EXPECT_EQ(names.size(), parsed.exitStatus.size()) << "one object per printer";
    const auto classic = classic_fields(many.out);
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const std::string host = realdata_address(i);
        const FieldSet none;
        EXPECT_EQ("", fields_disagree(mask_alert_times(classic.count(host) ? classic.at(host) : none),
                                      mask_alert_times(parsed.fields.count(host) ? parsed.fields.at(host) : none)));
    }
}

// The report routines themselves, over a session to each recording, whatever
// vendor it names.
class DirectSession {
 public:
    explicit DirectSession(const std::string &address) : sock(2, 1, 161) {
        SNMP_session::IPv4 ip{};
        inet_pton(AF_INET, address.c_str(), ip.data());
        session = std::make_unique<SNMP_session>(&sock, address.c_str(), kCommunity,
                                                 std::vector<SNMP_session::IPv4>{ip});
    }
    // Runs the reports of flags; what they printed, and how they ended.
    std::string run(std::uint64_t f0, std::uint64_t f1, std::string *how) {
        const FlagWords flags = FlagWords::from_words(f0, f1, 0);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        *how = "ok";
        {
            OutputWriter writer;
            ClassicOutput out(writer, session->hostname, false);
            session->setWarningSink(&out);
            const RunSettings settings;
            ReportContext ctx(*session, out, settings, flags);
            try {
                do_printmib_get(ctx);
            } catch (const WorkerExit &e) {
                *how = "exit " + std::to_string(static_cast<int>(e.reason));
            } catch (const SNMP_error_type &e) {
                *how = "wrong type " + e.str;
            } catch (const SNMP_error_oid &e) {
                *how = "refused " + e.str;
            }
            session->setWarningSink(nullptr);
            out.finish(0);
        }
        std::string err = testing::internal::GetCapturedStderr();
        std::string out = testing::internal::GetCapturedStdout();
        static_cast<void>(err);
        return out;
    }

 private:
    SNMP_socket sock;
    std::unique_ptr<SNMP_session> session;
};

TEST(PrintMibRealData, ValuesEqualTheRecordingsWhateverTheVendor) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    int pageRows = 0, supplyRows = 0, trayRows = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        RecMap rec = load_snmprec(realdata_file(names[i]));
        DirectSession direct(realdata_address(i));
        std::string how;

        std::string out = direct.run(0, F1_PAGECOUNT, &how);
        auto pages = expected_walk(rec, kMarkerTable, kPagecountColumns, 4);
        if (pages) {
            EXPECT_EQ("ok", how);
            EXPECT_EQ(*pages, field_values(out, "pagecount"));
            pageRows += static_cast<int>(pages->size());
        }

        out = direct.run(0, F1_SUPPLIES, &how);
        auto levels = expected_walk(rec, kSupplyTable, kSupplyColumns, 9);
        if (levels) {
            EXPECT_EQ("ok", how);
            EXPECT_EQ(*levels, field_values(out, "level"));
            supplyRows += static_cast<int>(levels->size());
        }

        out = direct.run(F0_INPUTTRAY, 0, &how);
        auto trays = expected_walk(rec, kInputTable, kInputColumns, 10);
        if (trays) {
            EXPECT_EQ("ok", how);
            EXPECT_EQ(*trays, field_values(out, "curLevel"));
            trayRows += static_cast<int>(trays->size());
        }

        // Everything at once: whatever the recording holds, the reports end
        // normally or with a defined failure.
        out = direct.run(F0_PRINTMIB_MASK, F1_PRINTMIB_REPORT_MASK, &how);
        EXPECT_TRUE(how == "ok" || how.rfind("refused", 0) == 0 || how.rfind("wrong type", 0) == 0)
            << how;
    }
    // The recordings hold marker, supply and tray rows that the walks must reach.
    EXPECT_GT(pageRows, 0);
    EXPECT_GT(supplyRows, 0);
    EXPECT_GT(trayRows, 0);
    std::printf("rows compared: %d page counts, %d supply levels, %d tray levels\n", pageRows,
                supplyRows, trayRows);
}

}  // namespace
