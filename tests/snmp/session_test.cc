// SNMP_session against the scripted agent: message layout, reply checks, fail-over, packet log.
#include "snmp/session.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"

using snmp_test::hex;
using snmp_test::LogDir;
using snmp_test::StderrCapture;

namespace {

const char *const DESCR = "1.3.6.1.2.1.1.1.0";
const char *const CONTACT = "1.3.6.1.2.1.1.4.0";
const char *const LOCATION = "1.3.6.1.2.1.1.6.0";

std::string string_of(BerBase *v) {
    auto *s = dynamic_cast<BerString *>(v);
    return s ? s->c_str_value() : "<not a string>";
}

// Answers every request with each requested OID bound to "<oid>@<agent address>".
FakeHandler echo_names(const std::string &name) {
    return [name](const FakeRequest &r) {
        std::vector<FakeBinding> out;
        for (const auto &b : r.bindings) out.push_back({b.oid, fake_string(b.oid + "@" + name)});
        return FakeAgent::reply(fake_response(r, out));
    };
}

struct Fixture {
    explicit Fixture(FakeHandler handler, int timeout = 2, int retries = 0)
        : agent("127.0.1.1", 0, std::move(handler)),
          sock(timeout, retries, agent.port()),
          session(&sock, "printer1", nullptr, {agent.ipv4()}) {}
    FakeAgent agent;
    SNMP_socket sock;
    SNMP_session session;
};

TEST(SNMP_session, GetRequestOnTheWire) {
    Fixture f(echo_names("p1"));
    OidSeq req{DESCR, CONTACT};
    auto reply = f.session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    ASSERT_EQ(1, f.agent.requestCount());
    const FakeRequest r = f.agent.requests()[0];
    ASSERT_TRUE(r.decoded) << r.decodeError;
    // The whole message, with the request id the session drew.
    FakeBytes expected = fake_response(r.requestId,
                                       {{DESCR, fake_null()}, {CONTACT, fake_null()}}, 0, 0, "quorum", GET_REQ_TAG);
    EXPECT_EQ(hex(expected), hex(r.bytes));
    EXPECT_GE(r.requestId, 0);
    EXPECT_EQ("1.3.6.1.2.1.1.1.0@p1", string_of(reply->find(DESCR)));
    EXPECT_EQ("1.3.6.1.2.1.1.4.0@p1", string_of(reply->find(CONTACT)));
    // The caller's list is untouched and can be sent again.
    EXPECT_EQ(2u, req.size());
    auto again = f.session.do_req(GETNEXT_REQ_TAG, &req);
    ASSERT_NE(nullptr, again);
    const FakeRequest r2 = f.agent.requests()[1];
    EXPECT_EQ(GETNEXT_REQ_TAG, r2.pduTag);
    EXPECT_NE(r.requestId, r2.requestId);  // fresh id per exchange (equal with odds 2^-31)
    EXPECT_EQ(hex(fake_response(r2.requestId, {{DESCR, fake_null()}, {CONTACT, fake_null()}}, 0, 0, "quorum",
                                GETNEXT_REQ_TAG)),
              hex(r2.bytes));
}

TEST(SNMP_session, SetCarriesValuesAndCommunity) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) { return FakeAgent::reply(fake_response(r, r.bindings)); });
    SNMP_socket sock(2, 0, agent.port());
    SNMP_session session(&sock, "printer1", "private", {agent.ipv4()});
    EXPECT_EQ("private", session.community());
    OidSeq req;
    req.append(CONTACT, STRING_TAG, "ops", 3);
    req.append("1.3.6.1.2.1.43.5.1.1.3.1", INT_TAG, 4L);
    auto reply = session.do_req(SET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    const FakeRequest r = agent.requests()[0];
    EXPECT_EQ("private", r.community);
    EXPECT_EQ(SET_REQ_TAG, r.pduTag);
    EXPECT_EQ(hex(fake_response(r.requestId, {{CONTACT, fake_string("ops")}, {"1.3.6.1.2.1.43.5.1.1.3.1", fake_int(4)}},
                                0, 0, "private", SET_REQ_TAG)),
              hex(r.bytes));
    EXPECT_EQ("ops", string_of(reply->find(CONTACT)));
}

TEST(SNMP_session, EmptyRequestSendsAnEmptyBindingList) {
    Fixture f(echo_names("p1"));
    OidSeq empty;
    auto reply = f.session.do_req(GET_REQ_TAG, &empty);
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ(0u, reply->size());
    auto none = f.session.do_req(GET_REQ_TAG, nullptr);
    ASSERT_NE(nullptr, none);
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ(hex(fake_response(reqs[0].requestId, {}, 0, 0, "quorum", GET_REQ_TAG)), hex(reqs[0].bytes));
}

TEST(SNMP_session, WrongRequestIdIsDiscardedAndSentAgain) {
    StderrCapture err;
    Fixture f([](const FakeRequest &r) {
        if (r.number == 0) return FakeAgent::reply(fake_response(r.requestId + 1, {{DESCR, fake_string("stale")}}));
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_string("fresh")}}));
    });
    OidSeq req{DESCR};
    auto reply = f.session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ("fresh", string_of(reply->find(DESCR)));
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    EXPECT_EQ(reqs[0].bytes, reqs[1].bytes);  // the same message again
    EXPECT_EQ("", err.text());               // late replies are normal: no warning
}

struct UnusableCase {
    const char *name;
    std::function<FakeBytes(const FakeRequest &)> reply;
    const char *warning;
};

class SNMP_sessionUnusable : public testing::TestWithParam<UnusableCase> {};

TEST_P(SNMP_sessionUnusable, WarnedDiscardedAndSentAgain) {
    StderrCapture err;
    const UnusableCase c = GetParam();
    Fixture f([c](const FakeRequest &r) {
        if (r.number == 0) return FakeAgent::reply(c.reply(r));
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_string("good")}}));
    });
    OidSeq req{DESCR};
    auto reply = f.session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, reply);
    EXPECT_EQ("good", string_of(reply->find(DESCR)));
    EXPECT_EQ(2, f.agent.requestCount());
    EXPECT_EQ(std::string("Warning: printer1 sent a reply that cannot be used (") + c.warning +
                  "); request sent again.\n",
              err.text());
}

FakeBytes raw(std::initializer_list<unsigned char> b) { return FakeBytes(b); }

// 30 { 02 01 00, 04 00, a2 { pdu } }: a GetResponse with an empty community
// around PDU contents the test lays out byte by byte (short-form lengths).
FakeBytes get_response_around(const FakeBytes &pdu) {
    FakeBytes msg = {0x02, 0x01, 0x00, 0x04, 0x00, 0xa2, static_cast<unsigned char>(pdu.size())};
    msg.insert(msg.end(), pdu.begin(), pdu.end());
    FakeBytes out = {0x30, static_cast<unsigned char>(msg.size())};
    out.insert(out.end(), msg.begin(), msg.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SNMP_sessionUnusable,
    testing::Values(
        UnusableCase{"Garbage", [](const FakeRequest &) { return raw({0x01, 0x02, 0x03}); },
                     "undecodable: unsupported tag 0x01"},
        UnusableCase{"Text", [](const FakeRequest &) { return raw({'h', 'e', 'l', 'l', 'o'}); },
                     "undecodable: length runs past the data"},
        UnusableCase{"Truncated",
                     [](const FakeRequest &r) {
                         FakeBytes b = fake_response(r, {{DESCR, fake_string("cut")}});
                         b.resize(b.size() - 2);
                         return b;
                     },
                     "undecodable: length runs past the data"},
        UnusableCase{"GetRequestPdu",
                     [](const FakeRequest &r) {
                         return fake_response(r.requestId, {{DESCR, fake_null()}}, 0, 0, "public", 0xa0);
                     },
                     "not a GetResponse"},
        UnusableCase{"NoPdu", [](const FakeRequest &) { return raw({0x30, 0x03, 0x02, 0x01, 0x00}); },
                     "not a GetResponse"},
        UnusableCase{"StringRequestId",
                     [](const FakeRequest &) {
                         // 30 { 02 01 00, 04 00, a2 { 04 01 41, 02 01 00, 02 01 00, 30 00 } }
                         return raw({0x30, 0x12, 0x02, 0x01, 0x00, 0x04, 0x00, 0xa2, 0x0b, 0x04, 0x01, 0x41, 0x02,
                                     0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x00});
                     },
                     "request id is not an INTEGER"},
        UnusableCase{"NoBindingList",
                     [](const FakeRequest &r) {
                         FakeBytes pdu = fake_int(r.requestId), z = fake_int(0);
                         pdu.insert(pdu.end(), z.begin(), z.end());
                         pdu.insert(pdu.end(), z.begin(), z.end());
                         return get_response_around(pdu);
                     },
                     "no variable-binding list"},
        UnusableCase{"BindingWithoutOid",
                     [](const FakeRequest &r) {
                         FakeBytes b = fake_response(r, {{DESCR, fake_null()}});
                         // The binding's OID tag (06) becomes an OCTET STRING tag (04).
                         for (std::size_t i = 0; i + 1 < b.size(); ++i)
                             if (b[i] == 0x06 && b[i + 1] == 0x08) {
                                 b[i] = 0x04;
                                 break;
                             }
                         return b;
                     },
                     "binding 1 is not an (OID, value) pair"}),
    [](const testing::TestParamInfo<UnusableCase> &info) { return info.param.name; });

// Datagrams from the printer's address that are not the reply: the first 8
// make the request go again at once, later ones are dropped; none ends the
// exchange, which waits out its tries unless the reply comes.
struct DiscardCase {
    const char *name;
    bool garbage;   // undecodable datagrams; otherwise GetResponses with another request id
    int copies;     // sent before the reply to every request
    bool reply;     // the reply follows them
    int retries;
    int requests;   // sends seen by the agent
};

class SNMP_sessionDiscards : public testing::TestWithParam<DiscardCase> {};

int lines_with(const std::string &text, const std::string &part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_P(SNMP_sessionDiscards, NeverEndTheExchangeBeforeItsTries) {
    const DiscardCase c = GetParam();
    StderrCapture err;
    Fixture f(
        [c](const FakeRequest &r) {
            FakeSend junk;
            junk.bytes = c.garbage ? raw({0xde, 0xad}) : fake_response(r.requestId ^ 1, {{DESCR, fake_null()}});
            junk.copies = c.copies;
            std::vector<FakeSend> out{junk};
            if (c.reply) out.push_back(FakeAgent::reply(fake_response(r, {{DESCR, fake_string("good")}}))[0]);
            return out;
        },
        2, c.retries);
    OidSeq req{DESCR};
    std::unique_ptr<OidSeq> reply = f.session.do_req(GET_REQ_TAG, &req);
    EXPECT_EQ(c.reply, reply != nullptr);
    EXPECT_EQ(!c.reply, f.session.unreachable());
    EXPECT_TRUE(f.agent.waitForRequests(c.requests));
    EXPECT_TRUE(f.agent.waitIdle());
    EXPECT_EQ(c.requests, f.agent.requestCount());
    // Garbage is worth a warning, each time it makes the request go again;
    // other requests' replies are normal and need none. Copies the session
    // did not look at are stray packets.
    const std::string text = err.text();
    EXPECT_EQ(c.garbage ? SNMP_session::MAX_DISCARDED_REPLIES : 0, lines_with(text, "cannot be used (")) << text;
    EXPECT_EQ(c.reply ? 0 : 1,
              lines_with(text, "Warning: printer1 sent too many replies that cannot be used; no answer from "
                               "127.0.1.1 assumed.\n"))
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SNMP_sessionDiscards,
    testing::Values(DiscardCase{"WrongIdsBeforeTheReply", false, 20, true, 0, 1 + SNMP_session::MAX_DISCARDED_REPLIES},
                    DiscardCase{"GarbageBeforeTheReply", true, 20, true, 0, 1 + SNMP_session::MAX_DISCARDED_REPLIES},
                    DiscardCase{"EndlessWrongIds", false, 1, false, 0, 1 + SNMP_session::MAX_DISCARDED_REPLIES},
                    DiscardCase{"EndlessGarbage", true, 1, false, 0, 1 + SNMP_session::MAX_DISCARDED_REPLIES},
                    DiscardCase{"EndlessWrongIdsEveryTry", false, 3, false, 2, 3 + SNMP_session::MAX_DISCARDED_REPLIES}),
    [](const testing::TestParamInfo<DiscardCase> &info) { return info.param.name; });

struct ErrorCase {
    const char *name;
    std::function<FakeBytes(const FakeRequest &)> reply;
    const char *oid;  // text the error carries
    int status;
};

class SNMP_sessionError : public testing::TestWithParam<ErrorCase> {};

TEST_P(SNMP_sessionError, RaisesErrorOidNamingTheBinding) {
    const ErrorCase c = GetParam();
    Fixture f([c](const FakeRequest &r) { return FakeAgent::reply(c.reply(r)); });
    OidSeq req{DESCR, CONTACT, LOCATION};
    try {
        f.session.do_req(SET_REQ_TAG, &req);
        FAIL() << "no error raised";
    } catch (const SNMP_error_oid &e) {
        EXPECT_EQ(c.oid, e.str);
        EXPECT_EQ(c.status, e.status);
    }
    EXPECT_EQ(1, f.agent.requestCount());
    EXPECT_FALSE(f.session.unreachable());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SNMP_sessionError,
    testing::Values(
        ErrorCase{"ReadOnlyIndex2", [](const FakeRequest &r) { return fake_error(r, 4, 2); }, CONTACT, 4},
        ErrorCase{"NoSuchNameIndex1", [](const FakeRequest &r) { return fake_error(r, 2, 1); }, DESCR, 2},
        ErrorCase{"LastBinding", [](const FakeRequest &r) { return fake_error(r, 5, 3); }, LOCATION, 5},
        ErrorCase{"IndexZero", [](const FakeRequest &r) { return fake_error(r, 5, 0); }, "", 5},
        ErrorCase{"IndexPastTheList", [](const FakeRequest &r) { return fake_error(r, 2, 4); }, "", 2},
        ErrorCase{"NegativeIndex", [](const FakeRequest &r) { return fake_error(r, 2, -1); }, "", 2},
        ErrorCase{"IndexIntoAShorterReply",
                  [](const FakeRequest &r) { return fake_response(r, {{DESCR, fake_null()}}, 3, 2); }, "", 3},
        // Multi-byte INTEGERs are valid BER and read as such.
        ErrorCase{"TwoByteIndex",
                  [](const FakeRequest &r) {
                      // error-status 02 01 04, error-index 02 02 00 02
                      FakeBytes list;
                      for (const auto &x : r.bindings) {
                          FakeBytes one = fake_oid(x.oid.c_str());
                          one.insert(one.end(), x.value.begin(), x.value.end());
                          list.push_back(0x30);
                          list.push_back(static_cast<unsigned char>(one.size()));
                          list.insert(list.end(), one.begin(), one.end());
                      }
                      FakeBytes pdu = fake_int(r.requestId);
                      for (unsigned char c : {0x02, 0x01, 0x04, 0x02, 0x02, 0x00, 0x02}) pdu.push_back(c);
                      pdu.push_back(0x30);
                      pdu.push_back(static_cast<unsigned char>(list.size()));
                      pdu.insert(pdu.end(), list.begin(), list.end());
                      return get_response_around(pdu);
                  },
                  CONTACT, 4},
        ErrorCase{"StringErrorStatus",
                  [](const FakeRequest &r) {
                      FakeBytes pdu = fake_int(r.requestId);
                      for (unsigned char c : {0x04, 0x01, 0x05, 0x02, 0x01, 0x01, 0x30, 0x00}) pdu.push_back(c);
                      return get_response_around(pdu);
                  },
                  "", -1},
        // 2^32 + 2: cut to an int it would read as noSuchName.
        ErrorCase{"ErrorStatusBeyondInt",
                  [](const FakeRequest &r) {
                      FakeBytes pdu = fake_int(r.requestId);
                      for (unsigned char c : {0x02, 0x05, 0x01, 0x00, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x30, 0x00})
                          pdu.push_back(c);
                      return get_response_around(pdu);
                  },
                  "", -1},
        ErrorCase{"MissingErrorFields",
                  [](const FakeRequest &r) {
                      FakeBytes pdu = fake_int(r.requestId);
                      return get_response_around(pdu);
                  },
                  "", -1}),
    [](const testing::TestParamInfo<ErrorCase> &info) { return info.param.name; });

TEST(SNMP_session, FailOverToTheSecondAddress) {
    FakeAgent silent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::drop(); });
    FakeAgent alive("127.0.1.2", silent.port(), echo_names("second"));
    SNMP_socket sock(1, 1, silent.port());
    SNMP_session session(&sock, "dual", nullptr, {silent.ipv4(), alive.ipv4()});
    OidSeq req{DESCR};
    auto first = session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("1.3.6.1.2.1.1.1.0@second", string_of(first->find(DESCR)));
    EXPECT_TRUE(silent.waitForRequests(2, std::chrono::seconds(1)));
    EXPECT_EQ(2, silent.requestCount());  // all transport tries on the first address
    EXPECT_EQ(1, alive.requestCount());
    EXPECT_EQ(silent.requests()[0].bytes, alive.requests()[0].bytes);  // the same message
    EXPECT_EQ(alive.ipv4(), session.address());

    auto second = session.do_req(GET_REQ_TAG, &req);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(2, silent.requestCount());  // never back to a failed address
    EXPECT_EQ(2, alive.requestCount());
}

TEST(SNMP_session, UnreachableSessionSendsNothingMore) {
    Fixture f([](const FakeRequest &) { return FakeAgent::drop(); }, 1, 0);
    OidSeq req{DESCR};
    EXPECT_EQ(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    EXPECT_TRUE(f.session.unreachable());
    EXPECT_TRUE(f.agent.waitForRequests(1, std::chrono::seconds(1)));
    EXPECT_EQ(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    EXPECT_EQ(nullptr, f.session.do_req(GETNEXT_REQ_TAG, &req));
    EXPECT_EQ(1, f.agent.requestCount());
}

TEST(SNMP_session, NegativeRetriesMakeEveryPrinterUnreachable) {
    Fixture f(echo_names("p1"), 1, -1);
    OidSeq req{DESCR};
    EXPECT_EQ(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    EXPECT_TRUE(f.session.unreachable());
    EXPECT_EQ(0, f.agent.requestCount());
}

TEST(SNMP_session, LocalhostResolves) {
    SNMP_socket sock(1, 0, 1161);
    SNMP_session session(&sock, "localhost", nullptr);
    EXPECT_EQ("localhost", session.hostname);
    EXPECT_EQ("quorum", session.community());
    ASSERT_FALSE(session.addresses().empty());
    EXPECT_EQ(127, session.addresses()[0][0]);
    SNMP_session dotted(&sock, "127.0.1.5", "c");
    ASSERT_EQ(1u, dotted.addresses().size());
    EXPECT_EQ((SNMP_session::IPv4{127, 0, 1, 5}), dotted.addresses()[0]);
}

TEST(SNMP_session, UnresolvableNameThrowsAndWritesNothing) {
    // Only inside the private namespace: a lookup must not reach a real name server.
    if (!snmp_test::in_netns()) GTEST_SKIP() << "name lookups run only inside a private network namespace";
    SNMP_socket sock(1, 0, 1161);
    StderrCapture err;
    try {
        SNMP_session session(&sock, "no-such-printer.invalid", nullptr);
        FAIL() << "resolved";
    } catch (const SNMP_resolve_error &e) {
        EXPECT_EQ("no-such-printer.invalid", e.hostname);
    }
    EXPECT_EQ("", err.text());
}

TEST(SNMP_session, ExplicitAddressesMustNotBeEmpty) {
    SNMP_socket sock(1, 0, 1161);
    EXPECT_THROW(SNMP_session(&sock, "none", nullptr, {}), std::invalid_argument);
}

TEST(SNMP_session, RequestIdsAreNonNegativeAndVary) {
    std::int32_t first = snmp_request_id();
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        std::int32_t id = snmp_request_id();
        EXPECT_GE(id, 0);
        differs = differs || id != first;
    }
    EXPECT_TRUE(differs);
}

// ---- packet log ----

std::string dump(const FakeBytes &b) {
    std::string out;
    char x[4];
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::snprintf(x, sizeof x, "%02x ", b[i]);
        out += x;
        if (i % 16 == 15) out += '\n';
    }
    return out + "\n";
}

std::string display(const FakeBytes &b) {
    BerSequence tree(b.data(), b.size());
    char buf[10240];
    int n = tree.print(buf, sizeof buf);
    return std::string(buf, static_cast<std::size_t>(n));
}

// Collects a session's warnings and notices.
struct Warnings : SNMP_warning_sink {
    void warn(const std::string &t, bool) override { text += t; }
    std::string text;
};

// A session whose packet log is numbered from dir (read now).
struct LogFixture : Fixture {
    LogFixture(const LogDir &dir, FakeHandler handler) : LogFixture(dir.path, std::move(handler)) {}
    LogFixture(const std::string &dir, FakeHandler handler) : Fixture(std::move(handler)), numbers(dir) {
        session.setWarningSink(&warnings);
        session.setDebug(numbers);
    }
    bool ask() {
        OidSeq req{DESCR};
        return session.do_req(GET_REQ_TAG, &req) != nullptr;
    }
    SNMP_log_numbers numbers;
    Warnings warnings;
};

std::size_t open_descriptors() {
    std::size_t n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

mode_t mode_of(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777u : 07777u;
}

TEST(SNMP_session, LogIsMadeAtTheFirstRequestForItsOwnerOnly) {
    LogDir dir;
    dir.touch("snmplog.0");
    dir.touch("snmplog.1");
    ::chmod(dir.path.c_str(), 01777);  // a shared directory such as /tmp
    LogFixture f(dir, echo_names("p1"));
    EXPECT_FALSE(f.session.debugging());
    EXPECT_EQ(07777u, mode_of(dir.file("snmplog.2")));  // nothing made before the printer is contacted
    EXPECT_EQ("", f.warnings.text);
    ASSERT_TRUE(f.ask());
    EXPECT_TRUE(f.session.debugging());
    EXPECT_EQ(dir.file("snmplog.2"), f.session.debugPath());
    EXPECT_EQ("Note: packets of printer1 are logged in " + dir.file("snmplog.2") + "\n", f.warnings.text);
    EXPECT_EQ(0, dir.read("snmplog.2").rfind("Contacting 127.0.1.1\nSent\n", 0));
    // The log holds the community in clear: no one else may read it, whatever the umask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(0600u & ~mask, mode_of(dir.file("snmplog.2")));
    EXPECT_EQ("", dir.read("snmplog.0"));

    // The next session gets the next number; no descriptor is held between
    // records, and a file put in the log's place is never written.
    SNMP_session other(&f.sock, "printer2", nullptr, {SNMP_session::IPv4{127, 0, 1, 3}});
    Warnings otherWarnings;
    other.setWarningSink(&otherWarnings);
    other.setDebug(f.numbers);
    const std::size_t descriptors = open_descriptors();
    other.write_debug_bin(reinterpret_cast<const unsigned char *>("\x01"), 1);
    EXPECT_EQ(descriptors, open_descriptors());
    EXPECT_EQ(dir.file("snmplog.3"), other.debugPath());
    EXPECT_EQ("Contacting 127.0.1.3\n01 \n", dir.read("snmplog.3"));
    ASSERT_EQ(0, ::rename(dir.file("snmplog.3").c_str(), dir.file("moved").c_str()));
    dir.touch("snmplog.3");
    other.write_debug_bin(reinterpret_cast<const unsigned char *>("\x02"), 1);
    EXPECT_FALSE(other.debugging());
    EXPECT_EQ("", dir.read("snmplog.3"));
    EXPECT_EQ("Contacting 127.0.1.3\n01 \n", dir.read("moved"));
    EXPECT_EQ("Note: packets of printer2 are logged in " + dir.file("snmplog.3") +
                  "\nWarning: cannot write the packet log of printer2 (" + dir.file("snmplog.3") +
                  " is no longer the file created); logging stopped.\n",
              otherWarnings.text);
}

// Names are read once: those found then are never tried, and a name made
// afterwards (a file or a symlink) is skipped when its log is created.
TEST(SNMP_session, LogNumbersFromOneReadingOfTheDirectory) {
    LogDir dir;
    for (const char *name : {"snmplog.0", "snmplog.2", "snmplog.007", "snmplog.1x", "snmplog.-1", "snmplog.",
                             "snmplog.99999999999"})
        dir.touch(name);
    SNMP_log_numbers numbers(dir.path);
    EXPECT_EQ(1, numbers.take());
    EXPECT_EQ(3, numbers.take());
    EXPECT_EQ(4, numbers.take());
    EXPECT_EQ(dir.file("snmplog.4"), numbers.path(4));
    EXPECT_EQ("snmplog.12", SNMP_log_numbers(".").path(12));

    LogFixture f(dir, echo_names("p1"));  // takes 1
    dir.touch("target");
    ASSERT_EQ(0, ::symlink(dir.file("target").c_str(), dir.file("snmplog.1").c_str()));
    ASSERT_EQ(0, ::symlink("/nonexistent/dangling", dir.file("snmplog.3").c_str()));
    ASSERT_TRUE(f.ask());
    EXPECT_EQ(dir.file("snmplog.4"), f.session.debugPath());
    EXPECT_EQ("", dir.read("target"));
}

TEST(SNMP_session, LogThatCannotBeCreatedIsAWarning) {
    LogFixture f("/nonexistent/dir", echo_names("p1"));
    EXPECT_EQ("", f.warnings.text);
    const std::string warning =
        "Warning: cannot create the packet log for printer1 (No such file or directory); continuing without it.\n";
    EXPECT_TRUE(f.ask());
    EXPECT_FALSE(f.session.debugging());
    EXPECT_EQ(warning, f.warnings.text);
    EXPECT_TRUE(f.ask());
    EXPECT_EQ(warning, f.warnings.text);  // said once
}

TEST(SNMP_session, LogRecordsOneExchange) {
    LogDir dir;
    LogFixture f(dir, [](const FakeRequest &r) {
        if (r.number == 0) return FakeAgent::reply(fake_response(r.requestId + 1, {{DESCR, fake_string("late")}}));
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_string("HP LaserJet")}}));
    });
    OidSeq req{DESCR};
    ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    const auto reqs = f.agent.requests();
    ASSERT_EQ(2u, reqs.size());
    const FakeBytes stale = fake_response(reqs[0].requestId + 1, {{DESCR, fake_string("late")}});
    const FakeBytes good = fake_response(reqs[1], {{DESCR, fake_string("HP LaserJet")}});
    // The re-sent message is not logged again; both replies are.
    const std::string expected = "Contacting 127.0.1.1\n"
                                 "Sent\n" + display(reqs[0].bytes) + "\n" + dump(reqs[0].bytes) +
                                 "Received\n" + display(stale) + "\n" + dump(stale) +
                                 "Received\n" + display(good) + "\n" + dump(good);
    EXPECT_EQ(expected, dir.read(f.session.debugPath().substr(dir.path.size() + 1)));
    EXPECT_NE(std::string::npos, expected.find("( 0 quorum ( "));  // the display form is there
}

TEST(SNMP_session, LogRecordsUndecodableReplies) {
    LogDir dir;
    LogFixture f(dir, [](const FakeRequest &r) {
        if (r.number == 0) return FakeAgent::reply(raw({0x01, 0x02}));
        return FakeAgent::reply(fake_response(r, {{DESCR, fake_null()}}));
    });
    OidSeq req{DESCR};
    ASSERT_NE(nullptr, f.session.do_req(GET_REQ_TAG, &req));
    const std::string log = dir.read("snmplog.0");
    EXPECT_NE(std::string::npos, log.find("Received\n(undecodable: unsupported tag 0x01)\n01 02 \nReceived\n")) << log;
}

TEST(SNMP_session, HexDumpLines) {
    LogDir dir;
    LogFixture f(dir, echo_names("p1"));
    FakeBytes b(17);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>(i + 0xf0);
    f.session.write_debug_bin(b.data(), 16);
    f.session.write_debug_bin(b.data(), 17);
    f.session.write_debug_bin(b.data(), 0);
    EXPECT_EQ("Contacting 127.0.1.1\n"
              "f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff \n\n"
              "f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff \n00 \n"
              "\n",
              dir.read("snmplog.0"));
}

TEST(SNMP_session, OversizedLogRecordsAreCut) {
    LogDir dir;
    LogFixture f(dir, echo_names("p1"));
    // 3343 bytes still dump whole (10238 characters); 3344 do not.
    FakeBytes fits(3343, 0xab), big(5000, 0xcd);
    f.session.write_debug_bin(fits.data(), fits.size());
    const std::size_t afterContact = std::string("Contacting 127.0.1.1\n").size();
    const std::string first = dir.read("snmplog.0").substr(afterContact);
    EXPECT_EQ(3u * 3343 + 3343 / 16 + 1, first.size());
    EXPECT_EQ(dump(fits), first);

    f.session.write_debug_bin(big.data(), big.size());
    const std::string second = dir.read("snmplog.0").substr(afterContact + first.size());
    EXPECT_LE(second.size(), 10240u);
    EXPECT_EQ(dump(FakeBytes(big.begin(), big.begin() + 3296)) + "(1704 more bytes not shown)\n", second);

    // A display form longer than a record is cut, and the record still ends in a newline.
    BerString longString(std::string(20000, 'x').data(), 20000);
    f.session.write_debug("Received", &longString);
    const std::string third = dir.read("snmplog.0").substr(afterContact + first.size() + second.size());
    EXPECT_EQ(10240u, third.size());
    EXPECT_EQ("Received\n" + std::string(10240 - 10, 'x') + "\n", third);
}

}  // namespace
