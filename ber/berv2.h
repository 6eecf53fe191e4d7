// berv2: the values only SNMPv2c and SNMPv3 replies are read with: Counter64
// and the exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "ber/ber.h"

// Counter64 (RFC 2578): unsigned, up to 2^64 - 1, encoded like an INTEGER (a
// leading 00 before a top bit), short length form.
class BerCounter64 : public BerBase {
 public:
    explicit BerCounter64(std::uint64_t v) : value(v) {}
    explicit BerCounter64(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;

    std::uint64_t value = 0;

 protected:
    int encodeTag() const override { return COUNTER64_TAG; }
};

// noSuchObject, noSuchInstance or endOfMibView (RFC 3416): what an SNMPv2c or
// SNMPv3 agent puts in a binding in place of a value it does not have. The
// encoding is the tag and an empty content.
class BerException : public BerBase {
 public:
    // tag: NO_SUCH_OBJECT_TAG, NO_SUCH_INSTANCE_TAG or END_OF_MIB_VIEW_TAG
    // (std::invalid_argument otherwise).
    explicit BerException(int tag);
    explicit BerException(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    // "noSuchObject", "noSuchInstance" or "endOfMibView".
    int print(char *buf, std::size_t size) const override;

 protected:
    int encodeTag() const override { return tag_; }

 private:
    int tag_;
};

// The value is one of the three exceptions.
bool is_exception(const BerBase *value);

// Decodes one value of a type only SNMPv2c and SNMPv3 carry; nullptr when
// in[0] is no such tag.
std::unique_ptr<BerBase> decode_v2_value(std::span<const unsigned char> in);
