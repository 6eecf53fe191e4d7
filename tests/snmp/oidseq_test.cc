// OidSeq and SNMP_error_oid: encodings, lookups, removal after sending, malformed received lists.
#include "snmp/oidseq.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"
#include "tests/snmp/snmp_test_util.h"
#include "tests/support/fake_agent.h"

using snmp_test::chain_bytes;
using snmp_test::hex;
using snmp_test::unhex;

namespace {

const char *const CONTACT = "1.3.6.1.2.1.1.4.0";
const char *const LOCATION = "1.3.6.1.2.1.1.6.0";

std::vector<unsigned char> encoding(OidSeq &seq) {
    if (!seq.sequence()) return {0x30, 0x00};
    auto chunk = seq.sequence()->encode();
    return std::vector<unsigned char>(chunk->Data(), chunk->Data() + chunk->Length());
}

// A received binding list with the given bindings, decoded like the session does.
std::unique_ptr<OidSeq> received(const std::vector<FakeBinding> &bindings) {
    FakeBytes message = fake_response(1, bindings);
    BerSequence tree(message.data(), message.size());
    auto *pdu = dynamic_cast<BerSequence *>(tree.peek(2));
    std::unique_ptr<BerBase> list = pdu->extract(3);
    return std::make_unique<OidSeq>(std::unique_ptr<BerSequence>(static_cast<BerSequence *>(list.release())));
}

std::string string_of(BerBase *v) {
    auto *s = dynamic_cast<BerString *>(v);
    return s ? s->c_str_value() : "<not a string>";
}

TEST(OidSeq, TwoStringsEncodeAsGetRequestBindings) {
    OidSeq seq(2, CONTACT, LOCATION);
    EXPECT_EQ("30 1c 30 0c 06 08 2b 06 01 02 01 01 04 00 05 00 30 0c 06 08 2b 06 01 02 01 01 06 00 05 00",
              hex(encoding(seq)));
    // The cached chain says the same as the flat encoding.
    EXPECT_EQ(hex(encoding(seq)), hex(chain_bytes(*seq.sequence())));
    ASSERT_EQ(2u, seq.size());
    EXPECT_EQ(CONTACT, seq.oidstr(0));
    EXPECT_EQ(LOCATION, seq.oidstr(1));
}

TEST(OidSeq, CountMustMatchTheStrings) {
    EXPECT_THROW(OidSeq(3, CONTACT, LOCATION), std::logic_error);
    EXPECT_THROW(OidSeq(1, CONTACT, LOCATION), std::logic_error);
    OidSeq one(1, CONTACT);
    EXPECT_EQ(1u, one.size());
}

TEST(OidSeq, EmptyListHasNoSequence) {
    OidSeq seq;
    EXPECT_EQ(nullptr, seq.sequence());
    EXPECT_EQ(nullptr, seq.find(CONTACT));
    EXPECT_EQ(nullptr, seq.findPrefix("1"));
    EXPECT_FALSE(seq.remove(CONTACT));
}

TEST(OidSeq, FindAndFindPrefixMeetTheLastMatchFirst) {
    auto seq = received({{CONTACT, fake_string("admin")}, {LOCATION, fake_string("basement")}});
    EXPECT_EQ("basement", string_of(seq->find(LOCATION)));
    EXPECT_EQ("admin", string_of(seq->find(CONTACT)));
    EXPECT_EQ(nullptr, seq->find("1.3.6.1.2.1.1.6"));
    EXPECT_EQ("basement", string_of(seq->findPrefix("1.3.6.1.2.1.1")));
    EXPECT_EQ("admin", string_of(seq->findPrefix("1.3.6.1.2.1.1.4")));
    EXPECT_EQ(nullptr, seq->findPrefix("1.3.6.1.2.1.2"));
}

TEST(OidSeq, FindPrefixIsACharacterPrefixFindWithinTakesWholeArcs) {
    auto seq = received({{"1.3.6.1.2.1.2.2.1.3.1", fake_int(6)}, {"1.3.6.1.2.1.2.2.1.30.1", fake_int(7)}});
    auto *v = dynamic_cast<BerInt *>(seq->findPrefix("1.3.6.1.2.1.2.2.1.3"));
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(7, v->value);
    struct {
        const char *oid;
        long expected;  // 0: none
    } const cases[] = {{"1.3.6.1.2.1.2.2.1.3", 6},   {"1.3.6.1.2.1.2.2.1.30", 7}, {"1.3.6.1.2.1.2.2.1.3.1", 6},
                       {"1.3.6.1.2.1.2.2.1.3.10", 0}, {"1.3.6.1.2.1.2.2.1", 7},    {"1.3.6.1.2.1.2.2.1.", 0}};
    for (const auto &c : cases) {
        auto *w = dynamic_cast<BerInt *>(seq->findWithin(c.oid));
        EXPECT_EQ(c.expected, w ? w->value : 0) << c.oid;
    }
    EXPECT_TRUE(seq->removeWithin("1.3.6.1.2.1.2.2.1.3"));
    EXPECT_EQ(nullptr, seq->findWithin("1.3.6.1.2.1.2.2.1.3"));
    EXPECT_NE(nullptr, seq->findWithin("1.3.6.1.2.1.2.2.1.30"));
}

TEST(OidSeq, DuplicateOidFindsTheLaterBinding) {
    auto seq = received({{CONTACT, fake_string("first")}, {CONTACT, fake_string("second")}});
    EXPECT_EQ("second", string_of(seq->find(CONTACT)));
    // Removing one duplicate leaves the other findable: entry and binding go together.
    EXPECT_TRUE(seq->remove(CONTACT));
    EXPECT_EQ("first", string_of(seq->find(CONTACT)));
    EXPECT_TRUE(seq->remove(CONTACT));
    EXPECT_EQ(nullptr, seq->find(CONTACT));
    EXPECT_FALSE(seq->remove(CONTACT));
    EXPECT_EQ("30 00", hex(encoding(*seq)));
}

struct RemoveCase {
    const char *name;
    int removed;  // index of the binding to remove
};

class OidSeqRemove : public testing::TestWithParam<RemoveCase> {};

TEST_P(OidSeqRemove, NextSendCarriesExactlyTheRest) {
    const char *oids[] = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.4.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0"};
    OidSeq seq;
    for (const char *o : oids) seq.append(o);
    // "Sent" once: the chain is built and cached.
    (void)chain_bytes(*seq.sequence());
    ASSERT_TRUE(seq.remove(oids[GetParam().removed]));

    OidSeq expected;
    for (int i = 0; i < 4; ++i)
        if (i != GetParam().removed) expected.append(oids[i]);
    EXPECT_EQ(hex(encoding(expected)), hex(encoding(seq)));
    EXPECT_EQ(hex(encoding(expected)), hex(chain_bytes(*seq.sequence())));
    EXPECT_EQ(nullptr, seq.find(oids[GetParam().removed]));
    ASSERT_EQ(3u, seq.size());
    for (int i = 0, j = 0; i < 4; ++i) {
        if (i == GetParam().removed) continue;
        EXPECT_EQ(oids[i], seq.oidstr(static_cast<std::size_t>(j++)));
        EXPECT_NE(nullptr, seq.find(oids[i]));
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, OidSeqRemove,
                         testing::Values(RemoveCase{"first", 0}, RemoveCase{"middle", 2}, RemoveCase{"last", 3}),
                         [](const testing::TestParamInfo<RemoveCase> &info) { return info.param.name; });

TEST(OidSeq, RemoveOfAnUnknownOidChangesNothing) {
    OidSeq seq{CONTACT, LOCATION};
    const auto before = encoding(seq);
    EXPECT_FALSE(seq.remove("1.3.6.1.2.1.1.4"));  // an ancestor is not the same text
    EXPECT_FALSE(seq.remove("1.3.6.1.2.1.1.5.0"));
    EXPECT_EQ(hex(before), hex(encoding(seq)));
    EXPECT_EQ(2u, seq.size());
}

TEST(OidSeq, RemoveTakesTheBindingOfItsEntryNotAnAncestor) {
    // The list holds an OID and one of its descendants; removing the descendant
    // must not take the ancestor's binding (their encodings share a prefix).
    OidSeq seq{"1.3.6.1.2.1.25", "1.3.6.1.2.1.25.3.2.1.3.1"};
    EXPECT_TRUE(seq.remove("1.3.6.1.2.1.25.3.2.1.3.1"));
    OidSeq expected{"1.3.6.1.2.1.25"};
    EXPECT_EQ(hex(encoding(expected)), hex(encoding(seq)));
    EXPECT_NE(nullptr, seq.find("1.3.6.1.2.1.25"));
}

TEST(OidSeq, AppendAfterRemoveKeepsOrder) {
    OidSeq seq{CONTACT, LOCATION};
    (void)chain_bytes(*seq.sequence());
    ASSERT_TRUE(seq.remove(CONTACT));
    seq.append(CONTACT);
    OidSeq expected{LOCATION, CONTACT};
    EXPECT_EQ(hex(encoding(expected)), hex(encoding(seq)));
    EXPECT_EQ(hex(encoding(expected)), hex(chain_bytes(*seq.sequence())));
}

struct TypedCase {
    const char *name;
    std::function<void(OidSeq &)> add;
    const char *value;  // expected value encoding
};

class OidSeqTyped : public testing::TestWithParam<TypedCase> {};

TEST_P(OidSeqTyped, ValueEncoding) {
    OidSeq seq;
    GetParam().add(seq);
    const auto bytes = encoding(seq);
    // 30 L 30 L 06 08 <8 OID bytes> <value>
    ASSERT_GT(bytes.size(), 14u);
    EXPECT_EQ(GetParam().value, hex(std::vector<unsigned char>(bytes.begin() + 14, bytes.end())));
}

INSTANTIATE_TEST_SUITE_P(
    Types, OidSeqTyped,
    testing::Values(
        TypedCase{"Null", [](OidSeq &s) { s.append(CONTACT); }, "05 00"},
        TypedCase{"String", [](OidSeq &s) { s.append(CONTACT, STRING_TAG, "ab", 2); }, "04 02 61 62"},
        TypedCase{"EmptyString", [](OidSeq &s) { s.append(CONTACT, STRING_TAG, "", 0); }, "04 00"},
        TypedCase{"Oid", [](OidSeq &s) { s.append(CONTACT, OID_TAG, "1.3.6.1xyz", 7); }, "06 03 2b 06 01"},
        TypedCase{"IpAddress",
                  [](OidSeq &s) {
                      const unsigned char a[4] = {10, 0, 0, 200};
                      s.append(CONTACT, IPADDR_TAG, a, 4);
                  },
                  "40 04 0a 00 00 c8"},
        TypedCase{"Integer", [](OidSeq &s) { s.append(CONTACT, INT_TAG, 4L); }, "02 01 04"},
        // Negative values keep all eight bytes (the program never sends one).
        TypedCase{"NegativeInteger", [](OidSeq &s) { s.append(CONTACT, INT_TAG, -129L); },
                  "02 08 ff ff ff ff ff ff ff 7f"},
        TypedCase{"CounterAsInteger", [](OidSeq &s) { s.append(CONTACT, COUNTER_TAG, 200L); }, "02 02 00 c8"}),
    [](const testing::TestParamInfo<TypedCase> &info) { return info.param.name; });

TEST(OidSeq, UnsupportedAppendsAreRefused) {
    OidSeq seq;
    const unsigned char a[3] = {1, 2, 3};
    EXPECT_THROW(seq.append(CONTACT, IPADDR_TAG, a, 3), std::logic_error);
    EXPECT_THROW(seq.append(CONTACT, TIME_TICK_TAG, a, 3), std::logic_error);
    EXPECT_THROW(seq.append(CONTACT, STRING_TAG, 5L), std::logic_error);
    EXPECT_THROW(seq.append(nullptr), std::logic_error);
    EXPECT_EQ(0u, seq.size());
    EXPECT_EQ(nullptr, seq.sequence());
}

struct MalformedCase {
    const char *name;
    const char *list;  // a received binding list
};

class OidSeqMalformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(OidSeqMalformed, RefusedAsUndecodable) {
    const auto bytes = unhex(GetParam().list);
    auto list = std::make_unique<BerSequence>(bytes.data(), bytes.size());
    EXPECT_THROW(OidSeq seq(std::move(list)), BerDecodeError);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OidSeqMalformed,
    testing::Values(
        // binding is an INTEGER, not a SEQUENCE
        MalformedCase{"ScalarBinding", "30 03 02 01 05"},
        // binding's first child is a string
        MalformedCase{"NoOid", "30 07 30 05 04 01 41 05 00"},
        // binding holds only the OID
        MalformedCase{"NoValue", "30 05 30 03 06 01 2b"},
        // binding holds three children
        MalformedCase{"ThreeChildren", "30 09 30 07 06 01 2b 05 00 05 00"},
        // binding with a PDU tag instead of SEQUENCE
        MalformedCase{"WrongTag", "30 07 a2 05 06 01 2b 05 00"}),
    [](const testing::TestParamInfo<MalformedCase> &info) { return info.param.name; });

TEST(OidSeq, ReceivedEmptyListHasNoEntries) {
    const auto bytes = unhex("30 00");
    OidSeq seq(std::make_unique<BerSequence>(bytes.data(), bytes.size()));
    EXPECT_EQ(0u, seq.size());
    EXPECT_EQ(nullptr, seq.find(CONTACT));
    EXPECT_EQ("30 00", hex(encoding(seq)));
}

TEST(OidSeq, ReceivedListKeepsValuesAndOrder) {
    auto seq = received({{"1.3.6.1.2.1.1.3.0", fake_timeticks(12345)}, {"1.3.6.1.2.1.4.20.1.1.10.0.0.1",
                                                                          fake_ipaddr(10, 0, 0, 1)}});
    ASSERT_EQ(2u, seq->size());
    EXPECT_EQ("1.3.6.1.2.1.1.3.0", seq->oidstr(0));
    EXPECT_EQ("1.3.6.1.2.1.4.20.1.1.10.0.0.1", seq->oidstr(1));
    EXPECT_EQ(TIME_TICK_TAG, seq->value(0)->type());
    EXPECT_EQ(IPADDR_TAG, seq->value(1)->type());
}

TEST(SNMP_error_oid, ComparesWithWholeStrings) {
    SNMP_error_oid e("1.3.6.1.2.1.25.3.2.1.3.1");
    EXPECT_TRUE(e == "1.3.6.1.2.1.25.3.2.1.3.1");
    EXPECT_FALSE(e == "1.3.6.1.2.1.25.3.2.1.3");
    EXPECT_FALSE(e == "1.3.6.1.2.1.25.3.2.1.3.10");
    EXPECT_EQ(0, e.status);
    SNMP_error_oid none(nullptr, 2);
    EXPECT_TRUE(none == "");
    EXPECT_EQ(2, none.status);
}

}  // namespace
