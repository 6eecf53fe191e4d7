// collect: the records of a scrape's printers, kept for the metrics.
#include "exporter/collect.h"

namespace {

class CollectingOutput : public PrinterOutput {
 public:
    CollectingOutput(const CollectingOutputs &owner, std::string host) : PrinterOutput(std::move(host)), owner_(owner) {}

    void found(Group group, const Fields &fields) override { record_.groups.emplace_back(group, fields); }
    void row(Table table, const Fields &fields, unsigned) override { record_.rows.emplace_back(table, fields); }
    using PrinterOutput::warn;
    void warn(const Message &, bool) override { ++record_.warnings; }
    void failed(const Message &message) override { record_.failure = message.raw(); }
    void health(const PrinterHealth &health, const HealthVerdict &verdict) override {
        record_.health = health;
        record_.verdict = verdict;
    }
    void finish(int status) override {
        record_.status = status;
        record_.finished = true;
        owner_.store(host(), std::move(record_));
    }

 private:
    const CollectingOutputs &owner_;
    PrinterRecord record_;
};

}  // namespace

const FieldValue *PrinterRecord::field(Group group, std::string_view key) const {
    for (const auto &[g, fields] : groups)
        if (g == group)
            if (const Field *f = fields.find(key)) return &f->value;
    return nullptr;
}

std::unique_ptr<PrinterOutput> CollectingOutputs::make(const std::string &host) const {
    return std::make_unique<CollectingOutput>(*this, host);
}

void CollectingOutputs::store(const std::string &host, PrinterRecord record) const {
    std::lock_guard<std::mutex> lock(lock_);
    records_[host] = std::move(record);
}

std::map<std::string, PrinterRecord> CollectingOutputs::take() {
    std::lock_guard<std::mutex> lock(lock_);
    return std::move(records_);
}
