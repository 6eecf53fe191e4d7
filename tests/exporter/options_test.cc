// prowlet_exporter's command line and its listening address.
#include "exporter/exporter_options.h"

#include <gtest/gtest.h>

#include <deque>

#include "tests/frontend/argv_builder.h"

namespace {

ExporterParse parsed(const std::vector<std::string> &args, ExporterOptions &opts) {
    static std::deque<Argv> keep;  // never moved: the options point into it
    keep.emplace_back(std::initializer_list<std::string>{"prowlet_exporter"});
    for (const std::string &a : args) keep.back().add(a);
    return parse_exporter_options(keep.back().argc(), keep.back().argv(), opts);
}

TEST(ExporterOptions, Accepted) {
    ExporterOptions o;
    const ExporterParse p = parsed({"--config.file=/etc/p.conf", "--web.listen-address=127.0.0.2:9000", "--maxproc", "64",
                                    "--sessions.max=0", "--scrape.timeout-offset=0.25", "--scrape.default-timeout", "30",
                                    "--web.threads=4"},
                                   o);
    EXPECT_FALSE(p.finished) << p.err;
    EXPECT_EQ("/etc/p.conf", o.settings.configPath);
    EXPECT_EQ("127.0.0.2", o.listen.host);
    EXPECT_EQ(9000, o.listen.port);
    EXPECT_EQ(64u, o.settings.maxproc);
    EXPECT_EQ(0u, o.settings.cachedSessions);
    EXPECT_EQ(0.25, o.settings.timeoutOffset);
    EXPECT_EQ(30, o.settings.defaultTimeout);
    EXPECT_EQ(4, o.httpThreads);

    ExporterOptions d;
    EXPECT_FALSE(parsed({"--config.file", "c"}, d).finished);
    EXPECT_EQ("", d.listen.host);
    EXPECT_EQ(9731, d.listen.port);
    EXPECT_EQ(DEFAULT_MAXPROC, d.settings.maxproc);

    ExporterOptions t;
    EXPECT_FALSE(parsed({"--config.file=c", "--textfile=/x.prom", "--module=m", "10.0.0.0/24", "p1"}, t).finished);
    EXPECT_EQ("/x.prom", t.textfile);
    EXPECT_EQ("m", t.module);
    EXPECT_EQ((std::vector<std::string>{"10.0.0.0/24", "p1"}), t.targets);
}

TEST(ExporterOptions, Refused) {
    const struct {
        std::vector<std::string> args;
        std::string first;  // the first line of the message
    } rows[] = {
        {{}, "prowlet_exporter: --config.file is needed."},
        {{"--config.file=c", "--bogus"}, "prowlet_exporter: unknown option \"--bogus\"."},
        {{"--config.file"}, "prowlet_exporter: option \"--config.file\" needs a value."},
        {{"--config.file=c", "--web.listen-address=9000"},
         "prowlet_exporter: --web.listen-address needs [HOST]:PORT, not \"9000\"."},
        {{"--config.file=c", "--web.listen-address=:0"}, "prowlet_exporter: --web.listen-address needs [HOST]:PORT, not \":0\"."},
        {{"--config.file=c", "--web.listen-address=:65536"},
         "prowlet_exporter: --web.listen-address needs [HOST]:PORT, not \":65536\"."},
        {{"--config.file=c", "--maxproc=0"}, "prowlet_exporter: --maxproc needs a number from 1 to 1048576, not \"0\"."},
        {{"--config.file=c", "--scrape.timeout-offset=-1"},
         "prowlet_exporter: --scrape.timeout-offset needs seconds from 0 to 3600, not \"-1\"."},
        {{"--config.file=c", "--scrape.default-timeout=0"},
         "prowlet_exporter: --scrape.default-timeout needs seconds above 0, at most 3600, not \"0\"."},
        {{"--config.file=c", "p1"},
         "prowlet_exporter: printers on the command line need --textfile (a server takes them from /probe)."},
        {{"--config.file=c", "--textfile=x"}, "prowlet_exporter: --textfile needs at least one printer."},
    };
    for (const auto &row : rows) {
        ExporterOptions o;
        const ExporterParse p = parsed(row.args, o);
        EXPECT_TRUE(p.finished);
        EXPECT_EQ(EXPORTER_BAD_OPTION, p.status);
        EXPECT_EQ(row.first + "\n" + exporter_usage(), p.err);
    }
}

TEST(ExporterOptions, HelpAndVersion) {
    ExporterOptions o;
    const ExporterParse help = parsed({"--help"}, o);
    EXPECT_TRUE(help.finished);
    EXPECT_EQ(EXPORTER_OK, help.status);
    EXPECT_EQ(exporter_usage(), help.out);
    const ExporterParse version = parsed({"--version"}, o);
    EXPECT_EQ("prowlet_exporter 0.8.7\n", version.out);
}

}  // namespace
