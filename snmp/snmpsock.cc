// snmpsock: the one UDP socket of a run, its receiver thread, and the send-and-wait exchange.
#include "snmp/snmpsock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <system_error>

#include "snmp/v3message.h"

namespace {

std::string socket_error_text(const std::string &step, int err) {
    if (err == 0) return step;
    return step + ": " + std::strerror(err);
}

}  // namespace

SNMP_socket_error::SNMP_socket_error(const std::string &step, int err)
    : std::runtime_error(socket_error_text(step, err)) {}

void SNMP_descriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

// One exchange in progress. Lives in its exchange object; every field is
// guarded by pendingLock while the record is listed.
struct SNMP_socket::PendingRequest {
    unsigned char address[4];
    std::uint32_t key = 0;    // the address as the index's key
    std::int32_t msgId = -1;  // SNMPv3: the msgID a reply must carry
    std::condition_variable condition;
    PendingRequest *next = nullptr;
    PendingRequest *prev = nullptr;
    std::deque<SNMP_datagram> received;
    std::size_t receivedBytes = 0;
};

// An exchange of the socket: listed from construction to destruction.
class SNMP_socket::Exchange final : public SNMP_exchange {
 public:
    Exchange(SNMP_socket &owner, const SNMP_ipv4 &address, std::int32_t msgId, const SNMP_call_timing *timing)
        : owner_(owner), timeout_(timing ? timing->timeout : owner.timeout_) {
        if (timing) deadline_ = timing->deadline;
        std::memcpy(request_.address, address.data(), 4);
        std::memcpy(&request_.key, address.data(), 4);
        request_.msgId = msgId;
        dest_.sin_family = AF_INET;
        dest_.sin_port = static_cast<in_port_t>(owner.port_);
        std::memcpy(&dest_.sin_addr, address.data(), 4);
        std::lock_guard<std::mutex> lock(owner_.pendingLock);
        owner_.link_pending(&request_);
    }
    // Datagrams the session did not take go to the next exchange open for
    // the address that takes them, as if this one had never waited, or
    // count as stray.
    ~Exchange() override {
        std::string lines;
        {
            std::lock_guard<std::mutex> lock(owner_.pendingLock);
            owner_.unlink_pending(&request_);
            for (const SNMP_datagram &left : request_.received)
                lines += owner_.route(request_.address, left.data(), left.size());
        }
        if (!lines.empty()) std::fputs(lines.c_str(), stderr);
    }
    Exchange(const Exchange &) = delete;
    Exchange &operator=(const Exchange &) = delete;

    Sent send(std::span<const unsigned char> message) override {
        if (std::chrono::system_clock::now() >= deadline_) return {false, 0};
        const Sent sent = owner_.send_datagram(dest_, message.data(), message.size());
        if (sent.sent) {
            ++owner_.sendCount;
            if (sends_++ > 0) ++owner_.retryCount;
        }
        return sent;
    }

    void start_wait() override {
        // The deadline is the current time in whole seconds plus the timeout,
        // so with a timeout of 2 the wait lasts one to two seconds. The
        // seconds come from the clock the wait uses: time() reads a coarse
        // clock that can lag it by a few milliseconds, which would put a
        // deadline in the past.
        const std::chrono::system_clock::time_point tryEnd =
            std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) + std::chrono::seconds(timeout_);
        waitEnd_ = std::min(tryEnd, deadline_);
        heard_ = false;
    }

    std::optional<SNMP_datagram> next() override {
        std::unique_lock<std::mutex> lock(owner_.pendingLock);
        while (request_.received.empty()) {
            if (request_.condition.wait_until(lock, waitEnd_) == std::cv_status::timeout &&
                request_.received.empty()) {
                if (!heard_) ++owner_.timeoutCount;
                heard_ = true;  // counted once per wait
                return std::nullopt;
            }
        }
        heard_ = true;
        SNMP_datagram datagram = std::move(request_.received.front());
        request_.received.pop_front();
        request_.receivedBytes -= datagram.size();
        return datagram;
    }

 private:
    SNMP_socket &owner_;
    PendingRequest request_;
    sockaddr_in dest_{};
    int timeout_;  // seconds each wait lasts
    std::chrono::system_clock::time_point deadline_ = std::chrono::system_clock::time_point::max();
    std::chrono::system_clock::time_point waitEnd_{};
    int sends_ = 0;
    bool heard_ = true;  // the current wait has had a datagram (or none is running)
};

SNMP_socket::SNMP_socket(int timeout, int retries, int port, SNMP_receiver_failed onFailure)
    : timeout_(timeout), retries_(retries), onFailure_(onFailure) {
    // Both databases are read only here, in the main thread, before any worker exists.
    const protoent *proto = getprotobyname("udp");
    if (!proto) throw SNMP_socket_error("protocol \"udp\" not found in the protocols database", 0);
    sock.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, proto->p_proto));
    if (!sock.valid()) throw SNMP_socket_error("cannot create the UDP socket", errno);
    // A smaller queue than asked for only means more drops under a burst.
    const int queueBytes = RECEIVE_QUEUE_BYTES;
    ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &queueBytes, sizeof queueBytes);

    if (port != 0) {
        port_ = htons(static_cast<std::uint16_t>(port));
    } else {
        const servent *service = getservbyname("snmp", "udp");
        port_ = service ? service->s_port : htons(161);
        endservent();
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw SNMP_socket_error("cannot create the receiver's wake-up pipe", errno);
    wakeRead.reset(fds[0]);
    wakeWrite.reset(fds[1]);

    try {
        listening_thr = std::thread(&SNMP_socket::receiver, this);
    } catch (const std::system_error &e) {
        throw SNMP_socket_error("cannot start the receiver thread", e.code().value());
    }
}

SNMP_socket::~SNMP_socket() { stop_receiver(); }

void SNMP_socket::stop_receiver() {
    if (listening_thr.joinable()) {
        const unsigned char stop = 1;
        ssize_t n;
        do {
            n = ::write(wakeWrite.get(), &stop, 1);
        } while (n < 0 && errno == EINTR);
        listening_thr.join();
    }
}

std::string SNMP_socket::finish() {
    stop_receiver();
    std::lock_guard<std::mutex> lock(pendingLock);
    return strays.summary();
}

std::unique_ptr<SNMP_exchange> SNMP_socket::open(const SNMP_ipv4 &address, std::int32_t msgId,
                                                  const SNMP_call_timing *timing) {
    return std::make_unique<Exchange>(*this, address, msgId, timing);
}

SNMP_transport_counts SNMP_socket::counts() const {
    return {sendCount.load(), retryCount.load(), timeoutCount.load(), strayCount.load()};
}

std::unique_ptr<unsigned char[]> SNMP_socket::call(int addrlen, int family, const void *address,
                                                   const unsigned char *data, std::size_t &length,
                                                   int *sendError, std::int32_t msgId) {
    if (addrlen != 4 || family != AF_INET)
        throw std::invalid_argument("SNMP_socket::call: only IPv4 addresses are supported");
    SNMP_ipv4 to;
    std::memcpy(to.data(), address, 4);
    const std::unique_ptr<SNMP_exchange> exchange = open(to, msgId);
    for (int tries = 0; tries <= retries_; ++tries) {
        const SNMP_exchange::Sent sent = exchange->send({data, length});
        if (sent.error != 0) {
            if (sendError) *sendError = sent.error;
            return nullptr;
        }
        if (!sent.sent) continue;
        exchange->start_wait();
        if (std::optional<SNMP_datagram> reply = exchange->next()) {
            auto out = std::make_unique_for_overwrite<unsigned char[]>(reply->size());
            std::memcpy(out.get(), reply->data(), reply->size());
            length = reply->size();
            return out;
        }
    }
    return nullptr;
}

SNMP_exchange::Sent SNMP_socket::send_datagram(const sockaddr_in &dest, const unsigned char *data,
                                                    std::size_t length) {
    // A refusal reported here belongs to an earlier datagram (the ICMP
    // port-unreachable is delivered on the next socket operation), so the
    // datagram is sent again at once without counting a try.
    for (int refused = 0; refused <= MAX_REFUSED_RESENDS;) {
        ssize_t n = ::sendto(sock.get(), data, length, 0, reinterpret_cast<const sockaddr *>(&dest), sizeof dest);
        if (n >= 0) return {true, 0};
        const int err = errno;
        if (err == ECONNREFUSED)
            ++refused;
        else if (err != EINTR)
            return {false, err};
    }
    return {false, 0};
}

void SNMP_socket::link_pending(PendingRequest *p) {
    PendingRequest *&head = pendingList[p->key];
    p->next = head;
    if (head) head->prev = p;
    head = p;
}

void SNMP_socket::unlink_pending(PendingRequest *p) {
    if (p->prev) {
        p->prev->next = p->next;
    } else if (p->next) {
        pendingList[p->key] = p->next;
    } else {
        pendingList.erase(p->key);
    }
    if (p->next) p->next->prev = p->prev;
    p->next = p->prev = nullptr;
}

std::string SNMP_socket::route(const unsigned char *addr, const unsigned char *data, std::size_t len) {
    if (deliver(addr, data, len)) return {};
    ++strayCount;
    return strays.count(addr);
}

bool SNMP_socket::deliver(const unsigned char *addr, const unsigned char *data, std::size_t len) {
    std::uint32_t key;
    std::memcpy(&key, addr, 4);
    auto found = pendingList.find(key);
    if (found == pendingList.end()) return false;
    PendingRequest *p = found->second;
    // An SNMPv3 request takes only the reply with its msgID, so two sessions
    // with the same printer do not take each other's replies.
    std::optional<std::int32_t> msgId;
    bool idRead = false;
    while (p && p->msgId >= 0) {
        if (!idRead) msgId = v3_message_id({data, len});
        idRead = true;
        if (msgId == p->msgId) break;
        p = p->next;
    }
    if (!p || p->received.size() >= MAX_QUEUED_DATAGRAMS || p->receivedBytes + len > MAX_QUEUED_BYTES) return false;
    p->received.emplace_back(data, data + len);
    p->receivedBytes += len;
    // Signalled under the lock: once it is released the record's owner may
    // go away with its condition.
    p->condition.notify_one();
    return true;
}

void SNMP_socket::receiver() {
    // Only the first n bytes of the buffer are ever read, so it is not cleared.
    const auto buf = std::make_unique_for_overwrite<unsigned char[]>(REPLY_BUFFER_SIZE);
    for (;;) {
        pollfd fds[2] = {{sock.get(), POLLIN, 0}, {wakeRead.get(), POLLIN, 0}};
        int rc = ::poll(fds, 2, 5000);
        if (rc < 0) {
            if (errno == EINTR) continue;
            if (onFailure_) onFailure_("poll in reciever thread", errno);
            return;
        }
        if (fds[1].revents) return;
        if (rc == 0 || !(fds[0].revents & (POLLIN | POLLERR))) continue;

        // Read everything queued before waiting again: under a burst of
        // replies one wait per datagram would double the receiver's system calls.
        for (;;) {
            sockaddr_in from{};
            socklen_t fromlen = sizeof from;
            ssize_t n = ::recvfrom(sock.get(), buf.get(), REPLY_BUFFER_SIZE, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr *>(&from), &fromlen);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                if (errno == ECONNREFUSED || errno == EINTR) continue;
                if (onFailure_) onFailure_("bad read in reciever thread", errno);
                return;
            }
            unsigned char addr[4];
            std::memcpy(addr, &from.sin_addr, 4);
            // Requests go to one port: a datagram from any other port of the
            // address is no reply (an agent answers from the port it was
            // asked on), and must not count against the printer's exchange.
            std::string line;
            {
                std::lock_guard<std::mutex> lock(pendingLock);
                if (from.sin_port != port_) {
                    ++strayCount;
                    line = strays.count(addr);
                } else {
                    line = route(addr, buf.get(), static_cast<std::size_t>(n));
                }
            }
            if (SNMP_warning_sink *sink = strayWarnings_.load(); sink && !line.empty())
                sink->warn(line, true);
            else if (!line.empty())
                std::fputs(line.c_str(), stderr);
        }
    }
}
