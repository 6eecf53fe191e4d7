// Helpers shared by the BER tests: hex vectors, chain walking, guarded buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "ber/ber.h"

using Bytes = std::vector<unsigned char>;

// One malformed input and why it is refused.
struct RefuseCase {
    const char *name;
    const char *bytes;
};

// "30 0b 02 01" -> bytes; spaces and line breaks are ignored.
inline Bytes H(const std::string &hex) {
    Bytes out;
    int hi = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (hi < 0) {
            hi = v;
        } else {
            out.push_back(static_cast<unsigned char>(hi * 16 + v));
            hi = -1;
        }
    }
    EXPECT_EQ(hi, -1) << "odd hex digit count in " << hex;
    return out;
}

inline std::string hex(const Bytes &b) {
    std::string s;
    char tmp[4];
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::snprintf(tmp, sizeof tmp, i ? " %02x" : "%02x", b[i]);
        s += tmp;
    }
    return s;
}

// Same bytes, or the first differing offset.
inline ::testing::AssertionResult SameBytes(const Bytes &want, const Bytes &got) {
    std::size_t n = want.size() < got.size() ? want.size() : got.size();
    for (std::size_t i = 0; i < n; ++i)
        if (want[i] != got[i])
            return ::testing::AssertionFailure()
                   << "first difference at offset " << i << "\n want " << hex(want) << "\n got  " << hex(got);
    if (want.size() != got.size())
        return ::testing::AssertionFailure() << "lengths " << want.size() << " vs " << got.size()
                                             << "\n want " << hex(want) << "\n got  " << hex(got);
    return ::testing::AssertionSuccess();
}

// The value's encoding as its chain gives it: own first chunk to own last chunk.
inline Bytes chain_bytes(BerBase &v) {
    Bytes out;
    BerEncodedData *d = v.getdata();
    BerEncodedData *last = v.lastChunk();
    for (int guard = 0; d && guard < 100000; ++guard, d = d->next) {
        out.insert(out.end(), d->Data(), d->Data() + d->Length());
        if (d == last) return out;
    }
    ADD_FAILURE() << "chain does not reach the value's last chunk";
    return out;
}

// The whole chain from getdata() to its null end (a top-level value's chain must end).
inline Bytes chain_to_end(BerBase &v) {
    Bytes out;
    int guard = 0;
    for (BerEncodedData *d = v.getdata(); d; d = d->next) {
        out.insert(out.end(), d->Data(), d->Data() + d->Length());
        if (++guard > 100000) {
            ADD_FAILURE() << "chain does not terminate";
            break;
        }
    }
    return out;
}

inline Bytes chunk_bytes(const BerEncodedData &d) { return Bytes(d.Data(), d.Data() + d.Length()); }

inline std::span<const unsigned char> S(const Bytes &b) {
    return std::span<const unsigned char>(b.data(), b.size());
}

// A buffer with guard bytes after the usable size, to catch writes beyond it.
struct Guarded {
    static constexpr unsigned char MAGIC = 0xa5;
    explicit Guarded(std::size_t size) : size(size), buf(size + 16, static_cast<char>(MAGIC)) {}
    char *data() { return buf.data(); }
    bool guard_intact() const {
        for (std::size_t i = size; i < buf.size(); ++i)
            if (static_cast<unsigned char>(buf[i]) != MAGIC) return false;
        return true;
    }
    std::string text(int n) const { return std::string(buf.data(), n < 0 ? 0 : static_cast<std::size_t>(n)); }
    std::size_t size;
    std::vector<char> buf;
};

// Print into a guarded buffer of size bytes; returns the form, checking the guard.
inline std::string printed(const BerBase &v, std::size_t size = 256, int *ret = nullptr) {
    Guarded g(size);
    int r = v.print(g.data(), size);
    EXPECT_TRUE(g.guard_intact()) << "print wrote beyond " << size << " bytes";
    if (ret) *ret = r;
    return r < 0 ? std::string("<-1>") : g.text(r);
}
