// Classic output: each printer's key="value"; fields run together on its line,
// each table row is a line of its own, and with two or more printers (or
// --name) every line starts with the printer's hostname field.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "reports/output.h"

// The one writer of standard output of a run: its lock and which printer's
// line is open.
class ClassicWriter {
 public:
    explicit ClassicWriter(std::FILE *out = stdout) : out_(out) {}
    ClassicWriter(const ClassicWriter &) = delete;
    ClassicWriter &operator=(const ClassicWriter &) = delete;

    // One piece of printer's output. A fragment (continues true) extends the
    // printer's open line; any other piece starts a new line, closing the open
    // line of whichever printer left one. With names, every line starts with
    // hostname="host";.
    void write(const void *printer, const std::string &host, bool names, bool continues,
               std::string_view text);
    // Closes the last line if it was left open.
    void finish();

 private:
    std::mutex outputLock;
    std::FILE *out_;
    const void *lastPrinter = nullptr;
    bool lastContinued = false;
    bool atLineStart = true;  // the last byte written ended a line (or nothing was written)
};

class ClassicOutput : public PrinterOutput {
 public:
    // names: hostname fields are on (two or more printers, or --name).
    ClassicOutput(ClassicWriter &writer, std::string host, bool names, std::FILE *err = stderr)
        : PrinterOutput(std::move(host)), writer_(writer), names_(names), err_(err) {}

    void piece(const Piece &piece) override;
    void begin_row(const char *) override {}
    void end_row() override {}
    void warn(const std::string &text, bool namesPrinter) override;
    void failed(const std::string &message) override;
    void finish(int) override {}

 private:
    ClassicWriter &writer_;
    bool names_;
    std::FILE *err_;
};

// The classic output of every printer of a run, through one writer.
class ClassicOutputs : public OutputFactory {
 public:
    ClassicOutputs(ClassicWriter &writer, bool names) : writer_(writer), names_(names) {}
    std::unique_ptr<PrinterOutput> make(const std::string &host) const override {
        return std::make_unique<ClassicOutput>(writer_, host, names_);
    }

 private:
    ClassicWriter &writer_;
    bool names_;
};

// A piece of the Printer MIB reports is at most 511 characters: longer text is
// cut there. A record line, or a fragment that ended its line, still ends in
// "\n" after the cut, so it never runs into the next line.
std::string cut_line(std::string text, bool recordLine);

// The text of one piece as classic output writes it, without the hostname field.
std::string classic_text(const Piece &piece);
