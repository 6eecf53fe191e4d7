// Runs the built prowlet binary and captures what a user would see.
#pragma once

#include <chrono>
#include <string>
#include <vector>

// The note after a run of one printer that ended "unknown printer vendor".
inline const std::string UNKNOWN_VENDOR_NOTE =
    "prowlet: 1 printer ended with \"unknown printer vendor\" (status 11); --generic reports on it through the "
    "standard Printer and Host Resources MIBs.\n";

struct RunResult {
    std::string out;   // standard output, byte for byte
    std::string err;   // standard error, byte for byte
    int status = -1;   // exit status, or 128 + signal number
    bool timedOut = false;
};

// Runs PROWLET_BINARY with args (argv[0] is "prowlet") in directory cwd (empty:
// the current one). The child is killed after limit, so no test can hang.
RunResult run_prowlet(const std::vector<std::string> &args,
                      std::chrono::seconds limit = std::chrono::seconds(120),
                      const std::string &cwd = "");

// Same, for any program given by path; argv[0] is argv0, or path when empty.
RunResult run_program(const std::string &path, const std::vector<std::string> &args,
                      std::chrono::seconds limit = std::chrono::seconds(120),
                      const std::string &cwd = "", const std::string &argv0 = "");

// Whether this system hands out pseudo-terminals (/dev/ptmx).
bool pseudo_terminals_available();

// Runs PROWLET_BINARY with its standard error (and standard output, when
// stdoutOnTerminal) on a pseudo-terminal of that many columns, in raw mode,
// standard input /dev/null: err holds what the terminal received, byte for
// byte, and out standard output when it is a pipe.
RunResult run_prowlet_on_terminal(const std::vector<std::string> &args, bool stdoutOnTerminal = false,
                                  std::chrono::seconds limit = std::chrono::seconds(120),
                                  unsigned short columns = 80);
