// Target arguments: community suffix, host names, address ranges and subnets, expanded to printer names.
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

// One printer argument as given: on the command line (list nullptr), or on
// a line of a printer list (-f).
struct TargetArgument {
    std::string text;
    const char *list = nullptr;  // the list's name as the messages give it
    std::size_t line = 0;        // its line, from 1
};

// The outcome of expanding the target arguments: the targets, or the first
// malformed argument with the reason it was refused.
struct Expansion {
    std::vector<TargetSpec> targets;
    bool ok = true;
    std::string argument;
    std::string reason;
    const char *list = nullptr;  // where the refused argument came from
    std::size_t line = 0;
};

// The reason given for an argument of no form a printer argument may take.
inline constexpr const char *TARGET_FORMS =
    "expected a host name (letters, digits, '-', '.', '_'), an address a.b.c.d, a range a.b.c.d-e or "
    "a.b.c.d-w.x.y.z, or a subnet a.b.c.d/len or a.b.c.d/m.m.m.m, one per argument";

// More targets than this in one run would only exhaust memory (a /1 subnet
// names two billion addresses); such a command line is refused.
inline constexpr std::size_t MAX_TARGETS = std::size_t{1} << 20;

// Expands every argument, left to right; community is the -c/--community value
// or null. Pure: resolves nothing and sends nothing.
Expansion expand_target_arguments(const std::vector<TargetArgument> &args, const char *community);
Expansion expand_targets(const std::vector<std::string> &args, const char *community);

