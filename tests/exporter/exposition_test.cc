// The text exposition: label values escaped for any bytes a printer sends,
// numbers as Prometheus reads them, families written whole and duplicates
// dropped.
#include "exporter/exposition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(Exposition, LabelValuesAreEscapedForAnyBytes) {
    const struct {
        const char *name;
        std::string bytes;
        std::string expected;
    } rows[] = {
        {"plain", "Black Toner", "Black Toner"},
        {"quote and backslash", "a\"b\\c", "a\\\"b\\\\c"},
        {"newline", "line1\nline2", "line1\\nline2"},
        {"trailing NULs of HP Jetdirect", std::string("Cyan\0\0", 6), "Cyan"},
        {"NUL inside", std::string("a\0b", 3), "a\xef\xbf\xbd" "b"},
        {"tab and ESC", "a\tb\x1b[2J", "a\xef\xbf\xbd" "b\xef\xbf\xbd[2J"},
        {"DEL", "a\x7f", "a\xef\xbf\xbd"},
        {"C1 CSI as UTF-8", "a\xc2\x9b" "b", "a\xef\xbf\xbd" "b"},
        {"raw byte 0x9b is Latin-1 CSI", "a\x9b" "b", "a\xef\xbf\xbd" "b"},
        {"Latin-1 e acute", "caf\xe9", "caf\xc3\xa9"},
        {"UTF-8 kept", "Schwarz \xe2\x80\x93 K", "Schwarz \xe2\x80\x93 K"},
        {"NBSP kept", "a\xc2\xa0" "b", "a\xc2\xa0" "b"},
        {"cut UTF-8 sequence: Latin-1 a circumflex, then C1", "x\xe2\x80", "x\xc3\xa2\xef\xbf\xbd"},
        {"empty", "", ""},
    };
    for (const auto &row : rows) EXPECT_EQ(row.expected, escape_label_value(row.bytes)) << row.name;
}

TEST(Exposition, SampleValuesReadBackExactly) {
    const struct {
        double value;
        const char *expected;
    } rows[] = {{0, "0"},
                {1, "1"},
                {0.25, "0.25"},
                {-3, "-3"},
                {0.1 + 0.2, "0.30000000000000004"},
                {1e21, "1e+21"},
                {std::numeric_limits<double>::quiet_NaN(), "NaN"},
                {std::numeric_limits<double>::infinity(), "+Inf"},
                {-std::numeric_limits<double>::infinity(), "-Inf"}};
    for (const auto &row : rows) EXPECT_EQ(row.expected, format_sample_value(row.value));
    EXPECT_EQ("9223372036854775807", format_sample_value(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ("18446744073709551615", format_sample_value(std::numeric_limits<std::uint64_t>::max()));
}

TEST(Exposition, FamiliesAreWrittenWholeInDeclarationOrder) {
    Exposition out;
    out.family("b_ratio", MetricType::Gauge, "B.");
    out.family("a_total", MetricType::Counter, "A\\with\nnewline.");
    out.sample("b_ratio", {{"printer", "p1"}}, 0.5);
    out.sample("a_total", {{"printer", "p1"}}, std::string("3"));
    out.sample("b_ratio", {{"printer", "p2"}}, 1.0);
    out.family("b_ratio", MetricType::Gauge, "declared again: nothing changes");
    EXPECT_EQ("# HELP b_ratio B.\n"
              "# TYPE b_ratio gauge\n"
              "b_ratio{printer=\"p1\"} 0.5\n"
              "b_ratio{printer=\"p2\"} 1\n"
              "# HELP a_total A\\\\with\\nnewline.\n"
              "# TYPE a_total counter\n"
              "a_total{printer=\"p1\"} 3\n",
              out.text());
}

TEST(Exposition, ASecondSampleOfTheSameSeriesIsDropped) {
    Exposition out;
    out.family("x", MetricType::Histogram, "X.");
    out.sample("x", {{"le", "1"}}, "1", "_bucket");
    out.sample("x", {{"le", "1"}}, "2", "_bucket");
    out.sample("x", {}, "2", "_count");
    out.sample("x", {}, "3", "_count");
    // Same escaped text, different bytes: still the same series.
    out.sample("x", {{"d", std::string("a\0", 2)}}, "1", "_sum");
    out.sample("x", {{"d", "a"}}, "1", "_sum");
    EXPECT_EQ(3u, out.duplicates());
    EXPECT_EQ("# HELP x X.\n# TYPE x histogram\nx_bucket{le=\"1\"} 1\nx_count 2\nx_sum{d=\"a\"} 1\n", out.text());
}

TEST(Exposition, AnUndeclaredFamilyIsAProgrammingError) {
    Exposition out;
    EXPECT_THROW(out.sample("nowhere", {}, 1.0), std::logic_error);
}

}  // namespace
