// Printer MIB media paths (prtMediaPathTable): the table, the largest and
// smallest paper, the engine speed and duplex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FlagWords;
class PrinterOutput;
class ReportContext;

// One row of prtMediaPathTable (1.3.6.1.2.1.43.13.4.1).
struct MediaPathInfo {
    std::int64_t maxSpeedPrintUnit = 0, mediaSizeUnit = 0, maxSpeed = 0;
    std::int64_t maxMediaFeedDir = 0, maxMediaXFeedDir = 0, minMediaFeedDir = 0, minMediaXFeedDir = 0;
    std::int64_t type = 0, status = 0;
    std::string description;
};

// Media-path summaries. Areas are compared in single precision; ties keep
// the earlier row; each summary's values come from one row.
struct MediaSummary {
    bool empty = true;  // no rows: no summary can name a unit
    std::size_t largestRow = 0;
    std::int64_t largestFeed = 0;
    std::int64_t largestXFeed = 0;
    std::size_t smallestRow = 0;
    std::int64_t smallestFeed = INT64_MAX;
    std::int64_t smallestXFeed = INT64_MAX;
    std::size_t fastestRow = 0;
    std::int64_t fastestSpeed = 0;
    bool duplex = false;
};
MediaSummary summarize_media_paths(const std::vector<MediaPathInfo> &rows);

// --mediapath record lines, then the --duplex, --maxpapersize, --minpapersize
// and --enginespeed fragments.
void print_media_paths(const FlagWords &flags, const std::vector<MediaPathInfo> &rows, PrinterOutput &out);

void media_path_group(ReportContext &ctx);
