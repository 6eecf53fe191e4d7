// Printer MIB interpreter languages (prtInterpreterTable) and input channels
// (prtChannelTable), with the yes/no answers for single languages and protocols.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FlagWords;
class PrinterOutput;
class ReportContext;

// One row of prtInterpreterTable (1.3.6.1.2.1.43.15.1.1).
struct LangInfo {
    std::int64_t family = 0;
    std::string langLevel, langVersion, description, version;
    std::int64_t orientation = 0, feedAddressability = 0, xFeedAddressability = 0, twoWay = 0;
};

// One row of prtChannelTable (1.3.6.1.2.1.43.14.1.1).
struct ProtocolTable {
    std::int64_t type = 0;
    std::string version;
    std::int64_t curjclidx = 0, defpdlidx = 0, state = 0, status = 0;
};

// --languages record lines, then the --postscript, --pcl, --pjl, --hpgl,
// --psprinter and --autolang answers in that order.
void print_languages(const FlagWords &flags, const std::vector<LangInfo> &langs, PrinterOutput &out);
// --protocol record lines, then the --appletalk, --lpd, --netware and
// --port9100 answers. Channels name their languages by position in langs.
void print_channels(const FlagWords &flags, const std::vector<LangInfo> &langs,
                    const std::vector<ProtocolTable> &rows, PrinterOutput &out);

// Languages, and channels when asked (they need the interpreter rows).
void language_channel_groups(ReportContext &ctx);
