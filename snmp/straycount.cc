// straycount: stray datagrams by source address, for the transport's messages.
#include "snmp/straycount.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

std::string address_text(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xff) + "." + std::to_string((a >> 8) & 0xff) +
           "." + std::to_string(a & 0xff);
}

std::string more_packets(std::uint64_t n, const std::string &from) {
    return "Warning: " + std::to_string(n) + " more stray packet" + (n == 1 ? "" : "s") + " received from " + from +
           "\n";
}

}  // namespace

std::string SNMP_stray_counts::count(const unsigned char *address) {
    const std::uint32_t key = static_cast<std::uint32_t>(address[0]) << 24 | static_cast<std::uint32_t>(address[1]) << 16 |
                              static_cast<std::uint32_t>(address[2]) << 8 | address[3];
    auto found = counts_.find(key);
    if (found != counts_.end()) {
        ++found->second;
        return "";
    }
    if (counts_.size() >= MAX_ADDRESSES) {
        if (unlisted_++ != 0) return "";
        return "Warning: stray packets from more than " + std::to_string(MAX_ADDRESSES) +
               " addresses; the rest are counted, not listed.\n";
    }
    counts_.emplace(key, 1);
    // The wording (spelling included) of the line scripts already look for.
    return "Warning: stray packet recieved from " + address_text(key) + "\n";
}

std::string SNMP_stray_counts::summary() const {
    std::vector<std::pair<std::uint32_t, std::uint64_t>> repeated;
    for (const auto &entry : counts_)
        if (entry.second > 1) repeated.push_back(entry);
    std::sort(repeated.begin(), repeated.end());
    std::string text;
    for (const auto &[address, n] : repeated) text += more_packets(n - 1, address_text(address));
    if (unlisted_ != 0) {
        text += "Warning: " + std::to_string(unlisted_) + " stray packet" + (unlisted_ == 1 ? "" : "s") +
                " received from addresses not listed\n";
    }
    return text;
}
