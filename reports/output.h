// The typed output of the reports: fields with typed values, grouped into
// pieces (fragments of a printer's line, or record lines of their own) and into
// rows of named tables, handed to the printer's output object. Renderers (the
// classic key="value"; text) decide how they look.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/session.h"

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
    // False for values only typed renderers write (a supply's percentage, an
    // alert's UTC time): the classic line has no field for them.
    bool classic = true;
};

// One piece of a printer's output.
class Piece {
 public:
    enum class Kind {
        Fragment,  // fields that continue the printer's current line
        Record,    // a line of its own (a table row), ending in "\n"
    };

    static Piece fragment() { return Piece(Kind::Fragment); }
    static Piece record() { return Piece(Kind::Record); }

    Piece &add(std::string key, FieldValue value) {
        fields.push_back({std::move(key), std::move(value)});
        return *this;
    }
    Piece &text(std::string key, std::string_view printerText) { return add(std::move(key), FieldValue::text(printerText)); }
    Piece &name(std::string key, std::string_view name) { return add(std::move(key), FieldValue::name(name)); }
    Piece &number(std::string key, std::int64_t v) { return add(std::move(key), FieldValue::number(v)); }
    Piece &unsigned_number(std::string key, std::uint64_t v) {
        return add(std::move(key), FieldValue::unsigned_number(v));
    }
    Piece &yes_no(std::string key, bool yes) { return add(std::move(key), FieldValue::yes_no(yes)); }
    Piece &absent(std::string key, std::string_view absentText = "") {
        return add(std::move(key), FieldValue::absent(absentText));
    }
    // A field the classic text leaves out (see Field::classic).
    Piece &typed_only(std::string key, FieldValue value) {
        fields.push_back({std::move(key), std::move(value), false});
        return *this;
    }

    // A fragment that ends the printer's line ("\n" after its fields).
    Piece &ends_line() {
        endsLine = true;
        return *this;
    }
    // The Printer MIB's pieces are formatted into a 512-byte line: the classic
    // text is cut at 511 characters.
    Piece &limited() {
        cut = true;
        return *this;
    }
    // The connection line ends its last field without the ';'.
    Piece &last_without_semicolon() {
        lastWithoutSemicolon = true;
        return *this;
    }
    // The fields belong to the sub-object of this name (the paper estimates).
    Piece &in_object(const char *objectName) {
        object = objectName;
        return *this;
    }

    Kind kind;
    std::vector<Field> fields;
    bool endsLine = false;
    bool cut = false;
    bool lastWithoutSemicolon = false;
    const char *object = nullptr;

 private:
    explicit Piece(Kind k) : kind(k) {}
};

// Everything one printer's worker writes: pieces, table rows, warnings and
// the failure that ends it. One per printer, used by its worker only; the
// renderers behind it serialise what reaches standard output.
class PrinterOutput : public SNMP_warning_sink {
 public:
    explicit PrinterOutput(std::string host) : host_(std::move(host)) {}
    virtual ~PrinterOutput() = default;
    PrinterOutput(const PrinterOutput &) = delete;
    PrinterOutput &operator=(const PrinterOutput &) = delete;

    // The printer's name as given: the hostname field and every message.
    const std::string &host() const { return host_; }

    virtual void piece(const Piece &piece) = 0;
    // The pieces up to end_row are one row of the named table.
    virtual void begin_row(const char *table) = 0;
    virtual void end_row() = 0;
    // A message for standard error (ending in "\n") about this printer;
    // namesPrinter: the text already names the printer.
    void warn(const std::string &text, bool namesPrinter) override = 0;
    // The message of the failure that ends this printer's worker.
    virtual void failed(const std::string &message) = 0;
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

// The pieces of one table row, for the scope of this object.
class TableRow {
 public:
    TableRow(PrinterOutput &out, const char *table) : out_(out) { out_.begin_row(table); }
    ~TableRow() { out_.end_row(); }
    TableRow(const TableRow &) = delete;
    TableRow &operator=(const TableRow &) = delete;

 private:
    PrinterOutput &out_;
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
