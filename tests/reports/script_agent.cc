// Scripted SNMPv1 agent with its own small BER reader and writer.
#include "tests/reports/script_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace script_agent {

Oid parse_oid(const std::string &dotted) {
    Oid oid;
    std::stringstream in(dotted);
    std::string part;
    while (std::getline(in, part, '.')) oid.push_back(static_cast<std::uint32_t>(std::stoul(part)));
    return oid;
}

std::string oid_text(const Oid &oid) {
    std::string out;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        if (i) out += '.';
        out += std::to_string(oid[i]);
    }
    return out;
}

namespace {

std::string encode_length(std::size_t n) {
    if (n < 0x80) return std::string(1, static_cast<char>(n));
    std::string bytes;
    while (n) {
        bytes.insert(bytes.begin(), static_cast<char>(n & 0xff));
        n >>= 8;
    }
    return std::string(1, static_cast<char>(0x80 | bytes.size())) + bytes;
}

std::string tlv(int tag, const std::string &content) {
    return std::string(1, static_cast<char>(tag)) + encode_length(content.size()) + content;
}

std::string int_content(std::int64_t v) {
    std::string out;
    for (int i = 7; i >= 0; --i) out += static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xff);
    // Minimal two's complement: drop leading bytes that repeat the sign.
    while (out.size() > 1) {
        auto b0 = static_cast<unsigned char>(out[0]), b1 = static_cast<unsigned char>(out[1]);
        if ((b0 == 0x00 && !(b1 & 0x80)) || (b0 == 0xff && (b1 & 0x80)))
            out.erase(out.begin());
        else
            break;
    }
    return out;
}

std::string oid_content(const Oid &oid) {
    std::string out;
    if (oid.size() < 2) throw std::invalid_argument("short OID");
    std::vector<std::uint32_t> subs{oid[0] * 40 + oid[1]};
    subs.insert(subs.end(), oid.begin() + 2, oid.end());
    for (std::uint32_t s : subs) {
        std::string enc(1, static_cast<char>(s & 0x7f));
        s >>= 7;
        while (s) {
            enc.insert(enc.begin(), static_cast<char>(0x80 | (s & 0x7f)));
            s >>= 7;
        }
        out += enc;
    }
    return out;
}

// Bounded reader of one TLV at a time.
struct Reader {
    const unsigned char *p;
    std::size_t left;

    void need(std::size_t n) const {
        if (n > left) throw std::runtime_error("truncated");
    }
    int tag_and_content(std::string &content) {
        need(2);
        int tag = p[0];
        std::size_t len = p[1];
        std::size_t hdr = 2;
        if (len & 0x80) {
            std::size_t nb = len & 0x7f;
            if (nb == 0 || nb > 4) throw std::runtime_error("bad length");
            need(2 + nb);
            len = 0;
            for (std::size_t i = 0; i < nb; ++i) len = (len << 8) | p[2 + i];
            hdr += nb;
        }
        need(hdr + len);
        content.assign(reinterpret_cast<const char *>(p + hdr), len);
        p += hdr + len;
        left -= hdr + len;
        return tag;
    }
};

std::int64_t int_of(const std::string &c) {
    std::int64_t v = (!c.empty() && (static_cast<unsigned char>(c[0]) & 0x80)) ? -1 : 0;
    for (unsigned char b : c) v = static_cast<std::int64_t>((static_cast<std::uint64_t>(v) << 8) | b);
    return v;
}

Oid oid_of(const std::string &c) {
    Oid oid;
    std::uint32_t acc = 0;
    bool first = true;
    for (unsigned char b : c) {
        acc = (acc << 7) | (b & 0x7f);
        if (b & 0x80) continue;
        if (first) {
            oid.push_back(acc < 80 ? acc / 40 : 2);
            oid.push_back(acc < 80 ? acc % 40 : acc - 80);
            first = false;
        } else {
            oid.push_back(acc);
        }
        acc = 0;
    }
    return oid;
}

std::optional<Request> decode_request(const unsigned char *data, std::size_t len) {
    try {
        Reader msg{data, len};
        std::string body;
        if (msg.tag_and_content(body) != 0x30) return std::nullopt;
        Reader r{reinterpret_cast<const unsigned char *>(body.data()), body.size()};
        std::string version, community, pdu;
        r.tag_and_content(version);
        r.tag_and_content(community);
        Request req;
        req.community = community;
        req.pduTag = r.tag_and_content(pdu);
        Reader pr{reinterpret_cast<const unsigned char *>(pdu.data()), pdu.size()};
        std::string id, es, ei, list;
        pr.tag_and_content(id);
        pr.tag_and_content(es);
        pr.tag_and_content(ei);
        pr.tag_and_content(list);
        req.requestId = int_of(id);
        Reader lr{reinterpret_cast<const unsigned char *>(list.data()), list.size()};
        while (lr.left > 0) {
            std::string vb;
            lr.tag_and_content(vb);
            Reader br{reinterpret_cast<const unsigned char *>(vb.data()), vb.size()};
            std::string oid, value;
            br.tag_and_content(oid);
            int tag = br.tag_and_content(value);
            req.bindings.push_back(Binding{oid_text(oid_of(oid)), Value{tag, value}});
        }
        return req;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::string encode_reply(const Request &req, const Reply &reply) {
    std::string list;
    for (const Binding &b : reply.bindings)
        list += tlv(0x30, tlv(0x06, oid_content(parse_oid(b.oid))) + tlv(b.value.tag, b.value.content));
    std::string pdu = tlv(0x02, int_content(req.requestId)) + tlv(0x02, int_content(reply.errorStatus)) +
                      tlv(0x02, int_content(reply.errorIndex)) + tlv(0x30, list);
    return tlv(0x30, tlv(0x02, int_content(0)) + tlv(0x04, req.community) + tlv(0xa2, pdu));
}

}  // namespace

Value integer(std::int64_t v) { return Value{0x02, int_content(v)}; }
Value counter(std::uint32_t v) { return Value{0x41, int_content(v)}; }
Value octets(const std::string &bytes) { return Value{0x04, bytes}; }
Value ipaddr(unsigned a, unsigned b, unsigned c, unsigned d) {
    return Value{0x40, std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                   static_cast<char>(d)}};
}
Value oid_value(const std::string &dotted) { return Value{0x06, oid_content(parse_oid(dotted))}; }

ScriptAgent::ScriptAgent() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sin.sin_port = 0;
    if (::bind(fd_, reinterpret_cast<sockaddr *>(&sin), sizeof sin) != 0) throw std::runtime_error("bind");
    socklen_t sl = sizeof sin;
    ::getsockname(fd_, reinterpret_cast<sockaddr *>(&sin), &sl);
    port_ = ntohs(sin.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptAgent::~ScriptAgent() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

void ScriptAgent::set(const std::string &oid, Value value) {
    std::lock_guard<std::mutex> g(lock_);
    mib_[parse_oid(oid)] = std::move(value);
}

void ScriptAgent::erase(const std::string &oid) {
    std::lock_guard<std::mutex> g(lock_);
    mib_.erase(parse_oid(oid));
}

void ScriptAgent::refuse(const std::string &oid, int status) {
    std::lock_guard<std::mutex> g(lock_);
    refused_[oid] = status;
}

void ScriptAgent::script(std::function<std::optional<Reply>(const Request &)> hook) {
    std::lock_guard<std::mutex> g(lock_);
    hook_ = std::move(hook);
}

std::vector<Request> ScriptAgent::requests() const {
    std::lock_guard<std::mutex> g(lock_);
    return requests_;
}

void ScriptAgent::clear_requests() {
    std::lock_guard<std::mutex> g(lock_);
    requests_.clear();
}

Reply ScriptAgent::answer(const Request &req) {
    std::lock_guard<std::mutex> g(lock_);
    requests_.push_back(req);
    if (hook_) {
        if (std::optional<Reply> r = hook_(req)) return *r;
    }
    Reply reply;
    for (std::size_t i = 0; i < req.bindings.size(); ++i) {
        const Binding &b = req.bindings[i];
        auto refused = refused_.find(b.oid);
        if (refused != refused_.end()) {
            return Reply{false, refused->second, static_cast<int>(i + 1), req.bindings};
        }
        Oid oid = parse_oid(b.oid);
        if (req.pduTag == 0xa0) {
            auto it = mib_.find(oid);
            if (it == mib_.end()) return Reply{false, 2, static_cast<int>(i + 1), req.bindings};
            reply.bindings.push_back(Binding{b.oid, it->second});
        } else if (req.pduTag == 0xa1) {
            auto it = mib_.upper_bound(oid);
            if (it == mib_.end()) return Reply{false, 2, static_cast<int>(i + 1), req.bindings};
            reply.bindings.push_back(Binding{oid_text(it->first), it->second});
        } else {
            reply.bindings.push_back(b);
        }
    }
    return reply;
}

void ScriptAgent::serve() {
    unsigned char buf[65536];
    while (!stop_) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, 50) <= 0) continue;
        sockaddr_in from{};
        socklen_t fl = sizeof from;
        ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fl);
        if (n <= 0) continue;
        std::optional<Request> req = decode_request(buf, static_cast<std::size_t>(n));
        if (!req) continue;
        Reply reply = answer(*req);
        if (silent_ || reply.drop) continue;
        std::string out = encode_reply(*req, reply);
        ::sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<sockaddr *>(&from), fl);
    }
}

}  // namespace script_agent
