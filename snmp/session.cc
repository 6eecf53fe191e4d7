// session: one printer's SNMPv1 request exchange, reply checks and packet log.
#include "snmp/session.h"

#include <netdb.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <span>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"
#include "snmp/usm_engine.h"
#include "snmp/v2map.h"

namespace {

// Size of one packet-log record, as the log format was designed around.
constexpr std::size_t LOG_RECORD_SIZE = 10240;

}  // namespace

// The bindings stay with the caller's list, so the PDU is laid out here
// rather than built as one value tree.
std::vector<unsigned char> encode_pdu(int pduTag, std::int32_t reqid, int maxRepetitions, OidSeq *request) {
    std::vector<unsigned char> fields;
    BerInt id(reqid), status(0), index(maxRepetitions);
    append_encoding(fields, id);
    append_encoding(fields, status);
    append_encoding(fields, index);
    if (request && request->sequence()) {
        append_encoding(fields, *request->sequence());
    } else {
        append_header(fields, SEQUENCE_TAG, 0);
    }
    std::vector<unsigned char> pdu;
    append_header(pdu, pduTag, fields.size());
    pdu.insert(pdu.end(), fields.begin(), fields.end());
    return pdu;
}

namespace {

// The community-based message: SEQUENCE { version, community, PDU }, version 0
// for SNMPv1 (RFC 1157) and 1 for SNMPv2c (RFC 1901).
std::vector<unsigned char> encode_message(int version, const std::string &community,
                                          const std::vector<unsigned char> &pdu) {
    std::vector<unsigned char> content;
    BerInt versionField(version);
    BerString comm(community.data(), community.size());
    append_encoding(content, versionField);
    append_encoding(content, comm);
    content.insert(content.end(), pdu.begin(), pdu.end());

    std::vector<unsigned char> message;
    append_header(message, SEQUENCE_TAG, content.size());
    message.insert(message.end(), content.begin(), content.end());
    return message;
}

template <class T>
T *as(BerBase *v) {
    return dynamic_cast<T *>(v);
}

// An INTEGER (not a Counter) child, or nullptr.
BerInt *integer_at(BerSequence *seq, std::size_t n) {
    BerInt *v = as<BerInt>(seq->peek(n));
    return v && v->type() == INT_TAG ? v : nullptr;
}

// Dotted text of the OID of binding number index (from 1) of the reply, or
// empty when the index names no (OID, value) binding.
std::string refused_oid(BerSequence *pdu, BerInt *index) {
    if (!index || index->value < 1) return "";
    auto *bindings = as<BerSequence>(pdu->peek(3));
    if (!bindings || static_cast<std::uint64_t>(index->value) > bindings->count()) return "";
    auto *binding = as<BerSequence>(bindings->peek(static_cast<std::size_t>(index->value - 1)));
    auto *oid = binding ? as<BerOid>(binding->peek(0)) : nullptr;
    if (!oid) return "";
    char buf[256];
    int n = oid->print(buf, sizeof buf);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return "";
    return std::string(buf, static_cast<std::size_t>(n));
}

// The error-status as an int, -1 when it is missing, not an INTEGER or beyond
// int: a multi-byte value must not wrap to 0 (no error) or to 2 (noSuchName,
// which ends a walk quietly).
int error_status(const BerInt *status) {
    if (!status || status->value < INT_MIN || status->value > INT_MAX) return -1;
    return static_cast<int>(status->value);
}

}  // namespace

std::string dotted(const SNMP_session::IPv4 &a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::int32_t snmp_request_id() {
    // A fresh draw from the kernel for every id: one generator shared by all
    // printers would let a printer that sees enough of its own ids predict
    // the ids sent to the others, and forge their replies.
    std::uint32_t v = 0;
    ssize_t n;
    do {
        n = ::getrandom(&v, sizeof v, 0);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof v)) v = std::random_device{}();
    return static_cast<std::int32_t>(v & 0x7fffffffu);
}

SNMP_resolve_error::SNMP_resolve_error(const std::string &name)
    : std::runtime_error("cannot resolve hostname \"" + name + "\""), hostname(name) {}

std::vector<SNMP_session::IPv4> resolve_ipv4(const char *name) {
    // gethostbyname_r keeps the order of the name service (a hosts file lists
    // a printer's interfaces in the order they should be tried), where
    // getaddrinfo would sort them by its own rules; and it shares no static
    // result between threads.
    hostent entry{};
    hostent *result = nullptr;
    int herr = 0;
    std::vector<char> buf(2048);
    int rc;
    while ((rc = gethostbyname_r(name, &entry, buf.data(), buf.size(), &result, &herr)) == ERANGE &&
           buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    std::vector<SNMP_session::IPv4> addresses;
    if (rc == 0 && result && result->h_addrtype == AF_INET && result->h_length == 4) {
        for (char **a = result->h_addr_list; *a; ++a) {
            SNMP_session::IPv4 addr;
            std::memcpy(addr.data(), *a, 4);
            addresses.push_back(addr);
        }
    }
    return addresses;
}

SNMP_session::SNMP_session(SNMP_transport *transport, const char *name, const char *community)
    : hostname(name),
      transport(transport),
      community_(community ? community : DEFAULT_COMMUNITY),
      addresses_(resolve_ipv4(name)) {
    if (addresses_.empty()) throw SNMP_resolve_error(name);
}

SNMP_session::SNMP_session(SNMP_transport *transport, const char *name, const char *community,
                           std::vector<IPv4> addresses)
    : hostname(name),
      transport(transport),
      community_(community ? community : DEFAULT_COMMUNITY),
      addresses_(std::move(addresses)) {
    if (addresses_.empty()) throw std::invalid_argument("SNMP_session: no address given");
}

SNMP_session::~SNMP_session() = default;

const SNMP_session::IPv4 &SNMP_session::address() const {
    return addresses_[addrIndex < addresses_.size() ? addrIndex : addresses_.size() - 1];
}

std::unique_ptr<OidSeq> SNMP_session::do_req(int pduTag, OidSeq *request) {
    // A refusal says which request it refused: a refused SetRequest is
    // reported otherwise than a refused read.
    try {
        std::optional<ReplyCheck> reply = exchange(pduTag, request, 0);
        if (!reply) return nullptr;
        if (version_ != SNMP_version::V1) refuse_exceptions(*reply->bindings);
        return std::move(reply->bindings);
    } catch (SNMP_error_oid &refused) {
        refused.requestTag = pduTag;
        throw;
    } catch (SNMP_error_security &denied) {
        denied.requestTag = pduTag;
        throw;
    }
}

std::unique_ptr<OidSeq> SNMP_session::do_bulk(OidSeq *request, int maxRepetitions) {
    if (version_ == SNMP_version::V1) throw std::logic_error("SNMPv1 has no GetBulkRequest");
    std::optional<ReplyCheck> reply = exchange(GETBULK_REQ_TAG, request, maxRepetitions);
    return reply ? std::move(reply->bindings) : nullptr;
}

void SNMP_session::reopen() {
    state &= ~UNREACHABLE;
    sendError_ = 0;
    addrIndex = 0;
}

void SNMP_session::setVersion(SNMP_version version) {
    if (version == SNMP_version::V3) throw std::logic_error("SNMPv3 needs a user: setUser");
    version_ = version;
    usm_.reset();
}

std::optional<ReplyCheck> SNMP_session::exchange(int pduTag, OidSeq *request, int maxRepetitions) {
    if (state & UNREACHABLE) return std::nullopt;
    round_ = Round{};
    round_.bulk = pduTag == GETBULK_REQ_TAG;
    for (;;) {
        if (usm_ && !ensure_engine()) return std::nullopt;
        const std::int32_t reqid = snmp_request_id();
        const std::int32_t msgId = usm_ ? snmp_request_id() : -1;
        std::vector<unsigned char> plainScoped;
        const std::vector<unsigned char> message =
            encode_request(pduTag, reqid, msgId, request, maxRepetitions, plainScoped);
        log_sent(message, plainScoped);
        std::optional<ReplyCheck> reply = send_to_printer(message, reqid, msgId);
        if (!reply || reply->outcome == ReplyCheck::Accepted) return reply;
        // A Report (SNMPv3) made the request go again, once: with the
        // engine's clock as an authenticated Report gave it, or after a new
        // discovery.
        round_.resynced = true;
    }
}

std::vector<unsigned char> SNMP_session::encode_request(int pduTag, std::int32_t reqid, std::int32_t msgId,
                                                        OidSeq *request, int maxRepetitions,
                                                        std::vector<unsigned char> &plainScoped) {
    const std::vector<unsigned char> pdu = encode_pdu(pduTag, reqid, maxRepetitions, request);
    if (usm_) return usm_->wrap(pdu, msgId, false, logging() ? &plainScoped : nullptr);
    return encode_message(version_ == SNMP_version::V1 ? 0 : 1, community_, pdu);
}

void SNMP_session::log_sent(const std::vector<unsigned char> &message, const std::vector<unsigned char> &plainScoped) {
    if (!logging()) return;
    BerSequence sent(message.data(), message.size());
    write_debug("Sent", &sent);
    write_debug_bin(message.data(), message.size());
    if (!plainScoped.empty() && usm_ && usm_->user().level == UsmLevel::AuthPriv) {
        BerSequence scoped(plainScoped.data(), plainScoped.size());
        write_debug("Scoped PDU before encryption", &scoped);
    }
}

std::optional<ReplyCheck> SNMP_session::send_to_printer(const std::vector<unsigned char> &message,
                                                        std::int32_t reqid, std::int32_t msgId) {
    // A silent address outweighs a failed send: "no answer" is then the truth.
    int failedSend = 0;
    bool allFailedAtSend = true;
    for (; addrIndex < addresses_.size(); ++addrIndex) {
        int err = 0;
        if (std::optional<ReplyCheck> reply = exchange_with(addresses_[addrIndex], message, reqid, msgId, err))
            return reply;
        if (err == 0) allFailedAtSend = false;
        failedSend = err;
    }
    sendError_ = allFailedAtSend ? failedSend : 0;
    state |= UNREACHABLE;
    return std::nullopt;
}

std::optional<ReplyCheck> SNMP_session::exchange_with(const IPv4 &address, const std::vector<unsigned char> &message,
                                                      std::int32_t reqid, std::int32_t msgId, int &sendFailure) {
    const SNMP_call_timing *timing = timing_ ? &*timing_ : nullptr;
    const std::unique_ptr<SNMP_exchange> exchange = transport->open(address, msgId, timing);
    const int retries = timing ? timing->retries : transport->retries();
    int discarded = 0;
    sendFailure = 0;
    round_.hint.reset();
    for (int tries = 0; tries <= retries; ++tries) {
        if (!send_once(*exchange, message, sendFailure)) {
            if (sendFailure != 0) return std::nullopt;
            continue;
        }
        exchange->start_wait();
        // Everything that comes before the wait ends is looked at; only the
        // reply to this request ends the exchange early.
        while (std::optional<SNMP_datagram> datagram = exchange->next()) {
            ReplyCheck check = received(datagram->data(), datagram->size(), reqid, msgId);
            if (check.outcome == ReplyCheck::Accepted || check.outcome == ReplyCheck::Resend) return check;
            if (check.outcome == ReplyCheck::Refused)
                throw SNMP_error_oid(check.refusedOid.c_str(), check.errorStatus);
            if (check.outcome != ReplyCheck::Hint && discard(check, discarded) &&
                !send_once(*exchange, message, sendFailure) && sendFailure != 0)
                return std::nullopt;
        }
        if (round_.hint) return act_on_hint();
    }
    if (discarded > MAX_DISCARDED_REPLIES)
        warn("Warning: " + hostname + " sent too many replies that cannot be used; no answer from " +
             dotted(address) + " assumed.\n");
    return std::nullopt;
}

bool SNMP_session::send_once(SNMP_exchange &exchange, const std::vector<unsigned char> &message, int &sendFailure) {
    const SNMP_exchange::Sent sent = exchange.send(message);
    sendFailure = sent.error;
    if (sent.error != 0) warn(std::string("Error sending packet: ") + std::strerror(sent.error) + "\n", false);
    return sent.sent;
}

bool SNMP_session::discard(const ReplyCheck &check, int &discarded) {
    // A GetBulk reply that cannot be used (cut at the buffer's size, or
    // holding a value SNMPv1 refuses) is not asked for again: the walk goes
    // on by GetNext, exactly as in SNMPv1.
    const bool unusable = check.outcome == ReplyCheck::Unusable || check.outcome == ReplyCheck::Unverified;
    if (round_.bulk && unusable) throw BerDecodeError(check.problem);
    // A reply that is not this request's makes it go out again at once (the
    // printer may have lost it, or answered an earlier send late), a bounded
    // number of times; beyond that the waits of the tries go on, so a flood
    // from the printer's address costs neither an endless resend nor the answer.
    if (++discarded > MAX_DISCARDED_REPLIES) return false;
    // A reply to an earlier, timed-out request is expected now and then and
    // needs no warning.
    if (unusable)
        warn("Warning: " + hostname + " sent a reply that cannot be used (" + check.problem +
             "); request sent again.\n");
    return true;
}

ReplyCheck SNMP_session::received(const unsigned char *reply, std::size_t len, std::int32_t reqid,
                                  std::int32_t msgId) {
    ReplyCheck check = usm_ ? received_v3(reply, len, reqid, msgId) : received_community(reply, len, reqid);
    if (version_ != SNMP_version::V1) as_v1_refusal(check, *this);
    return check;
}

ReplyCheck SNMP_session::received_community(const unsigned char *reply, std::size_t len, std::int32_t reqid) {
    std::unique_ptr<BerSequence> tree;
    std::string undecodable;
    try {
        tree = std::make_unique<BerSequence>(std::span<const unsigned char>(reply, len),
                                             version_ == SNMP_version::V1 ? BerSyntax::V1 : BerSyntax::V2);
    } catch (const BerDecodeError &e) {
        undecodable = std::string("undecodable: ") + e.what();
    }
    if (state & DEBUG_ON) {
        if (tree) {
            write_debug("Received", tree.get());
        } else {
            std::string record = "Received\n(" + undecodable + ")\n";
            write_log(record.data(), record.size());
        }
        write_debug_bin(reply, len);
    }
    if (!tree) return ReplyCheck{ReplyCheck::Unusable, nullptr, {}, 0, undecodable};
    return check_reply(*tree, reqid);
}

ReplyCheck check_reply(BerSequence &message, std::int32_t reqid) {
    auto unusable = [](const char *problem) {
        return ReplyCheck{ReplyCheck::Unusable, nullptr, {}, 0, problem};
    };
    BerSequence *pdu = as<BerSequence>(message.peek(2));
    if (!pdu || pdu->tag() != GET_RESP_TAG) return unusable("not a GetResponse");
    BerInt *id = integer_at(pdu, 0);
    if (!id) return unusable("request id is not an INTEGER");
    if (id->value != reqid) return ReplyCheck{ReplyCheck::OtherRequest, nullptr, {}, 0, {}};

    BerInt *status = integer_at(pdu, 1);
    if (!status || status->value != 0) {
        // Printers that do not name a binding still refuse the request: the
        // error carries an empty OID text then.
        return ReplyCheck{ReplyCheck::Refused, nullptr,
                          refused_oid(pdu, status ? integer_at(pdu, 2) : nullptr), error_status(status), {}};
    }
    if (!as<BerSequence>(pdu->peek(3))) return unusable("no variable-binding list");
    std::unique_ptr<BerBase> taken = pdu->extract(3);
    std::unique_ptr<BerSequence> list(static_cast<BerSequence *>(taken.release()));
    try {
        return ReplyCheck{ReplyCheck::Accepted, std::make_unique<OidSeq>(std::move(list)), {}, 0, {}};
    } catch (const BerDecodeError &e) {
        return ReplyCheck{ReplyCheck::Unusable, nullptr, {}, 0, e.what()};
    }
}

void SNMP_session::warn(const std::string &text, bool namesPrinter) const {
    if (warnings)
        warnings->warn(text, namesPrinter);
    else
        std::fputs(text.c_str(), stderr);
}

void SNMP_session::setDebug(SNMP_log_numbers &numbers) {
    logNumbers = &numbers;
    logNumber = numbers.take();
    state |= DEBUG_WANTED;
}

bool SNMP_session::logging() {
    if (state & DEBUG_WANTED) {
        state &= ~DEBUG_WANTED;
        const std::string problem = log_.create(*logNumbers, logNumber);
        if (!problem.empty()) {
            warn("Warning: cannot create the packet log for " + hostname + " (" + problem +
                 "); continuing without it.\n");
            return false;
        }
        state |= DEBUG_ON;
        warn("Note: packets of " + hostname + " are logged in " + log_.path() + "\n");
        const std::string contacting = "Contacting " + dotted(address()) + "\n";
        write_log(contacting.data(), contacting.size());
    }
    return (state & DEBUG_ON) != 0;
}

void SNMP_session::write_log(const char *text, std::size_t len) {
    if (!(state & DEBUG_ON)) return;
    const std::string problem = log_.append(text, len);
    if (problem.empty()) return;
    warn("Warning: cannot write the packet log of " + hostname + " (" + problem + "); logging stopped.\n");
    state &= ~DEBUG_ON;
}

void SNMP_session::write_debug(const char *label, BerBase *value) {
    if (!logging()) return;
    // A record is at most LOG_RECORD_SIZE bytes: a display form that does not
    // fit is cut, and the record still ends in "\n".
    std::string record(label);
    record += '\n';
    std::vector<char> form(LOG_RECORD_SIZE);
    int n = value->print(form.data(), form.size());
    while (n < 0 && form.size() < 64 * LOG_RECORD_SIZE) {
        form.resize(form.size() * 4);
        n = value->print(form.data(), form.size());
    }
    const char *text = n < 0 ? "(display form too long)" : form.data();
    std::size_t textlen = n < 0 ? std::strlen(text) : static_cast<std::size_t>(n);
    std::size_t room = LOG_RECORD_SIZE - record.size() - 1;
    record.append(text, textlen < room ? textlen : room);
    record += '\n';
    write_log(record.data(), record.size());
}

void SNMP_session::write_debug_bin(const unsigned char *data, std::size_t len) {
    if (!logging()) return;
    // 16 bytes take 49 characters: a record holds the dump of up to 3343
    // bytes. A longer packet shows its first 206 lines and counts the rest.
    const std::size_t full = 3 * len + len / 16 + 1;
    const std::size_t shown = full <= LOG_RECORD_SIZE ? len : 206 * 16;
    std::string record;
    record.reserve(LOG_RECORD_SIZE);
    char hex[4];
    for (std::size_t i = 0; i < shown; ++i) {
        std::snprintf(hex, sizeof hex, "%02x ", data[i]);
        record += hex;
        if (i % 16 == 15) record += '\n';
    }
    record += '\n';
    if (shown < len) record += "(" + std::to_string(len - shown) + " more bytes not shown)\n";
    write_log(record.data(), record.size());
}
