// fake_usm: the agent's side of SNMPv3's user-based security, for scripted agents.
#include "tests/support/fake_usm.h"

#include <array>
#include <cstdlib>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"

namespace {

SecretBytes text_secret(const std::string &s) { return SecretBytes(s.data(), s.size()); }

// The request inside a scoped PDU, as the inner handler reads an SNMPv2c one.
bool request_of(BerSequence &scoped, FakeRequest &req) {
    auto *pdu = dynamic_cast<BerSequence *>(scoped.peek(2));
    if (!pdu) return false;
    try {
        fake_read_pdu(*pdu, req);
    } catch (const BerDecodeError &) {
        return false;
    }
    req.decoded = true;
    req.version = 1;
    return true;
}

std::int64_t request_id_of(std::span<const unsigned char> scoped) {
    try {
        std::unique_ptr<BerSequence> s = decode_scoped_pdu(scoped);
        return dynamic_cast<BerInt *>(static_cast<BerSequence *>(s->peek(2))->peek(0))->value;
    } catch (const BerDecodeError &) {
        return 0;
    }
}

}  // namespace

const std::vector<unsigned char> &fake_engine_id() {
    static const std::vector<unsigned char> id = {0x80, 0x00, 0x1f, 0x88, 0x04, 'f', 'a', 'k', 'e'};
    return id;
}

FakeBytes fake_v3_report(const FakeRequest &req, const char *oid, const std::vector<unsigned char> &engineId,
                         std::int32_t boots, std::int32_t time) {
    const V3Parsed request = parse_v3_message(req.bytes);
    V3Header header;
    header.msgId = request.header.msgId;
    header.maxSize = 65507;
    UsmParameters usm;
    usm.engineId = engineId;
    usm.boots = boots;
    usm.time = time;
    usm.userName = request.usm.userName;
    const std::int64_t id = request.encrypted ? 0 : request_id_of(request.data);
    return protect_v3_message(header, std::move(usm),
                              encode_scoped_pdu(engineId, "", fake_pdu(id, {{oid, fake_counter(1)}}, 0, 0, REPORT_TAG)),
                              UsmKeys{}, 0);
}

FakeUsm::FakeUsm(const FakeUsmUser &user, FakeHandler inner, std::vector<unsigned char> engineId)
    : user_(user), inner_(std::move(inner)), engineId_(std::move(engineId)) {
    if (user_.level != UsmLevel::NoAuthNoPriv)
        authKey_ = usm_localize_key(user_.auth, usm_password_to_key(user_.auth, text_secret(user_.authPass)), engineId_);
    if (user_.level == UsmLevel::AuthPriv)
        privKey_ = usm_localize_key(user_.auth, usm_password_to_key(user_.auth, text_secret(user_.privPass)), engineId_);
}

FakeHandler FakeUsm::handler() {
    return [this](const FakeRequest &req) { return handle(req); };
}

std::int32_t FakeUsm::engine_time() const {
    const auto up = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
    return static_cast<std::int32_t>(up.count()) + clockOffset_;
}

bool FakeUsm::in_window(const UsmParameters &usm) const {
    return !outOfWindow_ && usm.boots == boots_ && std::abs(usm.time - engine_time()) <= 150;
}

std::vector<FakeSend> FakeUsm::handle(const FakeRequest &req) {
    V3Parsed request;
    try {
        request = parse_v3_message(req.bytes);
    } catch (const BerDecodeError &) {
        return FakeAgent::drop();
    }
    const unsigned char flags = request.header.flags;
    if (request.usm.engineId.empty() || request.usm.engineId != engineId_) {
        if (request.usm.engineId.empty()) ++discoveries_;
        return {report(request, USM_UNKNOWN_ENGINE_ID, false)};
    }
    if (request.usm.userName != user_.name) return {report(request, USM_UNKNOWN_USER, false)};
    if (((flags & V3_FLAG_AUTH) && user_.level == UsmLevel::NoAuthNoPriv) ||
        ((flags & V3_FLAG_PRIV) && user_.level != UsmLevel::AuthPriv))
        return {report(request, USM_UNSUPPORTED_LEVEL, false)};
    if (!(flags & V3_FLAG_AUTH)) return serve(request, request.data);
    if (!usm_verify(user_.auth, authKey_, req.bytes, request.digestOffset)) {
        if (!signReports_) return {report(request, USM_WRONG_DIGEST, false)};
        return {protect(request, fake_pdu(0, {{USM_WRONG_DIGEST, fake_counter(1)}}, 0, 0, REPORT_TAG), true,
                        flags & V3_FLAG_PRIV)};
    }
    if (!in_window(request.usm)) {
        ++timeReports_;
        return {report(request, USM_NOT_IN_TIME_WINDOW, true)};
    }
    if (!(flags & V3_FLAG_PRIV)) return serve(request, request.data);
    auto plain = usm_decrypt(user_.priv, privKey_, static_cast<std::uint32_t>(request.usm.boots),
                             static_cast<std::uint32_t>(request.usm.time), request.usm.privParams, request.data);
    if (!plain) return {report(request, USM_DECRYPTION_ERROR, false)};
    return serve(request, *plain);
}

std::vector<FakeSend> FakeUsm::serve(const V3Parsed &request, std::span<const unsigned char> scoped) {
    FakeRequest inner;
    std::unique_ptr<BerSequence> tree;
    try {
        tree = decode_scoped_pdu(scoped);
    } catch (const BerDecodeError &) {
        // A wrong privacy key decrypts to noise (RFC 3414 3.2 step 8).
        return {report(request, USM_DECRYPTION_ERROR, false)};
    }
    if (!request_of(*tree, inner)) return FakeAgent::drop();
    ++served_;
    std::vector<FakeSend> out;
    const bool auth = request.header.flags & V3_FLAG_AUTH, priv = request.header.flags & V3_FLAG_PRIV;
    for (FakeSend &send : inner_(inner)) {
        // The inner handler answers with an SNMPv2c message: its PDU goes on.
        BerSequence message(std::span<const unsigned char>(send.bytes), BerSyntax::V2);
        FakeSend protectedSend = protect(request, fake_value_bytes(*message.peek(2)), auth, priv);
        protectedSend.delay = send.delay;
        protectedSend.copies = send.copies;
        out.push_back(std::move(protectedSend));
    }
    return out;
}

FakeSend FakeUsm::report(const V3Parsed &request, const char *oid, bool authenticated) {
    const std::int64_t id = request.header.flags & V3_FLAG_PRIV ? 0 : request_id_of(request.data);
    return protect(request, fake_pdu(id, {{oid, fake_counter(1)}}, 0, 0, REPORT_TAG), authenticated, false);
}

FakeSend FakeUsm::protect(const V3Parsed &request, const FakeBytes &pdu, bool authenticated, bool encrypted) {
    V3Header header;
    header.msgId = request.header.msgId;
    header.maxSize = 65507;
    header.flags = (authenticated ? V3_FLAG_AUTH : 0) | (encrypted ? V3_FLAG_PRIV : 0);
    UsmParameters usm;
    usm.engineId = engineId_;
    usm.boots = boots_;
    usm.time = engine_time();
    usm.userName = authenticated ? user_.name : request.usm.userName;
    const UsmKeys keys{user_.auth, &authKey_, user_.priv, &privKey_};
    FakeSend send;
    send.bytes = protect_v3_message(header, std::move(usm), encode_scoped_pdu(engineId_, "", pdu), keys, salt_++);
    return send;
}
