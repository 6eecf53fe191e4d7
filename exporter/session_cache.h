// The sessions of the printers scraped, kept between scrapes (and with them
// each printer's SNMPv3 engine: one discovery per printer, not one per
// scrape), in bounded memory, each lent to one scrape at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "exporter/config.h"
#include "snmp/session.h"

class SessionCache {
 public:
    // Sessions kept when idle; the least recently used goes first.
    static constexpr std::size_t DEFAULT_CAPACITY = 16384;

    // generation: the number of the configuration in force.
    SessionCache(SNMP_socket &transport, std::size_t capacity, std::uint64_t generation)
        : transport_(transport), capacity_(capacity), generation_(generation) {}

    // The session of printer name under module, taken out of the cache (the
    // caller has it alone), or made anew when the cache has none for it, when
    // its addresses are no longer the name's, or when it belongs to another
    // configuration generation. Ready for another round of work: reachable
    // again, with the module's timing and the deadline.
    //
    // One session at a time talks to a printer (whatever its module): the
    // transport hands an SNMPv1 or SNMPv2c reply to the newest request of its
    // address, so two exchanges with one printer at once would take each
    // other's replies. While another probe has the printer, the call waits
    // for it, until the deadline: nullptr then.
    std::unique_ptr<SNMP_session> borrow(const std::string &name, const std::vector<SNMP_session::IPv4> &addresses,
                                         const ModuleConfig &module, std::uint64_t generation,
                                         const SNMP_call_timing &timing);
    // Puts a borrowed session back (the printer is free for the next probe);
    // one of an older generation is released.
    void give_back(std::unique_ptr<SNMP_session> session, const std::string &module, std::uint64_t generation);
    // Releases every idle session and takes only sessions of generation from
    // now on (a reload: sessions refer to the users of the configuration they
    // were made under, which is released once no scrape uses it).
    void clear(std::uint64_t generation);

    std::size_t size() const;
    // Sessions made since the start (each one a new SNMPv3 discovery).
    std::uint64_t made() const;

 private:
    struct Entry {
        std::string key;
        std::uint64_t generation;
        std::unique_ptr<SNMP_session> session;
    };
    static std::string key_of(const std::string &name, const std::string &module);

    SNMP_socket &transport_;
    const std::size_t capacity_;
    mutable std::mutex lock_;
    std::list<Entry> entries_;  // most recently given back first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    std::unordered_set<std::string> lent_;  // printers (names) a probe has now
    std::condition_variable returned_;
    std::uint64_t made_ = 0;
    std::uint64_t generation_;
};
