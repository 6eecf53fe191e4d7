// Input trays: one record line per tray, and the sheets per paper size summed
// over the trays that hold it.
#include "reports/inputtrays.h"

#include <array>

#include "ber/ber.h"
#include "reports/column_walk.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/health_fetch.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

namespace {

struct PaperDims {
    std::int64_t shortSide, longSide;
};
// Per size: unit 3 (ten-thousandths of an inch), then unit 4 (micrometres).
// The inch values of metric sizes are mm / 25.4 * 10000, fraction dropped.
constexpr PaperDims PAPER_DIMS[PAPER_SIZES][2] = {
    {{85000, 110000}, {215900, 279400}},   // letter
    {{85000, 140000}, {215900, 355600}},   // legal
    {{110000, 170000}, {279400, 431800}},  // tabloid
    {{75000, 105000}, {190500, 266700}},   // executive, 7.5 by 10.5 inches
    {{82677, 116929}, {210000, 297000}},   // a4
    {{116929, 165354}, {297000, 420000}},  // a3
    {{71653, 101181}, {182000, 257000}},   // b5
    {{101181, 143307}, {257000, 364000}},  // b4
};

// The low 32 bits as a signed number: the estimates are 32-bit counters.
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }

struct TrayNames {
    FieldValue type, dimUnit, capUnit;
};

TrayNames name_tray(const InputTrayInfo &t, PrinterOutput &out) {
    return {checked_name(out, "prtInputType", INPUTTYPE, t.type),
            checked_name(out, "prtInputDimUnit", MEDIAUNIT, t.dimUnit),
            checked_name(out, "prtInputCapacityUnit", CAPACITYUNIT, t.capUnit)};
}

void print_tray(const InputTrayInfo &t, const TrayNames &n, PrinterOutput &out) {
    out.row(Table::InputTrays, Fields()
                                   .add("type", n.type)
                                   .add("dimUnit", n.dimUnit)
                                   .number("dimFeedDir", t.dimFeedDir)
                                   .number("dimXFeedDir", t.dimXFeedDir)
                                   .add("capUnit", n.capUnit)
                                   .number("maxCap", t.maxCap)
                                   .number("curLevel", t.curLevel)
                                   .text("mediaName", t.mediaName)
                                   .text("name", t.name)
                                   .text("description", t.description)
                                   .name("status", decode_status(static_cast<std::uint64_t>(t.status), &out)));
}

}  // namespace

std::optional<PaperSize> paper_size_of(std::int64_t dimUnit, std::int64_t feed, std::int64_t xfeed) {
    if (dimUnit != 3 && dimUnit != 4) return std::nullopt;
    std::int64_t shortSide = feed < xfeed ? feed : xfeed;
    std::int64_t longSide = feed < xfeed ? xfeed : feed;
    for (int size = 0; size < PAPER_SIZES; ++size) {
        const PaperDims &d = PAPER_DIMS[size][dimUnit - 3];
        if (d.shortSide == shortSide && d.longSide == longSide) return static_cast<PaperSize>(size);
    }
    return std::nullopt;
}

void print_input_trays(const FlagWords &flags, const std::vector<InputTrayInfo> &rows, PrinterOutput &out) {
    std::array<std::int32_t, PAPER_SIZES> count{};
    for (const InputTrayInfo &t : rows) {
        const TrayNames names = name_tray(t, out);
        if (flags.asked_any({Option::letter, Option::legal, Option::tabloid, Option::executive, Option::a4,
                             Option::a3, Option::b5, Option::b4})) {
            // -1, -2 and -3 are the Printer MIB's other, unknown and at-least-one.
            if (t.curLevel < 0) {
                out.warn("Warning: Can't sense paper level.\n", false);
            } else if (auto size = paper_size_of(t.dimUnit, t.dimFeedDir, t.dimXFeedDir)) {
                // The sum of two 32-bit values cannot overflow 64 bits and then wraps.
                count[*size] = low32(std::int64_t{count[*size]} + low32(t.curLevel));
            }
        }
        if (flags.asked(Option::inputtray)) print_tray(t, names, out);
    }

    static constexpr struct {
        Option option;
        PaperSize size;
        const char *key;
    } fragments[] = {
        {Option::legal, LEGAL, "legal"}, {Option::tabloid, TABLOID, "tabloid"}, {Option::a4, A4, "a4"},
        {Option::b4, B4, "b4"},          {Option::b5, B5, "b5"},                {Option::letter, LETTER, "letter"},
        {Option::a3, A3, "a3"},          {Option::executive, EXECUTIVE, "executive"},
    };
    Fields estimates;
    for (const auto &f : fragments)
        if (flags.asked(f.option)) estimates.number(f.key, count[f.size]);
    if (!estimates.empty()) out.found(Group::PaperEstimates, estimates);
}

void input_tray_group(ReportContext &ctx) {
    tabdef<InputTrayInfo> tab(&ctx.session);
    tab.append(oid::prtInputType, INT_TAG, &InputTrayInfo::type);
    tab.append(oid::prtInputDimUnit, INT_TAG, &InputTrayInfo::dimUnit);
    tab.append(oid::prtInputMediaDimFeedDirChosen, INT_TAG, &InputTrayInfo::dimFeedDir);
    tab.append(oid::prtInputMediaDimXFeedDirChosen, INT_TAG, &InputTrayInfo::dimXFeedDir);
    tab.append(oid::prtInputCapacityUnit, INT_TAG, &InputTrayInfo::capUnit);
    tab.append(oid::prtInputMaxCapacity, INT_TAG, &InputTrayInfo::maxCap);
    tab.append(oid::prtInputCurrentLevel, INT_TAG, &InputTrayInfo::curLevel);
    tab.append(oid::prtInputStatus, INT_TAG, &InputTrayInfo::status);
    tab.append(oid::prtInputMediaName, STRING_TAG, &InputTrayInfo::mediaName);
    tab.append(oid::prtInputName, STRING_TAG, &InputTrayInfo::name);
    tab.append(oid::prtInputDescription, STRING_TAG, &InputTrayInfo::description);
    const InstanceRows<InputTrayInfo> rows = walk_with_instances(tab, oid::prtInputType);
    std::vector<InputTrayInfo> trays;
    for (const auto &row : rows) trays.push_back(row.second);
    print_input_trays(ctx.flags, trays, ctx.out);
    if (ctx.health) note_trays(*ctx.health, rows);
}
