// Prometheus' text exposition format (version 0.0.4): metric families with
// their HELP and TYPE lines, samples with escaped label values, numbers as
// Prometheus parses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

enum class MetricType { Gauge, Counter, Summary, Histogram };

struct Label {
    std::string name;   // one of our own names: [a-zA-Z_][a-zA-Z0-9_]*
    std::string value;  // any bytes; escaped when written
};
using Labels = std::vector<Label>;

// A label value as the format carries it, between its quotes: the bytes read
// as UTF-8 where they are well-formed and as Latin-1 where they are not (the
// JSON output's rule), NUL bytes at the end dropped (printers pad their text
// with them), '\' '"' and the newline escaped, and every other control
// character (C0, DEL, C1) replaced by U+FFFD, so that no printer text can
// end a line, break a parser or reach a terminal as a control sequence.
std::string escape_label_value(std::string_view bytes);

// A sample value: integers exactly, other numbers in the shortest form that
// reads back as the same double, NaN and +Inf/-Inf by the format's names.
std::string format_sample_value(double value);
std::string format_sample_value(std::int64_t value);
std::string format_sample_value(std::uint64_t value);

// Collects the samples of one exposition and writes them family by family,
// each family's lines together (the format asks for it) and in the order the
// families were first declared. A second sample with the family's name and
// the same labels is dropped: a printer whose table names one entry twice
// must not make the whole exposition invalid.
class Exposition {
 public:
    // Declares a family (name without _total, _sum, ... suffixes of its samples
    // except a counter's, which is given with its _total). Declaring it
    // again changes nothing.
    void family(const std::string &name, MetricType type, std::string_view help);
    // One sample of a declared family; suffix "" or "_sum", "_count",
    // "_bucket". Text values are written as given (format_sample_value).
    void sample(const std::string &family, const Labels &labels, const std::string &value,
                std::string_view suffix = "");
    void sample(const std::string &family, const Labels &labels, double value) {
        sample(family, labels, format_sample_value(value));
    }
    void sample_int(const std::string &family, const Labels &labels, std::int64_t value) {
        sample(family, labels, format_sample_value(value));
    }

    // Samples dropped as duplicates so far.
    std::size_t duplicates() const { return duplicates_; }
    // The whole text, ending in a newline (empty when nothing was declared).
    std::string text() const;

 private:
    struct Family {
        std::string name;
        MetricType type;
        std::string help;
        std::vector<std::string> lines;
        std::set<std::string> seen;  // suffix and labels of every sample kept
    };
    std::vector<Family> families_;
    std::map<std::string, std::size_t, std::less<>> index_;
    std::size_t duplicates_ = 0;
};

// The Content-Type of the format.
inline constexpr const char *EXPOSITION_CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";
