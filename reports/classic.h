// Classic output: each printer's key="value"; fields run together on its line,
// each table row is a line of its own, and with two or more printers (or
// --name) every line starts with the printer's hostname field. This file and
// classic.cc alone know that layout: which fields of a group or row make up
// each piece of a line, which pieces are cut at 511 characters, which end
// their line, and which field ends without its ';'.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reports/output.h"
#include "reports/writer.h"

// One piece of a printer's classic output, without the hostname field.
struct ClassicPiece {
    bool continues;    // continues the printer's line; false: a line of its own
    std::string text;  // ends in "\n" when the piece ends its line
    bool operator==(const ClassicPiece &) const = default;
};

// The pieces the classic format makes of a group of fields, or of a table row.
std::vector<ClassicPiece> classic_pieces(Group group, const Fields &fields);
std::vector<ClassicPiece> classic_pieces(Table table, const Fields &fields, unsigned parts = 0);

// How one piece is written: the fields in order, each key="value"; and, for
// a piece cut at 511 characters (the Printer MIB's 512-byte line buffer),
// whole fields while they fit, then the part of the next value that fits,
// closed with its quote and ';'. A piece that ends its line ends in "\n"
// within the 511; lastBare: the last field ends without its ';'.
std::string classic_text(const std::vector<const Field *> &fields, bool cut, bool endsLine, bool lastBare = false);
// The same of every field given.
std::string classic_text(const Fields &fields, bool cut, bool endsLine, bool lastBare = false);

// The fields of a printer's health on its classic line: the state and every
// reason with its own state, "; " between them.
Fields health_fields(const HealthVerdict &verdict);

// One printer's classic output. Its open line is held here and written whole
// when it is closed: by a line of its own, by a piece ending in "\n", by the
// failure that ends the worker, or when the worker ends. So each printer's
// lines are those of a run of that printer alone, whatever the others do.
class ClassicOutput : public PrinterOutput {
 public:
    // names: hostname fields are on (two or more printers, or --name); then
    // warnings that do not name the printer get "HOST: " in front.
    ClassicOutput(OutputWriter &writer, std::string host, bool names)
        : PrinterOutput(std::move(host)), writer_(writer), names_(names) {}

    void found(Group group, const Fields &fields) override;
    void row(Table table, const Fields &fields, unsigned parts) override;
    using PrinterOutput::warn;
    void warn(const Message &message, bool namesPrinter) override;
    void failed(const Message &message) override;
    // health="STATE";healthReasons="STATE reason; ...": continues the line,
    // whole (no reason is lost to a line buffer).
    void health(const PrinterHealth &health, const HealthVerdict &verdict) override;
    void finish(int) override { close_line(); }

    // The text of one piece; record: a line of its own. A text ending in
    // "\n" closes the line.
    void write_text(std::string_view text, bool record);

 private:
    void write(const std::vector<ClassicPiece> &pieces);
    void close_line();

    OutputWriter &writer_;
    bool names_;
    bool lineOpen_ = false;
    std::string line_;  // the open line, hostname field included
};

// The classic output of every printer of a run, through one writer.
class ClassicOutputs : public OutputFactory {
 public:
    ClassicOutputs(OutputWriter &writer, bool names) : writer_(writer), names_(names) {}
    std::unique_ptr<PrinterOutput> make(const std::string &host) const override {
        return std::make_unique<ClassicOutput>(writer_, host, names_);
    }

 private:
    OutputWriter &writer_;
    bool names_;
};

// "HOST: " in front of every line of a message that does not name its printer.
std::string with_host_prefix(const std::string &host, std::string_view text);
