// Markers: the columns each option needs, and a record line or fragments per marker.
#include "reports/markers.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

namespace {

struct MarkerNames {
    FieldValue tech, units, addr;
};

// Named in this order, each only when an option prints it, so the warnings
// about unnamed values come in that order too.
MarkerNames name_marker(const FlagWords &flags, const MarkerTable &m, PrinterOutput &out) {
    const bool marker = flags.asked(Option::marker);
    MarkerNames n{FieldValue::absent(), FieldValue::absent(), FieldValue::absent()};
    if (marker) n.tech = checked_name(out, "prtMarkerMarkTech", MARKTECH, m.marktech);
    if (marker || flags.asked(Option::pagecount))
        n.units = checked_name(out, "prtMarkerCounterUnit", MARKERCOUNTERUNIT, m.counterunits);
    if (marker || flags.asked_any({Option::resolution, Option::minmargin}))
        n.addr = checked_name(out, "prtMarkerAddressabilityUnit", MEDIAUNIT, m.addrunits);
    return n;
}

Piece &add_margins(Piece &p, const MarkerTable &m) {
    return p.number("northMargin", m.northMargin)
        .number("southMargin", m.southMargin)
        .number("eastMargin", m.eastMargin)
        .number("westMargin", m.westMargin);
}

Piece marker_line(const MarkerTable &m, const MarkerNames &n, PrinterOutput &out) {
    Piece line = Piece::record().limited();
    line.add("markerTechnology", n.tech)
        .add("counterUnits", n.units)
        .number("lifeCount", m.lifeCount)
        .number("processColorants", m.processColorants)
        .add("addressabilityUnit", n.addr)
        .number("addressabilityFeedDir", m.addressabilityFeedDir)
        .number("addressabilityXFeedDir", m.addressabilityXFeedDir);
    return add_margins(line, m).name("status", decode_status(static_cast<std::uint64_t>(m.status), &out));
}

void print_marker(const FlagWords &flags, const MarkerTable &m, PrinterOutput &out) {
    const MarkerNames n = name_marker(flags, m, out);
    if (flags.asked(Option::marker)) out.piece(marker_line(m, n, out));
    if (flags.asked(Option::pagecount))
        out.piece(Piece::fragment().limited().add("counterUnits", n.units).number("pagecount", m.lifeCount).ends_line());
    if (flags.asked(Option::colors))
        out.piece(Piece::fragment().limited().number("processColorants", m.processColorants).ends_line());
    if (flags.asked(Option::resolution))
        out.piece(Piece::fragment()
                      .limited()
                      .add("addressabilityUnit", n.addr)
                      .number("addressabilityFeedDir", m.addressabilityFeedDir)
                      .number("addressabilityXFeedDir", m.addressabilityXFeedDir));
    if (flags.asked(Option::minmargin)) {
        // With --resolution the unit was just printed in the resolution fragment.
        Piece margins = Piece::fragment().limited();
        if (!flags.asked(Option::resolution)) margins.add("addressabilityUnit", n.addr);
        out.piece(add_margins(margins, m));
    }
}

}  // namespace

void print_markers(const FlagWords &flags, const std::vector<MarkerTable> &rows, PrinterOutput &out) {
    for (const MarkerTable &m : rows) {
        TableRow row(out, "markers");
        print_marker(flags, m, out);
    }
}

void marker_group(ReportContext &ctx) {
    const FlagWords &flags = ctx.flags;
    const bool marker = flags.asked(Option::marker);
    tabdef<MarkerTable> tab(&ctx.session);
    if (marker || flags.asked(Option::pagecount)) {
        tab.append(oid::prtMarkerLifeCount, COUNTER_TAG, &MarkerTable::lifeCount);
        tab.append(oid::prtMarkerCounterUnit, INT_TAG, &MarkerTable::counterunits);
    }
    if (marker || flags.asked(Option::colors)) tab.append(oid::prtMarkerProcessColorants, INT_TAG, &MarkerTable::processColorants);
    if (marker || flags.asked_any({Option::resolution, Option::minmargin}))
        tab.append(oid::prtMarkerAddressabilityUnit, INT_TAG, &MarkerTable::addrunits);
    if (marker || flags.asked(Option::resolution)) {
        tab.append(oid::prtMarkerAddressabilityFeedDir, INT_TAG, &MarkerTable::addressabilityFeedDir);
        tab.append(oid::prtMarkerAddressabilityXFeedDir, INT_TAG, &MarkerTable::addressabilityXFeedDir);
    }
    if (marker || flags.asked(Option::minmargin)) {
        // East is column 14 and west column 13; the output keeps north, south, east, west.
        tab.append(oid::prtMarkerNorthMargin, INT_TAG, &MarkerTable::northMargin);
        tab.append(oid::prtMarkerSouthMargin, INT_TAG, &MarkerTable::southMargin);
        tab.append(oid::prtMarkerEastMargin, INT_TAG, &MarkerTable::eastMargin);
        tab.append(oid::prtMarkerWestMargin, INT_TAG, &MarkerTable::westMargin);
    }
    if (marker) {
        tab.append(oid::prtMarkerMarkTech, INT_TAG, &MarkerTable::marktech);
        tab.append(oid::prtMarkerStatus, INT_TAG, &MarkerTable::status);
    }
    print_markers(ctx.flags, tab.get(), ctx.out);
}
