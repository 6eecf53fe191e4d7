// Target arguments: community suffix, address ranges and subnets, expanded to printer names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One printer target, in the order in which sessions are created for them.
struct TargetSpec {
    std::string name;
    std::optional<std::string> community;  // none: the session's default community
    bool operator==(const TargetSpec &) const = default;
};

// The outcome of expanding the target arguments: the targets, or the first
// malformed argument with the reason it was refused.
struct Expansion {
    std::vector<TargetSpec> targets;
    bool ok = true;
    std::string argument;
    std::string reason;
};

// More targets than this in one run would only exhaust memory (a /1 subnet
// names two billion addresses); such a command line is refused.
inline constexpr std::size_t MAX_TARGETS = std::size_t{1} << 20;

// Expands every argument, left to right; community is the -c/--community value
// or null. Pure: resolves nothing and sends nothing.
Expansion expand_targets(const std::vector<std::string> &args, const char *community);

