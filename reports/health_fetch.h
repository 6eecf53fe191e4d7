// Reading a printer's health: the reports note what they have read (so a
// table is not walked twice when its option and the health are asked
// together), and the health step reads everything else in one side-by-side
// walk of the columns it needs, a column the printer lacks left empty.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reports/health.h"

class ReportContext;
struct AlertInfo;
struct CoverTable;
struct InputTrayInfo;
struct MarkerSuppliesTable;
struct MarkerTable;

// One printer's readings while its reports run, and which of them a report
// has already read.
struct HealthCollection {
    HealthReadings readings;
    // sysObjectID.0 and hrDeviceDescr.1, read with the description.
    std::optional<std::string> objectId, deviceDescr;
    bool suppliesRead = false, colorantsRead = false, traysRead = false, coversRead = false;
    bool alertsRead = false, pageCountRead = false, printerStatusRead = false, serialRead = false;
};

// Rows of a walk with the instance of each (the arcs after the column).
template <class Row>
using InstanceRows = std::vector<std::pair<std::string, Row>>;

// The colorant index of each supply (by instance) and the colorant table.
struct SupplyColours {
    std::map<std::string, std::int64_t> colorantIndex;
    std::map<std::int64_t, std::string> colorants;
};
SupplyColours read_supply_colours(ReportContext &ctx);
// The colour of one supply row: from its colorant, else its description; none
// when neither names one.
std::optional<std::string> colour_of(const SupplyColours &colours, const std::string &instance,
                                     const MarkerSuppliesTable &row);

// What the reports read, noted when the health is asked. Empty tables are
// not noted: the health step reads them again, column by column.
void note_supplies(HealthCollection &h, const InstanceRows<MarkerSuppliesTable> &rows, const SupplyColours &colours);
void note_trays(HealthCollection &h, const InstanceRows<InputTrayInfo> &rows);
void note_covers(HealthCollection &h, const std::vector<CoverTable> &rows);
void note_alerts(HealthCollection &h, const std::vector<AlertInfo> &rows);
void note_page_count(HealthCollection &h, const std::vector<MarkerTable> &rows);

// The health step: whatever the reports have not read, in one walk, and the
// vendor and model the health names the printer by.
void health_group(ReportContext &ctx);

// Vendor and model from what was read: the vendor rule or the maker of the
// sysObjectID, the device description or the description's model.
void identify_for_health(HealthReadings &r, const std::optional<std::string> &sysObjectId,
                         const std::optional<std::string> &deviceDescr);
