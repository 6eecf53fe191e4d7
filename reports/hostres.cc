// Host Resources: memory and printer status in one GetRequest, then the
// storage table walk.
#include "reports/hostres.h"

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/health_fetch.h"
#include "reports/hp.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "snmp/session.h"

namespace {

constexpr std::int64_t NO_STATUS = std::numeric_limits<std::int64_t>::min();

struct HrInfo {
    std::int64_t memsize = 0;
    std::int64_t prstatus = NO_STATUS;
};

struct HrStorageTable {
    std::string descr;
    std::int64_t allocUnits = 0, size = 0, used = 0, allocFailures = 0;
};

constexpr std::size_t STORAGE_COLUMNS = 5;
constexpr const char *STORAGE_COLUMN[STORAGE_COLUMNS] = {oid::hrStorageDescr, oid::hrStorageAllocationUnits,
                                                         oid::hrStorageSize, oid::hrStorageUsed,
                                                         oid::hrStorageAllocationFailures};
constexpr std::int64_t HrStorageTable::*STORAGE_SLOT[STORAGE_COLUMNS] = {
    nullptr, &HrStorageTable::allocUnits, &HrStorageTable::size, &HrStorageTable::used,
    &HrStorageTable::allocFailures};
constexpr const char *STORAGE_KEY[STORAGE_COLUMNS] = {"desc", "allocunits", "size", "used", "allocfail"};

struct MemoryStatusAsked {
    bool memory;
    bool status;
};

// The refusal policy of the memory and status request: memory falls back from
// instance 0 to instance 1, a refused status falls back to HP's private status
// on HP printers. Each absorbed refusal removes or replaces a column once.
bool absorb_hostres_refusal(ReportContext &ctx, tabdef<HrInfo> &request, MemoryStatusAsked &asked,
                            const std::string &rejected) {
    if (rejected == oid::hrMemorySize0 && request.remove(oid::hrMemorySize0)) {
        request.append(oid::hrMemorySize1, INT_TAG, &HrInfo::memsize);
        return true;
    }
    if (rejected == oid::hrPrinterStatus1 && request.remove(oid::hrPrinterStatus1)) {
        asked.status = false;
        if (ctx.capFlags.vendor() == VENDOR_HP) {
            // Old HP interfaces keep the status in HP's private MIB.
            ctx.warn(format_text("Warning: %s has an old firmware. Please upgrade it!\n", ctx.host()));
            do_hppriv_get(ctx, ctx.flags.asked(Option::status), ctx.flags.asked(Option::display));
        } else {
            ctx.warn(format_text("Warning: %s does not provide %s; no status.\n", ctx.host(), oid::hrPrinterStatus1));
        }
        return true;
    }
    if (rejected == oid::hrMemorySize1 && request.remove(oid::hrMemorySize1)) {
        ctx.warn(format_text("Warning: %s provides neither %s nor %s; no memsize.\n", ctx.host(), oid::hrMemorySize0,
                             oid::hrMemorySize1));
        asked.memory = false;
        return true;
    }
    ctx.warn(format_text("Warning: %s refused the host resources request (at \"%s\"); no memsize or status.\n",
                         ctx.host(), rejected.c_str()));
    return false;
}

void print_printer_status(ReportContext &ctx, std::int64_t status) {
    if (table_name(HRSTATUSSTATES, status)) {
        ctx.found(Group::HostResources, Fields().add("status", name_or_number(HRSTATUSSTATES, status)));
    } else if (status == NO_STATUS) {
        ctx.warn(format_text("Warning: %s did not report its printer status.\n", ctx.host()));
    } else {
        ctx.warn(format_text("Warning: %s reported printer status %lld, which has no name (1-5).\n", ctx.host(),
                             static_cast<long long>(status)));
        ctx.found(Group::HostResources, Fields().number("status", status));
    }
}

void hostmib_memory_status(ReportContext &ctx) {
    tabdef<HrInfo> request(&ctx.session);
    MemoryStatusAsked asked{ctx.flags.asked(Option::memory), ctx.flags.asked(Option::status)};
    if (asked.memory) request.append(oid::hrMemorySize0, INT_TAG, &HrInfo::memsize);
    if (asked.status) request.append(oid::hrPrinterStatus1, INT_TAG, &HrInfo::prstatus);
    HrInfo info;
    std::vector<std::string> dropped;
    if (!fetch_despite_refusals(request, info, dropped, [&](const std::string &rejected) {
            return absorb_hostres_refusal(ctx, request, asked, rejected);
        }))
        return;

    for (const std::string &oidstr : dropped)
        if (oidstr == oid::hrMemorySize0 || oidstr == oid::hrMemorySize1) asked.memory = false;
    if (asked.memory)
        ctx.found(Group::HostResources,
                  Fields().unsigned_number("memsize", static_cast<std::uint32_t>(info.memsize)));
    if (asked.status && ctx.flags.asked(Option::status)) {
        print_printer_status(ctx, info.prstatus);
        if (ctx.health && info.prstatus != NO_STATUS) {
            ctx.health->readings.printerStatus = info.prstatus;
            ctx.health->printerStatusRead = true;
        }
    }
}

// Walks the storage table with the columns marked wanted, step by step so that
// rows read before a refusal are still printed. When the walk ends before its
// first row, foundInFirstStep (if given) tells which columns the printer's
// first reply still held.
std::vector<HrStorageTable> walk_storage(ReportContext &ctx, const std::array<bool, STORAGE_COLUMNS> &wanted,
                                         std::array<bool, STORAGE_COLUMNS> *foundInFirstStep) {
    tabdef<HrStorageTable> stortabreq(&ctx.session);
    for (std::size_t i = 0; i < STORAGE_COLUMNS; ++i) {
        if (!wanted[i]) continue;
        if (i == 0)
            stortabreq.append(STORAGE_COLUMN[i], STRING_TAG, &HrStorageTable::descr);
        else
            stortabreq.append(STORAGE_COLUMN[i], i == 4 ? COUNTER_TAG : INT_TAG, STORAGE_SLOT[i]);
    }
    std::vector<HrStorageTable> storage;
    for (;;) {
        HrStorageTable row;
        try {
            if (stortabreq.getNext(row)) {
                storage.push_back(std::move(row));
                continue;
            }
            if (storage.empty() && foundInFirstStep)
                for (std::size_t i = 0; i < STORAGE_COLUMNS; ++i)
                    (*foundInFirstStep)[i] = wanted[i] && present(stortabreq.lastResponse(), STORAGE_COLUMN[i]);
        } catch (const SNMP_error_oid &error) {
            if (error.status != NO_SUCH_NAME)
                ctx.warn(format_text("Warning: %s refused the storage walk (at \"%s\"); %zu rows read.\n", ctx.host(),
                                     error.str.c_str(), storage.size()));
        } catch (const SNMP_error_type &bad) {
            ctx.warn(format_text("Warning: %s: storage walk stopped at \"%s\"; %zu rows read.\n", ctx.host(),
                                 bad.str.c_str(), storage.size()));
        }
        return storage;
    }
}

void hostmib_storage(ReportContext &ctx) {
    std::array<bool, STORAGE_COLUMNS> wanted;
    wanted.fill(true);
    std::array<bool, STORAGE_COLUMNS> found{};
    std::vector<HrStorageTable> storage = walk_storage(ctx, wanted, &found);

    // Agents may leave out a column (net-snmp has no hrStorageAllocationFailures),
    // which would end the walk before its first row: walk again without it.
    if (storage.empty() && found[0]) {
        bool dropped = false;
        for (std::size_t i = 1; i < STORAGE_COLUMNS; ++i) {
            if (found[i]) continue;
            ctx.warn(format_text("Warning: %s does not provide %s; its field is left empty.\n", ctx.host(),
                                 STORAGE_COLUMN[i]));
            wanted[i] = false;
            dropped = true;
        }
        if (dropped) storage = walk_storage(ctx, wanted, nullptr);
    }

    for (auto it = storage.rbegin(); it != storage.rend(); ++it) {
        Fields line;
        line.text(STORAGE_KEY[0], it->descr);
        for (std::size_t i = 1; i < STORAGE_COLUMNS; ++i) {
            if (wanted[i])
                line.unsigned_number(STORAGE_KEY[i], static_cast<std::uint32_t>((*it).*STORAGE_SLOT[i]));
            else
                line.absent(STORAGE_KEY[i]);
        }
        ctx.row(Table::Storage, line);
    }
}

}  // namespace

void do_hostmib_get(ReportContext &ctx) {
    if (ctx.flags.asked_any({Option::memory, Option::status})) hostmib_memory_status(ctx);
    if (ctx.flags.asked(Option::storage)) hostmib_storage(ctx);
}
