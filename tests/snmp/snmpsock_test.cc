// SNMP_socket against the scripted agent: sends, retries, reply matching, stray and long datagrams.
#include "snmp/snmpsock.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <cstring>
#include <string>
#include <thread>

#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"

using snmp_test::StderrCapture;

namespace {

const FakeBytes REQUEST = {'p', 'i', 'n', 'g'};

std::string text(const std::unique_ptr<unsigned char[]> &data, std::size_t len) {
    return data ? std::string(reinterpret_cast<const char *>(data.get()), len) : "<none>";
}

FakeBytes bytes(const std::string &s) { return FakeBytes(s.begin(), s.end()); }

std::unique_ptr<unsigned char[]> call(SNMP_socket &sock, const FakeAgent &agent, std::size_t &len,
                                      const FakeBytes &data = REQUEST) {
    const auto addr = agent.ipv4();
    len = data.size();
    return sock.call(4, AF_INET, addr.data(), data.data(), len);
}

// The reply as text, or "<none>".
std::string exchange(SNMP_socket &sock, const FakeAgent &agent, const FakeBytes &data = REQUEST) {
    std::size_t len = 0;
    auto reply = call(sock, agent, len, data);
    return text(reply, len);
}

TEST(SNMP_socket, RetriesZeroSendsOnceAndReturnsTheReply) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::reply(bytes("pong")); });
    SNMP_socket sock(2, 0, agent.port());
    std::size_t len = 0;
    auto reply = call(sock, agent, len);
    EXPECT_EQ("pong", text(reply, len));
    ASSERT_EQ(1, agent.requestCount());
    const auto req = agent.requests()[0];
    EXPECT_EQ(REQUEST, req.bytes);
    EXPECT_FALSE(req.decoded);
}

TEST(SNMP_socket, RetriesZeroWithoutReplyWaitsOnce) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::drop(); });
    SNMP_socket sock(1, 0, agent.port());
    std::size_t len = 99;
    EXPECT_EQ(nullptr, call(sock, agent, len));
    EXPECT_EQ(4u, len);  // left as it was
    EXPECT_TRUE(agent.waitForRequests(1, std::chrono::seconds(2)));
    EXPECT_EQ(1, agent.requestCount());
}

TEST(SNMP_socket, NegativeRetriesSendNothing) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::reply(bytes("pong")); });
    SNMP_socket sock(1, -1, agent.port());
    std::size_t len = 0;
    EXPECT_EQ(nullptr, call(sock, agent, len));
    // Prove the agent is alive and would have answered: a direct datagram gets through.
    SNMP_socket other(2, 0, agent.port());
    EXPECT_EQ("pong", exchange(other, agent));
    EXPECT_EQ(1, agent.requestCount());
}

TEST(SNMP_socket, SilentAddressGetsRetriesPlusOneSends) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::drop(); });
    SNMP_socket sock(1, 2, agent.port());
    std::size_t len = 0;
    EXPECT_EQ(nullptr, call(sock, agent, len));
    // The last send may still be on its way when the call gives up.
    EXPECT_TRUE(agent.waitForRequests(3, std::chrono::seconds(2)));
    EXPECT_EQ(3, agent.requestCount());
    for (const auto &r : agent.requests()) EXPECT_EQ(REQUEST, r.bytes);
}

TEST(SNMP_socket, ReplyToTheLastTryIsTaken) {
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) {
        return r.number == 2 ? FakeAgent::reply(bytes("third")) : FakeAgent::drop();
    });
    SNMP_socket sock(2, 2, agent.port());
    EXPECT_EQ("third", exchange(sock, agent));
    EXPECT_EQ(3, agent.requestCount());
}

TEST(SNMP_socket, NewestPendingRequestGetsTheReply) {
    // The first request is held; the answer to the second goes out at once and
    // a second answer follows. Matching is by address only, so the newer
    // request takes the first datagram and the older one the second.
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) -> std::vector<FakeSend> {
        if (r.number == 0) return FakeAgent::drop();
        FakeSend first{bytes("first"), std::chrono::milliseconds(0), "", 1};
        FakeSend second{bytes("second"), std::chrono::milliseconds(300), "", 1};
        return {first, second};
    });
    SNMP_socket sock(5, 0, agent.port());
    std::string older;
    std::thread t([&] {
        older = exchange(sock, agent, bytes("older"));
    });
    ASSERT_TRUE(agent.waitForRequests(1));
    const std::string newer = exchange(sock, agent, bytes("newer"));
    t.join();
    EXPECT_EQ("first", newer);
    EXPECT_EQ("second", older);
}

TEST(SNMP_socket, LateReplyIsAStrayPacket) {
    StderrCapture err;
    FakeAgent slow("127.0.1.1", 0, [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("late"), std::chrono::milliseconds(2100), "", 1}};
    });
    FakeAgent prompt("127.0.1.2", slow.port(), [](const FakeRequest &) { return FakeAgent::reply(bytes("prompt")); });
    SNMP_socket sock(2, 0, slow.port());
    EXPECT_EQ("<none>", exchange(sock, slow));
    ASSERT_TRUE(slow.waitIdle());
    // The receiver reads datagrams in arrival order: once the next reply (from
    // another address, so the late one cannot be taken for it) is in, the
    // late one has been dealt with.
    EXPECT_EQ("prompt", exchange(sock, prompt));
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.1\n", err.text());
}

TEST(SNMP_socket, ReplyFromAnotherAddressDoesNotMatch) {
    StderrCapture err;
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) -> std::vector<FakeSend> {
        if (r.number == 0) return {FakeSend{bytes("spoof"), std::chrono::milliseconds(0), "127.0.1.7", 1}};
        return FakeAgent::reply(bytes("real"));
    });
    SNMP_socket sock(2, 1, agent.port());
    EXPECT_EQ("real", exchange(sock, agent));
    EXPECT_EQ(2, agent.requestCount());
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.7\n", err.text());
}

// Requests go to the agent's port; a datagram from another port of the same
// address is no reply, however well it would match.
TEST(SNMP_socket, ReplyFromAnotherPortDoesNotMatch) {
    StderrCapture err;
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &r) -> std::vector<FakeSend> {
        if (r.number == 0) return {FakeSend{bytes("forged"), std::chrono::milliseconds(0), "", 3, true}};
        return FakeAgent::reply(bytes("real"));
    });
    SNMP_socket sock(2, 1, agent.port());
    EXPECT_EQ("real", exchange(sock, agent));
    EXPECT_EQ(2, agent.requestCount());
    EXPECT_EQ("Warning: 2 more stray packets received from 127.0.1.1\n", sock.finish());
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.1\n", err.text());
}

// A flood writes one line per address at once, and the rest is counted for
// the end of the run; after finish() nothing more is received.
TEST(SNMP_socket, StrayFloodGivesOneLinePerAddressAndASummary) {
    StderrCapture err;
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("junk"), std::chrono::milliseconds(0), "127.0.1.9", 60},
                FakeSend{bytes("junk"), std::chrono::milliseconds(0), "127.0.1.8", 1},
                FakeSend{bytes("junk"), std::chrono::milliseconds(0), "127.0.1.10", 2},
                FakeSend{bytes("real"), std::chrono::milliseconds(0), "", 1}};
    });
    SNMP_socket sock(2, 0, agent.port());
    // Every datagram is in the socket's queue before the real reply, and the
    // receiver reads them in order.
    EXPECT_EQ("real", exchange(sock, agent));
    EXPECT_EQ("Warning: 59 more stray packets received from 127.0.1.9\n"
              "Warning: 1 more stray packet received from 127.0.1.10\n",
              sock.finish());
    const FakeRequest asked = agent.requests()[0];
    agent.sendTo(asked.from, asked.fromPort, bytes("late"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.9\n"
              "Warning: stray packet recieved from 127.0.1.8\n"
              "Warning: stray packet recieved from 127.0.1.10\n",
              err.text());
}

// Spoofed sources can be any number of addresses: past MAX_ADDRESSES they are
// counted together, with one line saying so.
TEST(SNMP_stray_counts, AddressesPastTheBoundAreCountedTogether) {
    SNMP_stray_counts strays;
    std::string lines;
    const std::size_t n = SNMP_stray_counts::MAX_ADDRESSES;
    for (std::size_t i = 0; i < n + 3; ++i) {
        const unsigned char a[4] = {10, static_cast<unsigned char>(i >> 16), static_cast<unsigned char>(i >> 8),
                                    static_cast<unsigned char>(i)};
        lines += strays.count(a);
    }
    const unsigned char first[4] = {10, 0, 0, 0};
    EXPECT_EQ("", strays.count(first));
    EXPECT_EQ(n + 1, static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')));
    EXPECT_EQ(0u, lines.find("Warning: stray packet recieved from 10.0.0.0\n"));
    EXPECT_EQ("Warning: stray packets from more than 65536 addresses; the rest are counted, not listed.\n",
              lines.substr(lines.rfind('\n', lines.size() - 2) + 1));
    EXPECT_EQ("Warning: 1 more stray packet received from 10.0.0.0\n"
              "Warning: 3 stray packets received from addresses not listed\n",
              strays.summary());
    EXPECT_EQ("", SNMP_stray_counts().summary());
}

TEST(SNMP_socket, DuplicateReplyLeavesOneStray) {
    StderrCapture err;
    FakeAgent twice("127.0.1.1", 0, [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("twice"), std::chrono::milliseconds(0), "", 2}};
    });
    FakeAgent once("127.0.1.2", twice.port(), [](const FakeRequest &) { return FakeAgent::reply(bytes("once")); });
    SNMP_socket sock(2, 0, twice.port());
    EXPECT_EQ("twice", exchange(sock, twice));
    // Both copies are in the socket's queue before the next request leaves, so
    // the receiver meets the second copy first.
    ASSERT_TRUE(twice.waitIdle());
    EXPECT_EQ("once", exchange(sock, once));
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.1\n", err.text());
}

TEST(SNMP_socket, LongDatagramsAreCutTo10240Bytes) {
    for (std::size_t size : {std::size_t{10239}, std::size_t{10240}, std::size_t{10241}, std::size_t{30000}}) {
        FakeBytes big(size);
        for (std::size_t i = 0; i < size; ++i) big[i] = static_cast<unsigned char>(i * 7);
        FakeAgent agent("127.0.1.1", 0, [&big](const FakeRequest &) { return FakeAgent::reply(big); });
        SNMP_socket sock(2, 0, agent.port());
        std::size_t len = 0;
        auto reply = call(sock, agent, len);
        ASSERT_NE(nullptr, reply) << size;
        const std::size_t expect = size < 10240 ? size : 10240;
        EXPECT_EQ(expect, len);
        EXPECT_EQ(0, std::memcmp(reply.get(), big.data(), expect)) << size;
    }
}

TEST(SNMP_socket, NothingListeningCountsAsNoReply) {
    StderrCapture err;
    // A port where nothing listens: the address answers with ICMP refusals.
    FakeBytes probe;
    std::uint16_t port;
    {
        FakeAgent gone("127.0.1.9", 0, nullptr);
        port = gone.port();
    }
    SNMP_socket sock(1, 1, port);
    const unsigned char addr[4] = {127, 0, 1, 9};
    std::size_t len = REQUEST.size();
    EXPECT_EQ(nullptr, sock.call(4, AF_INET, addr, REQUEST.data(), len));
    EXPECT_EQ(nullptr, sock.call(4, AF_INET, addr, REQUEST.data(), len));
    EXPECT_EQ("", err.text());
}

TEST(SNMP_socket, SendFailureIsReportedAndCountsAsNoReply) {
    StderrCapture err;
    FakeAgent agent("127.0.1.1", 0, [](const FakeRequest &) { return FakeAgent::reply(bytes("pong")); });
    SNMP_socket sock(2, 3, agent.port());
    // Larger than any UDP datagram can be: sendto fails with EMSGSIZE, which
    // the caller is given to report (the session names the printer).
    const FakeBytes huge(70000, 0x30);
    const auto addr = agent.ipv4();
    std::size_t len = huge.size();
    int sendError = 0;
    EXPECT_EQ(nullptr, sock.call(4, AF_INET, addr.data(), huge.data(), len, &sendError));
    EXPECT_EQ(EMSGSIZE, sendError);
    EXPECT_EQ("", err.text());
    // The transport is still usable.
    EXPECT_EQ("pong", exchange(sock, agent));
    EXPECT_EQ(1, agent.requestCount());
}

TEST(SNMP_socket, OnlyIPv4IsAccepted) {
    SNMP_socket sock(1, 0, 1161);
    const unsigned char addr[16] = {};
    std::size_t len = REQUEST.size();
    EXPECT_THROW(sock.call(16, AF_INET6, addr, REQUEST.data(), len), std::invalid_argument);
    EXPECT_THROW(sock.call(4, AF_INET6, addr, REQUEST.data(), len), std::invalid_argument);
}

TEST(SNMP_socket, PortArgumentIsKeptInNetworkOrder) {
    SNMP_socket sock(2, 25, 1161);
    EXPECT_EQ(htons(1161), sock.port());
    EXPECT_EQ(2, sock.timeout());
    EXPECT_EQ(25, sock.retries());
}

TEST(SNMP_socket, PortZeroIsTheSnmpService) {
    const servent *s = getservbyname("snmp", "udp");
    const int expect = s ? s->s_port : htons(161);
    endservent();
    SNMP_socket sock(2, 0, 0);
    EXPECT_EQ(expect, sock.port());
    if (!snmp_test::in_netns()) GTEST_SKIP() << "port 161 is bound only inside a private network namespace";
    FakeAgent agent("127.0.1.1", ntohs(static_cast<std::uint16_t>(expect)),
                    [](const FakeRequest &) { return FakeAgent::reply(bytes("pong")); });
    EXPECT_EQ("pong", exchange(sock, agent));
}

TEST(SNMP_socket, ManyCallersToManyAddressesAllGetTheirOwnReply) {
    // One agent per address echoes the request; every caller must see its own.
    constexpr int N = 16;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::uint16_t port = 0;
    for (int i = 0; i < N; ++i) {
        agents.push_back(std::make_unique<FakeAgent>("127.0.3." + std::to_string(i + 1), port,
                                                     [](const FakeRequest &r) { return FakeAgent::reply(r.bytes); }));
        port = agents.back()->port();
    }
    SNMP_socket sock(2, 3, port);
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < N; ++i) {
        threads.emplace_back([&, i] {
            for (int k = 0; k < 20; ++k) {
                const std::string msg = std::to_string(i) + "/" + std::to_string(k);
                if (exchange(sock, *agents[static_cast<std::size_t>(i)], bytes(msg)) == msg) ++good;
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_EQ(N * 20, good.load());
}

std::atomic<int> failedErrno{-1};
std::string failedStep;  // written before failedErrno
void record_failure(const char *step, int err) {
    failedStep = step;
    failedErrno = err;
}

std::set<int> open_sockets() {
    std::set<int> fds;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (dirent *e = ::readdir(d)) {
            struct stat st {};
            const int fd = std::atoi(e->d_name);
            if (e->d_name[0] != '.' && ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode)) fds.insert(fd);
        }
        ::closedir(d);
    }
    return fds;
}

TEST(SNMP_socket, FailedReadIsReportedOnceAndWritesNothing) {
    StderrCapture err;
    {
        const std::set<int> before = open_sockets();
        SNMP_socket sock(1, 0, 1161, record_failure);
        // Put a regular file where the socket was: it polls readable at once and
        // every read of it as a socket fails.
        int sockfd = -1;
        for (int fd : open_sockets())
            if (!before.count(fd)) sockfd = fd;
        ASSERT_GE(sockfd, 0);
        int file = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(file, 0);
        ASSERT_EQ(sockfd, ::dup2(file, sockfd));
        ::close(file);
        for (int i = 0; i < 500 && failedErrno < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ENOTSOCK, failedErrno.load());
    EXPECT_EQ("bad read in reciever thread", failedStep);
    EXPECT_EQ("", err.text());
}

TEST(SNMP_socket, SocketErrorNamesTheStep) {
    SNMP_socket_error e("cannot create the UDP socket", EMFILE);
    EXPECT_EQ(std::string("cannot create the UDP socket: ") + std::strerror(EMFILE), e.what());
    SNMP_socket_error plain("protocol \"udp\" not found in the protocols database", 0);
    EXPECT_STREQ("protocol \"udp\" not found in the protocols database", plain.what());
}

}  // namespace
