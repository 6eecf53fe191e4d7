// names: the lookups of a run's printer names, side by side.
#include "frontend/names.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

std::unordered_map<std::string, std::vector<SNMP_session::IPv4>> resolve_names(const std::vector<TargetSpec> &targets,
                                                                               std::size_t lookups) {
    std::vector<std::string> names;
    std::unordered_map<std::string, std::vector<SNMP_session::IPv4>> found;
    for (const TargetSpec &t : targets)
        if (found.emplace(t.name, std::vector<SNMP_session::IPv4>{}).second) names.push_back(t.name);
    // Each thread takes the next name not yet taken and fills in its own
    // slot; the map is only read and written once every thread is joined.
    std::vector<std::vector<SNMP_session::IPv4>> addresses(names.size());
    std::atomic<std::size_t> next{0};
    auto lookUp = [&] {
        for (std::size_t i; (i = next++) < names.size();) addresses[i] = resolve_ipv4(names[i].c_str());
    };
    std::vector<std::thread> threads;
    try {
        for (std::size_t k = 1; k < std::min(lookups, names.size()); ++k) threads.emplace_back(lookUp);
    } catch (const std::system_error &) {
        // Fewer threads than asked: the ones started and this one do it all.
    }
    lookUp();
    for (std::thread &t : threads) t.join();
    for (std::size_t i = 0; i < names.size(); ++i) found[names[i]] = std::move(addresses[i]);
    return found;
}
