// Placeholder until the frontend subsystem's tests land.
#include <gtest/gtest.h>

TEST(FrontendSmoke, Builds) { SUCCEED(); }
