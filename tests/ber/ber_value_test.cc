// Length fields, chunks and the scalar values: encodings, decodings, display forms, refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "ber/ber.h"
#include "tests/ber/ber_test_util.h"

namespace {

// ---------------------------------------------------------------- length fields

struct LenCase {
    std::size_t length;
    const char *header;  // after the tag byte
    unsigned headerlen;
};

const LenCase kLengths[] = {
    {0, "00", 2},
    {5, "05", 2},
    {127, "7f", 2},
    {128, "81 80", 3},
    {255, "81 ff", 3},
    {256, "82 01 00", 4},
    {65535, "82 ff ff", 4},
    {65536, "83 01 00 00", 5},
    {16777215, "83 ff ff ff", 5},
    {16777216, "84 01 00 00 00", 6},
    {4294967295u, "84 ff ff ff ff", 6},
};

TEST(BerLength, WriteHeaderAndUnpackLenRoundTrip) {
    for (const auto &c : kLengths) {
        SCOPED_TRACE(c.length);
        unsigned char out[6];
        std::size_t h = write_header(STRING_TAG, c.length, out);
        Bytes want = H("04");
        Bytes tail = H(c.header);
        want.insert(want.end(), tail.begin(), tail.end());
        EXPECT_TRUE(SameBytes(want, Bytes(out, out + h)));
        unsigned char hl = 0;
        EXPECT_EQ(unpack_len(want.data(), want.size(), hl), c.length);
        EXPECT_EQ(hl, c.headerlen);
    }
}

TEST(BerLength, PackHeaderAllocatesHeaderPlusContent) {
    for (std::size_t len : {std::size_t{0}, std::size_t{127}, std::size_t{128}, std::size_t{300},
                            std::size_t{65536}, std::size_t{16777216}}) {
        SCOPED_TRACE(len);
        unsigned char hl = 0;
        auto buf = pack_header(OID_TAG, len, hl);
        unsigned char want[6];
        std::size_t h = write_header(OID_TAG, len, want);
        ASSERT_EQ(hl, h);
        EXPECT_TRUE(SameBytes(Bytes(want, want + h), Bytes(buf.get(), buf.get() + h)));
        buf[h + len - 1] = 0;  // the last byte is inside the buffer (ASan checks)
    }
}

TEST(BerLength, PackHeaderRefusesLengthsBeyond32Bits) {
    unsigned char hl = 0;
    unsigned char out[6];
    EXPECT_THROW(write_header(STRING_TAG, std::size_t{1} << 32, out), std::length_error);
    EXPECT_THROW(pack_header(STRING_TAG, std::size_t{1} << 32, hl), std::length_error);
}

struct UnpackCase {
    const char *name;
    const char *bytes;
    std::uint64_t length;
    unsigned headerlen;
};

const UnpackCase kUnpack[] = {
    {"long form 300", "04 82 01 2c", 300, 4},
    {"0x80 reads as zero", "30 80", 0, 2},
    {"non-minimal 3", "04 81 03", 3, 3},
    {"eight length bytes", "04 88 00 00 00 00 00 00 01 00", 256, 10},
};

TEST(BerLength, UnpackLenTable) {
    for (const auto &c : kUnpack) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        unsigned char hl = 0;
        EXPECT_EQ(unpack_len(b.data(), b.size(), hl), c.length);
        EXPECT_EQ(hl, c.headerlen);
    }
}

const RefuseCase kBadHeaders[] = {
    {"empty", ""},
    {"tag only", "04"},
    {"nine length bytes", "04 89 00 00 00 00 00 00 00 00 01"},
    {"0xff length byte", "04 ff 00"},
    {"long form cut short", "04 82 01"},
    {"long form with no length bytes present", "04 84"},
};

TEST(BerLength, UnpackLenRefusesBrokenHeaders) {
    for (const auto &c : kBadHeaders) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        unsigned char hl = 0;
        EXPECT_THROW(unpack_len(b.data(), b.size(), hl), BerDecodeError);
    }
}

TEST(BerLength, ValueSizeRefusesContentBeyondTheData) {
    EXPECT_EQ(ber_value_size(H("04 03 61 62 63").data(), 5), 5u);
    EXPECT_EQ(ber_value_size(H("04 03 61 62 63 ff ff").data(), 7), 5u);
    Bytes b = H("04 03 61 62");
    EXPECT_THROW(ber_value_size(b.data(), b.size()), BerDecodeError);
    // A length near 2^64 must not wrap around the bounds check.
    Bytes huge = H("04 88 ff ff ff ff ff ff ff ff 00");
    EXPECT_THROW(ber_value_size(huge.data(), huge.size()), BerDecodeError);
    Bytes big = H("04 84 ff ff ff f0 00");
    EXPECT_THROW(ber_value_size(big.data(), big.size()), BerDecodeError);
}

TEST(BerEncodedData, OwnsItsBufferAndStartsUnlinked) {
    auto buf = std::make_unique<unsigned char[]>(3);
    buf[0] = 5;
    BerEncodedData d(std::move(buf), 3);
    EXPECT_EQ(d.Length(), 3u);
    EXPECT_EQ(d.Data()[0], 5);
    EXPECT_EQ(d.next, nullptr);
    EXPECT_THROW(BerEncodedData(nullptr, 0), std::logic_error);
}

// ---------------------------------------------------------------- BerInt

struct IntEncodeCase {
    std::int64_t value;
    const char *bytes;
};

const IntEncodeCase kIntEncode[] = {
    {0, "02 01 00"},
    {5, "02 01 05"},
    {127, "02 01 7f"},
    {128, "02 02 00 80"},
    {255, "02 02 00 ff"},
    {256, "02 02 01 00"},
    {32768, "02 03 00 80 00"},
    {2147483647, "02 04 7f ff ff ff"},
    {2147483648LL, "02 05 00 80 00 00 00"},
    {std::numeric_limits<std::int64_t>::max(), "02 08 7f ff ff ff ff ff ff ff"},
    {-1, "02 08 ff ff ff ff ff ff ff ff"},
    {-128, "02 08 ff ff ff ff ff ff ff 80"},
    {std::numeric_limits<std::int64_t>::min(), "02 08 80 00 00 00 00 00 00 00"},
};

TEST(BerInt, EncodeTable) {
    for (const auto &c : kIntEncode) {
        SCOPED_TRACE(c.value);
        BerInt v(c.value);
        EXPECT_EQ(v.type(), INT_TAG);
        EXPECT_TRUE(SameBytes(H(c.bytes), chunk_bytes(*v.getdata())));
        EXPECT_EQ(v.totalLength(), H(c.bytes).size());
        // The cache is made once and kept.
        EXPECT_EQ(v.getdata(), v.getdata());
        // What the program encodes decodes back to the same number.
        BerInt back(S(H(c.bytes)));
        EXPECT_EQ(back.value, c.value);
    }
}

struct IntDecodeCase {
    const char *bytes;
    std::int64_t value;
    int type;
};

const IntDecodeCase kIntDecode[] = {
    {"02 01 ff", -1, INT_TAG},
    {"02 02 00 ff", 255, INT_TAG},
    {"02 02 ff 7f", -129, INT_TAG},
    {"02 04 80 00 00 00", -2147483648LL, INT_TAG},
    {"02 00", 0, INT_TAG},
    {"02 08 80 00 00 00 00 00 00 00", std::numeric_limits<std::int64_t>::min(), INT_TAG},
    {"41 01 ff", 255, COUNTER_TAG},
    {"41 04 ff ff ff ff", 4294967295LL, COUNTER_TAG},
    {"41 05 00 80 00 00 00", 2147483648LL, COUNTER_TAG},
    {"41 08 7f ff ff ff ff ff ff ff", std::numeric_limits<std::int64_t>::max(), COUNTER_TAG},
    {"41 00", 0, COUNTER_TAG},
};

TEST(BerInt, DecodeTable) {
    for (const auto &c : kIntDecode) {
        SCOPED_TRACE(c.bytes);
        Bytes b = H(c.bytes);
        BerInt v(S(b));
        EXPECT_EQ(v.value, c.value);
        EXPECT_EQ(v.type(), c.type);
        // A decoded value keeps its received bytes: a Counter re-sent stays a Counter.
        EXPECT_TRUE(SameBytes(b, chunk_bytes(*v.getdata())));
    }
}

const RefuseCase kIntRefused[] = {
    {"8-byte Counter with top bit", "41 08 80 00 00 00 00 00 00 00"},
    {"8-byte Counter all ones", "41 08 ff ff ff ff ff ff ff ff"},
    {"long-form INTEGER length", "02 81 01 05"},
    {"long-form Counter length", "41 81 01 05"},
    {"INTEGER of 9 bytes", "02 09 00 00 00 00 00 00 00 00 01"},
    {"wrong tag", "04 01 05"},
    {"Gauge tag", "42 01 05"},
    {"content past the data", "02 02 01"},
};

TEST(BerInt, DecodeRefusals) {
    for (const auto &c : kIntRefused) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        EXPECT_THROW(BerInt{S(b)}, BerDecodeError);
    }
}

TEST(BerInt, PrintTable) {
    EXPECT_EQ(printed(BerInt(0)), "0");
    EXPECT_EQ(printed(BerInt(-1)), "-1");
    EXPECT_EQ(printed(BerInt(2147483648LL)), "2147483648");
    EXPECT_EQ(printed(BerInt(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
    // The form is followed by a NUL, which must fit too.
    int r = 0;
    EXPECT_EQ(printed(BerInt(12345), 6, &r), "12345");
    EXPECT_EQ(printed(BerInt(12345), 5, &r), "<-1>");
    EXPECT_EQ(r, -1);
    Guarded g(6);
    ASSERT_EQ(BerInt(12345).print(g.data(), 6), 5);
    EXPECT_EQ(g.buf[5], '\0');
}

// ---------------------------------------------------------------- BerTimeTick

struct TickPrintCase {
    std::uint64_t ticks;
    const char *form;
};

const TickPrintCase kTicks[] = {
    {0, "Time: 0d 0h 0m 0.0sec (0)"},
    {105, "Time: 0d 0h 0m 1.5sec (105)"},
    {6000, "Time: 0d 0h 1m 0.0sec (6000)"},
    {360000, "Time: 0d 1h 0m 0.0sec (360000)"},
    {8640000, "Time: 1d 0h 0m 0.0sec (8640000)"},
    {4294967295u, "Time: 497d 2h 27m 52.95sec (4294967295)"},
};

TEST(BerTimeTick, PrintTable) {
    for (const auto &c : kTicks) {
        SCOPED_TRACE(c.ticks);
        EXPECT_EQ(printed(BerTimeTick(c.ticks)), c.form);
    }
    std::string full = printed(BerTimeTick(0));
    int r = 0;
    printed(BerTimeTick(0), full.size(), &r);
    EXPECT_EQ(r, -1) << "no room for the NUL";
    printed(BerTimeTick(0), full.size() + 1, &r);
    EXPECT_EQ(r, static_cast<int>(full.size()));
}

TEST(BerTimeTick, DecodeAndEncode) {
    Bytes b = H("43 04 ff ff ff ff");
    BerTimeTick t(S(b));
    EXPECT_EQ(t.value, 4294967295u);
    EXPECT_EQ(t.type(), TIME_TICK_TAG);
    EXPECT_TRUE(SameBytes(b, chunk_bytes(*t.getdata())));
    EXPECT_EQ(BerTimeTick(S(H("43 00"))).value, 0u);
    EXPECT_EQ(BerTimeTick(S(H("43 08 ff ff ff ff ff ff ff ff"))).value,
              std::numeric_limits<std::uint64_t>::max());

    EXPECT_TRUE(SameBytes(H("43 01 00"), chunk_bytes(*BerTimeTick(0).getdata())));
    // No zero byte is put back in front of a top bit.
    EXPECT_TRUE(SameBytes(H("43 01 80"), chunk_bytes(*BerTimeTick(128).getdata())));
    EXPECT_TRUE(SameBytes(H("43 02 17 70"), chunk_bytes(*BerTimeTick(6000).getdata())));
}

const RefuseCase kTickRefused[] = {
    {"9 content bytes", "43 09 00 00 00 00 00 00 00 00 01"},
    {"long form", "43 81 01 05"},
    {"wrong tag", "02 01 05"},
    {"cut short", "43 04 00 00"},
};

TEST(BerTimeTick, DecodeRefusals) {
    for (const auto &c : kTickRefused) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        EXPECT_THROW(BerTimeTick{S(b)}, BerDecodeError);
    }
}

// ---------------------------------------------------------------- BerNull

TEST(BerNull, EncodeDecodePrint) {
    BerNull n;
    EXPECT_TRUE(SameBytes(H("05 00"), chunk_bytes(*n.getdata())));
    EXPECT_EQ(n.type(), NULL_TAG);
    BerNull d(S(H("05 00")));
    EXPECT_EQ(d.type(), NULL_TAG);
    int r = 0;
    EXPECT_EQ(printed(n, 4, &r), "NULL");
    EXPECT_EQ(r, 4);
    Guarded g(3);
    EXPECT_EQ(n.print(g.data(), 3), -1);
    EXPECT_TRUE(g.guard_intact());
    EXPECT_EQ(g.buf[0], static_cast<char>(Guarded::MAGIC)) << "nothing written when it does not fit";
}

TEST(BerNull, DecodeRefusals) {
    for (const char *bytes : {"05 01 00", "05 81 00", "05 80", "04 00", "05"}) {
        SCOPED_TRACE(bytes);
        Bytes b = H(bytes);
        EXPECT_THROW(BerNull{S(b)}, BerDecodeError);
    }
}

// ---------------------------------------------------------------- BerString

TEST(BerString, PrintEscapesControlAndHighBytes) {
    const unsigned char bytes[] = {0x41, 0x0a, 0x42, 0x80};
    BerString s(bytes, 4);
    int r = 0;
    EXPECT_EQ(printed(s, 256, &r), "A\\0x0aB\\0x80");
    EXPECT_EQ(r, 12);

    const unsigned char all[] = {0x00, 0x09, 0x1f, 0x20, 0x7e, 0x7f, 0xff, 'z'};
    EXPECT_EQ(printed(BerString(all, sizeof all)), "\\0x00\\0x09\\0x1f ~\\0x7f\\0xffz");
}

TEST(BerString, PrintEmptyAndTooSmall) {
    BerString empty("", 0);
    Guarded g(4);
    EXPECT_EQ(empty.print(g.data(), 4), 0);
    EXPECT_EQ(g.buf[0], static_cast<char>(Guarded::MAGIC)) << "an empty string writes nothing";
    Guarded z(0);
    EXPECT_EQ(empty.print(z.data(), 0), 0);

    BerString s("abc", 3);
    int r = 0;
    EXPECT_EQ(printed(s, 4, &r), "abc");
    printed(s, 3, &r);
    EXPECT_EQ(r, -1);
    const unsigned char ctl[] = {0x01};
    printed(BerString(ctl, 1), 5, &r);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(printed(BerString(ctl, 1), 6, &r), "\\0x01");
}

TEST(BerString, EncodeShortAndLongForm) {
    EXPECT_TRUE(SameBytes(H("04 03 61 62 63"), chunk_bytes(*BerString("abc", 3).getdata())));
    EXPECT_TRUE(SameBytes(H("04 00"), chunk_bytes(*BerString("", 0).getdata())));
    std::string s200(200, 'x');
    BerString s(s200.data(), s200.size());
    Bytes enc = chunk_bytes(*s.getdata());
    ASSERT_EQ(enc.size(), 203u);
    EXPECT_TRUE(SameBytes(H("04 81 c8"), Bytes(enc.begin(), enc.begin() + 3)));
    EXPECT_EQ(s.totalLength(), 203u);
    std::string s127(127, 'y');
    EXPECT_EQ(BerString(s127.data(), 127).getdata()->Data()[1], 0x7f);
    std::string s128(128, 'y');
    EXPECT_EQ(BerString(s128.data(), 128).getdata()->Data()[1], 0x81);
    EXPECT_THROW(BerString(nullptr, 0), std::invalid_argument);
}

TEST(BerString, DecodeKeepsReceivedBytes) {
    Bytes b = H("04 81 03 61 00 62");
    BerString s(S(b));
    EXPECT_EQ(s.stringlen, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(s.data.get()), 3), std::string("a\0b", 3));
    EXPECT_TRUE(SameBytes(b, chunk_bytes(*s.getdata())));
    EXPECT_EQ(s.c_str_value(), "a");
    BerString e(S(H("04 00")));
    EXPECT_EQ(e.stringlen, 0u);
    EXPECT_NE(e.data.get(), nullptr);
}

TEST(BerString, DecodeRefusals) {
    for (const char *bytes : {"04 03 61 62", "04 82 00", "02 01 00", "04 89 00 00 00 00 00 00 00 00 01"}) {
        SCOPED_TRACE(bytes);
        Bytes b = H(bytes);
        EXPECT_THROW(BerString{S(b)}, BerDecodeError);
    }
}

TEST(BerString, CopyWithRoomAndTooSmall) {
    BerString s("0123456789", 10);
    {
        Guarded g(12);
        EXPECT_EQ(s.copy(g.data(), 12), 10u);
        EXPECT_EQ(std::string(g.data()), "0123456789");
        EXPECT_EQ(g.buf[11], static_cast<char>(Guarded::MAGIC)) << "11 bytes written";
        EXPECT_TRUE(g.guard_intact());
    }
    // Too small: cut to fit, NUL-terminated, nothing beyond the buffer.
    for (std::size_t len : {std::size_t{11}, std::size_t{5}, std::size_t{1}}) {
        SCOPED_TRACE(len);
        Guarded g(len);
        EXPECT_EQ(s.copy(g.data(), len), 10u);
        EXPECT_EQ(std::string(g.data()), std::string("0123456789").substr(0, len - 1));
        EXPECT_TRUE(g.guard_intact());
    }
    Guarded z(0);
    EXPECT_EQ(s.copy(z.data(), 0), 10u);
    EXPECT_TRUE(z.guard_intact());
    // An embedded NUL shortens the string as a C reader sees it.
    BerString n("ab\0cd", 5);
    Guarded g(8);
    EXPECT_EQ(n.copy(g.data(), 8), 5u);
    EXPECT_EQ(std::string(g.data()), "ab");
}

// ---------------------------------------------------------------- BerIPAddr

TEST(BerIPAddr, EncodeDecodePrint) {
    const unsigned char a[] = {0xc0, 0xa8, 0x01, 0x05};
    BerIPAddr ip(a, 4);
    EXPECT_EQ(ip.Len(), 4u);
    EXPECT_TRUE(SameBytes(H("40 04 c0 a8 01 05"), chunk_bytes(*ip.getdata())));
    EXPECT_EQ(printed(ip), "192.168.1.5;");
    BerIPAddr d(S(H("40 04 ff 00 00 01")));
    EXPECT_EQ(printed(d), "255.0.0.1;");
    EXPECT_EQ(d.data[0], 0xff);
    EXPECT_EQ(d.type(), IPADDR_TAG);
    int r = 0;
    printed(ip, 12, &r);
    EXPECT_EQ(r, -1);
    EXPECT_EQ(printed(ip, 13, &r), "192.168.1.5;");
    EXPECT_THROW(BerIPAddr(a, 3), std::invalid_argument);
    EXPECT_THROW(BerIPAddr(nullptr, 4), std::invalid_argument);
}

TEST(BerIPAddr, DecodeRefusals) {
    for (const char *bytes : {"40 05 c0 a8 01 05 00", "40 03 c0 a8 01", "40 81 04 c0 a8 01 05", "40 00",
                              "40 04 c0 a8 01", "04 04 c0 a8 01 05"}) {
        SCOPED_TRACE(bytes);
        Bytes b = H(bytes);
        EXPECT_THROW(BerIPAddr{S(b)}, BerDecodeError);
    }
}

// ---------------------------------------------------------------- every scalar, cut short

TEST(BerScalars, EveryTruncationIsRefused) {
    const char *valid[] = {"02 01 05",
                           "02 08 80 00 00 00 00 00 00 00",
                           "41 05 00 80 00 00 00",
                           "43 04 ff ff ff ff",
                           "04 81 03 61 62 63",
                           "04 05 41 0a 42 80 00",
                           "05 00",
                           "40 04 c0 a8 01 05"};
    for (const char *v : valid) {
        Bytes b = H(v);
        for (std::size_t cut = 0; cut < b.size(); ++cut) {
            SCOPED_TRACE(std::string(v) + " cut at " + std::to_string(cut));
            // A copy of exactly cut bytes, so ASan sees any read beyond it.
            Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
            auto s = std::span<const unsigned char>(part.data(), part.size());
            switch (b[0]) {
                case INT_TAG:
                case COUNTER_TAG:
                    EXPECT_THROW(BerInt{s}, BerDecodeError);
                    break;
                case TIME_TICK_TAG:
                    EXPECT_THROW(BerTimeTick{s}, BerDecodeError);
                    break;
                case STRING_TAG:
                    EXPECT_THROW(BerString{s}, BerDecodeError);
                    break;
                case NULL_TAG:
                    EXPECT_THROW(BerNull{s}, BerDecodeError);
                    break;
                case IPADDR_TAG:
                    EXPECT_THROW(BerIPAddr{s}, BerDecodeError);
                    break;
            }
        }
    }
}

TEST(BerBase, DecodingTakesOnlyTheValueFromLongerData) {
    Bytes b = H("02 01 05 ff 04 00");
    BerInt v(S(b));
    EXPECT_EQ(v.value, 5);
    EXPECT_TRUE(SameBytes(H("02 01 05"), chunk_bytes(*v.getdata())));
    EXPECT_EQ(v.totalLength(), 3u);
    BerString s(S(H("04 02 68 69 05 00")));
    EXPECT_EQ(s.stringlen, 2u);
}

TEST(BerBase, DestroyingThroughTheBaseReleasesEverything) {
    std::unique_ptr<BerBase> values[] = {std::make_unique<BerInt>(7), std::make_unique<BerString>("text", 4),
                                         std::make_unique<BerNull>(), std::make_unique<BerTimeTick>(5),
                                         std::make_unique<BerIPAddr>("\x7f\0\0\x01", 4)};
    for (auto &v : values) EXPECT_GT(v->totalLength(), 0u);
    // LeakSanitizer reports anything these leave behind.
}

}  // namespace
