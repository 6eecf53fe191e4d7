// MIB-II: the general request with its refusals, network configuration,
// contact and location, and the TCP connection table.
#include "reports/mib2.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/health_fetch.h"
#include "reports/identify.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "snmp/session.h"

namespace {

struct GeneralInfo {
    std::string sysDescr;
    std::string sysContact;
    std::string sysLocation;
    std::string hwAddr;
    std::array<unsigned char, 4> gateway{};
    std::array<unsigned char, 4> netmask{};
    std::int64_t ifType = 0;
    // For the health: sysObjectID and hrDeviceDescr.1 name the maker and the model.
    std::string objectId;
    std::string deviceDescr;
};

using IPv4 = SNMP_session::IPv4;

std::string quad(const std::array<unsigned char, 4> &a) { return dotted(a); }

// The column of the printer's address: ipAdEntNetMask and tcpConnTable are
// indexed by it.
std::string with_address(const char *column, const IPv4 &a) {
    return format_text("%s.%u.%u.%u.%u", column, a[0], a[1], a[2], a[3]);
}

// Asks with the address the session uses; when another address of the
// printer answered instead (the session failed over), asks again with that one.
template <class Ask>
auto with_current_address(ReportContext &ctx, Ask ask) {
    for (;;) {
        const IPv4 address = ctx.session.address();
        auto answer = ask(address);
        if (ctx.session.address() == address) return answer;
    }
}

// The vendor must be known: to name it or the model, to say which MIBs the
// printer answers, or to ask it anything beyond MIB-II.
bool wants_description(const ReportContext &ctx) {
    return ctx.flags.asked_any({Option::model, Option::hostmib, Option::printmib, Option::vendor}) ||
           ctx.capFlags.wants_any() || ctx.health != nullptr;
}

void build_general_request(const ReportContext &ctx, tabdef<GeneralInfo> &request, const std::string &netmaskOid) {
    if (wants_description(ctx)) request.append(oid::sysDescr, STRING_TAG, &GeneralInfo::sysDescr);
    if (ctx.flags.asked(Option::contact)) {
        request.append(oid::sysContact, STRING_TAG, &GeneralInfo::sysContact);
        request.append(oid::sysLocation, STRING_TAG, &GeneralInfo::sysLocation);
    }
    if (ctx.health) {
        request.append(oid::sysObjectID, OID_TAG, &GeneralInfo::objectId);
        request.append(oid::hrDeviceDescr1, STRING_TAG, &GeneralInfo::deviceDescr);
    }
    if (ctx.flags.asked(Option::netconfig)) {
        request.append(oid::ifPhysAddress1, STRING_TAG, &GeneralInfo::hwAddr);
        request.append(oid::ifType1, INT_TAG, &GeneralInfo::ifType);
        request.append(oid::defaultNextHop, IPADDR_TAG, &GeneralInfo::gateway);
        request.append(netmaskOid.c_str(), IPADDR_TAG, &GeneralInfo::netmask);
    }
}

// The refusal policy of the general request: a refused gateway is dropped
// silently, a refused contact or location drops both and --contact, a refused
// interface variable or netmask is dropped with a warning. Anything else (the
// description among them) ends the printer. Every absorbed refusal removes a
// column, so the request ends after at most as many rounds as columns.
bool absorb_general_refusal(ReportContext &ctx, tabdef<GeneralInfo> &request, const std::string &rejected,
                            const std::string &netmaskOid) {
    if (rejected == oid::sysDescr)
        throw WorkerExit(WorkerStop::ProbeRejected,
                         format_text("Warning: %s does not have a system.sysDescr.0 probably Windows NT. Skipping.\n",
                                     ctx.host()));
    if (rejected == oid::defaultNextHop && request.remove(oid::defaultNextHop)) return true;
    // What only the health asks for is dropped without a word.
    if (ctx.health && (rejected == oid::sysObjectID || rejected == oid::hrDeviceDescr1) &&
        request.remove(rejected.c_str()))
        return true;
    if ((rejected == oid::sysContact || rejected == oid::sysLocation) && ctx.flags.asked(Option::contact)) {
        request.remove(oid::sysContact);
        request.remove(oid::sysLocation);
        ctx.flags.answered(Option::contact);
        ctx.warn(format_text("Warning: %s does't provide system.sys%s ignoring --contact.\n", ctx.host(),
                             rejected == oid::sysContact ? "Contact" : "Location"));
        return true;
    }
    // The netmask of an address that did not answer (the session failed over
    // to another): asked again later for the address in use.
    if (rejected == netmaskOid && netmaskOid != with_address(oid::ipAdEntNetMask, ctx.session.address()) &&
        request.remove(rejected.c_str()))
        return true;
    ctx.warn(format_text("debug: Bad things from %s\n", ctx.host()));
    if ((rejected == oid::ifPhysAddress1 || rejected == oid::ifType1 || rejected == netmaskOid) &&
        request.remove(rejected.c_str())) {
        ctx.warn(format_text("Warning: %s refused %s; going on without it.\n", ctx.host(), rejected.c_str()));
        return true;
    }
    throw WorkerExit(WorkerStop::ProbeRejected, format_text("Warning: %s refused the general request (at \"%s\"). Skipping.\n",
                                                        ctx.host(), rejected.c_str()));
}

// The physical address of the first Ethernet row of the interface table;
// none when the walk finds no Ethernet interface.
std::optional<std::string> ethernet_hwaddr(ReportContext &ctx) {
    tabdef<GeneralInfo> walk(&ctx.session);
    walk.append(oid::ifPhysAddress, STRING_TAG, &GeneralInfo::hwAddr);
    walk.append(oid::ifType, INT_TAG, &GeneralInfo::ifType);
    GeneralInfo row;
    for (;;) {
        try {
            if (!walk.getNext(row)) return std::nullopt;
        } catch (const SNMP_error_oid &) {
            return std::nullopt;  // noSuchName: the agent's MIB ends inside the table
        } catch (const SNMP_error_type &) {
            return std::nullopt;  // a value of the wrong type, already warned about
        }
        // Addresses often hold 0x00: whole bytes from the reply.
        if (row.ifType == oid::ifTypeEthernetCsmacd)
            return octets(walk.lastResponse()->findWithin(oid::ifPhysAddress)).value_or(std::string());
    }
}

struct GeneralReply {
    const GeneralInfo &info;
    const OidSeq *response;
    const std::vector<std::string> &dropped;
    const IPv4 &asked;  // the address the netmask was asked for
    bool has(const char *oidstr) const { return answered(response, dropped, oidstr); }
};

std::optional<std::array<unsigned char, 4>> ask_netmask(ReportContext &ctx, const IPv4 &address) {
    const std::string maskOid = with_address(oid::ipAdEntNetMask, address);
    tabdef<GeneralInfo> request(&ctx.session);
    request.append(maskOid.c_str(), IPADDR_TAG, &GeneralInfo::netmask);
    GeneralInfo info;
    std::vector<std::string> dropped;
    if (!fetch_despite_refusals(request, info, dropped, [](const std::string &) { return false; }) ||
        !answered(request.lastResponse(), dropped, maskOid.c_str()))
        return std::nullopt;
    return info.netmask;
}

// The netmask of the address in use: from the general request, or asked again
// when the session has moved on to another address since.
std::optional<std::array<unsigned char, 4>> current_netmask(ReportContext &ctx, const GeneralReply &reply,
                                                            const std::string &netmaskOid) {
    if (ctx.session.address() != reply.asked)
        return with_current_address(ctx, [&ctx](const IPv4 &a) { return ask_netmask(ctx, a); });
    if (!reply.has(netmaskOid.c_str())) return std::nullopt;
    return reply.info.netmask;
}

void print_netconfig(ReportContext &ctx, const GeneralReply &reply, const std::string &netmaskOid) {
    std::optional<std::string> hw;
    if (reply.has(oid::ifType1) && reply.info.ifType == oid::ifTypeEthernetCsmacd)
        hw = reply.has(oid::ifPhysAddress1)
                 ? octets(reply.response->findWithin(oid::ifPhysAddress1)).value_or(std::string())
                 : std::string();
    else if (!(hw = ethernet_hwaddr(ctx)))
        // Interface 1 may be a loopback or serial port, and no other is Ethernet.
        ctx.warn(format_text("Warning: %s doesn't appear to have an ethernet interface. Can't detect hwaddr.\n",
                             ctx.host()));

    const std::optional<std::array<unsigned char, 4>> netmask = current_netmask(ctx, reply, netmaskOid);
    Fields addresses;
    addresses.name("ipaddr", dotted(ctx.session.address()));
    if (netmask)
        addresses.name("netmask", quad(*netmask));
    else
        ctx.warn(format_text("Warning: %s did not report a netmask.\n", ctx.host()));
    ctx.found(Group::Network, addresses);
    if (hw && hw->size() >= 6)
        ctx.found(Group::Network, Fields().name("hwaddr", format_hwaddr(*hw)));
    else if (hw)
        ctx.warn(format_text("Warning: %s reported a hardware address of %zu bytes; no hwaddr.\n", ctx.host(),
                             hw->size()));
    if (reply.has(oid::defaultNextHop))
        ctx.found(Group::Network, Fields().name("gateway", quad(reply.info.gateway)));
    else
        ctx.warn(format_text("Warning: %s did not report a default gateway.\n", ctx.host()));
}

}  // namespace

void do_general_get(ReportContext &ctx) {
    const IPv4 address = ctx.session.address();
    const std::string netmaskOid = with_address(oid::ipAdEntNetMask, address);
    const bool wantDescr = wants_description(ctx);
    tabdef<GeneralInfo> request(&ctx.session);
    build_general_request(ctx, request, netmaskOid);

    GeneralInfo info;
    std::vector<std::string> dropped;
    fetch_despite_refusals(request, info, dropped, [&](const std::string &rejected) {
        return absorb_general_refusal(ctx, request, rejected, netmaskOid);
    });
    const GeneralReply reply{info, request.lastResponse(), dropped, address};
    if (ctx.health) {
        if (reply.has(oid::sysObjectID)) ctx.health->objectId = info.objectId;
        if (reply.has(oid::hrDeviceDescr1)) ctx.health->deviceDescr = info.deviceDescr;
    }

    if (ctx.flags.asked(Option::netconfig)) print_netconfig(ctx, reply, netmaskOid);
    if (wantDescr && reply.has(oid::sysDescr)) {
        if (ctx.health) ctx.health->readings.sysDescr = info.sysDescr;
        identify_printer(ctx, info.sysDescr);
    }
    if (ctx.flags.asked(Option::contact))
        ctx.found(Group::Contact, Fields().text("contact", info.sysContact).text("location", info.sysLocation));
    if (ctx.flags.asked(Option::hostmib))
        ctx.found(Group::MibSupport, Fields().yes_no("hostmib", ctx.capFlags.answers(MibGroup::HostResources)));
    if (ctx.flags.asked(Option::printmib))
        ctx.found(Group::MibSupport, Fields().yes_no("printmib", ctx.capFlags.answers(MibGroup::PrinterMib)));
}

void do_set_contact_location(ReportContext &ctx) {
    OidSeq request;
    const char *contact = ctx.setting(Option::setcontact);
    const char *location = ctx.setting(Option::setlocation);
    if (contact) request.append(oid::sysContact, STRING_TAG, contact, std::strlen(contact));
    if (location)
        request.append(oid::sysLocation, STRING_TAG, location, std::strlen(location));
    // A change that is not confirmed has not happened as far as anyone knows.
    exchange(ctx, SET_REQ_TAG, request);
}

std::string format_hwaddr(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < 6 && i < bytes.size(); ++i)
        out += format_text("%02x:", static_cast<unsigned char>(bytes[i]));
    return out;
}

namespace {

struct ConnInfo {
    std::int64_t connState = 0;
    std::array<unsigned char, 4> remAddr{};
};

// The first connection on a local port of address; none when there is none
// (or the printer refuses the question, with a warning).
std::optional<ConnInfo> ask_connection(ReportContext &ctx, const IPv4 &address, std::uint16_t port) {
    // tcpConnTable is indexed by local address, local port, remote address
    // and remote port: one get-next from the local pair gives the first
    // connection on that port.
    const std::string stateOid = with_address(oid::tcpConnState, address) + format_text(".%u", port);
    const std::string remAddrOid = with_address(oid::tcpConnRemAddress, address) + format_text(".%u", port);
    tabdef<ConnInfo> request(&ctx.session);
    request.append(stateOid.c_str(), INT_TAG, &ConnInfo::connState);
    request.append(remAddrOid.c_str(), IPADDR_TAG, &ConnInfo::remAddr);
    ConnInfo conn;
    try {
        if (!request.getNext(conn)) return std::nullopt;
    } catch (const SNMP_error_oid &error) {
        if (error.status != NO_SUCH_NAME)
            ctx.warn(format_text("Warning: %s refused the connection query for port %u.\n", ctx.host(), port));
        return std::nullopt;
    } catch (const SNMP_error_type &) {
        return std::nullopt;  // a value of the wrong type, already warned about: no connection known
    }
    // The first connection after the local pair may belong to another port
    // (or none): the reply must lie under the pair asked, whole arcs, so port
    // 80 never takes a connection of port 8080.
    const OidSeq *reply = request.lastResponse();
    if (!present(reply, stateOid.c_str()) || !present(reply, remAddrOid.c_str())) return std::nullopt;
    return conn;
}

void print_connection(ReportContext &ctx, std::uint16_t port, const std::optional<ConnInfo> &conn) {
    Fields line;
    line.unsigned_number("port", port);
    if (!conn) {
        ctx.warn(format_text("Warning: %s has no TCP connection on port %u.\n", ctx.host(), port));
        ctx.row(Table::Connections, line.name("state", "none").absent("remotehost"));
        return;
    }
    if (!table_name(TCPCONNSTATES, conn->connState))
        ctx.warn(format_text("Warning: %s reported TCP connection state %lld on port %u, which has no name (1-11).\n",
                             ctx.host(), static_cast<long long>(conn->connState), port));
    ctx.row(Table::Connections,
            line.add("state", name_or_number(TCPCONNSTATES, conn->connState)).name("remotehost", quad(conn->remAddr)));
}

}  // namespace

void do_connections(ReportContext &ctx) {
    std::vector<std::optional<ConnInfo>> found;
    // The table is indexed by the printer's own address: the one in use.
    for (std::uint16_t port : ctx.settings.ports)
        found.push_back(with_current_address(ctx, [&ctx, port](const IPv4 &a) { return ask_connection(ctx, a, port); }));
    for (std::size_t i = 0; i < found.size(); ++i) print_connection(ctx, ctx.settings.ports[i], found[i]);
}
