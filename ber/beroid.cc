// beroid: OBJECT IDENTIFIER values, from dotted strings and from received bytes.
#include "ber/beroid.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

// Arcs must fit the 8 base-128 bytes pack_subid writes.
constexpr std::uint64_t MAX_SUBID = (std::uint64_t{1} << 56) - 1;

// Reads the decimal arc at s[pos..len); an empty arc reads as 0 (so "1.3..6"
// means 1.3.0.6). Leaves pos on the first character after the digits.
std::uint64_t read_arc(const char *s, std::size_t len, std::size_t &pos) {
    std::uint64_t v = 0;
    while (pos < len && s[pos] >= '0' && s[pos] <= '9') {
        v = v * 10 + static_cast<std::uint64_t>(s[pos] - '0');
        if (v > MAX_SUBID) throw std::invalid_argument("BerOid: arc too large");
        ++pos;
    }
    return v;
}

}  // namespace

int pack_subid(std::uint64_t value, unsigned char *out) {
    if (value > MAX_SUBID) throw std::invalid_argument("pack_subid: value needs more than 8 bytes");
    int groups = 1;
    while (groups < 8 && (value >> (7 * groups)) != 0) ++groups;
    for (int i = 0; i < groups; ++i) {
        unsigned char b = static_cast<unsigned char>((value >> (7 * (groups - 1 - i))) & 0x7f);
        out[i] = (i < groups - 1) ? (b | 0x80) : b;
    }
    return groups;
}

std::uint32_t unpack_subid(const unsigned char *in, std::size_t avail, int &used) {
    // Five bytes carry 35 bits; the top group may only hold the 4 bits that
    // still fit 32. Counting before shifting keeps the value from overflowing.
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < avail; ++i) {
        if (i == 5) throw BerDecodeError("sub-identifier longer than 5 bytes");
        v = (v << 7) | (in[i] & 0x7f);
        if (!(in[i] & 0x80)) {
            if (v > 0xffffffffu) throw BerDecodeError("sub-identifier exceeds 32 bits");
            used = static_cast<int>(i + 1);
            return static_cast<std::uint32_t>(v);
        }
    }
    if (avail >= 5) throw BerDecodeError("sub-identifier longer than 5 bytes");
    throw BerDecodeError("sub-identifier missing its last byte");
}

BerOid::BerOid(const char *oidstr) : BerOid(oidstr, oidstr ? std::strlen(oidstr) : 0) {}

BerOid::BerOid(const char *oidstr, std::size_t len) {
    if (!oidstr) throw std::invalid_argument("BerOid: null string");
    if (len == 0) throw std::invalid_argument("BerOid: empty string");
    // The encoding is never longer than its dotted text; the scratch has room
    // for one more sub-identifier so the check after each arc cannot overrun.
    auto buf = std::make_unique_for_overwrite<unsigned char[]>(len + 8);
    std::size_t n = 0;
    auto put = [&](std::uint64_t v) {
        n += static_cast<std::size_t>(pack_subid(v, buf.get() + n));
        if (n > len) throw std::invalid_argument("BerOid: encoding longer than text");
    };
    auto bad_char = [] { throw std::invalid_argument("BerOid: expected a dot after an arc"); };

    std::size_t pos = 0;
    std::uint64_t a = read_arc(oidstr, len, pos);
    if (pos < len && oidstr[pos] != '.') bad_char();
    if (pos == len) {
        // A lone arc a encodes as a.0, the first sub-identifier 40 * a.
        if (a > MAX_SUBID / 40) throw std::invalid_argument("BerOid: arc too large");
        put(40 * a);
    } else {
        ++pos;
        std::uint64_t b = read_arc(oidstr, len, pos);
        if (a > (MAX_SUBID - b) / 40) throw std::invalid_argument("BerOid: arc too large");
        put(40 * a + b);
        if (pos < len) {
            if (oidstr[pos] != '.') bad_char();
            ++pos;
            while (pos < len) {
                std::uint64_t arc = read_arc(oidstr, len, pos);
                if (pos < len && oidstr[pos] != '.') bad_char();
                put(arc);
                if (pos < len) ++pos;  // the dot; a trailing one ends the loop
            }
        }
    }
    data = std::make_unique_for_overwrite<unsigned char[]>(n);
    std::memcpy(data.get(), buf.get(), n);
    oidbytes = static_cast<std::uint32_t>(n);
}

BerOid::BerOid(std::span<const unsigned char> in) : BerBase(in) {
    if (edatacache->Data()[0] != OID_TAG) throw BerDecodeError("not an OBJECT IDENTIFIER");
    std::size_t n = 0;
    const unsigned char *content = cachedContent(n);
    if (n > 0xffffffffu) throw BerDecodeError("OBJECT IDENTIFIER too long");
    // Every sub-identifier must be whole and fit 32 bits, so print never guesses.
    for (std::size_t i = 0; i < n;) {
        int used = 0;
        unpack_subid(content + i, n - i, used);
        i += static_cast<std::size_t>(used);
    }
    data = std::make_unique_for_overwrite<unsigned char[]>(n ? n : 1);
    std::memcpy(data.get(), content, n);
    oidbytes = static_cast<std::uint32_t>(n);
}

std::unique_ptr<BerEncodedData> BerOid::encode() {
    return encode_primitive(OID_TAG, data.get(), oidbytes);
}

int BerOid::print(char *buf, std::size_t size) const {
    if (size == 0) return -1;
    buf[0] = '\0';
    std::size_t out = 0;
    std::size_t i = 0;
    bool first = true;
    while (i < oidbytes) {
        int used = 0;
        std::uint32_t u = 0;
        try {
            u = unpack_subid(data.get() + i, oidbytes - i, used);
        } catch (const BerDecodeError &) {
            return -1;  // only reachable for a corrupted value; decoding checked every byte
        }
        i += static_cast<std::size_t>(used);
        // Printed as signed 32-bit numbers, as agents' logs show them.
        std::int32_t v = static_cast<std::int32_t>(u);
        int r = first ? std::snprintf(buf + out, size - out, "%d.%d", v / 40, v % 40)
                      : std::snprintf(buf + out, size - out, ".%d", v);
        if (r < 0 || static_cast<std::size_t>(r) >= size - out) return -1;
        out += static_cast<std::size_t>(r);
        first = false;
    }
    return static_cast<int>(out);
}

bool BerOid::prefixEquals(const BerOid &other) const {
    std::uint32_t n = oidbytes < other.oidbytes ? oidbytes : other.oidbytes;
    return n == 0 || std::memcmp(data.get(), other.data.get(), n) == 0;
}
