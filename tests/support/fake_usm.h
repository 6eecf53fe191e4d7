// A scripted SNMPv3 agent: the agent's side of the user-based security model
// (RFC 3414) in front of a FakeAgent handler, usually fake_v2_mib_handler.
//
//   FakeUsm usm({"admin", UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128, "authpass1", "privpass1"},
//               fake_v2_mib_handler(mib));
//   FakeAgent agent("127.0.1.1", 0, usm.handler());
//
// It answers engine discovery with usmStatsUnknownEngineIDs, and a request it
// cannot accept with the Report an agent sends (unknown user, unsupported
// level, wrong digest, not in time window, decryption error); an accepted
// request is opened, handed to the inner handler as an SNMPv2c request, and
// the inner handler's reply PDU goes back protected at the request's level.
// Knobs for the tests move the engine's clock or keep it out of the window.
// Built on prowlet's own USM code: the tests against net-snmp's snmpd and
// snmpsim check that code against other implementations.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "snmp/usm.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"
#include "tests/support/fake_agent.h"

// The usmStats counters (RFC 3414 5) whose Reports agents send.
inline constexpr char USM_UNSUPPORTED_LEVEL[] = "1.3.6.1.6.3.15.1.1.1.0";
inline constexpr char USM_NOT_IN_TIME_WINDOW[] = "1.3.6.1.6.3.15.1.1.2.0";
inline constexpr char USM_UNKNOWN_USER[] = "1.3.6.1.6.3.15.1.1.3.0";
inline constexpr char USM_UNKNOWN_ENGINE_ID[] = "1.3.6.1.6.3.15.1.1.4.0";
inline constexpr char USM_WRONG_DIGEST[] = "1.3.6.1.6.3.15.1.1.5.0";
inline constexpr char USM_DECRYPTION_ERROR[] = "1.3.6.1.6.3.15.1.1.6.0";

// The engine ID FakeUsm has unless told otherwise.
const std::vector<unsigned char> &fake_engine_id();

// An unauthenticated Report of oid carrying the msgID of the SNMPv3 request
// req, as anyone who sees the request can send it: the engine ID, boots and
// time it claims are given.
FakeBytes fake_v3_report(const FakeRequest &req, const char *oid, const std::vector<unsigned char> &engineId,
                         std::int32_t boots, std::int32_t time);

struct FakeUsmUser {
    std::string name;
    UsmLevel level = UsmLevel::AuthPriv;
    UsmAuth auth = UsmAuth::SHA1;
    UsmPriv priv = UsmPriv::AES128;
    std::string authPass;
    std::string privPass;
};

class FakeUsm {
 public:
    FakeUsm(const FakeUsmUser &user, FakeHandler inner, std::vector<unsigned char> engineId = fake_engine_id());
    FakeUsm(const FakeUsm &) = delete;
    FakeUsm &operator=(const FakeUsm &) = delete;

    // The handler for a FakeAgent; this object must outlive the agent.
    FakeHandler handler();

    // The engine's clock jumps by seconds (both ways).
    void jumpClock(int seconds) { clockOffset_ += seconds; }
    // Every authenticated request is answered with notInTimeWindow.
    void keepOutOfWindow(bool on) { outOfWindow_ = on; }
    // The Report of a wrong digest goes back at the request's level, signed
    // (and encrypted) with the agent's keys, as snmpsim sends it.
    void signWrongDigestReports(bool on) { signReports_ = on; }

    int discoveries() const { return discoveries_; }
    int timeWindowReports() const { return timeReports_; }
    // Requests that passed authentication and reached the inner handler.
    int served() const { return served_; }
    const std::vector<unsigned char> &engineId() const { return engineId_; }

 private:
    std::vector<FakeSend> handle(const FakeRequest &req);
    std::vector<FakeSend> serve(const V3Parsed &request, std::span<const unsigned char> scoped);
    FakeSend report(const V3Parsed &request, const char *oid, bool authenticated);
    FakeSend protect(const V3Parsed &request, const FakeBytes &pdu, bool authenticated, bool encrypted);
    std::int32_t engine_time() const;
    bool in_window(const UsmParameters &usm) const;

    FakeUsmUser user_;
    FakeHandler inner_;
    std::vector<unsigned char> engineId_;
    std::int32_t boots_ = 7;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<int> clockOffset_{1000};
    std::atomic<bool> outOfWindow_{false};
    std::atomic<bool> signReports_{false};
    std::atomic<int> discoveries_{0};
    std::atomic<int> timeReports_{0};
    std::atomic<int> served_{0};
    SecretBytes authKey_;
    SecretBytes privKey_;
    std::uint64_t salt_ = 1;
};
