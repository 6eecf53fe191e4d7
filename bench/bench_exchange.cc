// SNMP exchanges per second through one SNMP_socket, with 1, 16 and 256 sessions at once,
// against a loopback responder that answers every GetRequest at once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "snmp/session.h"

namespace {

// One UDP socket per printer address (127.0.8.1, 127.0.8.2, ... 127.0.9.0) on a shared
// port, all served by one thread. A GetRequest is answered by the same bytes
// with the PDU tag turned into GetResponse: same request id, error-status 0.
class Responder {
 public:
    explicit Responder(int printers) {
        for (int i = 0; i < printers; ++i) {
            int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (fd < 0) throw std::runtime_error("socket");
            fds.push_back(fd);
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_port = htons(port);
            sa.sin_addr.s_addr = htonl(0x7f000801u + static_cast<unsigned>(i));
            if (::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) throw std::runtime_error("bind");
            socklen_t len = sizeof sa;
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
            port = ntohs(sa.sin_port);
            SNMP_session::IPv4 addr;
            std::memcpy(addr.data(), &sa.sin_addr, 4);
            addresses.push_back(addr);
        }
        if (::pipe(wake) != 0) throw std::runtime_error("pipe");
        thread = std::thread([this] { run(); });
    }
    ~Responder() {
        const char stop = 1;
        if (::write(wake[1], &stop, 1) < 0) std::perror("write");
        thread.join();
        for (int fd : fds) ::close(fd);
        ::close(wake[0]);
        ::close(wake[1]);
    }
    Responder(const Responder &) = delete;
    Responder &operator=(const Responder &) = delete;

    std::uint16_t port = 0;
    std::vector<SNMP_session::IPv4> addresses;

 private:
    void run() {
        std::vector<pollfd> pfds;
        for (int fd : fds) pfds.push_back({fd, POLLIN, 0});
        pfds.push_back({wake[0], POLLIN, 0});
        unsigned char buf[10240];
        for (;;) {
            if (::poll(pfds.data(), pfds.size(), -1) < 0) continue;
            if (pfds.back().revents) return;
            for (std::size_t i = 0; i + 1 < pfds.size(); ++i) {
                if (!(pfds[i].revents & POLLIN)) continue;
                sockaddr_in from{};
                socklen_t fromlen = sizeof from;
                ssize_t n = ::recvfrom(pfds[i].fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromlen);
                // 30 L | 02 01 00 | 04 C community | a0 ...  (short length forms)
                if (n < 7 || buf[0] != 0x30 || buf[1] >= 0x80) continue;
                const std::size_t pdu = 2 + 3 + 2 + buf[6];
                if (pdu >= static_cast<std::size_t>(n)) continue;
                buf[pdu] = 0xa2;
                ::sendto(pfds[i].fd, buf, static_cast<std::size_t>(n), 0, reinterpret_cast<sockaddr *>(&from),
                         fromlen);
            }
        }
    }

    std::vector<int> fds;
    int wake[2] = {-1, -1};
    std::thread thread;
};

// Each of state.range(0) sessions runs EXCHANGES GetRequests back to back in a
// thread of its own, all through one transport.
void BM_Exchange(benchmark::State &state) {
    const int sessions = static_cast<int>(state.range(0));
    const int exchanges = sessions >= 256 ? 20 : sessions >= 16 ? 100 : 1000;
    Responder responder(sessions);
    SNMP_socket sock(2, 3, responder.port);
    std::vector<std::unique_ptr<SNMP_session>> list;
    for (int i = 0; i < sessions; ++i)
        list.push_back(std::make_unique<SNMP_session>(&sock, "bench", nullptr,
                                                      std::vector{responder.addresses[static_cast<std::size_t>(i)]}));
    std::atomic<long> failed{0};
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (int i = 0; i < sessions; ++i) {
            workers.emplace_back([&, i] {
                OidSeq req{"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.5.0"};
                for (int k = 0; k < exchanges; ++k)
                    if (!list[static_cast<std::size_t>(i)]->do_req(GET_REQ_TAG, &req)) ++failed;
            });
        }
        for (auto &t : workers) t.join();
    }
    if (failed) state.SkipWithError("an exchange got no reply");
    state.SetItemsProcessed(state.iterations() * sessions * exchanges);
    state.counters["sessions"] = sessions;
}

BENCHMARK(BM_Exchange)
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
