// The Printer MIB driver: group order and what selects each group; the reset.
#include "reports/printmib.h"

#include "ber/ber.h"
#include "reports/alerts.h"
#include "reports/console.h"
#include "reports/context.h"
#include "reports/flags.h"
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
    if (serial.value)
        ctx.print(Piece::fragment().limited().text("serial", *serial.value));
    else if (serial.refused)
        ctx.warn(format_text("Warning: %s does not provide %s; no serial.\n", ctx.host(), oid::prtGeneralSerialNumber1));
    else
        ctx.warn(format_text("Warning: %s returned no text for %s; no serial.\n", ctx.host(),
                             oid::prtGeneralSerialNumber1));
}

}  // namespace

void do_printmib_get(ReportContext &ctx) {
    const std::uint64_t f0 = ctx.flags[0];
    const std::uint64_t f1 = ctx.flags[1];
    if (f1 & F1_SERIAL) serial_number(ctx);
    if (f1 & (F1_MARKER | F1_PAGECOUNT | F1_COLORS | F1_RESOLUTION | F1_MINMARGIN)) marker_group(ctx);
    if (f0 & (F0_MEDIAPATH | F0_MAXPAPERSIZE | F0_ENGINESPEED | F0_DUPLEX | F0_MINPAPERSIZE)) media_path_group(ctx);
    if (f0 & F0_DISPLAY) display_group(ctx);
    if (f0 & (F0_INPUTTRAY | F0_PAPER_MASK)) input_tray_group(ctx);
    if (f0 & F0_COVERS) cover_group(ctx);
    if (f1 & (F1_LANGUAGE_MASK | F1_CHANNEL_MASK)) language_channel_groups(ctx);
    if (f1 & F1_SUPPLIES) supplies_group(ctx);
    if (f1 & F1_ALERTS) alert_group(ctx);
}

void do_reboot(ReportContext &ctx) {
    if (!(ctx.flags[1] & F1_REBOOT)) return;
    // prtGeneralReset of the first general-printer entry; 4 is powerCycleReset.
    OidSeq request;
    request.append(oid::prtGeneralReset1, INT_TAG, 4L);
    send_reset(ctx, request);
}
