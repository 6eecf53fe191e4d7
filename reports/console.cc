// Console display and covers.
#include "reports/console.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/health_fetch.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

void print_display(const std::vector<DisplayBuffer> &rows, PrinterOutput &out) {
    for (const DisplayBuffer &d : rows) out.row(Table::Display, Fields().text("displayBufferText", d.text));
}

void print_covers(const std::vector<CoverTable> &rows, PrinterOutput &out) {
    for (const CoverTable &c : rows) {
        FieldValue status = checked_name(out, "prtCoverStatus", COVERSTATUS, c.status);
        out.row(Table::Covers, Fields().text("description", c.description).add("status", status));
    }
}

void display_group(ReportContext &ctx) {
    tabdef<DisplayBuffer> tab(&ctx.session);
    tab.append(oid::prtConsoleDisplayBufferText, STRING_TAG, &DisplayBuffer::text);
    print_display(tab.get(), ctx.out);
}

void cover_group(ReportContext &ctx) {
    tabdef<CoverTable> tab(&ctx.session);
    tab.append(oid::prtCoverDescription, STRING_TAG, &CoverTable::description);
    tab.append(oid::prtCoverStatus, INT_TAG, &CoverTable::status);
    const std::vector<CoverTable> rows = tab.get();
    print_covers(rows, ctx.out);
    if (ctx.health) note_covers(*ctx.health, rows);
}
