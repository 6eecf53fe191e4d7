// Fuzz support: scripted replies, request-id splicing, and the scripted transport.
#include "fuzz/scripted.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "ber/ber.h"
#include "snmp/errors.h"
#include "snmp/session.h"
#include "snmp/structfill.h"
#include "snmp/v3message.h"

namespace {

// One BER header at m[pos]: content length and header size, within m.
bool header_at(const Bytes &m, std::size_t pos, std::size_t &content, std::size_t &header) {
    if (m.size() < 2 || pos > m.size() - 2) return false;
    std::size_t len = m[pos + 1];
    header = 2;
    if (len & 0x80) {
        const std::size_t n = len & 0x7f;
        if (n == 0 || n > 3 || n > m.size() - pos - 2) return false;
        len = 0;
        for (std::size_t i = 0; i < n; ++i) len = (len << 8) | m[pos + 2 + i];
        header += n;
    }
    content = len;
    return len <= m.size() - pos - header;
}

void put_header(Bytes &out, int tag, std::size_t length) {
    unsigned char h[8];
    const std::size_t n = write_header(tag, length, h);
    out.insert(out.end(), h, h + n);
}

// The request-id INTEGER (whole TLV) of SEQUENCE { x, y, PDU { id, ... } }:
// the PDU's offset, the id's offset and size.
bool find_id(const Bytes &m, std::size_t &pdu, std::size_t &id, std::size_t &idSize) {
    std::size_t content = 0, header = 0;
    if (m.empty() || m[0] != 0x30 || !header_at(m, 0, content, header)) return false;
    std::size_t pos = header;
    for (int skip = 0; skip < 2; ++skip) {
        if (!header_at(m, pos, content, header)) return false;
        pos += header + content;
    }
    pdu = pos;
    if (!header_at(m, pos, content, header)) return false;
    pos += header;
    if (pos >= m.size() || m[pos] != 0x02 || !header_at(m, pos, content, header)) return false;
    id = pos;
    idSize = header + content;
    return true;
}

struct Row {
    std::int64_t index = 0;
    std::int64_t level = 0;
    std::string descr;
    std::array<unsigned char, 4> addr{};
};

// A session to 127.0.0.1 in version (or as user).
std::unique_ptr<SNMP_session> session_for(SNMP_transport &transport, SNMP_version version, const SNMP_usm_user *user,
                                          SNMP_engine_store *store) {
    auto session = std::make_unique<SNMP_session>(&transport, "fuzz", nullptr, std::vector<SNMP_ipv4>{{127, 0, 0, 1}});
    if (user) {
        session->setUser(*user);
        session->setEngineStore(store);
    } else {
        session->setVersion(version);
    }
    return session;
}

}  // namespace

std::vector<ScriptedReply> scripted_replies(const std::uint8_t *data, std::size_t size) {
    std::vector<ScriptedReply> replies;
    std::size_t pos = 1;
    while (pos + 2 <= size && replies.size() < 64) {
        const bool withNext = data[pos] & 0x80;
        std::size_t len = (static_cast<std::size_t>(data[pos] & 0x7f) << 8) | data[pos + 1];
        pos += 2;
        if (len > size - pos) len = size - pos;
        replies.push_back({Bytes(data + pos, data + pos + len), withNext});
        pos += len;
    }
    return replies;
}

Bytes with_request_id(const Bytes &reply, const Bytes &request) {
    std::size_t rpdu, rid, rsize, qpdu, qid, qsize;
    if (!find_id(reply, rpdu, rid, rsize) || !find_id(request, qpdu, qid, qsize)) return reply;
    std::size_t outerContent, outerHeader, pduContent, pduHeader;
    header_at(reply, 0, outerContent, outerHeader);
    header_at(reply, rpdu, pduContent, pduHeader);
    const std::size_t pduEnd = rpdu + pduHeader + pduContent, outerEnd = outerHeader + outerContent;
    // The PDU must lie inside the message and the id inside the PDU.
    if (pduEnd > outerEnd || rid + rsize > pduEnd) return reply;
    // Only the outer value and the PDU hold the id, so only their headers
    // change; bytes after the outer value's end are kept as they came.
    const std::size_t pduLength = qsize + (pduEnd - rid - rsize);
    unsigned char pduTag[8];
    const std::size_t pduTagSize = write_header(reply[rpdu], pduLength, pduTag);
    const std::size_t innerLength = (rpdu - outerHeader) + pduTagSize + pduLength + (outerEnd - pduEnd);
    Bytes out;
    out.reserve(innerLength + 8 + (reply.size() - outerEnd));
    put_header(out, 0x30, innerLength);
    auto copy = [&out](const Bytes &from, std::size_t begin, std::size_t end) {
        out.insert(out.end(), from.begin() + static_cast<std::ptrdiff_t>(begin), from.begin() + static_cast<std::ptrdiff_t>(end));
    };
    copy(reply, outerHeader, rpdu);
    out.insert(out.end(), pduTag, pduTag + pduTagSize);
    copy(request, qid, qid + qsize);
    copy(reply, rid + rsize, outerEnd);
    copy(reply, outerEnd, reply.size());
    return out;
}

Bytes end_of_mib(const Bytes &request) {
    // 30 { 02 01 00, 04 "quorum", a2 { id, status 2, index 1, 30 00 } }
    static const Bytes reply = {0x30, 0x18, 0x02, 0x01, 0x00, 0x04, 0x06, 'q',  'u',  'o',  'r',  'u',  'm',
                                0xa2, 0x0b, 0x02, 0x01, 0x00, 0x02, 0x01, 0x02, 0x02, 0x01, 0x01, 0x30, 0x00};
    return with_request_id(reply, request);
}

Quiet::Quiet() {
    static std::FILE *devnull = std::fopen("/dev/null", "w");
    saved_ = stderr;
    if (devnull) stderr = devnull;
}

Quiet::~Quiet() { stderr = saved_; }

class ScriptedExchange final : public SNMP_exchange {
 public:
    ScriptedExchange(ScriptedTransport &owner, std::int32_t msgId) : owner_(owner), msgId_(msgId) {}

    Sent send(std::span<const unsigned char> message) override {
        for (Bytes &datagram : owner_.answer_(message)) {
            if (datagram.size() > SNMP_transport::REPLY_BUFFER_SIZE) datagram.resize(SNMP_transport::REPLY_BUFFER_SIZE);
            // What the real transport would count as stray never reaches an SNMPv3 request.
            if (msgId_ >= 0 && v3_message_id(datagram) != msgId_) continue;
            queue_.push_back(std::move(datagram));
        }
        return {true, 0};
    }
    void start_wait() override {}
    std::optional<SNMP_datagram> next() override {
        if (taken_ == queue_.size()) return std::nullopt;
        return std::move(queue_[taken_++]);
    }

 private:
    ScriptedTransport &owner_;
    std::int32_t msgId_;
    // Datagrams not yet handed out start at taken_; a vector, not a deque, as
    // a deque's first block costs each execution an allocation of 512 bytes.
    std::vector<SNMP_datagram> queue_;
    std::size_t taken_ = 0;
};

std::unique_ptr<SNMP_exchange> ScriptedTransport::open(const SNMP_ipv4 &, std::int32_t msgId, const SNMP_call_timing *) {
    return std::make_unique<ScriptedExchange>(*this, msgId);
}

void exercise_session(SNMP_transport &transport, SessionAsk ask, SNMP_version version, const SNMP_usm_user *user,
                      SNMP_engine_store *store) {
    const std::unique_ptr<SNMP_session> session = session_for(transport, version, user, store);
    if (ask == SessionAsk::Get) {
        // do_req leaves the caller's list as it was: one serves every run.
        static OidSeq request{"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.25.2.2.0"};
        try {
            std::unique_ptr<OidSeq> reply = session->do_req(GET_REQ_TAG, &request);
            if (reply) {
                for (std::size_t i = 0; i < reply->size(); ++i) static_cast<void>(reply->oidstr(i));
                static_cast<void>(reply->find("1.3.6.1.2.1.1.1.0"));
                static_cast<void>(reply->findPrefix("1.3.6.1.2.1.25"));
            }
        } catch (const PrinterError &) {
        }
        return;
    }
    tabdef<Row> table(session.get());
    table.append("1.3.6.1.2.1.43.11.1.1.9", INT_TAG, &Row::level);
    table.append("1.3.6.1.2.1.43.11.1.1.6", STRING_TAG, &Row::descr);
    table.append("1.3.6.1.2.1.43.11.1.1.5", COUNTER_TAG, &Row::index);
    table.append("1.3.6.1.2.1.4.20.1.3", IPADDR_TAG, &Row::addr);
    try {
        std::vector<Row> rows = table.get();
        static_cast<void>(rows);
    } catch (const PrinterError &) {
    }
}

// Allocation and free stacks of two frames instead of thirty: recording
// them is the largest cost of an execution that decodes a few messages (the
// session harnesses run about twice as fast). Reports still show where a bad
// access happened; run the input again with ASAN_OPTIONS=malloc_context_size=30
// for the whole allocation stack.
extern "C" const char *__asan_default_options() { return "malloc_context_size=2"; }
