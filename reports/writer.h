// The run's one writer of standard output and standard error: whole lines,
// each in one write, under one lock.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

class OutputWriter {
 public:
    explicit OutputWriter(std::FILE *out = stdout, std::FILE *err = stderr) : out_(out), err_(err) {}
    OutputWriter(const OutputWriter &) = delete;
    OutputWriter &operator=(const OutputWriter &) = delete;

    // Complete lines (text ending in "\n") for standard output, in one write:
    // lines of different printers meet only at line boundaries.
    void write_lines(std::string_view text);
    // A message for standard error. Standard output is flushed first and both
    // go out under the same lock, so with 2>&1 a message never lands inside a
    // line.
    void write_message(std::string_view text);

 private:
    std::mutex lock_;
    std::FILE *out_;
    std::FILE *err_;
};
