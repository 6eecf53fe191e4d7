// Classic output: each printer's key="value"; fields run together on its line,
// each table row is a line of its own, and with two or more printers (or
// --name) every line starts with the printer's hostname field.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "reports/output.h"
#include "reports/writer.h"

// One printer's classic output. Its open line is held here and written whole
// when it is closed: by a record line, by a piece ending in "\n", by the
// failure that ends the worker, or when the worker ends. So each printer's
// lines are those of a run of that printer alone, whatever the others do.
class ClassicOutput : public PrinterOutput {
 public:
    // names: hostname fields are on (two or more printers, or --name); then
    // warnings that do not name the printer get "HOST: " in front.
    ClassicOutput(OutputWriter &writer, std::string host, bool names)
        : PrinterOutput(std::move(host)), writer_(writer), names_(names) {}

    void piece(const Piece &piece) override;
    void begin_row(const char *) override {}
    void end_row() override {}
    void warn(const std::string &text, bool namesPrinter) override;
    void failed(const std::string &message) override;
    void finish(int) override { close_line(); }

    // The classic text of one piece (without the hostname field); record:
    // the text is a line of its own. A text ending in "\n" closes the line.
    void write_text(std::string_view text, bool record);

 private:
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

// The text of one piece as classic output writes it, without the hostname
// field. A limited piece (the Printer MIB's) is cut to 511 characters: whole
// fields while they fit, then the part of the next value that fits, closed
// with its quote and ';'; a record line, or a fragment that ends its line,
// still ends in "\n" within the 511.
std::string classic_text(const Piece &piece);

// "HOST: " in front of every line of a message that does not name its printer.
std::string with_host_prefix(const std::string &host, std::string_view text);
