// Printer MIB reports (RFC 1759, 1.3.6.1.2.1.43): markers, media paths, input
// trays, console display, covers, languages, channels, supplies, alerts, and
// the Printer MIB reset.
#include "reports/printmib.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <utility>

#include "ber/ber.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "reports/prowlethelpers.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/structfill.h"

// ---------------------------------------------------------------------------
// Name tables

const char *table_name(NameTable table, std::int64_t value) {
    if (value < 1 || static_cast<std::uint64_t>(value) >= table.size()) return nullptr;
    return table[static_cast<std::size_t>(value)];
}

std::string name_or_number(NameTable table, std::int64_t value) {
    if (const char *name = table_name(table, value)) return name;
    return std::to_string(value);
}

namespace {

// The one warning for a value that is printed as its number for want of a name.
std::string unnamed_number(std::string_view hostname, const char *object, std::int64_t value) {
    std::string host(hostname);
    std::fprintf(stderr, "Warning: %s: %s value %" PRId64 " has no name; printing the number.\n",
                 host.c_str(), object, value);
    return std::to_string(value);
}

}  // namespace

std::string checked_name(std::string_view hostname, const char *object, NameTable table,
                         std::int64_t value) {
    if (const char *name = table_name(table, value)) return name;
    return unnamed_number(hostname, object, value);
}

// ---------------------------------------------------------------------------
// Formatting

namespace {

constexpr std::size_t LINE_MAX_CHARS = 511;  // a 512-byte line buffer with its NUL

}  // namespace

std::string cut_line(std::string text, bool recordLine) {
    if (text.size() <= LINE_MAX_CHARS) return text;
    bool hadNewline = text.back() == '\n';
    text.resize(LINE_MAX_CHARS);
    // A cut line keeps its line end, so the next line does not run into it.
    if (recordLine || hadNewline) text.back() = '\n';
    return text;
}

namespace {

void put(const PieceSink &out, bool continues, std::string text) {
    out(continues, cut_line(std::move(text), !continues));
}

long long ll(std::int64_t v) { return static_cast<long long>(v); }

// Printer text inside key="value".
std::string text(const std::string &value) { return escape_value(value); }

std::string status_text(std::string_view hostname, std::int64_t status) {
    std::string host(hostname);
    return decode_status(static_cast<std::uint64_t>(status), host.c_str());
}

char yes_no(bool b) { return b ? 'Y' : 'N'; }

// The low 32 bits as a signed number, for the fields printed with %d.
int low32(std::int64_t v) { return static_cast<std::int32_t>(v); }

}  // namespace

// ---------------------------------------------------------------------------
// Markers

void print_markers(std::string_view host, const std::uint64_t *flags,
                   const std::vector<MarkerTable> &rows, const PieceSink &out) {
    const bool marker = flags[1] & F1_MARKER;
    const bool pagecount = flags[1] & F1_PAGECOUNT;
    const bool colors = flags[1] & F1_COLORS;
    const bool resolution = flags[1] & F1_RESOLUTION;
    const bool minmargin = flags[1] & F1_MINMARGIN;

    for (const MarkerTable &m : rows) {
        std::string tech, units, addr;
        if (marker) tech = checked_name(host, "prtMarkerMarkTech", MARKTECH, m.marktech);
        if (marker || pagecount)
            units = checked_name(host, "prtMarkerCounterUnit", MARKERCOUNTERUNIT, m.counterunits);
        if (marker || resolution || minmargin)
            addr = checked_name(host, "prtMarkerAddressabilityUnit", MEDIAUNIT, m.addrunits);

        if (marker) {
            put(out, false,
                format_piece("markerTechnology=\"%s\";counterUnits=\"%s\";lifeCount=\"%lld\";"
                             "processColorants=\"%lld\";addressabilityUnit=\"%s\";"
                             "addressabilityFeedDir=\"%lld\";addressabilityXFeedDir=\"%lld\";"
                             "northMargin=\"%lld\";southMargin=\"%lld\";eastMargin=\"%lld\";"
                             "westMargin=\"%lld\";status=\"%s\";\n",
                             tech.c_str(), units.c_str(), ll(m.lifeCount), ll(m.processColorants),
                             addr.c_str(), ll(m.addressabilityFeedDir),
                             ll(m.addressabilityXFeedDir), ll(m.northMargin), ll(m.southMargin),
                             ll(m.eastMargin), ll(m.westMargin),
                             status_text(host, m.status).c_str()));
        }
        if (pagecount)
            put(out, true,
                format_piece("counterUnits=\"%s\";pagecount=\"%lld\";\n", units.c_str(),
                             ll(m.lifeCount)));
        if (colors) put(out, true, format_piece("processColorants=\"%lld\";\n", ll(m.processColorants)));
        if (resolution)
            put(out, true,
                format_piece("addressabilityUnit=\"%s\";addressabilityFeedDir=\"%lld\";"
                             "addressabilityXFeedDir=\"%lld\";",
                             addr.c_str(), ll(m.addressabilityFeedDir),
                             ll(m.addressabilityXFeedDir)));
        if (minmargin) {
            // With --resolution the unit was just printed in the resolution fragment.
            if (resolution)
                put(out, true,
                    format_piece("northMargin=\"%lld\";southMargin=\"%lld\";eastMargin=\"%lld\";"
                                 "westMargin=\"%lld\";",
                                 ll(m.northMargin), ll(m.southMargin), ll(m.eastMargin),
                                 ll(m.westMargin)));
            else
                put(out, true,
                    format_piece("addressabilityUnit=\"%s\";northMargin=\"%lld\";"
                                 "southMargin=\"%lld\";eastMargin=\"%lld\";westMargin=\"%lld\";",
                                 addr.c_str(), ll(m.northMargin), ll(m.southMargin),
                                 ll(m.eastMargin), ll(m.westMargin)));
        }
    }
}

// ---------------------------------------------------------------------------
// Media paths

MediaSummary summarize_media_paths(const std::vector<MediaPathInfo> &rows) {
    MediaSummary s;
    s.empty = rows.empty();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MediaPathInfo &p = rows[i];
        // Areas in single precision, each side converted first: rows whose
        // areas differ by less than float resolution count as equal.
        float area = static_cast<float>(p.maxMediaFeedDir) * static_cast<float>(p.maxMediaXFeedDir);
        float largest = static_cast<float>(s.largestFeed) * static_cast<float>(s.largestXFeed);
        if (area > largest) {
            s.largestFeed = p.maxMediaFeedDir;
            s.largestXFeed = p.maxMediaXFeedDir;
            s.largestRow = i;
        }
        area = static_cast<float>(p.minMediaFeedDir) * static_cast<float>(p.minMediaXFeedDir);
        float smallest = static_cast<float>(s.smallestFeed) * static_cast<float>(s.smallestXFeed);
        if (smallest > area) {
            s.smallestFeed = p.minMediaFeedDir;
            s.smallestXFeed = p.minMediaXFeedDir;
            s.smallestRow = i;
        }
        if (p.maxSpeed > s.fastestSpeed) {
            s.fastestSpeed = p.maxSpeed;
            s.fastestRow = i;
        }
        if (p.type == 3 || p.type == 4) s.duplex = true;
    }
    return s;
}

void print_media_paths(std::string_view host, const std::uint64_t *flags,
                       const std::vector<MediaPathInfo> &rows, const PieceSink &out) {
    for (const MediaPathInfo &p : rows) {
        std::string sizeUnit =
            checked_name(host, "prtMediaPathMediaSizeUnit", MEDIAUNIT, p.mediaSizeUnit);
        std::string speedUnit = checked_name(host, "prtMediaPathMaxSpeedPrintUnit",
                                             MEDIASPEEDUNIT, p.maxSpeedPrintUnit);
        std::string type = checked_name(host, "prtMediaPathType", MEDIATYPE, p.type);
        if (flags[0] & F0_MEDIAPATH)
            put(out, false,
                format_piece("maxSpeedPrintUnit=\"%s\";mediaSizeUnit=\"%s\";maxSpeed=\"%lld\";"
                             "maxMediaFeedDir=\"%lld\";maxMediaXFeedDir=\"%lld\";"
                             "minMediaFeedDir=\"%lld\";minMediaXFeedDir=\"%lld\";type=\"%s\";"
                             "description=\"%s\";status=\"%s\";\n",
                             speedUnit.c_str(), sizeUnit.c_str(), ll(p.maxSpeed),
                             ll(p.maxMediaFeedDir), ll(p.maxMediaXFeedDir), ll(p.minMediaFeedDir),
                             ll(p.minMediaXFeedDir), type.c_str(), text(p.description).c_str(),
                             status_text(host, p.status).c_str()));
    }

    MediaSummary s = summarize_media_paths(rows);
    if (flags[0] & F0_DUPLEX) put(out, true, format_piece("duplex=\"%c\";", yes_no(s.duplex)));
    // Without rows there is no unit and no size or speed: those fields stay empty.
    if (flags[0] & F0_MAXPAPERSIZE) {
        if (s.empty)
            put(out, true, "maxMediaUnit=\"\";maxMediaFeedDir=\"\";maxMediaXFeedDir=\"\";");
        else
            put(out, true,
                format_piece("maxMediaUnit=\"%s\";maxMediaFeedDir=\"%lld\";maxMediaXFeedDir=\"%d\";",
                             name_or_number(MEDIAUNIT, rows[s.largestRow].mediaSizeUnit).c_str(),
                             ll(s.largestFeed), low32(s.largestXFeed)));
    }
    if (flags[0] & F0_MINPAPERSIZE) {
        if (s.empty)
            put(out, true, "minMediaUnit=\"\";minMediaFeedDir=\"\";minMediaXFeedDir=\"\";");
        else
            put(out, true,
                format_piece("minMediaUnit=\"%s\";minMediaFeedDir=\"%lld\";minMediaXFeedDir=\"%d\";",
                             name_or_number(MEDIAUNIT, rows[s.smallestRow].mediaSizeUnit).c_str(),
                             ll(s.smallestFeed), low32(s.smallestXFeed)));
    }
    if (flags[0] & F0_ENGINESPEED) {
        if (s.empty)
            put(out, true, "maxSpeedUnit=\"\";maxSpeed=\"\";");
        else
            put(out, true,
                format_piece("maxSpeedUnit=\"%s\";maxSpeed=\"%lld\";",
                             name_or_number(MEDIASPEEDUNIT, rows[s.fastestRow].maxSpeedPrintUnit)
                                 .c_str(),
                             ll(s.fastestSpeed)));
    }
}

// ---------------------------------------------------------------------------
// Input trays and paper estimates

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

constexpr std::uint64_t F0_PAPER_MASK = F0_LETTER | F0_LEGAL | F0_TABLOID | F0_EXECUTIVE | F0_A4 |
                                        F0_A3 | F0_B5 | F0_B4;

}  // namespace

std::optional<PaperSize> paper_size_of(std::int64_t dimUnit, std::int64_t feed,
                                       std::int64_t xfeed) {
    if (dimUnit != 3 && dimUnit != 4) return std::nullopt;
    std::int64_t shortSide = feed < xfeed ? feed : xfeed;
    std::int64_t longSide = feed < xfeed ? xfeed : feed;
    for (int size = 0; size < PAPER_SIZES; ++size) {
        const PaperDims &d = PAPER_DIMS[size][dimUnit - 3];
        if (d.shortSide == shortSide && d.longSide == longSide) return static_cast<PaperSize>(size);
    }
    return std::nullopt;
}

void print_input_trays(std::string_view host, const std::uint64_t *flags,
                       const std::vector<InputTrayInfo> &rows, const PieceSink &out) {
    const bool estimate = flags[0] & F0_PAPER_MASK;
    std::array<std::int32_t, PAPER_SIZES> count{};

    for (const InputTrayInfo &t : rows) {
        std::string type = checked_name(host, "prtInputType", INPUTTYPE, t.type);
        std::string dimUnit = checked_name(host, "prtInputDimUnit", MEDIAUNIT, t.dimUnit);
        std::string capUnit = checked_name(host, "prtInputCapacityUnit", CAPACITYUNIT, t.capUnit);
        if (estimate) {
            // -1, -2 and -3 are the Printer MIB's other, unknown and at-least-one.
            if (t.curLevel < 0) {
                std::fprintf(stderr, "Warning: Can't sense paper level.\n");
            } else if (auto size = paper_size_of(t.dimUnit, t.dimFeedDir, t.dimXFeedDir)) {
                // 32-bit counters as the fields print them; the sum of two
                // 32-bit values cannot overflow 64 bits and then wraps.
                count[*size] = low32(std::int64_t{count[*size]} + low32(t.curLevel));
            }
        }
        if (flags[0] & F0_INPUTTRAY)
            put(out, false,
                format_piece("type=\"%s\";dimUnit=\"%s\";dimFeedDir=\"%lld\";dimXFeedDir=\"%lld\";"
                             "capUnit=\"%s\";maxCap=\"%lld\";curLevel=\"%lld\";mediaName=\"%s\";"
                             "name=\"%s\";description=\"%s\";status=\"%s\";\n",
                             type.c_str(), dimUnit.c_str(), ll(t.dimFeedDir), ll(t.dimXFeedDir),
                             capUnit.c_str(), ll(t.maxCap), ll(t.curLevel),
                             text(t.mediaName).c_str(), text(t.name).c_str(),
                             text(t.description).c_str(), status_text(host, t.status).c_str()));
    }

    struct Fragment {
        std::uint64_t bit;
        PaperSize size;
        const char *key;
    };
    static constexpr Fragment fragments[] = {
        {F0_LEGAL, LEGAL, "legal"}, {F0_TABLOID, TABLOID, "tabloid"}, {F0_A4, A4, "a4"},
        {F0_B4, B4, "b4"},          {F0_B5, B5, "b5"},                {F0_LETTER, LETTER, "letter"},
        {F0_A3, A3, "a3"},          {F0_EXECUTIVE, EXECUTIVE, "executive"},
    };
    for (const Fragment &f : fragments)
        if (flags[0] & f.bit) put(out, true, format_piece("%s=\"%d\";", f.key, count[f.size]));
}

// ---------------------------------------------------------------------------
// Console display and covers

void print_display(const std::vector<DisplayBuffer> &rows, const PieceSink &out) {
    for (const DisplayBuffer &d : rows)
        put(out, true, format_piece("displayBufferText=\"%s\";\n", text(d.text).c_str()));
}

void print_covers(std::string_view host, const std::vector<CoverTable> &rows,
                  const PieceSink &out) {
    for (const CoverTable &c : rows) {
        // A cover status is an enumeration of its own, not a sub-unit status.
        std::string status = checked_name(host, "prtCoverStatus", COVERSTATUS, c.status);
        put(out, false,
            format_piece("description=\"%s\";status=\"%s\";\n", text(c.description).c_str(),
                         status.c_str()));
    }
}

// ---------------------------------------------------------------------------
// Interpreter languages and channels

namespace {

constexpr std::uint64_t F1_CHANNEL_MASK =
    F1_PROTOCOL | F1_APPLETALK | F1_LPD | F1_NETWARE | F1_PORT9100;
constexpr std::uint64_t F1_LANGUAGE_MASK = F1_LANGUAGES | F1_PJL | F1_HPGL | F1_PSPRINTER |
                                           F1_AUTOLANG | F1_POSTSCRIPT | F1_PCL;

// The channel's language index as a 1-based position in the interpreter rows
// in walk order; an index naming no row is printed as its number.
std::string language_at(std::string_view host, const char *object,
                        const std::vector<LangInfo> &langs, std::int64_t index) {
    if (index < 1 || static_cast<std::uint64_t>(index) > langs.size())
        return unnamed_number(host, object, index);
    // The family was checked, and reported if need be, by the language group.
    return name_or_number(LANGUAGES, langs[static_cast<std::size_t>(index - 1)].family);
}

}  // namespace

void print_languages(std::string_view host, const std::uint64_t *flags,
                     const std::vector<LangInfo> &langs, const PieceSink &out) {
    bool pcl = false, hpgl = false, pjl = false, ps = false, autolang = false, psprinter = false;
    for (const LangInfo &l : langs) {
        switch (l.family) {
            case 3: pcl = true; break;
            case 4: hpgl = true; break;
            case 5: pjl = true; break;
            case 6: ps = true; break;
            case 37: autolang = true; break;
            case 42: psprinter = true; break;
            default: break;
        }
        std::string family = checked_name(host, "prtInterpreterLangFamily", LANGUAGES, l.family);
        if (flags[1] & F1_LANGUAGES) {
            std::string orientation = checked_name(host, "prtInterpreterDefaultOrientation",
                                                   ORIENTATIONS, l.orientation);
            std::string twoWay = checked_name(host, "prtInterpreterTwoWay", TWOWAY, l.twoWay);
            put(out, false,
                format_piece("langFamily=\"%s\";langLevel=\"%s\";langVersion=\"%s\";"
                             "description=\"%s\";version=\"%s\";orientation=\"%s\";"
                             "feedAddressability=\"%lld\";xFeedAddressability=\"%lld\";"
                             "twoWay=\"%s\";\n",
                             family.c_str(), text(l.langLevel).c_str(),
                             text(l.langVersion).c_str(), text(l.description).c_str(),
                             text(l.version).c_str(), orientation.c_str(),
                             ll(l.feedAddressability), ll(l.xFeedAddressability),
                             twoWay.c_str()));
        }
    }
    if (flags[1] & F1_POSTSCRIPT) put(out, true, format_piece("postscript=\"%c\";", yes_no(ps)));
    if (flags[1] & F1_PCL) put(out, true, format_piece("pcl=\"%c\";", yes_no(pcl)));
    if (flags[1] & F1_PJL) put(out, true, format_piece("pjl=\"%c\";", yes_no(pjl)));
    if (flags[1] & F1_HPGL) put(out, true, format_piece("hpgl=\"%c\";", yes_no(hpgl)));
    if (flags[1] & F1_PSPRINTER)
        put(out, true, format_piece("psprinter=\"%c\";", yes_no(psprinter)));
    if (flags[1] & F1_AUTOLANG) put(out, true, format_piece("autolang=\"%c\";", yes_no(autolang)));
}

void print_channels(std::string_view host, const std::uint64_t *flags,
                    const std::vector<LangInfo> &langs, const std::vector<ProtocolTable> &rows,
                    const PieceSink &out) {
    bool appletalk = false, lpd = false, netware = false, port9100 = false;
    for (const ProtocolTable &c : rows) {
        switch (c.type) {
            case 7: appletalk = true; break;
            case 8: lpd = true; break;
            case 10: netware = true; break;  // a NetwareRPrinter (9) is no print server
            case 11:
            case 12:
            case 38: port9100 = true; break;
            default: break;
        }
        std::string type = checked_name(host, "prtChannelType", CHANNELTYPE, c.type);
        if (flags[1] & F1_PROTOCOL) {
            std::string state = checked_name(host, "prtChannelState", CHANNELSTATE, c.state);
            std::string cur =
                language_at(host, "prtChannelCurrentJobCntlLangIndex", langs, c.curjclidx);
            std::string def =
                language_at(host, "prtChannelDefaultPageDescLangIndex", langs, c.defpdlidx);
            put(out, false,
                format_piece("type=\"%s\";version=\"%s\";currentJobControlLang=\"%s\";"
                             "defaultPageDescLang=\"%s\";state=\"%s\";status=\"%s\";\n",
                             type.c_str(), text(c.version).c_str(), cur.c_str(), def.c_str(),
                             state.c_str(), status_text(host, c.status).c_str()));
        }
    }
    if (flags[1] & F1_APPLETALK) put(out, true, format_piece("appletalk=\"%c\";", yes_no(appletalk)));
    if (flags[1] & F1_LPD) put(out, true, format_piece("lpd=\"%c\";", yes_no(lpd)));
    if (flags[1] & F1_NETWARE) put(out, true, format_piece("netware=\"%c\";", yes_no(netware)));
    if (flags[1] & F1_PORT9100) put(out, true, format_piece("port9100=\"%c\";", yes_no(port9100)));
}

// ---------------------------------------------------------------------------
// Marker supplies

void print_supplies(std::string_view host, const std::vector<MarkerSuppliesTable> &rows,
                    const PieceSink &out) {
    for (const MarkerSuppliesTable &s : rows) {
        std::string cls = checked_name(host, "prtMarkerSuppliesClass", MARKERSUPPLIESCLASS, s.msclass);
        if (const char *type = table_name(MARKERSUPPLIESTYPE, s.type)) {
            put(out, true, format_piece("type=\"%s\";", type));
        } else {
            std::fprintf(stderr, "Warning: markerSupplyType=%lld out of bounds.\n", ll(s.type));
            put(out, true, format_piece("type=\"%lld\";", ll(s.type)));
        }
        if (const char *unit = table_name(MARKERSUPPLIESUNIT, s.supplyunit))
            put(out, true, format_piece("supplyunit=\"%s\";", unit));
        else
            std::fprintf(stderr, "Warning: markerSupplyUnit=%lld out of bounds.\n",
                         ll(s.supplyunit));
        // maxcap and level as sent, negative special values included.
        put(out, false,
            format_piece("class=\"%s\";desc=\"%s\";maxcap=\"%lld\";level=\"%lld\";\n", cls.c_str(),
                         text(s.desc).c_str(), ll(s.maxcap), ll(s.level)));
    }
}

// ---------------------------------------------------------------------------
// Alerts

namespace {

// The named alert codes come in runs, one per hundred, packed into one array.
constexpr const char *PRTALERTCODE[] = {
    // 1 .. 38
    "other", "unknown", "coverOpen", "coverClosed", "interlockOpen", "interlockClosed",
    "configurationChange", "jammed", "subunitMissing", "subunitLifeAlmostOver",
    "subunitLifeOver", "subunitAlmostEmpty", "subunitEmpty", "subunitAlmostFull", "subunitFull",
    "subunitNearLimit", "subunitAtLimit", "subunitOpened", "subunitClosed", "subunitTurnedOn",
    "subunitTurnedOff", "subunitOffline", "subunitPowerSaver", "subunitWarmingUp",
    "subunitAdded", "subunitRemoved", "subunitResourceAdded", "subunitResourceRemoved",
    "subunitRecoverableFailure", "subunitUnrecoverableFailure",
    "subunitRecoverableStorageError", "subunitUnrecoverableStorageError",
    "subunitMotorFailure", "subunitMemoryExhausted", "subunitUnderTemperature",
    "subunitOverTemperature", "subunitTimingFailure", "subunitThermistorFailure",
    // 501 .. 507
    "doorOpen", "doorClosed", "powerUp", "powerDown", "printerNMSReset", "printerManualReset",
    "printerReadyToPrint",
    // 801 .. 813
    "inputMediaTrayMissing", "inputMediaSizeChange", "inputMediaWeightChange",
    "inputMediaTypeChange", "inputMediaColorChange", "inputMediaFormPartsChange",
    "inputMediaSupplyLow", "inputMediaSupplyEmpty", "inputMediaChangeRequest",
    "inputManualInputRequest", "inputTrayPositionFailure", "inputTrayElevationFailure",
    "inputCannotFeedSizeSelected",
    // 901 .. 904
    "outputMediaTrayMissing", "outputMediaTrayAlmostFull", "outputMediaTrayFull",
    "outputMailboxSelectFailure",
    // 1001 .. 1005
    "markerFuserUnderTemperature", "markerFuserOverTemperature", "markerFuserTimingFailure",
    "markerFuserThermistorFailure", "markerAdjustingPrintQuality",
    // 1101 .. 1115
    "markerTonerEmpty", "markerInkEmpty", "markerPrintRibbonEmpty", "markerTonerAlmostEmpty",
    "markerInkAlmostEmpty", "markerPrintRibbonAlmostEmpty",
    "markerWasteTonerReceptacleAlmostFull", "markerWasteInkReceptacleAlmostFull",
    "markerWasteTonerReceptacleFull", "markerWasteInkReceptacleFull", "markerOpcLifeAlmostOver",
    "markerOpcLifeOver", "markerDeveloperAlmostEmpty", "markerDeveloperEmpty",
    "markerTonerCartridgeMissing",
    // 1301 .. 1303
    "mediaPathMediaTrayMissing", "mediaPathMediaTrayAlmostFull", "mediaPathMediaTrayFull",
    // 1501 .. 1508
    "interpreterMemoryIncrease", "interpreterMemoryDecrease", "interpreterCartridgeAdded",
    "interpreterCartridgeDeleted", "interpreterResourceAdded", "interpreterResourceDeleted",
    "interpreterResourceUnavailable", "interpreterComplexPageEncountered",
    // 1801
    "alertRemovalOfBinaryChangeEntry",
};

struct CodeRange {
    std::int64_t first, last;
    std::size_t offset;  // position of first in PRTALERTCODE
};
constexpr CodeRange CODE_RANGES[] = {
    {1, 38, 0},       {501, 507, 38},   {801, 813, 45},   {901, 904, 58},   {1001, 1005, 62},
    {1101, 1115, 67}, {1301, 1303, 82}, {1501, 1508, 85}, {1801, 1801, 93},
};
static_assert(std::size(PRTALERTCODE) == 94);

}  // namespace

const char *decode_code(const AlertInfo &alert) {
    const std::int64_t code = alert.code;
    if (code < 1) return nullptr;
    for (const CodeRange &r : CODE_RANGES) {
        if (code / 100 != r.first / 100) continue;
        if (code < r.first || code > r.last) return nullptr;
        return PRTALERTCODE[r.offset + static_cast<std::size_t>(code - r.first)];
    }
    return nullptr;
}

std::uint64_t alert_wallclock(std::int64_t now, std::uint64_t uptime, std::uint64_t alertTime) {
    std::uint64_t age = alertTime > uptime ? 0 : uptime - alertTime;
    std::uint64_t seconds = age / 100;
    std::uint64_t current = now < 0 ? 0 : static_cast<std::uint64_t>(now);
    return seconds > current ? 0 : current - seconds;
}

void print_alerts(std::string_view host, const std::vector<AlertInfo> &rows,
                  std::optional<std::uint64_t> uptime, std::int64_t now, const PieceSink &out) {
    std::string h(host);
    for (const AlertInfo &a : rows) {
        std::string line;
        if (const char *severity = table_name(PRTALERTSEVERITYLEVEL, a.severityLevel)) {
            line = format_piece("severityLevel=\"%s\";", severity);
        } else {
            std::fprintf(stderr, "Warning: invalid severity level. Buggy firmware?\n");
            line = format_piece("severityLevel=\"%lld\";", ll(a.severityLevel));
        }
        std::string training = checked_name(host, "prtAlertTrainingLevel", PRTALERTTRAININGLEVEL,
                                            a.trainingLevel);
        std::string group = checked_name(host, "prtAlertGroup", PRTALERTGROUP, a.group);
        const char *codeName = decode_code(a);
        std::string code = codeName ? codeName : unnamed_number(host, "prtAlertCode", a.code);
        std::string time = "unknown";
        if (uptime) {
            const auto alertTime = static_cast<std::uint64_t>(a.time);
            if (alertTime > *uptime)
                std::fprintf(stderr,
                             "Warning: %s: alert time %" PRIu64
                             " is later than the uptime %" PRIu64
                             "; printing the current time.\n",
                             h.c_str(), alertTime, *uptime);
            time = std::to_string(alert_wallclock(now, *uptime, alertTime));
        }
        line += format_piece("trainingLevel=\"%s\";group=\"%s\";groupIndex=\"%lld\";"
                             "location=\"%lld\";code=\"%s\";description=\"%s\";time=\"%s\";\n",
                             training.c_str(), group.c_str(), ll(a.groupIndex), ll(a.location),
                             code.c_str(), text(a.description).c_str(), time.c_str());
        put(out, false, std::move(line));
    }
}

// ---------------------------------------------------------------------------
// The groups against a printer

namespace {

// The whole walk; a printer that stops answering ends the worker.
template <class Record>
std::vector<Record> fetch(SNMP_session &session, tabdef<Record> &table) {
    try {
        return table.get();
    } catch (SNMP_error_unrecoverable error) {
        handle_unrecoverable(progname, session.hostname.c_str(), error);
    }
}

void marker_group(SNMP_session &session, const std::uint64_t *flags, const PieceSink &out) {
    const std::uint64_t f1 = flags[1];
    const bool marker = f1 & F1_MARKER;
    tabdef<MarkerTable> tab(&session);
    if (marker || (f1 & F1_PAGECOUNT)) {
        tab.append("1.3.6.1.2.1.43.10.2.1.4", COUNTER_TAG, &MarkerTable::lifeCount);
        tab.append("1.3.6.1.2.1.43.10.2.1.3", INT_TAG, &MarkerTable::counterunits);
    }
    if (marker || (f1 & F1_COLORS))
        tab.append("1.3.6.1.2.1.43.10.2.1.6", INT_TAG, &MarkerTable::processColorants);
    if (marker || (f1 & (F1_RESOLUTION | F1_MINMARGIN)))
        tab.append("1.3.6.1.2.1.43.10.2.1.8", INT_TAG, &MarkerTable::addrunits);
    if (marker || (f1 & F1_RESOLUTION)) {
        tab.append("1.3.6.1.2.1.43.10.2.1.9", INT_TAG, &MarkerTable::addressabilityFeedDir);
        tab.append("1.3.6.1.2.1.43.10.2.1.10", INT_TAG, &MarkerTable::addressabilityXFeedDir);
    }
    if (marker || (f1 & F1_MINMARGIN)) {
        // East is column 14 and west column 13; the output keeps north, south, east, west.
        tab.append("1.3.6.1.2.1.43.10.2.1.11", INT_TAG, &MarkerTable::northMargin);
        tab.append("1.3.6.1.2.1.43.10.2.1.12", INT_TAG, &MarkerTable::southMargin);
        tab.append("1.3.6.1.2.1.43.10.2.1.14", INT_TAG, &MarkerTable::eastMargin);
        tab.append("1.3.6.1.2.1.43.10.2.1.13", INT_TAG, &MarkerTable::westMargin);
    }
    if (marker) {
        tab.append("1.3.6.1.2.1.43.10.2.1.2", INT_TAG, &MarkerTable::marktech);
        tab.append("1.3.6.1.2.1.43.10.2.1.15", INT_TAG, &MarkerTable::status);
    }
    print_markers(session.hostname, flags, fetch(session, tab), out);
}

void media_path_group(SNMP_session &session, const std::uint64_t *flags, const PieceSink &out) {
    tabdef<MediaPathInfo> tab(&session);
    tab.append("1.3.6.1.2.1.43.13.4.1.2", INT_TAG, &MediaPathInfo::maxSpeedPrintUnit);
    tab.append("1.3.6.1.2.1.43.13.4.1.3", INT_TAG, &MediaPathInfo::mediaSizeUnit);
    tab.append("1.3.6.1.2.1.43.13.4.1.4", INT_TAG, &MediaPathInfo::maxSpeed);
    tab.append("1.3.6.1.2.1.43.13.4.1.5", INT_TAG, &MediaPathInfo::maxMediaFeedDir);
    tab.append("1.3.6.1.2.1.43.13.4.1.6", INT_TAG, &MediaPathInfo::maxMediaXFeedDir);
    tab.append("1.3.6.1.2.1.43.13.4.1.7", INT_TAG, &MediaPathInfo::minMediaFeedDir);
    tab.append("1.3.6.1.2.1.43.13.4.1.8", INT_TAG, &MediaPathInfo::minMediaXFeedDir);
    tab.append("1.3.6.1.2.1.43.13.4.1.9", INT_TAG, &MediaPathInfo::type);
    tab.append("1.3.6.1.2.1.43.13.4.1.11", INT_TAG, &MediaPathInfo::status);
    tab.append("1.3.6.1.2.1.43.13.4.1.10", STRING_TAG, &MediaPathInfo::description);
    print_media_paths(session.hostname, flags, fetch(session, tab), out);
}

void display_group(SNMP_session &session, const PieceSink &out) {
    tabdef<DisplayBuffer> tab(&session);
    tab.append("1.3.6.1.2.1.43.16.5.1.2", STRING_TAG, &DisplayBuffer::text);
    print_display(fetch(session, tab), out);
}

void input_tray_group(SNMP_session &session, const std::uint64_t *flags, const PieceSink &out) {
    tabdef<InputTrayInfo> tab(&session);
    // The chosen media size (columns 6 and 7), not the declared one (4 and 5).
    tab.append("1.3.6.1.2.1.43.8.2.1.2", INT_TAG, &InputTrayInfo::type);
    tab.append("1.3.6.1.2.1.43.8.2.1.3", INT_TAG, &InputTrayInfo::dimUnit);
    tab.append("1.3.6.1.2.1.43.8.2.1.6", INT_TAG, &InputTrayInfo::dimFeedDir);
    tab.append("1.3.6.1.2.1.43.8.2.1.7", INT_TAG, &InputTrayInfo::dimXFeedDir);
    tab.append("1.3.6.1.2.1.43.8.2.1.8", INT_TAG, &InputTrayInfo::capUnit);
    tab.append("1.3.6.1.2.1.43.8.2.1.9", INT_TAG, &InputTrayInfo::maxCap);
    tab.append("1.3.6.1.2.1.43.8.2.1.10", INT_TAG, &InputTrayInfo::curLevel);
    tab.append("1.3.6.1.2.1.43.8.2.1.11", INT_TAG, &InputTrayInfo::status);
    tab.append("1.3.6.1.2.1.43.8.2.1.12", STRING_TAG, &InputTrayInfo::mediaName);
    tab.append("1.3.6.1.2.1.43.8.2.1.13", STRING_TAG, &InputTrayInfo::name);
    tab.append("1.3.6.1.2.1.43.8.2.1.18", STRING_TAG, &InputTrayInfo::description);
    print_input_trays(session.hostname, flags, fetch(session, tab), out);
}

void cover_group(SNMP_session &session, const PieceSink &out) {
    tabdef<CoverTable> tab(&session);
    tab.append("1.3.6.1.2.1.43.6.1.1.2", STRING_TAG, &CoverTable::description);
    tab.append("1.3.6.1.2.1.43.6.1.1.3", INT_TAG, &CoverTable::status);
    print_covers(session.hostname, fetch(session, tab), out);
}

std::vector<LangInfo> language_group(SNMP_session &session, const std::uint64_t *flags,
                                     const PieceSink &out) {
    tabdef<LangInfo> tab(&session);
    tab.append("1.3.6.1.2.1.43.15.1.1.2", INT_TAG, &LangInfo::family);
    if (flags[1] & F1_LANGUAGES) {
        tab.append("1.3.6.1.2.1.43.15.1.1.3", STRING_TAG, &LangInfo::langLevel);
        tab.append("1.3.6.1.2.1.43.15.1.1.4", STRING_TAG, &LangInfo::langVersion);
        tab.append("1.3.6.1.2.1.43.15.1.1.5", STRING_TAG, &LangInfo::description);
        tab.append("1.3.6.1.2.1.43.15.1.1.6", STRING_TAG, &LangInfo::version);
        tab.append("1.3.6.1.2.1.43.15.1.1.7", INT_TAG, &LangInfo::orientation);
        tab.append("1.3.6.1.2.1.43.15.1.1.8", INT_TAG, &LangInfo::feedAddressability);
        tab.append("1.3.6.1.2.1.43.15.1.1.9", INT_TAG, &LangInfo::xFeedAddressability);
        tab.append("1.3.6.1.2.1.43.15.1.1.12", INT_TAG, &LangInfo::twoWay);
    }
    std::vector<LangInfo> langs = fetch(session, tab);
    print_languages(session.hostname, flags, langs, out);
    return langs;
}

void channel_group(SNMP_session &session, const std::uint64_t *flags,
                   const std::vector<LangInfo> &langs, const PieceSink &out) {
    tabdef<ProtocolTable> tab(&session);
    tab.append("1.3.6.1.2.1.43.14.1.1.2", INT_TAG, &ProtocolTable::type);
    if (flags[1] & F1_PROTOCOL) {
        tab.append("1.3.6.1.2.1.43.14.1.1.3", STRING_TAG, &ProtocolTable::version);
        tab.append("1.3.6.1.2.1.43.14.1.1.4", INT_TAG, &ProtocolTable::curjclidx);
        tab.append("1.3.6.1.2.1.43.14.1.1.5", INT_TAG, &ProtocolTable::defpdlidx);
        tab.append("1.3.6.1.2.1.43.14.1.1.6", INT_TAG, &ProtocolTable::state);
        tab.append("1.3.6.1.2.1.43.14.1.1.8", INT_TAG, &ProtocolTable::status);
    }
    print_channels(session.hostname, flags, langs, fetch(session, tab), out);
}

void supplies_group(SNMP_session &session, const PieceSink &out) {
    tabdef<MarkerSuppliesTable> tab(&session);
    tab.append("1.3.6.1.2.1.43.11.1.1.4", INT_TAG, &MarkerSuppliesTable::msclass);
    tab.append("1.3.6.1.2.1.43.11.1.1.5", INT_TAG, &MarkerSuppliesTable::type);
    tab.append("1.3.6.1.2.1.43.11.1.1.6", STRING_TAG, &MarkerSuppliesTable::desc);
    tab.append("1.3.6.1.2.1.43.11.1.1.7", INT_TAG, &MarkerSuppliesTable::supplyunit);
    tab.append("1.3.6.1.2.1.43.11.1.1.8", INT_TAG, &MarkerSuppliesTable::maxcap);
    tab.append("1.3.6.1.2.1.43.11.1.1.9", INT_TAG, &MarkerSuppliesTable::level);
    print_supplies(session.hostname, fetch(session, tab), out);
}

std::vector<AlertInfo> fetch_alerts(SNMP_session &session, int timeType) {
    tabdef<AlertInfo> tab(&session);
    tab.append("1.3.6.1.2.1.43.18.1.1.2", INT_TAG, &AlertInfo::severityLevel);
    tab.append("1.3.6.1.2.1.43.18.1.1.3", INT_TAG, &AlertInfo::trainingLevel);
    tab.append("1.3.6.1.2.1.43.18.1.1.4", INT_TAG, &AlertInfo::group);
    tab.append("1.3.6.1.2.1.43.18.1.1.5", INT_TAG, &AlertInfo::groupIndex);
    tab.append("1.3.6.1.2.1.43.18.1.1.6", INT_TAG, &AlertInfo::location);
    tab.append("1.3.6.1.2.1.43.18.1.1.7", INT_TAG, &AlertInfo::code);
    tab.append("1.3.6.1.2.1.43.18.1.1.8", STRING_TAG, &AlertInfo::description);
    tab.append("1.3.6.1.2.1.43.18.1.1.9", timeType, &AlertInfo::time);
    return fetch(session, tab);
}

void alert_group(SNMP_session &session, const PieceSink &out) {
    std::vector<AlertInfo> rows;
    try {
        rows = fetch_alerts(session, TIME_TICK_TAG);
    } catch (const SNMP_error_oid &) {
        // Some HP firmware sends prtAlertTime as INTEGER instead of TimeTicks.
        std::fprintf(stderr, "Trying a work around for broken HP firmware.\n");
        try {
            rows = fetch_alerts(session, INT_TAG);
        } catch (const SNMP_error_oid &) {
            std::fprintf(stderr, "Warning: %s: the alert table is still unreadable; no alerts reported.\n",
                         session.hostname.c_str());
            throw;
        }
    }

    // The uptime is read even for an empty table. A printer that gives none
    // (or one of the wrong type, already reported) leaves the times unknown.
    std::optional<std::uint64_t> uptime;
    {
        tabdef<UptimeInfo> tab(&session);
        tab.append("1.3.6.1.2.1.1.3.0", TIME_TICK_TAG, &UptimeInfo::uptime);
        UptimeInfo record;
        try {
            if (tab.getOne(record)) uptime = static_cast<std::uint64_t>(record.uptime);
        } catch (SNMP_error_unrecoverable error) {
            handle_unrecoverable(progname, session.hostname.c_str(), error);
        } catch (const SNMP_error_oid &) {
        }
    }
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    print_alerts(session.hostname, rows, uptime, now, out);
}

}  // namespace

void do_printmib_get(SNMP_session &session, std::uint64_t *flags) {
    const std::uint64_t f0 = flags[0];
    const std::uint64_t f1 = flags[1];
    const PieceSink out = [&session, flags](bool continues, const std::string &piece) {
        emit_output(session, flags, continues, piece);
    };

    if (f1 & (F1_MARKER | F1_PAGECOUNT | F1_COLORS | F1_RESOLUTION | F1_MINMARGIN))
        marker_group(session, flags, out);
    if (f0 & (F0_MEDIAPATH | F0_MAXPAPERSIZE | F0_ENGINESPEED | F0_DUPLEX | F0_MINPAPERSIZE))
        media_path_group(session, flags, out);
    if (f0 & F0_DISPLAY) display_group(session, out);
    if (f0 & (F0_INPUTTRAY | F0_PAPER_MASK)) input_tray_group(session, flags, out);
    if (f0 & F0_COVERS) cover_group(session, out);
    if (f1 & (F1_LANGUAGE_MASK | F1_CHANNEL_MASK)) {
        // The channel group names languages by position in these rows.
        std::vector<LangInfo> langs = language_group(session, flags, out);
        if (f1 & F1_CHANNEL_MASK) channel_group(session, flags, langs, out);
    }
    if (f1 & F1_SUPPLIES) supplies_group(session, out);
    if (f1 & F1_ALERTS) alert_group(session, out);
}

void do_reboot(SNMP_session &session, std::uint64_t *flags) {
    if (!(flags[1] & F1_REBOOT)) return;
    // prtGeneralReset of the first general-printer entry; 4 is powerCycleReset.
    OidSeq request;
    request.append("1.3.6.1.2.1.43.5.1.1.3.1", INT_TAG, 4L);
    session.do_req(SET_REQ_TAG, &request);
}
