// One printer: its addresses and community or SNMPv3 user, the request exchange, the packet log.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "snmp/errors.h"
#include "snmp/oidseq.h"
#include "snmp/packetlog.h"
#include "snmp/snmpsock.h"
#include "snmp/transport.h"
#include "snmp/warning_sink.h"

class BerBase;
class BerSequence;
class SNMP_engine_store;
class SNMP_exchange;
class SNMP_usm_engine;
struct SNMP_usm_user;
struct UsmOpened;

// PDU tags of SNMPv1 (RFC 1157).
constexpr int GET_REQ_TAG = 0xa0;
constexpr int GETNEXT_REQ_TAG = 0xa1;
// GET_RESP_TAG (0xa2) is defined with the other tags in ber/ber.h.
constexpr int SET_REQ_TAG = 0xa3;
// GetBulkRequest of SNMPv2c and SNMPv3 (RFC 3416).
constexpr int GETBULK_REQ_TAG = 0xa5;

// The protocol a session speaks. SNMPv1 is the default.
enum class SNMP_version { V1, V2C, V3 };

// A target name did not resolve (thrown by the session's constructor, which
// writes nothing); hostname is the name as given.
class SNMP_resolve_error : public std::runtime_error {
 public:
    explicit SNMP_resolve_error(const std::string &name);
    std::string hostname;
};

// What a received message is to the request that waits for it.
struct ReplyCheck {
    enum Outcome {
        Accepted,      // the reply to this request: bindings holds its variable bindings
        Refused,       // the reply to this request, with a non-zero error-status
        Unusable,      // discarded for the reason in problem
        Unverified,    // SNMPv3: signed by the printer's engine, but the digest does not verify
        OtherRequest,  // another request id: a late answer to an earlier exchange
        Resend,        // SNMPv3: the engine was discovered or resynchronized; encode the request again
        Hint,          // SNMPv3: an unauthenticated Report, acted on only if no authenticated answer follows
    } outcome;
    std::unique_ptr<OidSeq> bindings;
    std::string refusedOid;  // empty when the error-index names no binding
    int errorStatus = 0;     // -1 when missing, not an INTEGER or beyond int
    std::string problem;
};

// Checks a decoded message against the request id asked; takes the binding
// list out of it when accepted. Reads nothing outside the message.
ReplyCheck check_reply(BerSequence &message, std::int32_t reqid);

class SNMP_session {
 public:
    using IPv4 = SNMP_ipv4;

    // Community used when none is given.
    static constexpr const char *DEFAULT_COMMUNITY = "quorum";
    // Replies thrown away in one exchange with one address (wrong request id,
    // undecodable, not a GetResponse, no INTEGER request id, unusable binding
    // list) that make the request go out again at once. Further ones are
    // dropped without a send. None of them ends the exchange: only its tries
    // (the transport's time-out) or the reply to the request do, so whoever
    // sends datagrams from a printer's address cannot silence it.
    static constexpr int MAX_DISCARDED_REPLIES = 8;

    // Resolves name (gethostbyname, IPv4) and keeps every address it gives.
    // community nullptr: "quorum". Throws SNMP_resolve_error.
    SNMP_session(SNMP_transport *transport, const char *name, const char *community);
    // No name lookup: the given addresses (network byte order), tried in order.
    SNMP_session(SNMP_transport *transport, const char *name, const char *community,
                 std::vector<IPv4> addresses);
    ~SNMP_session();
    SNMP_session(const SNMP_session &) = delete;
    SNMP_session &operator=(const SNMP_session &) = delete;

    // One exchange: pduTag GET_REQ_TAG, GETNEXT_REQ_TAG or SET_REQ_TAG with the
    // bindings of request (kept by the caller, unchanged). Returns the reply's
    // bindings (owned by the caller), or nullptr when no address answered; from
    // then on returns nullptr at once. A reply with non-zero error-status throws
    // SNMP_error_oid naming the binding the error-index points at (empty text
    // when it points at none). A send that fails is reported through warn().
    // In SNMPv2c and SNMPv3 a binding holding noSuchObject, noSuchInstance or
    // endOfMibView throws SNMP_error_oid(noSuchName) naming it, and an
    // error-status is read as its SNMPv1 equivalent (RFC 3584), so replies
    // mean the same in every version; authorizationError throws
    // SNMP_error_security, and so do the failures of SNMPv3's security.
    std::unique_ptr<OidSeq> do_req(int pduTag, OidSeq *request);
    // Why the exchange that made the session unreachable got nothing: the errno
    // of the failed send when sending failed on every address tried (a request
    // too large for a datagram, no route), 0 when an address stayed silent.
    int sendError() const { return sendError_; }

    // One GetBulkRequest (SNMPv2c and SNMPv3 only; std::logic_error in SNMPv1)
    // with non-repeaters 0: the reply's bindings as they came, exceptions
    // included, or nullptr as for do_req. A reply that cannot be used (cut at
    // the transport's buffer size, undecodable) throws BerDecodeError at once.
    std::unique_ptr<OidSeq> do_bulk(OidSeq *request, int maxRepetitions);

    // The protocol, chosen before the first request: SNMPv1 (the default) or
    // SNMPv2c, both with the community; or SNMPv3 as user, which must outlive
    // the session. The engine is discovered at the first request.
    void setVersion(SNMP_version version);
    // The time-out and retries of this session's exchanges, and the deadline
    // by which its work must end, instead of the transport's (a long-running
    // process whose printers have settings of their own).
    void setTiming(const SNMP_call_timing &timing) { timing_ = timing; }
    // A session kept for another round of work (a long-running process keeps
    // one per printer, and with it its SNMPv3 engine): it counts as reachable
    // again, from its first address.
    void reopen();
    void setUser(const SNMP_usm_user &user);
    SNMP_version version() const { return version_; }
    // The SNMPv3 user, nullptr in SNMPv1 and SNMPv2c.
    const SNMP_usm_user *user() const;
    // SNMPv3: what is known of the printer's engine comes from store and goes
    // back to it (not owned; it must outlive the session's requests). Without
    // a store each session discovers its printer's engine itself.
    void setEngineStore(SNMP_engine_store *store) { engines_ = store; }
    // SNMPv3: wipes the keys localized to the printer's engine; the session
    // sends nothing more afterwards (its worker is done with it).
    void releaseSecrets();

    // Keeps a packet log: takes its number from numbers now (sessions set up
    // in turn get increasing numbers) and creates the file at the first
    // request, so a printer's log exists only once it is contacted. Creating
    // it writes a note naming the file, or a warning when it cannot be
    // created (the session then runs without a log). numbers must outlive the
    // session's requests.
    void setDebug(SNMP_log_numbers &numbers);
    // Appends label, "\n", value's display form, "\n" to the log.
    void write_debug(const char *label, BerBase *value);
    // Appends a hex dump ("%02x " per byte, "\n" after every 16th, one more
    // "\n" at the end) to the log.
    void write_debug_bin(const unsigned char *data, std::size_t len);

    // Warnings of this session go to sink (not owned; nullptr: standard error).
    void setWarningSink(SNMP_warning_sink *sink) { warnings = sink; }
    // Writes text (ending in "\n") through the warning sink.
    void warn(const std::string &text, bool namesPrinter = true) const;

    // Name as given; used in every message and in the hostname field.
    std::string hostname;
    // Next session of main's target list; not owned.
    SNMP_session *next = nullptr;

    const std::string &community() const { return community_; }
    const std::vector<IPv4> &addresses() const { return addresses_; }
    // Address in use (the last one once all failed).
    const IPv4 &address() const;
    bool unreachable() const { return (state & UNREACHABLE) != 0; }
    // The packet log is created and written.
    bool debugging() const { return (state & DEBUG_ON) != 0; }
    // Path of the packet log, empty until it is created.
    const std::string &debugPath() const { return log_.path(); }

 private:
    enum : int { DEBUG_ON = 1, UNREACHABLE = 2, DEBUG_WANTED = 4 };
    // Creates the packet log when it is wanted and not made yet; true when
    // it is open.
    bool logging();
    // SNMPv3: what an unauthenticated message said, acted on when the wait
    // of its try ends without an authenticated answer (the first one counts).
    struct Hint {
        enum Kind { Report, Unverified, OtherEngine } kind;
        std::string oid;                     // Report: its first binding's OID
        std::vector<unsigned char> engineId;  // OtherEngine: the engine ID discovery found
    };
    // What the exchange under way is (SNMPv3 and GetBulk need to know).
    struct Round {
        bool bulk = false;        // a GetBulkRequest
        bool discovery = false;   // SNMPv3 engine discovery
        bool resynced = false;    // SNMPv3: the request went again once after a Report already
        bool rediscover = false;  // SNMPv3: discover the engine again before the next send
        std::optional<Hint> hint;
    };
    void write_log(const char *text, std::size_t len);
    // The request and its reply, sent again after a resynchronizing Report;
    // nullopt when no address answered.
    std::optional<ReplyCheck> exchange(int pduTag, OidSeq *request, int maxRepetitions);
    std::vector<unsigned char> encode_request(int pduTag, std::int32_t reqid, std::int32_t msgId, OidSeq *request,
                                              int maxRepetitions, std::vector<unsigned char> &plainScoped);
    void log_sent(const std::vector<unsigned char> &message, const std::vector<unsigned char> &plainScoped);
    // Tries every address left in turn; marks the session unreachable when none answers.
    std::optional<ReplyCheck> send_to_printer(const std::vector<unsigned char> &message, std::int32_t reqid,
                                              std::int32_t msgId);
    // Sends message to one address until it answers (Accepted or Resend);
    // nullopt when it does not, with sendFailure set to the errno when the
    // send itself failed. msgId: the SNMPv3 message id, -1 otherwise.
    std::optional<ReplyCheck> exchange_with(const IPv4 &address, const std::vector<unsigned char> &message,
                                            std::int32_t reqid, std::int32_t msgId, int &sendFailure);
    // One send of message; false when nothing went out (sendFailure set
    // when the send failed).
    bool send_once(SNMP_exchange &exchange, const std::vector<unsigned char> &message, int &sendFailure);
    // A reply thrown away; true when it makes the request go out again.
    bool discard(const ReplyCheck &check, int &discarded);
    // Decodes, logs and checks one datagram received for reqid.
    ReplyCheck received(const unsigned char *reply, std::size_t len, std::int32_t reqid, std::int32_t msgId);
    ReplyCheck received_community(const unsigned char *reply, std::size_t len, std::int32_t reqid);
    // SNMPv3 (session_v3.cc): engine discovery, opening replies, Reports.
    // The engine is known (from the store, or discovered); false when
    // discovery got no answer.
    bool ensure_engine();
    bool discover_engine();
    ReplyCheck received_v3(const unsigned char *reply, std::size_t len, std::int32_t reqid, std::int32_t msgId);
    ReplyCheck on_discovery(const UsmOpened &opened);
    void log_received_v3(const unsigned char *reply, std::size_t len, const UsmOpened &opened);
    ReplyCheck on_report(UsmOpened &opened);
    // The hint of the try whose wait has ended: the request goes again, or
    // the printer ends.
    ReplyCheck act_on_hint();
    [[noreturn]] void report_failure(const std::string &oid) const;
    // Hands what is known of the engine to the store.
    void remember_engine();
    [[noreturn]] void wrong_digest() const;
    [[noreturn]] void security_failure(SNMP_error_security::Cause cause, const std::string &text) const;

    SNMP_transport *transport;  // shared by all sessions; not owned
    std::string community_;
    std::vector<IPv4> addresses_;
    std::size_t addrIndex = 0;
    int state = 0;
    int sendError_ = 0;
    SNMP_packet_log log_;
    SNMP_log_numbers *logNumbers = nullptr;  // not owned
    int logNumber = -1;
    SNMP_warning_sink *warnings = nullptr;
    SNMP_version version_ = SNMP_version::V1;
    std::unique_ptr<SNMP_usm_engine> usm_;  // SNMPv3 only
    SNMP_engine_store *engines_ = nullptr;  // not owned
    Round round_;
    std::optional<SNMP_call_timing> timing_;
};

// "a.b.c.d"
std::string dotted(const SNMP_session::IPv4 &address);

// Every IPv4 address of name, in the order of the name service (as
// gethostbyname gives them); empty when it does not resolve. Safe from many
// threads at once.
std::vector<SNMP_session::IPv4> resolve_ipv4(const char *name);

// The PDU tag { request-id, error-status, error-index, bindings } with the
// request's bindings (none when request is nullptr or empty); a GetBulkRequest
// puts non-repeaters 0 and maxRepetitions in the two middle fields.
std::vector<unsigned char> encode_pdu(int pduTag, std::int32_t reqid, int maxRepetitions, OidSeq *request);

// Request ids: each one drawn from the operating system's random source
// (getrandom), so the ids one printer sees tell nothing about another's.
// Never negative. Safe from many threads.
std::int32_t snmp_request_id();
