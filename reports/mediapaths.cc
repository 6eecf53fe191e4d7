// Media paths: one record line per path and the summaries over all paths.
#include "reports/mediapaths.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

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

namespace {

void print_media_path(const MediaPathInfo &p, bool wholeRow, PrinterOutput &out) {
    FieldValue sizeUnit = checked_name(out, "prtMediaPathMediaSizeUnit", MEDIAUNIT, p.mediaSizeUnit);
    FieldValue speedUnit = checked_name(out, "prtMediaPathMaxSpeedPrintUnit", MEDIASPEEDUNIT, p.maxSpeedPrintUnit);
    FieldValue type = checked_name(out, "prtMediaPathType", MEDIATYPE, p.type);
    if (!wholeRow) return;
    Fields line;
    line.add("maxSpeedPrintUnit", speedUnit).add("mediaSizeUnit", sizeUnit).number("maxSpeed", p.maxSpeed);
    line.number("maxMediaFeedDir", p.maxMediaFeedDir).number("maxMediaXFeedDir", p.maxMediaXFeedDir);
    line.number("minMediaFeedDir", p.minMediaFeedDir).number("minMediaXFeedDir", p.minMediaXFeedDir);
    line.add("type", type).text("description", p.description);
    out.row(Table::MediaPaths, line.name("status", decode_status(static_cast<std::uint64_t>(p.status), &out)));
}

// A size summary: the unit of the row it comes from and that row's sides,
// the cross-feed side as its low 32 bits. Without rows the values stay empty.
Fields size_summary(const char *prefix, const std::vector<MediaPathInfo> &rows, bool empty, std::size_t at,
                    std::int64_t feed, std::int64_t xfeed) {
    const std::string p(prefix);
    Fields piece;
    if (empty) return piece.absent(p + "MediaUnit").absent(p + "MediaFeedDir").absent(p + "MediaXFeedDir");
    return piece.add(p + "MediaUnit", name_or_number(MEDIAUNIT, rows[at].mediaSizeUnit))
        .number(p + "MediaFeedDir", feed)
        .number(p + "MediaXFeedDir", static_cast<std::int32_t>(xfeed));
}

}  // namespace

void print_media_paths(const FlagWords &flags, const std::vector<MediaPathInfo> &rows, PrinterOutput &out) {
    for (const MediaPathInfo &p : rows) print_media_path(p, flags.asked(Option::mediapath), out);

    const MediaSummary s = summarize_media_paths(rows);
    if (flags.asked(Option::duplex)) out.found(Group::MediaSummary, Fields().yes_no("duplex", s.duplex));
    if (flags.asked(Option::maxpapersize))
        out.found(Group::MediaSummary, size_summary("max", rows, s.empty, s.largestRow, s.largestFeed, s.largestXFeed));
    if (flags.asked(Option::minpapersize))
        out.found(Group::MediaSummary, size_summary("min", rows, s.empty, s.smallestRow, s.smallestFeed, s.smallestXFeed));
    if (flags.asked(Option::enginespeed)) {
        Fields speed;
        if (s.empty)
            speed.absent("maxSpeedUnit").absent("maxSpeed");
        else
            speed.add("maxSpeedUnit", name_or_number(MEDIASPEEDUNIT, rows[s.fastestRow].maxSpeedPrintUnit))
                .number("maxSpeed", s.fastestSpeed);
        out.found(Group::MediaSummary, speed);
    }
}

void media_path_group(ReportContext &ctx) {
    tabdef<MediaPathInfo> tab(&ctx.session);
    tab.append(oid::prtMediaPathMaxSpeedPrintUnit, INT_TAG, &MediaPathInfo::maxSpeedPrintUnit);
    tab.append(oid::prtMediaPathMediaSizeUnit, INT_TAG, &MediaPathInfo::mediaSizeUnit);
    tab.append(oid::prtMediaPathMaxSpeed, INT_TAG, &MediaPathInfo::maxSpeed);
    tab.append(oid::prtMediaPathMaxMediaFeedDir, INT_TAG, &MediaPathInfo::maxMediaFeedDir);
    tab.append(oid::prtMediaPathMaxMediaXFeedDir, INT_TAG, &MediaPathInfo::maxMediaXFeedDir);
    tab.append(oid::prtMediaPathMinMediaFeedDir, INT_TAG, &MediaPathInfo::minMediaFeedDir);
    tab.append(oid::prtMediaPathMinMediaXFeedDir, INT_TAG, &MediaPathInfo::minMediaXFeedDir);
    tab.append(oid::prtMediaPathType, INT_TAG, &MediaPathInfo::type);
    tab.append(oid::prtMediaPathStatus, INT_TAG, &MediaPathInfo::status);
    tab.append(oid::prtMediaPathDescription, STRING_TAG, &MediaPathInfo::description);
    print_media_paths(ctx.flags, tab.get(), ctx.out);
}
