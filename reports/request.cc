// request: single variables and the helpers of refused requests.
#include "reports/request.h"

#include <cstring>

#include "ber/ber.h"
#include "reports/oids.h"
#include "snmp/session.h"

std::optional<std::string> octets(const BerBase *v) {
    if (!v || v->type() != STRING_TAG) return std::nullopt;
    auto s = static_cast<const BerString *>(v);
    return std::string(reinterpret_cast<const char *>(s->data.get()), s->stringlen);
}

std::optional<std::string> text_value(const BerBase *v) {
    auto s = octets(v);
    if (s) s->resize(std::strlen(s->c_str()));
    return s;
}

bool present(const OidSeq *response, const char *oidstr) {
    return response && response->findWithin(oidstr) != nullptr;
}

std::unique_ptr<OidSeq> exchange(ReportContext &ctx, int pduTag, OidSeq &request) {
    return tabdef_detail::exchange(&ctx.session, pduTag, &request);
}

void send_reset(ReportContext &ctx, OidSeq &request) {
    if (ctx.session.do_req(SET_REQ_TAG, &request)) return;
    if (ctx.session.sendError()) throw tabdef_detail::no_answer(&ctx.session);
    ctx.warn(format_text("Warning: %s: no answer to the reset; the printer may be restarting.\n", ctx.host()));
}

SingleValue get_single(ReportContext &ctx, const char *oidstr, int type) {
    OidSeq request;
    request.append(oidstr);
    SingleValue result;
    try {
        std::unique_ptr<OidSeq> response = exchange(ctx, GET_REQ_TAG, request);
        const BerBase *v = response->find(oidstr);
        if (v && v->type() == type)
            result.value = type == STRING_TAG ? *text_value(v) : tabdef_detail::string_value(v);
    } catch (const SNMP_error_oid &) {
        result.refused = true;
    }
    return result;
}

namespace {

// The variables prowlet sets, by the names administrators know them by.
const char *settable_object_name(const std::string &oidText) {
    static const struct {
        const char *oid;
        const char *name;
    } NAMES[] = {
        {oid::sysContact, "sysContact.0"},
        {oid::sysLocation, "sysLocation.0"},
        {oid::prtGeneralReset1, "prtGeneralReset.1"},
        {oid::hpReset, "HP's reset variable"},
        {oid::hpFirmwareCommand, "HP's firmware download command"},
        {oid::hpFirmwareDomain, "HP's firmware server transport"},
        {oid::hpFirmwareAddress, "HP's firmware server address"},
        {oid::hpFirmwareFilename, "HP's firmware file name"},
    };
    for (const auto &n : NAMES)
        if (oidText == n.oid) return n.name;
    return nullptr;
}

constexpr int READ_ONLY = 4;

}  // namespace

std::string set_refusal_detail(const std::string &oid, std::optional<int> status, bool user, bool withCause) {
    const std::string errorStatus = status ? format_text("error-status %d", *status) : std::string();
    std::string text;
    if (const char *name = settable_object_name(oid))
        text = std::string(name) + " (" + oid + (status ? ", " + errorStatus : std::string()) + ")";
    else if (oid.empty())
        text = status ? "(" + errorStatus + ")" : std::string();
    else
        text = status ? oid + " (" + errorStatus + ")" : oid;
    if (withCause || (status && (*status == NO_SUCH_NAME || *status == READ_ONLY)))
        text += user ? "; the user may not write: use one with write access"
                     : "; the community may not write: use one with write access";
    return text;
}
