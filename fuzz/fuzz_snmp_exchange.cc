// Fuzzer: arbitrary bytes as the replies a printer sends to one session
// exchange (do_req), or to every step of a table walk (tabdef::get), in
// SNMPv1 or SNMPv2c (GetBulk read-ahead). The session is the real one
// (exchange loop, reply check, discards and resends, walks); only its
// transport is scripted: each send is answered at once with the next reply of
// the input (and the ones in its burst), no sockets, no threads.
// fuzz_snmp_socket runs the same input through the real transport.
//
// Input (fuzz/scripted.h): one flags byte, then replies. Flags bit 0: put
// the request's own request id into each reply that has one, so the checks
// behind the id match are reached too; bit 1: SNMPv2c; bit 2: one resend
// after a wait (the tries of --timeout 2); bit 3: the walk (otherwise the
// GetRequest). Once the replies are used up every request is answered with
// noSuchName, which ends a walk.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/scripted.h"
#include "snmp/session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const std::vector<ScriptedReply> replies = scripted_replies(data, size);
    const bool patchId = data[0] & 1;
    std::size_t next = 0;
    ScriptedTransport transport(
        [&](std::span<const unsigned char> sent) {
            const Bytes request(sent.begin(), sent.end());
            std::vector<Bytes> burst;
            if (next >= replies.size()) burst.push_back(end_of_mib(request));
            while (next < replies.size()) {
                const ScriptedReply &r = replies[next++];
                burst.push_back(patchId ? with_request_id(r.bytes, request) : r.bytes);
                if (!r.withNext) break;
            }
            return burst;
        },
        (data[0] >> 2) & 1);
    Quiet quiet;
    exercise_session(transport, data[0] & 8 ? SessionAsk::Walk : SessionAsk::Get,
                     data[0] & 2 ? SNMP_version::V2C : SNMP_version::V1, nullptr, nullptr);
    return 0;
}
