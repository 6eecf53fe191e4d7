// Fault injection for the scripted agent: faults stacked on any FakeHandler.
//
// A FaultStep sees each request and the datagrams the agent would send for
// it, and returns what is really sent: fewer (drops), later (delays), more
// (duplicates, late or stray replies) or different ones (wrong request id,
// truncated, oversized, error status). with_faults() chains the steps in
// order after the inner handler:
//
//   FaultCounts counts;
//   FakeAgent agent("127.0.2.2", 161,
//                   with_faults(fake_mib_handler(mib), {fault_drop_fraction(0.2, 7, &counts)}));
//
// Walk faults (a GetNext answered with the same or a smaller OID, a table that
// never ends) are whole handlers over a FakeMib instead.
//
// Every step is called on the agent's thread; FaultCounts are atomics, read by
// the test once the run is over.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fake_agent.h"

// What the faults did, for the test's figures and checks.
struct FaultCounts {
    std::atomic<int> requests{0};         // requests seen by the first step
    std::atomic<int> requestsDropped{0};  // never answered
    std::atomic<int> repliesDropped{0};   // answered, but the answer was not sent
    std::atomic<int> injected{0};         // datagrams changed or added by a fault
};

using FaultStep = std::function<std::vector<FakeSend>(const FakeRequest &, std::vector<FakeSend>)>;

// inner's answers passed through every step in order.
FakeHandler with_faults(FakeHandler inner, std::vector<FaultStep> steps);

// Requests number 0 .. n-1 (of this agent) get no answer.
FaultStep fault_drop_first(int n, FaultCounts *counts = nullptr);
// Each request is lost with probability p, and each reply of the requests
// that got through is lost with probability p: packet loss p in both
// directions, drawn from a generator seeded with seed.
FaultStep fault_drop_fraction(double p, std::uint32_t seed, FaultCounts *counts = nullptr);
// Every reply leaves delay after its request arrived.
FaultStep fault_delay(std::chrono::milliseconds delay);
// Every reply is sent copies times.
FaultStep fault_duplicate(int copies, FaultCounts *counts = nullptr);
// Before each reply, the reply to the previous request (its request id)
// arrives once more, as a late answer to a request given up on.
FaultStep fault_late_reply(FaultCounts *counts = nullptr);
// The first n replies carry a request id that differs from the request's
// (n < 0: every reply).
FaultStep fault_wrong_request_id(int n, FaultCounts *counts = nullptr);
// Before every reply, copies datagrams from the agent's own address and port
// that are the reply with other request ids (each its own), as a spoofer who
// does not see the request sends them.
FaultStep fault_spoofed_ids(int copies, FaultCounts *counts = nullptr);
// Every reply also comes from address (another 127.x), before the real one;
// with replace set, only from there.
FaultStep fault_stray(const std::string &address, bool replace, FaultCounts *counts = nullptr);
// Every reply also comes from another port of the agent's address, before
// the real one; with replace set, only from there.
FaultStep fault_other_port(bool replace, FaultCounts *counts = nullptr);
// Before every reply, copies datagrams of junk from each of the addresses
// (other 127.x; "" for the agent's own address, from another port).
FaultStep fault_flood(std::vector<std::string> addresses, int copies, FaultCounts *counts = nullptr);
// The first n replies (n < 0: every one) are cut to length bytes.
FaultStep fault_truncate(std::size_t length, int n, FaultCounts *counts = nullptr);
// The first n replies (n < 0: every one) become a datagram of size bytes: a
// GetResponse for the request whose first value is a string padding it out.
FaultStep fault_oversize(std::size_t size, int n, FaultCounts *counts = nullptr);
// Requests whose first binding begins with prefix are refused with
// errorStatus and errorIndex (any value, also 0 or past the list).
FaultStep fault_error_status(const std::string &prefix, int errorStatus, int errorIndex,
                             FaultCounts *counts = nullptr);

// Offset and length of the request-id INTEGER's content inside an SNMPv1
// message; false when the bytes are not laid out as one.
bool fault_find_request_id(const FakeBytes &message, std::size_t &offset, std::size_t &length);

// Values of types the value model refuses (Counter64 in SNMPv1 replies:
// fake_counter64 of fake_agent.h).
FakeBytes fake_opaque(const FakeBytes &content);  // tag 0x44

// How a walk goes wrong.
enum class WalkFault {
    SameOid,     // GetNext answered with the OIDs asked for
    SmallerOid,  // GetNext answered with the column's first row again
};
// Answers from mib, except that a GetNext whose first binding is a row of
// column (index after the column's OID) at or past row fromRow gets fault.
FakeHandler fault_walk_handler(FakeMib mib, const std::string &column, std::uint32_t fromRow,
                               WalkFault fault, FaultCounts *counts = nullptr);
// Answers from mib, except that the table whose columns are given never
// ends: a GetNext on column c at row n (or on c itself) answers row n + 1,
// with value(c index, n + 1). Rows counted in *rows when given.
FakeHandler fault_endless_table(FakeMib mib, std::vector<std::string> columns,
                                std::function<FakeBytes(std::size_t, std::uint32_t)> value,
                                std::atomic<std::uint64_t> *rows = nullptr);
