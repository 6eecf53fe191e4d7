// What an SNMPv3 session believes: forged Reports beside the printer's
// answers, relays that answer discovery for another printer, poisoned
// clocks, and the engine store that carries an engine from one session to
// the next (with its known-engines file).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>
#include <string>

#include "snmp/engine_store.h"
#include "snmp/session.h"
#include "snmp/usm_engine.h"
#include "snmp/v3message.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"
#include "tests/support/fake_usm.h"

namespace {

using snmp_test::LogDir;
using snmp_test::StderrCapture;

const char *const DESCR = "1.3.6.1.2.1.1.1.0";
const char *const LOCATION = "1.3.6.1.2.1.1.6.0";
const std::vector<unsigned char> OTHER_ENGINE = {0x80, 0x00, 0x1f, 0x88, 0x04, 'o', 't', 'h', 'e', 'r'};
const FakeUsmUser AGENT_USER{"admin", UsmLevel::AuthPriv, UsmAuth::SHA1, UsmPriv::AES128, "maplesyrup",
                             "privpassphrase"};
constexpr std::int32_t POISONED_BOOTS = 2147483646;

FakeMib mib(const std::string &location) {
    FakeMib m;
    m.set(DESCR, fake_string("printer"));
    m.set(LOCATION, fake_string(location));
    return m;
}

SNMP_usm_user manager_user() {
    const std::string a = AGENT_USER.authPass, p = AGENT_USER.privPass;
    return make_usm_user(AGENT_USER.name, AGENT_USER.level, AGENT_USER.auth, AGENT_USER.priv,
                         SecretBytes(a.data(), a.size()), SecretBytes(p.data(), p.size()));
}

bool is_discovery(const FakeRequest &r) { return parse_v3_message(r.bytes).usm.engineId.empty(); }

// The printer at 127.0.1.1 (engine fake_engine_id()), and what someone on
// its path adds to or takes from its answers. Two tries per request, so a
// loaded machine's slow agent thread costs a resend, not the test.
struct Printer {
    explicit Printer(SNMP_engine_store *store = nullptr, int retries = 1)
        : usm(AGENT_USER, fake_v2_mib_handler(mib("Room 1"))),
          genuine(usm.handler()),
          agent("127.0.1.1", 0, genuine),
          sock(2, retries, agent.port()),
          session(&sock, "printer1", nullptr, {agent.ipv4()}) {
        session.setUser(user);
        session.setEngineStore(store);
    }
    std::unique_ptr<OidSeq> get() {
        OidSeq req{DESCR};
        return session.do_req(GET_REQ_TAG, &req);
    }
    SNMP_usm_user user = manager_user();
    FakeUsm usm;
    FakeHandler genuine;
    FakeAgent agent;
    SNMP_socket sock;
    SNMP_session session;
};

// ---------------------------------------------------------------- forged Reports

struct ForgeryCase {
    const char *name;
    const char *oid;
    bool otherEngine;  // the Report names another engine
};

const ForgeryCase FORGERIES[] = {
    {"UnknownUser", USM_UNKNOWN_USER, false},
    {"WrongDigest", USM_WRONG_DIGEST, false},
    {"UnsupportedLevel", USM_UNSUPPORTED_LEVEL, false},
    {"DecryptionError", USM_DECRYPTION_ERROR, false},
    {"NotInTimeWindowWithAPoisonedClock", USM_NOT_IN_TIME_WINDOW, false},
    {"UnknownEngineIdOfAnotherEngine", USM_UNKNOWN_ENGINE_ID, true},
};

class ForgedReports : public testing::TestWithParam<ForgeryCase> {};

FakeBytes forged(const FakeRequest &r, const ForgeryCase &c) {
    return fake_v3_report(r, c.oid, c.otherEngine ? OTHER_ENGINE : fake_engine_id(), POISONED_BOOTS, 5);
}

// One unauthenticated Report before every genuine answer: the answers win,
// and nothing the Reports said stays (engine, clock).
TEST_P(ForgedReports, AreOutweighedByTheAuthenticatedAnswerThatFollows) {
    const ForgeryCase c = GetParam();
    Printer p;
    p.agent.setHandler([&p, c](const FakeRequest &r) {
        std::vector<FakeSend> out = p.genuine(r);
        if (!is_discovery(r)) out.insert(out.begin(), FakeAgent::reply(forged(r, c))[0]);
        return out;
    });
    for (int round = 0; round < 3; ++round) ASSERT_NE(nullptr, p.get()) << round;
    EXPECT_EQ(1, p.usm.discoveries());
    EXPECT_EQ(0, p.usm.timeWindowReports());  // the clock was never poisoned
    EXPECT_EQ(3, p.usm.served());
    EXPECT_EQ(4, p.agent.requestCount());
}

struct AloneCase {
    ForgeryCase forgery;
    bool answered;  // the request goes again and is answered; otherwise the printer ends
    SNMP_error_security::Cause cause;
    int discoveries;
};

class ForgedReportsAlone : public testing::TestWithParam<AloneCase> {};

// The genuine answer to the first request is lost and only the forged
// Report arrives: after the wait it is acted on as far as an unauthenticated
// Report can be: a new discovery (which finds the same engine) or one more
// send with the clock unchanged; the printer ends on the others.
TEST_P(ForgedReportsAlone, AreActedOnOnlyAfterTheWait) {
    const AloneCase c = GetParam();
    Printer p;
    p.agent.setHandler([&p, c](const FakeRequest &r) {
        if (r.number != 1) return p.genuine(r);
        return FakeAgent::reply(forged(r, c.forgery));
    });
    try {
        EXPECT_EQ(c.answered, p.get() != nullptr);
    } catch (const SNMP_error_security &e) {
        EXPECT_FALSE(c.answered) << e.what();
        EXPECT_EQ(c.cause, e.cause) << e.what();
    }
    EXPECT_EQ(c.discoveries, p.usm.discoveries());
    EXPECT_EQ(0, p.usm.timeWindowReports());
}

INSTANTIATE_TEST_SUITE_P(All, ForgedReports, testing::ValuesIn(FORGERIES),
                         [](const testing::TestParamInfo<ForgeryCase> &i) { return std::string(i.param.name); });

INSTANTIATE_TEST_SUITE_P(
    All, ForgedReportsAlone,
    testing::Values(AloneCase{FORGERIES[0], false, SNMP_error_security::UNKNOWN_USER, 1},
                    AloneCase{FORGERIES[1], false, SNMP_error_security::WRONG_DIGEST, 1},
                    AloneCase{FORGERIES[4], true, SNMP_error_security::OTHER, 1},
                    AloneCase{FORGERIES[5], true, SNMP_error_security::OTHER, 2}),
    [](const testing::TestParamInfo<AloneCase> &i) { return std::string(i.param.forgery.name); });

// Discovery answered first by a forger with the right engine ID and a
// poisoned clock: the printer's authenticated notInTimeWindow Report sets
// the clock right, and the request is answered.
TEST(V3Trust, APoisonedDiscoveryClockIsSetRightByTheAuthenticatedReport) {
    Printer p;
    p.agent.setHandler([&p](const FakeRequest &r) {
        std::vector<FakeSend> out = p.genuine(r);
        if (is_discovery(r))
            out.insert(out.begin(), FakeAgent::reply(fake_v3_report(r, USM_UNKNOWN_ENGINE_ID, fake_engine_id(),
                                                                   POISONED_BOOTS, 99))[0]);
        return out;
    });
    StderrCapture err;  // the genuine discovery answer comes too late: a stray
    ASSERT_NE(nullptr, p.get());
    ASSERT_NE(nullptr, p.get());
    EXPECT_EQ(1, p.usm.timeWindowReports());
    EXPECT_EQ(1, p.usm.discoveries());
    static_cast<void>(err.text());
}

// An encrypted message answering the discovery probe (there is no key to
// decrypt it with yet) is discarded, and the printer's own answer taken.
TEST(V3Trust, AnEncryptedAnswerToDiscoveryIsDiscarded) {
    Printer p;
    p.agent.setHandler([&p](const FakeRequest &r) {
        std::vector<FakeSend> out = p.genuine(r);
        if (!is_discovery(r)) return out;
        V3Header header;
        header.msgId = parse_v3_message(r.bytes).header.msgId;
        header.flags = V3_FLAG_PRIV;
        UsmParameters usm;
        usm.engineId = fake_engine_id();
        usm.privParams.assign(8, 1);
        const FakeBytes noise(32, 0x5a);
        out.insert(out.begin(), FakeAgent::reply(encode_v3_message(header, usm, noise).bytes)[0]);
        return out;
    });
    StderrCapture err;
    ASSERT_NE(nullptr, p.get());
    // (The answer to the discovery sent again comes after: a stray.)
    const std::string text = err.text();
    EXPECT_EQ("Warning: printer1 sent a reply that cannot be used (encrypted before the engine is known); request "
              "sent again.\n",
              text.substr(0, text.find('\n') + 1));
}

// ---------------------------------------------------------------- relays

// At 127.0.1.1 a relay answers with the engine of another printer (and
// would pass requests to it: here that printer's agent sits behind it).
// Tests make it before the Printer, whose agent thread may still be calling
// it: that thread is gone before the relay goes.
struct Relay {
    FakeUsm other{AGENT_USER, fake_v2_mib_handler(mib("Room 2")), OTHER_ENGINE};
    FakeHandler forward = other.handler();
};

// A set of sysLocation that must be refused before it goes out: the refusal,
// or nothing when the set was sent.
std::optional<SNMP_error_security> refused_location_set(Printer &p) {
    OidSeq set;
    set.append(LOCATION, STRING_TAG, "Moved", 5);
    try {
        p.session.do_req(SET_REQ_TAG, &set);
    } catch (const SNMP_error_security &e) {
        return e;
    }
    return std::nullopt;
}

TEST(V3Trust, ARelayAnsweringDiscoveryForAnotherPrinterIsRefusedWhenTheEngineIsKnown) {
    for (const std::string source : {"given with -e", "recorded in known-engines"}) {
        SCOPED_TRACE(source);
        SNMP_engine_store store;
        store.pin({127, 0, 1, 1}, fake_engine_id(), source);
        Relay relay;
        Printer p(&store);
        p.agent.setHandler(relay.forward);
        const std::optional<SNMP_error_security> refusal = refused_location_set(p);
        ASSERT_TRUE(refusal) << "the set went out";
        EXPECT_EQ(SNMP_error_security::ENGINE_CHANGED, refusal->cause);
        EXPECT_EQ("printer1 answered as SNMPv3 engine 0x80001f88046f74686572, not as 0x80001f880466616b65 (" + source +
                      "); another device may be answering for it, so nothing is sent",
                  std::string(refusal->what()));
        EXPECT_EQ(0, relay.other.served());
        EXPECT_EQ(1, p.agent.requestCount());  // discovery alone
    }
}

// After the first authenticated exchange, a forged unknownEngineID Report
// and a relay's answer to the new discovery cannot move the session to the
// other printer.
TEST(V3Trust, AnEngineOnceAuthenticatedIsNeverReplacedWithinTheStore) {
    SNMP_engine_store store;
    Relay relay;
    Printer p(&store);
    ASSERT_NE(nullptr, p.get());
    p.agent.setHandler([&relay](const FakeRequest &r) {
        if (is_discovery(r)) return relay.forward(r);
        return FakeAgent::reply(fake_v3_report(r, USM_UNKNOWN_ENGINE_ID, OTHER_ENGINE, 1, 1));
    });
    const std::optional<SNMP_error_security> refusal = refused_location_set(p);
    ASSERT_TRUE(refusal) << "the set went out";
    EXPECT_EQ(SNMP_error_security::ENGINE_CHANGED, refusal->cause);
    EXPECT_NE(std::string(refusal->what()).find("(the engine it authenticated as)"), std::string::npos)
        << refusal->what();
    EXPECT_EQ(0, relay.other.served());
    EXPECT_EQ(fake_engine_id(), store.find({127, 0, 1, 1})->engineId);
}

// ---------------------------------------------------------------- the store

// The engine found by one session serves the next: one discovery per
// printer for as long as the store lives (an exporter's scrapes).
TEST(V3Trust, TheStoreHandsTheEngineToTheNextSession) {
    SNMP_engine_store store;
    Printer p(&store);
    ASSERT_NE(nullptr, p.get());
    const std::optional<SNMP_engine_knowledge> known = store.find({127, 0, 1, 1});
    ASSERT_TRUE(known);
    EXPECT_TRUE(known->confirmed);
    EXPECT_TRUE(known->clockKnown);
    SNMP_session next(&p.sock, "printer1", nullptr, {p.agent.ipv4()});
    next.setUser(p.user);
    next.setEngineStore(&store);
    OidSeq req{DESCR};
    ASSERT_NE(nullptr, next.do_req(GET_REQ_TAG, &req));
    EXPECT_EQ(1, p.usm.discoveries());
    EXPECT_EQ(3, p.agent.requestCount());
}

// A later session of the printer (the same printer twice in a run, or the
// next scrape) is held to the engine an earlier one confirmed.
TEST(V3Trust, ALaterSessionKeepsTheEngineAnEarlierOneConfirmed) {
    SNMP_engine_store store;
    Relay relay;
    Printer p(&store);
    ASSERT_NE(nullptr, p.get());
    p.agent.setHandler(relay.forward);
    SNMP_session later(&p.sock, "printer1", nullptr, {p.agent.ipv4()});
    later.setUser(p.user);
    later.setEngineStore(&store);
    OidSeq req{DESCR};
    try {
        later.do_req(GET_REQ_TAG, &req);
        ADD_FAILURE() << "answered";
    } catch (const SNMP_error_security &e) {
        EXPECT_EQ(SNMP_error_security::ENGINE_CHANGED, e.cause) << e.what();
    }
    EXPECT_EQ(0, relay.other.served());
}

TEST(V3Trust, TheKnownEnginesFileRecordsFirstUseAndPinsLaterRuns) {
    LogDir dir;
    const std::string path = dir.file("known-engines");
    std::string err;
    {
        SNMP_engine_store store;
        ASSERT_TRUE(store.use_file(path, err)) << err;
        Printer p(&store);
        ASSERT_NE(nullptr, p.get());
        ASSERT_NE(nullptr, p.get());
    }
    EXPECT_EQ("127.0.1.1 0x80001f880466616b65\n", dir.read("known-engines"));
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);

    SNMP_engine_store later;
    ASSERT_TRUE(later.use_file(path, err)) << err;
    EXPECT_EQ("recorded in " + path, later.find({127, 0, 1, 1})->pinnedBy);
    Relay relay;
    Printer p(&later);
    p.agent.setHandler(relay.forward);
    EXPECT_THROW(p.get(), SNMP_error_security);
    EXPECT_EQ("127.0.1.1 0x80001f880466616b65\n", dir.read("known-engines"));  // never rewritten
}

struct FileCase {
    const char *name;
    const char *text;
    const char *err;  // empty: read
};

class KnownEnginesFile : public testing::TestWithParam<FileCase> {};

TEST_P(KnownEnginesFile, IsReadOrRefusedWithItsLine) {
    const FileCase c = GetParam();
    LogDir dir;
    std::ofstream(dir.file("known")) << c.text;
    SNMP_engine_store store;
    std::string err;
    EXPECT_EQ(*c.err == 0, store.use_file(dir.file("known"), err));
    EXPECT_EQ(c.err, err);
}

INSTANTIATE_TEST_SUITE_P(
    All, KnownEnginesFile,
    testing::Values(
        FileCase{"CommentsAndBlankLines", "# printers\n\n  127.0.1.1\t0x80001F880466616B65  \n127.0.1.2 80001f8804aa\n", ""},
        FileCase{"NoEngineId", "127.0.1.1\n",
                 ", line 1: expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal)"},
        FileCase{"NameInsteadOfAddress", "# x\nprinter1 0x80001f880466616b65\n",
                 ", line 2: expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal)"},
        FileCase{"ShortEngineId", "127.0.1.1 0x80001f88\n",
                 ", line 1: expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal)"},
        FileCase{"OddDigits", "127.0.1.1 0x80001f880466616b6\n",
                 ", line 1: expected \"ADDRESS ENGINEID\" (a dotted IPv4 address, 5 to 32 bytes of hexadecimal)"},
        FileCase{"SameEngineTwice", "127.0.1.1 0x80001f880466616b65\n127.0.1.1 80001F880466616B65\n", ""},
        FileCase{"TwoEngines", "127.0.1.1 0x80001f880466616b65\n127.0.1.1 0x80001f88046f74686572\n",
                 ", line 2: 127.0.1.1 is recorded twice with different engine IDs"}),
    [](const testing::TestParamInfo<FileCase> &i) { return std::string(i.param.name); });

TEST(KnownEnginesFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    LogDir dir;
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    SNMP_engine_store store;
    std::string err;
    EXPECT_FALSE(store.use_file(dir.file("fifo"), err));
    EXPECT_EQ(" is not a regular file", err);
}

TEST(EngineId, TextBothWays) {
    EXPECT_EQ("0x80001f880466616b65", engine_id_text(fake_engine_id()));
    EXPECT_EQ(fake_engine_id(), parse_engine_id("0x80001F880466616b65"));
    EXPECT_EQ(fake_engine_id(), parse_engine_id("80001f880466616b65"));
    for (const char *bad : {"", "0x", "0x80001f88", "80001f880466616b6", "0x80001f88046661zz", " 80001f880466616b65",
                            "0x8000000000000000000000000000000000000000000000000000000000000000aa"})
        EXPECT_FALSE(parse_engine_id(bad)) << bad;
}

}  // namespace
