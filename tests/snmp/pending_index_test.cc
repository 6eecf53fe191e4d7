// The transport's pending requests, kept per address: replies go to the newest
// request for their sender, whatever the requests to other printers in between.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "snmp/snmpsock.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"

namespace {

FakeBytes bytes(const std::string &s) { return FakeBytes(s.begin(), s.end()); }

// The reply as text, or "<none>".
std::string exchange(SNMP_socket &sock, const FakeAgent &agent, const std::string &text) {
    const FakeBytes data = bytes(text);
    const auto addr = agent.ipv4();
    std::size_t len = data.size();
    auto reply = sock.call(4, AF_INET, addr.data(), data.data(), len);
    return reply ? std::string(reinterpret_cast<const char *>(reply.get()), len) : "<none>";
}

TEST(PendingIndex, EachAddressKeepsItsOwnNewestFirstOrder) {
    // Requests to A (older), B, A (newer) are pending at once. A's first
    // answer goes to the newer request to A, its second to the older one; B's
    // answer goes to B's request.
    FakeAgent a("127.0.1.1", 0, [](const FakeRequest &r) -> std::vector<FakeSend> {
        if (r.number == 0) return FakeAgent::drop();
        FakeSend first{bytes("a-first"), std::chrono::milliseconds(0), "", 1};
        FakeSend second{bytes("a-second"), std::chrono::milliseconds(400), "", 1};
        return {first, second};
    });
    FakeAgent b("127.0.1.2", a.port(), [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("b"), std::chrono::milliseconds(200), "", 1}};
    });
    SNMP_socket sock(5, 0, a.port());
    std::string older, viaB;
    std::thread t1([&] { older = exchange(sock, a, "older"); });
    ASSERT_TRUE(a.waitForRequests(1));
    std::thread t2([&] { viaB = exchange(sock, b, "to-b"); });
    ASSERT_TRUE(b.waitForRequests(1));
    const std::string newer = exchange(sock, a, "newer");
    t1.join();
    t2.join();
    EXPECT_EQ("a-first", newer);
    EXPECT_EQ("a-second", older);
    EXPECT_EQ("b", viaB);
}

TEST(PendingIndex, AnsweredAddressTakesNoMoreReplies) {
    // Once the only request to an address has its reply, that address has no
    // waiter left: a second copy of the reply is a stray, while a request to
    // another address still pending is not disturbed.
    snmp_test::StderrCapture err;
    FakeAgent twice("127.0.1.1", 0, [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("twice"), std::chrono::milliseconds(0), "", 2}};
    });
    FakeAgent later("127.0.1.2", twice.port(), [](const FakeRequest &) -> std::vector<FakeSend> {
        return {FakeSend{bytes("later"), std::chrono::milliseconds(300), "", 1}};
    });
    SNMP_socket sock(5, 0, twice.port());
    std::string fromLater;
    std::thread t([&] { fromLater = exchange(sock, later, "to-later"); });
    ASSERT_TRUE(later.waitForRequests(1));
    EXPECT_EQ("twice", exchange(sock, twice, "to-twice"));
    t.join();
    EXPECT_EQ("later", fromLater);
    EXPECT_EQ("Warning: stray packet recieved from 127.0.1.1\n", err.text());
}

TEST(PendingIndex, HundredsOfSilentAddressesBesideAnsweringOnes) {
    // Hundreds of silent addresses (127.0.5.1 on) are asked at the same time as
    // a few answering ones (127.0.4.x): each echo reaches its own asker, and no
    // silent address is handed anybody's reply.
    constexpr int ANSWERING = 8;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::uint16_t port = 0;
    for (int i = 0; i < ANSWERING; ++i) {
        agents.push_back(std::make_unique<FakeAgent>("127.0.4." + std::to_string(i * 30 + 1), port,
                                                     [](const FakeRequest &r) { return FakeAgent::reply(r.bytes); }));
        port = agents.back()->port();
    }
    // The answering exchanges start only once 600 threads exist, which under
    // the sanitizers on a busy machine has taken more than a second: the
    // time-out leaves room for that (the silent requests wait it out at once).
    SNMP_socket sock(4, 0, port);
    constexpr int SILENT = 600;
    std::vector<std::thread> threads;
    std::vector<std::string> silentReplies(SILENT);
    for (int i = 0; i < SILENT; ++i) {
        threads.emplace_back([&, i] {
            const unsigned char addr[4] = {127, 0, static_cast<unsigned char>(5 + i / 250),
                                           static_cast<unsigned char>(i % 250 + 1)};
            const FakeBytes data = bytes("silent");
            std::size_t len = data.size();
            auto reply = sock.call(4, AF_INET, addr, data.data(), len);
            silentReplies[static_cast<std::size_t>(i)] = reply ? "reply" : "<none>";
        });
    }
    std::vector<std::string> answers(ANSWERING);
    std::vector<std::thread> askers;
    for (int i = 0; i < ANSWERING; ++i)
        askers.emplace_back([&, i] {
            answers[static_cast<std::size_t>(i)] =
                exchange(sock, *agents[static_cast<std::size_t>(i)], "echo-" + std::to_string(i));
        });
    for (auto &t : askers) t.join();
    for (auto &t : threads) t.join();
    for (int i = 0; i < ANSWERING; ++i) EXPECT_EQ("echo-" + std::to_string(i), answers[static_cast<std::size_t>(i)]);
    for (const std::string &r : silentReplies) EXPECT_EQ("<none>", r);
}

}  // namespace
