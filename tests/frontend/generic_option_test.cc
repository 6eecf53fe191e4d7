// --generic: its own bit in the second flag word, and no change to how the
// other options parse.
#include <getopt.h>
#include <gtest/gtest.h>

#include "frontend/options.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "tests/frontend/argv_builder.h"

namespace {

ParseOutcome parse(Argv &a, Options &o, std::string *diag = nullptr) {
    optind = 0;
    testing::internal::CaptureStderr();
    ParseOutcome out = parse_options(a.argc(), a.argv(), o);
    std::string err = testing::internal::GetCapturedStderr();
    if (diag) *diag = err;
    return out;
}

TEST(GenericOption, SetsItsBitOnly) {
    for (const char *form : {"--generic", "--gener", "--g"}) {
        Argv a{"prowlet", form, "printer1"};
        Options o;
        ParseOutcome out = parse(a, o);
        EXPECT_FALSE(out.finished) << form;
        EXPECT_EQ(0u, o.flags.word(0)) << form;
        EXPECT_EQ(F1_GENERIC, o.flags.word(1)) << form;
        EXPECT_EQ(0u, o.flags.word(2)) << form;
    }
}

TEST(GenericOption, BitIsFreeAndOutsideTheReportMasks) {
    for (std::uint64_t bit : {F1_LANGUAGES, F1_PJL, F1_HPGL, F1_PSPRINTER, F1_AUTOLANG, F1_POSTSCRIPT,
                              F1_PCL, F1_MARKER, F1_PAGECOUNT, F1_COLORS, F1_RESOLUTION, F1_MINMARGIN,
                              F1_PROTOCOL, F1_APPLETALK, F1_LPD, F1_NETWARE, F1_PORT9100, F1_SUPPLIES,
                              F1_ALERTS, F1_REBOOT, F1_CFGSRC})
        EXPECT_EQ(0u, bit & F1_GENERIC);
    EXPECT_EQ(0u, F1_GENERIC & F1_PRINTMIB_MASK);
    EXPECT_EQ(0u, F1_GENERIC & 7u);  // bits 0-2 carry the word index
}

TEST(GenericOption, WithOtherOptionsAndAnArgumentRefused) {
    Argv a{"prowlet", "--gen", "--vendor", "--pcl", "printer1"};
    Options o;
    EXPECT_FALSE(parse(a, o).finished);
    EXPECT_EQ(F0_VENDOR, o.flags.word(0));
    EXPECT_EQ(F1_GENERIC | F1_PCL, o.flags.word(1));

    Argv bad{"prowlet", "--generic=yes", "printer1"};
    Options ob;
    std::string diag;
    ParseOutcome out = parse(bad, ob, &diag);
    EXPECT_TRUE(out.finished);
    EXPECT_EQ(1, out.status);
    EXPECT_NE(std::string::npos, diag.find("generic")) << diag;
}

// --help lists it after the classic lines, which never named it.
TEST(GenericOption, HelpListsItAfterTheClassicLines) {
    const std::size_t at = help_text().find("\n  --generic ");
    EXPECT_NE(std::string::npos, at);
    EXPECT_GT(at, help_text().find("\t--timeout\t\n"));
}

}  // namespace
