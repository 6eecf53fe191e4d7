// What the reports found about a printer: typed fields in named groups about
// the printer itself, and rows of named tables, handed to the printer's output
// object. The model says nothing of how they look: the classic renderer
// (classic.h) alone knows which fields share a line, which are cut at 511
// characters and which end without a ';', and the JSON renderer (json.h)
// where each group and table goes in the printer's object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/warning_sink.h"

struct PrinterHealth;
struct HealthVerdict;

class FieldValue {
 public:
    enum class Kind {
        Text,      // text the printer sent: escaped where it is written
        Name,      // text of our own (an enumeration name, an address, a summary)
        Signed,
        Unsigned,
        YesNo,
        Absent,    // no value; classic output writes `absentText` ("" or a word such as "unknown")
    };

    static FieldValue text(std::string_view printerText) { return {Kind::Text, std::string(printerText)}; }
    static FieldValue name(std::string_view name) { return {Kind::Name, std::string(name)}; }
    static FieldValue number(std::int64_t v) { return {Kind::Signed, {}, v}; }
    static FieldValue unsigned_number(std::uint64_t v) { return {Kind::Unsigned, {}, 0, v}; }
    static FieldValue yes_no(bool yes) { return {Kind::YesNo, {}, 0, 0, yes}; }
    static FieldValue absent(std::string_view absentText = "") { return {Kind::Absent, std::string(absentText)}; }

    Kind kind;
    std::string str;  // Text, Name; Absent: what classic output writes
    std::int64_t s = 0;
    std::uint64_t u = 0;
    bool yes = false;
};

struct Field {
    std::string key;
    FieldValue value;
};

// Fields in the order a report lists them, each key once.
class Fields {
 public:
    Fields &add(std::string key, FieldValue value) {
        list.push_back({std::move(key), std::move(value)});
        return *this;
    }
    Fields &text(std::string key, std::string_view printerText) { return add(std::move(key), FieldValue::text(printerText)); }
    Fields &name(std::string key, std::string_view name) { return add(std::move(key), FieldValue::name(name)); }
    Fields &number(std::string key, std::int64_t v) { return add(std::move(key), FieldValue::number(v)); }
    Fields &unsigned_number(std::string key, std::uint64_t v) {
        return add(std::move(key), FieldValue::unsigned_number(v));
    }
    Fields &yes_no(std::string key, bool yes) { return add(std::move(key), FieldValue::yes_no(yes)); }
    Fields &absent(std::string key, std::string_view absentText = "") {
        return add(std::move(key), FieldValue::absent(absentText));
    }

    // The field of that key, or nullptr.
    const Field *find(std::string_view key) const;
    bool empty() const { return list.empty(); }

    std::vector<Field> list;
};

// Groups of fields about the printer itself, by the report that finds them.
enum class Group : std::uint8_t {
    Identification,   // vendor, model
    Network,          // ipaddr, netmask, hwaddr, gateway
    Contact,          // contact, location
    MibSupport,       // hostmib, printmib
    HpCommandSet,     // pcl, pjl, postscript, hpgl from HP's identification string
    HostResources,    // memsize, status
    HpStatus,         // status: the text of HP's private status variable
    ConfigSource,     // cfgsrc
    Serial,           // Printer MIB: serial
    MediaSummary,     // Printer MIB: duplex, the paper size summaries, engine speed
    PaperEstimates,   // Printer MIB: sheets loaded per paper size
    LanguageAnswers,  // Printer MIB: postscript, pcl, ... from the interpreter table
    ChannelAnswers,   // Printer MIB: appletalk, lpd, netware, port9100 from the channel table
};

// Tables, one row per entry.
enum class Table : std::uint8_t {
    Storage,
    Connections,
    Markers,
    MediaPaths,
    InputTrays,
    Languages,
    Channels,
    Display,    // the Printer MIB's console display
    HpDisplay,  // the display text of HP's private MIB (older interfaces)
    Covers,
    Supplies,
    Alerts,
};

// The table's name: "storage", "connections", ... (both displays: "display").
const char *table_name(Table table);

// The reports of a marker row the options ask for: a marker is one row of
// its table, however many of its reports are asked.
enum MarkerPart : unsigned {
    MARKER_ROW = 1,         // --marker
    MARKER_PAGECOUNT = 2,   // --pagecount
    MARKER_COLORS = 4,      // --colors
    MARKER_RESOLUTION = 8,  // --resolution
    MARKER_MARGINS = 16,    // --minmargin
};

// A message for standard error about one printer, in pieces: text of our own
// and text the printer sent, which each renderer escapes by its own rules.
class Message {
 public:
    Message() = default;
    // Text of our own only.
    Message(std::string ours) { add(std::move(ours), false); }  // NOLINT: a plain text is a message

    Message &ours(std::string text) { return add(std::move(text), false); }
    Message &theirs(std::string_view printerText) { return add(std::string(printerText), true); }

    // With the printer's text through escape_value (standard error's form).
    std::string escaped() const;
    // With the printer's text as sent.
    std::string raw() const;
    bool empty() const { return parts_.empty(); }

 private:
    struct Part {
        std::string text;
        bool printer;
    };
    Message &add(std::string text, bool printer) {
        parts_.push_back({std::move(text), printer});
        return *this;
    }
    std::vector<Part> parts_;
};

// Everything one printer's worker writes: what it found, warnings and the
// failure that ends it. One per printer, used by its worker only; the
// renderers behind it serialise what reaches standard output.
class PrinterOutput : public SNMP_warning_sink {
 public:
    explicit PrinterOutput(std::string host) : host_(std::move(host)) {}
    virtual ~PrinterOutput() = default;
    PrinterOutput(const PrinterOutput &) = delete;
    PrinterOutput &operator=(const PrinterOutput &) = delete;

    // The printer's name as given: the hostname field and every message.
    const std::string &host() const { return host_; }

    // Fields about the printer itself.
    virtual void found(Group group, const Fields &fields) = 0;
    // One row of a table; parts: the MarkerPart bits of a marker row.
    virtual void row(Table table, const Fields &fields, unsigned parts = 0) = 0;
    // A message for standard error (ending in "\n") about this printer;
    // namesPrinter: the text already names the printer.
    void warn(const std::string &text, bool namesPrinter) override { warn(Message(text), namesPrinter); }
    virtual void warn(const Message &message, bool namesPrinter) = 0;
    // The message of the failure that ends this printer's worker.
    virtual void failed(const Message &message) = 0;
    // The printer's health and its judgement, handed over once its reports
    // have ended (also after a failure), before finish; only when the health
    // is asked. A renderer that shows no health ignores it.
    virtual void health(const PrinterHealth &health, const HealthVerdict &verdict);
    // The worker ended with status.
    virtual void finish(int status) = 0;

 private:
    std::string host_;
};

// Makes the output object of each printer of a run.
class OutputFactory {
 public:
    virtual std::unique_ptr<PrinterOutput> make(const std::string &host) const = 0;

 protected:
    ~OutputFactory() = default;
};

// Length of the well-formed UTF-8 character at the front of s (not empty): 1
// for ASCII, 2 to 4 for the sequences of the Unicode standard's table 3-7 (no
// overlong forms, no surrogates, nothing above U+10FFFF), 0 for anything else.
std::size_t utf8_length(std::string_view s);

// Makes text read from a printer safe inside key="value"; fields and in
// messages, and harmless to a terminal: '"' and '\' get a backslash, a newline
// becomes \n, every other control byte (below 0x20, and 0x7f) becomes \xHH, and
// so do the C1 controls: a byte 0x80-0x9F that is not part of a well-formed
// UTF-8 character, and both bytes of U+0080-U+009F (C2 80 to C2 9F). Every
// other character of well-formed UTF-8, and every other byte, passes unchanged.
// With a limit, the result stops before the first escape sequence or
// character that would make it longer than limit bytes.
std::string escape_value(std::string_view text, std::size_t limit = std::string::npos);

// printf into a string of exactly the formatted length; messages are built
// with it so no fixed buffer can overflow.
std::string format_text(const char *format, ...) __attribute__((format(printf, 1, 2)));
