// config_store: the configuration in force and the ones scrapes still use.
#include "exporter/config_store.h"

ConfigStore::ConfigStore(std::unique_ptr<ExporterConfig> config) { replace(std::move(config)); }

ConfigStore::Lease::~Lease() {
    if (store_) store_->release(generation_);
}

ConfigStore::Lease ConfigStore::lease() {
    std::lock_guard<std::mutex> lock(lock_);
    Generation &current = generations_.back();
    ++current.users;
    return Lease(this, &current);
}

std::uint64_t ConfigStore::replace(std::unique_ptr<ExporterConfig> config) {
    std::lock_guard<std::mutex> lock(lock_);
    generations_.push_back(Generation{std::move(config), next_++, 0});
    // Earlier configurations nobody uses go at once; the others with their last lease.
    for (auto it = generations_.begin(); std::next(it) != generations_.end();)
        it = it->users == 0 ? generations_.erase(it) : std::next(it);
    return generations_.back().number;
}

void ConfigStore::release(Generation *generation) {
    std::lock_guard<std::mutex> lock(lock_);
    --generation->users;
    if (generation->users == 0 && generation != &generations_.back()) {
        for (auto it = generations_.begin(); it != generations_.end(); ++it)
            if (&*it == generation) {
                generations_.erase(it);
                break;
            }
    }
}

std::uint64_t ConfigStore::generation() const {
    std::lock_guard<std::mutex> lock(lock_);
    return generations_.back().number;
}

std::size_t ConfigStore::held() const {
    std::lock_guard<std::mutex> lock(lock_);
    return generations_.size();
}
