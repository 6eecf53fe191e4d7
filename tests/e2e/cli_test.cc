// End-to-end tests of the command line: whole output, whole messages, exit status.
#include <gtest/gtest.h>

#include "tests/support/run_prowlet.h"

TEST(CommandLine, BinaryRuns) {
    RunResult r = run_prowlet({});
    EXPECT_FALSE(r.timedOut);
}
