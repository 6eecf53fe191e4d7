// beroid: OBJECT IDENTIFIER values, from dotted strings and from received bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "ber/ber.h"

// Writes the base-128 form of one sub-identifier at out (room for 8 bytes)
// and returns its byte count. Values of 2^56 or more do not fit 8 bytes and
// throw std::invalid_argument.
int pack_subid(std::uint64_t value, unsigned char *out);

// Reads one sub-identifier from in, reading at most avail bytes; sets used to
// the bytes it took. Throws BerDecodeError when its last byte is missing, it
// is longer than 5 bytes or its value does not fit 32 bits.
std::uint32_t unpack_subid(const unsigned char *in, std::size_t avail, int &used);

class BerOid : public BerBase {
 public:
    // From the dotted text oidstr of len characters ("1.3.6.1.2.1.1.3.0").
    // Malformed text throws std::invalid_argument (the program's own tables
    // are the only source of such strings).
    BerOid(const char *oidstr, std::size_t len);
    // Same, with len = strlen(oidstr).
    explicit BerOid(const char *oidstr);
    // Decoding; every sub-identifier is checked (see unpack_subid).
    explicit BerOid(std::span<const unsigned char> in);

    std::unique_ptr<BerEncodedData> encode() override;
    // Dotted form followed by a NUL; no content octets give the empty form.
    int print(char *buf, std::size_t size) const override;

    // Equal on the first min(oidbytes) content octets: equal identifiers, or
    // one an ancestor of the other.
    bool prefixEquals(const BerOid &other) const;
    bool prefixEquals(const BerOid *other) const { return prefixEquals(*other); }

    std::unique_ptr<unsigned char[]> data;  // content octets, never null
    std::uint32_t oidbytes = 0;

 protected:
    int encodeTag() const override { return OID_TAG; }
};
