// fault_agent: faults stacked on the scripted agent's answers.
#include "tests/support/fault_agent.h"

#include <memory>
#include <mutex>
#include <random>

namespace {

void count(FaultCounts *counts, std::atomic<int> FaultCounts::*field, int n = 1) {
    if (counts) (counts->*field) += n;
}

// Reads one BER header at bytes[pos]: tag, content length, header size.
bool read_header(const FakeBytes &b, std::size_t pos, std::size_t &content, std::size_t &header) {
    if (pos + 2 > b.size()) return false;
    std::size_t len = b[pos + 1];
    header = 2;
    if (len & 0x80) {
        std::size_t n = len & 0x7f;
        if (n == 0 || n > 4 || pos + 2 + n > b.size()) return false;
        len = 0;
        for (std::size_t i = 0; i < n; ++i) len = (len << 8) | b[pos + 2 + i];
        header += n;
    }
    content = len;
    return pos + header + len <= b.size();
}

bool limited(int n, int done) { return n < 0 || done < n; }

}  // namespace

FakeHandler with_faults(FakeHandler inner, std::vector<FaultStep> steps) {
    return [inner = std::move(inner), steps = std::move(steps)](const FakeRequest &req) mutable {
        std::vector<FakeSend> out = inner(req);
        for (FaultStep &step : steps) out = step(req, std::move(out));
        return out;
    };
}

FaultStep fault_drop_first(int n, FaultCounts *counts) {
    return [n, counts](const FakeRequest &req, std::vector<FakeSend> out) {
        count(counts, &FaultCounts::requests);
        if (req.number >= n) return out;
        count(counts, &FaultCounts::requestsDropped);
        return std::vector<FakeSend>{};
    };
}

FaultStep fault_drop_fraction(double p, std::uint32_t seed, FaultCounts *counts) {
    auto generator = std::make_shared<std::mt19937>(seed);
    return [p, generator, counts](const FakeRequest &, std::vector<FakeSend> out) {
        std::bernoulli_distribution lost(p);
        count(counts, &FaultCounts::requests);
        if (lost(*generator)) {
            count(counts, &FaultCounts::requestsDropped);
            return std::vector<FakeSend>{};
        }
        std::vector<FakeSend> kept;
        for (FakeSend &s : out) {
            if (lost(*generator))
                count(counts, &FaultCounts::repliesDropped);
            else
                kept.push_back(std::move(s));
        }
        return kept;
    };
}

FaultStep fault_delay(std::chrono::milliseconds delay) {
    return [delay](const FakeRequest &, std::vector<FakeSend> out) {
        for (FakeSend &s : out) s.delay += delay;
        return out;
    };
}

FaultStep fault_duplicate(int copies, FaultCounts *counts) {
    return [copies, counts](const FakeRequest &, std::vector<FakeSend> out) {
        for (FakeSend &s : out) {
            s.copies = copies;
            count(counts, &FaultCounts::injected, copies - 1);
        }
        return out;
    };
}

FaultStep fault_late_reply(FaultCounts *counts) {
    auto previous = std::make_shared<FakeBytes>();
    return [previous, counts](const FakeRequest &, std::vector<FakeSend> out) {
        if (out.empty()) return out;
        std::vector<FakeSend> sends;
        if (!previous->empty()) {
            FakeSend late;
            late.bytes = *previous;
            late.delay = out.front().delay;
            sends.push_back(std::move(late));
            count(counts, &FaultCounts::injected);
        }
        *previous = out.back().bytes;
        for (FakeSend &s : out) sends.push_back(std::move(s));
        return sends;
    };
}

bool fault_find_request_id(const FakeBytes &m, std::size_t &offset, std::size_t &length) {
    // SEQUENCE { version INTEGER, community OCTET STRING, PDU { request-id ... } }
    std::size_t content = 0, header = 0;
    if (m.empty() || m[0] != 0x30 || !read_header(m, 0, content, header)) return false;
    std::size_t pos = header;
    for (int skip = 0; skip < 2; ++skip) {
        if (!read_header(m, pos, content, header)) return false;
        pos += header + content;
    }
    if (!read_header(m, pos, content, header)) return false;
    pos += header;
    if (pos >= m.size() || m[pos] != 0x02 || !read_header(m, pos, content, header) || content == 0) return false;
    offset = pos + header;
    length = content;
    return true;
}

FaultStep fault_wrong_request_id(int n, FaultCounts *counts) {
    auto done = std::make_shared<int>(0);
    return [n, done, counts](const FakeRequest &, std::vector<FakeSend> out) {
        for (FakeSend &s : out) {
            std::size_t offset = 0, length = 0;
            if (!limited(n, *done) || !fault_find_request_id(s.bytes, offset, length)) continue;
            // Flipping the lowest bit keeps the INTEGER's length and sign.
            s.bytes[offset + length - 1] ^= 0x01;
            ++*done;
            count(counts, &FaultCounts::injected);
        }
        return out;
    };
}

FaultStep fault_spoofed_ids(int copies, FaultCounts *counts) {
    return [copies, counts](const FakeRequest &, std::vector<FakeSend> out) {
        std::vector<FakeSend> sends;
        for (FakeSend &s : out) {
            std::size_t offset = 0, length = 0;
            for (int k = 1; k <= copies && fault_find_request_id(s.bytes, offset, length); ++k) {
                // The low bits change, the INTEGER's length and sign stay.
                FakeSend spoofed = s;
                spoofed.bytes[offset + length - 1] ^= static_cast<unsigned char>(k & 0x7f);
                sends.push_back(std::move(spoofed));
                count(counts, &FaultCounts::injected);
            }
            sends.push_back(std::move(s));
        }
        return sends;
    };
}

namespace {

// Every reply also sent once more as moved makes it, before the real one;
// with replace set, only so.
FaultStep resend_moved(std::function<void(FakeSend &)> moved, bool replace, FaultCounts *counts) {
    return [moved, replace, counts](const FakeRequest &, std::vector<FakeSend> out) {
        std::vector<FakeSend> sends;
        for (FakeSend &s : out) {
            FakeSend stray = s;
            moved(stray);
            sends.push_back(std::move(stray));
            count(counts, &FaultCounts::injected);
            if (!replace) sends.push_back(std::move(s));
        }
        return sends;
    };
}

}  // namespace

FaultStep fault_stray(const std::string &address, bool replace, FaultCounts *counts) {
    return resend_moved([address](FakeSend &s) { s.from = address; }, replace, counts);
}

FaultStep fault_other_port(bool replace, FaultCounts *counts) {
    return resend_moved([](FakeSend &s) { s.otherPort = true; }, replace, counts);
}

FaultStep fault_flood(std::vector<std::string> addresses, int copies, FaultCounts *counts) {
    return [addresses = std::move(addresses), copies, counts](const FakeRequest &, std::vector<FakeSend> out) {
        if (out.empty()) return out;
        std::vector<FakeSend> sends;
        for (const std::string &address : addresses) {
            FakeSend junk{{0x30, 0x03, 0x02, 0x01, 0x00}, out.front().delay, address, copies, address.empty()};
            sends.push_back(std::move(junk));
            count(counts, &FaultCounts::injected, copies);
        }
        for (FakeSend &s : out) sends.push_back(std::move(s));
        return sends;
    };
}

FaultStep fault_truncate(std::size_t length, int n, FaultCounts *counts) {
    auto done = std::make_shared<int>(0);
    return [length, n, done, counts](const FakeRequest &, std::vector<FakeSend> out) {
        for (FakeSend &s : out) {
            if (!limited(n, *done) || s.bytes.size() <= length) continue;
            s.bytes.resize(length);
            ++*done;
            count(counts, &FaultCounts::injected);
        }
        return out;
    };
}

FaultStep fault_oversize(std::size_t size, int n, FaultCounts *counts) {
    auto done = std::make_shared<int>(0);
    return [size, n, done, counts](const FakeRequest &req, std::vector<FakeSend> out) {
        for (FakeSend &s : out) {
            if (!limited(n, *done) || req.bindings.empty()) continue;
            std::vector<FakeBinding> bindings = req.bindings;
            // Grow the padding until the whole message reaches size.
            std::size_t pad = size;
            FakeBytes bytes;
            for (int i = 0; i < 3; ++i) {
                bindings[0].value = fake_string(std::string(pad, 'x'));
                bytes = fake_response(req, bindings);
                if (bytes.size() == size) break;
                pad = pad + size - bytes.size();
            }
            s.bytes = std::move(bytes);
            ++*done;
            count(counts, &FaultCounts::injected);
        }
        return out;
    };
}

FaultStep fault_error_status(const std::string &prefix, int errorStatus, int errorIndex, FaultCounts *counts) {
    return [prefix, errorStatus, errorIndex, counts](const FakeRequest &req, std::vector<FakeSend> out) {
        if (req.bindings.empty() || req.bindings[0].oid.compare(0, prefix.size(), prefix) != 0) return out;
        for (FakeSend &s : out) {
            s.bytes = fake_error(req, errorStatus, errorIndex);
            count(counts, &FaultCounts::injected);
        }
        return out;
    };
}

FakeBytes fake_opaque(const FakeBytes &content) {
    FakeBytes b = fake_string(std::string(content.begin(), content.end()));
    b[0] = 0x44;
    return b;
}

namespace {

// Row index of oid under column ("column.N" gives N), or false.
bool row_of(const std::string &oid, const std::string &column, std::uint32_t &row) {
    if (oid.size() <= column.size() + 1 || oid.compare(0, column.size(), column) != 0 ||
        oid[column.size()] != '.')
        return false;
    const std::string rest = oid.substr(column.size() + 1);
    if (rest.find('.') != std::string::npos || rest.find_first_not_of("0123456789") != std::string::npos)
        return false;
    row = static_cast<std::uint32_t>(std::stoul(rest));
    return true;
}

}  // namespace

FakeHandler fault_walk_handler(FakeMib mib, const std::string &column, std::uint32_t fromRow, WalkFault fault,
                               FaultCounts *counts) {
    FakeHandler inner = fake_mib_handler(mib);
    return [inner, mib = std::move(mib), column, fromRow, fault, counts](const FakeRequest &req) mutable {
        std::uint32_t row = 0;
        if (req.pduTag != 0xa1 || req.bindings.empty() || !row_of(req.bindings[0].oid, column, row) ||
            row < fromRow)
            return inner(req);
        std::vector<FakeBinding> out;
        for (const FakeBinding &b : req.bindings) {
            std::string oid = b.oid;
            if (fault == WalkFault::SmallerOid) {
                // The first row of the binding's own column.
                const std::size_t dot = oid.rfind('.');
                oid = oid.substr(0, dot) + ".1";
            }
            const FakeBytes *v = mib.get(oid);
            out.push_back(FakeBinding{oid, v ? *v : fake_null()});
        }
        count(counts, &FaultCounts::injected);
        return FakeAgent::reply(fake_response(req, out));
    };
}

FakeHandler fault_endless_table(FakeMib mib, std::vector<std::string> columns,
                                std::function<FakeBytes(std::size_t, std::uint32_t)> value,
                                std::atomic<std::uint64_t> *rows) {
    FakeHandler inner = fake_mib_handler(std::move(mib));
    return [inner, columns = std::move(columns), value = std::move(value), rows](const FakeRequest &req) mutable {
        if (req.pduTag != 0xa1 || req.bindings.empty()) return inner(req);
        std::vector<FakeBinding> out;
        for (const FakeBinding &b : req.bindings) {
            std::size_t c = 0;
            std::uint32_t row = 0;
            for (; c < columns.size(); ++c) {
                if (b.oid == columns[c] || row_of(b.oid, columns[c], row)) break;
            }
            if (c == columns.size()) return inner(req);
            out.push_back(FakeBinding{columns[c] + "." + std::to_string(row + 1), value(c, row + 1)});
        }
        if (rows) ++*rows;
        return FakeAgent::reply(fake_response(req, out));
    };
}
