// The side-by-side column walk against a scripted agent: columns of different
// lengths, a missing column, first rows only, the end of the MIB, tooBig and
// GetBulk, each case with the cells found and the exchanges it took.
#include "reports/column_walk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "reports/classic.h"
#include "reports/context.h"
#include "reports/writer.h"
#include "tests/snmp/walk_fixture.h"
#include "tests/support/fake_agent.h"

namespace {

const std::string LEVEL = "1.3.6.1.2.1.43.11.1.1.9";
const std::string DESCR = "1.3.6.1.2.1.43.11.1.1.6";
const std::string CLASS = "1.3.6.1.2.1.43.11.1.1.4";  // none in the MIB
const std::string STATUS = "1.3.6.1.2.1.25.3.2.1.5";  // two devices; the first asked

// Three levels, two descriptions, two device statuses; nothing after the levels.
FakeMib printer_mib() {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("printer"));
    mib.set(STATUS + ".1", fake_int(2));
    mib.set(STATUS + ".2", fake_int(5));
    for (int i = 1; i <= 2; ++i) mib.set(DESCR + ".1." + std::to_string(i), fake_string("Toner " + std::to_string(i)));
    for (int i = 1; i <= 3; ++i) mib.set(LEVEL + ".1." + std::to_string(i), fake_int(10 * i));
    return mib;
}

// Answers tooBig (1) to a request of more than `most` bindings.
FakeHandler too_big_above(std::size_t most, FakeHandler inner) {
    return [most, inner](const FakeRequest &req) mutable {
        if (req.decoded && req.bindings.size() > most) return FakeAgent::reply(fake_error(req, 1, 0));
        return inner(req);
    };
}

struct WalkCase {
    const char *name;
    SNMP_version version;
    std::function<FakeHandler()> handler;
    std::vector<std::string> cells;  // per column: "instance=value,..."
    int exchanges;
};

std::string shown(const std::vector<ColumnCell> &cells) {
    std::string out;
    for (const ColumnCell &c : cells)
        out += (out.empty() ? "" : ",") + c.instance + "=" + (c.is_text() ? c.text : std::to_string(c.number));
    return out;
}

TEST(ColumnWalk, Cases) {
    const std::vector<std::string> full = {"1.1=10,1.2=20,1.3=30", "1.1=Toner 1,1.2=Toner 2", "", "1=2"};
    const WalkCase cases[] = {
        // Rows 1-3 of the longest column, and the step that meets the end of the MIB.
        {"SNMPv1: as many exchanges as the longest column, and one", SNMP_version::V1,
         [] { return fake_mib_handler(printer_mib()); }, full, 4},
        // The refused request, two of two columns, then the two going on in one.
        {"SNMPv1, tooBig above two bindings: smaller requests", SNMP_version::V1,
         [] { return too_big_above(2, fake_mib_handler(printer_mib())); }, full, 6},
        {"SNMPv2c: GetBulk reads every row at once", SNMP_version::V2C,
         [] { return fake_v2_mib_handler(printer_mib()); }, full, 1},
    };
    for (const WalkCase &c : cases) {
        walk_test::Fixture f(c.handler(), 0, c.version);
        OutputWriter writer(stdout, stderr);
        ClassicOutput out(writer, "p", false);
        RunSettings settings;
        ReportContext ctx(f.session, out, settings, FlagWords{});
        const auto cells = walk_columns(ctx, {{LEVEL.c_str()}, {DESCR.c_str()}, {CLASS.c_str()}, {STATUS.c_str(), true}});
        ASSERT_EQ(c.cells.size(), cells.size()) << c.name;
        for (std::size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(c.cells[i], shown(cells[i])) << c.name << " column " << i;
        EXPECT_EQ(c.exchanges, f.agent.requestCount()) << c.name;
    }
}

TEST(ColumnWalk, TableRowsKeepTheirInstances) {
    walk_test::Fixture f(fake_mib_handler(walk_test::table(3)));
    walk_test::TwoColumns columns(f.session);
    const auto rows = walk_with_instances(columns.t, walk_test::COL_INDEX);
    ASSERT_EQ(3u, rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(std::to_string(i + 1), rows[i].first);
        EXPECT_EQ(static_cast<std::int64_t>(10 * (i + 1)), rows[i].second.index);
    }
    EXPECT_EQ(3, last_arc("1.7.3"));
    EXPECT_EQ(0, last_arc(""));
}

}  // namespace
