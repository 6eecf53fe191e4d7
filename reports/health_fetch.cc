// The health step and the notes of the reports: which columns are still to
// read, the one walk that reads them, and the rows made of the cells.
#include "reports/health_fetch.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ber/ber.h"
#include "reports/alerts.h"
#include "reports/column_walk.h"
#include "reports/console.h"
#include "reports/context.h"
#include "reports/inputtrays.h"
#include "reports/markers.h"
#include "reports/oids.h"
#include "reports/supplies.h"
#include "reports/vendor_rules.h"

namespace {

template <class Row>
struct NumberColumn {
    const char *oid;
    std::optional<std::int64_t> Row::*member;
};
template <class Row>
struct TextColumn {
    const char *oid;
    std::optional<std::string> Row::*member;
};

constexpr NumberColumn<SupplyReading> SUPPLY_NUMBERS[] = {
    {oid::prtMarkerSuppliesColorantIndex, &SupplyReading::colorantIndex},
    {oid::prtMarkerSuppliesClass, &SupplyReading::supplyClass},
    {oid::prtMarkerSuppliesType, &SupplyReading::type},
    {oid::prtMarkerSuppliesSupplyUnit, &SupplyReading::unit},
    {oid::prtMarkerSuppliesMaxCapacity, &SupplyReading::capacity},
    {oid::prtMarkerSuppliesLevel, &SupplyReading::level},
};
constexpr TextColumn<SupplyReading> SUPPLY_TEXTS[] = {
    {oid::prtMarkerSuppliesDescription, &SupplyReading::description}};

constexpr NumberColumn<TrayReading> TRAY_NUMBERS[] = {
    {oid::prtInputType, &TrayReading::type},
    {oid::prtInputMaxCapacity, &TrayReading::capacity},
    {oid::prtInputCurrentLevel, &TrayReading::level},
    {oid::prtInputStatus, &TrayReading::status},
};
constexpr TextColumn<TrayReading> TRAY_TEXTS[] = {{oid::prtInputName, &TrayReading::name},
                                                  {oid::prtInputDescription, &TrayReading::description}};

constexpr NumberColumn<CoverReading> COVER_NUMBERS[] = {{oid::prtCoverStatus, &CoverReading::status}};
constexpr TextColumn<CoverReading> COVER_TEXTS[] = {{oid::prtCoverDescription, &CoverReading::description}};

constexpr NumberColumn<AlertReading> ALERT_NUMBERS[] = {
    {oid::prtAlertSeverityLevel, &AlertReading::severity},
    {oid::prtAlertGroup, &AlertReading::group},
    {oid::prtAlertGroupIndex, &AlertReading::groupIndex},
    {oid::prtAlertCode, &AlertReading::code},
};
constexpr TextColumn<AlertReading> ALERT_TEXTS[] = {{oid::prtAlertDescription, &AlertReading::description}};

// The columns of one walk, and where each one's cells go once read.
class WalkPlan {
 public:
    std::size_t add(const char *oid, bool firstOnly = false) {
        specs.push_back({oid, firstOnly});
        return specs.size() - 1;
    }
    template <class Row, std::size_t N, std::size_t M>
    void add_table(std::vector<Row> *target, const NumberColumn<Row> (&numbers)[N], const TextColumn<Row> (&texts)[M]) {
        TablePlan<Row> plan{target, {}, {}};
        for (const auto &c : numbers) plan.numbers.push_back({add(c.oid), c.member});
        for (const auto &c : texts) plan.texts.push_back({add(c.oid), c.member});
        tables.push_back(std::make_unique<TablePlanOf<Row>>(std::move(plan)));
    }
    // Rows of every table, assembled by instance in walk order.
    void assemble(const std::vector<std::vector<ColumnCell>> &cells) const {
        for (const auto &t : tables) t->assemble(cells);
    }

    std::vector<ColumnSpec> specs;

 private:
    template <class Row>
    struct TablePlan {
        std::vector<Row> *target;
        std::vector<std::pair<std::size_t, std::optional<std::int64_t> Row::*>> numbers;
        std::vector<std::pair<std::size_t, std::optional<std::string> Row::*>> texts;
    };
    struct AnyTable {
        virtual ~AnyTable() = default;
        virtual void assemble(const std::vector<std::vector<ColumnCell>> &cells) const = 0;
    };
    template <class Row>
    struct TablePlanOf : AnyTable {
        explicit TablePlanOf(TablePlan<Row> p) : plan(std::move(p)) {}
        void assemble(const std::vector<std::vector<ColumnCell>> &cells) const override {
            std::vector<std::string> order;
            std::map<std::string, Row> rows;
            auto row_of = [&](const ColumnCell &cell) -> Row & {
                auto [it, added] = rows.try_emplace(cell.instance);
                if (added) {
                    order.push_back(cell.instance);
                    it->second.index = cell.index();
                }
                return it->second;
            };
            for (const auto &[column, member] : plan.numbers)
                for (const ColumnCell &cell : cells[column])
                    if (cell.is_number()) row_of(cell).*member = cell.number;
            for (const auto &[column, member] : plan.texts)
                for (const ColumnCell &cell : cells[column])
                    if (cell.is_text()) row_of(cell).*member = cell.text;
            std::sort(order.begin(), order.end(), [](const std::string &a, const std::string &b) {
                return arcs_less(a, b);
            });
            for (const std::string &instance : order) plan.target->push_back(rows[instance]);
        }
        TablePlan<Row> plan;
    };
    static bool arcs_less(const std::string &a, const std::string &b);
    std::vector<std::unique_ptr<AnyTable>> tables;
};

bool WalkPlan::arcs_less(const std::string &a, const std::string &b) {
    auto arcs = [](const std::string &s) {
        std::vector<std::int64_t> out;
        for (std::size_t from = 0; from <= s.size();) {
            const std::size_t dot = std::min(s.find('.', from), s.size());
            out.push_back(std::strtoll(s.c_str() + from, nullptr, 10));
            from = dot + 1;
        }
        return out;
    };
    return arcs(a) < arcs(b);
}

const ColumnCell *first_cell(const std::vector<std::vector<ColumnCell>> &cells, std::optional<std::size_t> column) {
    return column && !cells[*column].empty() ? &cells[*column].front() : nullptr;
}

std::optional<std::string> first_text(const std::vector<std::vector<ColumnCell>> &cells,
                                      std::optional<std::size_t> column, int type) {
    const ColumnCell *c = first_cell(cells, column);
    if (!c || c->type != type) return std::nullopt;
    return c->text;
}

std::optional<std::int64_t> first_number(const std::vector<std::vector<ColumnCell>> &cells,
                                         std::optional<std::size_t> column) {
    const ColumnCell *c = first_cell(cells, column);
    if (!c || !c->is_number()) return std::nullopt;
    return c->number;
}

// The first-row variables of the health: identification, device and
// printer status, the detected errors, the serial number and the page count.
struct ScalarColumns {
    std::optional<std::size_t> deviceStatus, printerStatus, detectedErrors, serial;
    std::optional<std::size_t> lifeCount, counterUnit;
};

ScalarColumns plan_scalars(const HealthCollection &h, WalkPlan &plan) {
    ScalarColumns s;
    s.deviceStatus = plan.add(oid::hrDeviceStatus, true);
    if (!h.printerStatusRead) s.printerStatus = plan.add(oid::hrPrinterStatus, true);
    s.detectedErrors = plan.add(oid::hrPrinterDetectedErrorState, true);
    if (!h.serialRead) s.serial = plan.add(oid::prtGeneralSerialNumber, true);
    if (!h.pageCountRead) {
        s.lifeCount = plan.add(oid::prtMarkerLifeCount, true);
        s.counterUnit = plan.add(oid::prtMarkerCounterUnit, true);
    }
    return s;
}

void take_scalars(HealthCollection &h, const ScalarColumns &s, const std::vector<std::vector<ColumnCell>> &cells) {
    HealthReadings &r = h.readings;
    if (s.printerStatus) r.printerStatus = first_number(cells, s.printerStatus);
    r.deviceStatus = first_number(cells, s.deviceStatus);
    r.detectedErrorOctets = first_text(cells, s.detectedErrors, STRING_TAG);
    if (s.serial) r.serial = first_text(cells, s.serial, STRING_TAG);
    if (s.lifeCount) {
        if (std::optional<std::int64_t> count = first_number(cells, s.lifeCount); count && *count >= 0)
            r.pageCount = static_cast<std::uint64_t>(*count);
        r.pageCountUnit = first_number(cells, s.counterUnit);
    }
    identify_for_health(r, h.objectId, h.deviceDescr);
}

std::map<std::int64_t, std::string> colorants_of(const std::vector<ColumnCell> &cells) {
    std::map<std::int64_t, std::string> colorants;
    for (const ColumnCell &cell : cells)
        if (cell.is_text()) colorants[cell.index()] = cell.text;
    return colorants;
}

SupplyReading reading_of(const std::string &instance, const MarkerSuppliesTable &row) {
    SupplyReading s;
    s.index = last_arc(instance);
    s.supplyClass = row.msclass;
    s.type = row.type;
    s.unit = row.supplyunit;
    s.capacity = row.maxcap;
    s.level = row.level;
    s.description = row.desc;
    return s;
}

}  // namespace

SupplyColours read_supply_colours(ReportContext &ctx) {
    const auto cells = walk_columns(ctx, {{oid::prtMarkerSuppliesColorantIndex}, {oid::prtMarkerColorantValue}});
    SupplyColours colours;
    for (const ColumnCell &cell : cells[0])
        if (cell.is_number()) colours.colorantIndex[cell.instance] = cell.number;
    colours.colorants = colorants_of(cells[1]);
    return colours;
}

std::optional<std::string> colour_of(const SupplyColours &colours, const std::string &instance,
                                     const MarkerSuppliesTable &row) {
    SupplyReading s = reading_of(instance, row);
    if (auto it = colours.colorantIndex.find(instance); it != colours.colorantIndex.end()) s.colorantIndex = it->second;
    std::string colour = supply_colour(s, colours.colorants);
    if (colour.empty()) return std::nullopt;
    return colour;
}

void note_supplies(HealthCollection &h, const InstanceRows<MarkerSuppliesTable> &rows, const SupplyColours &colours) {
    if (rows.empty()) return;
    for (const auto &[instance, row] : rows) {
        SupplyReading s = reading_of(instance, row);
        if (auto it = colours.colorantIndex.find(instance); it != colours.colorantIndex.end())
            s.colorantIndex = it->second;
        h.readings.supplies.push_back(s);
    }
    h.readings.colorants = colours.colorants;
    h.suppliesRead = h.colorantsRead = true;
}

void note_trays(HealthCollection &h, const InstanceRows<InputTrayInfo> &rows) {
    for (const auto &[instance, row] : rows) {
        TrayReading t;
        t.index = last_arc(instance);
        t.type = row.type;
        t.capacity = row.maxCap;
        t.level = row.curLevel;
        t.status = row.status;
        t.name = row.name;
        t.description = row.description;
        h.readings.trays.push_back(t);
    }
    h.traysRead = !rows.empty();
}

void note_covers(HealthCollection &h, const std::vector<CoverTable> &rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        CoverReading c;
        c.index = static_cast<std::int64_t>(i + 1);
        c.description = rows[i].description;
        c.status = rows[i].status;
        h.readings.covers.push_back(c);
    }
    h.coversRead = !rows.empty();
}

void note_alerts(HealthCollection &h, const std::vector<AlertInfo> &rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AlertInfo &row = rows[i];
        AlertReading a;
        a.index = static_cast<std::int64_t>(i + 1);
        a.severity = row.severityLevel;
        a.group = row.group;
        a.groupIndex = row.groupIndex;
        a.code = row.code;
        a.description = row.description;
        h.readings.alerts.push_back(a);
    }
    h.alertsRead = !rows.empty();
}

void note_page_count(HealthCollection &h, const std::vector<MarkerTable> &rows) {
    if (rows.empty()) return;
    if (rows.front().lifeCount >= 0) h.readings.pageCount = static_cast<std::uint64_t>(rows.front().lifeCount);
    h.readings.pageCountUnit = rows.front().counterunits;
    h.pageCountRead = true;
}

void identify_for_health(HealthReadings &r, const std::optional<std::string> &sysObjectId,
                         const std::optional<std::string> &deviceDescr) {
    const std::string descr = r.sysDescr.value_or("");
    const VendorMatch match = identify_vendor(descr);
    if (!r.vendor) {
        if (match.rule == RULE_HP) r.vendor = "HP";
        else if (match.rule == RULE_TEKTRONIX) r.vendor = "Tektronix";
        else if (match.vendor) r.vendor = match.vendor;
        else if (std::optional<std::uint32_t> n = sysObjectId ? enterprise_number(*sysObjectId) : std::nullopt)
            if (const char *maker = printer_maker(*n)) r.vendor = maker;
    }
    if (!r.model) {
        if (deviceDescr && !clean_description(*deviceDescr).empty()) r.model = *deviceDescr;
        else if (match.modelOutcome == ModelOutcome::Text) r.model = match.model;
        else if (!descr.empty()) r.model = descr;
    }
}

void health_group(ReportContext &ctx) {
    HealthCollection &h = *ctx.health;
    HealthReadings &r = h.readings;
    WalkPlan plan;
    const ScalarColumns scalars = plan_scalars(h, plan);
    std::optional<std::size_t> colorantValue;
    if (!h.suppliesRead) plan.add_table(&r.supplies, SUPPLY_NUMBERS, SUPPLY_TEXTS);
    if (!h.colorantsRead) colorantValue = plan.add(oid::prtMarkerColorantValue);
    if (!h.traysRead) plan.add_table(&r.trays, TRAY_NUMBERS, TRAY_TEXTS);
    if (!h.coversRead) plan.add_table(&r.covers, COVER_NUMBERS, COVER_TEXTS);
    if (!h.alertsRead) plan.add_table(&r.alerts, ALERT_NUMBERS, ALERT_TEXTS);
    const std::vector<std::vector<ColumnCell>> cells = walk_columns(ctx, plan.specs);
    take_scalars(h, scalars, cells);
    plan.assemble(cells);
    if (colorantValue) r.colorants = colorants_of(cells[*colorantValue]);
}
