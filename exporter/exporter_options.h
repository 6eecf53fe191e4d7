// prowlet_exporter's command line, and the statuses it exits with.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "exporter/exporter.h"

enum ExporterStatus : int {
    EXPORTER_OK = 0,           // SIGTERM or SIGINT after serving; --help, --version; a textfile written
    EXPORTER_BAD_OPTION = 1,   // an unknown option, a bad value, a missing --config.file
    EXPORTER_BAD_CONFIG = 2,   // the configuration file is refused
    EXPORTER_NO_LISTEN = 3,    // the listening address cannot be bound
    EXPORTER_NO_TEXTFILE = 4,  // --textfile: the file cannot be written, or a bad target or module
    EXPORTER_FAILED = 5,       // the SNMP transport or the server failed
};

inline constexpr const char *DEFAULT_LISTEN_ADDRESS = ":9731";

// Where to listen: "[HOST]:PORT" (an empty host: every IPv4 address).
struct ListenAddress {
    std::string host;
    int port = 0;
};
// Reads "[HOST]:PORT"; false for anything else (no port, a port outside 1-65535).
bool parse_listen_address(const std::string &text, ListenAddress &address);

struct ExporterOptions {
    ExporterSettings settings;
    ListenAddress listen;
    int httpThreads = 16;
    bool checkOnly = false;         // --config.check
    std::string textfile;           // --textfile PATH: one-shot
    std::string module = "default";  // --module, with --textfile
    std::vector<std::string> targets;  // with --textfile
};

// The outcome of parsing: go on, or end at once with status after writing
// out (to standard output) and err (to standard error).
struct ExporterParse {
    bool finished = false;
    int status = 0;
    std::string out;
    std::string err;
};

ExporterParse parse_exporter_options(int argc, char **argv, ExporterOptions &opts);
const std::string &exporter_usage();
