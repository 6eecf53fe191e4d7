// usm_engine: SNMPv3 users, engine discovery state, and the protection of each message.
#include "snmp/usm_engine.h"

#include <array>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "snmp/snmpsock.h"

namespace {

// usmStats (RFC 3414 5): 1.3.6.1.6.3.15.1.1.N.0.
constexpr char USM_STATS[] = "1.3.6.1.6.3.15.1.1.";
// A message may claim a time up to this many seconds behind our estimate of
// the engine's clock (RFC 3414 3.2.7).
constexpr std::int32_t TIME_WINDOW = 150;
constexpr std::int32_t MAX_BOOTS = 2147483647;

}  // namespace

SNMP_usm_user make_usm_user(std::string name, UsmLevel level, UsmAuth auth, UsmPriv priv, SecretBytes authPass,
                            SecretBytes privPass) {
    usm_keep_out_of_core_dumps();
    SNMP_usm_user user;
    user.name = std::move(name);
    user.level = level;
    if (level != UsmLevel::NoAuthNoPriv) {
        user.auth = auth;
        user.authKu = usm_password_to_key(auth, authPass);
    }
    if (level == UsmLevel::AuthPriv) {
        user.priv = priv;
        user.privKu = usm_password_to_key(auth, privPass);
    }
    authPass.wipe();
    privPass.wipe();
    return user;
}

std::vector<unsigned char> protect_v3_message(const V3Header &header, UsmParameters usm,
                                              std::vector<unsigned char> scoped, const UsmKeys &keys,
                                              std::uint64_t salt) {
    const bool auth = header.flags & V3_FLAG_AUTH;
    if (auth) usm.authParams.assign(usm_digest_size(keys.auth), 0);
    if (header.flags & V3_FLAG_PRIV) {
        std::array<unsigned char, 8> privParams{};
        scoped = usm_encrypt(keys.priv, *keys.privKey, static_cast<std::uint32_t>(usm.boots),
                             static_cast<std::uint32_t>(usm.time), salt, scoped, privParams);
        usm.privParams.assign(privParams.begin(), privParams.end());
    }
    V3Encoded message = encode_v3_message(header, usm, scoped);
    if (auth) usm_sign(keys.auth, *keys.authKey, message.bytes, message.digestOffset);
    return std::move(message.bytes);
}

UsmReport classify_report(const std::string &oid) {
    const std::string prefix = USM_STATS;
    if (oid.compare(0, prefix.size(), prefix) != 0) return UsmReport::Other;
    const std::string counter = oid.substr(prefix.size());
    if (counter == "1" || counter == "1.0") return UsmReport::UnsupportedLevel;
    if (counter == "2" || counter == "2.0") return UsmReport::NotInTimeWindow;
    if (counter == "3" || counter == "3.0") return UsmReport::UnknownUser;
    if (counter == "4" || counter == "4.0") return UsmReport::UnknownEngineId;
    if (counter == "5" || counter == "5.0") return UsmReport::WrongDigest;
    if (counter == "6" || counter == "6.0") return UsmReport::DecryptionError;
    return UsmReport::Other;
}

SNMP_usm_engine::SNMP_usm_engine(const SNMP_usm_user &user) : user_(user), salt_(usm_random64()) {
    k_.timeBase = std::chrono::steady_clock::now();
}

std::int32_t SNMP_usm_engine::engineTime() const {
    const auto passed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - k_.timeBase);
    const long long t = static_cast<long long>(k_.time) + passed.count();
    return t > MAX_BOOTS ? MAX_BOOTS : static_cast<std::int32_t>(t);
}

std::vector<unsigned char> SNMP_usm_engine::wrap(std::span<const unsigned char> pdu, std::int32_t msgId,
                                                 bool discovery, std::vector<unsigned char> *plainScoped) {
    const bool auth = !discovery && user_.level != UsmLevel::NoAuthNoPriv;
    const bool priv = auth && user_.level == UsmLevel::AuthPriv;
    V3Header header;
    header.msgId = msgId;
    header.maxSize = static_cast<std::int32_t>(SNMP_socket::REPLY_BUFFER_SIZE);
    header.flags = V3_FLAG_REPORTABLE | (auth ? V3_FLAG_AUTH : 0) | (priv ? V3_FLAG_PRIV : 0);
    UsmParameters usm;
    if (!discovery) {
        usm.engineId = k_.engineId;
        usm.boots = k_.boots;
        usm.time = engineTime();
        usm.userName = user_.name;
    }
    std::vector<unsigned char> scoped = encode_scoped_pdu(k_.engineId, "", pdu);
    if (plainScoped) *plainScoped = scoped;
    const UsmKeys keys{user_.auth, &authKey_, user_.priv, &privKey_};
    return protect_v3_message(header, std::move(usm), std::move(scoped), keys, priv ? salt_++ : 0);
}

UsmOpened SNMP_usm_engine::open(std::span<const unsigned char> datagram, std::int32_t msgId) {
    UsmOpened opened;
    V3Parsed parsed;
    try {
        parsed = parse_v3_message(datagram);
    } catch (const BerDecodeError &e) {
        opened.problem = std::string("undecodable: ") + e.what();
        return opened;
    }
    if (parsed.header.msgId != msgId) {
        opened.outcome = UsmOpened::OtherMessage;
        return opened;
    }
    if (parsed.header.securityModel != USM_SECURITY_MODEL) {
        opened.problem = "security model " + std::to_string(parsed.header.securityModel) + ", not USM";
        return opened;
    }
    opened.usm = parsed.usm;
    return check_security(std::move(opened), parsed, datagram);
}

UsmOpened SNMP_usm_engine::check_security(UsmOpened opened, const V3Parsed &parsed,
                                          std::span<const unsigned char> datagram) {
    auto refuse = [&opened](const char *problem) {
        opened.problem = problem;
        opened.scoped.reset();
        return std::move(opened);
    };
    const bool signedMessage = parsed.header.flags & V3_FLAG_AUTH;
    if (signedMessage) {
        if (user_.level == UsmLevel::NoAuthNoPriv || k_.engineId.empty()) return refuse("authenticated for another user");
        if (parsed.usm.engineId != k_.engineId) return refuse("another engine ID");
        if (parsed.usm.userName != user_.name) return refuse("another user name");
        opened.authenticated = parsed.usm.authParams.size() == usm_digest_size(user_.auth) &&
                               usm_verify(user_.auth, authKey_, datagram, parsed.digestOffset);
        opened.unverified = !opened.authenticated;
    }
    std::optional<std::vector<unsigned char>> plain;
    if (parsed.encrypted) {
        if (user_.priv == UsmPriv::None) return refuse("encrypted for another user");
        // Before discovery there is no key localized to decrypt with.
        if (privKey_.empty()) return refuse("encrypted before the engine is known");
        plain = usm_decrypt(user_.priv, privKey_, static_cast<std::uint32_t>(parsed.usm.boots),
                            static_cast<std::uint32_t>(parsed.usm.time), parsed.usm.privParams, parsed.data);
        if (!plain) return refuse("cannot be decrypted");
        opened.decrypted = true;
    }
    try {
        opened.scoped = decode_scoped_pdu(plain ? std::span<const unsigned char>(*plain) : parsed.data);
    } catch (const BerDecodeError &e) {
        // Worded as for an SNMPv1 reply, so the same value gives the same
        // warning; a signed message that does not verify is that first.
        opened.problem = signedMessage && !opened.authenticated ? "wrong digest" : std::string("undecodable: ") + e.what();
        opened.scoped.reset();
        return opened;
    }
    // Reports may come at a lower level (an agent cannot authenticate to a
    // user it does not know), and some agents sign the Report of a wrong
    // digest with the key they have, which ours cannot check: Reports are
    // taken without authentication, as RFC 3414 sends them. Every other
    // reply must verify and carry the user's level.
    if (static_cast<BerSequence *>(opened.scoped->peek(2))->tag() == REPORT_TAG) {
        opened.outcome = UsmOpened::Opened;
        return opened;
    }
    if (signedMessage && !opened.authenticated) return refuse("wrong digest");
    if (user_.level != UsmLevel::NoAuthNoPriv && !opened.authenticated) return refuse("not authenticated");
    if (user_.level == UsmLevel::AuthPriv && !opened.decrypted) return refuse("not encrypted");
    if (opened.authenticated) {
        if (!in_time_window(parsed.usm)) return refuse("outside the time window");
        note_time(parsed.usm);
    }
    opened.outcome = UsmOpened::Opened;
    return opened;
}

bool SNMP_usm_engine::in_time_window(const UsmParameters &usm) const {
    if (usm.boots == MAX_BOOTS || usm.boots < k_.boots) return false;
    return usm.boots > k_.boots || static_cast<long long>(usm.time) + TIME_WINDOW >= engineTime();
}

void SNMP_usm_engine::note_time(const UsmParameters &usm) {
    if (usm.boots > k_.boots || (usm.boots == k_.boots && usm.time > k_.time)) set_clock(usm);
}

void SNMP_usm_engine::set_clock(const UsmParameters &usm) {
    k_.boots = usm.boots;
    k_.time = usm.time;
    k_.timeBase = std::chrono::steady_clock::now();
    k_.clockKnown = true;
}

void SNMP_usm_engine::set_engine_id(const std::vector<unsigned char> &engineId) {
    if (engineId == k_.engineId && (user_.level == UsmLevel::NoAuthNoPriv || !authKey_.empty())) return;
    if (engineId != k_.engineId) k_.confirmed = false;
    k_.engineId = engineId;
    if (user_.level != UsmLevel::NoAuthNoPriv) authKey_ = usm_localize_key(user_.auth, user_.authKu, engineId);
    if (user_.level == UsmLevel::AuthPriv) privKey_ = usm_localize_key(user_.auth, user_.privKu, engineId);
}

void SNMP_usm_engine::load(const SNMP_engine_knowledge &knowledge) {
    set_engine_id(knowledge.engineId);
    k_ = knowledge;
}

void SNMP_usm_engine::take_discovered(const UsmParameters &usm) {
    set_engine_id(usm.engineId);
    if (!k_.confirmed) set_clock(usm);
}

void SNMP_usm_engine::take_clock(const UsmParameters &usm) {
    set_clock(usm);
    k_.confirmed = true;
}

void SNMP_usm_engine::release_keys() {
    authKey_.wipe();
    privKey_.wipe();
    k_.engineId.clear();
    k_.clockKnown = false;
}
