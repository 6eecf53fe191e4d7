// SNMPv3 user-based security: key vectors, digests, privacy, and the message
// and scoped PDU encodings with their bounded decoding.
#include "snmp/usm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"
#include "tests/snmp/snmp_test_util.h"

using snmp_test::hex;
using snmp_test::unhex;

namespace {

SecretBytes secret(const std::string &text) { return SecretBytes(text.data(), text.size()); }

std::string hex_of(const SecretBytes &s) { return hex(std::vector<unsigned char>(s.data(), s.data() + s.size())); }

struct KeyVector {
    const char *source;
    UsmAuth auth;
    const char *engineId;
    const char *ku;   // empty: not published
    const char *kul;
};

// RFC 3414 appendix A.3 gives MD5 and SHA for "maplesyrup" and engine ID
// 00...02. RFC 7860 publishes no vectors of its own; for the SHA-2 protocols
// (and again for MD5 and SHA) the localized keys below are the ones net-snmp
// 5.9.3's snmpd stored for createUser with "maplesyrup" and engine ID
// 80001f880470726f776c657474657374 (engineID "prowlettest").
const KeyVector kKeys[] = {
    {"RFC 3414 A.3.1", UsmAuth::MD5, "00 00 00 00 00 00 00 00 00 00 00 02", "9f af 32 83 88 4e 92 83 4e bc 98 47 d8 ed d9 63",
     "52 6f 5e ed 9f cc e2 6f 89 64 c2 93 07 87 d8 2b"},
    {"RFC 3414 A.3.2", UsmAuth::SHA1, "00 00 00 00 00 00 00 00 00 00 00 02",
     "9f b5 cc 03 81 49 7b 37 93 52 89 39 ff 78 8d 5d 79 14 52 11",
     "66 95 fe bc 92 88 e3 62 82 23 5f c7 15 1f 12 84 97 b3 8f 3f"},
    {"net-snmp MD5", UsmAuth::MD5, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "b1 30 f3 74 a0 8e 2d 7f 92 3b 47 b7 c7 31 f8 23"},
    {"net-snmp SHA", UsmAuth::SHA1, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "37 9e f5 67 c0 9c 0c 2a 8a a2 b4 88 4f 00 40 39 89 39 35 bd"},
    {"net-snmp SHA-224", UsmAuth::SHA224, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "14 73 93 57 f3 a3 85 df 8c 94 2e ec 2d 16 2f ec 86 02 03 95 b4 39 bf 0f 14 a4 e3 da"},
    {"net-snmp SHA-256", UsmAuth::SHA256, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "dd f4 fb 60 61 55 bf 57 e5 03 21 5f 0a 2a 45 c9 16 16 c2 93 18 b9 b9 27 ca f0 11 83 03 da ae f6"},
    {"net-snmp SHA-384", UsmAuth::SHA384, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "9b 65 48 8a 4d 0a d5 f6 b9 a9 e9 fb 42 d4 73 4d ae 8e 6a db c6 02 fd 56 c1 41 38 c9 9f 23 3f d4 28 e5 a8 16 "
     "2c 24 49 89 48 f9 42 65 5b 64 d6 22"},
    {"net-snmp SHA-512", UsmAuth::SHA512, "80 00 1f 88 04 70 72 6f 77 6c 65 74 74 65 73 74", "",
     "11 9c b3 cd ff b2 45 73 94 1f ed a0 2c 2a 43 40 63 e2 97 e6 98 93 c8 7b 9d 65 78 79 b8 46 58 b6 80 4c 48 2a "
     "24 4f ee 4d 4c 08 67 05 59 dd 28 b5 d8 2c df 96 6c 29 bd 43 0e f6 fa 89 83 30 77 0b"},
};

TEST(Usm, PasswordToKeyAndLocalizationMatchThePublishedKeys) {
    for (const KeyVector &v : kKeys) {
        SCOPED_TRACE(v.source);
        const SecretBytes ku = usm_password_to_key(v.auth, secret("maplesyrup"));
        if (*v.ku) {
            EXPECT_EQ(hex_of(ku), v.ku);
        }
        EXPECT_EQ(hex_of(usm_localize_key(v.auth, ku, unhex(v.engineId))), v.kul);
    }
}

TEST(Usm, DigestSizesFollowTheProtocols) {
    const struct {
        UsmAuth auth;
        std::size_t key, digest;
        const char *name;
    } rows[] = {{UsmAuth::MD5, 16, 12, "MD5"},         {UsmAuth::SHA1, 20, 12, "SHA"},
                {UsmAuth::SHA224, 28, 16, "SHA-224"}, {UsmAuth::SHA256, 32, 24, "SHA-256"},
                {UsmAuth::SHA384, 48, 32, "SHA-384"}, {UsmAuth::SHA512, 64, 48, "SHA-512"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(usm_key_size(r.auth), r.key);
        EXPECT_EQ(usm_digest_size(r.auth), r.digest);
        EXPECT_STREQ(usm_auth_name(r.auth), r.name);
    }
}

TEST(Usm, SignedMessagesVerifyAndAnyChangeIsCaught) {
    for (UsmAuth auth : {UsmAuth::MD5, UsmAuth::SHA1, UsmAuth::SHA256, UsmAuth::SHA512}) {
        SCOPED_TRACE(usm_auth_name(auth));
        const SecretBytes key = usm_localize_key(auth, usm_password_to_key(auth, secret("maplesyrup")),
                                                 unhex("80 00 00 01"));
        std::vector<unsigned char> message(100, 0x5a);
        const std::size_t at = 40;
        std::memset(message.data() + at, 0, usm_digest_size(auth));
        usm_sign(auth, key, message, at);
        EXPECT_TRUE(usm_verify(auth, key, message, at));
        for (std::size_t i = 0; i < message.size(); i += 7) {
            std::vector<unsigned char> changed = message;
            changed[i] ^= 0x01;
            EXPECT_FALSE(usm_verify(auth, key, changed, at)) << "byte " << i;
        }
        const SecretBytes other = usm_localize_key(auth, usm_password_to_key(auth, secret("maplesyrop")),
                                                   unhex("80 00 00 01"));
        EXPECT_FALSE(usm_verify(auth, other, message, at));
        EXPECT_FALSE(usm_verify(auth, key, message, message.size() - 3));  // field outside the message
    }
}

TEST(Usm, PrivacyRoundTripsAndDependsOnKeyAndClock) {
    const SecretBytes key = usm_localize_key(UsmAuth::SHA1, usm_password_to_key(UsmAuth::SHA1, secret("maplesyrup")),
                                             unhex("80 00 00 01"));
    const std::vector<unsigned char> plain = unhex("30 0d 04 00 04 00 a0 07 02 01 01 02 01 00 02 01 00");
    for (UsmPriv priv : {UsmPriv::DES, UsmPriv::AES128}) {
        SCOPED_TRACE(usm_priv_name(priv));
        std::array<unsigned char, 8> salt{};
        const auto cipher = usm_encrypt(priv, key, 7, 1000, 0x0102030405060708ull, plain, salt);
        // DES pads to whole blocks; AES-CFB keeps the length.
        EXPECT_EQ(cipher.size(), priv == UsmPriv::DES ? 24u : plain.size());
        EXPECT_EQ(hex(std::vector<unsigned char>(salt.begin(), salt.end())),
                  priv == UsmPriv::DES ? "00 00 00 07 05 06 07 08" : "01 02 03 04 05 06 07 08");
        auto back = usm_decrypt(priv, key, 7, 1000, salt, cipher);
        ASSERT_TRUE(back.has_value());
        back->resize(plain.size());
        EXPECT_EQ(*back, plain);
        // AES's IV holds the engine clock; DES's does not.
        auto later = usm_decrypt(priv, key, 7, 1001, salt, cipher);
        ASSERT_TRUE(later.has_value());
        later->resize(plain.size());
        EXPECT_EQ(*later == plain, priv == UsmPriv::DES);
        EXPECT_FALSE(usm_decrypt(priv, key, 7, 1000, std::span(salt.data(), 7), cipher).has_value());
    }
    std::array<unsigned char, 8> salt{};
    const auto des = usm_encrypt(UsmPriv::DES, key, 1, 1, 1, plain, salt);
    EXPECT_FALSE(usm_decrypt(UsmPriv::DES, key, 1, 1, salt, std::span(des.data(), des.size() - 1)).has_value());
}

TEST(Usm, SecretsAreMovedNotCopiedAndCanBeCut) {
    SecretBytes a = secret("authpassphrase");
    SecretBytes b = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.size(), 14u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(b.first(4).data()), 4), "auth");
    EXPECT_THROW(b.first(15), std::logic_error);
    b.wipe();
    EXPECT_TRUE(b.empty());
    EXPECT_THROW(usm_password_to_key(UsmAuth::MD5, SecretBytes()), std::invalid_argument);
}

TEST(Usm, ReportsAreNamedByTheirCounter) {
    const struct {
        const char *oid;
        UsmReport kind;
    } rows[] = {{"1.3.6.1.6.3.15.1.1.1.0", UsmReport::UnsupportedLevel}, {"1.3.6.1.6.3.15.1.1.2.0", UsmReport::NotInTimeWindow},
                {"1.3.6.1.6.3.15.1.1.3.0", UsmReport::UnknownUser},      {"1.3.6.1.6.3.15.1.1.4.0", UsmReport::UnknownEngineId},
                {"1.3.6.1.6.3.15.1.1.5.0", UsmReport::WrongDigest},      {"1.3.6.1.6.3.15.1.1.6", UsmReport::DecryptionError},
                {"1.3.6.1.6.3.15.1.1.7.0", UsmReport::Other},            {"1.3.6.1.6.3.11.2.1.3.0", UsmReport::Other},
                {"1.3.6.1.6.3.15.1.1.40.0", UsmReport::Other},           {"", UsmReport::Other}};
    for (const auto &r : rows) EXPECT_EQ(classify_report(r.oid), r.kind) << r.oid;
}

// ---------------------------------------------------------------- messages

using B = std::vector<unsigned char>;
constexpr int GET_REQ = 0xa0;

B tlv(int tag, const B &content) {
    unsigned char h[8];
    const std::size_t n = write_header(tag, content.size(), h);
    B out(h, h + n);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}
B cat(std::initializer_list<B> parts) {
    B out;
    for (const B &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
B integer(const char *hexContent) { return tlv(INT_TAG, unhex(hexContent)); }
B octets(const char *hexContent) { return tlv(STRING_TAG, unhex(hexContent)); }

V3Encoded sample_message(unsigned char flags, const std::vector<unsigned char> &data) {
    V3Header h;
    h.msgId = 0x1234;
    h.maxSize = 10240;
    h.flags = flags;
    UsmParameters u;
    u.engineId = unhex("80 00 1f 88 04 66 61 6b 65");
    u.boots = 3;
    u.time = 1000;
    u.userName = "admin";
    u.authParams.assign(12, 0);
    u.privParams = unhex("00 00 00 03 00 00 00 01");
    return encode_v3_message(h, u, data);
}

const std::vector<unsigned char> kScoped = unhex("30 13 04 00 04 00 a2 0d 02 01 05 02 01 00 02 01 00 30 02 30 00");

TEST(V3Message, EncodesAndTakesApartTheSameFields) {
    for (bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted ? "encrypted" : "plain");
        const unsigned char flags = V3_FLAG_AUTH | V3_FLAG_REPORTABLE | (encrypted ? V3_FLAG_PRIV : 0);
        const V3Encoded m = sample_message(flags, kScoped);
        const V3Parsed p = parse_v3_message(m.bytes);
        EXPECT_EQ(p.header.msgId, 0x1234);
        EXPECT_EQ(p.header.maxSize, 10240);
        EXPECT_EQ(p.header.flags, flags);
        EXPECT_EQ(p.header.securityModel, USM_SECURITY_MODEL);
        EXPECT_EQ(hex(p.usm.engineId), "80 00 1f 88 04 66 61 6b 65");
        EXPECT_EQ(p.usm.boots, 3);
        EXPECT_EQ(p.usm.time, 1000);
        EXPECT_EQ(p.usm.userName, "admin");
        EXPECT_EQ(p.usm.privParams.size(), 8u);
        EXPECT_EQ(p.digestOffset, m.digestOffset);
        EXPECT_EQ(p.encrypted, encrypted);
        EXPECT_EQ(std::vector<unsigned char>(p.data.begin(), p.data.end()), kScoped);
        EXPECT_EQ(v3_message_id(m.bytes), 0x1234);
        // The whole message decodes as BER too (as the packet log shows it).
        EXPECT_NO_THROW(BerSequence(m.bytes.data(), m.bytes.size()));
    }
    EXPECT_EQ(decode_scoped_pdu(kScoped)->count(), 3u);
}

TEST(V3Message, MalformedMessagesAreRefused) {
    const V3Encoded good = sample_message(V3_FLAG_AUTH, kScoped);
    std::vector<unsigned char> b = good.bytes;
    // Every truncation of a valid message is refused, and no msgID is read
    // from a message cut inside its header.
    for (std::size_t cut = 0; cut < b.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::vector<unsigned char> part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(parse_v3_message(part), BerDecodeError);
    }
    // Messages laid out field by field, each with one field wrong.
    const B scoped = tlv(SEQUENCE_TAG, cat({octets(""), octets(""), tlv(GET_REQ, {})}));
    const B zero = integer("00");
    const std::string name33(66, '0');
    auto usm = [&](const B &engine, const B &user) {
        return tlv(STRING_TAG, tlv(SEQUENCE_TAG, cat({engine, zero, zero, user, octets(""), octets("")})));
    };
    auto global = [&](const B &msgId, const B &flags) {
        return tlv(SEQUENCE_TAG, cat({msgId, integer("05 dc"), flags, integer("03")}));
    };
    auto message = [&](const B &version, const B &g, const B &security, const B &data) {
        return tlv(SEQUENCE_TAG, cat({version, g, security, data}));
    };
    const B v3 = integer("03"), id = integer("01"), plain = octets("00"), noUsm = usm(octets(""), octets(""));
    EXPECT_NO_THROW(parse_v3_message(message(v3, global(id, plain), noUsm, scoped)));
    const struct {
        const char *name;
        B bytes;
    } rows[] = {
        {"SNMPv1 message", unhex("30 0b 02 01 00 04 01 41 a2 03 02 01 00")},
        {"version 2", message(integer("02"), global(id, plain), noUsm, scoped)},
        {"flags of two bytes", message(v3, global(id, octets("00 00")), noUsm, scoped)},
        {"msgID negative", message(v3, global(integer("ff"), plain), noUsm, scoped)},
        {"msgID of 6 bytes", message(v3, global(integer("00 00 00 00 00 01"), plain), noUsm, scoped)},
        {"msgID over 2^31-1", message(v3, global(integer("00 80 00 00 00"), plain), noUsm, scoped)},
        {"security parameters not an OCTET STRING",
         message(v3, global(id, plain), tlv(SEQUENCE_TAG, cat({octets(""), zero, zero, octets(""), octets(""), octets("")})),
                 scoped)},
        {"security parameters missing a field",
         message(v3, global(id, plain), tlv(STRING_TAG, tlv(SEQUENCE_TAG, cat({octets(""), zero, zero}))), scoped)},
        {"privacy flagged, scoped PDU in plain", message(v3, global(id, octets("03")), noUsm, scoped)},
        {"no privacy flagged, scoped PDU encrypted", message(v3, global(id, plain), noUsm, octets("01 02 03"))},
        {"engine ID of 33 bytes", message(v3, global(id, plain), usm(octets(name33.c_str()), octets("")), scoped)},
        {"user name of 33 bytes", message(v3, global(id, plain), usm(octets(""), octets(name33.c_str())), scoped)},
        {"no scoped PDU", message(v3, global(id, plain), noUsm, {})},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_THROW(parse_v3_message(r.bytes), BerDecodeError);
    }
    EXPECT_FALSE(v3_message_id(unhex("30 0b 02 01 00 04 01 41 a2 03 02 01 00")).has_value());
    EXPECT_THROW(decode_scoped_pdu(unhex("30 05 04 00 04 00 05")), BerDecodeError);
    EXPECT_THROW(decode_scoped_pdu(unhex("30 06 04 00 02 00 30 00")), BerDecodeError);
}

}  // namespace
