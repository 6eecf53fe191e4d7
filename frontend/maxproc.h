// --maxproc N: the cap on the workers that are started and not yet joined.
#pragma once

#include <cstddef>
#include <optional>

struct WorkerSet;

// Reads a --maxproc argument: one or more decimal digits and nothing else
// (no sign, no blanks, no "0x"), worth at least 1. A value too large for
// size_t is taken as size_t's maximum, which caps nothing. nullopt otherwise.
std::optional<std::size_t> parse_maxproc(const char *text);

// "%s: --maxproc needs a positive number, not \"%s\".\n" (program name, argument)
// to standard error.
void report_bad_maxproc(const char *progname, const char *text);

// Blocks main until fewer than set.maxproc started workers are left unjoined.
// The joiner joins each worker as it ends and signals workerJoined, so this
// waits without polling and a slot frees as soon as any worker ends.
void wait_for_worker_slot(WorkerSet &set);
