// HP private variables: status and display, configuration source, reset and
// firmware download.
#include "reports/hp.h"

#include <cstring>
#include <memory>
#include <vector>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "snmp/session.h"

namespace {

struct HpPrivInfo {
    std::string status;
    std::string display;
};

}  // namespace

void do_hppriv_get(ReportContext &ctx, bool status, bool display) {
    tabdef<HpPrivInfo> request(&ctx.session);
    if (status) request.append(oid::hpStatus, STRING_TAG, &HpPrivInfo::status);
    if (display) request.append(oid::hpDisplay, STRING_TAG, &HpPrivInfo::display);
    HpPrivInfo info;
    std::vector<std::string> dropped;
    fetch_despite_refusals(request, info, dropped, [&](const std::string &rejected) {
        ctx.warn(format_text("Warning: %s refused the HP private variable \"%s\".\n", ctx.host(), rejected.c_str()));
        return request.remove(rejected.c_str());
    });
    const OidSeq *response = request.lastResponse();

    // Answered here, the options leave nothing for the standard groups to do
    // unless others of those groups are asked too.
    if (status) {
        ctx.flags.answered(Option::status);
        if (!ctx.flags.asked_any(MibGroup::HostResources)) ctx.capFlags.no_longer_wants(MibGroup::HostResources);
        if (answered(response, dropped, oid::hpStatus)) ctx.found(Group::HpStatus, Fields().text("status", info.status));
    }
    if (display) {
        ctx.flags.answered(Option::display);
        if (!ctx.flags.asked_any(MibGroup::PrinterMib)) ctx.capFlags.no_longer_wants(MibGroup::PrinterMib);
        if (answered(response, dropped, oid::hpDisplay))
            ctx.row(Table::HpDisplay, Fields().text("displayBufferText", info.display));
    }
}

void hpcfgsrc(ReportContext &ctx, const BerBase *value) {
    if (!value) {
        ctx.warn(format_text("Warning: %s did not return its configuration source.\n", ctx.host()));
        return;
    }
    if (value->type() != INT_TAG) {
        ctx.warn(format_text("Warning: %s returned a configuration source of type 0x%x, not an INTEGER.\n",
                             ctx.host(), static_cast<unsigned>(value->type())));
        return;
    }
    const std::int64_t cfgtype = static_cast<const BerInt *>(value)->value;
    if (!table_name(HPCFGSOURCESTATES, cfgtype))
        ctx.warn(format_text("Warning: %s reported configuration source %lld, which has no name (0-5).\n",
                             ctx.host(), static_cast<long long>(cfgtype)));
    ctx.found(Group::ConfigSource, Fields().add("cfgsrc", name_or_number(HPCFGSOURCESTATES, cfgtype)));
}

const CfgSrcVendor *cfgsrc_vendor(int vendorCode) {
    // HP's npCfgSource: how the JetDirect got its address (BOOTP, DHCP, manual).
    static const CfgSrcVendor CFGSRCVENDORS[16] = {
        {nullptr, nullptr},
        {oid::hpCfgSource, hpcfgsrc},
    };
    if (vendorCode < 0 || vendorCode >= 16 || !CFGSRCVENDORS[vendorCode].oid) return nullptr;
    return &CFGSRCVENDORS[vendorCode];
}

bool do_cfgsrc(ReportContext &ctx) {
    const CfgSrcVendor *vendor = cfgsrc_vendor(ctx.capFlags.vendor());
    if (!vendor) {
        not_supported(ctx.out, option_spec(Option::cfgsrc).unsupported);
        return false;
    }
    OidSeq request;
    request.append(vendor->oid);
    std::unique_ptr<OidSeq> reply = exchange(ctx, GET_REQ_TAG, request);
    vendor->routine(ctx, reply->find(vendor->oid));
    return true;
}

namespace {

// The firmware variables of the SetRequest, after the reset if any. Nothing is
// appended (and the worker ends) when the argument or its server is unusable.
void append_firmware(ReportContext &ctx, OidSeq &request) {
    const char *arg = ctx.setting(Option::updatefirmware);
    std::optional<FirmwareSource> source = split_firmware_arg(arg ? arg : "");
    if (!source)
        throw WorkerExit(WorkerStop::HpSettingFailed,
                         format_text("Warning: %s: --updatefirmware \"%s\" is not SERVER:FILE; nothing sent.\n",
                                     ctx.host(), arg ? arg : ""));
    std::optional<std::array<unsigned char, 6>> svrip = tftp_transport_address(source->server);
    if (!svrip)
        throw WorkerExit(WorkerStop::HpSettingFailed,
                         format_text("Warning: %s: TFTP server \"%s\" of --updatefirmware does not resolve; "
                                     "nothing sent.\n",
                                     ctx.host(), source->server.c_str()));
    request.append(oid::hpFirmwareCommand, INT_TAG, 4L);
    request.append(oid::hpFirmwareDomain, OID_TAG, oid::snmpUDPDomain, std::strlen(oid::snmpUDPDomain));
    request.append(oid::hpFirmwareAddress, STRING_TAG, svrip->data(), svrip->size());
    // The interface expects the file name with its terminating NUL.
    request.append(oid::hpFirmwareFilename, STRING_TAG, source->filename.c_str(), source->filename.size() + 1);
}

}  // namespace

void do_hppriv_set(ReportContext &ctx) {
    OidSeq request;
    const bool reset = ctx.flags.asked(Option::reboot);
    if (reset) request.append(oid::hpReset, INT_TAG, 1L);
    if (ctx.flags.asked(Option::updatefirmware)) append_firmware(ctx, request);
    if (request.size() > 0) {
        try {
            // A printer being reset may not reply; a firmware download alone
            // must be confirmed.
            if (reset)
                send_reset(ctx, request);
            else
                exchange(ctx, SET_REQ_TAG, request);
        } catch (const SNMP_error_oid &error) {
            ctx.flags.answered(Option::reboot);
            const std::string detail = set_refusal_detail(error.str, error.status, ctx.session.user() != nullptr);
            throw WorkerExit(WorkerStop::HpSettingFailed,
                             format_text("Warning: %s refused the HP settings %s%s.\n", ctx.host(),
                                         error.str.empty() ? "" : "at ", detail.c_str()));
        }
    }
    ctx.flags.answered(Option::reboot);
    // The reset was the Printer MIB work asked for: nothing is left to ask a
    // printer that may now be restarting.
    if (!ctx.flags.asked_any(MibGroup::PrinterMib)) ctx.capFlags.no_longer_wants(MibGroup::PrinterMib);
}

std::optional<FirmwareSource> split_firmware_arg(std::string_view arg) {
    std::size_t colon = arg.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == arg.size()) return std::nullopt;
    return FirmwareSource{std::string(arg.substr(0, colon)), std::string(arg.substr(colon + 1))};
}

std::optional<std::array<unsigned char, 6>> tftp_transport_address(const std::string &server) {
    // The first address in the name service's own order, as the interface's
    // configuration tools take it.
    const std::vector<SNMP_session::IPv4> addresses = resolve_ipv4(server.c_str());
    if (addresses.empty()) return std::nullopt;
    std::array<unsigned char, 6> out{};
    std::memcpy(out.data(), addresses.front().data(), 4);
    // TFTP's UDP port 69, in network byte order.
    out[4] = 0x00;
    out[5] = 0x45;
    return out;
}
