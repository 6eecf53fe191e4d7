// Fuzz support: replies scripted by the fuzzer's input, their request ids
// spliced in from the requests they answer, and a transport that hands them
// to a session at once, without sockets or threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "snmp/transport.h"

class SNMP_engine_store;
struct SNMP_usm_user;
enum class SNMP_version;

using Bytes = std::vector<unsigned char>;

// One scripted datagram, and whether the next one arrives in the same burst
// (before the session sends again).
struct ScriptedReply {
    Bytes bytes;
    bool withNext = false;
};

// The input after its flags byte: datagrams, each a 2-byte big-endian length
// (its top bit: the next datagram comes in the same burst) and that many
// bytes, at most 64 of them.
std::vector<ScriptedReply> scripted_replies(const std::uint8_t *data, std::size_t size);

// reply with its request id replaced by the one of request (lengths
// rewritten), or reply unchanged when either is not laid out as
// SEQUENCE { x, y, PDU { request-id, ... } }: an SNMPv1 or SNMPv2c message,
// or a scoped PDU of SNMPv3.
Bytes with_request_id(const Bytes &reply, const Bytes &request);

// noSuchName (2) at index 1 for request: how an SNMPv1 agent ends a walk.
Bytes end_of_mib(const Bytes &request);

// The product's warnings would flood the fuzzer's output: while the product
// runs, the stdio stream stderr is pointed at /dev/null (glibc lets the
// variable be assigned). Descriptor 2 is left alone, so the sanitizers'
// reports and libFuzzer's own output still show.
class Quiet {
 public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet &) = delete;
    Quiet &operator=(const Quiet &) = delete;

 private:
    std::FILE *saved_;
};

// A transport whose every send is answered at once by answer (the datagrams
// that arrive for that request, in order); a wait ends when they are used up.
// As the real transport, it gives an SNMPv3 request only messages of its msgID.
class ScriptedTransport final : public SNMP_transport {
 public:
    using Answer = std::function<std::vector<Bytes>(std::span<const unsigned char> request)>;
    ScriptedTransport(Answer answer, int retries) : answer_(std::move(answer)), retries_(retries) {}

    std::unique_ptr<SNMP_exchange> open(const SNMP_ipv4 &address, std::int32_t msgId,
                                        const SNMP_call_timing *timing) override;
    int retries() const override { return retries_; }

 private:
    friend class ScriptedExchange;
    Answer answer_;
    int retries_;
};

// What a session harness asks of a printer at 127.0.0.1 through transport,
// in a session of its own: a GetRequest of two variables, or a walk of four
// columns (INTEGER, STRING, Counter, IpAddress), in version (SNMPv3 as user,
// with the engines of store when given). A printer's failures (refusals,
// security, no answer) are expected outcomes.
enum class SessionAsk { Get, Walk };
void exercise_session(SNMP_transport &transport, SessionAsk ask, SNMP_version version, const SNMP_usm_user *user,
                      SNMP_engine_store *store);
