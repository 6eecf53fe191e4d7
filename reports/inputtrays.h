// Printer MIB input trays (prtInputTable) and the estimates of the sheets
// loaded per paper size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FlagWords;
class PrinterOutput;
class ReportContext;

// One row of prtInputTable (1.3.6.1.2.1.43.8.2.1); the media size is the
// chosen one (columns 6 and 7), not the declared one.
struct InputTrayInfo {
    std::int64_t type = 0, dimUnit = 0, dimFeedDir = 0, dimXFeedDir = 0;
    std::int64_t capUnit = 0, maxCap = 0, curLevel = 0, status = 0;
    std::string mediaName, name, description;
};

// Paper sizes of the tray estimate.
enum PaperSize { LETTER, LEGAL, TABLOID, EXECUTIVE, A4, A3, B5, B4, PAPER_SIZES };

// The size a tray of these chosen dimensions holds, matched exactly in the
// tray's own unit (3: ten-thousandths of an inch, 4: micrometres) with feed
// and cross-feed in either order.
std::optional<PaperSize> paper_size_of(std::int64_t dimUnit, std::int64_t feed, std::int64_t xfeed);

// --inputtray record lines, then one fragment per paper-size option asked.
void print_input_trays(const FlagWords &flags, const std::vector<InputTrayInfo> &rows, PrinterOutput &out);

void input_tray_group(ReportContext &ctx);
