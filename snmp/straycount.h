// Datagrams that no request waited for: the first from each address reported, the rest counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

// Stray datagrams by source address, in bounded memory: a flood (200,000
// datagrams, or datagrams with spoofed sources from any number of addresses)
// gives at most one line per remembered address at once and one per address
// at the end. Not locked: its owner guards it (the transport, under its lock).
class SNMP_stray_counts {
 public:
    // Addresses remembered one by one; datagrams from further addresses are
    // counted together.
    static constexpr std::size_t MAX_ADDRESSES = 65536;

    // Counts one datagram from address (4 bytes, network order). Returns the
    // line to write now: "Warning: stray packet recieved from a.b.c.d\n" for
    // the first from an address, one line when the addresses outgrow
    // MAX_ADDRESSES, otherwise "".
    std::string count(const unsigned char *address);
    // "Warning: N more stray packets received from a.b.c.d\n" for every
    // address that sent more than one, in address order, then the count of
    // the datagrams from addresses not remembered; "" when there is nothing.
    std::string summary() const;

 private:
    std::unordered_map<std::uint32_t, std::uint64_t> counts_;  // address as a number: its order
    std::uint64_t unlisted_ = 0;
};
