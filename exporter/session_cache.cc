// session_cache: one session per printer and module, kept between scrapes.
#include "exporter/session_cache.h"

std::string SessionCache::key_of(const std::string &name, const std::string &module) {
    return module + '\0' + name;
}

std::unique_ptr<SNMP_session> SessionCache::borrow(const std::string &name,
                                                   const std::vector<SNMP_session::IPv4> &addresses,
                                                   const ModuleConfig &module, std::uint64_t generation,
                                                   const SNMP_call_timing &timing) {
    std::unique_ptr<SNMP_session> session;
    {
        std::unique_lock<std::mutex> lock(lock_);
        if (!returned_.wait_until(lock, timing.deadline, [&] { return lent_.count(name) == 0; })) return nullptr;
        lent_.insert(name);
        const auto found = index_.find(key_of(name, module.name));
        if (found != index_.end()) {
            Entry &entry = *found->second;
            if (entry.generation == generation && entry.session->addresses() == addresses)
                session = std::move(entry.session);
            entries_.erase(found->second);
            index_.erase(found);
        }
        if (!session) ++made_;
    }
    if (session) {
        session->reopen();
    } else {
        session = std::make_unique<SNMP_session>(&transport_, name.c_str(), module.community.c_str(), addresses);
        if (module.user)
            session->setUser(*module.user);
        else
            session->setVersion(module.version);
    }
    session->setTiming(timing);
    return session;
}

void SessionCache::give_back(std::unique_ptr<SNMP_session> session, const std::string &module,
                             std::uint64_t generation) {
    std::unique_ptr<SNMP_session> released;  // destroyed outside the lock
    std::lock_guard<std::mutex> lock(lock_);
    lent_.erase(session->hostname);
    returned_.notify_all();
    const std::string key = key_of(session->hostname, module);
    if (capacity_ == 0 || generation != generation_ || index_.count(key)) return;
    session->setWarningSink(nullptr);
    entries_.push_front(Entry{key, generation, std::move(session)});
    index_.emplace(key, entries_.begin());
    if (entries_.size() > capacity_) {
        released = std::move(entries_.back().session);
        index_.erase(entries_.back().key);
        entries_.pop_back();
    }
}

void SessionCache::clear(std::uint64_t generation) {
    std::list<Entry> released;
    std::lock_guard<std::mutex> lock(lock_);
    generation_ = generation;
    released.swap(entries_);
    index_.clear();
}

std::size_t SessionCache::size() const {
    std::lock_guard<std::mutex> lock(lock_);
    return entries_.size();
}

std::uint64_t SessionCache::made() const {
    std::lock_guard<std::mutex> lock(lock_);
    return made_;
}
