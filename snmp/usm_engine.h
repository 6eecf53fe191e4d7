// usm_engine: an SNMPv3 user of the run, and one printer's engine as that user
// sees it: its identity and clock, the keys localized to it, and the protection
// of every message sent to it and received from it (RFC 3414).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ber/berseq.h"
#include "snmp/usm.h"
#include "snmp/v3message.h"

// The user every printer is asked as; made once per run (the master keys cost
// a megabyte of hashing each), read-only afterwards and shared by all sessions.
struct SNMP_usm_user {
    std::string name;
    UsmLevel level = UsmLevel::NoAuthNoPriv;
    UsmAuth auth = UsmAuth::None;
    UsmPriv priv = UsmPriv::None;
    SecretBytes authKu;  // master key of the authentication passphrase
    SecretBytes privKu;  // master key of the privacy passphrase (authentication protocol's hash)
};

// Turns the passphrases into master keys and wipes them. A level without
// authentication (or privacy) ignores the passphrase it does not use.
SNMP_usm_user make_usm_user(std::string name, UsmLevel level, UsmAuth auth, UsmPriv priv, SecretBytes authPass,
                            SecretBytes privPass);

// The protocols and localized keys that protect one engine's messages.
struct UsmKeys {
    UsmAuth auth = UsmAuth::None;
    const SecretBytes *authKey = nullptr;
    UsmPriv priv = UsmPriv::None;
    const SecretBytes *privKey = nullptr;
};

// The whole message for a scoped PDU: encrypted when header.flags has
// V3_FLAG_PRIV (with salt, a counter of the sender's, in msgPrivacyParameters),
// then signed when it has V3_FLAG_AUTH.
std::vector<unsigned char> protect_v3_message(const V3Header &header, UsmParameters usm,
                                              std::vector<unsigned char> scoped, const UsmKeys &keys,
                                              std::uint64_t salt);

// What a Report PDU tells, by the OID of its first binding.
enum class UsmReport {
    UnknownEngineId,   // usmStatsUnknownEngineIDs: the answer to engine discovery
    NotInTimeWindow,   // usmStatsNotInTimeWindows: the clocks disagree
    UnknownUser,       // usmStatsUnknownUserNames
    WrongDigest,       // usmStatsWrongDigests
    UnsupportedLevel,  // usmStatsUnsupportedSecLevels
    DecryptionError,   // usmStatsDecryptionErrors
    Other,             // any other counter (snmpUnknownContexts, snmpInvalidMsgs, ...)
};
UsmReport classify_report(const std::string &oid);

// One received datagram, checked and opened.
struct UsmOpened {
    enum Outcome {
        Opened,        // scoped holds the scoped PDU
        OtherMessage,  // another msgID: a late answer to an earlier request
        Unusable,      // problem says why
    } outcome = Unusable;
    std::unique_ptr<BerSequence> message;  // the whole message, for the packet log
    std::unique_ptr<BerSequence> scoped;   // the scoped PDU (decrypted)
    UsmParameters usm;                     // as received
    bool authenticated = false;            // the digest was checked and right
    bool unverified = false;               // signed by the engine for the user, digest wrong
    bool decrypted = false;
    std::string problem;
};

class SNMP_usm_engine {
 public:
    // user must outlive the engine.
    explicit SNMP_usm_engine(const SNMP_usm_user &user);

    const SNMP_usm_user &user() const { return user_; }
    // The engine ID is known (discovery done).
    bool known() const { return !engineId_.empty(); }

    // The whole message for an encoded PDU, signed and encrypted as the user's
    // level asks. discovery: the unauthenticated probe with empty engine ID
    // and user name that makes the printer report its engine (RFC 3414 4).
    // plainScoped, when given, receives the scoped PDU before encryption.
    std::vector<unsigned char> wrap(std::span<const unsigned char> pdu, std::int32_t msgId, bool discovery,
                                    std::vector<unsigned char> *plainScoped = nullptr);

    // Checks one datagram received for msgId: the version and security model,
    // the engine and user it names, its digest and time window when it claims
    // authentication, then decrypts and decodes its scoped PDU. Reports are
    // opened too (they may come without authentication); the caller decides.
    UsmOpened open(std::span<const unsigned char> datagram, std::int32_t msgId);

    // Takes the engine ID, boots and time the printer sent (its discovery
    // Report, or a resynchronizing one); the keys are localized again when the
    // engine ID is new. Times are only taken from authenticated messages or
    // while discovering.
    void adopt(const UsmParameters &usm, bool trustTime);

    // Current estimate of the engine's clock.
    std::int32_t boots() const { return boots_; }
    std::int32_t engineTime() const;

 private:
    bool in_time_window(const UsmParameters &usm) const;
    void note_time(const UsmParameters &usm);
    UsmOpened check_security(UsmOpened opened, const V3Parsed &parsed, std::span<const unsigned char> datagram);

    const SNMP_usm_user &user_;
    std::vector<unsigned char> engineId_;
    std::int32_t boots_ = 0;
    std::int32_t time_ = 0;  // engine time when timeBase_ was taken
    std::chrono::steady_clock::time_point timeBase_;
    SecretBytes authKey_;  // localized to engineId_
    SecretBytes privKey_;
    std::uint64_t salt_;   // counts up from a random start, once per encrypted message
};
