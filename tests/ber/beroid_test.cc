// Object identifiers: dotted text to content octets and back, sub-identifiers, prefixes, refusals.
#include "ber/beroid.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "tests/ber/ber_test_util.h"

namespace {

Bytes content(const BerOid &o) { return Bytes(o.data.get(), o.data.get() + o.oidbytes); }

struct OidCase {
    const char *text;
    const char *content;  // content octets
    const char *printed;  // the dotted form it prints back
};

const OidCase kOids[] = {
    {"1.3.6.1.2.1.1.3.0", "2b 06 01 02 01 01 03 00", "1.3.6.1.2.1.1.3.0"},
    {"1.3.6.1.4.1.11.2.4.3.5.1.0", "2b 06 01 04 01 0b 02 04 03 05 01 00", "1.3.6.1.4.1.11.2.4.3.5.1.0"},
    {"1.3.6.1.2.1.25.3.2.1.3.1", "2b 06 01 02 01 19 03 02 01 03 01", "1.3.6.1.2.1.25.3.2.1.3.1"},
    {"1.3.127", "2b 7f", "1.3.127"},
    {"1.3.128", "2b 81 00", "1.3.128"},
    {"1.3.200", "2b 81 48", "1.3.200"},
    {"1.3.16383", "2b ff 7f", "1.3.16383"},
    {"1.3.16384", "2b 81 80 00", "1.3.16384"},
    {"1.3.4294967295", "2b 8f ff ff ff 7f", "1.3.-1"},
    {"0.0", "00", "0.0"},
    {"2.999", "88 37", "26.39"},  // 40*2+999 = 1079 splits back as 26*40 + 39
    // A trailing dot adds no arc; two dots read an empty arc as 0.
    {"1.3.6.", "2b 06", "1.3.6"},
    {"1.3..6", "2b 00 06", "1.3.0.6"},
    {"1.3.", "2b", "1.3"},
    // One arc: encoded as a.0.
    {"1", "28", "1.0"},
    {"1.", "28", "1.0"},
};

TEST(BerOid, FromTextTable) {
    for (const auto &c : kOids) {
        SCOPED_TRACE(c.text);
        BerOid o(c.text, std::strlen(c.text));
        EXPECT_TRUE(SameBytes(H(c.content), content(o)));
        EXPECT_EQ(o.type(), OID_TAG);
        Bytes whole = H("06");
        whole.push_back(static_cast<unsigned char>(o.oidbytes));
        Bytes body = H(c.content);
        whole.insert(whole.end(), body.begin(), body.end());
        EXPECT_TRUE(SameBytes(whole, chunk_bytes(*o.getdata())));
    }
}

TEST(BerOid, PrintTable) {
    for (const auto &c : kOids) {
        SCOPED_TRACE(c.text);
        BerOid o(c.text);
        EXPECT_EQ(printed(o), c.printed);
    }
}

TEST(BerOid, WholeEncodingOfSysUpTime) {
    BerOid o("1.3.6.1.2.1.1.3.0");
    EXPECT_TRUE(SameBytes(H("06 08 2b 06 01 02 01 01 03 00"), chunk_bytes(*o.getdata())));
    EXPECT_EQ(o.totalLength(), 10u);
}

TEST(BerOid, LongContentGetsLongFormLength) {
    std::string text = "1.3";
    for (int i = 0; i < 130; ++i) text += ".1";
    BerOid o(text.c_str());
    EXPECT_EQ(o.oidbytes, 131u);
    Bytes enc = chunk_bytes(*o.getdata());
    EXPECT_TRUE(SameBytes(H("06 81 83"), Bytes(enc.begin(), enc.begin() + 3)));
    EXPECT_EQ(printed(o, 512), text);
}

TEST(BerOid, TextRefusals) {
    const char *bad[] = {"",
                         "1.3.x",
                         "1.3.-6",
                         "1.3.+6",
                         " 1.3",
                         "1.3.6 ",
                         "1,3,6",
                         "a.b.c",
                         "1.3.6.1x",
                         "1.3.72057594037927936",
                         "1801439850948199.0"};
    for (const char *t : bad) {
        SCOPED_TRACE(t);
        EXPECT_THROW(BerOid(t, std::strlen(t)), std::invalid_argument);
    }
    // A NUL before the given end is refused.
    EXPECT_THROW(BerOid("1.3\0.6", 6), std::invalid_argument);
    EXPECT_THROW(BerOid(static_cast<const char *>(nullptr), 3), std::invalid_argument);
    // The length bounds the read: only the first 3 characters count.
    BerOid cut("1.3.6.1", 3);
    EXPECT_TRUE(SameBytes(H("2b"), content(cut)));
    // The largest arc that fits 8 base-128 bytes.
    BerOid big("1.3.72057594037927935");
    EXPECT_TRUE(SameBytes(H("2b ff ff ff ff ff ff ff 7f"), content(big)));
}

struct SubidCase {
    std::uint64_t value;
    const char *bytes;
};

const SubidCase kSubids[] = {
    {0, "00"},
    {127, "7f"},
    {128, "81 00"},
    {200, "81 48"},
    {16383, "ff 7f"},
    {16384, "81 80 00"},
    {2147483648u, "88 80 80 80 00"},
    {4294967295u, "8f ff ff ff 7f"},
    {(std::uint64_t{1} << 56) - 1, "ff ff ff ff ff ff ff 7f"},
};

TEST(BerOid, PackSubidTable) {
    for (const auto &c : kSubids) {
        SCOPED_TRACE(c.value);
        unsigned char out[8 + 4];
        std::memset(out, 0xa5, sizeof out);
        int n = pack_subid(c.value, out);
        EXPECT_TRUE(SameBytes(H(c.bytes), Bytes(out, out + n)));
        for (std::size_t i = 8; i < sizeof out; ++i) EXPECT_EQ(out[i], 0xa5);
    }
    unsigned char out[16];
    EXPECT_THROW(pack_subid(std::uint64_t{1} << 56, out), std::invalid_argument);
}

TEST(BerOid, UnpackSubidTable) {
    for (const auto &c : kSubids) {
        if (c.value > 0xffffffffu) continue;
        SCOPED_TRACE(c.value);
        Bytes b = H(c.bytes);
        b.push_back(0x05);  // a following sub-identifier is not read
        int used = 0;
        EXPECT_EQ(unpack_subid(b.data(), b.size(), used), c.value);
        EXPECT_EQ(used, static_cast<int>(b.size() - 1));
    }
    // Redundant leading 0x80 bytes within 5 bytes are read as the value they carry.
    int used = 0;
    Bytes r = H("80 80 01");
    EXPECT_EQ(unpack_subid(r.data(), r.size(), used), 1u);
    EXPECT_EQ(used, 3);
}

const RefuseCase kSubidRefused[] = {
    {"six bytes", "81 80 80 80 80 00"},
    {"six bytes of redundant 0x80", "80 80 80 80 80 01"},
    {"five bytes all continuing", "81 80 80 80 80"},
    {"last byte missing", "81 80"},
    {"nothing at all", ""},
    {"over 32 bits", "90 80 80 80 00"},
};

TEST(BerOid, UnpackSubidRefusals) {
    for (const auto &c : kSubidRefused) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        int used = 0;
        EXPECT_THROW(unpack_subid(b.data(), b.size(), used), BerDecodeError);
    }
}

TEST(BerOid, DecodeKeepsBytesAndPrintsSigned) {
    Bytes b = H("06 08 2b 06 01 02 01 01 03 00");
    BerOid o(S(b));
    EXPECT_EQ(o.oidbytes, 8u);
    EXPECT_EQ(printed(o), "1.3.6.1.2.1.1.3.0");
    EXPECT_TRUE(SameBytes(b, chunk_bytes(*o.getdata())));
    // Sub-identifiers of 2^31 and more print as negative numbers, as "%d" shows them.
    EXPECT_EQ(printed(BerOid(S(H("06 06 2b 88 80 80 80 00")))), "1.3.-2147483648");
    // The first one is split by 40 as a signed number too.
    EXPECT_EQ(printed(BerOid(S(H("06 05 8f ff ff ff 7f")))), "0.-1");
    EXPECT_EQ(printed(BerOid(S(H("06 06 88 80 80 80 00 01")))), "-53687091.-8.1");
    // Long-form length of a received identifier.
    EXPECT_EQ(printed(BerOid(S(H("06 81 02 2b 06")))), "1.3.6");
}

TEST(BerOid, EmptyIdentifierPrintsEmpty) {
    BerOid o(S(H("06 00")));
    EXPECT_EQ(o.oidbytes, 0u);
    Guarded g(4);
    EXPECT_EQ(o.print(g.data(), 4), 0);
    EXPECT_EQ(g.buf[0], '\0');
    Guarded z(0);
    EXPECT_EQ(o.print(z.data(), 0), -1);
    EXPECT_TRUE(z.guard_intact());
    EXPECT_TRUE(o.prefixEquals(BerOid("1.3.6")));
}

const RefuseCase kOidRefused[] = {
    {"sub-identifier of 6 bytes", "06 07 2b 81 80 80 80 80 00"},
    {"last byte keeps its top bit", "06 03 2b 06 81"},
    {"only a continuation byte", "06 01 80"},
    {"sub-identifier over 32 bits", "06 06 2b 90 80 80 80 00"},
    {"wrong tag", "04 02 2b 06"},
    {"content past the data", "06 05 2b 06 01"},
    {"nine length bytes", "06 89 00 00 00 00 00 00 00 00 01 2b"},
};

TEST(BerOid, DecodeRefusals) {
    for (const auto &c : kOidRefused) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        EXPECT_THROW(BerOid{S(b)}, BerDecodeError);
    }
}

TEST(BerOid, EveryTruncationIsRefused) {
    Bytes b = H("06 0c 2b 06 01 04 01 0b 02 04 03 05 81 00");
    b[1] = static_cast<unsigned char>(b.size() - 2);
    ASSERT_NO_THROW(BerOid{S(b)});
    for (std::size_t cut = 0; cut < b.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(BerOid(std::span<const unsigned char>(part.data(), part.size())), BerDecodeError);
    }
}

TEST(BerOid, PrintTooSmallWritesNothingBeyond) {
    BerOid o("1.3.6.1.2.1.1.3.0");  // 17 characters and a NUL
    int r = 0;
    EXPECT_EQ(printed(o, 18, &r), "1.3.6.1.2.1.1.3.0");
    for (std::size_t size :
         {std::size_t{17}, std::size_t{10}, std::size_t{4}, std::size_t{3}, std::size_t{1}}) {
        SCOPED_TRACE(size);
        printed(o, size, &r);
        EXPECT_EQ(r, -1);
    }
}

struct PrefixCase {
    const char *a;
    const char *b;
    bool equal;
};

const PrefixCase kPrefixes[] = {
    {"1.3.6.1.2.1.25", "1.3.6.1.2.1.25.3.2.1.3.1", true},
    {"1.3.6.1.2.1.25.3.2.1.3.1", "1.3.6.1.2.1.25", true},
    {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.1.0", true},
    {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.2.0", false},
    {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.10", false},
    {"1.3.6.1.2.1.2.2.1.10", "1.3.6.1.2.1.2.2.1.1", false},
    {"1.3.6.1.2.1.43", "1.3.6.1.2.1.25", false},
};

TEST(BerOid, PrefixEqualsTable) {
    for (const auto &c : kPrefixes) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        BerOid a(c.a), b(c.b);
        EXPECT_EQ(a.prefixEquals(b), c.equal);
        EXPECT_EQ(a.prefixEquals(&b), c.equal);
    }
}

}  // namespace
