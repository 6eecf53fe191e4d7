// ber: chunks, BER length fields, the value base and the scalar values.
#include "ber/ber.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits>

// ---------------------------------------------------------------- chunks

BerEncodedData::BerEncodedData(std::unique_ptr<unsigned char[]> data, std::size_t length)
    : heap_(std::move(data)), length_(length) {
    if (!heap_) throw std::logic_error("BerEncodedData: null buffer");
}

BerEncodedData::BerEncodedData(std::span<const unsigned char> bytes) : length_(bytes.size()) {
    unsigned char *to = inline_.data();
    if (bytes.size() > INLINE_BYTES) {
        heap_ = std::make_unique_for_overwrite<unsigned char[]>(bytes.size());
        to = heap_.get();
    }
    if (!bytes.empty()) std::memcpy(to, bytes.data(), bytes.size());
}

// ---------------------------------------------------------------- length fields

namespace {

// The length field of the encoding at str: its content length and the size
// of tag plus length field, or the reason it cannot be read. Decoding junk
// meets these reasons often; a caller that adds to a reason builds its error
// once instead of catching and throwing again.
const char *read_length(const unsigned char *str, std::size_t avail, std::uint64_t &len, unsigned char &headerlen) {
    if (avail < 2) return "truncated header";
    unsigned char b = str[1];
    if (!(b & 0x80)) {
        headerlen = 2;
        len = b;
        return nullptr;
    }
    // Long form: the low 7 bits count the length bytes that follow. 0x80 alone
    // (the indefinite form) reads as length 0, which is all SNMPv1 agents send.
    std::size_t n = b & 0x7f;
    if (n > 8) return "length field longer than 8 bytes";
    if (avail - 2 < n) return "truncated length field";
    len = 0;
    for (std::size_t i = 0; i < n; ++i) len = (len << 8) | str[2 + i];
    headerlen = static_cast<unsigned char>(n + 2);
    return nullptr;
}

}  // namespace

std::uint64_t unpack_len(const unsigned char *str, std::size_t avail, unsigned char &headerlen) {
    std::uint64_t len = 0;
    if (const char *problem = read_length(str, avail, len, headerlen)) throw BerDecodeError(problem);
    return len;
}

const char *measure_value(const unsigned char *str, std::size_t avail, std::size_t &size) {
    std::uint64_t len = 0;
    unsigned char headerlen = 0;
    if (const char *problem = read_length(str, avail, len, headerlen)) return problem;
    if (len > avail - headerlen) return "length runs past the data";
    size = headerlen + static_cast<std::size_t>(len);
    return nullptr;
}

std::size_t ber_value_size(const unsigned char *str, std::size_t avail) {
    std::size_t size = 0;
    if (const char *problem = measure_value(str, avail, size)) throw BerDecodeError(problem);
    return size;
}

std::size_t write_header(int tag, std::size_t length, unsigned char *out) {
    if (length > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("BER content longer than 32 bits");
    out[0] = static_cast<unsigned char>(tag);
    if (length <= 127) {
        out[1] = static_cast<unsigned char>(length);
        return 2;
    }
    int n = 4;
    while (n > 1 && ((length >> (8 * (n - 1))) & 0xff) == 0) --n;
    out[1] = static_cast<unsigned char>(0x80 | n);
    for (int i = 0; i < n; ++i) out[2 + i] = static_cast<unsigned char>(length >> (8 * (n - 1 - i)));
    return static_cast<std::size_t>(n) + 2;
}

void append_header(std::vector<unsigned char> &out, int tag, std::size_t length) {
    unsigned char header[6];
    const std::size_t n = write_header(tag, length, header);
    out.insert(out.end(), header, header + n);
}

void append_tlv(std::vector<unsigned char> &out, int tag, std::span<const unsigned char> content) {
    append_header(out, tag, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

void append_encoding(std::vector<unsigned char> &out, BerBase &value) {
    const std::unique_ptr<BerEncodedData> chunk = value.encode();
    out.insert(out.end(), chunk->Data(), chunk->Data() + chunk->Length());
}

std::unique_ptr<unsigned char[]> pack_header(int tag, std::size_t length, unsigned char &headerlen) {
    unsigned char hdr[6];
    std::size_t h = write_header(tag, length, hdr);
    auto buf = std::make_unique_for_overwrite<unsigned char[]>(h + length);
    std::memcpy(buf.get(), hdr, h);
    headerlen = static_cast<unsigned char>(h);
    return buf;
}

std::unique_ptr<BerEncodedData> encode_primitive(int tag, const unsigned char *content,
                                                 std::uint32_t length) {
    unsigned char small[BerEncodedData::INLINE_BYTES];
    if (length <= sizeof small - 6) {  // a header takes at most 6 bytes
        const std::size_t headerlen = write_header(tag, length, small);
        if (length > 0) std::memcpy(small + headerlen, content, length);
        return std::make_unique<BerEncodedData>(std::span<const unsigned char>(small, headerlen + length));
    }
    unsigned char headerlen = 0;
    auto buf = pack_header(tag, length, headerlen);
    std::memcpy(buf.get() + headerlen, content, length);
    return std::make_unique<BerEncodedData>(std::move(buf), headerlen + static_cast<std::size_t>(length));
}

// ---------------------------------------------------------------- BerBase

BerBase::~BerBase() = default;

BerBase::BerBase(std::span<const unsigned char> in) {
    edatacache = std::make_unique<BerEncodedData>(in.first(ber_value_size(in.data(), in.size())));
}

BerEncodedData *BerBase::getdata() {
    if (!edatacache) {
        edatacache = encode();
        if (!edatacache || edatacache->Length() == 0) throw std::logic_error("encode() gave nothing");
    }
    return edatacache.get();
}

BerEncodedData *BerBase::lastChunk() { return getdata(); }

int BerBase::type() const {
    if (edatacache && edatacache->Length() > 0) return edatacache->Data()[0];
    return encodeTag();
}

std::size_t BerBase::totalLength() {
    BerEncodedData *d = getdata();
    BerEncodedData *last = lastChunk();
    std::size_t total = 0;
    for (;;) {
        total += d->Length();
        if (d == last) return total;
        d = d->next;
        if (!d) throw std::logic_error("BerBase: chain ends before the value's last chunk");
    }
}

const unsigned char *BerBase::cachedContent(std::size_t &n) const {
    unsigned char headerlen = 0;
    std::uint64_t len = unpack_len(edatacache->Data(), edatacache->Length(), headerlen);
    n = static_cast<std::size_t>(len);
    return edatacache->Data() + headerlen;
}

namespace {

// Fits a formatted form (snprintf's result r, a NUL written after it) into size.
int fitted(int r, std::size_t size) {
    if (r < 0 || static_cast<std::size_t>(r) >= size) return -1;
    return r;
}

// Header check shared by the scalar decoders.
void expect_tag(const BerEncodedData &cache, int tag, const char *what) {
    if (cache.Data()[0] != tag) throw BerDecodeError(what);
}

}  // namespace

// ---------------------------------------------------------------- BerNull

BerNull::BerNull(std::span<const unsigned char> in) : BerBase(in) {
    expect_tag(*edatacache, NULL_TAG, "not a NULL");
    if (edatacache->Data()[1] != 0) throw BerDecodeError("NULL with content");
}

std::unique_ptr<BerEncodedData> BerNull::encode() {
    return encode_primitive(NULL_TAG, nullptr, 0);
}

int BerNull::print(char *buf, std::size_t size) const {
    if (size < 4) return -1;
    std::memcpy(buf, "NULL", 4);
    return 4;
}

// ---------------------------------------------------------------- BerInt

BerInt::BerInt(std::span<const unsigned char> in) : BerBase(in) {
    const unsigned char *p = edatacache->Data();
    int tag = p[0];
    if (tag != INT_TAG && tag != COUNTER_TAG) throw BerDecodeError("not an INTEGER or Counter");
    // SNMPv1 integers are at most 8 bytes, so only the short length form is valid.
    std::size_t n = p[1];
    if (n > 8) throw BerDecodeError("INTEGER longer than 8 bytes");
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | p[2 + i];
    if (tag == INT_TAG) {
        // Two's complement: sign-extend a short negative number.
        if (n > 0 && n < 8 && (p[2] & 0x80)) v |= ~std::uint64_t{0} << (8 * n);
        value = static_cast<std::int64_t>(v);
    } else {
        // A Counter is unsigned; 8 bytes with the top bit set do not fit the value.
        if (n == 8 && (p[2] & 0x80)) throw BerDecodeError("Counter does not fit 63 bits");
        value = static_cast<std::int64_t>(v);
    }
}

std::unique_ptr<BerEncodedData> BerInt::encode() {
    unsigned char be[8];
    std::uint64_t u = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) be[i] = static_cast<unsigned char>(u >> (8 * (7 - i)));
    int start = 0;
    while (start < 7 && be[start] == 0) ++start;
    // A dropped zero byte goes back in front of a top bit, so the number stays non-negative.
    if (start > 0 && (be[start] & 0x80)) --start;
    int n = 8 - start;
    return encode_primitive(INT_TAG, be + start, static_cast<std::uint32_t>(n));
}

int BerInt::print(char *buf, std::size_t size) const {
    return fitted(std::snprintf(buf, size, "%" PRId64, value), size);
}

// ---------------------------------------------------------------- BerTimeTick

BerTimeTick::BerTimeTick(std::span<const unsigned char> in) : BerBase(in) {
    const unsigned char *p = edatacache->Data();
    expect_tag(*edatacache, TIME_TICK_TAG, "not TimeTicks");
    std::size_t n = p[1];
    if (n > 8) throw BerDecodeError("TimeTicks longer than 8 bytes");
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | p[2 + i];
    value = v;
}

std::unique_ptr<BerEncodedData> BerTimeTick::encode() {
    unsigned char be[8];
    for (int i = 0; i < 8; ++i) be[i] = static_cast<unsigned char>(value >> (8 * (7 - i)));
    int start = 0;
    while (start < 7 && be[start] == 0) ++start;
    int n = 8 - start;
    return encode_primitive(TIME_TICK_TAG, be + start, static_cast<std::uint32_t>(n));
}

int BerTimeTick::print(char *buf, std::size_t size) const {
    std::uint64_t v = value;
    return fitted(
        std::snprintf(buf, size,
                      "Time: %" PRIu64 "d %" PRIu64 "h %" PRIu64 "m %" PRIu64 ".%" PRIu64 "sec (%" PRIu64 ")",
                      v / 8640000, (v % 8640000) / 360000, (v % 360000) / 6000, (v % 6000) / 100, v % 100, v),
        size);
}

// ---------------------------------------------------------------- BerString

BerString::BerString(const void *strng, std::size_t len) {
    if (!strng) throw std::invalid_argument("BerString: null string");
    if (len > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("BerString: too long");
    data = std::make_unique_for_overwrite<unsigned char[]>(len ? len : 1);
    std::memcpy(data.get(), strng, len);
    stringlen = static_cast<std::uint32_t>(len);
}

BerString::BerString(std::span<const unsigned char> in) : BerBase(in) {
    expect_tag(*edatacache, STRING_TAG, "not an OCTET STRING");
    std::size_t n = 0;
    const unsigned char *content = cachedContent(n);
    if (n > std::numeric_limits<std::uint32_t>::max()) throw BerDecodeError("OCTET STRING too long");
    data = std::make_unique_for_overwrite<unsigned char[]>(n ? n : 1);
    std::memcpy(data.get(), content, n);
    stringlen = static_cast<std::uint32_t>(n);
}

std::unique_ptr<BerEncodedData> BerString::encode() {
    return encode_primitive(STRING_TAG, data.get(), stringlen);
}

std::size_t BerString::copy(char *buf, std::size_t len) const {
    if (len == 0) return stringlen;
    std::size_t n = stringlen < len - 1 ? stringlen : len - 1;
    std::memcpy(buf, data.get(), n);
    buf[n] = '\0';
    return stringlen;
}

std::string BerString::c_str_value() const {
    const char *p = reinterpret_cast<const char *>(data.get());
    const void *nul = std::memchr(p, 0, stringlen);
    return std::string(p, nul ? static_cast<const char *>(nul) - p : stringlen);
}

int BerString::print(char *buf, std::size_t size) const {
    if (stringlen == 0) return 0;
    // Printable bytes as they are, every other byte as \0xNN.
    std::size_t need = 0;
    for (std::uint32_t i = 0; i < stringlen; ++i) need += (data[i] >= 0x20 && data[i] <= 0x7e) ? 1 : 5;
    if (need >= size || need > static_cast<std::size_t>(std::numeric_limits<int>::max())) return -1;
    static const char hex[] = "0123456789abcdef";
    char *o = buf;
    for (std::uint32_t i = 0; i < stringlen; ++i) {
        unsigned char c = data[i];
        if (c >= 0x20 && c <= 0x7e) {
            *o++ = static_cast<char>(c);
        } else {
            *o++ = '\\';
            *o++ = '0';
            *o++ = 'x';
            *o++ = hex[c >> 4];
            *o++ = hex[c & 15];
        }
    }
    *o = '\0';
    return static_cast<int>(need);
}

// ---------------------------------------------------------------- BerIPAddr

BerIPAddr::BerIPAddr(const void *addr, std::size_t len) {
    if (!addr || len != 4) throw std::invalid_argument("BerIPAddr: need 4 address bytes");
    std::memcpy(data.data(), addr, 4);
}

BerIPAddr::BerIPAddr(std::span<const unsigned char> in) : BerBase(in) {
    expect_tag(*edatacache, IPADDR_TAG, "not an IpAddress");
    if (edatacache->Length() != 6 || edatacache->Data()[1] != 4)
        throw BerDecodeError("IpAddress not 4 bytes");
    std::memcpy(data.data(), edatacache->Data() + 2, 4);
}

std::unique_ptr<BerEncodedData> BerIPAddr::encode() {
    return encode_primitive(IPADDR_TAG, data.data(), 4);
}

int BerIPAddr::print(char *buf, std::size_t size) const {
    return fitted(std::snprintf(buf, size, "%u.%u.%u.%u;", data[0], data[1], data[2], data[3]), size);
}
