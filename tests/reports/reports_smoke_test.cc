// Placeholder until the reports subsystem's tests land.
#include <gtest/gtest.h>

TEST(ReportsSmoke, Builds) { SUCCEED(); }
