// Fuzzer: SNMPv3 messages from a printer, signed and encrypted again with a
// test user's keys before a real session opens them, so that everything
// behind the digest is fuzzed: engine discovery, the time window, Reports
// authenticated or not (and the hints the session waits on), decryption, the
// scoped PDU, the reply check of a GetRequest or of a GetBulk walk, and the
// engine store. The
// session's transport is scripted (fuzz/scripted.h): no sockets, no threads.
//
// Input: one flags byte, then datagrams (fuzz/scripted.h). Flags bit 0:
// splice in the msgID and request id of the request each datagram answers;
// bits 1-2: the user's level (0 noAuthNoPriv, 1 authNoPriv, 2 and 3 authPriv;
// SHA and AES); bit 3: keep each message's own engine ID and user name
// (otherwise the fuzzer's engine and the user); bit 4: one resend after a
// wait; bit 5: a walk (otherwise a GetRequest); bit 6: the fuzzer's engine
// ID is pinned in the store (as -e does). A datagram that parses as an SNMPv3 message is rebuilt with its own
// header flags, boots and time, and what it carries (encrypted or not) taken
// as its scoped PDU, then protected as its flags ask (a message whose
// reserved flag 0x08 is set is signed and encrypted with keys that are not
// the user's, as a wrong passphrase would); other datagrams go as they came.
//
// Besides, every datagram as it came must have the msgID the transport reads
// from it, and the first is opened by the engines of a user without security
// and of an authPriv user.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "fuzz/scripted.h"
#include "snmp/engine_store.h"
#include "snmp/session.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"

namespace {

const Bytes ENGINE = {0x80, 0x00, 0x1f, 0x88, 0x04, 'f', 'u', 'z', 'z'};

const SNMP_usm_user &user_at(int level) {
    static const SNMP_usm_user users[] = {
        [] {
            const std::string auth = "maplesyrup", priv = "privpassphrase";
            return make_usm_user("admin", UsmLevel::NoAuthNoPriv, UsmAuth::SHA1, UsmPriv::AES128,
                                 SecretBytes(auth.data(), auth.size()), SecretBytes(priv.data(), priv.size()));
        }(),
        [] {
            const std::string auth = "maplesyrup", priv = "privpassphrase";
            return make_usm_user("admin", UsmLevel::AuthNoPriv, UsmAuth::SHA1, UsmPriv::AES128,
                                 SecretBytes(auth.data(), auth.size()), SecretBytes(priv.data(), priv.size()));
        }(),
        [] {
            const std::string auth = "maplesyrup", priv = "privpassphrase";
            return make_usm_user("admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::AES128,
                                 SecretBytes(auth.data(), auth.size()), SecretBytes(priv.data(), priv.size()));
        }()};
    return users[level > 2 ? 2 : level];
}

// The authPriv user's keys, localized to the fuzzer's engine.
const UsmKeys &engine_keys() {
    static const SecretBytes auth = usm_localize_key(UsmAuth::SHA1, user_at(2).authKu, ENGINE);
    static const SecretBytes priv = usm_localize_key(UsmAuth::SHA1, user_at(2).privKu, ENGINE);
    static const UsmKeys keys{UsmAuth::SHA1, &auth, UsmPriv::AES128, &priv};
    return keys;
}

// Keys of the same length that are not the user's.
const UsmKeys &wrong_keys() {
    static const SecretBytes auth = usm_localize_key(UsmAuth::SHA1, user_at(2).privKu, ENGINE);
    static const SecretBytes priv = usm_localize_key(UsmAuth::SHA1, user_at(2).authKu, ENGINE);
    static const UsmKeys keys{UsmAuth::SHA1, &auth, UsmPriv::AES128, &priv};
    return keys;
}

constexpr unsigned char FLAG_WRONG_KEYS = 0x08;

// The request's scoped PDU in the clear (decrypted with the engine's key), or
// nothing useful when it cannot be.
Bytes plain_scoped(const V3Parsed &request) {
    if (!request.encrypted) return Bytes(request.data.begin(), request.data.end());
    const UsmKeys &keys = engine_keys();
    return usm_decrypt(keys.priv, *keys.privKey, static_cast<std::uint32_t>(request.usm.boots),
                       static_cast<std::uint32_t>(request.usm.time), request.usm.privParams, request.data)
        .value_or(Bytes());
}

struct Rebuild {
    bool patch;
    bool keepIdentity;
    std::uint64_t salt = 1;

    Bytes operator()(const Bytes &datagram, std::span<const unsigned char> sent) {
        V3Parsed parsed, request;
        try {
            parsed = parse_v3_message(datagram);
            request = parse_v3_message(sent);
        } catch (const BerDecodeError &) {
            return datagram;
        }
        V3Header header = parsed.header;
        UsmParameters usm = parsed.usm;
        Bytes scoped(parsed.data.begin(), parsed.data.end());
        if (patch) {
            header.msgId = request.header.msgId;
            scoped = with_request_id(scoped, plain_scoped(request));
        }
        if (!keepIdentity) {
            usm.engineId = ENGINE;
            usm.userName = "admin";
        }
        const bool wrongKeys = header.flags & FLAG_WRONG_KEYS;
        header.flags &= static_cast<unsigned char>(~FLAG_WRONG_KEYS);
        return protect_v3_message(header, std::move(usm), std::move(scoped), wrongKeys ? wrong_keys() : engine_keys(),
                                  salt++);
    }
};

void open_as(const SNMP_usm_user &user, std::span<const unsigned char> datagram, std::int32_t msgId) {
    SNMP_usm_engine engine(user);
    SNMP_engine_knowledge known;
    known.engineId = ENGINE;
    known.clockKnown = true;
    known.boots = 1;
    known.time = 100;
    engine.load(known);
    UsmOpened opened = engine.open(datagram, msgId);
    if (opened.outcome == UsmOpened::Opened && !opened.scoped) std::abort();
    if (opened.outcome == UsmOpened::Opened && user.level != UsmLevel::NoAuthNoPriv && !opened.authenticated &&
        static_cast<BerSequence *>(opened.scoped->peek(2))->tag() != REPORT_TAG)
        std::abort();
}

// The transport reads the msgID of every datagram with the same bounds as
// the decoder: both must agree, and the parts must lie inside the datagram.
void check_parts(std::span<const unsigned char> datagram) {
    const std::optional<std::int32_t> id = v3_message_id(datagram);
    try {
        const V3Parsed parsed = parse_v3_message(datagram);
        if (!id || *id != parsed.header.msgId) std::abort();
        if (parsed.data.data() < datagram.data() || parsed.data.data() + parsed.data.size() > datagram.data() + datagram.size())
            std::abort();
        if (!parsed.usm.authParams.empty() && parsed.digestOffset + parsed.usm.authParams.size() > datagram.size())
            std::abort();
    } catch (const BerDecodeError &) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const std::vector<ScriptedReply> replies = scripted_replies(data, size);
    for (const ScriptedReply &r : replies) check_parts(r.bytes);
    if (!replies.empty()) {
        const std::int32_t id = v3_message_id(replies[0].bytes).value_or(0);
        open_as(user_at(0), replies[0].bytes, id);
        open_as(user_at(2), replies[0].bytes, id);
    }

    Rebuild rebuild{(data[0] & 1) != 0, (data[0] & 8) != 0};
    std::size_t next = 0;
    ScriptedTransport transport(
        [&](std::span<const unsigned char> sent) {
            std::vector<Bytes> burst;
            while (next < replies.size()) {
                const ScriptedReply &r = replies[next++];
                burst.push_back(rebuild(r.bytes, sent));
                if (!r.withNext) break;
            }
            return burst;
        },
        (data[0] >> 4) & 1);
    SNMP_engine_store engines;
    if (data[0] & 0x40) engines.pin({127, 0, 0, 1}, ENGINE, "given with -e");
    Quiet quiet;
    exercise_session(transport, data[0] & 0x20 ? SessionAsk::Walk : SessionAsk::Get, SNMP_version::V3,
                     &user_at((data[0] >> 1) & 3), &engines);
    return 0;
}
