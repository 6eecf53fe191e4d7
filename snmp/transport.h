// transport: what a session sends its requests through and receives replies
// from: one exchange with one printer address at a time. SNMP_socket is the
// real one (UDP, a receiver thread); fuzzers and tests may put their own behind it.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// An IPv4 address in network byte order.
using SNMP_ipv4 = std::array<unsigned char, 4>;
// One received datagram, exactly as long as it came (cut at the transport's
// largest size).
using SNMP_datagram = std::vector<unsigned char>;

// The timing of one session's exchanges where it is not the transport's (a
// long-running process whose printers have settings of their own).
struct SNMP_call_timing {
    int timeout = 2;  // seconds each try waits after its send
    int retries = 0;  // tries after the first
    // No send is made at or after the deadline, and no wait runs past it.
    std::chrono::system_clock::time_point deadline = std::chrono::system_clock::time_point::max();
};

// One request waiting for what one address sends back. Datagrams from that
// address (and, for an SNMPv3 request, carrying its msgID) are kept for the
// exchange from its creation to its destruction, so none is lost while the
// session looks at the one before.
class SNMP_exchange {
 public:
    virtual ~SNMP_exchange() = default;

    struct Sent {
        bool sent;  // false with error 0: refused by ICMP so often in a row that this try counts as failed
        int error;  // errno of a send that failed (nothing was sent)
    };
    // Sends the request (again); does not start a wait. Past the exchange's
    // deadline nothing is sent (sent false, error 0).
    virtual Sent send(std::span<const unsigned char> message) = 0;
    // Starts the wait of one try: it lasts the time-out from now (the
    // exchange's timing, or the transport's), at most until the deadline.
    virtual void start_wait() = 0;
    // The next datagram received before the wait ends, in arrival order;
    // nothing once the wait has ended.
    virtual std::optional<SNMP_datagram> next() = 0;
};

class SNMP_transport {
 public:
    // Largest datagram handed to a session; longer ones are cut to this size.
    static constexpr std::size_t REPLY_BUFFER_SIZE = 10240;

    // An exchange with address; msgId 0 or more (an SNMPv3 request) takes
    // only SNMPv3 messages of that msgID. timing, when given, replaces the
    // transport's time-out and sets a deadline.
    virtual std::unique_ptr<SNMP_exchange> open(const SNMP_ipv4 &address, std::int32_t msgId,
                                                const SNMP_call_timing *timing) = 0;
    // Sends after the first in one exchange: a request has retries() + 1
    // tries, each a send and a wait (none at all when negative).
    virtual int retries() const = 0;

 protected:
    ~SNMP_transport() = default;
};
