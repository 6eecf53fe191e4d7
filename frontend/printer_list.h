// Printer lists (-f FILE, -f - for standard input): their lines as printer
// arguments, in the command line's order.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "frontend/targets.h"

// One printer argument of the command line, or a printer list standing where
// its -f option stands among them.
struct PrinterSource {
    bool list = false;  // text names a printer list ("-": standard input)
    std::string text;
    bool operator==(const PrinterSource &) const = default;
};

// A printer list as messages name it: "the printer list \"FILE\"", or "standard input" for "-".
std::string list_label(const char *list);

// Lines longer than this are refused rather than read without end (a file
// such as /dev/zero has no line end at all).
inline constexpr std::size_t MAX_LIST_LINE = 4096;

// The printer arguments of every source in order, or the message (without
// the program name and ": ", ending in ".\n") of the list that cannot be used.
struct PrinterArguments {
    std::vector<TargetArgument> arguments;  // their list names point into lists
    std::string error;
    std::vector<std::unique_ptr<std::string>> lists;  // the names of the lists read
};

// A list's lines: blanks around the text are dropped, and so is a comment
// ('#' at the start or after a blank) and a CR before the line end; lines
// left empty are skipped; each other line is one printer argument in any
// form the command line takes ("lp1(private)" included). stdinFile is what
// "-" reads, once at most.
PrinterArguments read_printer_arguments(const std::vector<PrinterSource> &sources, std::FILE *stdinFile = stdin);

// The text of one list line, as read_printer_arguments takes it ("" for none).
std::string list_line_text(std::string line);
