// Serialised output and the per-printer outcomes every report shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "snmp/structfill.h"

class SNMP_session;

// argv[0], set right after option parsing; names the program in messages.
extern const char *progname;

// Thrown to end one printer's worker with a status; caught only at the top of
// the worker, so everything the worker owns is released by unwinding.
struct WorkerExit {
    int status;
};

// Writes one piece of a printer's output under the output lock. Fragments
// (continues true) extend the printer's open line; record lines (continues
// false) are whole lines ending in "\n". Only the name bit of flags[0] is read.
void emit_output(const SNMP_session &session, const std::uint64_t *flags, bool continues,
                 std::string_view text);

// Makes a value read from a printer safe inside key="value"; fields: '"' and
// '\' get a backslash, a newline becomes \n and every other control byte
// (below 0x20, and 0x7f) becomes \xHH. Bytes from 0x80 up pass unchanged.
std::string escape_value(std::string_view text);

// printf into a string of exactly the formatted length; pieces and messages
// are built with it so no fixed buffer can overflow.
std::string format_piece(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Closes the last line if it was left open.
void finish_output();

// "%s: No response from %s\n", then ends the calling worker with status 8.
[[noreturn]] void handle_unrecoverable(const char *progname, const char *hostname,
                                       SNMP_error_unrecoverable error);

// "%s: %s option not supported on this printer type.\n" (hostname, option).
void not_supported(const char *option, const char *hostname);

// For tests: forget which printer wrote last.
void reset_output_state();
