// engine_store: SNMPv3 engines by printer address, and the known-engines file.
#include "snmp/engine_store.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "snmp/snmpsock.h"

namespace {

constexpr off_t MAX_KNOWN_ENGINES_FILE = 16 << 20;

std::uint32_t key_of(const SNMP_ipv4 &address) {
    std::uint32_t key;
    std::memcpy(&key, address.data(), 4);
    return key;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::strchr(" \t\r", s.back())) s.remove_suffix(1);
    while (!s.empty() && std::strchr(" \t", s.front())) s.remove_prefix(1);
    return s;
}

// The file's whole text; a FIFO or a device is refused before anything is
// read from it (the open does not wait for a writer).
bool read_file(const std::string &path, std::string &text, std::string &err) {
    SNMP_descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid() && errno == ENOENT) return true;
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        err = std::string(" cannot be read: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) err = " is not a regular file";
    else if (st.st_size > MAX_KNOWN_ENGINES_FILE) err = " is larger than 16 MiB";
    if (!err.empty()) return false;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = std::string(" cannot be read: ") + std::strerror(errno);
            return false;
        }
        if (n == 0) return true;
        text.append(buf, static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string engine_id_text(std::span<const unsigned char> engineId) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "0x";
    for (unsigned char b : engineId) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

std::optional<std::vector<unsigned char>> parse_engine_id(const std::string &text) {
    std::string_view hex = text;
    if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
    if (hex.size() % 2 != 0 || hex.size() < 2 * MIN_ENGINE_ID || hex.size() > 2 * MAX_ENGINE_ID) return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::vector<unsigned char> id;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        id.push_back(static_cast<unsigned char>(hi << 4 | lo));
    }
    return id;
}

std::optional<SNMP_engine_knowledge> SNMP_engine_store::find(const SNMP_ipv4 &address) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = engines_.find(key_of(address));
    if (found == engines_.end()) return std::nullopt;
    return found->second;
}

std::string SNMP_engine_store::update(const SNMP_ipv4 &address, const SNMP_engine_knowledge &engine) {
    std::lock_guard<std::mutex> guard(lock_);
    SNMP_engine_knowledge &held = engines_[key_of(address)];
    if (held.trusted() && held.engineId != engine.engineId) return {};
    const bool firstConfirmation = engine.confirmed && !held.confirmed;
    const std::string pinnedBy = held.pinnedBy;
    held = engine;
    if (held.pinnedBy.empty()) held.pinnedBy = pinnedBy;
    if (!firstConfirmation || path_.empty() || inFile_.count(key_of(address))) return {};
    return record(address, engine.engineId);
}

std::string SNMP_engine_store::record(const SNMP_ipv4 &address, const std::vector<unsigned char> &engineId) {
    // One line in one write to a file opened for appending: runs at the same
    // time add whole lines. A FIFO or a link put in its place is not written.
    char dotted[INET_ADDRSTRLEN];
    ::inet_ntop(AF_INET, address.data(), dotted, sizeof dotted);
    const std::string line = std::string(dotted) + " " + engine_id_text(engineId) + "\n";
    SNMP_descriptor fd(
        ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0600));
    struct stat st {};
    std::string problem;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        problem = "not a regular file";
    else if (::write(fd.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        problem = std::strerror(errno);
    if (!problem.empty())
        return "cannot record the SNMPv3 engine of " + std::string(dotted) + " in " + path_ + " (" + problem + ")";
    inFile_.insert(key_of(address));
    return {};
}

void SNMP_engine_store::pin(const SNMP_ipv4 &address, std::vector<unsigned char> engineId,
                            const std::string &source) {
    std::lock_guard<std::mutex> guard(lock_);
    SNMP_engine_knowledge pinned;
    pinned.engineId = std::move(engineId);
    pinned.pinnedBy = source;
    engines_[key_of(address)] = std::move(pinned);
}

bool SNMP_engine_store::use_file(const std::string &path, std::string &err) {
    std::string text;
    if (!read_file(path, text, err)) return false;
    const std::string source = "recorded in " + path;
    std::size_t lineNumber = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = trimmed(std::string_view(text).substr(at, end - at));
        at = end + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        const std::size_t blank = line.find_first_of(" \t");
        const std::string address(line.substr(0, blank));
        const std::string id(blank == std::string_view::npos ? std::string_view() : trimmed(line.substr(blank)));
        SNMP_ipv4 ipv4;
        const std::optional<std::vector<unsigned char>> engineId = parse_engine_id(id);
        const std::string where = ", line " + std::to_string(lineNumber) + ": ";
        if (::inet_pton(AF_INET, address.c_str(), ipv4.data()) != 1 || !engineId) {
            err = where + "expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal)";
            return false;
        }
        std::optional<SNMP_engine_knowledge> earlier = find(ipv4);
        if (earlier && earlier->engineId != *engineId) {
            err = where + address + " is recorded twice with different engine IDs";
            return false;
        }
        pin(ipv4, *engineId, source);
        inFile_.insert(key_of(ipv4));
    }
    path_ = path;
    return true;
}
