// The exposition for node_exporter's textfile collector: one run over the
// printers of the command line, written to a file atomically.
#pragma once

#include <string>
#include <vector>

#include "exporter/config.h"

// Writes text to path as a whole: into a new file beside it (the name ends
// in neither ".prom" nor anything the collector reads), flushed to disk,
// then renamed over path, so a reader sees the old file or the new one,
// never a part. Mode 0644. "" or why not.
std::string write_file_atomically(const std::string &path, const std::string &text);

// Serves every target with module and writes the exposition to path;
// returns the exit status (messages to standard error).
int write_textfile(const ExporterConfig &config, const std::string &module, const std::vector<std::string> &targets,
                   const std::string &path);
