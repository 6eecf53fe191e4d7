// A scripted SNMPv1 agent on 127.0.0.1 (ephemeral UDP port) for report tests:
// serves a MIB held in a map, answers like a v1 agent (noSuchName for a missing
// Get variable or the end of the MIB), and records every request it received.
// Its BER codec is written independently of the product's, so the bytes a
// report sends are checked by a second reading.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace script_agent {

using Oid = std::vector<std::uint32_t>;
Oid parse_oid(const std::string &dotted);
std::string oid_text(const Oid &oid);

struct Value {
    int tag = 0x05;       // BER tag of the value
    std::string content;  // content octets, raw
};

Value integer(std::int64_t v);
Value counter(std::uint32_t v);
Value octets(const std::string &bytes);
Value ipaddr(unsigned a, unsigned b, unsigned c, unsigned d);
Value oid_value(const std::string &dotted);

struct Binding {
    std::string oid;  // dotted text
    Value value;
};

struct Request {
    int pduTag = 0;
    std::string community;
    std::int64_t requestId = 0;
    std::vector<Binding> bindings;
};

// What the agent sends back; nothing at all when `drop` is set.
struct Reply {
    bool drop = false;
    int errorStatus = 0;
    int errorIndex = 0;
    std::vector<Binding> bindings;
};

class ScriptAgent {
 public:
    ScriptAgent();
    ~ScriptAgent();
    ScriptAgent(const ScriptAgent &) = delete;
    ScriptAgent &operator=(const ScriptAgent &) = delete;

    int port() const { return port_; }

    void set(const std::string &oid, Value value);
    void erase(const std::string &oid);
    // Requests whose PDU carries this OID are answered with genErr (status 5)
    // pointing at it; for Get/GetNext of existing variables, refusal is also
    // how a v1 agent reports a missing one.
    void refuse(const std::string &oid, int status = 5);
    // Overrides the answer to every request; return nullopt for the normal one.
    void script(std::function<std::optional<Reply>(const Request &)> hook);
    // Answers nothing from now on.
    void silence(bool on) { silent_ = on; }

    std::vector<Request> requests() const;
    void clear_requests();

 private:
    void serve();
    Reply answer(const Request &request);

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    mutable std::mutex lock_;
    std::map<Oid, Value> mib_;
    std::map<std::string, int> refused_;
    std::function<std::optional<Reply>(const Request &)> hook_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace script_agent
