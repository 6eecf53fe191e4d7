// Printer lists (-f): lines, comments, blanks, the place of a list among the
// printer arguments, and the lists that cannot be used.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "frontend/printer_list.h"
#include "tests/support/agents.h"

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// A line as read: its text and the line it was on.
using Read = std::vector<std::pair<std::string, std::size_t>>;

Read lines_of(const PrinterArguments &read) {
    Read out;
    for (const TargetArgument &a : read.arguments) out.push_back({a.text, a.line});
    return out;
}

TEST(PrinterList, LinesAsTheListGivesThem) {
    struct Case {
        const char *name;
        std::string content;
        Read expected;
    };
    const Case cases[] = {
        {"one per line", "lp1\nlp2\n", {{"lp1", 1}, {"lp2", 2}}},
        {"no line end at the end", "lp1\nlp2", {{"lp1", 1}, {"lp2", 2}}},
        {"comments and blank lines", "# fleet\n\nlp1\n   \n\t# old\nlp2\n", {{"lp1", 3}, {"lp2", 6}}},
        {"comment after a blank", "lp1  # room 2\nlp2\t#x\n", {{"lp1", 1}, {"lp2", 2}}},
        {"'#' inside a word stays", "lp1(pub#lic)\n", {{"lp1(pub#lic)", 1}}},
        {"blanks around", "  lp1 \t\n", {{"lp1", 1}}},
        {"CR LF line ends", "lp1\r\nlp2\r\n", {{"lp1", 1}, {"lp2", 2}}},
        {"community suffixes and ranges", "lp1(private)\n10.0.0.1-3(lab)\n10.0.0.0/29\n",
         {{"lp1(private)", 1}, {"10.0.0.1-3(lab)", 2}, {"10.0.0.0/29", 3}}},
        {"a line that is no printer is read as written", "lp1 lp2\n127.0.3.*\n", {{"lp1 lp2", 1}, {"127.0.3.*", 2}}},
        {"empty", "", {}},
        {"comments only", "# nothing yet\n\n", {}},
        {"a line of the longest length", std::string(MAX_LIST_LINE, 'a') + "\n", {{std::string(MAX_LIST_LINE, 'a'), 1}}},
    };
    TempDir dir("printer-list");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.path() + "/list";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.content;
        const PrinterArguments read = read_printer_arguments({{true, path}});
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(lines_of(read), c.expected);
        for (const TargetArgument &a : read.arguments) EXPECT_EQ(a.list, path);
    }
}

// A list's lines stand where its -f stands among the printer arguments;
// "-" reads the standard input given.
TEST(PrinterList, ListsKeepTheirPlaceAmongArguments) {
    TempDir dir("printer-list");
    const std::string path = dir.path() + "/fleet";
    std::ofstream(path) << "lp2\nlp3\n";
    std::string input = "lp5\n";
    std::unique_ptr<std::FILE, FileCloser> in(fmemopen(input.data(), input.size(), "r"));
    const std::vector<PrinterSource> sources = {{false, "lp1"}, {true, path}, {false, "lp4"}, {true, "-"}};
    const PrinterArguments read = read_printer_arguments(sources, in.get());
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(lines_of(read), (Read{{"lp1", 0}, {"lp2", 1}, {"lp3", 2}, {"lp4", 0}, {"lp5", 1}}));
    EXPECT_EQ(read.arguments[0].list, nullptr);
    EXPECT_STREQ(read.arguments[4].list, "-");
    EXPECT_EQ(list_label("-"), "standard input");
    EXPECT_EQ(list_label("fleet.txt"), "the printer list \"fleet.txt\"");
}

TEST(PrinterList, ListsThatCannotBeUsed) {
    TempDir dir("printer-list");
    const std::string longLine = dir.path() + "/long";
    std::ofstream(longLine) << "lp1\n" << std::string(MAX_LIST_LINE + 1, 'a') << "\n";
    struct Case {
        std::vector<PrinterSource> sources;
        std::string error;
    };
    const Case cases[] = {
        {{{true, dir.path() + "/missing"}},
         "cannot read the printer list \"" + dir.path() + "/missing\": No such file or directory.\n"},
        {{{true, dir.path()}}, "cannot read the printer list \"" + dir.path() + "\": Is a directory.\n"},
        {{{true, longLine}}, "line 2 of the printer list \"" + longLine + "\" is longer than 4096 bytes.\n"},
        {{{true, "-"}, {false, "lp1"}, {true, "-"}}, "standard input is given twice as a printer list (-f -).\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.error);
        std::string input = "lp9\n";
        std::unique_ptr<std::FILE, FileCloser> in(fmemopen(input.data(), input.size(), "r"));
        EXPECT_EQ(read_printer_arguments(c.sources, in.get()).error, c.error);
    }
}

}  // namespace
