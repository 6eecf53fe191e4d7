// Marker supplies.
#include "reports/supplies.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

namespace {

void print_supply(const MarkerSuppliesTable &s, PrinterOutput &out) {
    FieldValue cls = checked_name(out, "prtMarkerSuppliesClass", MARKERSUPPLIESCLASS, s.msclass);
    // Supply types and units without a name keep the warnings of their own.
    if (!table_name(MARKERSUPPLIESTYPE, s.type))
        out.warn(format_text("Warning: markerSupplyType=%lld out of bounds.\n", static_cast<long long>(s.type)), false);
    out.piece(Piece::fragment().limited().add("type", name_or_number(MARKERSUPPLIESTYPE, s.type)));
    if (const char *unit = table_name(MARKERSUPPLIESUNIT, s.supplyunit))
        out.piece(Piece::fragment().limited().name("supplyunit", unit));
    else
        out.warn(format_text("Warning: markerSupplyUnit=%lld out of bounds.\n", static_cast<long long>(s.supplyunit)),
                 false);
    // maxcap and level as sent, negative special values included.
    out.piece(Piece::record()
                  .limited()
                  .add("class", cls)
                  .text("desc", s.desc)
                  .number("maxcap", s.maxcap)
                  .number("level", s.level));
}

}  // namespace

void print_supplies(const std::vector<MarkerSuppliesTable> &rows, PrinterOutput &out) {
    for (const MarkerSuppliesTable &s : rows) {
        TableRow row(out, "supplies");
        print_supply(s, out);
    }
}

void supplies_group(ReportContext &ctx) {
    tabdef<MarkerSuppliesTable> tab(&ctx.session);
    tab.append(oid::prtMarkerSuppliesClass, INT_TAG, &MarkerSuppliesTable::msclass);
    tab.append(oid::prtMarkerSuppliesType, INT_TAG, &MarkerSuppliesTable::type);
    tab.append(oid::prtMarkerSuppliesDescription, STRING_TAG, &MarkerSuppliesTable::desc);
    tab.append(oid::prtMarkerSuppliesSupplyUnit, INT_TAG, &MarkerSuppliesTable::supplyunit);
    tab.append(oid::prtMarkerSuppliesMaxCapacity, INT_TAG, &MarkerSuppliesTable::maxcap);
    tab.append(oid::prtMarkerSuppliesLevel, INT_TAG, &MarkerSuppliesTable::level);
    print_supplies(tab.get(), ctx.out);
}
