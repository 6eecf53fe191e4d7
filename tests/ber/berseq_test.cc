// Sequences: building, chains of chunks, append/extract, printing, and decoding whole SNMPv1 messages.
#include "ber/berseq.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "tests/ber/ber_test_util.h"
#include "tests/ber/snmp_vectors.h"

namespace {

std::unique_ptr<BerSequence> binding(const char *oid, std::unique_ptr<BerBase> value) {
    return std::make_unique<BerSequence>(SEQUENCE_TAG, 2, std::make_unique<BerOid>(oid), std::move(value));
}

// The three-child sample: INTEGER 0, "A", and a GetResponse holding INTEGER 0.
const char *kSample = "30 0b 02 01 00 04 01 41 a2 03 02 01 00";

TEST(BerSequence, DecodesTheSample) {
    Bytes b = H(kSample);
    BerSequence s(S(b));
    EXPECT_EQ(s.tag(), SEQUENCE_TAG);
    EXPECT_EQ(s.len(), 11);
    ASSERT_EQ(s.count(), 3u);
    auto *i = dynamic_cast<BerInt *>(s.peek(0));
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->value, 0);
    auto *str = dynamic_cast<BerString *>(s.peek(1));
    ASSERT_NE(str, nullptr);
    EXPECT_EQ(str->stringlen, 1u);
    EXPECT_EQ(str->data[0], 'A');
    auto *pdu = dynamic_cast<BerSequence *>(s.peek(2));
    ASSERT_NE(pdu, nullptr);
    EXPECT_EQ(pdu->type(), GET_RESP_TAG);
    ASSERT_EQ(pdu->count(), 1u);
    EXPECT_EQ(dynamic_cast<BerInt *>(pdu->peek(0))->value, 0);
    EXPECT_EQ(s.peek(3), nullptr);
    // Children are linked through next, in order.
    EXPECT_EQ(s.head(), s.peek(0));
    EXPECT_EQ(s.peek(0)->next, s.peek(1));
    EXPECT_EQ(s.peek(1)->next, s.peek(2));
    EXPECT_EQ(s.peek(2)->next, nullptr);
    EXPECT_EQ(s.tail(), s.peek(2));

    EXPECT_TRUE(SameBytes(b, chain_bytes(s)));
    EXPECT_TRUE(SameBytes(b, chain_to_end(s)));
    EXPECT_TRUE(SameBytes(b, chunk_bytes(*s.encode())));
    EXPECT_EQ(s.totalLength(), 13u);
    EXPECT_EQ(printed(s), "( 0 A ( 0 ) )");
}

TEST(BerSequence, DecodesEveryValueClassOfAResponse) {
    Bytes b = H(kResponse);
    BerSequence msg(S(b));
    auto *pdu = dynamic_cast<BerSequence *>(msg.peek(2));
    ASSERT_NE(pdu, nullptr);
    auto *list = dynamic_cast<BerSequence *>(pdu->peek(3));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 7u);
    const int types[] = {STRING_TAG, TIME_TICK_TAG, COUNTER_TAG, IPADDR_TAG, OID_TAG, INT_TAG, STRING_TAG};
    for (std::size_t k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        auto *bind = dynamic_cast<BerSequence *>(list->peek(k));
        ASSERT_NE(bind, nullptr);
        EXPECT_EQ(bind->type(), SEQUENCE_TAG);
        EXPECT_EQ(bind->peek(0)->type(), OID_TAG);
        EXPECT_EQ(bind->peek(1)->type(), types[k]);
        // The value is reached as the next sibling of the identifier.
        EXPECT_EQ(bind->peek(0)->next, bind->peek(1));
    }
    // A Counter decodes as BerInt, unsigned.
    auto *counter = dynamic_cast<BerInt *>(dynamic_cast<BerSequence *>(list->peek(2))->peek(1));
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->value, 4294967295LL);
    EXPECT_EQ(printed(msg, 1024),
              "( 0 public ( 4660 0 0 ( ( 1.3.6.1.2.1.1.1.0 HP ETHERNET MULTI-ENVIRONMENT ) "
              "( 1.3.6.1.2.1.1.3.0 Time: 0d 0h 20m 34.56sec (123456) ) "
              "( 1.3.6.1.2.1.2.2.1.10.1 4294967295 ) "
              "( 1.3.6.1.2.1.4.20.1.1.192.168.1.5 192.168.1.5; ) "
              "( 1.3.6.1.2.1.1.2.0 1.3.6.1.4.1.11.2.3.9.1 ) "
              "( 1.3.6.1.2.1.25.2.2.0 65536 ) "
              "( 1.3.6.1.2.1.2.2.1.6.1 \\0x000\\0xc1\\0x124V ) ) ) )");
    EXPECT_TRUE(SameBytes(b, chain_to_end(msg)));
    EXPECT_TRUE(SameBytes(b, chunk_bytes(*msg.encode())));
}

TEST(BerSequence, EveryValidMessageReencodesToItsBytes) {
    for (const auto &v : kMessages) {
        SCOPED_TRACE(v.name);
        Bytes b = H(v.bytes);
        BerSequence s(S(b));
        EXPECT_TRUE(SameBytes(b, chain_to_end(s)));
        EXPECT_TRUE(SameBytes(b, chunk_bytes(*s.encode())));
    }
}

TEST(BerSequence, BuildsAGetRequestLikeAnAgentExpects) {
    auto list = std::make_unique<BerSequence>(SEQUENCE_TAG, 1,
                                              binding("1.3.6.1.2.1.1.1.0", std::make_unique<BerNull>()));
    auto pdu =
        std::make_unique<BerSequence>(0xa0, 4, std::make_unique<BerInt>(0x1234), std::make_unique<BerInt>(0),
                                      std::make_unique<BerInt>(0), std::move(list));
    BerSequence msg(SEQUENCE_TAG, 3, std::make_unique<BerInt>(0), std::make_unique<BerString>("public", 6),
                    std::move(pdu));
    EXPECT_EQ(msg.type(), SEQUENCE_TAG);
    Bytes want = H(kGetRequest);
    EXPECT_TRUE(SameBytes(want, chunk_bytes(*msg.encode())));
    EXPECT_TRUE(SameBytes(want, chain_to_end(msg)));
    EXPECT_EQ(msg.totalLength(), want.size());
    EXPECT_EQ(printed(msg), "( 0 public ( 4660 0 0 ( ( 1.3.6.1.2.1.1.1.0 NULL ) ) ) )");
}

TEST(BerSequence, EmptyAndPeek) {
    BerSequence empty(SEQUENCE_TAG, 0);
    EXPECT_EQ(empty.peek(0), nullptr);
    EXPECT_EQ(empty.head(), nullptr);
    EXPECT_EQ(empty.len(), 0);
    EXPECT_EQ(empty.extract(0), nullptr);
    EXPECT_TRUE(SameBytes(H("30 00"), chunk_bytes(*empty.encode())));
    EXPECT_TRUE(SameBytes(H("30 00"), chain_to_end(empty)));
    EXPECT_EQ(printed(empty), "( )");

    BerSequence two(SEQUENCE_TAG, 2, std::make_unique<BerInt>(1), std::make_unique<BerInt>(2));
    EXPECT_NE(two.peek(1), nullptr);
    EXPECT_EQ(two.peek(2), nullptr);

    BerSequence decoded(S(H("30 00")));
    EXPECT_EQ(decoded.count(), 0u);
    EXPECT_EQ(BerSequence(S(H("30 80"))).count(), 0u);
}

TEST(BerSequence, ProgrammingErrorsAreRefused) {
    EXPECT_THROW(BerSequence(SEQUENCE_TAG, 2, std::make_unique<BerNull>()), std::logic_error);
    EXPECT_THROW(BerSequence(SEQUENCE_TAG, 1, std::unique_ptr<BerNull>()), std::logic_error);
    BerSequence s(SEQUENCE_TAG, 0);
    EXPECT_THROW(s.append(std::unique_ptr<BerBase>()), std::logic_error);
    EXPECT_THROW(s.append(1, std::make_unique<BerNull>(), std::make_unique<BerNull>()), std::logic_error);
}

// Three children with chain built: extract each position in turn.
TEST(BerSequence, ExtractAtEachPositionAfterTheChainIsBuilt) {
    const char *kids[] = {"02 01 07", "04 02 68 69", "30 03 02 01 09"};
    for (std::size_t n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        for (bool decoded : {false, true}) {
            SCOPED_TRACE(decoded ? "decoded" : "built");
            std::unique_ptr<BerSequence> s;
            if (decoded) {
                s = std::make_unique<BerSequence>(S(H("30 0c 02 01 07 04 02 68 69 30 03 02 01 09")));
            } else {
                s = std::make_unique<BerSequence>(
                    SEQUENCE_TAG, 3, std::make_unique<BerInt>(7), std::make_unique<BerString>("hi", 2),
                    std::make_unique<BerSequence>(SEQUENCE_TAG, 1, std::make_unique<BerInt>(9)));
            }
            s->getdata();  // build the chain
            std::unique_ptr<BerBase> x = s->extract(n);
            ASSERT_NE(x, nullptr);
            EXPECT_EQ(x->next, nullptr);
            Bytes rest;
            for (std::size_t k = 0; k < 3; ++k) {
                if (k == n) continue;
                Bytes kid = H(kids[k]);
                rest.insert(rest.end(), kid.begin(), kid.end());
            }
            Bytes want = {SEQUENCE_TAG, static_cast<unsigned char>(rest.size())};
            want.insert(want.end(), rest.begin(), rest.end());
            EXPECT_EQ(s->len(), static_cast<std::int64_t>(rest.size()));
            EXPECT_EQ(s->count(), 2u);
            // The chain was mended in place: walk it from the own chunk without rebuilding.
            EXPECT_TRUE(SameBytes(want, chain_to_end(*s)));
            EXPECT_TRUE(SameBytes(want, chunk_bytes(*s->encode())));
            EXPECT_TRUE(SameBytes(H(kids[n]), chain_to_end(*x)));
            EXPECT_TRUE(SameBytes(H(kids[n]), chunk_bytes(*x->encode())));
            // The sibling links skip the extracted child.
            EXPECT_EQ(s->peek(0)->next, s->peek(1));
            EXPECT_EQ(s->peek(1)->next, nullptr);
            EXPECT_EQ(s->tail(), s->peek(1));
        }
    }
}

TEST(BerSequence, ExtractWithoutABuiltChainAndDownToEmpty) {
    BerSequence s(SEQUENCE_TAG, 2, std::make_unique<BerInt>(1), std::make_unique<BerInt>(2));
    EXPECT_EQ(s.extract(5), nullptr);
    auto a = s.extract(1);
    EXPECT_EQ(dynamic_cast<BerInt *>(a.get())->value, 2);
    EXPECT_TRUE(SameBytes(H("30 03 02 01 01"), chain_to_end(s)));
    auto b = s.extract(0);
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.len(), 0);
    EXPECT_TRUE(SameBytes(H("30 00"), chain_to_end(s)));
    EXPECT_TRUE(SameBytes(H("30 00"), chunk_bytes(*s.encode())));
}

TEST(BerSequence, AppendAfterABuildKeepsEveryChildInOrder) {
    BerSequence s(SEQUENCE_TAG, 1, std::make_unique<BerInt>(1));
    EXPECT_TRUE(SameBytes(H("30 03 02 01 01"), chain_to_end(s)));
    s.append(2, std::make_unique<BerInt>(2), std::make_unique<BerNull>());
    EXPECT_EQ(s.len(), 8);
    Bytes want = H("30 08 02 01 01 02 01 02 05 00");
    EXPECT_TRUE(SameBytes(want, chain_to_end(s)));
    EXPECT_TRUE(SameBytes(want, chunk_bytes(*s.encode())));
    s.append(std::make_unique<BerInt>(3));
    EXPECT_TRUE(SameBytes(H("30 0b 02 01 01 02 01 02 05 00 02 01 03"), chain_to_end(s)));
}

TEST(BerSequence, FortyBindingsGetALongFormHeader) {
    // Each binding: 30 0d, an OID of 9 content octets (11 bytes), NULL (2 bytes) = 15 bytes.
    BerSequence list(SEQUENCE_TAG, 0);
    for (int k = 0; k < 40; ++k) {
        std::string oid = "1.3.6.1.2.1.1.9.1." + std::to_string(k + 1);
        auto b = binding(oid.c_str(), std::make_unique<BerNull>());
        ASSERT_EQ(b->totalLength(), 15u);
        list.append(1, std::move(b));
        if (k == 10) list.getdata();  // a chain built half way must stay correct
    }
    EXPECT_EQ(list.len(), 600);
    Bytes enc = chunk_bytes(*list.encode());
    ASSERT_EQ(enc.size(), 604u);
    EXPECT_TRUE(SameBytes(H("30 82 02 58"), Bytes(enc.begin(), enc.begin() + 4)));
    EXPECT_TRUE(SameBytes(enc, chain_to_end(list)));
    // And the bytes decode back to the same list.
    BerSequence back(S(enc));
    EXPECT_EQ(back.count(), 40u);
    EXPECT_TRUE(SameBytes(enc, chain_to_end(back)));
}

// A list sent inside one message, taken back, changed and sent in another.
TEST(BerSequence, ListReusedAcrossMessages) {
    auto list = std::make_unique<BerSequence>(SEQUENCE_TAG, 1,
                                              binding("1.3.6.1.2.1.1.1.0", std::make_unique<BerNull>()));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto pdu = std::make_unique<BerSequence>(0xa1, 4, std::make_unique<BerInt>(round),
                                                 std::make_unique<BerInt>(0), std::make_unique<BerInt>(0),
                                                 std::move(list));
        BerSequence msg(SEQUENCE_TAG, 3, std::make_unique<BerInt>(0),
                        std::make_unique<BerString>("public", 6), std::move(pdu));
        Bytes sent = chunk_bytes(*msg.encode());
        BerSequence check(S(sent));
        auto *l = dynamic_cast<BerSequence *>(dynamic_cast<BerSequence *>(check.peek(2))->peek(3));
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->count(), static_cast<std::size_t>(round + 1));
        // Take the list back out and add one more binding for the next round.
        std::unique_ptr<BerBase> back = dynamic_cast<BerSequence *>(msg.peek(2))->extract(3);
        list.reset(dynamic_cast<BerSequence *>(back.release()));
        ASSERT_NE(list, nullptr);
        list->append(1, binding("1.3.6.1.2.1.1.5.0", std::make_unique<BerNull>()));
    }
}

// A child changed in place after its parent was built is still encoded right.
TEST(BerSequence, NestedChangeAfterABuildIsEncodedCorrectly) {
    BerSequence msg(SEQUENCE_TAG, 2, std::make_unique<BerInt>(0),
                    std::make_unique<BerSequence>(SEQUENCE_TAG, 1, std::make_unique<BerInt>(1)));
    EXPECT_TRUE(SameBytes(H("30 08 02 01 00 30 03 02 01 01"), chain_to_end(msg)));
    dynamic_cast<BerSequence *>(msg.peek(1))->append(std::make_unique<BerInt>(2));
    Bytes want = H("30 0b 02 01 00 30 06 02 01 01 02 01 02");
    EXPECT_TRUE(SameBytes(want, chain_to_end(msg)));
    EXPECT_TRUE(SameBytes(want, chunk_bytes(*msg.encode())));
    EXPECT_EQ(msg.len(), 11);
}

TEST(BerSequence, NonMinimalLengthOfANestedSequenceIsRemade) {
    // The inner sequence says 81 04 for 4 bytes; its child keeps its own 81 01.
    Bytes b = H("30 07 30 81 04 04 81 01 41");
    BerSequence s(S(b));
    auto *inner = dynamic_cast<BerSequence *>(s.peek(0));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->len(), 4);
    EXPECT_EQ(s.len(), 6);
    Bytes want = H("30 06 30 04 04 81 01 41");
    EXPECT_TRUE(SameBytes(want, chain_to_end(s)));
    EXPECT_TRUE(SameBytes(want, chunk_bytes(*s.encode())));
    // Taking the inner one out leaves a consistent, empty sequence.
    auto x = s.extract(0);
    EXPECT_EQ(s.len(), 0);
    EXPECT_TRUE(SameBytes(H("30 00"), chain_to_end(s)));
}

TEST(BerSequence, PrintTooSmallFailsWithoutWritingBeyond) {
    Bytes b = H(kSample);
    BerSequence s(S(b));
    int r = 0;
    EXPECT_EQ(printed(s, 13, &r), "( 0 A ( 0 ) )");
    EXPECT_EQ(r, 13);
    for (std::size_t size = 0; size < 13; ++size) {
        SCOPED_TRACE(size);
        printed(s, size, &r);
        EXPECT_EQ(r, -1);
    }
}

TEST(BerSequence, DeepButBoundedNestingDecodes) {
    // BER_MAX_DEPTH + 1 levels (0 .. BER_MAX_DEPTH) are accepted, one more is not.
    for (int levels : {BER_MAX_DEPTH + 1, BER_MAX_DEPTH + 2}) {
        SCOPED_TRACE(levels);
        Bytes b;
        for (int k = 0; k < levels; ++k) {
            Bytes outer = {SEQUENCE_TAG, static_cast<unsigned char>(b.size())};
            outer.insert(outer.end(), b.begin(), b.end());
            b = outer;
        }
        if (levels == BER_MAX_DEPTH + 1) {
            BerSequence s(S(b));
            EXPECT_TRUE(SameBytes(b, chain_to_end(s)));
        } else {
            EXPECT_THROW(BerSequence{S(b)}, BerDecodeError);
        }
    }
}

TEST(BerSequence, MalformedMessagesAreRefused) {
    for (const auto &c : kMalformed) {
        SCOPED_TRACE(c.name);
        Bytes b = H(c.bytes);
        try {
            BerSequence s(S(b));
            ADD_FAILURE() << "accepted";
        } catch (const BerDecodeError &e) {
            EXPECT_STRNE(e.what(), "");
        }
    }
}

TEST(BerSequence, AHostileNestingIsRefusedNotRecursedInto) {
    // 750 levels of 30 82 xx xx in a 3000-byte datagram.
    Bytes b;
    for (int k = 0; k < 750; ++k) {
        std::size_t n = b.size();
        Bytes outer = {SEQUENCE_TAG, 0x82, static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
        outer.insert(outer.end(), b.begin(), b.end());
        b.swap(outer);
    }
    EXPECT_THROW(BerSequence{S(b)}, BerDecodeError);
}

TEST(BerSequence, EveryTruncationOfEveryValidMessageIsRefused) {
    for (const auto &v : kMessages) {
        Bytes b = H(v.bytes);
        for (std::size_t cut = 0; cut < b.size(); ++cut) {
            SCOPED_TRACE(std::string(v.name) + " cut at " + std::to_string(cut));
            Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_THROW(BerSequence(std::span<const unsigned char>(part.data(), part.size())),
                         BerDecodeError);
        }
    }
}

// Inner lengths cut short while the outer length still holds: the inner value
// must be refused inside its parent's bounds.
TEST(BerSequence, EveryInnerTruncationIsRefused) {
    for (const auto &v : kMessages) {
        Bytes b = H(v.bytes);
        BerSequence whole(S(b));
        unsigned char hl = 0;
        unpack_len(b.data(), b.size(), hl);
        for (std::size_t cut = hl + 1; cut < b.size(); ++cut) {
            SCOPED_TRACE(std::string(v.name) + " content cut at " + std::to_string(cut));
            // Keep the bytes up to cut and rewrite the outer length to claim only those.
            Bytes content(b.begin() + hl, b.begin() + static_cast<std::ptrdiff_t>(cut));
            unsigned char hdr[6];
            std::size_t h = write_header(SEQUENCE_TAG, content.size(), hdr);
            Bytes msg(hdr, hdr + h);
            msg.insert(msg.end(), content.begin(), content.end());
            try {
                BerSequence s(S(msg));
                // Accepted only if the content happens to end on a child boundary: then
                // it re-encodes to exactly its bytes.
                EXPECT_TRUE(SameBytes(msg, chain_to_end(s)));
            } catch (const BerDecodeError &) {
            }
        }
    }
}

TEST(BerSequence, DecodingOnlyReadsTheGivenBytes) {
    // A valid message followed by garbage: the length bounds the read.
    Bytes b = H(kSample);
    Bytes more = b;
    more.push_back(0xff);
    more.push_back(0x00);
    BerSequence s(S(more));
    EXPECT_TRUE(SameBytes(b, chain_to_end(s)));
    // The pointer + count form reads the same.
    BerSequence p(b.data(), b.size());
    EXPECT_EQ(p.count(), 3u);
}

TEST(BerSequence, DestroyingThroughTheBaseReleasesTheTree) {
    Bytes b = H(kResponse);
    std::unique_ptr<BerBase> tree = std::make_unique<BerSequence>(S(b));
    EXPECT_EQ(tree->totalLength(), b.size());
    std::unique_ptr<BerBase> built =
        std::make_unique<BerSequence>(SEQUENCE_TAG, 1, binding("1.3.6", std::make_unique<BerString>("x", 1)));
    EXPECT_GT(built->totalLength(), 0u);
    // LeakSanitizer checks that both trees are released completely.
}

}  // namespace
