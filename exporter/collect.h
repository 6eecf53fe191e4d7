// An output that keeps what the reports found about each printer of a scrape
// (fields, table rows, warnings, the failure and the worker's status) for the
// metrics, instead of rendering it.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reports/health.h"
#include "reports/output.h"

struct PrinterRecord {
    std::vector<std::pair<Group, Fields>> groups;
    std::vector<std::pair<Table, Fields>> rows;
    std::size_t warnings = 0;
    std::optional<PrinterHealth> health;  // handed over when the health is asked
    HealthVerdict verdict;
    std::string failure;  // the failure message, printer text as sent
    int status = 0;
    bool finished = false;

    // The first field of that key in a group, or nullptr.
    const FieldValue *field(Group group, std::string_view key) const;
};

// The outputs of one scrape's printers; each hands its record over when its
// worker ends.
class CollectingOutputs : public OutputFactory {
 public:
    std::unique_ptr<PrinterOutput> make(const std::string &host) const override;
    // The records handed over so far, by printer name (taken out).
    std::map<std::string, PrinterRecord> take();
    void store(const std::string &host, PrinterRecord record) const;

 private:
    mutable std::mutex lock_;
    mutable std::map<std::string, PrinterRecord> records_;
};
