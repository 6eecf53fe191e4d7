// fake_agent: a scripted SNMPv1 agent thread on a loopback address.
#include "tests/support/fake_agent.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"
#include "ber/berv2.h"

namespace {

FakeBytes bytes_of(BerBase &v) {
    FakeBytes out;
    append_encoding(out, v);
    return out;
}

FakeBytes wrap(int tag, const FakeBytes &content) {
    FakeBytes out;
    append_tlv(out, tag, content);
    return out;
}

std::array<unsigned char, 4> parse_ipv4(const std::string &text) {
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1) throw std::runtime_error("FakeAgent: bad address " + text);
    std::array<unsigned char, 4> out;
    std::memcpy(out.data(), &a, 4);
    return out;
}

void decode_request(FakeRequest &req) {
    try {
        BerSequence message(req.bytes.data(), req.bytes.size());
        auto *version = dynamic_cast<BerInt *>(message.peek(0));
        auto *community = dynamic_cast<BerString *>(message.peek(1));
        auto *pdu = dynamic_cast<BerSequence *>(message.peek(2));
        if (!version || !community || !pdu || message.count() != 3) throw BerDecodeError("not an SNMP message");
        fake_read_pdu(*pdu, req);
        req.community.assign(reinterpret_cast<const char *>(community->data.get()), community->stringlen);
        req.version = static_cast<int>(version->value);
        req.decoded = true;
    } catch (const BerDecodeError &e) {
        req.decoded = false;
        req.decodeError = e.what();
        req.community.clear();
        req.bindings.clear();
    }
}

}  // namespace

FakeBytes fake_value_bytes(BerBase &value) {
    FakeBytes out;
    for (BerEncodedData *d = value.getdata();; d = d->next) {
        out.insert(out.end(), d->Data(), d->Data() + d->Length());
        if (d == value.lastChunk()) break;
    }
    return out;
}

void fake_read_pdu(BerSequence &pdu, FakeRequest &req) {
    auto *id = dynamic_cast<BerInt *>(pdu.peek(0));
    auto *list = dynamic_cast<BerSequence *>(pdu.peek(3));
    if (!id || !list || pdu.count() != 4) throw BerDecodeError("not an SNMP PDU");
    req.pduTag = pdu.tag();
    req.requestId = id->value;
    auto *second = dynamic_cast<BerInt *>(pdu.peek(1));
    auto *third = dynamic_cast<BerInt *>(pdu.peek(2));
    req.nonRepeaters = second ? second->value : 0;
    req.maxRepetitions = third ? third->value : 0;
    for (std::size_t i = 0; i < list->count(); ++i) {
        auto *binding = dynamic_cast<BerSequence *>(list->peek(i));
        auto *oid = binding ? dynamic_cast<BerOid *>(binding->peek(0)) : nullptr;
        if (!oid || binding->count() != 2) throw BerDecodeError("not a binding");
        char text[1024];
        int n = oid->print(text, sizeof text);
        if (n < 0) throw BerDecodeError("OID too long");
        req.bindings.push_back(
            FakeBinding{std::string(text, static_cast<std::size_t>(n)), fake_value_bytes(*binding->peek(1))});
    }
}

FakeBytes fake_null() {
    BerNull v;
    return bytes_of(v);
}
FakeBytes fake_int(std::int64_t x) {
    BerInt v(x);
    return bytes_of(v);
}
FakeBytes fake_counter(std::uint32_t x) {
    FakeBytes b = fake_int(x);
    b[0] = 0x41;
    return b;
}
FakeBytes fake_gauge(std::uint32_t x) {
    FakeBytes b = fake_int(x);
    b[0] = 0x42;
    return b;
}
FakeBytes fake_timeticks(std::uint64_t x) {
    BerTimeTick v(x);
    return bytes_of(v);
}
FakeBytes fake_string(std::string_view s) {
    BerString v(s.data(), s.size());
    return bytes_of(v);
}
FakeBytes fake_oid(const char *dotted) {
    BerOid v(dotted);
    return bytes_of(v);
}
FakeBytes fake_ipaddr(unsigned a, unsigned b, unsigned c, unsigned d) {
    const unsigned char addr[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                   static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    BerIPAddr v(addr, 4);
    return bytes_of(v);
}

FakeBytes fake_counter64(std::uint64_t x) {
    BerCounter64 v(x);
    return bytes_of(v);
}
FakeBytes fake_exception(int tag) {
    BerException v(tag);
    return bytes_of(v);
}

FakeBytes fake_pdu(std::int64_t requestId, const std::vector<FakeBinding> &bindings, int errorStatus, int errorIndex,
                   int pduTag) {
    FakeBytes list;
    for (const FakeBinding &b : bindings) {
        FakeBytes binding = fake_oid(b.oid.c_str());
        binding.insert(binding.end(), b.value.begin(), b.value.end());
        FakeBytes wrapped = wrap(SEQUENCE_TAG, binding);
        list.insert(list.end(), wrapped.begin(), wrapped.end());
    }
    FakeBytes pdu = fake_int(requestId);
    FakeBytes status = fake_int(errorStatus), index = fake_int(errorIndex), seq = wrap(SEQUENCE_TAG, list);
    pdu.insert(pdu.end(), status.begin(), status.end());
    pdu.insert(pdu.end(), index.begin(), index.end());
    pdu.insert(pdu.end(), seq.begin(), seq.end());
    return wrap(pduTag, pdu);
}

FakeBytes fake_response(std::int64_t requestId, const std::vector<FakeBinding> &bindings, int errorStatus,
                        int errorIndex, const std::string &community, int pduTag, int version) {
    FakeBytes message = fake_int(version);
    FakeBytes comm = fake_string(community), pdu = fake_pdu(requestId, bindings, errorStatus, errorIndex, pduTag);
    message.insert(message.end(), comm.begin(), comm.end());
    message.insert(message.end(), pdu.begin(), pdu.end());
    return wrap(SEQUENCE_TAG, message);
}

FakeBytes fake_response(const FakeRequest &req, const std::vector<FakeBinding> &bindings, int errorStatus,
                        int errorIndex) {
    return fake_response(req.requestId, bindings, errorStatus, errorIndex, req.community, 0xa2, req.version);
}

FakeBytes fake_error(const FakeRequest &req, int errorStatus, int errorIndex) {
    return fake_response(req, req.bindings, errorStatus, errorIndex);
}

FakeAgent::FakeAgent(const std::string &address, std::uint16_t port, FakeHandler handler)
    : address_(address), ipv4_(parse_ipv4(address)), handler_(std::move(handler)) {
    sock_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock_ < 0) throw std::runtime_error("FakeAgent: socket: " + std::string(std::strerror(errno)));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr, ipv4_.data(), 4);
    if (::bind(sock_, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        int err = errno;
        ::close(sock_);
        throw std::runtime_error("FakeAgent: bind " + address + ":" + std::to_string(port) + ": " +
                                 std::strerror(err));
    }
    socklen_t len = sizeof sa;
    ::getsockname(sock_, reinterpret_cast<sockaddr *>(&sa), &len);
    port_ = ntohs(sa.sin_port);
    int sndbuf = 1 << 20;
    ::setsockopt(sock_, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
    ::setsockopt(sock_, SOL_SOCKET, SO_RCVBUF, &sndbuf, sizeof sndbuf);
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(sock_);
        throw std::runtime_error("FakeAgent: pipe");
    }
    thread_ = std::thread(&FakeAgent::run, this);
}

FakeAgent::~FakeAgent() {
    const char stop = 1;
    while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(sock_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void FakeAgent::setHandler(FakeHandler handler) {
    std::lock_guard<std::mutex> g(handlerLock_);
    handler_ = std::move(handler);
}

int FakeAgent::requestCount() const {
    std::lock_guard<std::mutex> g(lock_);
    return static_cast<int>(requests_.size());
}

std::vector<FakeRequest> FakeAgent::requests() const {
    std::lock_guard<std::mutex> g(lock_);
    return requests_;
}

int FakeAgent::sentCount() const {
    std::lock_guard<std::mutex> g(lock_);
    return sent_;
}

bool FakeAgent::waitForRequests(int n, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, limit, [&] { return static_cast<int>(requests_.size()) >= n; });
}

bool FakeAgent::waitIdle(std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, limit, [&] { return scheduled_.empty() && transmitting_ == 0; });
}

void FakeAgent::sendTo(const std::array<unsigned char, 4> &address, std::uint16_t port, const FakeBytes &bytes) {
    transmit(Outgoing{bytes, "", false, address, port});
    std::lock_guard<std::mutex> g(lock_);
    ++sent_;
}

void FakeAgent::transmit(const Outgoing &out) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(out.toPort);
    std::memcpy(&to.sin_addr, out.to.data(), 4);
    int fd = sock_;
    int own = -1;
    if (out.otherPort || (!out.from.empty() && out.from != address_)) {
        // Another source address or port: a socket of its own bound there
        // (port 0: one the system picks, never the agent's own).
        own = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        auto addr = parse_ipv4(out.from.empty() ? address_ : out.from);
        std::memcpy(&from.sin_addr, addr.data(), 4);
        if (own < 0 || ::bind(own, reinterpret_cast<sockaddr *>(&from), sizeof from) != 0) {
            if (own >= 0) ::close(own);
            return;
        }
        fd = own;
    }
    ::sendto(fd, out.bytes.data(), out.bytes.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
    if (own >= 0) ::close(own);
}

void FakeAgent::run() {
    std::vector<unsigned char> buf(65536);
    for (;;) {
        int wait = -1;
        {
            std::lock_guard<std::mutex> g(lock_);
            if (!scheduled_.empty()) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(scheduled_.begin()->first -
                                                                                  std::chrono::steady_clock::now());
                wait = left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
            }
        }
        pollfd fds[2] = {{sock_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int rc = ::poll(fds, 2, wait);
        if (rc < 0 && errno != EINTR) return;
        if (rc > 0 && fds[1].revents) return;

        // Due sends first, in their order.
        for (;;) {
            Outgoing out;
            {
                std::lock_guard<std::mutex> g(lock_);
                if (scheduled_.empty() || scheduled_.begin()->first > std::chrono::steady_clock::now()) break;
                out = std::move(scheduled_.begin()->second);
                scheduled_.erase(scheduled_.begin());
                ++transmitting_;
            }
            transmit(out);
            std::lock_guard<std::mutex> g(lock_);
            ++sent_;
            --transmitting_;
            changed_.notify_all();
        }

        if (rc <= 0 || !(fds[0].revents & POLLIN)) continue;
        sockaddr_in from{};
        socklen_t fromlen = sizeof from;
        ssize_t n = ::recvfrom(sock_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromlen);
        if (n < 0) continue;
        const auto received = std::chrono::steady_clock::now();

        FakeRequest req;
        req.bytes.assign(buf.begin(), buf.begin() + n);
        std::memcpy(req.from.data(), &from.sin_addr, 4);
        req.fromPort = ntohs(from.sin_port);
        decode_request(req);
        {
            std::lock_guard<std::mutex> g(lock_);
            req.number = static_cast<int>(requests_.size());
        }
        std::vector<FakeSend> sends;
        {
            std::lock_guard<std::mutex> g(handlerLock_);
            if (handler_) sends = handler_(req);
        }
        // The request is on record before any answer leaves, so a test that
        // has its reply also sees the request counted.
        std::vector<Outgoing> now;
        {
            std::lock_guard<std::mutex> g(lock_);
            for (FakeSend &s : sends) {
                for (int c = 0; c < s.copies; ++c) {
                    Outgoing out{s.bytes, s.from, s.otherPort, req.from, req.fromPort};
                    if (s.delay.count() <= 0)
                        now.push_back(std::move(out));
                    else
                        scheduled_.emplace(received + s.delay, std::move(out));
                }
            }
            requests_.push_back(std::move(req));
            transmitting_ += static_cast<int>(now.size());
            changed_.notify_all();
        }
        for (const Outgoing &out : now) transmit(out);
        std::lock_guard<std::mutex> g(lock_);
        sent_ += static_cast<int>(now.size());
        transmitting_ -= static_cast<int>(now.size());
        changed_.notify_all();
    }
}

std::vector<std::uint32_t> fake_oid_arcs(const std::string &dotted) {
    std::vector<std::uint32_t> arcs;
    std::size_t p = 0;
    while (p < dotted.size()) {
        std::size_t dot = dotted.find('.', p);
        if (dot == std::string::npos) dot = dotted.size();
        arcs.push_back(static_cast<std::uint32_t>(std::stoul(dotted.substr(p, dot - p))));
        p = dot + 1;
    }
    return arcs;
}

void FakeMib::set(const std::string &oid, FakeBytes value) {
    objects[fake_oid_arcs(oid)] = FakeBinding{oid, std::move(value)};
}

void FakeMib::erase(const std::string &oid) { objects.erase(fake_oid_arcs(oid)); }

const FakeBytes *FakeMib::get(const std::string &oid) const {
    auto it = objects.find(fake_oid_arcs(oid));
    return it == objects.end() ? nullptr : &it->second.value;
}

const std::pair<const std::vector<std::uint32_t>, FakeBinding> *FakeMib::next(const std::string &oid) const {
    auto it = objects.upper_bound(fake_oid_arcs(oid));
    return it == objects.end() ? nullptr : &*it;
}

namespace {

FakeBytes hex_bytes(const std::string &hex) {
    FakeBytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace

FakeMib fake_mib_from_snmprec(const std::string &path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    FakeMib mib;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t a = line.find('|');
        std::size_t b = a == std::string::npos ? a : line.find('|', a + 1);
        if (b == std::string::npos) continue;
        std::string oid = line.substr(0, a), tag = line.substr(a + 1, b - a - 1), value = line.substr(b + 1);
        if (oid.empty() || oid.find_first_not_of("0123456789.") != std::string::npos) continue;
        try {
            if (tag == "2") {
                mib.set(oid, fake_int(std::stoll(value)));
            } else if (tag == "4") {
                mib.set(oid, fake_string(value));
            } else if (tag == "4x") {
                FakeBytes raw = hex_bytes(value);
                mib.set(oid, fake_string(std::string_view(reinterpret_cast<const char *>(raw.data()), raw.size())));
            } else if (tag == "5") {
                mib.set(oid, fake_null());
            } else if (tag == "6") {
                mib.set(oid, fake_oid(value.c_str()));
            } else if (tag == "64" || tag == "64x") {
                FakeBytes raw = tag == "64x" ? hex_bytes(value) : FakeBytes{};
                if (tag == "64") {
                    auto addr = parse_ipv4(value);
                    raw.assign(addr.begin(), addr.end());
                }
                if (raw.size() == 4) mib.set(oid, fake_ipaddr(raw[0], raw[1], raw[2], raw[3]));
            } else if (tag == "65") {
                mib.set(oid, fake_counter(static_cast<std::uint32_t>(std::stoull(value))));
            } else if (tag == "66") {
                mib.set(oid, fake_gauge(static_cast<std::uint32_t>(std::stoull(value))));
            } else if (tag == "67") {
                mib.set(oid, fake_timeticks(std::stoull(value)));
            }
        } catch (const std::exception &) {
            // A value this loader does not understand is left out, as a
            // recording's unknown types are.
        }
    }
    return mib;
}

FakeHandler fake_mib_handler(FakeMib mib) {
    // The agent calls its handler in place, so Set requests change what later
    // Gets see.
    return [m = std::move(mib)](const FakeRequest &req) mutable -> std::vector<FakeSend> {
        if (!req.decoded) return FakeAgent::drop();
        std::vector<FakeBinding> out;
        for (std::size_t i = 0; i < req.bindings.size(); ++i) {
            const FakeBinding &b = req.bindings[i];
            const int index = static_cast<int>(i + 1);
            if (req.pduTag == 0xa0) {
                const FakeBytes *v = m.get(b.oid);
                if (!v) return FakeAgent::reply(fake_error(req, 2, index));
                out.push_back(FakeBinding{b.oid, *v});
            } else if (req.pduTag == 0xa1) {
                auto *n = m.next(b.oid);
                if (!n) return FakeAgent::reply(fake_error(req, 2, index));
                out.push_back(n->second);
            } else if (req.pduTag == 0xa3) {
                m.set(b.oid, b.value);
                out.push_back(b);
            } else {
                return FakeAgent::reply(fake_error(req, 5, index));
            }
        }
        return FakeAgent::reply(fake_response(req, out));
    };
}

namespace {

// The binding a get-next from oid answers in SNMPv2c: the next object, or
// endOfMibView under the same name.
FakeBinding next_binding(const FakeMib &m, const std::string &oid) {
    auto *n = m.next(oid);
    return n ? n->second : FakeBinding{oid, fake_exception(END_OF_MIB_VIEW_TAG)};
}

std::vector<FakeBinding> bulk_bindings(const FakeMib &m, const FakeRequest &req) {
    const std::size_t n = req.bindings.size();
    const std::size_t nonRepeaters =
        req.nonRepeaters < 0 ? 0 : std::min(n, static_cast<std::size_t>(req.nonRepeaters));
    std::vector<FakeBinding> out;
    for (std::size_t i = 0; i < nonRepeaters; ++i) out.push_back(next_binding(m, req.bindings[i].oid));
    std::vector<std::string> cursor;
    for (std::size_t i = nonRepeaters; i < n; ++i) cursor.push_back(req.bindings[i].oid);
    for (std::int64_t r = 0; r < req.maxRepetitions && !cursor.empty(); ++r) {
        for (std::string &oid : cursor) {
            out.push_back(next_binding(m, oid));
            oid = out.back().oid;
        }
    }
    return out;
}

}  // namespace

FakeHandler fake_v2_mib_handler(FakeMib mib) {
    return [m = std::move(mib)](const FakeRequest &req) mutable -> std::vector<FakeSend> {
        if (!req.decoded) return FakeAgent::drop();
        if (req.pduTag == 0xa5) return FakeAgent::reply(fake_response(req, bulk_bindings(m, req)));
        std::vector<FakeBinding> out;
        for (const FakeBinding &b : req.bindings) {
            if (req.pduTag == 0xa0) {
                const FakeBytes *v = m.get(b.oid);
                out.push_back(FakeBinding{b.oid, v ? *v : fake_exception(NO_SUCH_OBJECT_TAG)});
            } else if (req.pduTag == 0xa1) {
                out.push_back(next_binding(m, b.oid));
            } else {
                m.set(b.oid, b.value);
                out.push_back(b);
            }
        }
        return FakeAgent::reply(fake_response(req, out));
    };
}
