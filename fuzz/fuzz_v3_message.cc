// Fuzzer: arbitrary bytes as an SNMPv3 message: taken apart (header, USM
// security parameters, scoped PDU), its msgID read as the transport reads it,
// and opened by the engines of two users as a session opens replies: one
// without security (reaching the scoped PDU and Reports), one with SHA and
// AES (reaching the engine, user, digest and time checks).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "ber/ber.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"

namespace {

const std::vector<unsigned char> ENGINE = {0x80, 0x00, 0x1f, 0x88, 0x04, 'f', 'u', 'z', 'z'};

SNMP_usm_user make_user(UsmLevel level) {
    const std::string auth = "maplesyrup", priv = "privpassphrase";
    return make_usm_user("admin", level, UsmAuth::SHA1, UsmPriv::AES128, SecretBytes(auth.data(), auth.size()),
                         SecretBytes(priv.data(), priv.size()));
}

void open_as(const SNMP_usm_user &user, std::span<const unsigned char> datagram, std::int32_t msgId) {
    SNMP_usm_engine engine(user);
    UsmParameters known;
    known.engineId = ENGINE;
    known.boots = 1;
    known.time = 100;
    engine.adopt(known, true);
    UsmOpened opened = engine.open(datagram, msgId);
    if (opened.outcome == UsmOpened::Opened && !opened.scoped) std::abort();
    if (opened.outcome == UsmOpened::Opened && user.level != UsmLevel::NoAuthNoPriv && !opened.authenticated &&
        static_cast<BerSequence *>(opened.scoped->peek(2))->tag() != REPORT_TAG)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const SNMP_usm_user plain = make_user(UsmLevel::NoAuthNoPriv);
    static const SNMP_usm_user secure = make_user(UsmLevel::AuthPriv);
    const std::span<const unsigned char> datagram(data, size);
    const std::optional<std::int32_t> id = v3_message_id(datagram);
    try {
        const V3Parsed parsed = parse_v3_message(datagram);
        if (!id || *id != parsed.header.msgId) std::abort();
        if (parsed.data.data() < data || parsed.data.data() + parsed.data.size() > data + size) std::abort();
        if (!parsed.usm.authParams.empty() && parsed.digestOffset + parsed.usm.authParams.size() > size) std::abort();
    } catch (const BerDecodeError &) {
    }
    open_as(plain, datagram, id.value_or(0));
    open_as(secure, datagram, id.value_or(0));
    return 0;
}
