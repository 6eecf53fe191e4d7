// JSON output (--json): one JSON object per printer, written whole on one line
// when its worker ends, with its status, failure, warnings and what the
// reports found: the groups' fields as the object's own keys (the paper
// estimates as the object "paper"), each table an array of row objects.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reports/output.h"
#include "reports/writer.h"

class JsonOutput : public PrinterOutput {
 public:
    JsonOutput(OutputWriter &writer, std::string host);
    ~JsonOutput() override;

    void found(Group group, const Fields &fields) override;
    void row(Table table, const Fields &fields, unsigned parts) override;
    // Warnings and the failure are kept in the object, not written to standard
    // error, with the printer's text as it sent it.
    using PrinterOutput::warn;
    void warn(const Message &message, bool namesPrinter) override;
    void failed(const Message &message) override;
    // "detectedErrors" (the bits' names, null when the printer gave none) and
    // "health" {"state", "reasons": [{"state", "text"}]}, after the reports'
    // fields.
    void health(const PrinterHealth &health, const HealthVerdict &verdict) override;
    void finish(int status) override;

    // The object as finish writes it, without the line end.
    std::string text(int status) const;

 private:
    struct Object;  // the JSON values, kept out of this header
    OutputWriter &writer_;
    std::unique_ptr<Object> fields_;
    std::vector<std::string> warnings_;
    std::string error_;
    bool failed_ = false;
};

// The JSON output of every printer of a run, through one writer.
class JsonOutputs : public OutputFactory {
 public:
    explicit JsonOutputs(OutputWriter &writer) : writer_(writer) {}
    std::unique_ptr<PrinterOutput> make(const std::string &host) const override {
        return std::make_unique<JsonOutput>(writer_, host);
    }

 private:
    OutputWriter &writer_;
};

// Bytes as valid UTF-8: valid sequences stay as they are, every byte of an
// invalid one is taken as the Latin-1 character of that value.
std::string utf8_or_latin1(std::string_view bytes);
