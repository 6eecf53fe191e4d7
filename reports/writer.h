// The run's one writer of standard output and standard error: whole lines,
// each in one write, under one lock.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

class OutputWriter {
 public:
    explicit OutputWriter(std::FILE *out = stdout, std::FILE *err = stderr);
    OutputWriter(const OutputWriter &) = delete;
    OutputWriter &operator=(const OutputWriter &) = delete;

    // Complete lines (text ending in "\n") for standard output, in one write:
    // lines of different printers meet only at line boundaries.
    void write_lines(std::string_view text);
    // A message for standard error. Standard output is flushed first and both
    // go out under the same lock, so with 2>&1 a message never lands inside a
    // line.
    void write_message(std::string_view text);

    // A status line at the foot of standard error when that is a terminal
    // (the run's progress), drawn over itself. Before each message, and
    // before each line of standard output when that is a terminal too, it is
    // erased, and drawn again after, so it never mixes with either.
    void show_status(std::string_view line);
    // Erases the status line, if one is drawn.
    void clear_status();

 private:
    std::mutex lock_;
    std::FILE *out_;
    std::FILE *err_;
    bool outIsTerminal_;
    std::string status_;  // the status line drawn, empty when none
};

// Terminal sequences of the status line: back to the line's start and erase
// to its end.
inline constexpr const char *ERASE_STATUS = "\r\033[K";
