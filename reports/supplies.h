// Printer MIB marker supplies (prtMarkerSuppliesTable): toner, ink, waste
// receptacles and their levels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PrinterOutput;
class ReportContext;

// One row of prtMarkerSuppliesTable (1.3.6.1.2.1.43.11.1.1).
struct MarkerSuppliesTable {
    std::int64_t msclass = 0, type = 0;
    std::string desc;
    std::int64_t supplyunit = 0, maxcap = 0, level = 0;
};

// Per supply: the type and unit fragments and the class line, one row of the
// "supplies" table.
void print_supplies(const std::vector<MarkerSuppliesTable> &rows, PrinterOutput &out);

void supplies_group(ReportContext &ctx);
