// device_state: hrDeviceStatus and hrPrinterDetectedErrorState of a printer.
#include "exporter/device_state.h"

#include "ber/ber.h"
#include "frontend/dispatch.h"
#include "reports/context.h"
#include "reports/hostres.h"
#include "reports/request.h"
#include "snmp/session.h"

namespace {

constexpr const char *HR_DEVICE_STATUS_1 = "1.3.6.1.2.1.25.3.2.1.5.1";
constexpr const char *HR_PRINTER_DETECTED_ERROR_STATE_1 = "1.3.6.1.2.1.25.3.5.1.2.1";

// The value of one variable, or nullptr when the printer refuses it (a
// printer without it answers noSuchName, which must not end the report).
std::unique_ptr<OidSeq> get_variable(ReportContext &ctx, const char *oidstr) {
    OidSeq request;
    request.append(oidstr);
    try {
        return exchange(ctx, GET_REQ_TAG, request);
    } catch (const SNMP_error_oid &) {
        return nullptr;
    }
}

void device_state(ReportContext &ctx) {
    Fields fields;
    if (std::unique_ptr<OidSeq> r = get_variable(ctx, HR_DEVICE_STATUS_1)) {
        const auto *v = dynamic_cast<const BerInt *>(r->find(HR_DEVICE_STATUS_1));
        if (v && v->type() == INT_TAG) fields.number("deviceStatus", v->value);
    }
    if (std::unique_ptr<OidSeq> r = get_variable(ctx, HR_PRINTER_DETECTED_ERROR_STATE_1))
        if (std::optional<std::string> bytes = octets(r->find(HR_PRINTER_DETECTED_ERROR_STATE_1)))
            fields.text("detectedErrorState", *bytes);
    if (!fields.empty()) ctx.found(Group::HostResources, fields);
}

void hostmib_and_device_state(ReportContext &ctx) {
    const bool status = ctx.flags.asked(Option::status);
    do_hostmib_get(ctx);
    if (status) device_state(ctx);
}

}  // namespace

const ReportRoutines &exporter_reports() {
    static const ReportRoutines routines = [] {
        ReportRoutines r = real_reports();
        r.hostmib = hostmib_and_device_state;
        return r;
    }();
    return routines;
}

std::vector<bool> detected_errors(std::string_view octets) {
    std::vector<bool> set(DETECTED_ERROR_COUNT, false);
    for (std::size_t bit = 0; bit < DETECTED_ERROR_COUNT; ++bit) {
        const std::size_t octet = bit / 8;
        if (octet < octets.size())
            set[bit] = (static_cast<unsigned char>(octets[octet]) >> (7 - bit % 8)) & 1;
    }
    return set;
}

const char *device_status_name(long long status) {
    static const char *const names[] = {"unknown", "running", "warning", "testing", "down"};
    return status >= 1 && status <= 5 ? names[status - 1] : nullptr;
}
