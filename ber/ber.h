// ber: SNMPv1 tags, chunks of encoded bytes, BER length fields, the value base and the scalar values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ber/printer_error.h"

// Tag bytes of the values an SNMPv1 message carries.
inline constexpr int INT_TAG = 0x02;
inline constexpr int STRING_TAG = 0x04;
inline constexpr int NULL_TAG = 0x05;
inline constexpr int OID_TAG = 0x06;
inline constexpr int SEQUENCE_TAG = 0x30;
inline constexpr int IPADDR_TAG = 0x40;
inline constexpr int COUNTER_TAG = 0x41;
inline constexpr int TIME_TICK_TAG = 0x43;
inline constexpr int GET_RESP_TAG = 0xa2;
inline constexpr int CONSTRUCTOR_TAG = 0x20;

// Tags that only SNMPv2c and SNMPv3 replies are read with (RFC 2578, RFC 3416):
// Counter64, and the three exceptions a binding carries in place of a value.
inline constexpr int COUNTER64_TAG = 0x46;
inline constexpr int NO_SUCH_OBJECT_TAG = 0x80;
inline constexpr int NO_SUCH_INSTANCE_TAG = 0x81;
inline constexpr int END_OF_MIB_VIEW_TAG = 0x82;

// The value types a received message may carry: SNMPv1's alone, or SNMPv1's
// and Counter64 and the exceptions (SNMPv2c and SNMPv3). Gauge32 and Opaque
// stay refused in every version, so a reply means the same in each.
enum class BerSyntax { V1, V2 };

// Nested constructed values deeper than this are refused when decoding, so a
// hostile datagram cannot exhaust the stack (an SNMPv1 reply nests 4 deep).
inline constexpr int BER_MAX_DEPTH = 32;

// Received bytes that cannot be decoded. what() is a short reason. A reply
// that cannot be decoded ends its printer's work like any exchange error.
class BerDecodeError : public PrinterError {
 public:
    explicit BerDecodeError(const char *reason) : PrinterError(reason) {}
    explicit BerDecodeError(const std::string &reason) : PrinterError(reason) {}
};

// One chunk of encoded bytes. Owns its bytes; `next` (the chunk that follows
// in a larger encoding) is never owned and never followed by the chunk itself.
// Most chunks are a header or a short value (an INTEGER, an OID, a header of
// a sequence): those up to INLINE_BYTES are kept in the chunk itself, so
// decoding a reply costs one allocation per value instead of two.
class BerEncodedData {
 public:
    static constexpr std::size_t INLINE_BYTES = 24;

    BerEncodedData(std::unique_ptr<unsigned char[]> data, std::size_t length);
    // A copy of bytes.
    explicit BerEncodedData(std::span<const unsigned char> bytes);
    BerEncodedData(const BerEncodedData &) = delete;
    BerEncodedData &operator=(const BerEncodedData &) = delete;

    const unsigned char *Data() const { return heap_ ? heap_.get() : inline_.data(); }
    unsigned char *Data() { return heap_ ? heap_.get() : inline_.data(); }
    std::size_t Length() const { return length_; }

    BerEncodedData *next = nullptr;

 private:
    std::unique_ptr<unsigned char[]> heap_;  // null when the bytes are inline
    std::size_t length_;
    std::array<unsigned char, INLINE_BYTES> inline_;
};

// Reads the length field of the encoding whose tag byte is at str, reading
// only the avail bytes from str on. Returns the content length and sets
// headerlen to the size of tag plus length field. Throws BerDecodeError when
// the header is cut short or the length field has more than 8 bytes; does NOT
// check that the content fits in avail (see ber_value_size).
std::uint64_t unpack_len(const unsigned char *str, std::size_t avail, unsigned char &headerlen);

// Full size (header + content) of the encoding at str, checked to lie within
// the avail bytes; throws BerDecodeError otherwise.
std::size_t ber_value_size(const unsigned char *str, std::size_t avail);
// The same without throwing: sets size and returns nullptr, or returns the
// reason ber_value_size would throw.
const char *measure_value(const unsigned char *str, std::size_t avail, std::size_t &size);

// Allocates tag + length field + length content bytes, writes the header and
// sets headerlen; the caller fills the content from offset headerlen.
// length must fit 32 bits (std::length_error otherwise).
std::unique_ptr<unsigned char[]> pack_header(int tag, std::size_t length, unsigned char &headerlen);

// Writes only the header (at most 6 bytes) for tag and length at out; returns its size.
std::size_t write_header(int tag, std::size_t length, unsigned char *out);

// One chunk holding tag, length field and the length content bytes.
std::unique_ptr<BerEncodedData> encode_primitive(int tag, const unsigned char *content,
                                                 std::uint32_t length);

// Base of every SNMPv1 value.
class BerBase {
 public:
    BerBase() = default;
    virtual ~BerBase();
    BerBase(const BerBase &) = delete;
    BerBase &operator=(const BerBase &) = delete;

    // A new chunk chain holding this value's encoding.
    virtual std::unique_ptr<BerEncodedData> encode() = 0;
    // The cached first chunk (owned by the value), made with encode() on first use.
    virtual BerEncodedData *getdata();
    // Writes the display form into buf (at most size bytes). Returns its length
    // (without any NUL), or -1 when it does not fit.
    virtual int print(char *buf, std::size_t size) const = 0;

    // The tag byte: the first byte of the cached encoding (a decoded Counter
    // says 0x41), or the tag this value encodes with when nothing is cached yet.
    int type() const;
    // Full encoded size: the bytes of this value's own chunks.
    std::size_t totalLength();
    // The last of this value's own chunks (its chain ends there).
    virtual BerEncodedData *lastChunk();

    // Following sibling inside a BerSequence; not owned.
    BerBase *next = nullptr;

 protected:
    // Decoding: copies the whole encoding at the start of in (which must hold
    // it) as the cached chunk. Derived constructors then check tag and content.
    explicit BerBase(std::span<const unsigned char> in);
    // Tag written by encode() for a value the program built.
    virtual int encodeTag() const = 0;
    // Content octets of the cached encoding, and their count.
    const unsigned char *cachedContent(std::size_t &n) const;

    std::unique_ptr<BerEncodedData> edatacache;
};

class BerNull : public BerBase {
 public:
    BerNull() = default;
    explicit BerNull(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;

 protected:
    int encodeTag() const override { return NULL_TAG; }
};

// INTEGER, and a received Counter (type() tells them apart).
class BerInt : public BerBase {
 public:
    explicit BerInt(std::int64_t v) : value(v) {}
    explicit BerInt(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;

    std::int64_t value = 0;

 protected:
    int encodeTag() const override { return INT_TAG; }
};

// TimeTicks, in hundredths of a second.
class BerTimeTick : public BerBase {
 public:
    explicit BerTimeTick(std::uint64_t v) : value(v) {}
    explicit BerTimeTick(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;

    std::uint64_t value = 0;

 protected:
    int encodeTag() const override { return TIME_TICK_TAG; }
};

// OCTET STRING: any bytes, NUL included, possibly none.
class BerString : public BerBase {
 public:
    BerString(const void *strng, std::size_t len);
    explicit BerString(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;

    // Copies the string NUL-terminated into buf (len bytes) and returns stringlen.
    // A buffer too small for it gets the first len - 1 bytes and the NUL;
    // len 0 writes nothing. Nothing is ever written beyond buf + len.
    std::size_t copy(char *buf, std::size_t len) const;
    // The string as a C string reads it: cut at the first embedded NUL.
    std::string c_str_value() const;

    std::unique_ptr<unsigned char[]> data;  // stringlen bytes, never null
    std::uint32_t stringlen = 0;

 protected:
    int encodeTag() const override { return STRING_TAG; }
};

// IpAddress: exactly 4 bytes in network order.
class BerIPAddr : public BerBase {
 public:
    BerIPAddr(const void *addr, std::size_t len);
    explicit BerIPAddr(std::span<const unsigned char> in);
    std::unique_ptr<BerEncodedData> encode() override;
    int print(char *buf, std::size_t size) const override;
    std::uint32_t Len() const { return len; }

    std::array<unsigned char, 4> data{};
    std::uint32_t len = 4;

 protected:
    int encodeTag() const override { return IPADDR_TAG; }
};

// Appenders for messages laid out by hand around values already encoded (a
// binding list kept by its owner, an encrypted scoped PDU).
// The tag and length octets of a value of length content bytes.
void append_header(std::vector<unsigned char> &out, int tag, std::size_t length);
// A whole TLV: the header, then content.
void append_tlv(std::vector<unsigned char> &out, int tag, std::span<const unsigned char> content);
// value's encoding.
void append_encoding(std::vector<unsigned char> &out, BerBase &value);
