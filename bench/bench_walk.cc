// A table walk as the reports walk (tabdef_detail::ReadAhead) against a
// loopback responder: SNMPv1's GetNext per row, and SNMPv2c's GetBulk reading
// ahead with several row counts, for tables of 3, 30 and 500 rows of 2 columns
// (as the Ethernet walk) and of 11 (as the input trays'). The
// responder waits before each reply, for a printer's round trip and its agent
// (ROUND_TRIP plus PER_BINDING for each binding), so the figures show what the
// read-ahead saves and what reading past a table's end costs. Counters: round
// trips and bindings per walk.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "ber/beroid.h"
#include "ber/berseq.h"
#include "ber/berv2.h"
#include "snmp/session.h"
#include "snmp/structfill.h"

namespace {

constexpr auto ROUND_TRIP = std::chrono::microseconds(1000);
constexpr auto PER_BINDING = std::chrono::microseconds(20);
const std::string TABLE = "1.3.6.1.2.1.43.8.2.1.";
const std::string AFTER = "1.3.6.1.2.1.43.9.0";  // the one object after the table

// Column c (from 1), row r (from 1): TABLE c+1 . 1 . r; every value INTEGER r.
std::string cell(int column, int row) { return TABLE + std::to_string(column + 1) + ".1." + std::to_string(row); }

// The cell after oid in a table of `rows` rows and `columns` columns: the
// (column, row) that follows, or column 0 past the table.
std::pair<int, int> next_cell(const std::string &oid, int rows, int columns) {
    if (oid.compare(0, TABLE.size(), TABLE) != 0) return {0, 0};
    int column = 0, row = 0;
    std::sscanf(oid.c_str() + TABLE.size(), "%d.1.%d", &column, &row);
    --column;
    if (row < rows) return {column, row + 1};
    return {column < columns ? column + 1 : 0, 1};
}

class TableResponder {
 public:
    TableResponder(int rows, int columns) : rows_(rows), columns_(columns) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(0x7f000801u);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) throw std::runtime_error("bind");
        socklen_t len = sizeof sa;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&sa), &len);
        port = ntohs(sa.sin_port);
        std::memcpy(address.data(), &sa.sin_addr, 4);
        if (::pipe(wake_) != 0) throw std::runtime_error("pipe");
        thread_ = std::thread([this] { run(); });
    }
    ~TableResponder() {
        const char stop = 1;
        if (::write(wake_[1], &stop, 1) < 0) std::perror("write");
        thread_.join();
        ::close(fd_);
        ::close(wake_[0]);
        ::close(wake_[1]);
    }
    std::uint16_t port = 0;
    SNMP_session::IPv4 address{};
    std::atomic<long> requests{0};
    std::atomic<long> bindings{0};

 private:
    void run() {
        pollfd pfds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        std::vector<unsigned char> buf(65536);
        for (;;) {
            if (::poll(pfds, 2, -1) < 0) continue;
            if (pfds[1].revents) return;
            sockaddr_in from{};
            socklen_t fromlen = sizeof from;
            const ssize_t n = ::recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromlen);
            if (n <= 0) continue;
            std::unique_ptr<BerEncodedData> reply = answer(BerSequence(buf.data(), static_cast<std::size_t>(n)));
            ::sendto(fd_, reply->Data(), reply->Length(), 0, reinterpret_cast<sockaddr *>(&from), fromlen);
        }
    }

    std::unique_ptr<BerEncodedData> answer(BerSequence request) {
        auto *pdu = static_cast<BerSequence *>(request.peek(2));
        auto *list = static_cast<BerSequence *>(pdu->peek(3));
        std::vector<std::string> asked;
        for (std::size_t i = 0; i < list->count(); ++i) {
            char text[256];
            const int len = static_cast<BerSequence *>(list->peek(i))->peek(0)->print(text, sizeof text);
            asked.emplace_back(text, static_cast<std::size_t>(len));
        }
        const long repetitions = pdu->tag() == GETBULK_REQ_TAG ? static_cast<BerInt *>(pdu->peek(2))->value : 1;
        auto out = std::make_unique<BerSequence>(SEQUENCE_TAG, 0);
        for (long r = 0; r < repetitions; ++r)
            for (std::string &oid : asked) out->append(binding(oid));
        ++requests;
        bindings += static_cast<long>(out->count());
        std::this_thread::sleep_for(ROUND_TRIP + PER_BINDING * static_cast<long>(out->count()));
        std::unique_ptr<BerBase> pduTaken = request.extract(2);
        std::unique_ptr<BerBase> version = request.extract(0);
        std::unique_ptr<BerBase> community = request.extract(0);
        std::unique_ptr<BerBase> id = static_cast<BerSequence *>(pduTaken.get())->extract(0);
        BerSequence reply(SEQUENCE_TAG, 3, std::move(version), std::move(community),
                          std::make_unique<BerSequence>(GET_RESP_TAG, 4, std::move(id), std::make_unique<BerInt>(0),
                                                        std::make_unique<BerInt>(0), std::move(out)));
        return reply.encode();
    }

    // The binding after oid, and oid moved on to it: the next cell, the
    // object after the table, or endOfMibView past that.
    std::unique_ptr<BerSequence> binding(std::string &oid) {
        const auto [column, row] = next_cell(oid, rows_, columns_);
        std::unique_ptr<BerBase> value;
        if (column != 0) {
            oid = cell(column, row);
            value = std::make_unique<BerInt>(row);
        } else if (oid != AFTER) {
            oid = AFTER;
            value = std::make_unique<BerInt>(0);
        } else {
            value = std::make_unique<BerException>(END_OF_MIB_VIEW_TAG);
        }
        return std::make_unique<BerSequence>(SEQUENCE_TAG, 2, std::make_unique<BerOid>(oid.c_str()), std::move(value));
    }

    int rows_;
    int columns_;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

struct Scheme {
    const char *name;
    SNMP_version version;
    int firstRows;
    std::size_t bindings;
};

const Scheme SCHEMES[] = {
    {"v1 GetNext", SNMP_version::V1, 0, 0},
    {"v2c first 8 rows, doubling, 60 bindings (chosen)", SNMP_version::V2C, 8, 60},
    {"v2c 10 rows, fixed", SNMP_version::V2C, 10, 0},  // bindings: 10 rows of the table
    {"v2c first 2 rows, doubling, 60 bindings", SNMP_version::V2C, 2, 60},
    {"v2c first 8 rows, doubling, 100 bindings", SNMP_version::V2C, 8, 100},
    {"v2c 60 bindings from the start", SNMP_version::V2C, 60, 60},
};

// Walks the whole table once; returns the rows read.
int walk(SNMP_session &session, const Scheme &scheme, int columns) {
    tabdef_detail::ReadAhead ahead(scheme.firstRows,
                                   scheme.bindings ? scheme.bindings : static_cast<std::size_t>(10 * columns));
    auto request = std::make_unique<OidSeq>();
    for (int c = 1; c <= columns; ++c) request->append((TABLE + std::to_string(c + 1)).c_str());
    int rows = 0;
    try {
        for (;;) {
            std::unique_ptr<OidSeq> row = ahead.next(&session, request.get());
            if (!row->findPrefix((TABLE + "2.").c_str())) return rows;
            ++rows;
            request = std::move(row);
        }
    } catch (const SNMP_error_oid &) {
        return rows;
    }
}

void BM_Walk(benchmark::State &state) {
    const int rows = static_cast<int>(state.range(0));
    const Scheme &scheme = SCHEMES[state.range(1)];
    const int columns = static_cast<int>(state.range(2));
    TableResponder responder(rows, columns);
    SNMP_socket sock(2, 0, responder.port);
    for (auto _ : state) {
        SNMP_session session(&sock, "printer", "public", {responder.address});
        session.setVersion(scheme.version);
        if (walk(session, scheme, columns) != rows) state.SkipWithError("rows lost");
    }
    state.SetLabel(scheme.name);
    state.counters["round_trips"] = benchmark::Counter(static_cast<double>(responder.requests),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["bindings"] = benchmark::Counter(static_cast<double>(responder.bindings),
                                                    benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_Walk)
    ->ArgsProduct({{3, 30, 500}, {0, 1, 2, 3, 4, 5}, {2, 11}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
