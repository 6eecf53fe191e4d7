// Fuzzer: arbitrary bytes as the replies a printer sends, first to one
// session exchange (do_req), then to every step of a table walk (tabdef::get).
// The replies travel through the real transport over loopback: an in-process
// responder on 127.0.0.1 answers each request with the next reply of the input.
//
// Input: one flags byte, then replies, each a 2-byte big-endian length and that
// many bytes. Flags bit 0: put the request's own request id into each reply
// that has one, so the checks behind the id match are reached too. Once the
// replies are used up the responder ends the walk with noSuchName.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ber/ber.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"
#include "snmp/structfill.h"

namespace {

using Bytes = std::vector<unsigned char>;

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

// The request-id INTEGER (whole TLV) of an SNMPv1 message: its offset and size.
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

// reply with its request id replaced by the request's (lengths rewritten), or
// reply unchanged when either is not laid out as an SNMPv1 message.
Bytes with_request_id(const Bytes &reply, const Bytes &request) {
    std::size_t rpdu, rid, rsize, qpdu, qid, qsize;
    if (!find_id(reply, rpdu, rid, rsize) || !find_id(request, qpdu, qid, qsize)) return reply;
    std::size_t outerContent, outerHeader, pduContent, pduHeader;
    header_at(reply, 0, outerContent, outerHeader);
    header_at(reply, rpdu, pduContent, pduHeader);
    // The PDU must lie inside the message and the id inside the PDU.
    if (rpdu + pduHeader + pduContent > outerHeader + outerContent || rid + rsize > rpdu + pduHeader + pduContent)
        return reply;
    // Only the outer message and the PDU hold the id; bytes after the outer
    // message's end are kept as they came.
    Bytes pdu(request.begin() + static_cast<std::ptrdiff_t>(qid),
              request.begin() + static_cast<std::ptrdiff_t>(qid + qsize));
    pdu.insert(pdu.end(), reply.begin() + static_cast<std::ptrdiff_t>(rid + rsize),
               reply.begin() + static_cast<std::ptrdiff_t>(rpdu + pduHeader + pduContent));
    Bytes inner(reply.begin() + static_cast<std::ptrdiff_t>(outerHeader),
                reply.begin() + static_cast<std::ptrdiff_t>(rpdu));
    put_header(inner, reply[rpdu], pdu.size());
    inner.insert(inner.end(), pdu.begin(), pdu.end());
    inner.insert(inner.end(), reply.begin() + static_cast<std::ptrdiff_t>(rpdu + pduHeader + pduContent),
                 reply.begin() + static_cast<std::ptrdiff_t>(outerHeader + outerContent));
    Bytes out;
    put_header(out, 0x30, inner.size());
    out.insert(out.end(), inner.begin(), inner.end());
    out.insert(out.end(), reply.begin() + static_cast<std::ptrdiff_t>(outerHeader + outerContent), reply.end());
    return out;
}

// noSuchName (2) at index 1 for request: how an agent ends a walk.
Bytes end_of_mib(const Bytes &request) {
    static const Bytes reply = {0x30, 0x1b, 0x02, 0x01, 0x00, 0x04, 0x06, 'q',  'u',  'o',
                                'r',  'u',  'm',  0xa2, 0x0e, 0x02, 0x01, 0x00, 0x02, 0x01,
                                0x02, 0x02, 0x01, 0x01, 0x30, 0x03, 0x30, 0x01, 0x05};
    return with_request_id(reply, request);
}

class Responder {
 public:
    Responder() {
        sock_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (sock_ < 0 || ::bind(sock_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) std::abort();
        socklen_t len = sizeof sa;
        ::getsockname(sock_, reinterpret_cast<sockaddr *>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { run(); });
        thread_.detach();
    }
    std::uint16_t port() const { return port_; }

    void script(std::vector<Bytes> replies, bool patchId) {
        std::lock_guard<std::mutex> g(lock_);
        replies_ = std::move(replies);
        next_ = 0;
        patchId_ = patchId;
    }

 private:
    void run() {
        std::vector<unsigned char> buf(65536);
        for (;;) {
            sockaddr_in from{};
            socklen_t fromlen = sizeof from;
            ssize_t n = ::recvfrom(sock_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromlen);
            if (n < 0) continue;
            const Bytes request(buf.begin(), buf.begin() + n);
            Bytes reply;
            {
                std::lock_guard<std::mutex> g(lock_);
                if (next_ < replies_.size())
                    reply = patchId_ ? with_request_id(replies_[next_], request) : replies_[next_];
                else
                    reply = end_of_mib(request);
                ++next_;
            }
            ::sendto(sock_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr *>(&from), fromlen);
        }
    }

    int sock_ = -1;
    std::uint16_t port_ = 0;
    std::mutex lock_;
    std::vector<Bytes> replies_;
    std::size_t next_ = 0;
    bool patchId_ = false;
    std::thread thread_;
};

struct Row {
    std::int64_t index = 0;
    std::int64_t level = 0;
    std::string descr;
    std::array<unsigned char, 4> addr{};
};

// The product's warnings would flood the fuzzer's output: while the product
// runs, the stdio stream stderr is pointed at /dev/null (glibc lets the
// variable be assigned). Descriptor 2 is left alone, so the sanitizers'
// reports and libFuzzer's own output still show.
class Quiet {
 public:
    Quiet() {
        static std::FILE *devnull = std::fopen("/dev/null", "w");
        saved_ = stderr;
        if (devnull) stderr = devnull;
    }
    ~Quiet() { stderr = saved_; }

 private:
    std::FILE *saved_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Responder responder;
    // One wait of a second per send and no resend: every request is answered,
    // so the wait only matters if a reply is lost, which loopback does not do.
    static SNMP_socket transport(1, 0, responder.port());
    if (size < 1) return 0;

    std::vector<Bytes> replies;
    std::size_t pos = 1;
    while (pos + 2 <= size && replies.size() < 64) {
        std::size_t len = (static_cast<std::size_t>(data[pos]) << 8) | data[pos + 1];
        pos += 2;
        if (len > size - pos) len = size - pos;
        replies.emplace_back(data + pos, data + pos + len);
        pos += len;
    }
    responder.script(std::move(replies), data[0] & 1);

    Quiet quiet;
    {
        SNMP_session session(&transport, "fuzz", nullptr, {{127, 0, 0, 1}});
        OidSeq request;
        request.append("1.3.6.1.2.1.1.1.0");
        request.append("1.3.6.1.2.1.25.2.2.0");
        try {
            std::unique_ptr<OidSeq> reply = session.do_req(GET_REQ_TAG, &request);
            if (reply) {
                for (std::size_t i = 0; i < reply->size(); ++i) static_cast<void>(reply->oidstr(i));
                static_cast<void>(reply->find("1.3.6.1.2.1.1.1.0"));
                static_cast<void>(reply->findPrefix("1.3.6.1.2.1.25"));
            }
        } catch (const SNMP_error_oid &) {
        }
    }
    {
        SNMP_session session(&transport, "fuzz", nullptr, {{127, 0, 0, 1}});
        tabdef<Row> table(&session);
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
    return 0;
}
