// berv2: Counter64 and the exceptions of SNMPv2c and SNMPv3 replies.
#include "ber/berv2.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

const char *exception_name(int tag) {
    switch (tag) {
        case NO_SUCH_OBJECT_TAG: return "noSuchObject";
        case NO_SUCH_INSTANCE_TAG: return "noSuchInstance";
        case END_OF_MIB_VIEW_TAG: return "endOfMibView";
        default: return nullptr;
    }
}

int fitted(int r, std::size_t size) { return r < 0 || static_cast<std::size_t>(r) >= size ? -1 : r; }

}  // namespace

BerCounter64::BerCounter64(std::span<const unsigned char> in) : BerBase(in) {
    const unsigned char *p = edatacache->Data();
    if (p[0] != COUNTER64_TAG) throw BerDecodeError("not a Counter64");
    // The length byte must use the short form; 9 bytes only with the zero
    // byte that keeps a top bit from reading as a sign.
    const std::size_t n = p[1];
    if (n > 9 || (n == 9 && p[2] != 0)) throw BerDecodeError("Counter64 longer than 64 bits");
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | p[2 + i];
    value = v;
}

std::unique_ptr<BerEncodedData> BerCounter64::encode() {
    unsigned char be[9] = {0};
    for (int i = 0; i < 8; ++i) be[1 + i] = static_cast<unsigned char>(value >> (8 * (7 - i)));
    int start = 1;
    while (start < 8 && be[start] == 0) ++start;
    if (be[start] & 0x80) --start;
    return encode_primitive(COUNTER64_TAG, be + start, static_cast<std::uint32_t>(9 - start));
}

int BerCounter64::print(char *buf, std::size_t size) const {
    return fitted(std::snprintf(buf, size, "%" PRIu64, value), size);
}

BerException::BerException(int tag) : tag_(tag) {
    if (!exception_name(tag)) throw std::invalid_argument("BerException: not an exception tag");
}

BerException::BerException(std::span<const unsigned char> in) : BerBase(in), tag_(in[0]) {
    if (!exception_name(tag_)) throw BerDecodeError("not an exception");
    if (edatacache->Length() != 2) throw BerDecodeError("exception with content");
}

std::unique_ptr<BerEncodedData> BerException::encode() {
    static const unsigned char none = 0;
    return encode_primitive(tag_, &none, 0);
}

int BerException::print(char *buf, std::size_t size) const {
    const char *name = exception_name(tag_);
    const std::size_t n = std::strlen(name);
    if (n > size) return -1;
    std::memcpy(buf, name, n);
    return static_cast<int>(n);
}

bool is_exception(const BerBase *value) { return value && exception_name(value->type()) != nullptr; }

std::unique_ptr<BerBase> decode_v2_value(std::span<const unsigned char> in) {
    switch (in[0]) {
        case COUNTER64_TAG: return std::make_unique<BerCounter64>(in);
        case NO_SUCH_OBJECT_TAG:
        case NO_SUCH_INSTANCE_TAG:
        case END_OF_MIB_VIEW_TAG: return std::make_unique<BerException>(in);
        default: return nullptr;
    }
}
