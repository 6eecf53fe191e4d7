// The values only SNMPv2c and SNMPv3 replies carry: Counter64 and the
// exceptions, accepted with BerSyntax::V2 and refused in SNMPv1 replies.
#include "ber/berv2.h"

#include <gtest/gtest.h>

#include <string>

#include "ber/berseq.h"
#include "tests/ber/ber_test_util.h"

namespace {

// A GetResponse (version 1, community "public", request id 1) whose one
// binding, 1.3.6.1.2.1.1.3.0, holds the value given in hex.
Bytes response_with(const std::string &valueHex) {
    Bytes binding = H("06 08 2b 06 01 02 01 01 03 00 " + valueHex);
    auto wrap = [](int tag, const Bytes &content) {
        unsigned char h[6];
        const std::size_t n = write_header(tag, content.size(), h);
        Bytes out(h, h + n);
        out.insert(out.end(), content.begin(), content.end());
        return out;
    };
    Bytes pdu = H("02 01 01 02 01 00 02 01 00");
    const Bytes list = wrap(SEQUENCE_TAG, wrap(SEQUENCE_TAG, binding));
    pdu.insert(pdu.end(), list.begin(), list.end());
    Bytes message = H("02 01 01 04 06 70 75 62 6c 69 63");
    const Bytes p = wrap(GET_RESP_TAG, pdu);
    message.insert(message.end(), p.begin(), p.end());
    return wrap(SEQUENCE_TAG, message);
}

BerBase *value_of(BerSequence &message) {
    auto *pdu = dynamic_cast<BerSequence *>(message.peek(2));
    auto *list = dynamic_cast<BerSequence *>(pdu->peek(3));
    return dynamic_cast<BerSequence *>(list->peek(0))->peek(1);
}

struct Accepted {
    const char *name;
    const char *value;
    int tag;
    const char *printed;
};

const Accepted kAccepted[] = {
    {"Counter64 zero, no content", "46 00", COUNTER64_TAG, "0"},
    {"Counter64 one byte", "46 01 05", COUNTER64_TAG, "5"},
    {"Counter64 above 32 bits", "46 05 01 00 00 00 00", COUNTER64_TAG, "4294967296"},
    {"Counter64 2^64-1 with its leading zero", "46 09 00 ff ff ff ff ff ff ff ff", COUNTER64_TAG,
     "18446744073709551615"},
    {"Counter64 8 bytes with the top bit", "46 08 80 00 00 00 00 00 00 00", COUNTER64_TAG, "9223372036854775808"},
    {"noSuchObject", "80 00", NO_SUCH_OBJECT_TAG, "noSuchObject"},
    {"noSuchInstance", "81 00", NO_SUCH_INSTANCE_TAG, "noSuchInstance"},
    {"endOfMibView", "82 00", END_OF_MIB_VIEW_TAG, "endOfMibView"},
};

TEST(BerV2, ValuesOfSnmpV2AreReadWithTheV2Syntax) {
    for (const Accepted &c : kAccepted) {
        SCOPED_TRACE(c.name);
        const Bytes b = response_with(c.value);
        BerSequence message(S(b), BerSyntax::V2);
        BerBase *v = value_of(message);
        EXPECT_EQ(v->type(), c.tag);
        EXPECT_EQ(printed(*v), c.printed);
        EXPECT_EQ(is_exception(v), c.tag != COUNTER64_TAG);
        EXPECT_TRUE(SameBytes(H(c.value), chain_bytes(*v)));
        EXPECT_TRUE(SameBytes(b, chunk_bytes(*message.encode())));
    }
}

TEST(BerV2, SnmpV1RepliesStillRefuseThem) {
    for (const Accepted &c : kAccepted) {
        SCOPED_TRACE(c.name);
        const Bytes b = response_with(c.value);
        try {
            BerSequence message{S(b)};
            ADD_FAILURE() << "accepted in an SNMPv1 reply";
        } catch (const BerDecodeError &e) {
            EXPECT_EQ(std::string(e.what()).rfind("unsupported tag 0x", 0), 0u) << e.what();
        }
    }
}

TEST(BerV2, MalformedValuesAreRefusedInTheV2SyntaxToo) {
    const RefuseCase cases[] = {
        {"Counter64 of 10 bytes", "46 0a 00 01 00 00 00 00 00 00 00 00"},
        {"Counter64 of 9 bytes without the leading zero", "46 09 01 00 00 00 00 00 00 00 00"},
        {"long-form Counter64 length", "46 81 01 05"},
        {"exception with content", "82 01 00"},
        {"exception tag 0x83", "83 00"},
        {"Gauge32 stays refused", "42 01 05"},
        {"Opaque stays refused", "44 02 9f 78"},
    };
    for (const RefuseCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes b = response_with(c.bytes);
        EXPECT_THROW(BerSequence(S(b), BerSyntax::V2), BerDecodeError);
    }
}

TEST(BerV2, EveryTruncationIsRefused) {
    const Bytes b = response_with("46 09 00 ff ff ff ff ff ff ff ff 30 04 06 00 82 00");
    for (std::size_t cut = 0; cut < b.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(BerSequence(S(part), BerSyntax::V2), BerDecodeError);
    }
}

TEST(BerV2, BuiltValuesEncodeMinimally) {
    EXPECT_TRUE(SameBytes(H("46 01 00"), chunk_bytes(*BerCounter64(0).encode())));
    EXPECT_TRUE(SameBytes(H("46 02 00 80"), chunk_bytes(*BerCounter64(128).encode())));
    EXPECT_TRUE(SameBytes(H("46 09 00 ff ff ff ff ff ff ff ff"),
                          chunk_bytes(*BerCounter64(~std::uint64_t{0}).encode())));
    EXPECT_TRUE(SameBytes(H("82 00"), chunk_bytes(*BerException(END_OF_MIB_VIEW_TAG).encode())));
    EXPECT_THROW(BerException(0x83), std::invalid_argument);
    // The display forms fit exactly or fail.
    BerException e(NO_SUCH_INSTANCE_TAG);
    char buf[14];
    EXPECT_EQ(e.print(buf, 14), 14);
    EXPECT_EQ(e.print(buf, 13), -1);
}

}  // namespace
