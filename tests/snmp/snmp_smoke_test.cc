// Placeholder until the snmp subsystem's tests land.
#include <gtest/gtest.h>

TEST(SnmpSmoke, Builds) { SUCCEED(); }
