// Alerts: the table (read again with the time as INTEGER for firmware that
// sends it so), the uptime, and one line per alert.
#include "reports/alerts.h"

#include <ctime>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/health_fetch.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "snmp/structfill.h"

const char *decode_code(const AlertInfo &alert) { return table_name(PRTALERTCODE, alert.code); }

std::uint64_t alert_wallclock(std::int64_t now, std::uint64_t uptime, std::uint64_t alertTime) {
    std::uint64_t age = alertTime > uptime ? 0 : uptime - alertTime;
    std::uint64_t seconds = age / 100;
    std::uint64_t current = now < 0 ? 0 : static_cast<std::uint64_t>(now);
    return seconds > current ? 0 : current - seconds;
}

namespace {

FieldValue severity_of(const AlertInfo &a, PrinterOutput &out) {
    if (table_name(PRTALERTSEVERITYLEVEL, a.severityLevel)) return name_or_number(PRTALERTSEVERITYLEVEL, a.severityLevel);
    out.warn("Warning: invalid severity level. Buggy firmware?\n", false);
    return FieldValue::number(a.severityLevel);
}

FieldValue time_of(const AlertInfo &a, std::optional<std::uint64_t> uptime, std::int64_t now, PrinterOutput &out) {
    if (!uptime) return FieldValue::absent("unknown");
    const auto alertTime = static_cast<std::uint64_t>(a.time);
    if (alertTime > *uptime)
        out.warn(format_text("Warning: %s: alert time %llu is later than the uptime %llu; printing the current time.\n",
                             out.host().c_str(), static_cast<unsigned long long>(alertTime),
                             static_cast<unsigned long long>(*uptime)),
                 true);
    return FieldValue::unsigned_number(alert_wallclock(now, *uptime, alertTime));
}

// The alert's time as ISO 8601 in UTC, beside the epoch seconds.
FieldValue utc_of(const FieldValue &time) {
    if (time.kind != FieldValue::Kind::Unsigned) return FieldValue::absent();
    const auto t = static_cast<std::time_t>(time.u);
    std::tm tm{};
    char text[32];
    if (!gmtime_r(&t, &tm) || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm) == 0)
        return FieldValue::absent();
    return FieldValue::name(text);
}

void print_alert(const AlertInfo &a, std::optional<std::uint64_t> uptime, std::int64_t now, PrinterOutput &out) {
    FieldValue severity = severity_of(a, out);
    FieldValue training = checked_name(out, "prtAlertTrainingLevel", PRTALERTTRAININGLEVEL, a.trainingLevel);
    FieldValue group = checked_name(out, "prtAlertGroup", PRTALERTGROUP, a.group);
    FieldValue code = checked_name(out, "prtAlertCode", PRTALERTCODE, a.code);
    FieldValue time = time_of(a, uptime, now, out);
    out.row(Table::Alerts, Fields()
                               .add("severityLevel", severity)
                               .add("trainingLevel", training)
                               .add("group", group)
                               .number("groupIndex", a.groupIndex)
                               .number("location", a.location)
                               .add("code", code)
                               .text("description", a.description)
                               .add("time", time)
                               .add("timeUtc", utc_of(time)));
}

std::vector<AlertInfo> fetch_alerts(ReportContext &ctx, int timeType) {
    tabdef<AlertInfo> tab(&ctx.session);
    tab.append(oid::prtAlertSeverityLevel, INT_TAG, &AlertInfo::severityLevel);
    tab.append(oid::prtAlertTrainingLevel, INT_TAG, &AlertInfo::trainingLevel);
    tab.append(oid::prtAlertGroup, INT_TAG, &AlertInfo::group);
    tab.append(oid::prtAlertGroupIndex, INT_TAG, &AlertInfo::groupIndex);
    tab.append(oid::prtAlertLocation, INT_TAG, &AlertInfo::location);
    tab.append(oid::prtAlertCode, INT_TAG, &AlertInfo::code);
    tab.append(oid::prtAlertDescription, STRING_TAG, &AlertInfo::description);
    tab.append(oid::prtAlertTime, timeType, &AlertInfo::time);
    return tab.get();
}

std::vector<AlertInfo> fetch_alert_table(ReportContext &ctx) {
    try {
        return fetch_alerts(ctx, TIME_TICK_TAG);
    } catch (const SNMP_error_type &) {
        // Some HP firmware sends prtAlertTime as INTEGER instead of TimeTicks.
        ctx.warn_unnamed("Trying a work around for broken HP firmware.\n");
    }
    try {
        return fetch_alerts(ctx, INT_TAG);
    } catch (const SNMP_error_type &) {
        ctx.warn(format_text("Warning: %s: the alert table is still unreadable; no alerts reported.\n", ctx.host()));
        throw;
    }
}

// The uptime is read even for an empty table. A printer that gives none (or
// one of the wrong type, after the usual warnings) leaves the times unknown.
std::optional<std::uint64_t> fetch_uptime(ReportContext &ctx) {
    OidSeq request;
    request.append(oid::sysUpTime);
    const std::unique_ptr<OidSeq> reply = exchange(ctx, GET_REQ_TAG, request);
    const BerBase *v = reply->findWithin(oid::sysUpTime);
    if (!v) {
        tabdef_detail::warn_missing_value(&ctx.session);
        return std::nullopt;
    }
    try {
        tabdef_detail::check_type(&ctx.session, v, TIME_TICK_TAG, oid::sysUpTime);
    } catch (const SNMP_error_type &) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(tabdef_detail::int_value(v));
}

}  // namespace

void print_alerts(const std::vector<AlertInfo> &rows, std::optional<std::uint64_t> uptime, std::int64_t now,
                  PrinterOutput &out) {
    for (const AlertInfo &a : rows) print_alert(a, uptime, now, out);
}

void alert_group(ReportContext &ctx) {
    const std::vector<AlertInfo> rows = fetch_alert_table(ctx);
    const std::optional<std::uint64_t> uptime = fetch_uptime(ctx);
    print_alerts(rows, uptime, static_cast<std::int64_t>(std::time(nullptr)), ctx.out);
    if (ctx.health) note_alerts(*ctx.health, rows);
}
