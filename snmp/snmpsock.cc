// snmpsock: the one UDP socket of a run, its receiver thread, and the send-and-wait exchange.
#include "snmp/snmpsock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstring>
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

// One call in progress. Lives in the caller's frame; every field is guarded by
// pendingLock while the record is listed.
struct SNMP_socket::PendingRequest {
    unsigned char address[4];
    std::int32_t msgId = -1;  // SNMPv3: the msgID a reply must carry
    std::condition_variable condition;
    PendingRequest *next = nullptr;
    PendingRequest *prev = nullptr;
    std::unique_ptr<unsigned char[]> data;
    std::size_t length = 0;
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
    return strays.summary();
}

SNMP_transport_counts SNMP_socket::counts() const {
    return {sendCount.load(), retryCount.load(), timeoutCount.load(), strayCount.load()};
}

std::unique_ptr<unsigned char[]> SNMP_socket::call(int addrlen, int family, const void *address,
                                                   const unsigned char *data, std::size_t &length,
                                                   int *sendError, std::int32_t msgId,
                                                   const SNMP_call_timing *timing) {
    if (addrlen != 4 || family != AF_INET)
        throw std::invalid_argument("SNMP_socket::call: only IPv4 addresses are supported");
    const int timeout = timing ? timing->timeout : timeout_;
    const int retries = timing ? timing->retries : retries_;
    const auto callDeadline = timing ? timing->deadline : std::chrono::system_clock::time_point::max();

    PendingRequest request;
    std::memcpy(request.address, address, 4);
    request.msgId = msgId;
    sockaddr_in dest{};
    dest.sin_family = static_cast<sa_family_t>(family);
    dest.sin_port = static_cast<in_port_t>(port_);
    std::memcpy(&dest.sin_addr, address, 4);

    std::uint32_t key;
    std::memcpy(&key, address, 4);
    std::unique_lock<std::mutex> lock(pendingLock);
    PendingRequest *&head = pendingList[key];
    request.next = head;
    if (head) head->prev = &request;
    head = &request;

    for (int tries = 0; tries <= retries && !request.data; ++tries) {
        if (std::chrono::system_clock::now() >= callDeadline) break;
        const SendOutcome sent = send_datagram(dest, data, length);
        if (sent.error != 0) {
            unlink_pending(key, &request);
            if (sendError) *sendError = sent.error;
            return nullptr;
        }
        if (!sent.sent) continue;
        ++sendCount;
        if (tries > 0) ++retryCount;

        // The deadline is the current time in whole seconds plus the timeout, so
        // with a timeout of 2 the wait lasts one to two seconds. The seconds come
        // from the clock the wait uses: time() reads a coarse clock that can lag
        // it by a few milliseconds, which would put a deadline in the past.
        const std::chrono::system_clock::time_point tryEnd =
            std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) + std::chrono::seconds(timeout);
        const auto deadline = std::min(tryEnd, callDeadline);
        while (!request.data) {
            if (request.condition.wait_until(lock, deadline) == std::cv_status::timeout) break;
        }
    }
    if (!request.data) {
        unlink_pending(key, &request);
        ++timeoutCount;
        return nullptr;
    }
    length = request.length;
    return std::move(request.data);
}

SNMP_socket::SendOutcome SNMP_socket::send_datagram(const sockaddr_in &dest, const unsigned char *data,
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

void SNMP_socket::unlink_pending(std::uint32_t key, PendingRequest *p) {
    if (p->prev) {
        p->prev->next = p->next;
    } else if (p->next) {
        pendingList[key] = p->next;
    } else {
        pendingList.erase(key);
    }
    if (p->next) p->next->prev = p->prev;
    p->next = p->prev = nullptr;
}

bool SNMP_socket::deliver(const unsigned char *addr, std::unique_ptr<unsigned char[]> &buf, std::size_t len) {
    std::uint32_t key;
    std::memcpy(&key, addr, 4);
    std::lock_guard<std::mutex> lock(pendingLock);
    auto found = pendingList.find(key);
    if (found == pendingList.end()) return false;
    PendingRequest *p = found->second;
    // An SNMPv3 request takes only the reply with its msgID, so two sessions
    // with the same printer do not take each other's replies.
    std::optional<std::int32_t> msgId;
    bool idRead = false;
    while (p && p->msgId >= 0) {
        if (!idRead) msgId = v3_message_id({buf.get(), len});
        idRead = true;
        if (msgId == p->msgId) break;
        p = p->next;
    }
    if (!p) return false;
    p->data = std::move(buf);
    p->length = len;
    unlink_pending(key, p);
    // Signalled under the lock: once it is released the record's owner may
    // return and destroy the condition.
    p->condition.notify_one();
    return true;
}

void SNMP_socket::receiver() {
    std::unique_ptr<unsigned char[]> buf;
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
            // Only the first length bytes of a reply are ever read, so the
            // buffer is not cleared first.
            if (!buf) buf = std::make_unique_for_overwrite<unsigned char[]>(REPLY_BUFFER_SIZE);
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
            if (from.sin_port != port_ || !deliver(addr, buf, static_cast<std::size_t>(n))) {
                ++strayCount;
                const std::string line = strays.count(addr);
                if (!line.empty()) std::fputs(line.c_str(), stderr);
            }
        }
    }
}
