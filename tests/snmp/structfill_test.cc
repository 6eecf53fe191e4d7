// tabdef: scalar gets, get-next steps and whole table walks into records, against the scripted agent.
#include "snmp/structfill.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/snmp/snmp_test_util.h"
#include "tests/snmp/walk_fixture.h"
#include "tests/support/fake_agent.h"

using snmp_test::StderrCapture;

namespace {

using walk_test::AFTER_TABLE;
using walk_test::COL_INDEX;
using walk_test::COL_NAME;
using walk_test::Fixture;
using walk_test::Row;
using walk_test::table;

TEST(tabdef, WalkOf25RowsTakes26Exchanges) {
    Fixture f(fake_mib_handler(table(25)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    const std::vector<Row> rows = t.get();
    ASSERT_EQ(25u, rows.size());
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ((i + 1) * 10, rows[static_cast<std::size_t>(i)].index);
        EXPECT_EQ("row " + std::to_string(i + 1), rows[static_cast<std::size_t>(i)].name);
    }
    EXPECT_EQ(26, f.agent.requestCount());
    for (const FakeRequest &r : f.agent.requests()) EXPECT_EQ(GETNEXT_REQ_TAG, r.pduTag);
}

TEST(tabdef, EmptyTableTakesOneExchange) {
    Fixture f(fake_mib_handler(table(0)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    EXPECT_TRUE(t.get().empty());
    EXPECT_EQ(1, f.agent.requestCount());
}

TEST(tabdef, EachStepAsksForTheSuccessorsOfTheLastReply) {
    Fixture f(fake_mib_handler(table(2)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    Row r;
    ASSERT_EQ(&r, t.getNext(r));
    ASSERT_EQ(&r, t.getNext(r));
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    // Request bindings in append order; the second carries the first reply's values unchanged.
    ASSERT_EQ(2u, reqs[0].bindings.size());
    EXPECT_EQ(COL_INDEX, reqs[0].bindings[0].oid);
    EXPECT_EQ(fake_null(), reqs[0].bindings[0].value);
    EXPECT_EQ(std::string(COL_INDEX) + ".1", reqs[1].bindings[0].oid);
    EXPECT_EQ(fake_int(10), reqs[1].bindings[0].value);
    EXPECT_EQ(std::string(COL_NAME) + ".1", reqs[1].bindings[1].oid);
    EXPECT_EQ(fake_string("row 1"), reqs[1].bindings[1].value);
    EXPECT_EQ(20, r.index);
    EXPECT_EQ("row 2", r.name);
}

TEST(tabdef, RunningOffTheEndOfTheMibKeepsTheRows) {
    // The table is the last thing the agent has: the step past its last row is
    // answered with noSuchName.
    Fixture f(fake_mib_handler(table(3, false)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    const std::vector<Row> rows = t.get();
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("row 3", rows[2].name);
    EXPECT_EQ(4, f.agent.requestCount());
}

TEST(tabdef, OtherErrorStatusesDuringAWalkReachTheCaller) {
    Fixture f([](const FakeRequest &r) {
        if (r.number == 1) return FakeAgent::reply(fake_error(r, 5, 1));
        return FakeAgent::reply(fake_response(r, {{std::string(COL_INDEX) + ".1", fake_int(1)}}));
    });
    tabdef<Row> t(&f.session);
    t.append(COL_INDEX, INT_TAG, &Row::index);
    try {
        t.get();
        FAIL() << "walk ended quietly";
    } catch (const SNMP_error_oid &e) {
        EXPECT_EQ(std::string(COL_INDEX) + ".1", e.str);
        EXPECT_EQ(5, e.status);
    }
}

TEST(tabdef, ColumnsThreeAndThirtyWalkedTogether) {
    // "...1.3" is a character prefix of column 30's instances: each column must
    // take its own binding, by whole arcs.
    const std::string col3 = "1.3.6.1.2.1.2.2.1.3", col30 = "1.3.6.1.2.1.2.2.1.30";
    FakeMib mib;
    for (int i = 1; i <= 2; ++i) {
        mib.set(col3 + "." + std::to_string(i), fake_int(i));
        mib.set(col30 + "." + std::to_string(i), fake_int(100 * i));
    }
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append(col3.c_str(), INT_TAG, &Row::index);
    t.append(col30.c_str(), INT_TAG, &Row::ticks);
    const std::vector<Row> rows = t.get();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(1, rows[0].index);
    EXPECT_EQ(100, rows[0].ticks);
    EXPECT_EQ(2, rows[1].index);
    EXPECT_EQ(200, rows[1].ticks);
}

struct StuckCase {
    const char *name;
    const char *answer;  // OID the agent returns for the second step
};

class tabdefStuck : public testing::TestWithParam<StuckCase> {};

TEST_P(tabdefStuck, WalkStopsWhenOidsDoNotIncrease) {
    StderrCapture err;
    const std::string answer = GetParam().answer;
    Fixture f([answer](const FakeRequest &r) {
        const std::string oid = r.number == 0 ? std::string(COL_INDEX) + ".5" : answer;
        return FakeAgent::reply(fake_response(r, {{oid, fake_int(r.number)}}));
    });
    tabdef<Row> t(&f.session);
    t.append(COL_INDEX, INT_TAG, &Row::index);
    const auto rows = t.get();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(0, rows[0].index);
    EXPECT_EQ(2, f.agent.requestCount());
    EXPECT_EQ("Warning: printer1 returned an OID that does not increase (" + answer + "); table walk stopped.\n",
              err.text());
}

INSTANTIATE_TEST_SUITE_P(Answers, tabdefStuck,
                         testing::Values(StuckCase{"Same", "1.3.6.1.4.1.9999.1.1.2.5"},
                                         StuckCase{"Smaller", "1.3.6.1.4.1.9999.1.1.2.4"},
                                         StuckCase{"Ancestor", "1.3.6.1.4.1.9999.1.1.2"},
                                         StuckCase{"SmallerBigArc", "1.3.6.1.4.1.9999.1.1.2.4.300"}),
                         [](const testing::TestParamInfo<StuckCase> &info) { return info.param.name; });

TEST(tabdef, LargerArcsCompareAsNumbers) {
    // .5 -> .300 is an increase even though the encoding of 300 starts with a
    // larger byte count; .300 -> .1000 likewise.
    Fixture f([](const FakeRequest &r) {
        const char *oids[] = {"1.3.6.1.4.1.9999.1.1.2.5", "1.3.6.1.4.1.9999.1.1.2.300",
                              "1.3.6.1.4.1.9999.1.1.2.1000", "1.3.6.1.4.1.9999.2.0"};
        return FakeAgent::reply(fake_response(r, {{oids[r.number < 4 ? r.number : 3], fake_int(r.number)}}));
    });
    tabdef<Row> t(&f.session);
    t.append(COL_INDEX, INT_TAG, &Row::index);
    EXPECT_EQ(3u, t.get().size());
}

TEST(tabdef, IntegerForCounterWarnsAndStores) {
    StderrCapture err;
    const char *lifeCount = "1.3.6.1.2.1.43.10.2.1.4";
    FakeMib mib;
    mib.set("1.3.6.1.2.1.43.10.2.1.4.1.1", fake_int(123456));
    mib.set("1.3.6.1.2.1.43.11.1.1.1.1.1", fake_int(1));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append(lifeCount, COUNTER_TAG, &Row::index);
    const auto rows = t.get();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(123456, rows[0].index);
    EXPECT_EQ("Warning: Integer returned when Counter expected for 1.3.6.1.2.1.43.10.2.1.4. Buggy firmware?\n",
              err.text());
}

TEST(tabdef, CounterForIntegerWarnsAndStores) {
    StderrCapture err;
    FakeMib mib;
    mib.set("1.3.6.1.2.1.25.2.3.1.4.1", fake_counter(4096));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.25.2.3.1.4.1", INT_TAG, &Row::index);
    Row r;
    EXPECT_EQ(&r, t.getOne(r));
    EXPECT_EQ(4096, r.index);
    EXPECT_EQ("Warning: Counter returned when Integer expected for 1.3.6.1.2.1.25.2.3.1.4.1.Buggy firmware?\n",
              err.text());
}

TEST(tabdef, IntegerForTimeTicksRaisesErrorOid) {
    StderrCapture err;
    const char *alertTime = "1.3.6.1.2.1.43.18.1.1.9";
    const char *alertCode = "1.3.6.1.2.1.43.18.1.1.7";
    FakeMib mib;
    mib.set("1.3.6.1.2.1.43.18.1.1.7.1.1", fake_int(1101));
    mib.set("1.3.6.1.2.1.43.18.1.1.9.1.1", fake_int(5000));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append(alertTime, TIME_TICK_TAG, &Row::ticks);
    t.append(alertCode, INT_TAG, &Row::index);
    try {
        t.get();
        FAIL() << "no error";
    } catch (const SNMP_error_type &e) {
        EXPECT_EQ("1.3.6.1.2.1.43.18.1.1.9", e.str);
    }
    EXPECT_EQ("Warning: Printer returned a value of type 0x2 when a value of 0x43 was expected for "
              "1.3.6.1.2.1.43.18.1.1.9. Buggy firmware?\n",
              err.text());
}

TEST(tabdef, TypeErrorLeavesEarlierColumnsFilled) {
    StderrCapture err;
    FakeMib mib;
    mib.set("1.3.6.1.2.1.43.18.1.1.7.1.1", fake_int(1101));
    mib.set("1.3.6.1.2.1.43.18.1.1.9.1.1", fake_string("not ticks"));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    // Columns are filled newest first: the code (appended last) before the time.
    t.append("1.3.6.1.2.1.43.18.1.1.9.1.1", TIME_TICK_TAG, &Row::ticks);
    t.append("1.3.6.1.2.1.43.18.1.1.7.1.1", INT_TAG, &Row::index);
    Row r;
    EXPECT_THROW(t.getOne(r), SNMP_error_type);
    EXPECT_EQ(1101, r.index);
    EXPECT_EQ(-1, r.ticks);
    EXPECT_EQ("Warning: Printer returned a value of type 0x4 when a value of 0x43 was expected for "
              "1.3.6.1.2.1.43.18.1.1.9.1.1. Buggy firmware?\n",
              err.text());
}

TEST(tabdef, GetOneWithAMissingScalar) {
    StderrCapture err;
    Fixture f([](const FakeRequest &r) {
        return FakeAgent::reply(fake_response(r, {{r.bindings[0].oid, fake_string("HP LaserJet 4000")}}));
    });
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.1.1.0", STRING_TAG, &Row::name);
    t.append("1.3.6.1.2.1.1.3.0", TIME_TICK_TAG, &Row::ticks);
    Row r;
    EXPECT_EQ(nullptr, t.getOne(r));
    EXPECT_EQ("HP LaserJet 4000", r.name);
    EXPECT_EQ(-1, r.ticks);
    EXPECT_EQ("Warning: printer did not respond with a value for one of the OIDs. Buggy firmware?\n", err.text());
    ASSERT_EQ(1, f.agent.requestCount());
    EXPECT_EQ(GET_REQ_TAG, f.agent.requests()[0].pduTag);
}

TEST(tabdef, ScalarTypes) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.2.0", fake_oid("1.3.6.1.4.1.11.2.3.9.1"));
    mib.set("1.3.6.1.2.1.1.3.0", fake_timeticks(8640000ull * 3 + 5));
    mib.set("1.3.6.1.2.1.4.20.1.1.10.0.0.7", fake_ipaddr(10, 0, 0, 7));
    mib.set("1.3.6.1.2.1.43.5.1.1.16.1", fake_counter(0xfffffffful));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.1.2.0", OID_TAG, &Row::name);
    t.append("1.3.6.1.2.1.1.3.0", TIME_TICK_TAG, &Row::ticks);
    t.append("1.3.6.1.2.1.4.20.1.1.10.0.0.7", IPADDR_TAG, &Row::addr);
    t.append("1.3.6.1.2.1.43.5.1.1.16.1", COUNTER_TAG, &Row::index);
    Row r;
    ASSERT_EQ(&r, t.getOne(r));
    EXPECT_EQ("1.3.6.1.4.1.11.2.3.9.1", r.name);
    EXPECT_EQ(8640000 * 3 + 5, r.ticks);
    EXPECT_EQ((std::array<unsigned char, 4>{10, 0, 0, 7}), r.addr);
    EXPECT_EQ(4294967295, r.index);
}

struct StringCase {
    const char *name;
    std::string value;
    std::string stored;
};

class tabdefString : public testing::TestWithParam<StringCase> {};

TEST_P(tabdefString, StoredAsACStringReadsIt) {
    const std::string value = GetParam().value;
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string(value));
    Fixture f(fake_mib_handler(mib));
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.1.1.0", STRING_TAG, &Row::name);
    Row r;
    ASSERT_EQ(&r, t.getOne(r));
    EXPECT_EQ(GetParam().stored, r.name);
}

INSTANTIATE_TEST_SUITE_P(
    Values, tabdefString,
    testing::Values(StringCase{"Empty", "", ""}, StringCase{"Short", "Canon", "Canon"},
                    StringCase{"Fits254", std::string(254, 'a'), std::string(254, 'a')},
                    StringCase{"Cut255", std::string(255, 'b'), std::string(254, 'b')},
                    StringCase{"Cut1000", std::string(1000, 'c'), std::string(254, 'c')},
                    StringCase{"EmbeddedNul", std::string("ab\0cd", 5), "ab"}),
    [](const testing::TestParamInfo<StringCase> &info) { return info.param.name; });

TEST(tabdef, NoAnswerIsNoResponse) {
    Fixture f([](const FakeRequest &) { return FakeAgent::drop(); });
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.1.1.0", STRING_TAG, &Row::name);
    Row r;
    EXPECT_THROW(t.getOne(r), SNMP_error_unrecoverable);
    try {
        t.get();
        FAIL() << "no error";
    } catch (const SNMP_error_unrecoverable &e) {
        EXPECT_EQ(NO_RESPONSE, e.reason);
    }
    EXPECT_THROW(t.getNext(r), SNMP_error_unrecoverable);
}

TEST(tabdef, RemovedColumnLeavesTheRequest) {
    Fixture f(fake_mib_handler(table(1)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    EXPECT_FALSE(t.remove("1.3.6.1.4.1.9999.1.1"));
    EXPECT_TRUE(t.remove(COL_NAME));
    EXPECT_EQ(1u, t.columnCount());
    const auto rows = t.get();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("", rows[0].name);
    const auto reqs = f.agent.requests();
    ASSERT_FALSE(reqs.empty());
    ASSERT_EQ(1u, reqs[0].bindings.size());
    EXPECT_EQ(COL_INDEX, reqs[0].bindings[0].oid);
}

TEST(tabdef, RemoveAfterAStepActsOnTheNextRequest) {
    Fixture f(fake_mib_handler(table(3)));
    walk_test::TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    Row r;
    ASSERT_EQ(&r, t.getNext(r));
    // The next request is built from the reply; its bindings carry instance OIDs.
    EXPECT_TRUE(t.remove(COL_NAME));
    ASSERT_NE(nullptr, t.lastResponse());
    EXPECT_EQ(1u, t.lastResponse()->size());
    Row next;
    ASSERT_EQ(&next, t.getNext(next));
    EXPECT_EQ(20, next.index);
    EXPECT_EQ("", next.name);
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    ASSERT_EQ(1u, reqs[1].bindings.size());
    EXPECT_EQ(std::string(COL_INDEX) + ".1", reqs[1].bindings[0].oid);
}

TEST(tabdef, SlotAndTypeMustAgree) {
    SNMP_socket sock(1, 0, 1161);
    SNMP_session session(&sock, "p", nullptr, {SNMP_session::IPv4{127, 0, 1, 1}});
    tabdef<Row> t(&session);
    EXPECT_THROW(t.append("1.3.6.1.2.1.1.1.0", STRING_TAG, &Row::index), std::logic_error);
    EXPECT_THROW(t.append("1.3.6.1.2.1.1.1.0", INT_TAG, &Row::name), std::logic_error);
    EXPECT_THROW(t.append("1.3.6.1.2.1.1.1.0", INT_TAG, &Row::addr), std::logic_error);
    EXPECT_THROW(t.append("1.3.6.1.2.1.1.1.0", NULL_TAG, &Row::index), std::logic_error);
    EXPECT_THROW(t.append(nullptr, INT_TAG, &Row::index), std::logic_error);
    EXPECT_EQ(0u, t.columnCount());
    EXPECT_EQ(nullptr, t.request());
}

TEST(tabdef, WalkOverARealRecording) {
    // prtMarkerLifeCount of an HP LaserJet MFP recording, through the MIB handler.
    const std::string recording = std::string(PROWLET_REALDATA_DIR) + "/hp-laserjet-mfp-m130nw.snmprec";
    if (!std::filesystem::exists(recording)) GTEST_SKIP() << "the real printer recordings are not here";
    FakeMib mib = fake_mib_from_snmprec(recording);
    ASSERT_GT(mib.size(), 10u);
    std::size_t markers = 0;
    for (int i = 1; i < 10; ++i)
        if (mib.get("1.3.6.1.2.1.43.10.2.1.4.1." + std::to_string(i))) ++markers;
    ASSERT_GT(markers, 0u);
    Fixture f(fake_mib_handler(std::move(mib)));
    tabdef<Row> t(&f.session);
    t.append("1.3.6.1.2.1.43.10.2.1.4", COUNTER_TAG, &Row::index);
    StderrCapture err;
    const auto rows = t.get();
    EXPECT_EQ(markers, rows.size());
    for (const Row &r : rows) EXPECT_GE(r.index, 0);
    err.text();
}

}  // namespace
