// berseq: constructed values and the decoding of a received packet into a tree of values.
#include "ber/berseq.h"

#include <cstdio>
#include <cstring>

#include "ber/beroid.h"
#include "ber/berv2.h"

namespace {

// Bytes of the chain from first to last, both included.
std::size_t chain_size(const BerEncodedData *first, const BerEncodedData *last) {
    std::size_t total = 0;
    for (const BerEncodedData *d = first;; d = d->next) {
        if (!d) throw std::logic_error("BerSequence: broken chain");
        total += d->Length();
        if (d == last) return total;
    }
}

std::unique_ptr<BerEncodedData> header_chunk(int tag, std::size_t length) {
    unsigned char hdr[6];
    const std::size_t h = write_header(tag, length, hdr);
    return std::make_unique<BerEncodedData>(std::span<const unsigned char>(hdr, h));
}

}  // namespace

void BerSequence::check_count(int count, std::size_t given) {
    if (count < 0 || static_cast<std::size_t>(count) != given)
        throw std::logic_error("BerSequence: count differs from the children given");
}

BerSequence::~BerSequence() = default;

BerSequence::BerSequence(std::span<const unsigned char> in, BerSyntax syntax)
    : BerSequence(in, Depth(0, syntax)) {}

BerSequence::BerSequence(std::span<const unsigned char> in, Depth depth) : tag_(0) {
    if (depth.level > BER_MAX_DEPTH) throw BerDecodeError("nesting too deep");
    if (in.empty()) throw BerDecodeError("truncated header");
    tag_ = in[0];
    if (!(tag_ & CONSTRUCTOR_TAG)) {
        char reason[40];
        std::snprintf(reason, sizeof reason, "unsupported tag 0x%02x", static_cast<unsigned>(tag_));
        throw BerDecodeError(reason);
    }
    unsigned char headerlen = 0;
    std::uint64_t len = unpack_len(in.data(), in.size(), headerlen);
    if (len > in.size() - headerlen) throw BerDecodeError("length runs past the data");
    decode_children(in.subspan(headerlen, static_cast<std::size_t>(len)), depth);
    // The own chunk is made afresh from what the children add up to, so a
    // non-minimal received length field of a sequence is not kept.
    edatacache = header_chunk(tag_, static_cast<std::size_t>(len_));
    edatacache->next = children_.empty() ? nullptr : children_.front()->getdata();
}

void BerSequence::decode_children(std::span<const unsigned char> content, Depth depth) {
    // First pass over the headers only: each child must lie inside its parent's
    // bounds, and knowing the count makes the child list one allocation.
    std::size_t count = 0;
    for (std::size_t p = 0; p < content.size(); ++count) {
        std::size_t size = 0;
        if (const char *problem = measure_value(content.data() + p, content.size() - p, size))
            throw BerDecodeError(std::string("child overruns its parent: ") + problem);
        p += size;
    }
    children_.reserve(count);
    std::size_t p = 0;
    while (p < content.size()) {
        std::span<const unsigned char> rest = content.subspan(p);
        std::size_t size = ber_value_size(rest.data(), rest.size());
        link_child(decode_child(rest.first(size), depth));
        p += size;
    }
}

std::unique_ptr<BerBase> BerSequence::decode_child(std::span<const unsigned char> item, Depth depth) {
    switch (item[0]) {
        case INT_TAG:
        case COUNTER_TAG:
            return std::make_unique<BerInt>(item);
        case STRING_TAG:
            return std::make_unique<BerString>(item);
        case NULL_TAG:
            return std::make_unique<BerNull>(item);
        case OID_TAG:
            return std::make_unique<BerOid>(item);
        case IPADDR_TAG:
            return std::make_unique<BerIPAddr>(item);
        case TIME_TICK_TAG:
            return std::make_unique<BerTimeTick>(item);
        default:
            break;
    }
    // In SNMPv1 replies Counter64 and the exceptions fall through to the
    // constructed-value decoder, which refuses their tags.
    if (depth.syntax == BerSyntax::V2)
        if (std::unique_ptr<BerBase> v2 = decode_v2_value(item)) return v2;
    return std::make_unique<BerSequence>(item, Depth(depth.level + 1, depth.syntax));
}

void BerSequence::link_child(std::unique_ptr<BerBase> child) {
    if (!child) throw std::logic_error("BerSequence: null child");
    len_ += static_cast<std::int64_t>(child->totalLength());
    BerBase *c = child.get();
    if (!children_.empty()) {
        BerBase *last = children_.back().get();
        last->next = c;
        // Keep a built chain built: the new child follows the old last one.
        last->lastChunk()->next = c->getdata();
    }
    c->next = nullptr;
    children_.push_back(std::move(child));
}

void BerSequence::append(std::unique_ptr<BerBase> child) {
    link_child(std::move(child));
    // The header no longer matches; the next getdata() makes a new one.
    edatacache.reset();
}

BerBase *BerSequence::peek(std::size_t n) const {
    return n < children_.size() ? children_[n].get() : nullptr;
}

void BerSequence::remake_header() {
    BerEncodedData *link = edatacache ? edatacache->next : nullptr;
    edatacache = header_chunk(tag_, static_cast<std::size_t>(len_));
    edatacache->next = link;
}

std::unique_ptr<BerBase> BerSequence::extract(std::size_t n) {
    if (n >= children_.size()) return nullptr;
    BerBase *x = children_[n].get();
    BerBase *prev = n > 0 ? children_[n - 1].get() : nullptr;
    BerBase *after = n + 1 < children_.size() ? children_[n + 1].get() : nullptr;

    len_ -= static_cast<std::int64_t>(x->totalLength());
    if (edatacache) remake_header();
    // Close the gap in the chain: what preceded X now leads to what followed it.
    BerEncodedData *before = prev ? prev->lastChunk() : edatacache.get();
    if (before) before->next = after ? after->getdata() : nullptr;
    x->lastChunk()->next = nullptr;

    if (prev) prev->next = after;
    x->next = nullptr;
    std::unique_ptr<BerBase> taken = std::move(children_[n]);
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(n));
    return taken;
}

BerEncodedData *BerSequence::getdata() {
    // Link the chain afresh on every call: own chunk, then each child's chain.
    // A child changed in place since it was added (a nested append) is then
    // still encoded correctly, and no link left from an earlier build is followed.
    std::size_t total = 0;
    BerEncodedData *first = nullptr;
    BerEncodedData *prev_last = nullptr;
    for (auto &c : children_) {
        BerEncodedData *f = c->getdata();
        BerEncodedData *l = c->lastChunk();
        total += chain_size(f, l);
        if (prev_last)
            prev_last->next = f;
        else
            first = f;
        prev_last = l;
    }
    if (!edatacache || static_cast<std::int64_t>(total) != len_) {
        len_ = static_cast<std::int64_t>(total);
        edatacache = header_chunk(tag_, total);
    }
    edatacache->next = first;
    return edatacache.get();
}

BerEncodedData *BerSequence::lastChunk() {
    if (!children_.empty()) return children_.back()->lastChunk();
    return edatacache ? edatacache.get() : getdata();
}

std::unique_ptr<BerEncodedData> BerSequence::encode() {
    BerEncodedData *own = getdata();
    unsigned char headerlen = 0;
    std::size_t len = static_cast<std::size_t>(len_);
    auto buf = pack_header(tag_, len, headerlen);
    std::size_t at = headerlen;
    if (!children_.empty()) {
        const BerEncodedData *last = lastChunk();
        for (const BerEncodedData *d = own->next;; d = d->next) {
            if (!d || d->Length() > len - (at - headerlen))
                throw std::logic_error("BerSequence: broken chain");
            std::memcpy(buf.get() + at, d->Data(), d->Length());
            at += d->Length();
            if (d == last) break;
        }
    }
    if (at != headerlen + len) throw std::logic_error("BerSequence: chain shorter than its length");
    return std::make_unique<BerEncodedData>(std::move(buf), at);
}

int BerSequence::print(char *buf, std::size_t size) const {
    if (size < 2) return -1;
    std::memcpy(buf, "( ", 2);
    std::size_t out = 2;
    for (const auto &c : children_) {
        int r = c->print(buf + out, size - out);
        if (r < 0) return -1;
        out += static_cast<std::size_t>(r);
        if (out >= size) return -1;
        buf[out++] = ' ';
    }
    if (out >= size) return -1;
    buf[out++] = ')';
    return static_cast<int>(out);
}
