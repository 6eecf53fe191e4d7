// Reading the examples and commands that README.md and docs/examples.md show.
#include "tests/e2e/doc_examples.h"

#include <fstream>
#include <regex>

std::vector<std::string> read_lines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::vector<std::string> split_words(const std::string &text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::vector<std::string> pipeline_stages(const std::string &command) {
    std::vector<std::string> stages;
    std::string stage;
    char quote = 0;
    auto finish = [&] {
        const std::size_t first = stage.find_first_not_of(' ');
        const std::size_t last = stage.find_last_not_of(' ');
        stages.push_back(first == std::string::npos ? "" : stage.substr(first, last - first + 1));
        stage.clear();
    };
    for (char c : command) {
        if (quote && c == quote)
            quote = 0;
        else if (!quote && (c == '\'' || c == '"'))
            quote = c;
        else if (!quote && c == '|') {
            finish();
            continue;
        }
        stage += c;
    }
    finish();
    return stages;
}

bool read_block(const std::vector<std::string> &lines, std::size_t &i, std::vector<std::string> &block,
                std::string &error) {
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i >= lines.size() || lines[i].rfind("```", 0) != 0) {
        error = "no fenced block after the marker";
        return false;
    }
    for (++i; i < lines.size(); ++i) {
        if (lines[i] == "```") {
            ++i;
            return true;
        }
        block.push_back(lines[i]);
    }
    error = "fenced block does not end";
    return false;
}

namespace {

const std::vector<std::string> kDemoOptions = {"--vendor", "--model", "--contact", "--pagecount",
                                               "--supplies", "--inputtray", "--alerts"};

// The arguments prowlet runs with for the command of an example; false for a command the runner does not know.
bool take_command(Example &ex) {
    std::vector<std::string> words = split_words(ex.command);
    if (words.empty()) return false;
    // Pipelines and the plugin run through the shell, the build's programs first in PATH.
    if ((words[0] == "prowlet" && pipeline_stages(ex.command).size() > 1) || words[0] == "check_printers") {
        ex.pipeline = true;
    } else if (words[0] == "prowlet") {
        ex.args.assign(words.begin() + 1, words.end());
    } else if (words[0] == "scripts/demo") {
        ex.args = {"-c", "demo"};
        if (words.size() == 1)
            ex.args.insert(ex.args.end(), kDemoOptions.begin(), kDemoOptions.end());
        else
            ex.args.insert(ex.args.end(), words.begin() + 1, words.end());
        ex.args.push_back("127.0.1.1-5");
    } else {
        return false;
    }
    return true;
}

// The example whose marker is lines[i]; j ends after its blocks. Problems are
// named by the line they are found at.
bool read_example(const std::vector<std::string> &lines, std::size_t i, std::size_t &j, Example &ex,
                  std::string &problem) {
    std::vector<std::string> block;
    std::string error;
    j = i + 1;
    if (!read_block(lines, j, block, error) || block.empty() || block[0].rfind("$ ", 0) != 0) {
        problem = "line " + std::to_string(ex.line) + ": " + (error.empty() ? "block does not start with \"$ \"" : error);
        return false;
    }
    ex.command = block[0].substr(2);
    if (!take_command(ex)) {
        problem = "line " + std::to_string(ex.line) + ": unknown command " + ex.command;
        return false;
    }
    for (std::size_t k = 1; k < block.size(); ++k) ex.out += block[k] + "\n";
    // An optional stderr block follows.
    std::size_t k = j;
    while (k < lines.size() && lines[k].empty()) ++k;
    if (k < lines.size() && lines[k] == "<!-- example-stderr -->") {
        std::vector<std::string> errBlock;
        ++k;
        if (!read_block(lines, k, errBlock, error)) {
            problem = "line " + std::to_string(k) + ": " + error;
            return false;
        }
        for (const auto &l : errBlock) ex.err += l + "\n";
    }
    return true;
}

}  // namespace

std::vector<Example> parse_examples(const std::string &sourceDir, const std::string &name,
                                    std::vector<std::string> &problems) {
    const std::vector<std::string> lines = read_lines(sourceDir + "/" + name);
    if (lines.empty()) problems.push_back(name + " is missing or empty");
    static const std::regex marker(R"(^<!-- example((?: exit=\d+| unordered)*) -->$)");
    std::vector<Example> examples;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        const bool isMarker = std::regex_match(lines[i], m, marker);
        if (!isMarker && lines[i].rfind("<!-- example", 0) == 0 && lines[i].rfind("<!-- example-stderr", 0) != 0) {
            problems.push_back(name + " line " + std::to_string(i + 1) + ": malformed marker");
            continue;
        }
        if (!isMarker) continue;
        Example ex;
        ex.file = name;
        ex.line = static_cast<int>(i + 1);
        const std::string attrs = m[1];
        std::smatch a;
        if (std::regex_search(attrs, a, std::regex(R"(exit=(\d+))"))) ex.status = std::stoi(a[1]);
        ex.unordered = attrs.find("unordered") != std::string::npos;
        std::size_t j = i + 1;
        std::string problem;
        if (!read_example(lines, i, j, ex, problem)) {
            problems.push_back(name + " " + problem);
            continue;
        }
        examples.push_back(ex);
        i = j - 1;
    }
    return examples;
}

std::vector<ShownCommand> prowlet_commands(const std::vector<std::string> &lines) {
    std::vector<ShownCommand> commands;
    bool fenced = false;
    ShownCommand open;  // a command that goes on in the next line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string &line = lines[i];
        if (line.rfind("```", 0) == 0) {
            fenced = !fenced;
            continue;
        }
        const bool code = fenced || line.rfind("    ", 0) == 0;
        std::string text;
        if (const std::size_t first = line.find_first_not_of(' '); code && first != std::string::npos)
            text = line.substr(first);
        if (!open.text.empty()) {
            open.text += " " + text;
        } else {
            if (text.rfind("$ ", 0) == 0) text.erase(0, 2);
            if (text.rfind("prowlet ", 0) != 0) continue;
            open = {static_cast<int>(i + 1), text};
        }
        if (!open.text.empty() && (open.text.back() == '|' || open.text.back() == '\\')) {
            if (open.text.back() == '\\') open.text.pop_back();
            continue;
        }
        commands.push_back(open);
        open = {};
    }
    return commands;
}
