// Allocation behaviour of decoding: counts per value, and no leak when an allocation fails half way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "ber/berseq.h"
#include "tests/ber/ber_test_util.h"
#include "tests/ber/snmp_vectors.h"

namespace {

// Counting is switched on only around the code under test.
bool g_counting = false;
long g_allocations = 0;
long g_fail_at = -1;  // fail the n-th counted allocation (from 1); -1 never

void *counted_alloc(std::size_t n) {
    if (g_counting) {
        ++g_allocations;
        if (g_fail_at >= 0 && g_allocations == g_fail_at) throw std::bad_alloc();
    }
    void *p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

struct Counting {
    explicit Counting(long fail_at = -1) {
        g_allocations = 0;
        g_fail_at = fail_at;
        g_counting = true;
    }
    ~Counting() {
        g_counting = false;
        g_fail_at = -1;
    }
};

// A GetResponse of n bindings of sysDescr-like strings of the given size.
Bytes response(int n, std::size_t string_size) {
    Bytes list_content;
    for (int k = 0; k < n; ++k) {
        Bytes b = H("06 0a 2b 06 01 02 01 02 02 01 02");
        b.push_back(static_cast<unsigned char>(k + 1));
        b.push_back(STRING_TAG);
        b.push_back(static_cast<unsigned char>(string_size));
        b.insert(b.end(), string_size, 'x');
        unsigned char hdr[6];
        std::size_t h = write_header(SEQUENCE_TAG, b.size(), hdr);
        list_content.insert(list_content.end(), hdr, hdr + h);
        list_content.insert(list_content.end(), b.begin(), b.end());
    }
    auto wrap = [](int tag, const Bytes &content) {
        unsigned char hdr[6];
        std::size_t h = write_header(tag, content.size(), hdr);
        Bytes out(hdr, hdr + h);
        out.insert(out.end(), content.begin(), content.end());
        return out;
    };
    Bytes pdu_content = H("02 02 12 34 02 01 00 02 01 00");
    Bytes list = wrap(SEQUENCE_TAG, list_content);
    pdu_content.insert(pdu_content.end(), list.begin(), list.end());
    Bytes msg_content = H("02 01 00 04 06 70 75 62 6c 69 63");
    Bytes pdu = wrap(GET_RESP_TAG, pdu_content);
    msg_content.insert(msg_content.end(), pdu.begin(), pdu.end());
    return wrap(SEQUENCE_TAG, msg_content);
}

long allocations_to_decode(const Bytes &b) {
    long n;
    {
        Counting c;
        BerSequence s(S(b));
        n = g_allocations;
    }
    return n;
}

TEST(BerAllocations, DecodingAllocatesPerValueNotPerByte) {
    // 10 bindings of 120-byte strings fill about 1,500 bytes; 10 of 40-byte
    // strings about 700; 10 of 2-byte strings about 300.
    Bytes big = response(10, 120);
    Bytes small = response(10, 2);
    ASSERT_GT(big.size(), 1400u);
    ASSERT_LT(small.size(), 400u);
    long a_big = allocations_to_decode(big);
    long a_small = allocations_to_decode(small);
    EXPECT_EQ(a_big, allocations_to_decode(response(10, 40))) << "allocations must not depend on the byte count";
    // Values short enough to live in their chunk cost no buffer of their own.
    EXPECT_LT(a_small, a_big);
    // 37 values: message, 3 header fields + PDU, 3 PDU fields + list, 10 bindings of 2.
    const long values = 1 + 4 + 4 + 10 * 3;
    EXPECT_LE(a_big, 4 * values) << a_big << " allocations for " << values << " values";
    // Twice the bindings, about twice the allocations.
    long a_double = allocations_to_decode(response(20, 2));
    EXPECT_LE(a_double, 2 * a_small + 8);
}

TEST(BerAllocations, FailingAllocationHalfWayLeaksNothing) {
    Bytes b = H(kResponse);
    long total = allocations_to_decode(b);
    ASSERT_GT(total, 10);
    for (long k = 1; k <= total; ++k) {
        SCOPED_TRACE(k);
        Counting c(k);
        EXPECT_THROW(BerSequence{S(b)}, std::bad_alloc);
    }
    // LeakSanitizer reports anything a failed decode left behind.
}

TEST(BerAllocations, MalformedTailLeaksNothing) {
    // Everything before the bad last value is built, then released by the refusal.
    for (const auto &c : kMalformed) {
        Bytes b = H(c.bytes);
        EXPECT_THROW(BerSequence{S(b)}, BerDecodeError);
    }
}

}  // namespace

void *operator new(std::size_t n) { return counted_alloc(n); }
void *operator new[](std::size_t n) { return counted_alloc(n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
