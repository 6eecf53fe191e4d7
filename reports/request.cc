// request: single variables and the helpers of refused requests.
#include "reports/request.h"

#include <cstring>

#include "ber/ber.h"
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
