// A scripted SNMPv1 agent on a loopback address, for transport, session, report and e2e tests.
//
// A FakeAgent is a thread that binds one 127.x.y.z address and UDP port, reads
// every datagram sent there, decodes it (prowlet_ber) into a FakeRequest and
// asks the test's handler what to send back. The handler returns a list of
// FakeSend: each is a datagram (any bytes, valid or not) with an optional delay,
// an optional other source address or port, and a number of copies. Returning nothing
// drops the request. Delayed sends are scheduled, so the agent keeps reading
// (and answering) while a delayed reply waits.
//
// Typical use:
//   FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &req) {
//       return FakeAgent::reply(fake_response(req, {{"1.3.6.1.2.1.1.5.0", fake_string("lp1")}}));
//   });
//   SNMP_socket sock(1, 0, agent.port());
//   SNMP_session session(&sock, "lp1", nullptr, {agent.ipv4()});
//
// Or answer like a real agent from a table of objects (Get, GetNext and Set,
// noSuchName at the end of the MIB):
//   FakeAgent agent("127.0.1.1", 0, fake_mib_handler(fake_mib_from_snmprec(path)));
//
// The handler is called in place (never copied), on the agent's thread, one
// request at a time, so a mutable lambda may keep state; what it shares
// with the test must be synchronised (atomics, or read only after
// waitForRequests / the exchange that it answered).
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using FakeBytes = std::vector<unsigned char>;

// One binding of a request or a reply: dotted OID text and the value's whole
// encoding (tag, length, content).
struct FakeBinding {
    std::string oid;
    FakeBytes value;
};

// Encoded values for replies (all through prowlet_ber, except the tags that the
// value model has no class for, which are patched in).
FakeBytes fake_null();
FakeBytes fake_int(std::int64_t v);
FakeBytes fake_counter(std::uint32_t v);  // tag 0x41
FakeBytes fake_gauge(std::uint32_t v);    // tag 0x42 (prowlet cannot decode it)
FakeBytes fake_timeticks(std::uint64_t v);
FakeBytes fake_string(std::string_view s);
FakeBytes fake_oid(const char *dotted);
FakeBytes fake_ipaddr(unsigned a, unsigned b, unsigned c, unsigned d);
// SNMPv2c and SNMPv3 only: Counter64, and noSuchObject (0x80), noSuchInstance
// (0x81) or endOfMibView (0x82).
FakeBytes fake_counter64(std::uint64_t v);
FakeBytes fake_exception(int tag);

// One request as the agent received it.
struct FakeRequest {
    FakeBytes bytes;                          // the datagram, byte for byte
    std::array<unsigned char, 4> from{};      // sender address
    std::uint16_t fromPort = 0;               // sender port, host order
    int number = 0;                           // 0 for the first request this agent got
    bool decoded = false;                     // false: not an SNMPv1 or SNMPv2c message (fields below empty)
    std::string decodeError;                  // why, when !decoded
    int version = 0;                          // 0 SNMPv1, 1 SNMPv2c
    std::string community;
    int pduTag = 0;                           // 0xa0 Get, 0xa1 GetNext, 0xa3 Set
    std::int64_t requestId = 0;
    std::int64_t nonRepeaters = 0;            // GetBulk (0xa5): the PDU's middle fields
    std::int64_t maxRepetitions = 0;
    std::vector<FakeBinding> bindings;        // in request order
};

class BerBase;
class BerSequence;
// The whole encoding of one decoded value.
FakeBytes fake_value_bytes(BerBase &value);
// Reads a request PDU (request-id, the two middle fields, the bindings) into
// req's fields; BerDecodeError when pdu is not one.
void fake_read_pdu(BerSequence &pdu, FakeRequest &req);

// A PDU of tag pduTag carrying the bindings.
FakeBytes fake_pdu(std::int64_t requestId, const std::vector<FakeBinding> &bindings, int errorStatus = 0,
                   int errorIndex = 0, int pduTag = 0xa2);
// A whole SNMPv1 message (version 0; 1 for SNMPv2c) with a PDU of tag pduTag
// (GetResponse by default) carrying the bindings.
FakeBytes fake_response(std::int64_t requestId, const std::vector<FakeBinding> &bindings, int errorStatus = 0,
                        int errorIndex = 0, const std::string &community = "public", int pduTag = 0xa2,
                        int version = 0);
// Same, answering req: its request id, community and version.
FakeBytes fake_response(const FakeRequest &req, const std::vector<FakeBinding> &bindings, int errorStatus = 0,
                        int errorIndex = 0);
// The request's own bindings sent back with an error status (how SNMPv1 agents
// refuse a request).
FakeBytes fake_error(const FakeRequest &req, int errorStatus, int errorIndex);

// One datagram to send in answer.
struct FakeSend {
    FakeBytes bytes;
    std::chrono::milliseconds delay{0};  // from the moment the request was read
    std::string from;                    // source address (127.x); empty: the agent's own
    int copies = 1;                      // sent this many times in a row
    bool otherPort = false;              // from another port than the agent's (of the source address)
};
using FakeHandler = std::function<std::vector<FakeSend>(const FakeRequest &)>;

class FakeAgent {
 public:
    // Binds address:port (port 0: a free port chosen by the system) and starts
    // the thread. Throws std::runtime_error when the address cannot be bound.
    FakeAgent(const std::string &address, std::uint16_t port, FakeHandler handler);
    // Stops the thread at once (through a pipe); scheduled sends not yet due
    // are dropped.
    ~FakeAgent();
    FakeAgent(const FakeAgent &) = delete;
    FakeAgent &operator=(const FakeAgent &) = delete;

    // Shorthands for handlers.
    static std::vector<FakeSend> reply(FakeBytes bytes) {
        FakeSend send;
        send.bytes = std::move(bytes);
        return {std::move(send)};
    }
    static std::vector<FakeSend> drop() { return {}; }

    const std::string &address() const { return address_; }
    std::array<unsigned char, 4> ipv4() const { return ipv4_; }
    std::uint16_t port() const { return port_; }  // host order

    // Replaces the handler; takes effect from the next request. Must not be
    // called from inside a handler.
    void setHandler(FakeHandler handler);
    // Requests received so far, and copies of them.
    int requestCount() const;
    std::vector<FakeRequest> requests() const;
    // Waits until at least n requests arrived; false after limit.
    bool waitForRequests(int n, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Waits until every answer decided so far (delayed or not) has gone out;
    // false after limit.
    bool waitIdle(std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Datagrams sent so far (copies and stray sends included).
    int sentCount() const;
    // Sends bytes to address:port (host order) from this agent's socket, at once.
    void sendTo(const std::array<unsigned char, 4> &address, std::uint16_t port, const FakeBytes &bytes);

 private:
    struct Outgoing {
        FakeBytes bytes;
        std::string from;
        bool otherPort;
        std::array<unsigned char, 4> to;
        std::uint16_t toPort;
    };
    void run();
    void transmit(const Outgoing &out);

    std::string address_;
    std::array<unsigned char, 4> ipv4_{};
    std::uint16_t port_ = 0;
    int sock_ = -1;
    int wake_[2] = {-1, -1};
    mutable std::mutex lock_;
    std::mutex handlerLock_;  // held while the handler runs and by setHandler
    mutable std::condition_variable changed_;
    FakeHandler handler_;
    std::vector<FakeRequest> requests_;
    std::multimap<std::chrono::steady_clock::time_point, Outgoing> scheduled_;
    int sent_ = 0;
    int transmitting_ = 0;  // answers taken off the schedule or just decided, not yet sent
    std::thread thread_;
};

// Objects of an agent's MIB, ordered like OIDs (arc by arc).
class FakeMib {
 public:
    void set(const std::string &oid, FakeBytes value);
    void erase(const std::string &oid);
    // Exact value, or nullptr.
    const FakeBytes *get(const std::string &oid) const;
    // First object after oid (which need not exist), or nullptr at the end.
    const std::pair<const std::vector<std::uint32_t>, FakeBinding> *next(const std::string &oid) const;
    std::size_t size() const { return objects.size(); }

 private:
    std::map<std::vector<std::uint32_t>, FakeBinding> objects;
};

std::vector<std::uint32_t> fake_oid_arcs(const std::string &dotted);

// Loads an snmpsim recording (lines "OID|TAG|VALUE"; tags 2, 4, 4x, 5, 6, 64,
// 64x, 65, 66, 67; Counter64 (70) and anything else is skipped, as an SNMPv1
// agent would not show it). Throws std::runtime_error when the file cannot be read.
FakeMib fake_mib_from_snmprec(const std::string &path);

// A handler that answers like an SNMPv1 agent from mib: Get gives each value or
// noSuchName (2) with the index of the first missing binding; GetNext gives
// each successor or noSuchName at the end of the MIB; Set stores the values
// and echoes them. The replies use the request's community. The handler owns
// its copy of mib; Set requests change it for later requests.
FakeHandler fake_mib_handler(FakeMib mib);
// The same as an SNMPv2c agent (RFC 3416): a missing variable is a binding
// with noSuchObject, the end of the MIB a binding with endOfMibView, and
// GetBulk (0xa5) answers non-repeaters once and the rest max-repetitions
// times. Replies carry the request's version.
FakeHandler fake_v2_mib_handler(FakeMib mib);
