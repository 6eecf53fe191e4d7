// SNMPv2c and SNMPv3 sessions against scripted agents: replies read as
// SNMPv1's, GetBulk walks with the rows and ends of SNMPv1's GetNext walks,
// engine discovery, the time window, the Reports of USM, msgID matching.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <thread>

#include "ber/berseq.h"
#include "ber/berv2.h"
#include "snmp/packetlog.h"
#include "snmp/session.h"
#include "snmp/structfill.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/snmp/walk_fixture.h"
#include "tests/support/fake_agent.h"
#include "tests/support/fake_usm.h"

namespace {

using snmp_test::hex;
using snmp_test::LogDir;
using snmp_test::StderrCapture;
using walk_test::COL_INDEX;
using walk_test::COL_NAME;
using walk_test::Row;
using walk_test::table;
using walk_test::TwoColumns;

const char *const DESCR = "1.3.6.1.2.1.1.1.0";
const char *const CONTACT = "1.3.6.1.2.1.1.4.0";

// A session to a scripted agent, in SNMPv2c unless told otherwise.
struct Fixture : walk_test::Fixture {
    explicit Fixture(FakeHandler handler, SNMP_version version = SNMP_version::V2C)
        : walk_test::Fixture(std::move(handler), 0, version) {}
};

std::vector<Row> walk(SNMP_session &session) { return TwoColumns(session).t.get(); }

std::vector<unsigned char> unhex_scoped() { return snmp_test::unhex("30 06 04 00 04 00 a0 00"); }

std::string rows_text(const std::vector<Row> &rows) {
    std::string text;
    for (const Row &r : rows) text += std::to_string(r.index) + ":" + r.name + ";";
    return text;
}

// ---------------------------------------------------------------- SNMPv2c

TEST(SNMPv2c, RequestsAreVersion1AndGetBulkCarriesItsRepetitions) {
    Fixture f(fake_v2_mib_handler(table(3)));
    OidSeq get{DESCR};
    ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &get));
    OidSeq bulk{COL_INDEX, COL_NAME};
    std::unique_ptr<OidSeq> rows = f.session.do_bulk(&bulk, 5);
    ASSERT_NE(nullptr, rows);
    // Three rows, the two objects after them, then endOfMibView for the rest.
    ASSERT_EQ(10u, rows->size());
    EXPECT_EQ(std::string(COL_NAME) + ".3", rows->oidstr(5));
    EXPECT_TRUE(is_exception(rows->value(9)));
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ(hex(fake_response(reqs[0].requestId, {{DESCR, fake_null()}}, 0, 0, "quorum", GET_REQ_TAG, 1)),
              hex(reqs[0].bytes));
    EXPECT_EQ(hex(fake_response(reqs[1].requestId, {{COL_INDEX, fake_null()}, {COL_NAME, fake_null()}}, 0, 5,
                                "quorum", GETBULK_REQ_TAG, 1)),
              hex(reqs[1].bytes));
    Fixture v1(fake_mib_handler(table(1)), SNMP_version::V1);
    EXPECT_THROW(v1.session.do_bulk(&bulk, 5), std::logic_error);
}

struct ExceptionCase {
    const char *name;
    int pduTag;
    int exception;
};

class SNMPv2cExceptions : public testing::TestWithParam<ExceptionCase> {};

TEST_P(SNMPv2cExceptions, AreRefusedAsNoSuchNameNamingTheirBinding) {
    const ExceptionCase c = GetParam();
    Fixture f([c](const FakeRequest &r) {
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_string("x")}, {CONTACT, fake_exception(c.exception)}}));
    });
    OidSeq req{DESCR, CONTACT};
    try {
        f.session.do_req(c.pduTag, &req);
        FAIL() << "accepted";
    } catch (const SNMP_error_oid &e) {
        EXPECT_EQ(CONTACT, e.str);
        EXPECT_EQ(NO_SUCH_NAME, e.status);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, SNMPv2cExceptions,
    testing::Values(ExceptionCase{"noSuchObject", GET_REQ_TAG, NO_SUCH_OBJECT_TAG},
                    ExceptionCase{"noSuchInstance", GET_REQ_TAG, NO_SUCH_INSTANCE_TAG},
                    ExceptionCase{"endOfMibView", GETNEXT_REQ_TAG, END_OF_MIB_VIEW_TAG}),
    [](const testing::TestParamInfo<ExceptionCase> &i) { return std::string(i.param.name); });

TEST(SNMPv2c, ErrorStatusesAreReadAsSnmpV1s) {
    const struct {
        int v2, v1;
    } rows[] = {{1, 1},  {2, 2},  {3, 3},  {4, 4},  {5, 5},  {6, 2},  {7, 3},  {8, 3},   {9, 3},  {10, 3},
                {11, 2}, {12, 3}, {13, 5}, {14, 5}, {15, 5}, {17, 2}, {18, 2}, {19, 19}, {-1, -1}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.v2);
        Fixture f([row](const FakeRequest &r) { return FakeAgent::reply(fake_error(r, row.v2, 1)); });
        OidSeq req{CONTACT};
        try {
            f.session.do_req(SET_REQ_TAG, &req);
            ADD_FAILURE() << "accepted";
        } catch (const SNMP_error_oid &e) {
            EXPECT_EQ(row.v1, e.status);
            EXPECT_EQ(CONTACT, e.str);
        }
    }
}

TEST(SNMPv2c, AuthorizationErrorEndsThePrinter) {
    Fixture f([](const FakeRequest &r) { return FakeAgent::reply(fake_error(r, 16, 1)); });
    OidSeq req{DESCR};
    try {
        f.session.do_req(GET_REQ_TAG, &req);
        FAIL() << "accepted";
    } catch (const SNMP_error_security &e) {
        EXPECT_EQ(SNMP_error_security::ACCESS_DENIED, e.cause);
        EXPECT_STREQ("printer1 denied the community access (authorizationError)", e.what());
    }
}

TEST(SNMPv2c, Counter64IsAValueAndAnSnmpV1OnlyAgentDoesNotAnswer) {
    Fixture f([](const FakeRequest &r) {
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_counter64(1ull << 40)}}));
    });
    OidSeq req{DESCR};
    std::unique_ptr<OidSeq> reply = f.session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ(1ull << 40, dynamic_cast<BerCounter64 *>(reply->find(DESCR))->value);

    // An SNMPv1 agent drops what it cannot read, so -v 2c meets silence.
    FakeHandler v1only = fake_mib_handler(table(1));
    Fixture silent([v1only](const FakeRequest &r) mutable {
        return r.version == 0 ? v1only(r) : FakeAgent::drop();
    });
    EXPECT_EQ(nullptr, silent.session.do_req(GET_REQ_TAG, &req));
}

// ---------------------------------------------------------------- GetBulk walks

TEST(tabdefBulk, WalksTheSameRowsAsSnmpV1InFewerExchanges) {
    Fixture v1(fake_mib_handler(table(25)), SNMP_version::V1);
    const std::vector<Row> byGetNext = walk(v1.session);
    Fixture v2(fake_v2_mib_handler(table(25)));
    const std::vector<Row> byGetBulk = walk(v2.session);
    EXPECT_EQ(rows_text(byGetNext), rows_text(byGetBulk));
    ASSERT_EQ(25u, byGetBulk.size());
    EXPECT_EQ(26, v1.agent.requestCount());
    // 8 rows, then 16, then up to 30 (60 bindings of two columns) reach past the table.
    const auto reqs = v2.agent.requests();
    ASSERT_EQ(3u, reqs.size());
    const int repetitions[] = {8, 16, 30};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(GETBULK_REQ_TAG, reqs[i].pduTag);
        EXPECT_EQ(0, reqs[i].nonRepeaters);
        EXPECT_EQ(repetitions[i], reqs[i].maxRepetitions);
    }
    EXPECT_EQ(std::string(COL_INDEX) + ".24", reqs[2].bindings[0].oid);
}

TEST(tabdefBulk, EndOfMibViewEndsTheWalkKeepingItsRows) {
    for (int rows : {0, 1, 3, 8}) {
        SCOPED_TRACE(rows);
        Fixture f(fake_v2_mib_handler(table(rows, false)));
        EXPECT_EQ(static_cast<std::size_t>(rows), walk(f.session).size());
        EXPECT_EQ(rows == 8 ? 2 : 1, f.agent.requestCount());
    }
}

TEST(tabdefBulk, AReplyTheWalkCannotUseFallsBackToGetNextSilently) {
    // Reading ahead meets a Gauge32, which SNMPv1 refuses: the walk goes on
    // by GetNext and ends where SNMPv1's ends, before the Gauge32.
    FakeMib mib = table(3);
    mib.set("1.3.6.1.4.1.9999.3.0", fake_gauge(5));
    StderrCapture err;
    Fixture f(fake_v2_mib_handler(mib));
    EXPECT_EQ("10:row 1;20:row 2;30:row 3;", rows_text(walk(f.session)));
    EXPECT_EQ("", err.text());
    const auto reqs = f.agent.requests();
    ASSERT_EQ(5u, reqs.size());
    EXPECT_EQ(GETBULK_REQ_TAG, reqs[0].pduTag);
    for (std::size_t i = 1; i < reqs.size(); ++i) EXPECT_EQ(GETNEXT_REQ_TAG, reqs[i].pduTag);
}

TEST(tabdefBulk, RefusedGetBulkAndShortRepliesKeepEveryRow) {
    // One agent refuses GetBulk with genErr; another sends one binding less
    // than asked, cutting a row that is then asked for again.
    FakeHandler mib = fake_v2_mib_handler(table(5));
    Fixture refusing([mib](const FakeRequest &r) mutable {
        return r.pduTag == GETBULK_REQ_TAG ? FakeAgent::reply(fake_error(r, 5, 1)) : mib(r);
    });
    EXPECT_EQ(5u, walk(refusing.session).size());
    EXPECT_EQ(7, refusing.agent.requestCount());

    FakeHandler mib2 = fake_v2_mib_handler(table(10));
    Fixture cutting([mib2](const FakeRequest &r) mutable {
        std::vector<FakeSend> sends = mib2(r);
        BerSequence message(std::span<const unsigned char>(sends[0].bytes), BerSyntax::V2);
        OidSeq all(std::unique_ptr<BerSequence>(static_cast<BerSequence *>(
            static_cast<BerSequence *>(message.peek(2))->extract(3).release())));
        std::vector<FakeBinding> kept;
        for (std::size_t i = 0; i + 1 < all.size(); ++i) {
            kept.push_back({all.oidstr(i), fake_value_bytes(*all.value(i))});
        }
        return FakeAgent::reply(fake_response(r, kept));
    });
    std::string all;
    for (int i = 1; i <= 10; ++i) all += std::to_string(10 * i) + ":row " + std::to_string(i) + ";";
    EXPECT_EQ(all, rows_text(walk(cutting.session)));
    // Seven whole rows of the first eight: the next GetBulk starts after row 7.
    const auto reqs = cutting.agent.requests();
    ASSERT_LE(2u, reqs.size());
    EXPECT_EQ(std::string(COL_INDEX) + ".7", reqs[1].bindings[0].oid);
}

TEST(tabdefBulk, OneStepReadsAheadAndARemovedColumnForgetsTheRowsRead) {
    Fixture f(fake_v2_mib_handler(table(4)));
    TwoColumns columns(f.session);
    tabdef<Row> &t = columns.t;
    Row r;
    ASSERT_EQ(&r, t.getNext(r));
    ASSERT_EQ(&r, t.getNext(r));
    EXPECT_EQ(1, f.agent.requestCount());
    EXPECT_EQ("row 2", r.name);
    ASSERT_TRUE(t.remove(COL_NAME));
    Row s;
    ASSERT_EQ(&s, t.getNext(s));
    EXPECT_EQ(30, s.index);
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    ASSERT_EQ(1u, reqs[1].bindings.size());
    EXPECT_EQ(std::string(COL_INDEX) + ".2", reqs[1].bindings[0].oid);
}

// ---------------------------------------------------------------- SNMPv3

FakeUsmUser agent_user(UsmLevel level, UsmAuth auth, UsmPriv priv) {
    return FakeUsmUser{"admin", level, auth, priv, "maplesyrup", "privpassphrase"};
}

SNMP_usm_user user(const FakeUsmUser &u, const std::string &authPass = "", const std::string &privPass = "") {
    const std::string a = authPass.empty() ? u.authPass : authPass, p = privPass.empty() ? u.privPass : privPass;
    return make_usm_user(u.name, u.level, u.auth, u.priv, SecretBytes(a.data(), a.size()),
                         SecretBytes(p.data(), p.size()));
}

struct V3Fixture {
    V3Fixture(const FakeUsmUser &agentUser, const SNMP_usm_user &managerUser, FakeMib mib = table(3))
        : usm(agentUser, fake_v2_mib_handler(std::move(mib))),
          agent("127.0.1.1", 0, usm.handler()),
          sock(2, 0, agent.port()),
          session(&sock, "printer1", nullptr, {agent.ipv4()}) {
        session.setUser(managerUser);
    }
    FakeUsm usm;
    FakeAgent agent;
    SNMP_socket sock;
    SNMP_session session;
};

struct LevelCase {
    const char *name;
    UsmLevel level;
    UsmAuth auth;
    UsmPriv priv;
};

class SNMPv3Levels : public testing::TestWithParam<LevelCase> {};

TEST_P(SNMPv3Levels, DiscoverTheEngineOnceAndAnswerGetsAndWalks) {
    const LevelCase c = GetParam();
    const FakeUsmUser u = agent_user(c.level, c.auth, c.priv);
    const SNMP_usm_user manager = user(u);
    V3Fixture f(u, manager);
    OidSeq req{DESCR};
    std::unique_ptr<OidSeq> reply = f.session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ("before the table", dynamic_cast<BerString *>(reply->find(DESCR))->c_str_value());
    EXPECT_EQ("10:row 1;20:row 2;30:row 3;", rows_text(walk(f.session)));
    EXPECT_EQ(1, f.usm.discoveries());
    EXPECT_EQ(3, f.agent.requestCount());  // discovery, the Get, one GetBulk
    for (const FakeRequest &r : f.agent.requests()) {
        const V3Parsed p = parse_v3_message(r.bytes);
        EXPECT_EQ(p.encrypted, r.number > 0 && c.level == UsmLevel::AuthPriv);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, SNMPv3Levels,
    testing::Values(LevelCase{"noAuthNoPriv", UsmLevel::NoAuthNoPriv, UsmAuth::None, UsmPriv::None},
                    LevelCase{"authNoPriv_MD5", UsmLevel::AuthNoPriv, UsmAuth::MD5, UsmPriv::None},
                    LevelCase{"authNoPriv_SHA384", UsmLevel::AuthNoPriv, UsmAuth::SHA384, UsmPriv::None},
                    LevelCase{"authPriv_MD5_DES", UsmLevel::AuthPriv, UsmAuth::MD5, UsmPriv::DES},
                    LevelCase{"authPriv_SHA_AES", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::AES128},
                    LevelCase{"authPriv_SHA224_DES", UsmLevel::AuthPriv, UsmAuth::SHA224, UsmPriv::DES},
                    LevelCase{"authPriv_SHA512_AES", UsmLevel::AuthPriv, UsmAuth::SHA512, UsmPriv::AES128}),
    [](const testing::TestParamInfo<LevelCase> &i) { return std::string(i.param.name); });

TEST(SNMPv3, AClockThatJumpsIsResynchronizedOnce) {
    const FakeUsmUser u = agent_user(UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128);
    const SNMP_usm_user manager = user(u);
    V3Fixture f(u, manager);
    OidSeq req{DESCR};
    ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    for (int jump : {100000, -50000}) {
        SCOPED_TRACE(jump);
        f.usm.jumpClock(jump);
        ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    }
    EXPECT_EQ(2, f.usm.timeWindowReports());
    EXPECT_EQ(1, f.usm.discoveries());
    EXPECT_EQ(6, f.agent.requestCount());

    f.usm.keepOutOfWindow(true);
    try {
        f.session.do_req(GET_REQ_TAG, &req);
        FAIL() << "accepted";
    } catch (const SNMP_error_security &e) {
        EXPECT_EQ(SNMP_error_security::OTHER, e.cause);
        EXPECT_STREQ("printer1 is still out of the SNMPv3 time window after resynchronizing", e.what());
    }
}

struct ReportCase {
    const char *name;
    FakeUsmUser agent;
    FakeUsmUser manager;
    SNMP_error_security::Cause cause;
    const char *text;
};

class SNMPv3Reports : public testing::TestWithParam<ReportCase> {};

TEST_P(SNMPv3Reports, EndThePrinterWithTheirCause) {
    const ReportCase c = GetParam();
    const SNMP_usm_user manager = user(c.manager);
    // Agents send the Report of a wrong digest unsigned (RFC 3414) or signed
    // with their own key (snmpsim): the same either way.
    for (bool signedReports : {false, true}) {
        SCOPED_TRACE(signedReports ? "signed Reports" : "unsigned Reports");
        V3Fixture f(c.agent, manager);
        f.usm.signWrongDigestReports(signedReports);
        OidSeq req{DESCR};
        try {
            f.session.do_req(GET_REQ_TAG, &req);
            ADD_FAILURE() << "accepted";
        } catch (const SNMP_error_security &e) {
            EXPECT_EQ(c.cause, e.cause);
            EXPECT_STREQ(c.text, e.what());
        }
        // Discovery and the one request; a signed Report under keys of
        // another hash cannot even be decrypted: it is asked for until the
        // discarded replies run out, each of them signed and unverifiable.
        const bool unreadable = signedReports && c.manager.auth != c.agent.auth;
        EXPECT_EQ(unreadable ? 2 + SNMP_session::MAX_DISCARDED_REPLIES : 2, f.agent.requestCount());
    }
}

const FakeUsmUser kAgentUser{"admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::DES, "maplesyrup", "privpassphrase"};

INSTANTIATE_TEST_SUITE_P(
    All, SNMPv3Reports,
    testing::Values(
        ReportCase{"UnknownUser", kAgentUser,
                   {"nobody", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::DES, "maplesyrup", "privpassphrase"},
                   SNMP_error_security::UNKNOWN_USER, "printer1 does not know the SNMPv3 user \"nobody\""},
        ReportCase{"WrongAuthPassphrase", kAgentUser,
                   {"admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::DES, "maplesyrop", "privpassphrase"},
                   SNMP_error_security::WRONG_DIGEST,
                   "printer1 rejected the authentication of user \"admin\" (wrong authentication passphrase or protocol)"},
        ReportCase{"WrongAuthProtocol", kAgentUser,
                   {"admin", UsmLevel::AuthPriv, UsmAuth::MD5, UsmPriv::DES, "maplesyrup", "privpassphrase"},
                   SNMP_error_security::WRONG_DIGEST,
                   "printer1 rejected the authentication of user \"admin\" (wrong authentication passphrase or protocol)"},
        ReportCase{"UnsupportedLevel",
                   {"admin", UsmLevel::AuthNoPriv, UsmAuth::SHA1, UsmPriv::None, "maplesyrup", ""},
                   {"admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::AES128, "maplesyrup", "privpassphrase"},
                   SNMP_error_security::UNSUPPORTED_LEVEL,
                   "printer1 does not support security level authPriv for user \"admin\""},
        ReportCase{"WrongPrivPassphrase", kAgentUser,
                   {"admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::DES, "maplesyrup", "privpassphrose"},
                   SNMP_error_security::DECRYPTION_ERROR,
                   "printer1 could not decrypt the request of user \"admin\" (wrong privacy passphrase or protocol)"}),
    [](const testing::TestParamInfo<ReportCase> &i) { return std::string(i.param.name); });

TEST(SNMPv3, ForgedRepliesAreDiscardedAndAnsweredRepliesAccepted) {
    const FakeUsmUser u = agent_user(UsmLevel::AuthNoPriv, UsmAuth::SHA1, UsmPriv::None);
    const SNMP_usm_user manager = user(u);
    FakeUsm usm(u, fake_v2_mib_handler(table(1)));
    FakeHandler real = usm.handler();
    FakeAgent agent("127.0.1.1", 0, [&real](const FakeRequest &r) {
        std::vector<FakeSend> sends = real(r);
        // The first answer to the Get has its digest changed on the way.
        if (r.number == 1) sends[0].bytes[parse_v3_message(sends[0].bytes).digestOffset] ^= 1;
        return sends;
    });
    SNMP_socket sock(2, 1, agent.port());
    SNMP_session session(&sock, "printer1", nullptr, {agent.ipv4()});
    session.setUser(manager);
    StderrCapture err;
    OidSeq req{DESCR};
    EXPECT_NE(nullptr, session.do_req(GET_REQ_TAG, &req));
    EXPECT_EQ("Warning: printer1 sent a reply that cannot be used (wrong digest); request sent again.\n", err.text());
}

TEST(SNMPv3, PacketLogShowsTheScopedPduButNeverAPassphrase) {
    const FakeUsmUser u = agent_user(UsmLevel::AuthPriv, UsmAuth::SHA256, UsmPriv::AES128);
    const SNMP_usm_user manager = user(u);
    V3Fixture f(u, manager);
    LogDir dir;
    SNMP_log_numbers numbers(dir.path);
    f.session.setDebug(numbers);
    OidSeq req{DESCR};
    ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    const std::string log = dir.read("snmplog.0");
    EXPECT_NE(std::string::npos, log.find("Scoped PDU before encryption\n( \\0x80"));
    EXPECT_NE(std::string::npos, log.find("( ( 1.3.6.1.2.1.1.1.0 NULL ) ) ) )\n"));
    EXPECT_NE(std::string::npos, log.find("Decrypted scoped PDU\n"));
    EXPECT_NE(std::string::npos, log.find("( ( 1.3.6.1.2.1.1.1.0 before the table ) ) ) )\n"));
    EXPECT_EQ(std::string::npos, log.find("maplesyrup"));
    EXPECT_EQ(std::string::npos, log.find("privpassphrase"));
}

TEST(SNMPv3, TheTransportHandsEachReplyToTheCallWaitingForItsMsgId) {
    // Two requests wait on one address; the older one's reply comes first.
    // By address alone it would go to the newer call.
    auto message = [](std::int32_t id) {
        V3Header h;
        h.msgId = id;
        h.maxSize = 1500;
        return encode_v3_message(h, UsmParameters{}, unhex_scoped()).bytes;
    };
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) {
        FakeSend echo;
        echo.bytes = r.bytes;
        echo.delay = std::chrono::milliseconds(r.number == 0 ? 400 : 800);
        return std::vector<FakeSend>{echo};
    });
    SNMP_socket sock(3, 0, agent.port());
    std::unique_ptr<unsigned char[]> older, newer;
    std::size_t olderLen = 0, newerLen = 0;
    const std::vector<unsigned char> first = message(100), second = message(200);
    std::thread a([&] {
        olderLen = first.size();
        older = sock.call(4, AF_INET, agent.ipv4().data(), first.data(), olderLen, nullptr, 100);
    });
    ASSERT_TRUE(agent.waitForRequests(1));
    newerLen = second.size();
    newer = sock.call(4, AF_INET, agent.ipv4().data(), second.data(), newerLen, nullptr, 200);
    a.join();
    ASSERT_TRUE(older && newer);
    EXPECT_EQ(100, v3_message_id({older.get(), olderLen}));
    EXPECT_EQ(200, v3_message_id({newer.get(), newerLen}));
}

}  // namespace
