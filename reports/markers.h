// Printer MIB markers (prtMarkerTable): page counts, colourants, resolution
// and margins.
#pragma once

#include <cstdint>
#include <vector>

class FlagWords;
class PrinterOutput;
class ReportContext;

// One row of prtMarkerTable (1.3.6.1.2.1.43.10.2.1).
struct MarkerTable {
    std::int64_t marktech = 0, counterunits = 0, lifeCount = 0, processColorants = 0;
    // prtMarkerAddressabilityUnit and the addressability in both directions.
    std::int64_t addrunits = 0, addressabilityFeedDir = 0, addressabilityXFeedDir = 0;
    std::int64_t northMargin = 0, southMargin = 0, eastMargin = 0, westMargin = 0;
    std::int64_t status = 0;
};

// --marker, --pagecount, --colors, --resolution, --minmargin: the pieces of
// every row, each row one row of the "markers" table.
void print_markers(const FlagWords &flags, const std::vector<MarkerTable> &rows, PrinterOutput &out);

// Walks the marker table with the columns the options need and prints it.
void marker_group(ReportContext &ctx);
