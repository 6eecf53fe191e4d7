// Target expansion (ranges, subnets, community suffixes, malformed arguments) and
// the session list made from it. No traffic.
#include <gtest/gtest.h>

#include "frontend/names.h"
#include "frontend/prowlet.h"
#include "frontend/targets.h"
#include "snmp/session.h"
#include "snmp/snmpsock.h"

namespace {

std::vector<std::string> names(const Expansion &e) {
    std::vector<std::string> v;
    for (const auto &t : e.targets) v.push_back(t.name);
    return v;
}

std::vector<std::string> expand_names(std::vector<std::string> args) {
    Expansion e = expand_targets(args, nullptr);
    EXPECT_TRUE(e.ok) << e.argument << ": " << e.reason;
    return names(e);
}

using V = std::vector<std::string>;

TEST(Targets, PlainNamesKeepOrderAndText) {
    EXPECT_EQ(expand_names({"printer1", "10.0.0.9", "lp.example"}),
              (V{"printer1", "10.0.0.9", "lp.example"}));
}

TEST(Targets, RangeOfOne) { EXPECT_EQ(expand_names({"10.0.0.7-7"}), V{"10.0.0.7"}); }

TEST(Targets, DescendingRangeIsEmpty) { EXPECT_EQ(expand_names({"10.0.0.7-6"}), V{}); }

TEST(Targets, RangeEndsAt255WithoutBroadcastNotion) {
    EXPECT_EQ(expand_names({"10.0.0.250-255"}),
              (V{"10.0.0.250", "10.0.0.251", "10.0.0.252", "10.0.0.253", "10.0.0.254",
                 "10.0.0.255"}));
}

TEST(Targets, RangeExample) {
    EXPECT_EQ(expand_names({"10.1.2.5-7"}), (V{"10.1.2.5", "10.1.2.6", "10.1.2.7"}));
}

TEST(Targets, PrefixSubnets) {
    EXPECT_EQ(expand_names({"10.0.0.0/29"}),
              (V{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(expand_names({"192.168.7.9/29"}),
              (V{"192.168.7.9", "192.168.7.10", "192.168.7.11", "192.168.7.12", "192.168.7.13",
                 "192.168.7.14"}));
    // A prefix length of 0 gives the all-ones mask, so nothing.
    EXPECT_EQ(expand_names({"10.0.0.0/0"}), V{});
    // Leading zeros count for nothing, in the prefix as in the octets.
    EXPECT_EQ(expand_names({"10.0.0.0/0029"}), expand_names({"010.0.0.0/29"}));
    EXPECT_EQ(expand_names({"10.0.0.0/0029"}).size(), 6u);
}

TEST(Targets, SlashTwentyFourGives254InOrder) {
    V got = expand_names({"10.0.0.0/24"});
    ASSERT_EQ(got.size(), 254u);
    for (unsigned i = 0; i < 254; ++i) EXPECT_EQ(got[i], "10.0.0." + std::to_string(i + 1));
}

TEST(Targets, MaskSubnets) {
    EXPECT_EQ(expand_names({"10.0.0.0/255.255.255.252"}), (V{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(expand_names({"192.168.7.0/255.255.255.252"}), (V{"192.168.7.1", "192.168.7.2"}));
    EXPECT_EQ(expand_names({"10.0.0.0/255.255.255.254"}), V{});
    EXPECT_EQ(expand_names({"10.0.0.5/255.255.255.255"}), V{});
    // The all-ones address with the all-ones mask: network + 1 would wrap to 0.
    EXPECT_EQ(expand_names({"255.255.255.255/255.255.255.255"}), V{});
}

// A mask that is not contiguous is used as it stands: every value strictly
// between network and broadcast.
TEST(Targets, NonContiguousMaskUsedUnchanged) {
    V got = expand_names({"10.0.0.0/255.255.255.250"});
    // network 10.0.0.0, broadcast 10.0.0.5
    EXPECT_EQ(got, (V{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}));
}

TEST(Targets, SubnetAcrossOctets) {
    V got = expand_names({"10.0.1.0/23"});
    ASSERT_EQ(got.size(), 510u);
    EXPECT_EQ(got.front(), "10.0.0.1");
    EXPECT_EQ(got[254], "10.0.0.255");
    EXPECT_EQ(got[255], "10.0.1.0");
    EXPECT_EQ(got.back(), "10.0.1.254");
}

TEST(Targets, ArgumentsExpandLeftToRight) {
    EXPECT_EQ(expand_names({"P", "10.0.0.1-2", "R"}), (V{"P", "10.0.0.1", "10.0.0.2", "R"}));
}

TEST(Targets, CommunitySuffixAppliesToItsArgumentOnly) {
    Expansion e = expand_targets({"a(priv)", "10.0.0.1-2(lab)", "b"}, "dflt");
    ASSERT_TRUE(e.ok);
    std::vector<TargetSpec> want = {
        {"a", "priv"}, {"10.0.0.1", "lab"}, {"10.0.0.2", "lab"}, {"b", "dflt"}};
    EXPECT_EQ(e.targets, want);

    Expansion none = expand_targets({"a(priv)", "b"}, nullptr);
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.targets[0].community, std::optional<std::string>("priv"));
    EXPECT_EQ(none.targets[1].community, std::nullopt);
}

TEST(Targets, CommunityWithoutClosingParenthesisRunsToEnd) {
    Expansion e = expand_targets({"host(open"}, nullptr);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.targets, (std::vector<TargetSpec>{{"host", "open"}}));
    Expansion f = expand_targets({"host(c)trail"}, nullptr);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.targets, (std::vector<TargetSpec>{{"host", "c"}}));
}

struct BadCase {
    const char *arg;
    const char *reason;
};

TEST(Targets, MalformedArgumentsNameTheArgument) {
    const char *range = "an address range is a.b.c.d-e or a.b.c.d-w.x.y.z with numbers up to 255";
    const char *subnet = "a subnet is a.b.c.d/len or a.b.c.d/m.m.m.m with numbers up to 255";
    const BadCase cases[] = {
        {"host(", "no community after \"(\""},
        {"host()", "no community after \"(\""},
        {"(pub)", "no printer name before \"(\""},
        {"", "empty printer name"},
        {"10.0.0.1-256", range},
        {"10.0.0.256-3", range},
        {"10.0.0.1-99999999999999999999", range},
        {"0300.0.0.1-5", range},
        {"10.0.0.1-10.0.0.256", range},
        {"10.0.0.300-10.0.1.5", range},
        {"0.0.0.0-255.255.255.255", "too many printers"},
        {"10.0.0.0/30", "the prefix length must be below 30"},
        {"10.0.0.0/32", "the prefix length must be below 30"},
        {"10.0.0.0/99", "the prefix length must be below 30"},
        {"10.0.0.0/00030", "the prefix length must be below 30"},
        {"10.0.0.0/99999999999999999999", "the prefix length must be below 30"},
        {"10.0.0.300/24", subnet},
        {"10.0.0.0/255.255.256.0", subnet},
        {"999.0.0.0/255.0.0.0", subnet},
        {"256.1.1.1", "an address is a.b.c.d with numbers up to 255"},
        // Shapes that are no printer argument, looked up as names before:
        // wildcards, lists, blanks, options after "--", addresses cut short.
        {"127.0.3.*", TARGET_FORMS},
        {"127.0.3.1-5,7", TARGET_FORMS},
        {"lp1,lp2", TARGET_FORMS},
        {"lp1 lp2", TARGET_FORMS},
        {"-", TARGET_FORMS},
        {"--vendor", TARGET_FORMS},
        {".lp1", TARGET_FORMS},
        {"lp1\x1b[2J", TARGET_FORMS},
        {"1.2.3", TARGET_FORMS},
        {"1-2", TARGET_FORMS},
        {"2130706433", TARGET_FORMS},
        {"lp/x", TARGET_FORMS},
        {"10.0.0.1-", TARGET_FORMS},
        {"10.0.0-5", TARGET_FORMS},
        {"10.0.0.1-2-3", TARGET_FORMS},
        {"10.0.0.0/", TARGET_FORMS},
        {"10.0.0/24", TARGET_FORMS},
        {"10.0.0.0/2x", TARGET_FORMS},
        {"10.0.0.0/255.255.255", TARGET_FORMS},
        {"10.0.0.1-5/24", TARGET_FORMS},
        {"10.0.0.0/24-26", TARGET_FORMS},
    };
    for (const BadCase &c : cases) {
        Expansion e = expand_targets({"good", c.arg, "alsogood"}, nullptr);
        EXPECT_FALSE(e.ok) << c.arg;
        EXPECT_EQ(e.argument, c.arg);
        EXPECT_EQ(e.reason, c.reason) << c.arg;
        EXPECT_TRUE(e.targets.empty());
    }
}

// Names of a host name's characters that start with a letter or digit, with
// a letter somewhere (a digit-led one that does not read completely as a
// range or a subnet included), are host names, resolved like any other.
TEST(Targets, PlainNamesAreNotParsed) {
    const V plain = {"printer-1", "9lives", "3com-printer", "2nd-floor-hp", "10.0.0.1-5x", "lp_1.example.com",
                     "LP1.", "10.0.0.9", "1.2.3.4x"};
    EXPECT_EQ(expand_names(plain), plain);
    Expansion e = expand_targets({"3com-printer(lab)"}, "dflt");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.targets, (std::vector<TargetSpec>{{"3com-printer", "lab"}}));
}

// A range of two full addresses runs from the first to the second, across
// octets too; a reversed one names nothing, like a.b.c.d-e with d > e.
TEST(Targets, RangesOfTwoFullAddresses) {
    EXPECT_EQ(expand_names({"127.0.3.1-127.0.3.3"}), (V{"127.0.3.1", "127.0.3.2", "127.0.3.3"}));
    EXPECT_EQ(expand_names({"10.0.0.254-10.0.1.1"}), (V{"10.0.0.254", "10.0.0.255", "10.0.1.0", "10.0.1.1"}));
    EXPECT_EQ(expand_names({"10.0.0.7-10.0.0.7"}), V{"10.0.0.7"});
    EXPECT_EQ(expand_names({"10.0.0.7-10.0.0.6"}), V{});
    EXPECT_EQ(expand_names({"255.255.255.254-255.255.255.255"}), (V{"255.255.255.254", "255.255.255.255"}));
    Expansion e = expand_targets({"10.0.0.1-10.0.0.2(lab)"}, nullptr);
    EXPECT_EQ(e.targets, (std::vector<TargetSpec>{{"10.0.0.1", "lab"}, {"10.0.0.2", "lab"}}));
}

// A printer list's line carries its list and line into the refusal.
TEST(Targets, RefusalNamesTheListLine) {
    Expansion e = expand_target_arguments({{"lp1", "fleet.txt", 1}, {"127.0.3.*", "fleet.txt", 4}}, nullptr);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.argument, "127.0.3.*");
    EXPECT_STREQ(e.list, "fleet.txt");
    EXPECT_EQ(e.line, 4u);
}

TEST(Targets, HugeSubnetIsRefusedBeforeAllocating) {
    Expansion e = expand_targets({"10.0.0.0/1"}, nullptr);
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.reason, "too many printers");
    Expansion m = expand_targets({"10.0.0.0/0.0.0.0"}, nullptr);
    EXPECT_FALSE(m.ok);
    EXPECT_EQ(m.reason, "too many printers");
}

TEST(Targets, EverythingEmptyIsNotAnError) {
    Expansion e = expand_targets({"10.0.0.7-6", "10.0.0.0/0"}, nullptr);
    EXPECT_TRUE(e.ok);
    EXPECT_TRUE(e.targets.empty());
}

}  // namespace

// ---- sessions made from the targets -------------------------------------------

namespace {

// Dotted addresses resolve without any lookup traffic; the transport never
// sends (negative retry count).
TEST(TargetList, NewestFirstWithCommunities) {
    SNMP_socket transport(2, -1, 0);
    Expansion e = expand_targets({"127.0.0.1(one)", "127.0.0.2-3", "127.0.0.9"}, "dflt");
    ASSERT_TRUE(e.ok);
    TargetList list = create_sessions(&transport, e.targets);
    EXPECT_EQ(list.targetCount, 4u);
    std::vector<std::string> order, communities;
    for (SNMP_session *s = list.head; s; s = s->next) {
        order.push_back(s->hostname);
        communities.push_back(s->community());
    }
    EXPECT_EQ(order, (V{"127.0.0.9", "127.0.0.3", "127.0.0.2", "127.0.0.1"}));
    EXPECT_EQ(communities, (V{"dflt", "dflt", "dflt", "one"}));
    ASSERT_EQ(list.sessions.size(), 4u);
    EXPECT_EQ(list.sessions.front()->hostname, "127.0.0.1");
    EXPECT_EQ(list.sessions.front()->next, nullptr);
}

TEST(TargetList, DefaultCommunityWithoutAnyGiven) {
    SNMP_socket transport(2, -1, 0);
    TargetList list = create_sessions(&transport, {{"127.0.0.5", std::nullopt}});
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head->community(), "quorum");
    EXPECT_EQ(list.targetCount, 1u);
}

}  // namespace

namespace {

// Each distinct name is looked up once, whatever the number of lookups at
// once; a name given twice shares its addresses.
TEST(TargetList, NamesLookedUpOnceSideBySide) {
    const std::vector<TargetSpec> targets = {
        {"127.0.0.1", std::nullopt}, {"127.0.0.2", "lab"}, {"127.0.0.1", "other"}, {"10.1.2.3", std::nullopt}};
    for (std::size_t lookups : {std::size_t{1}, std::size_t{2}, PARALLEL_LOOKUPS}) {
        SCOPED_TRACE(lookups);
        const auto found = resolve_names(targets, lookups);
        ASSERT_EQ(found.size(), 3u);
        EXPECT_EQ(found.at("127.0.0.1"), (std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}}));
        EXPECT_EQ(found.at("127.0.0.2"), (std::vector<SNMP_session::IPv4>{{127, 0, 0, 2}}));
        EXPECT_EQ(found.at("10.1.2.3"), (std::vector<SNMP_session::IPv4>{{10, 1, 2, 3}}));
    }
    EXPECT_TRUE(resolve_names({}).empty());
    SNMP_socket transport(2, -1, 0);
    TargetList list = create_sessions(&transport, targets);
    ASSERT_EQ(list.order.size(), 4u);
    EXPECT_EQ(list.order[0].session->hostname, "10.1.2.3");
    EXPECT_EQ(list.order[1].session->community(), "other");
    EXPECT_EQ(list.order[3].session->addresses(), (std::vector<SNMP_session::IPv4>{{127, 0, 0, 1}}));
}

}  // namespace
