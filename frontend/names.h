// Printer names looked up side by side, all before any printer is contacted.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/targets.h"
#include "snmp/session.h"

// How many lookups run at once: a list of a few hundred names, some of them
// stale, waits for the slowest few rather than for each in turn (a name
// service that takes a second to say "no such name" would make that minutes).
inline constexpr std::size_t PARALLEL_LOOKUPS = 16;

// The IPv4 addresses of every distinct name of targets, in the name
// service's order (empty for a name that does not resolve), looked up by at
// most `lookups` threads at once; in the calling thread alone when no thread
// can be started.
std::unordered_map<std::string, std::vector<SNMP_session::IPv4>> resolve_names(const std::vector<TargetSpec> &targets,
                                                                               std::size_t lookups = PARALLEL_LOOKUPS);
