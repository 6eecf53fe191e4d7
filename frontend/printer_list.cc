// Printer lists: lines read with a bound on their length, comments and blanks dropped.
#include "frontend/printer_list.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

bool blank(char c) { return c == ' ' || c == '\t'; }

// What went wrong while reading one list; empty while nothing did.
struct ListReader {
    const PrinterSource &source;
    const char *name;  // the list's name, kept by the arguments
    std::vector<TargetArgument> &out;
    std::string error;

    void fail(const std::string &why) { error = why + ".\n"; }

    // Reads every line of f into out.
    void read(std::FILE *f) {
        std::string line;
        std::size_t number = 0;
        bool more = true;
        while (more && error.empty()) {
            line.clear();
            int c;
            while ((c = std::getc(f)) != EOF && c != '\n') {
                if (line.size() == MAX_LIST_LINE) {
                    fail("line " + std::to_string(number + 1) + " of " + list_label(source.text.c_str()) +
                         " is longer than " + std::to_string(MAX_LIST_LINE) + " bytes");
                    return;
                }
                line += static_cast<char>(c);
            }
            more = c != EOF;
            if (std::ferror(f)) {
                unreadable(errno);
                return;
            }
            ++number;
            take(line, number);
        }
    }

    void unreadable(int err) { fail("cannot read " + list_label(source.text.c_str()) + ": " + std::strerror(err)); }

    void take(const std::string &line, std::size_t number) {
        std::string text = list_line_text(line);
        if (text.empty()) return;
        // Each line names one printer at least.
        if (out.size() >= MAX_TARGETS) {
            fail(list_label(source.text.c_str()) + " names too many printers");
            return;
        }
        out.push_back({std::move(text), name, number});
    }
};

}  // namespace

std::string list_label(const char *list) {
    return std::strcmp(list, "-") == 0 ? "standard input" : "the printer list \"" + std::string(list) + "\"";
}

std::string list_line_text(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || blank(line[i - 1]))) {
            line.resize(i);
            break;
        }
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = line.find_last_not_of(" \t");
    return line.substr(first, last - first + 1);
}

PrinterArguments read_printer_arguments(const std::vector<PrinterSource> &sources, std::FILE *stdinFile) {
    PrinterArguments result;
    bool stdinRead = false;
    for (const PrinterSource &source : sources) {
        if (!source.list) {
            result.arguments.push_back({source.text});
            continue;
        }
        result.lists.push_back(std::make_unique<std::string>(source.text));
        ListReader reader{source, result.lists.back()->c_str(), result.arguments, {}};
        if (source.text == "-") {
            // Standard input ends once: a second "-f -" would read nothing.
            if (stdinRead) {
                result.error = "standard input is given twice as a printer list (-f -).\n";
                return result;
            }
            stdinRead = true;
            reader.read(stdinFile);
        } else {
            std::unique_ptr<std::FILE, FileCloser> f(std::fopen(source.text.c_str(), "r"));
            if (!f)
                reader.unreadable(errno);
            else
                reader.read(f.get());
        }
        if (!reader.error.empty()) {
            result.error = reader.error;
            return result;
        }
    }
    return result;
}
