// Fuzzer: decode arbitrary bytes as an SNMP message, then re-encode, print and
// take apart whatever decoded, checking that the encodings stay consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"

namespace {

using Bytes = std::vector<unsigned char>;

void check(bool ok) {
    if (!ok) std::abort();
}

// The value's chain, own first chunk to own last chunk.
Bytes chain(BerBase &v) {
    Bytes out;
    BerEncodedData *last = v.lastChunk();
    for (BerEncodedData *d = v.getdata();; d = d->next) {
        check(d != nullptr);
        out.insert(out.end(), d->Data(), d->Data() + d->Length());
        if (d == last) return out;
    }
}

Bytes flat(BerBase &v) {
    std::unique_ptr<BerEncodedData> e = v.encode();
    return Bytes(e->Data(), e->Data() + e->Length());
}

// Print into an exact-size heap buffer so AddressSanitizer sees any write beyond it.
void print_all_sizes(const BerBase &v) {
    static std::vector<char> big(1 << 16);
    int n = v.print(big.data(), big.size());
    if (n < 0) return;
    check(static_cast<std::size_t>(n) < big.size());
    for (std::size_t size : {std::size_t(n), std::size_t(n) + 1, std::size_t(n) / 2}) {
        std::unique_ptr<char[]> buf = std::make_unique<char[]>(size ? size : 1);
        int r = v.print(buf.get(), size);
        check(r == -1 || r == n);
        if (r == n) check(std::memcmp(buf.get(), big.data(), static_cast<std::size_t>(n)) == 0);
    }
}

// Every value in the tree: print it, and for strings copy them into small buffers.
void visit(BerBase &v, int depth) {
    check(depth <= BER_MAX_DEPTH + 1);
    print_all_sizes(v);
    if (auto *s = dynamic_cast<BerString *>(&v)) {
        for (std::size_t len :
             {std::size_t(0), std::size_t(1), std::size_t(8), std::size_t(s->stringlen) + 2}) {
            std::unique_ptr<char[]> buf = std::make_unique<char[]>(len ? len : 1);
            check(s->copy(buf.get(), len) == s->stringlen);
        }
    }
    if (auto *o = dynamic_cast<BerOid *>(&v)) check(o->prefixEquals(*o));
    if (auto *seq = dynamic_cast<BerSequence *>(&v)) {
        for (std::size_t k = 0; k < seq->count(); ++k) visit(*seq->peek(k), depth + 1);
    }
}

// Take each child out of a copy of the sequence and check both parts encode alone.
void extract_each(const Bytes &encoded) {
    BerSequence probe(std::span<const unsigned char>(encoded.data(), encoded.size()));
    std::size_t n = probe.count();
    for (std::size_t k = 0; k < n; ++k) {
        BerSequence s(std::span<const unsigned char>(encoded.data(), encoded.size()));
        Bytes before = chain(s);
        std::unique_ptr<BerBase> x = s.extract(k);
        check(x != nullptr);
        // A decoded scalar keeps its received bytes (encode() would make the
        // program's own form); a sequence's flat copy equals its chain.
        Bytes child = chain(*x);
        if (dynamic_cast<BerSequence *>(x.get())) check(flat(*x) == child);
        Bytes after = chain(s);
        check(after == flat(s));
        check(static_cast<std::size_t>(s.len()) + child.size() == static_cast<std::size_t>(probe.len()));
        // Put it back at the end: the list grows by exactly its bytes.
        s.append(std::move(x));
        check(static_cast<std::size_t>(s.len()) == static_cast<std::size_t>(probe.len()));
        check(chain(s) == flat(s));
    }
    if (n > 0) check(probe.extract(n) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Bytes once;
    try {
        BerSequence msg(std::span<const unsigned char>(data, size));
        once = flat(msg);
        check(chain(msg) == once);
        check(once.size() <= size + 8);
        visit(msg, 0);
    } catch (const BerDecodeError &) {
        return 0;
    }
    // What decoded once decodes again to the same bytes.
    BerSequence again(std::span<const unsigned char>(once.data(), once.size()));
    check(flat(again) == once);
    extract_each(once);
    return 0;
}
