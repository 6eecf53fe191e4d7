// Placeholder until the ber subsystem's tests land.
#include <gtest/gtest.h>

TEST(BerSmoke, Builds) { SUCCEED(); }
