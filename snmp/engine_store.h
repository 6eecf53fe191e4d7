// engine_store: what is known of printers' SNMPv3 engines, kept from one
// session to the next (the sessions of a run, an exporter's scrapes of a
// printer) and, in a known-engines file, from one run to the next.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "snmp/transport.h"
#include "snmp/usm_engine.h"

// Longest and shortest engine ID (SnmpEngineID, RFC 3411).
inline constexpr std::size_t MIN_ENGINE_ID = 5;
inline constexpr std::size_t MAX_ENGINE_ID = 32;

// "0x" and the bytes in lower-case hexadecimal, as net-snmp's -e takes them.
std::string engine_id_text(std::span<const unsigned char> engineId);
// An engine ID from hexadecimal text, with or without "0x"; nothing when the
// text is not 5 to 32 bytes of hexadecimal.
std::optional<std::vector<unsigned char>> parse_engine_id(const std::string &text);

// Engines by printer address. Safe from many threads at once.
class SNMP_engine_store {
 public:
    // What is known of the engine at address, or nothing.
    std::optional<SNMP_engine_knowledge> find(const SNMP_ipv4 &address) const;
    // What a session learnt of the engine at address. A trusted ID (given, or
    // confirmed) is never replaced by another; an engine confirmed for the
    // first time is recorded in the known-engines file when it is not there.
    // Returns why recording failed ("cannot record ..."), or nothing.
    std::string update(const SNMP_ipv4 &address, const SNMP_engine_knowledge &engine);
    // The printer at address has this engine ID (source says who says so,
    // for messages: "given with -e"); replaces what the file recorded.
    void pin(const SNMP_ipv4 &address, std::vector<unsigned char> engineId, const std::string &source);

    // Reads the known-engines file at path (it need not exist: it is created
    // at the first record): lines "ADDRESS ENGINEID" (a dotted IPv4 address,
    // the ID as engine_id_text writes it), blank lines and lines starting
    // with '#' ignored. Its engines are pinned ("recorded in PATH"); engines
    // confirmed from now on for other addresses are appended to it, a line
    // each. False with err (the reason, to follow the file's name: " is not
    // a regular file", ", line 3: ...") when the file cannot be read or a
    // line is not understood.
    bool use_file(const std::string &path, std::string &err);

 private:
    std::string record(const SNMP_ipv4 &address, const std::vector<unsigned char> &engineId);

    mutable std::mutex lock_;
    std::unordered_map<std::uint32_t, SNMP_engine_knowledge> engines_;
    std::string path_;                       // the known-engines file, or empty
    std::unordered_set<std::uint32_t> inFile_;  // addresses the file holds
};
