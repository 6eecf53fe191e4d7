// A table of a scripted agent, the record its walks fill, and a session to it:
// shared by the walk tests of every version.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "snmp/session.h"
#include "snmp/structfill.h"
#include "tests/support/fake_agent.h"

namespace walk_test {

inline const char *const COL_INDEX = "1.3.6.1.4.1.9999.1.1.2";
inline const char *const COL_NAME = "1.3.6.1.4.1.9999.1.1.3";
inline const char *const AFTER_TABLE = "1.3.6.1.4.1.9999.2.0";

struct Row {
    std::int64_t index = -1;
    std::string name;
    std::int64_t ticks = -1;
    std::array<unsigned char, 4> addr{};
};

// A scripted agent on 127.0.1.1 and a session to it in the version given.
struct Fixture {
    explicit Fixture(FakeHandler handler, int retries = 0, SNMP_version version = SNMP_version::V1)
        : agent("127.0.1.1", 0, std::move(handler)),
          sock(2, retries, agent.port()),
          session(&sock, "printer1", nullptr, {agent.ipv4()}) {
        session.setVersion(version);
    }
    FakeAgent agent;
    SNMP_socket sock;
    SNMP_session session;
};

// sysDescr, then rows of (COL_INDEX = 10 i, COL_NAME = "row i"), then
// AFTER_TABLE unless somethingAfter is false.
inline FakeMib table(int rows, bool somethingAfter = true) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("before the table"));
    for (int i = 1; i <= rows; ++i) {
        mib.set(std::string(COL_INDEX) + "." + std::to_string(i), fake_int(i * 10));
        mib.set(std::string(COL_NAME) + "." + std::to_string(i), fake_string("row " + std::to_string(i)));
    }
    if (somethingAfter) mib.set(AFTER_TABLE, fake_int(1));
    return mib;
}

// A walk of the two columns.
struct TwoColumns {
    explicit TwoColumns(SNMP_session &session) : t(&session) {
        t.append(COL_INDEX, INT_TAG, &Row::index);
        t.append(COL_NAME, STRING_TAG, &Row::name);
    }
    tabdef<Row> t;
};

}  // namespace walk_test
