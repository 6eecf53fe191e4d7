// The Printer MIB driver: group order and what selects each group; the reset.
#include "reports/printmib.h"

#include "ber/ber.h"
#include "reports/alerts.h"
#include "reports/console.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/health_fetch.h"
#include "reports/inputtrays.h"
#include "reports/interpreters.h"
#include "reports/markers.h"
#include "reports/mediapaths.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "reports/supplies.h"
#include "snmp/session.h"

namespace {

// prtGeneralSerialNumber of the first general-printer entry.
void serial_number(ReportContext &ctx) {
    const SingleValue serial = get_single(ctx, oid::prtGeneralSerialNumber1, STRING_TAG);
    if (serial.value && ctx.health) {
        ctx.health->readings.serial = *serial.value;
        ctx.health->serialRead = true;
    }
    if (serial.value)
        ctx.found(Group::Serial, Fields().text("serial", *serial.value));
    else if (serial.refused)
        ctx.warn(format_text("Warning: %s does not provide %s; no serial.\n", ctx.host(), oid::prtGeneralSerialNumber1));
    else
        ctx.warn(format_text("Warning: %s returned no text for %s; no serial.\n", ctx.host(),
                             oid::prtGeneralSerialNumber1));
}

// The groups in the order they run, each with the reports (of the option
// table) that ask for it. The channel report names its languages by the
// interpreter table, so either report reads that.
struct PrinterMibGroup {
    Report report;
    Report alsoFor;
    void (*run)(ReportContext &);
};
constexpr PrinterMibGroup PRINTER_MIB_GROUPS[] = {
    {Report::Serial, Report::Serial, serial_number},
    {Report::Markers, Report::Markers, marker_group},
    {Report::MediaPaths, Report::MediaPaths, media_path_group},
    {Report::Display, Report::Display, display_group},
    {Report::InputTrays, Report::InputTrays, input_tray_group},
    {Report::Covers, Report::Covers, cover_group},
    {Report::Languages, Report::Channels, language_channel_groups},
    {Report::Supplies, Report::Supplies, supplies_group},
    {Report::Alerts, Report::Alerts, alert_group},
};

bool asks_for(const FlagWords &flags, const PrinterMibGroup &group) {
    return flags.asked_any(group.report) || flags.asked_any(group.alsoFor);
}

}  // namespace

bool printmib_reports_asked(const FlagWords &flags) {
    for (const PrinterMibGroup &group : PRINTER_MIB_GROUPS)
        if (asks_for(flags, group)) return true;
    return false;
}

void do_printmib_get(ReportContext &ctx) {
    for (const PrinterMibGroup &group : PRINTER_MIB_GROUPS)
        if (asks_for(ctx.flags, group)) group.run(ctx);
}

void do_reboot(ReportContext &ctx) {
    if (!ctx.flags.asked(Option::reboot)) return;
    // prtGeneralReset of the first general-printer entry; 4 is powerCycleReset.
    OidSeq request;
    request.append(oid::prtGeneralReset1, INT_TAG, 4L);
    send_reset(ctx, request);
}
