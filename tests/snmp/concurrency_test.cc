// Many sessions sharing one transport: every exchange gets its own printer's reply.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ber/ber.h"
#include "snmp/session.h"
#include "snmp/structfill.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"

namespace {

// Each binding answered with "<oid>@<agent address>", so a reply that reached
// the wrong session or the wrong exchange shows.
FakeHandler tagged(const std::string &name) {
    return [name](const FakeRequest &r) {
        std::vector<FakeBinding> out;
        for (const auto &b : r.bindings) out.push_back({b.oid, fake_string(b.oid + "@" + name)});
        return FakeAgent::reply(fake_response(r, out));
    };
}

TEST(SNMP_concurrency, TwoHundredSessionsFiftyExchangesEach) {
    constexpr int SESSIONS = 200;
    constexpr int EXCHANGES = 50;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::uint16_t port = 0;
    for (int i = 0; i < SESSIONS; ++i) {
        const std::string addr = "127.0.4." + std::to_string(i + 1);
        agents.push_back(std::make_unique<FakeAgent>(addr, port, tagged(addr)));
        port = agents.back()->port();
    }
    // Generous retries: under a sanitizer a loaded machine may miss a deadline,
    // and a re-send must still end in the right reply.
    SNMP_socket sock(2, 5, port);
    std::vector<std::unique_ptr<SNMP_session>> sessions;
    for (int i = 0; i < SESSIONS; ++i)
        sessions.push_back(std::make_unique<SNMP_session>(&sock, agents[static_cast<std::size_t>(i)]->address().c_str(),
                                                          nullptr,
                                                          std::vector{agents[static_cast<std::size_t>(i)]->ipv4()}));

    std::atomic<int> good{0}, wrong{0}, missing{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < SESSIONS; ++i) {
        workers.emplace_back([&, i] {
            SNMP_session &s = *sessions[static_cast<std::size_t>(i)];
            for (int k = 0; k < EXCHANGES; ++k) {
                const std::string oid = "1.3.6.1.4.1.9999." + std::to_string(i) + "." + std::to_string(k);
                OidSeq req{oid.c_str()};
                auto reply = s.do_req(GET_REQ_TAG, &req);
                if (!reply) {
                    ++missing;
                    continue;
                }
                auto *v = dynamic_cast<BerString *>(reply->find(oid.c_str()));
                if (v && v->c_str_value() == oid + "@" + s.hostname)
                    ++good;
                else
                    ++wrong;
            }
        });
    }
    for (auto &t : workers) t.join();
    EXPECT_EQ(SESSIONS * EXCHANGES, good.load());
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(0, missing.load());
}

TEST(SNMP_concurrency, SessionsSharingOneAddressNeverCrossReplies) {
    // Matching is by address only: a reply may land with another waiter for the
    // same address, whose request-id check throws it away and sends again. An
    // exchange may then run out of tries, but no session ever takes another's
    // reply as its own.
    FakeAgent agent("127.0.5.1", 0, tagged("shared"));
    SNMP_socket sock(2, 3, agent.port());
    constexpr int SESSIONS = 4;
    constexpr int EXCHANGES = 25;
    std::vector<std::unique_ptr<SNMP_session>> sessions;
    for (int i = 0; i < SESSIONS; ++i)
        sessions.push_back(std::make_unique<SNMP_session>(&sock, "shared", nullptr, std::vector{agent.ipv4()}));
    std::atomic<int> good{0}, wrong{0};
    std::vector<std::thread> workers;
    snmp_test::StderrCapture err;
    for (int i = 0; i < SESSIONS; ++i) {
        workers.emplace_back([&, i] {
            for (int k = 0; k < EXCHANGES; ++k) {
                const std::string oid = "1.3.6.1.4.1.9998." + std::to_string(i) + "." + std::to_string(k);
                OidSeq req{oid.c_str()};
                auto reply = sessions[static_cast<std::size_t>(i)]->do_req(GET_REQ_TAG, &req);
                if (!reply) continue;
                auto *v = dynamic_cast<BerString *>(reply->find(oid.c_str()));
                if (v && v->c_str_value() == oid + "@shared")
                    ++good;
                else
                    ++wrong;
            }
        });
    }
    for (auto &t : workers) t.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_GT(good.load(), 0);
    err.text();
}

TEST(SNMP_concurrency, ParallelTableWalks) {
    constexpr int WALKERS = 32;
    constexpr int ROWS = 30;
    std::vector<std::unique_ptr<FakeAgent>> agents;
    std::uint16_t port = 0;
    for (int i = 0; i < WALKERS; ++i) {
        FakeMib mib;
        for (int r = 1; r <= ROWS; ++r) mib.set("1.3.6.1.2.1.43.10.2.1.4.1." + std::to_string(r), fake_counter(r * i));
        mib.set("1.3.6.1.2.1.43.11.1.1.1.1.1", fake_int(0));
        agents.push_back(std::make_unique<FakeAgent>("127.0.6." + std::to_string(i + 1), port,
                                                     fake_mib_handler(std::move(mib))));
        port = agents.back()->port();
    }
    SNMP_socket sock(2, 5, port);
    struct Marker {
        std::int64_t count = 0;
    };
    std::atomic<int> good{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < WALKERS; ++i) {
        workers.emplace_back([&, i] {
            SNMP_session s(&sock, "walker", nullptr, {agents[static_cast<std::size_t>(i)]->ipv4()});
            tabdef<Marker> t(&s);
            t.append("1.3.6.1.2.1.43.10.2.1.4", COUNTER_TAG, &Marker::count);
            const auto rows = t.get();
            bool ok = rows.size() == ROWS;
            for (std::size_t r = 0; ok && r < rows.size(); ++r)
                ok = rows[r].count == static_cast<std::int64_t>((r + 1) * static_cast<std::size_t>(i));
            if (ok) ++good;
        });
    }
    for (auto &t : workers) t.join();
    EXPECT_EQ(WALKERS, good.load());
}

}  // namespace
