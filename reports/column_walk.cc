// The side-by-side column walk: every column keeps its own place, requests
// carry the columns still going, GetBulk reads ahead where the agent takes it.
#include "reports/column_walk.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "ber/ber.h"
#include "ber/berv2.h"
#include "reports/context.h"
#include "reports/request.h"
#include "snmp/session.h"

namespace {

constexpr int TOO_BIG = 1;

std::vector<std::uint64_t> arcs_of(const std::string &dotted) {
    std::vector<std::uint64_t> arcs;
    const char *p = dotted.c_str();
    while (*p) {
        char *end = nullptr;
        arcs.push_back(std::strtoull(p, &end, 10));
        if (end == p) break;
        p = *end == '.' ? end + 1 : end;
    }
    return arcs;
}

struct Column {
    const ColumnSpec *column;
    std::string prefix;  // the column's text and a dot: what its objects begin with
    std::string next;    // where its next step starts
    bool done = false;
    std::vector<ColumnCell> cells;
};

ColumnCell cell_of(std::string instance, const BerBase *v) {
    ColumnCell cell;
    cell.instance = std::move(instance);
    cell.type = v->type();
    if (auto *big = dynamic_cast<const BerCounter64 *>(v))
        cell.number = big->value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                          ? std::numeric_limits<std::int64_t>::max()
                          : static_cast<std::int64_t>(big->value);
    else if (cell.type == STRING_TAG)
        cell.text = octets(v).value_or("");
    else if (cell.type == OID_TAG)
        cell.text = tabdef_detail::string_value(v);
    else
        cell.number = tabdef_detail::int_value(v);
    return cell;
}

// One returned object for column c: taken when it lies in the column and
// after the last one, else the column has ended.
bool take(Column &c, const std::string &oid, const BerBase *v) {
    if (c.done) return false;
    const bool inColumn = oid.compare(0, c.prefix.size(), c.prefix) == 0 && oid.size() > c.prefix.size();
    if (!v || is_exception(v) || !inColumn || !(arcs_of(c.next) < arcs_of(oid))) {
        c.done = true;
        return true;
    }
    c.cells.push_back(cell_of(oid.substr(c.prefix.size()), v));
    c.next = oid;
    if (c.column->firstOnly || c.cells.size() >= tabdef_detail::MAX_WALK_ROWS) c.done = true;
    return true;
}

class Walker {
 public:
    Walker(ReportContext &ctx, const std::vector<ColumnSpec> &specs)
        : ctx_(ctx), bulk_(ctx.session.version() != SNMP_version::V1) {
        for (const ColumnSpec &s : specs) columns_.push_back({&s, std::string(s.oid) + ".", s.oid, false, {}});
    }

    std::vector<std::vector<ColumnCell>> run() {
        // Every GetNext round moves each column on or ends it, so the walk
        // ends; the bound only guards against a GetBulk agent that never
        // moves on (it then falls back to GetNext).
        for (;;) {
            std::vector<std::size_t> active;
            for (std::size_t i = 0; i < columns_.size(); ++i)
                if (!columns_[i].done) active.push_back(i);
            if (active.empty()) break;
            round(active);
        }
        std::vector<std::vector<ColumnCell>> out;
        for (Column &c : columns_) out.push_back(std::move(c.cells));
        return out;
    }

 private:
    void round(const std::vector<std::size_t> &active) {
        const std::size_t size = std::min(perRequest_, active.size());
        for (std::size_t from = 0; from < active.size(); from += size) {
            const std::vector<std::size_t> chunk(active.begin() + static_cast<std::ptrdiff_t>(from),
                                                 active.begin() + static_cast<std::ptrdiff_t>(std::min(from + size, active.size())));
            if (!(bulk_ ? bulk_step(chunk) : next_step(chunk))) return;  // asks again with smaller requests
        }
    }

    void fill(OidSeq &request, const std::vector<std::size_t> &chunk) const {
        for (std::size_t i : chunk) request.append(columns_[i].next.c_str());
    }

    // One GetBulk; false when the agent refused it (GetNext from now on).
    bool bulk_step(const std::vector<std::size_t> &chunk) {
        const int repetitions = static_cast<int>(tabdef_detail::BULK_BINDINGS / chunk.size());
        if (repetitions < 2) return next_step(chunk);
        OidSeq request;
        fill(request, chunk);
        std::unique_ptr<OidSeq> reply;
        try {
            reply = ctx_.session.do_bulk(&request, repetitions);
        } catch (const SNMP_error_oid &) {
            bulk_ = false;
            return false;
        } catch (const BerDecodeError &) {
            bulk_ = false;
            return false;
        }
        if (!reply) throw tabdef_detail::no_answer(&ctx_.session);
        bool moved = false;
        for (const auto &row : reply->split_rows(chunk.size()))
            for (std::size_t k = 0; k < chunk.size(); ++k)
                moved = take(columns_[chunk[k]], row->oidstr(k), row->value(k)) || moved;
        if (!moved) bulk_ = false;  // a reply without a whole row: step by GetNext
        return moved;
    }

    bool next_step(const std::vector<std::size_t> &chunk) {
        OidSeq request;
        fill(request, chunk);
        std::unique_ptr<OidSeq> reply;
        try {
            reply = exchange(ctx_, GETNEXT_REQ_TAG, request);
        } catch (const SNMP_error_oid &error) {
            if (error.status == TOO_BIG && chunk.size() > 1) {
                perRequest_ = std::max<std::size_t>(1, chunk.size() / 2);
                return false;
            }
            // noSuchName to a get-next is the end of the MIB after the object
            // named: every column at or past it has ended too. A refusal
            // naming none ends every column asked.
            const std::vector<std::uint64_t> end = arcs_of(error.str);
            bool named = false;
            for (std::size_t i : chunk)
                if (columns_[i].next == error.str) named = true;
            for (std::size_t i : chunk)
                if (!named || !(arcs_of(columns_[i].next) < end)) columns_[i].done = true;
            return true;
        }
        for (std::size_t k = 0; k < chunk.size(); ++k) {
            Column &c = columns_[chunk[k]];
            if (k < reply->size())
                take(c, reply->oidstr(k), reply->value(k));
            else
                c.done = true;
        }
        return true;
    }

    ReportContext &ctx_;
    std::vector<Column> columns_;
    bool bulk_;
    std::size_t perRequest_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace

std::int64_t last_arc(const std::string &instance) {
    const std::size_t dot = instance.rfind('.');
    return std::strtoll(instance.c_str() + (dot == std::string::npos ? 0 : dot + 1), nullptr, 10);
}

std::int64_t ColumnCell::index() const { return last_arc(instance); }

bool ColumnCell::is_number() const {
    return type == INT_TAG || type == COUNTER_TAG || type == TIME_TICK_TAG || type == COUNTER64_TAG;
}

bool ColumnCell::is_text() const { return type == STRING_TAG; }

std::vector<std::vector<ColumnCell>> walk_columns(ReportContext &ctx, const std::vector<ColumnSpec> &columns) {
    return Walker(ctx, columns).run();
}
