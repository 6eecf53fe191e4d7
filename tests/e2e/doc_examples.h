// Reading the examples and commands that README.md and docs/examples.md show, for the test that runs them.
//
// An example is a fenced block after a line "<!-- example -->" (optionally
// "<!-- example exit=N -->" and/or "unordered"). Its first line is "$ COMMAND",
// the rest is standard output. A fenced block after "<!-- example-stderr -->"
// right behind it is the expected standard error (otherwise none is expected).
// COMMAND is "prowlet ARGS" or "scripts/demo [OPTIONS]" (the demo's run:
// prowlet -c demo OPTIONS 127.0.1.1-5); a prowlet command with a "|" is a
// pipeline run by sh with the built prowlet first on the PATH.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Example {
    std::string file;  // as the messages name it, e.g. "docs/examples.md"
    int line = 0;      // line of the marker
    std::string command;
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int status = 0;
    bool unordered = false;
    bool pipeline = false;
};

std::vector<std::string> read_lines(const std::string &path);

// Splits a command line as the shell would for the simple forms the documents
// use: blanks separate words, '...' and "..." quote text literally.
std::vector<std::string> split_words(const std::string &text);

// The stages of a pipeline, split at the "|" outside quotes, blanks around them dropped.
std::vector<std::string> pipeline_stages(const std::string &command);

// The fenced block starting at or after lines[i]; i ends after the block.
bool read_block(const std::vector<std::string> &lines, std::size_t &i, std::vector<std::string> &block,
                std::string &error);

// Every example of the file at sourceDir/name; malformed markers go to problems.
std::vector<Example> parse_examples(const std::string &sourceDir, const std::string &name,
                                    std::vector<std::string> &problems);

// A command the document shows for the reader to type, and where.
struct ShownCommand {
    int line = 0;
    std::string text;
};

// Every prowlet command in the code of a Markdown document (fenced blocks and
// lines indented by four blanks), "$ " dropped; a line ending in "|" or "\"
// goes on with the next one.
std::vector<ShownCommand> prowlet_commands(const std::vector<std::string> &lines);
