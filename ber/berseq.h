// berseq: constructed values (message, PDU, binding list, binding) and the decoding of a received packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ber/ber.h"

// A constructed value. Owns its children; they are also linked in order
// through their `next` field (non-owning) for walkers such as OidSeq.
// Its own chunk holds only tag and length; the children's chunks follow it
// in the chain that getdata() links, so nothing is copied until encode().
class BerSequence : public BerBase {
 public:
    // A sequence with tag and count children, in order (each non-null; count
    // must equal the number given). Example:
    //   BerSequence(SEQUENCE_TAG, 2, std::move(oid), std::make_unique<BerNull>())
    template <class... Children>
    BerSequence(int tag, int count, std::unique_ptr<Children>... children) : tag_(tag) {
        check_count(count, sizeof...(Children));
        (append(std::unique_ptr<BerBase>(std::move(children))), ...);
    }

    // Decodes the constructed value whose tag byte is in[0], reading only the
    // bytes of in; the whole tree below it is built. Throws BerDecodeError on
    // anything malformed; nothing leaks. syntax V2 also accepts Counter64 and
    // the exceptions (SNMPv2c and SNMPv3 replies).
    explicit BerSequence(std::span<const unsigned char> in, BerSyntax syntax = BerSyntax::V1);
    BerSequence(const unsigned char *str, std::size_t avail)
        : BerSequence(std::span<const unsigned char>(str, avail)) {}

    ~BerSequence() override;

    // Decoding of a nested value; only the decoder itself can name Depth.
    class Depth {
        friend class BerSequence;
        Depth(int d, BerSyntax s) : level(d), syntax(s) {}
        int level;
        BerSyntax syntax;
    };
    BerSequence(std::span<const unsigned char> in, Depth depth);

    // Adds count children after the last one (each non-null).
    template <class... Children>
    void append(int count, std::unique_ptr<Children>... children) {
        check_count(count, sizeof...(Children));
        (append(std::unique_ptr<BerBase>(std::move(children))), ...);
    }
    void append(std::unique_ptr<BerBase> child);

    // Child at position n (from 0), or null; the sequence keeps it.
    BerBase *peek(std::size_t n) const;
    // Takes the child at position n out and hands it to the caller, or null.
    std::unique_ptr<BerBase> extract(std::size_t n);

    BerEncodedData *getdata() override;
    // One new chunk with the whole encoding in one buffer.
    std::unique_ptr<BerEncodedData> encode() override;
    // "( " then each child's form and a space, then ")"; no NUL follows.
    int print(char *buf, std::size_t size) const override;
    BerEncodedData *lastChunk() override;

    int tag() const { return tag_; }
    // Content length: the sum of the children's full encoded sizes.
    std::int64_t len() const { return len_; }
    std::size_t count() const { return children_.size(); }
    BerBase *head() const { return children_.empty() ? nullptr : children_.front().get(); }
    BerBase *tail() const { return children_.empty() ? nullptr : children_.back().get(); }

 protected:
    int encodeTag() const override { return tag_; }

 private:
    void decode_children(std::span<const unsigned char> content, Depth depth);
    static std::unique_ptr<BerBase> decode_child(std::span<const unsigned char> item, Depth depth);
    void link_child(std::unique_ptr<BerBase> child);
    static void check_count(int count, std::size_t given);
    void remake_header();

    int tag_;
    std::int64_t len_ = 0;
    std::vector<std::unique_ptr<BerBase>> children_;
};
