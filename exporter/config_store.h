// The configuration in force and those still in use: a reload installs a new
// one while scrapes under way keep the one they started with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

#include "exporter/config.h"

class ConfigStore {
 private:
    struct Generation {
        std::unique_ptr<ExporterConfig> config;
        std::uint64_t number = 0;
        std::size_t users = 0;
    };

 public:
    explicit ConfigStore(std::unique_ptr<ExporterConfig> config);
    ConfigStore(const ConfigStore &) = delete;
    ConfigStore &operator=(const ConfigStore &) = delete;

    // The configuration a scrape runs with, kept alive (with the SNMPv3 users
    // its sessions refer to) until the lease ends.
    class Lease {
     public:
        Lease(Lease &&other) noexcept : store_(other.store_), generation_(other.generation_) {
            other.store_ = nullptr;
        }
        Lease &operator=(Lease &&) = delete;
        ~Lease();
        const ExporterConfig &config() const { return *generation_->config; }
        std::uint64_t generation() const { return generation_->number; }

     private:
        friend class ConfigStore;
        Lease(ConfigStore *store, Generation *generation) : store_(store), generation_(generation) {}
        ConfigStore *store_;
        Generation *generation_;
    };

    Lease lease();
    // Puts config in force; the one it replaces is released once its last
    // lease ends. Returns the new generation's number.
    std::uint64_t replace(std::unique_ptr<ExporterConfig> config);
    std::uint64_t generation() const;
    // Configurations still held (the one in force and those with leases).
    std::size_t held() const;

 private:
    void release(Generation *generation);
    mutable std::mutex lock_;
    std::list<Generation> generations_;  // the one in force last
    std::uint64_t next_ = 1;
};
