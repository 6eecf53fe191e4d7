// Marker supplies, with their colours where the output shows them.
#include "reports/supplies.h"

#include <limits>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/column_walk.h"
#include "reports/enums.h"
#include "reports/health_fetch.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

namespace {

// prtMarkerSuppliesSupplyUnit 19 is percent (RFC 3805): the level is the percentage.
constexpr std::int64_t SUPPLY_UNIT_PERCENT = 19;

// The level as a percentage of the capacity; none for the special levels.
FieldValue supply_percent(const MarkerSuppliesTable &s) {
    if (s.level < 0) return FieldValue::absent();
    if (s.supplyunit == SUPPLY_UNIT_PERCENT) return FieldValue::number(s.level);
    if (s.maxcap <= 0) return FieldValue::absent();
    // In 128 bits a 64-bit level times 100 cannot overflow; a percentage past
    // 64 bits (a level far above a tiny capacity) is no useful number.
    const __int128 percent = static_cast<__int128>(s.level) * 100 / s.maxcap;
    if (percent > std::numeric_limits<std::int64_t>::max()) return FieldValue::absent();
    return FieldValue::number(static_cast<std::int64_t>(percent));
}

// The Printer MIB's special levels: -1 other, -2 unknown, -3 at least one unit left.
FieldValue supply_level_state(std::int64_t level) {
    static const char *const states[] = {"other", "unknown", "someRemaining"};
    if (level >= -3 && level <= -1) return FieldValue::name(states[-level - 1]);
    return FieldValue::absent();
}

// colour: the supply's colour field, when the output shows colours.
void print_supply(const MarkerSuppliesTable &s, PrinterOutput &out, const FieldValue *colour) {
    FieldValue cls = checked_name(out, "prtMarkerSuppliesClass", MARKERSUPPLIESCLASS, s.msclass);
    // Supply types and units without a name keep the warnings of their own.
    if (!table_name(MARKERSUPPLIESTYPE, s.type))
        out.warn(format_text("Warning: markerSupplyType=%lld out of bounds.\n", static_cast<long long>(s.type)), false);
    Fields row;
    row.add("type", name_or_number(MARKERSUPPLIESTYPE, s.type));
    if (const char *unit = table_name(MARKERSUPPLIESUNIT, s.supplyunit))
        row.name("supplyunit", unit);
    else
        out.warn(format_text("Warning: markerSupplyUnit=%lld out of bounds.\n", static_cast<long long>(s.supplyunit)),
                 false);
    // maxcap and level as sent, negative special values included.
    row.add("class", cls).text("desc", s.desc).number("maxcap", s.maxcap).number("level", s.level);
    row.add("percent", supply_percent(s)).add("levelState", supply_level_state(s.level));
    if (colour) row.add("colour", *colour);
    out.row(Table::Supplies, row);
}

}  // namespace

void print_supplies(const std::vector<MarkerSuppliesTable> &rows, PrinterOutput &out) {
    for (const MarkerSuppliesTable &s : rows) print_supply(s, out, nullptr);
}

void supplies_group(ReportContext &ctx) {
    tabdef<MarkerSuppliesTable> tab(&ctx.session);
    tab.append(oid::prtMarkerSuppliesClass, INT_TAG, &MarkerSuppliesTable::msclass);
    tab.append(oid::prtMarkerSuppliesType, INT_TAG, &MarkerSuppliesTable::type);
    tab.append(oid::prtMarkerSuppliesDescription, STRING_TAG, &MarkerSuppliesTable::desc);
    tab.append(oid::prtMarkerSuppliesSupplyUnit, INT_TAG, &MarkerSuppliesTable::supplyunit);
    tab.append(oid::prtMarkerSuppliesMaxCapacity, INT_TAG, &MarkerSuppliesTable::maxcap);
    tab.append(oid::prtMarkerSuppliesLevel, INT_TAG, &MarkerSuppliesTable::level);
    const InstanceRows<MarkerSuppliesTable> rows = walk_with_instances(tab, oid::prtMarkerSuppliesClass);
    // The colours come from two more columns, read only when they are shown
    // or the health is asked.
    SupplyColours colours;
    if (!rows.empty() && (ctx.settings.supplyColours || ctx.health)) colours = read_supply_colours(ctx);
    for (const auto &[instance, row] : rows) {
        if (!ctx.settings.supplyColours) {
            print_supply(row, ctx.out, nullptr);
            continue;
        }
        const std::optional<std::string> colour = colour_of(colours, instance, row);
        const FieldValue field = colour ? FieldValue::name(*colour) : FieldValue::absent();
        print_supply(row, ctx.out, &field);
    }
    if (ctx.health) note_supplies(*ctx.health, rows, colours);
}
