// Costs that grow with the number of printers in one run: starting one worker
// thread per printer, and many workers waiting on the one shared transport.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "frontend/threadattr.h"
#include "snmp/snmpsock.h"

namespace {

// Starts one thread per entry running body(entry), then joins them all, in
// start order, as the front end's joiner does.
template <class Job>
void run_threads(std::vector<Job> &jobs, const ThreadAttr &attr) {
    std::vector<pthread_t> threads(jobs.size());
    auto trampoline = [](void *p) -> void * {
        static_cast<Job *>(p)->run();
        return nullptr;
    };
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (pthread_create(&threads[i], attr.get(), trampoline, &jobs[i]) != 0) {
            for (std::size_t j = 0; j < i; ++j) pthread_join(threads[j], nullptr);
            throw std::runtime_error("pthread_create");
        }
    }
    for (pthread_t &t : threads) pthread_join(t, nullptr);
}

// A worker that does nothing but touch a little of its stack, as a report's
// locals would.
struct IdleJob {
    unsigned sum = 0;
    void run() {
        volatile unsigned char locals[2048];
        for (std::size_t i = 0; i < sizeof locals; i += 64) locals[i] = static_cast<unsigned char>(i);
        sum = locals[64];
    }
};

// Args: thread count, stack size in KiB (0 = system default, 8 MiB here).
void BM_WorkerStartJoin(benchmark::State &state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    ThreadAttr attr(static_cast<std::size_t>(state.range(1)) * 1024);
    for (auto _ : state) {
        std::vector<IdleJob> jobs(n);
        run_threads(jobs, attr);
        benchmark::DoNotOptimize(jobs.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_WorkerStartJoin)
    ->ArgNames({"threads", "stackKiB"})
    ->ArgsProduct({{254, 4094}, {0, 64, 128, 256}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A UDP agent stand-in on loopback that sends every datagram straight back
// from the address it was sent to (IP_PKTINFO), so each worker can ask an
// address of its own and the transport has to find the right waiter.
class EchoAgent {
 public:
    EchoAgent() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (fd_ < 0) throw std::runtime_error("socket");
        int on = 1;
        ::setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        // Thousands of requests can arrive in one burst.
        int rcvbuf = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(fd_, reinterpret_cast<sockaddr *>(&any), sizeof any) != 0) throw std::runtime_error("bind");
        socklen_t len = sizeof any;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&any), &len);
        port_ = ntohs(any.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~EchoAgent() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    EchoAgent(const EchoAgent &) = delete;
    EchoAgent &operator=(const EchoAgent &) = delete;
    int port() const { return port_; }

 private:
    void serve() {
        unsigned char buf[2048];
        alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            sockaddr_in from{};
            iovec iov{buf, sizeof buf};
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
            if (n < 0) continue;
            in_addr asked{};
            for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    in_pktinfo info;
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
                    asked = info.ipi_addr;
                }
            }
            // Reply from the asked address.
            alignas(cmsghdr) unsigned char out[CMSG_SPACE(sizeof(in_pktinfo))] = {};
            iov.iov_len = static_cast<std::size_t>(n);
            msg.msg_control = out;
            msg.msg_controllen = sizeof out;
            cmsghdr *c = CMSG_FIRSTHDR(&msg);
            c->cmsg_level = IPPROTO_IP;
            c->cmsg_type = IP_PKTINFO;
            c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_spec_dst = asked;
            std::memcpy(CMSG_DATA(c), &info, sizeof info);
            ::sendmsg(fd_, &msg, 0);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct CallJob {
    SNMP_socket *transport = nullptr;
    unsigned char address[4] = {};
    bool answered = false;
    void run() {
        static const unsigned char request[] = {0x30, 0x03, 0x02, 0x01, 0x00};
        std::size_t length = sizeof request;
        answered = transport->call(4, AF_INET, address, request, length) != nullptr;
    }
};

// Args: concurrent workers, each asking an address of its own once. Counts
// requests that got no reply within the one try (a burst lost somewhere).
void BM_TransportFanIn(benchmark::State &state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    EchoAgent agent;
    SNMP_socket transport(2, 0, agent.port());
    ThreadAttr attr(128 * 1024);
    std::int64_t lost = 0;
    for (auto _ : state) {
        std::vector<CallJob> jobs(n);
        for (std::size_t i = 0; i < n; ++i) {
            jobs[i].transport = &transport;
            jobs[i].address[0] = 127;
            jobs[i].address[1] = 2;
            jobs[i].address[2] = static_cast<unsigned char>(i / 250);
            jobs[i].address[3] = static_cast<unsigned char>(i % 250 + 1);
        }
        run_threads(jobs, attr);
        for (const CallJob &j : jobs) lost += j.answered ? 0 : 1;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["lost"] = benchmark::Counter(static_cast<double>(lost));
}
BENCHMARK(BM_TransportFanIn)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(64)
    ->Arg(254)
    ->Arg(1024)
    ->Arg(4094)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
