// Markers: the columns each option needs, and a record line or fragments per marker.
#include "reports/markers.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/health_fetch.h"
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

Fields &add_margins(Fields &f, const MarkerTable &m) {
    return f.number("northMargin", m.northMargin)
        .number("southMargin", m.southMargin)
        .number("eastMargin", m.eastMargin)
        .number("westMargin", m.westMargin);
}

Fields &add_resolution(Fields &f, const MarkerTable &m, const MarkerNames &n) {
    return f.add("addressabilityUnit", n.addr)
        .number("addressabilityFeedDir", m.addressabilityFeedDir)
        .number("addressabilityXFeedDir", m.addressabilityXFeedDir);
}

// The marker's fields that the options ask for, each once: the whole row for
// --marker, and what the other reports add to it (--pagecount the count under
// the key of its own).
Fields marker_fields(const FlagWords &flags, const MarkerTable &m, const MarkerNames &n, PrinterOutput &out) {
    Fields f;
    const bool marker = flags.asked(Option::marker);
    if (marker) {
        f.add("markerTechnology", n.tech).add("counterUnits", n.units).number("lifeCount", m.lifeCount);
        f.number("processColorants", m.processColorants);
        add_margins(add_resolution(f, m, n), m);
        f.name("status", decode_status(static_cast<std::uint64_t>(m.status), &out));
    }
    if (flags.asked(Option::pagecount)) {
        if (!marker) f.add("counterUnits", n.units);
        f.number("pagecount", m.lifeCount);
    }
    if (marker) return f;
    if (flags.asked(Option::colors)) f.number("processColorants", m.processColorants);
    if (flags.asked(Option::resolution)) add_resolution(f, m, n);
    if (flags.asked(Option::minmargin)) {
        if (!flags.asked(Option::resolution)) f.add("addressabilityUnit", n.addr);
        add_margins(f, m);
    }
    return f;
}

unsigned marker_parts(const FlagWords &flags) {
    unsigned parts = 0;
    if (flags.asked(Option::marker)) parts |= MARKER_ROW;
    if (flags.asked(Option::pagecount)) parts |= MARKER_PAGECOUNT;
    if (flags.asked(Option::colors)) parts |= MARKER_COLORS;
    if (flags.asked(Option::resolution)) parts |= MARKER_RESOLUTION;
    if (flags.asked(Option::minmargin)) parts |= MARKER_MARGINS;
    return parts;
}

}  // namespace

void print_markers(const FlagWords &flags, const std::vector<MarkerTable> &rows, PrinterOutput &out) {
    for (const MarkerTable &m : rows) {
        const MarkerNames names = name_marker(flags, m, out);
        out.row(Table::Markers, marker_fields(flags, m, names, out), marker_parts(flags));
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
    const std::vector<MarkerTable> rows = tab.get();
    print_markers(ctx.flags, rows, ctx.out);
    if (ctx.health && (marker || flags.asked(Option::pagecount))) note_page_count(*ctx.health, rows);
}
