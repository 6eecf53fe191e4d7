// The one UDP socket of a run, its receiver thread, and the send-and-wait exchange.
#pragma once

#include <atomic>
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
#include "snmp/transport.h"
#include "snmp/warning_sink.h"

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

// What a transport has done since it was made, for a process that reports on
// itself: datagrams sent (a refused datagram sent again at once not counted),
// sends after an exchange's first, waits that ended without a datagram, and
// stray datagrams (no exchange took them).
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

class SNMP_socket final : public SNMP_transport {
 public:
    // A send refused with ECONNREFUSED (an ICMP refusal of an earlier datagram)
    // is repeated at once; after this many refusals in a row the try counts as
    // failed and the next try (if any) follows without a wait.
    static constexpr int MAX_REFUSED_RESENDS = 16;
    // Receive queue asked for the socket (the system caps it at its
    // net.core.rmem_max): a sweep over a subnet gets thousands of replies in
    // one burst, and a datagram dropped here costs its printer a whole wait.
    static constexpr int RECEIVE_QUEUE_BYTES = 4 << 20;
    // Datagrams kept for one exchange until its session takes them (and their
    // bytes): a flood from a printer's address beyond that is counted as
    // stray, so it cannot take the memory of a sweep.
    static constexpr std::size_t MAX_QUEUED_DATAGRAMS = 64;
    static constexpr std::size_t MAX_QUEUED_BYTES = 128 * 1024;

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

    // An exchange with address on the socket's port: every datagram from that
    // address and port (with msgId 0 or more, only SNMPv3 messages of that
    // msgID) goes to the newest exchange open for the address that takes it,
    // and waits there until taken. Safe to use from many threads at once, one
    // exchange per thread.
    std::unique_ptr<SNMP_exchange> open(const SNMP_ipv4 &address, std::int32_t msgId,
                                        const SNMP_call_timing *timing = nullptr) override;
    int retries() const override { return retries_; }

    // One exchange that ends at the first datagram: sends the length bytes at
    // data to the IPv4 address (addrlen bytes at address, family AF_INET) on
    // the socket's port and waits for a datagram from that address and port:
    // retries + 1 sends, each followed by a wait until time() + timeout.
    // Returns the reply (owned by the caller) and sets length to its size, or
    // returns nullptr (length untouched) when none came. A send that fails
    // (anything but ECONNREFUSED) ends the call at once with nullptr and its
    // errno in *sendError (when given). Safe to call from many threads at
    // once; the newest call for an address gets the next datagram from it.
    // With msgId 0 or more (an SNMPv3 request) the call takes only an SNMPv3
    // message of that msgID; other datagrams pass it by.
    std::unique_ptr<unsigned char[]> call(int addrlen, int family, const void *address,
                                          const unsigned char *data, std::size_t &length,
                                          int *sendError = nullptr, std::int32_t msgId = -1);

    // Stops the receiver (no call may be in progress; nothing is received
    // afterwards) and returns the end-of-run lines of the stray datagrams:
    // how many more came from each address after the first, reported at once
    // as "Warning: stray packet recieved from a.b.c.d" (see SNMP_stray_counts).
    std::string finish();

    // Where the receiver's warnings of stray datagrams go: the run's writer,
    // which keeps them apart from everything else it writes (nullptr, the
    // default: standard error). The sink must outlive the receiver.
    void setWarningSink(SNMP_warning_sink *sink) { strayWarnings_.store(sink); }
    // What the socket has done since it was made.
    SNMP_transport_counts counts() const;

    int timeout() const { return timeout_; }
    // Destination port in network byte order.
    int port() const { return port_; }

 private:
    struct PendingRequest;
    class Exchange;

    // One datagram, repeated at once while the system reports ECONNREFUSED.
    SNMP_exchange::Sent send_datagram(const sockaddr_in &dest, const unsigned char *data, std::size_t length);

    void receiver();
    void stop_receiver();
    // Queues a copy of the datagram for the newest exchange open for addr
    // that takes it; false when none does (or its queue is full). Under pendingLock.
    bool deliver(const unsigned char *addr, const unsigned char *data, std::size_t len);
    // Delivers the datagram, or counts it as stray: the line to write then
    // (written outside the lock), or "". Under pendingLock.
    std::string route(const unsigned char *addr, const unsigned char *data, std::size_t len);
    void link_pending(PendingRequest *request);    // under pendingLock
    void unlink_pending(PendingRequest *request);  // under pendingLock

    SNMP_descriptor sock;
    int timeout_;
    int retries_;
    SNMP_receiver_failed onFailure_;
    int port_;
    SNMP_descriptor wakeRead;   // the destructor writes one byte to wakeWrite to
    SNMP_descriptor wakeWrite;  // stop the receiver at once
    std::mutex pendingLock;
    // The open exchanges, newest first per address (records live in the
    // exchange objects). Replies, from the socket's port, are matched by
    // address (and an SNMPv3 reply by its msgID too) and go to the newest
    // exchange for that address that takes them, so the head of its chain is
    // exactly the first match a walk of one newest-first list would find,
    // without walking past the requests of every other printer.
    std::unordered_map<std::uint32_t, PendingRequest *> pendingList;
    SNMP_stray_counts strays;  // under pendingLock
    std::atomic<SNMP_warning_sink *> strayWarnings_{nullptr};
    std::atomic<std::uint64_t> sendCount{0}, retryCount{0}, timeoutCount{0}, strayCount{0};
    std::thread listening_thr;
};
