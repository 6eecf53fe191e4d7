// Printer MIB console display (prtConsoleDisplayBufferTable) and covers
// (prtCoverTable).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PrinterOutput;
class ReportContext;

struct DisplayBuffer {
    std::string text;
};

struct CoverTable {
    std::string description;
    std::int64_t status = 0;
};

// One fragment ending its line per display line.
void print_display(const std::vector<DisplayBuffer> &rows, PrinterOutput &out);
// One record line per cover; the status is an enumeration of its own, not a
// sub-unit status.
void print_covers(const std::vector<CoverTable> &rows, PrinterOutput &out);

void display_group(ReportContext &ctx);
void cover_group(ReportContext &ctx);
