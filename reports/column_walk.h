// Many table columns walked side by side, each on its own: one request per
// step carries the next object of every column still going, so a walk costs
// as many exchanges as its longest column, and a column the printer lacks,
// or that ends early, drops out without stopping the others.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "snmp/structfill.h"

class ReportContext;

struct ColumnSpec {
    const char *oid;       // the column, without an instance
    bool firstOnly = false;  // only its first row (the first device, the first marker)
};

// One object of a column: its instance (the arcs after the column) and its
// value, taken as the printer sent it.
struct ColumnCell {
    std::string instance;
    int type = 0;              // the BER tag
    std::int64_t number = 0;   // INTEGER, Counter, TimeTicks
    std::string text;          // OCTET STRING bytes, whole; an OID's dotted text
    // The last arc of the instance: the row's index in its table.
    std::int64_t index() const;
    bool is_number() const;
    bool is_text() const;
};

// Walks the columns with GetNext (SNMPv1, or an agent that refuses
// GetBulkRequest) or GetBulk, and returns each column's cells in order. A
// column ends where its objects end, at an exception, at an object that does
// not increase, at a refusal that names it, or after MAX_WALK_ROWS rows;
// tooBig makes the requests smaller. No answer throws SNMP_error_unrecoverable.
std::vector<std::vector<ColumnCell>> walk_columns(ReportContext &ctx, const std::vector<ColumnSpec> &columns);

// The rows of a tabdef walk exactly as tabdef::get gives them, each with the
// instance its column (the first the tabdef was given) had in that row.
template <class Record>
std::vector<std::pair<std::string, Record>> walk_with_instances(tabdef<Record> &tab, const char *column) {
    std::vector<std::pair<std::string, Record>> rows;
    const std::string prefix = std::string(column) + ".";
    for (;;) {
        Record record{};
        try {
            if (!tab.getNext(record)) break;
        } catch (const SNMP_error_oid &error) {
            if (error.status == NO_SUCH_NAME) break;
            throw;
        }
        std::string instance;
        const OidSeq *reply = tab.lastResponse();
        for (std::size_t i = 0; reply && i < reply->size(); ++i)
            if (reply->oidstr(i).compare(0, prefix.size(), prefix) == 0) instance = reply->oidstr(i).substr(prefix.size());
        rows.emplace_back(std::move(instance), std::move(record));
    }
    return rows;
}

// The last arc of a dotted instance ("1.3" gives 3); 0 when there is none.
std::int64_t last_arc(const std::string &instance);
