// v3message: the SNMPv3 message (RFC 3412) with the user-based security
// parameters (RFC 3414) and the scoped PDU, encoded and decoded within the
// bytes given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class BerSequence;

// msgFlags bits.
inline constexpr unsigned char V3_FLAG_AUTH = 0x01;
inline constexpr unsigned char V3_FLAG_PRIV = 0x02;
inline constexpr unsigned char V3_FLAG_REPORTABLE = 0x04;
// msgSecurityModel of the user-based security model.
inline constexpr int USM_SECURITY_MODEL = 3;
// Longest engine ID and user name USM allows (RFC 3411, RFC 3414).
inline constexpr std::size_t USM_MAX_ENGINE_ID = 32;
inline constexpr std::size_t USM_MAX_USER_NAME = 32;

// Report PDU (RFC 3416).
inline constexpr int REPORT_TAG = 0xa8;

// msgGlobalData.
struct V3Header {
    std::int32_t msgId = 0;
    std::int32_t maxSize = 0;
    unsigned char flags = 0;
    std::int32_t securityModel = USM_SECURITY_MODEL;
};

// UsmSecurityParameters, carried in msgSecurityParameters.
struct UsmParameters {
    std::vector<unsigned char> engineId;
    std::int32_t boots = 0;
    std::int32_t time = 0;
    std::string userName;
    std::vector<unsigned char> authParams;  // the digest; zeros while it is computed
    std::vector<unsigned char> privParams;  // the salt
};

// A message laid out for sending: its bytes, and where the digest field
// (authParams) lies in them, so it can be signed in place.
struct V3Encoded {
    std::vector<unsigned char> bytes;
    std::size_t digestOffset = 0;
};

// Lays out SEQUENCE { version 3, msgGlobalData, msgSecurityParameters, data },
// data being the scoped PDU's encoding (a SEQUENCE), or with V3_FLAG_PRIV in
// header.flags its encryption, sent as an OCTET STRING.
V3Encoded encode_v3_message(const V3Header &header, const UsmParameters &usm, std::span<const unsigned char> data);

// SEQUENCE { contextEngineID, contextName, PDU }, the PDU given encoded.
std::vector<unsigned char> encode_scoped_pdu(std::span<const unsigned char> contextEngineId,
                                             const std::string &contextName, std::span<const unsigned char> pdu);

// A received SNMPv3 message taken apart; the spans point into the datagram.
struct V3Parsed {
    V3Header header;
    UsmParameters usm;
    std::size_t digestOffset = 0;           // of authParams' content in the datagram
    bool encrypted = false;                 // data is the encrypted scoped PDU
    std::span<const unsigned char> data;    // the scoped PDU (whole SEQUENCE), or the cipher text
};

// Takes apart the datagram; reads nothing outside it. Throws BerDecodeError
// for anything malformed: not version 3, fields of the wrong type or out of
// range, a flags field that is not one byte, an engine ID or user name over
// 32 bytes, encryption flagged but plain data sent (or the reverse).
V3Parsed parse_v3_message(std::span<const unsigned char> datagram);

// A decoded scoped PDU (Counter64 and exceptions accepted) whose first two
// children are OCTET STRINGs and whose third is the PDU; BerDecodeError
// otherwise. The PDU is at peek(2), where an SNMPv1 message has its PDU.
std::unique_ptr<BerSequence> decode_scoped_pdu(std::span<const unsigned char> bytes);

// The msgID of a datagram that is an SNMPv3 message, read with the same bounds;
// nothing for anything else. Lets the transport hand a reply to the request it answers.
std::optional<std::int32_t> v3_message_id(std::span<const unsigned char> datagram);
