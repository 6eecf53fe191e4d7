// v3message: SNMPv3 messages, their USM security parameters and scoped PDUs.
#include "snmp/v3message.h"

#include <cstring>
#include <string>

#include "ber/ber.h"
#include "ber/berseq.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A bounded reader over the TLVs of one constructed value's content. Every
// value is taken whole from what is left, within the bounds (ber_value_size);
// base is the offset of the content in the datagram.
class Cursor {
 public:
    Cursor(std::span<const unsigned char> content, std::size_t base) : rest_(content), base_(base) {}

    struct Value {
        std::span<const unsigned char> content;
        std::size_t offset;  // of the content in the datagram
        std::span<const unsigned char> whole;
    };

    bool at(int tag) const { return !rest_.empty() && rest_[0] == tag; }

    Value take(int tag, const char *what) {
        if (rest_.empty()) throw BerDecodeError(std::string(what) + " missing");
        if (rest_[0] != tag) throw BerDecodeError(std::string(what) + " has the wrong type");
        const std::size_t size = ber_value_size(rest_.data(), rest_.size());
        unsigned char headerlen = 0;
        unpack_len(rest_.data(), rest_.size(), headerlen);
        Value v{rest_.subspan(headerlen, size - headerlen), base_ + headerlen, rest_.first(size)};
        rest_ = rest_.subspan(size);
        base_ += size;
        return v;
    }

    Cursor enter(int tag, const char *what) {
        const Value v = take(tag, what);
        return Cursor(v.content, v.offset);
    }

    // An INTEGER in 0..2147483647, as every SNMPv3 header number is.
    std::int32_t number(const char *what) {
        const std::span<const unsigned char> c = take(INT_TAG, what).content;
        if (c.empty() || c.size() > 5 || (c[0] & 0x80)) throw BerDecodeError(std::string(what) + " out of range");
        std::uint64_t v = 0;
        for (unsigned char b : c) v = (v << 8) | b;
        if (v > 0x7fffffff) throw BerDecodeError(std::string(what) + " out of range");
        return static_cast<std::int32_t>(v);
    }

    std::span<const unsigned char> octets(const char *what, std::size_t maxSize) {
        const std::span<const unsigned char> c = take(STRING_TAG, what).content;
        if (c.size() > maxSize) throw BerDecodeError(std::string(what) + " too long");
        return c;
    }

 private:
    std::span<const unsigned char> rest_;
    std::size_t base_;
};

void put_number(Bytes &out, std::int64_t v) {
    BerInt value(v);
    append_encoding(out, value);
}

std::span<const unsigned char> text_bytes(const std::string &s) {
    return {reinterpret_cast<const unsigned char *>(s.data()), s.size()};
}

// The security parameters' SEQUENCE; digestAt is set to the offset of the
// digest's content within it.
Bytes encode_usm(const UsmParameters &usm, std::size_t &digestAt) {
    Bytes body;
    append_tlv(body, STRING_TAG, usm.engineId);
    put_number(body, usm.boots);
    put_number(body, usm.time);
    append_tlv(body, STRING_TAG, text_bytes(usm.userName));
    append_header(body, STRING_TAG, usm.authParams.size());
    digestAt = body.size();
    body.insert(body.end(), usm.authParams.begin(), usm.authParams.end());
    append_tlv(body, STRING_TAG, usm.privParams);
    Bytes out;
    append_header(out, SEQUENCE_TAG, body.size());
    digestAt += out.size();
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

V3Encoded encode_v3_message(const V3Header &header, const UsmParameters &usm, std::span<const unsigned char> data) {
    Bytes global;
    put_number(global, header.msgId);
    put_number(global, header.maxSize);
    append_tlv(global, STRING_TAG, std::span<const unsigned char>(&header.flags, 1));
    put_number(global, header.securityModel);

    std::size_t digestAt = 0;
    const Bytes security = encode_usm(usm, digestAt);

    Bytes body;
    put_number(body, 3);
    append_tlv(body, SEQUENCE_TAG, global);
    append_header(body, STRING_TAG, security.size());
    digestAt += body.size();
    body.insert(body.end(), security.begin(), security.end());
    if (header.flags & V3_FLAG_PRIV)
        append_tlv(body, STRING_TAG, data);
    else
        body.insert(body.end(), data.begin(), data.end());

    V3Encoded out;
    append_header(out.bytes, SEQUENCE_TAG, body.size());
    out.digestOffset = digestAt + out.bytes.size();
    out.bytes.insert(out.bytes.end(), body.begin(), body.end());
    return out;
}

std::vector<unsigned char> encode_scoped_pdu(std::span<const unsigned char> contextEngineId,
                                             const std::string &contextName, std::span<const unsigned char> pdu) {
    Bytes body;
    append_tlv(body, STRING_TAG, contextEngineId);
    append_tlv(body, STRING_TAG, text_bytes(contextName));
    body.insert(body.end(), pdu.begin(), pdu.end());
    Bytes out;
    append_tlv(out, SEQUENCE_TAG, body);
    return out;
}

V3Parsed parse_v3_message(std::span<const unsigned char> datagram) {
    Cursor message = Cursor(datagram, 0).enter(SEQUENCE_TAG, "message");
    if (message.number("version") != 3) throw BerDecodeError("not an SNMPv3 message");
    V3Parsed parsed;
    Cursor global = message.enter(SEQUENCE_TAG, "msgGlobalData");
    parsed.header.msgId = global.number("msgID");
    parsed.header.maxSize = global.number("msgMaxSize");
    const std::span<const unsigned char> flags = global.octets("msgFlags", 1);
    if (flags.size() != 1) throw BerDecodeError("msgFlags not one byte");
    parsed.header.flags = flags[0];
    parsed.header.securityModel = global.number("msgSecurityModel");

    Cursor security = message.enter(STRING_TAG, "msgSecurityParameters").enter(SEQUENCE_TAG, "security parameters");
    const auto engine = security.octets("msgAuthoritativeEngineID", USM_MAX_ENGINE_ID);
    parsed.usm.engineId.assign(engine.begin(), engine.end());
    parsed.usm.boots = security.number("msgAuthoritativeEngineBoots");
    parsed.usm.time = security.number("msgAuthoritativeEngineTime");
    const auto user = security.octets("msgUserName", USM_MAX_USER_NAME);
    parsed.usm.userName.assign(user.begin(), user.end());
    const Cursor::Value digest = security.take(STRING_TAG, "msgAuthenticationParameters");
    parsed.usm.authParams.assign(digest.content.begin(), digest.content.end());
    parsed.digestOffset = digest.offset;
    const auto salt = security.octets("msgPrivacyParameters", 64);
    parsed.usm.privParams.assign(salt.begin(), salt.end());

    parsed.encrypted = message.at(STRING_TAG);
    if (parsed.encrypted != ((parsed.header.flags & V3_FLAG_PRIV) != 0))
        throw BerDecodeError("msgFlags and the scoped PDU disagree on encryption");
    parsed.data = parsed.encrypted ? message.take(STRING_TAG, "encryptedPDU").content
                                   : message.take(SEQUENCE_TAG, "scoped PDU").whole;
    return parsed;
}

std::unique_ptr<BerSequence> decode_scoped_pdu(std::span<const unsigned char> bytes) {
    if (bytes.empty() || bytes[0] != SEQUENCE_TAG) throw BerDecodeError("scoped PDU is not a SEQUENCE");
    auto scoped = std::make_unique<BerSequence>(bytes, BerSyntax::V2);
    if (scoped->count() != 3 || !dynamic_cast<BerString *>(scoped->peek(0)) ||
        !dynamic_cast<BerString *>(scoped->peek(1)) || !dynamic_cast<BerSequence *>(scoped->peek(2)))
        throw BerDecodeError("scoped PDU is not (contextEngineID, contextName, PDU)");
    return scoped;
}

std::optional<std::int32_t> v3_message_id(std::span<const unsigned char> datagram) {
    try {
        Cursor message = Cursor(datagram, 0).enter(SEQUENCE_TAG, "message");
        if (message.number("version") != 3) return std::nullopt;
        return message.enter(SEQUENCE_TAG, "msgGlobalData").number("msgID");
    } catch (const BerDecodeError &) {
        return std::nullopt;
    }
}
