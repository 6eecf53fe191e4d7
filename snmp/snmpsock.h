// The one UDP socket of a run, its receiver thread, and the send-and-wait exchange.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>

#include "snmp/straycount.h"

struct sockaddr_in;

// The transport could not be set up: the protocol lookup, the socket, the wake-up
// pipe or the receiver thread failed. what() says what failed, "<step>: <system
// error text>", not yet written anywhere.
class SNMP_socket_error : public std::runtime_error {
 public:
    SNMP_socket_error(const std::string &step, int err);
};

// Called by the receiver thread when the socket can no longer be read: step
// says what failed ("bad read in reciever thread" for a read failing with
// anything but ECONNREFUSED, "poll in reciever thread" for a wait failing with
// anything but EINTR) and err is the errno. The receiver stops after the call
// (if it returns at all): nothing more is received.
using SNMP_receiver_failed = void (*)(const char *step, int err);

// The timing of one call when it is not the transport's own (a long-running
// process whose printers have settings of their own, and a deadline by which
// the whole of a printer's work must end).
struct SNMP_call_timing {
    int timeout = 2;  // seconds to wait after each send
    int retries = 0;  // sends after the first
    // No send is made at or after the deadline, and no wait runs past it.
    std::chrono::system_clock::time_point deadline = std::chrono::system_clock::time_point::max();
};

// What the transport has done since it was made, for a process that reports
// on itself: datagrams sent (repeated sends of a refused datagram not
// counted), sends after a call's first, calls that got no reply, and stray
// datagrams (no call waited for them).
struct SNMP_transport_counts {
    std::uint64_t sends = 0;
    std::uint64_t retries = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t strays = 0;
};

// Owns one file descriptor and closes it once.
class SNMP_descriptor {
 public:
    SNMP_descriptor() = default;
    explicit SNMP_descriptor(int fd) : fd_(fd) {}
    ~SNMP_descriptor() { reset(); }
    SNMP_descriptor(SNMP_descriptor &&other) noexcept : fd_(other.release()) {}
    SNMP_descriptor &operator=(SNMP_descriptor &&other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

 private:
    int fd_ = -1;
};

class SNMP_socket {
 public:
    // Largest datagram handed to a caller; longer ones are cut to this size.
    static constexpr std::size_t REPLY_BUFFER_SIZE = 10240;
    // A send refused with ECONNREFUSED (an ICMP refusal of an earlier datagram)
    // is repeated at once; after this many refusals in a row the try counts as
    // failed and the next try (if any) follows without a wait.
    static constexpr int MAX_REFUSED_RESENDS = 16;
    // Receive queue asked for the socket (the system caps it at its
    // net.core.rmem_max): a sweep over a subnet gets thousands of replies in
    // one burst, and a datagram dropped here costs its printer a whole wait.
    static constexpr int RECEIVE_QUEUE_BYTES = 4 << 20;

    // timeout: seconds to wait after each send; retries: sends after the first
    // (negative: nothing is ever sent); port: destination UDP port in host order,
    // 0 for the services entry "snmp"/"udp" (161 when it is not listed);
    // onFailure: told when the receiver can no longer read the socket (none:
    // the receiver just stops). Starts the receiver thread. Throws
    // SNMP_socket_error.
    SNMP_socket(int timeout, int retries, int port, SNMP_receiver_failed onFailure = nullptr);
    // Wakes the receiver through its pipe (no 5-second wait), joins it and
    // closes the socket. No call may be in progress.
    ~SNMP_socket();
    SNMP_socket(const SNMP_socket &) = delete;
    SNMP_socket &operator=(const SNMP_socket &) = delete;

    // Sends the length bytes at data to the IPv4 address (addrlen bytes at
    // address, family AF_INET) on the socket's port and waits for a datagram
    // from that address and port: retries + 1 sends, each followed by a wait
    // until time() + timeout. Returns the reply (owned by the caller) and sets length
    // to its size, or returns nullptr (length untouched) when none came. A send
    // that fails (anything but ECONNREFUSED) ends the call at once with nullptr
    // and its errno in *sendError (when given). Safe to call from many threads
    // at once; the newest call for an address gets the next datagram from it.
    // With msgId 0 or more (an SNMPv3 request) the call takes only an SNMPv3
    // message of that msgID; other datagrams pass it by. With timing, its
    // timeout, retries and deadline replace the transport's.
    std::unique_ptr<unsigned char[]> call(int addrlen, int family, const void *address,
                                          const unsigned char *data, std::size_t &length,
                                          int *sendError = nullptr, std::int32_t msgId = -1,
                                          const SNMP_call_timing *timing = nullptr);

    // Stops the receiver (no call may be in progress; nothing is received
    // afterwards) and returns the end-of-run lines of the stray datagrams:
    // how many more came from each address after the first, reported at once
    // as "Warning: stray packet recieved from a.b.c.d" (see SNMP_stray_counts).
    std::string finish();

    SNMP_transport_counts counts() const;

    int timeout() const { return timeout_; }
    int retries() const { return retries_; }
    // Destination port in network byte order.
    int port() const { return port_; }

 private:
    struct PendingRequest;
    struct SendOutcome {
        bool sent;  // false with error 0: refused MAX_REFUSED_RESENDS times in a row
        int error;  // errno of a failed send
    };

    // One datagram, repeated at once while the system reports ECONNREFUSED.
    SendOutcome send_datagram(const sockaddr_in &dest, const unsigned char *data, std::size_t length);

    void receiver();
    void stop_receiver();
    // Hands buf to the newest request for addr that takes it (buf is then
    // empty); false, buf untouched, when none does.
    bool deliver(const unsigned char *addr, std::unique_ptr<unsigned char[]> &buf, std::size_t len);
    void unlink_pending(std::uint32_t key, PendingRequest *request);  // under pendingLock

    SNMP_descriptor sock;
    int timeout_;
    int retries_;
    SNMP_receiver_failed onFailure_;
    int port_;
    SNMP_descriptor wakeRead;   // the destructor writes one byte to wakeWrite to
    SNMP_descriptor wakeWrite;  // stop the receiver at once
    std::mutex pendingLock;
    // The pending requests, newest first per address (records live in call
    // frames). Replies, from the socket's port, are matched by address (and an
    // SNMPv3 reply by its msgID too) and go to the newest request for that
    // address that takes them, so the head of its chain is exactly the first
    // match a walk of one newest-first list would find, without walking past
    // the requests of every other printer.
    std::unordered_map<std::uint32_t, PendingRequest *> pendingList;
    SNMP_stray_counts strays;  // the receiver's only
    std::atomic<std::uint64_t> sendCount{0}, retryCount{0}, timeoutCount{0}, strayCount{0};
    std::thread listening_thr;
};
