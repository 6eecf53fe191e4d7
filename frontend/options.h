// Command-line options: the flag words, option values and the connection port list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frontend/printer_list.h"
#include "frontend/security.h"
#include "reports/flags.h"

// One -n/--connection port. The options own the nodes; the list is read-only
// once options are parsed.
struct ConnRequest {
    std::uint16_t port = 0;
    const ConnRequest *next = nullptr;
};

inline constexpr const char *PROWLET_VERSION = "0.8.7";
inline constexpr const char *SHORT_USAGE = "prowlet [-c community] {options} printername\n";

// Help text, written whole to standard error by --help: the classic lines of
// the option table, in their order, then every other option of the table,
// one line each, by group.
const std::string &help_text();

// What option parsing produced; main owns it for the whole run. The settings
// and community point into argv itself.
struct Options {
    FlagWords flags;
    const char *settings[4] = {nullptr, nullptr, nullptr, nullptr};
    const char *community = nullptr;
    unsigned long timeout = 50;
    const ConnRequest *connList = nullptr;                   // newest first
    std::vector<std::unique_ptr<ConnRequest>> connNodes;  // owners of the list nodes
    // The printer arguments and printer lists (-f), in command-line order:
    // options and printer arguments may come in any order, and everything
    // after "--" is a printer argument.
    std::vector<PrinterSource> printers;
    SnmpOptions snmp;                                     // -v and the SNMPv3 options, unchecked
};

// The outcome of parsing: either go on with the targets, or end the process
// with status after writing out and err (getopt_long's own diagnostics have
// already gone to standard error by then).
struct ParseOutcome {
    bool finished = false;
    int status = 0;
    std::string out;
    std::string err;
};

// Parses argv into opts; resets getopt's state first, so it may run more than once.
ParseOutcome parse_options(int argc, char **argv, Options &opts);

// Puts a new port at the front of the connection list.
void add_connection(Options &opts, std::uint16_t port);
