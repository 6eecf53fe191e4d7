// Fuzzer (a smoke run beside fuzz_snmp_exchange, which drives the same
// session without sockets): arbitrary bytes as the replies a printer sends
// to one session exchange (do_req), or to every step of a table walk
// (tabdef::get), through the real transport over loopback: an in-process
// responder on 127.0.0.1 answers each request with the next reply of the
// input (and the ones in its burst).
//
// Input: as fuzz_snmp_exchange's (fuzz/scripted.h): one flags byte, then
// replies. Flags bit 0: put the request's own request id into each reply
// that has one, so the checks behind the id match are reached too; bit 3:
// the walk (otherwise the GetRequest). Once the replies are used up the
// responder ends the walk with noSuchName.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "fuzz/scripted.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

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

    void script(std::vector<ScriptedReply> replies, bool patchId) {
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
            std::vector<Bytes> burst;
            {
                std::lock_guard<std::mutex> g(lock_);
                if (next_ >= replies_.size()) burst.push_back(end_of_mib(request));
                while (next_ < replies_.size()) {
                    const ScriptedReply &r = replies_[next_++];
                    burst.push_back(patchId_ ? with_request_id(r.bytes, request) : r.bytes);
                    if (!r.withNext) break;
                }
            }
            for (const Bytes &reply : burst)
                ::sendto(sock_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr *>(&from), fromlen);
        }
    }

    int sock_ = -1;
    std::uint16_t port_ = 0;
    std::mutex lock_;
    std::vector<ScriptedReply> replies_;
    std::size_t next_ = 0;
    bool patchId_ = false;
    std::thread thread_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static Responder responder;
    // One wait of a second per send and no resend: every request is answered,
    // so the wait only matters if a reply is lost, which loopback does not do.
    static SNMP_socket transport(1, 0, responder.port());
    if (size < 1) return 0;

    responder.script(scripted_replies(data, size), data[0] & 1);

    Quiet quiet;
    exercise_session(transport, data[0] & 8 ? SessionAsk::Walk : SessionAsk::Get, SNMP_version::V1, nullptr, nullptr);
    return 0;
}
