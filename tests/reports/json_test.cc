// JSON output: typed fields, tables and the paper object, warnings and
// failures, supply percentages and alert times, and printer bytes that are
// not UTF-8.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reports/alerts.h"
#include "reports/json.h"
#include "reports/supplies.h"

namespace {

// The object a printer's output gives when its worker ends with status.
std::string json_of(const std::function<void(PrinterOutput &)> &report, int status = 0, const char *host = "p") {
    OutputWriter writer(stdout, stderr);
    JsonOutput out(writer, host);
    report(out);
    return out.text(status);
}

struct JsonCase {
    const char *name;
    std::function<void(PrinterOutput &)> report;
    int status;
    std::string json;
};

TEST(JsonOutput, Cases) {
    const JsonCase cases[] = {
        {"nothing asked", [](PrinterOutput &) {}, 0, R"({"host":"p","exitStatus":0,"warnings":[]})"},
        {"typed fields in report order",
         [](PrinterOutput &o) {
             o.found(Group::Identification, Fields().name("vendor", "HP").text("model", "4000"));
             o.found(Group::MibSupport, Fields().yes_no("hostmib", true));
             o.found(Group::HostResources, Fields().unsigned_number("memsize", 4294967295u).number("level", -3).absent("x"));
             o.found(Group::MediaSummary, Fields().yes_no("duplex", false));
         },
         0,
         R"({"host":"p","exitStatus":0,"warnings":[],"vendor":"HP","model":"4000","hostmib":true,)"
         R"("memsize":4294967295,"level":-3,"x":null,"duplex":false})"},
        {"a row is one object; the rows of a table one array",
         [](PrinterOutput &o) {
             for (int i = 1; i <= 2; ++i) o.row(Table::Supplies, Fields().name("type", "toner").number("level", i));
             o.row(Table::Covers, Fields().text("description", "Door"));
         },
         0,
         R"({"host":"p","exitStatus":0,"warnings":[],"supplies":[{"type":"toner","level":1},)"
         R"({"type":"toner","level":2}],"covers":[{"description":"Door"}]})"},
        {"paper estimates in their object; connection lines as rows",
         [](PrinterOutput &o) {
             o.found(Group::PaperEstimates, Fields().number("legal", 0).number("a4", 500));
             o.row(Table::Connections, Fields().unsigned_number("port", 515).name("state", "listen"));
         },
         0,
         R"({"host":"p","exitStatus":0,"warnings":[],"paper":{"legal":0,"a4":500},)"
         R"("connections":[{"port":515,"state":"listen"}]})"},
        {"warnings and the failure are kept, without their line ends",
         [](PrinterOutput &o) {
             o.found(Group::Identification, Fields().name("vendor", "HP"));
             o.warn("Warning: Can't sense paper level.\n", false);
             o.warn("Warning: p has an old firmware. Please upgrade it!\n", true);
             o.failed(Message("prowlet: No response from p\n"));
         },
         8,
         R"({"host":"p","exitStatus":8,"error":"prowlet: No response from p","warnings":)"
         R"(["Warning: Can't sense paper level.","Warning: p has an old firmware. Please upgrade it!"],)"
         R"("vendor":"HP"})"},
        {"the printer's text in messages as it sent it, escaped by JSON's rules alone",
         [](PrinterOutput &o) {
             o.warn(Message("Warning: p: no model name in the description \"").theirs("a\x82\x7f\"b\n").ours("\".\n"),
                    true);
             o.failed(Message("Warning: p: unknown printer vendor. Describes itself as \"").theirs("\xc2\x9b\\").ours("\"\n"));
         },
         11,
         R"({"host":"p","exitStatus":11,"error":"p: unknown printer vendor. Describes itself as \"\u009b\\\"",)"
         R"("warnings":["Warning: p: no model name in the description \"a\u0082\u007f\"b\n\"."]})"},
        {"negative worker statuses as the process exits with them; no message: the status is the error",
         [](PrinterOutput &) {}, -3, R"({"host":"p","exitStatus":253,"error":"p: exit status 253","warnings":[]})"},
        {"the \"not supported\" lines that give the status are the error, one per line",
         [](PrinterOutput &o) {
             o.warn("Warning: p has an old firmware. Please upgrade it!\n", true);
             o.unsupported(Message("p: memory option not supported on this printer type.\n"));
             o.unsupported(Message("p: marker option not supported on this printer type.\n"));
         },
         6,
         R"({"host":"p","exitStatus":6,"error":"p: memory option not supported on this printer type.\n)"
         R"(p: marker option not supported on this printer type.","warnings":)"
         R"(["Warning: p has an old firmware. Please upgrade it!"]})"},
        {"with status 0 (--all) or after a failure they stay warnings",
         [](PrinterOutput &o) {
             o.unsupported(Message("p: memory option not supported on this printer type.\n"));
             o.failed(Message("prowlet: No response from p\n"));
         },
         8,
         R"({"host":"p","exitStatus":8,"error":"prowlet: No response from p","warnings":)"
         R"(["p: memory option not supported on this printer type."]})"},
        {"a \"not supported\" line of a printer still served is a warning",
         [](PrinterOutput &o) { o.unsupported(Message("p: model option not supported on this printer type.\n")); },
         0, R"({"host":"p","exitStatus":0,"warnings":["p: model option not supported on this printer type."]})"},
        {"quotes, backslashes, control bytes and bytes that are not UTF-8",
         [](PrinterOutput &o) {
             o.found(Group::Contact, Fields()
                                         .text("desc", std::string("a\"b\\c\n\t\x01\x7f", 9))
                                         .text("name", "Caf\xe9 \xc3\xa9 \xe2\x82\xac \xf0\x9f\x96\xa8 \xff")
                                         .text("nul", std::string("x\0y", 3)));
         },
         0,
         R"({"host":"p","exitStatus":0,"warnings":[],"desc":"a\"b\\c\n\t\u0001\u007f",)"
         R"("name":"Caf)"
         "\xc3\xa9 \xc3\xa9 \xe2\x82\xac \xf0\x9f\x96\xa8 \xc3\xbf"
         R"(","nul":"x\u0000y"})"},
        {"C1 controls in UTF-8 and raw as escapes; continuation bytes 0x80-0x9F kept",
         [](PrinterOutput &o) {
             o.found(Group::Identification, Fields().text("model", "a\xc2\x9b" "b\x9d" "c\xc5\x9b\xc2\xa0"));
         },
         0,
         R"({"host":"p","exitStatus":0,"warnings":[],"model":"a\u009bb\u009dc)"
         "\xc5\x9b\xc2\xa0"
         R"("})"},
    };
    for (const JsonCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.json, json_of(c.report, c.status));
    }
}

TEST(JsonOutput, HostAndWarningsThatAreNotUtf8) {
    EXPECT_EQ("{\"host\":\"h\xc3\xa9\",\"exitStatus\":0,\"warnings\":[\"\xc3\x80\\u0080\"]}",
              json_of([](PrinterOutput &o) { o.warn("\xc0\x80\n", false); }, 0, "h\xe9"));
}

// Every string of one and two bytes gives a JSON text the library accepts
// (its writer refuses invalid UTF-8 by throwing).
TEST(JsonOutput, EveryTwoByteStringIsWritable) {
    for (int a = 0; a < 256; ++a)
        for (int b = -1; b < 256; ++b) {
            std::string s(1, static_cast<char>(a));
            if (b >= 0) s += static_cast<char>(b);
            ASSERT_NO_THROW(json_of([&](PrinterOutput &o) { o.found(Group::Identification, Fields().text("t", s)); }))
                << a << " " << b;
        }
}

TEST(Utf8OrLatin1, Sequences) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x96\xa8\xf4\x8f\xbf\xbf", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x96\xa8\xf4\x8f\xbf\xbf"},
        {"\xe9", "\xc3\xa9"},                                     // Latin-1 e acute
        {"\xc0\x80", "\xc3\x80\xc2\x80"},                         // overlong NUL
        {"\xe0\x80\x80", "\xc3\xa0\xc2\x80\xc2\x80"},             // overlong three bytes
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},             // a surrogate
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"}, // above U+10FFFF
        {"\xe2\x82" "A", "\xc3\xa2\xc2\x82" "A"},                 // cut short
        {"\x80\xbf\xfe\xff", "\xc2\x80\xc2\xbf\xc3\xbe\xc3\xbf"}, // never valid
        {"\xf0\x9f\x96", "\xc3\xb0\xc2\x9f\xc2\x96"},             // four-byte form cut at the end
    };
    for (const auto &[in, out] : cases) EXPECT_EQ(out, utf8_or_latin1(in)) << testing::PrintToString(in);
}

MarkerSuppliesTable supply(std::int64_t unit, std::int64_t maxcap, std::int64_t level) {
    MarkerSuppliesTable s;
    s.msclass = 3;
    s.type = 3;
    s.desc = "Toner";
    s.supplyunit = unit;
    s.maxcap = maxcap;
    s.level = level;
    return s;
}

// percent: the level in percent units, else level x 100 / maxcap rounded
// down; none for special levels or an unknown capacity.
TEST(JsonSupplies, PercentAndLevelState) {
    const struct {
        MarkerSuppliesTable s;
        const char *tail;
    } cases[] = {
        {supply(19, 100, 8), R"("maxcap":100,"level":8,"percent":8,"levelState":null})"},
        {supply(19, -2, 64), R"("maxcap":-2,"level":64,"percent":64,"levelState":null})"},
        {supply(7, 3000, 1999), R"("maxcap":3000,"level":1999,"percent":66,"levelState":null})"},
        {supply(7, 3000, 3000), R"("maxcap":3000,"level":3000,"percent":100,"levelState":null})"},
        {supply(7, 0, 5), R"("maxcap":0,"level":5,"percent":null,"levelState":null})"},
        {supply(7, -2, 5), R"("maxcap":-2,"level":5,"percent":null,"levelState":null})"},
        {supply(7, 100, -1), R"("maxcap":100,"level":-1,"percent":null,"levelState":"other"})"},
        {supply(19, 100, -2), R"("maxcap":100,"level":-2,"percent":null,"levelState":"unknown"})"},
        {supply(7, 100, -3), R"("maxcap":100,"level":-3,"percent":null,"levelState":"someRemaining"})"},
        {supply(7, 100, -4), R"("maxcap":100,"level":-4,"percent":null,"levelState":null})"},
        {supply(7, 1, INT64_MAX / 10), R"("maxcap":1,"level":922337203685477580,"percent":null,"levelState":null})"},
    };
    for (const auto &c : cases) {
        std::string json = json_of([&](PrinterOutput &o) { print_supplies({c.s}, o); });
        const std::string tail = std::string(c.tail) + "]}";
        EXPECT_EQ(tail, json.substr(json.size() - std::min(json.size(), tail.size()))) << json;
    }
}

TEST(JsonAlerts, TimeInUtcBesideTheEpochSeconds) {
    AlertInfo a;
    a.severityLevel = 3;
    a.trainingLevel = 4;
    a.group = 8;
    a.code = 808;
    a.time = 100;
    std::string json = json_of([&](PrinterOutput &o) { print_alerts({a}, std::uint64_t{100}, 1'700'000'000, o); });
    EXPECT_NE(std::string::npos, json.find(R"("time":1700000000,"timeUtc":"2023-11-14T22:13:20Z"})")) << json;
    json = json_of([&](PrinterOutput &o) { print_alerts({a}, std::nullopt, 1'700'000'000, o); });
    EXPECT_NE(std::string::npos, json.find(R"("time":null,"timeUtc":null})")) << json;
}

}  // namespace
