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

    // Wipes the master keys once no session will localize them again.
    void forget_keys() {
        authKu.wipe();
        privKu.wipe();
    }
};

// Turns the passphrases into master keys and wipes them. A level without
// authentication (or privacy) ignores the passphrase it does not use. The
// process dumps no core from here on (usm_keep_out_of_core_dumps).
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

// What a manager knows of one printer's SNMPv3 engine (RFC 3414 2.3): kept by
// a session's engine and, from one session to the next, in an
// SNMP_engine_store (snmp/engine_store.h).
struct SNMP_engine_knowledge {
    std::vector<unsigned char> engineId;  // empty: not discovered
    // A message authenticated under this engine ID came (for a user without
    // authentication: a response at the user's level); the clock below is
    // then the engine's own too.
    bool confirmed = false;
    // Not empty: the ID was given ("given with -e", "recorded in FILE"), and
    // discovery must find that one.
    std::string pinnedBy;
    bool clockKnown = false;  // boots and time hold an estimate of the engine's clock
    std::int32_t boots = 0;
    std::int32_t time = 0;  // engine time when timeBase was taken
    std::chrono::steady_clock::time_point timeBase{};

    // The ID may not change any more: no discovery answer can replace it.
    bool trusted() const { return confirmed || !pinnedBy.empty(); }
};

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
    // Engine ID and clock are known: requests can be sent.
    bool known() const { return !k_.engineId.empty() && k_.clockKnown; }
    const SNMP_engine_knowledge &knowledge() const { return k_; }

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

    // Takes what is known of the engine (from a store); the keys are
    // localized again when the engine ID is new.
    void load(const SNMP_engine_knowledge &knowledge);
    // Takes the engine ID, boots and time of a discovery answer
    // (unauthenticated, so a candidate until an authenticated message
    // confirms it). The caller has checked that a trusted ID is not
    // replaced; a confirmed engine keeps its clock, which only authenticated
    // messages move.
    void take_discovered(const UsmParameters &usm);
    // Takes the clock of an authenticated Report (notInTimeWindow), in
    // either direction, and confirms the engine.
    void take_clock(const UsmParameters &usm);
    // An authenticated answer (or one at the level of a user without
    // authentication) came: the engine is the one its ID says.
    void confirm() { k_.confirmed = true; }
    // Wipes the localized keys; nothing can be sent or opened afterwards.
    void release_keys();

    // Current estimate of the engine's clock.
    std::int32_t boots() const { return k_.boots; }
    std::int32_t engineTime() const;

 private:
    bool in_time_window(const UsmParameters &usm) const;
    void note_time(const UsmParameters &usm);
    void set_engine_id(const std::vector<unsigned char> &engineId);
    void set_clock(const UsmParameters &usm);
    UsmOpened check_security(UsmOpened opened, const V3Parsed &parsed, std::span<const unsigned char> datagram);

    const SNMP_usm_user &user_;
    SNMP_engine_knowledge k_;
    SecretBytes authKey_;  // localized to k_.engineId
    SecretBytes privKey_;
    std::uint64_t salt_;   // counts up from a random start, once per encrypted message
};
