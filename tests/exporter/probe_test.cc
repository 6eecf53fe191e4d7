// Probes through the Exporter, against scripted printers on port 161 of
// loopback addresses: one SNMPv3 discovery per printer for the exporter's
// life, the deadline that ends a probe whatever the module's time-outs, the
// worker cap shared by probes, and the requests refused before anything is sent.
#include "exporter/exporter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/fake_usm.h"

namespace {

std::unique_ptr<ExporterConfig> config_of(const std::string &text) {
    ConfigOutcome c = parse_config(text, "test.conf");
    EXPECT_TRUE(c.config) << c.error;
    return std::move(c.config);
}

const char *const CONFIG =
    "module default\nversion 2c\ncommunity public\ntimeout 5\nretries 3\n"
    "module v3\nversion 3\nuser admin\nauth-protocol SHA-256\nauth-passphrase authpass1\n"
    "priv-protocol AES\npriv-passphrase privpass1\ntimeout 2\nretries 1\n";

bool has_line(const std::string &text, const std::string &line) {
    return text.find("\n" + line + "\n") != std::string::npos || text.rfind(line + "\n", 0) == 0;
}

TEST(ExporterProbe, OneEngineDiscoveryPerPrinterForTheExportersLife) {
    FakeUsm usm({"admin", UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128, "authpass1", "privpass1"},
                fake_v2_mib_handler(fake_mib_from_snmprec(project_recording("hp-color-laserjet-4500.snmprec"))));
    FakeAgent agent("127.0.1.1", 161, usm.handler());
    Exporter exporter(ExporterSettings{}, config_of(CONFIG));
    for (int round = 0; round < 3; ++round) {
        const ExporterAnswer a = exporter.probe("127.0.1.1", "v3", "10");
        EXPECT_EQ(200, a.status);
        EXPECT_TRUE(has_line(a.body, "prowlet_printer_up{printer=\"127.0.1.1\"} 1")) << a.body;
        EXPECT_TRUE(has_line(a.body, "prowlet_pages_total{printer=\"127.0.1.1\",unit=\"impressions\"} 51230"));
    }
    EXPECT_EQ(1, usm.discoveries());
    const std::string self = exporter.metrics().body;
    EXPECT_TRUE(has_line(self, "prowlet_exporter_sessions_created_total 1")) << self;
    EXPECT_TRUE(has_line(self, "prowlet_exporter_sessions 1"));
    EXPECT_TRUE(has_line(self, "prowlet_exporter_probes_total{module=\"v3\",result=\"success\"} 3"));
}

TEST(ExporterProbe, TheDeadlineEndsAProbeWhateverTheModulesTimeouts) {
    // A silent printer under a module that would wait 5 s four times per
    // request: Prometheus' 1.5 s, less the 0.5 s offset, is what the probe gets.
    FakeAgent silent("127.0.1.2", 161, [](const FakeRequest &) { return FakeAgent::drop(); });
    Exporter exporter(ExporterSettings{}, config_of(CONFIG));
    const auto start = std::chrono::steady_clock::now();
    const ExporterAnswer a = exporter.probe("127.0.1.2", "default", "1.5");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(has_line(a.body, "prowlet_printer_up{printer=\"127.0.1.2\"} 0")) << a.body;
    EXPECT_TRUE(has_line(a.body, "prowlet_probe_printers{outcome=\"silent\"} 1"));
    EXPECT_TRUE(has_line(a.body, "prowlet_probe_success 0"));
}

TEST(ExporterProbe, PrintersLeftWithoutAWorkerSlotByTheDeadline) {
    // One worker for every probe: the first silent printer holds it until
    // the deadline, the other two are never started.
    FakeAgent silent("127.0.1.3", 161, [](const FakeRequest &) { return FakeAgent::drop(); });
    ExporterSettings settings;
    settings.maxproc = 1;
    Exporter exporter(settings, config_of(CONFIG));
    const ExporterAnswer a = exporter.probe("127.0.1.3-5", "default", "1.5");
    EXPECT_TRUE(has_line(a.body, "prowlet_probe_printers{outcome=\"silent\"} 1")) << a.body;
    EXPECT_TRUE(has_line(a.body, "prowlet_probe_printers{outcome=\"not_started\"} 2"));
    for (const char *p : {"127.0.1.3", "127.0.1.4", "127.0.1.5"})
        EXPECT_TRUE(has_line(a.body, std::string("prowlet_printer_up{printer=\"") + p + "\"} 0"));
    EXPECT_TRUE(has_line(exporter.metrics().body, "prowlet_exporter_workers 0"));
}

TEST(ExporterProbe, RequestsRefusedBeforeAnythingIsSent) {
    FakeAgent agent("127.0.1.6", 161, [](const FakeRequest &) { return FakeAgent::drop(); });
    Exporter exporter(ExporterSettings{}, config_of(CONFIG));
    const struct {
        std::optional<std::string> target, module;
        std::string body;
    } rows[] = {
        {std::nullopt, "default", "the target parameter is missing (/probe?target=PRINTER&module=MODULE)\n"},
        {"127.0.1.6", "nosuch", "no module \"nosuch\" in test.conf\n"},
        {"127.0.1.6(secret)", "default", "a community in the target: give it in the module, never in a URL\n"},
        {"127.0.1.6-300", "default", "bad target \"127.0.1.6-300\": "},
        {"10.0.0.0/8", "default", "bad target \"10.0.0.0/8\": "},
        {"10.0.0.0/15", "default", "the target \"10.0.0.0/15\" names more than 65536 printers\n"},
        {"", "default", "the target is empty\n"},
    };
    for (const auto &row : rows) {
        const ExporterAnswer a = exporter.probe(row.target, row.module, std::nullopt);
        EXPECT_EQ(400, a.status) << row.body;
        EXPECT_EQ(0u, a.body.rfind(row.body, 0)) << a.body;
    }
    EXPECT_EQ(0, agent.requestCount());
    const std::string self = exporter.metrics().body;
    EXPECT_TRUE(has_line(self, "prowlet_exporter_probes_refused_total{reason=\"bad_target\"} 5")) << self;
    EXPECT_TRUE(has_line(self, "prowlet_exporter_probes_refused_total{reason=\"unknown_module\"} 1"));
    EXPECT_TRUE(has_line(self, "prowlet_exporter_probes_refused_total{reason=\"missing_parameter\"} 1"));
}

TEST(ExporterProbe, ProbesOfOnePrinterAtOnceEachGetIt) {
    // Two Prometheus servers of a pair scrape the same printer at the same
    // moment: each probe gets the whole printer, none takes the other's replies.
    FakeAgent agent("127.0.1.8", 161, fake_v2_mib_handler(fake_mib_from_snmprec(project_recording("hp-laserjet-4000.snmprec"))));
    Exporter exporter(ExporterSettings{}, config_of(CONFIG));
    std::vector<std::string> bodies(4);
    std::vector<std::thread> probes;
    for (std::string &body : bodies)
        probes.emplace_back([&exporter, &body] { body = exporter.probe("127.0.1.8", "default", "10").body; });
    for (std::thread &t : probes) t.join();
    for (const std::string &body : bodies) EXPECT_TRUE(has_line(body, "prowlet_probe_success 1")) << body;
    EXPECT_TRUE(has_line(exporter.metrics().body, "prowlet_exporter_sessions_created_total 1"));
}

TEST(ExporterProbe, WithoutAModuleTheDefaultOne) {
    FakeAgent agent("127.0.1.7", 161, fake_v2_mib_handler(fake_mib_from_snmprec(project_recording("hp-laserjet-4000.snmprec"))));
    Exporter exporter(ExporterSettings{}, config_of(CONFIG));
    const ExporterAnswer a = exporter.probe("127.0.1.7", std::nullopt, "10");
    EXPECT_EQ(200, a.status);
    EXPECT_TRUE(has_line(a.body, "prowlet_printer_up{printer=\"127.0.1.7\"} 1")) << a.body;
    EXPECT_EQ("public", agent.requests().front().community);
}

}  // namespace
