// --generic's pure parts: the enterprise number of a sysObjectID, the table of
// printer makers, and which standard MIB a probe answer lies in.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "reports/vendor_rules.h"

namespace {

TEST(EnterpriseNumber, ParsesTheArcAfterEnterprises) {
    const struct {
        const char *oid;
        std::optional<std::uint32_t> number;
    } cases[] = {
        {"1.3.6.1.4.1.11.2.3.9.1", 11},
        {"1.3.6.1.4.1.18334.1.1.1.2.1.181.2.4", 18334},
        {".1.3.6.1.4.1.1129.1.2.1", 1129},  // written with a leading dot
        {"1.3.6.1.4.1.2435", 2435},         // the number alone
        {"1.3.6.1.4.1.0.1", 0},
        {"1.3.6.1.4.1.4294967295.1", 4294967295u},
        {"1.3.6.1.4.1.4294967296.1", std::nullopt},  // above 32 bits
        {"1.3.6.1.4.1.99999999999999999999999.1", std::nullopt},
        {"1.3.6.1.4.1.", std::nullopt},
        {"1.3.6.1.4.1", std::nullopt},
        {"1.3.6.1.4.1..5", std::nullopt},
        {"1.3.6.1.4.1.11x.2", std::nullopt},
        {"1.3.6.1.4.10.5", std::nullopt},  // not under enterprises
        {"1.3.6.1.2.1.1", std::nullopt},
        {"..1.3.6.1.4.1.11", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto &c : cases) EXPECT_EQ(c.number, enterprise_number(c.oid)) << c.oid;
}

// The sysObjectID values of real printers (from the recordings of real
// devices) and the maker each names.
TEST(PrinterMaker, SysObjectIdsOfRealPrinters) {
    const struct {
        const char *device;
        const char *sysObjectId;
        const char *maker;
    } cases[] = {
        {"Brother HL-5370DW", "1.3.6.1.4.1.2435.2.3.9.1", "Brother"},
        {"Canon iR-ADV C5235", "1.3.6.1.4.1.1602.4.7", "Canon"},
        {"Canon TM-5300", "1.3.6.1.4.1.1602.4.3", "Canon"},
        {"Dell 3115cn", "1.3.6.1.4.1.674.10898.10.52.1094473223", "Dell"},
        {"Develop ineo 280", "1.3.6.1.4.1.18334.1.2.1.2.1.50.2.2", "Konica Minolta"},
        {"Epson WF-C5790", "1.3.6.1.4.1.1248.1.1.2.1.3.5.69.69.80.83.50", "Epson"},
        {"Fujifilm Apeos C7580", "1.3.6.1.4.1.297.1.11.93.2.1.2.3.5", "Fuji Xerox"},
        {"Gestetner MPC2500", "1.3.6.1.4.1.367.1.1", "Ricoh"},
        {"HP Color LaserJet M880", "1.3.6.1.4.1.11.2.3.9.1", "HP"},
        {"Konica Minolta bizhub C3110", "1.3.6.1.4.1.18334.1.1.1.2.1.117.2.2", "Konica Minolta"},
        {"Kyocera FS-1028MFP", "1.3.6.1.4.1.1347.41", "Kyocera"},
        {"Lexmark T640", "1.3.6.1.4.1.641.1.71106749", "Lexmark"},
        {"OKI MC873", "1.3.6.1.4.1.2001.1.1.1.1", "OKI"},
        {"Samsung M4080FX", "1.3.6.1.4.1.236.11.5.11.62.1", "Samsung"},
        {"Sharp MX-3570N", "1.3.6.1.4.1.2385.3.1.112.1.2", "Sharp"},
        {"Toshiba e-STUDIO2505AC", "1.3.6.1.4.1.1129.2.3.58.2", "Toshiba"},
        {"Toshiba TEC B-EV4", ".1.3.6.1.4.1.1129.1.2.1", "Toshiba"},
        {"Toshiba e-STUDIO305CS (Lexmark-built)", "1.3.6.1.4.1.641.2.71107164", "Lexmark"},
        {"UTAX P-4532DN", "1.3.6.1.4.1.1347.41", "Kyocera"},
        {"Xerox AltaLink C8045", "1.3.6.1.4.1.253.8.62.1.35.2.3.1.1", "Xerox"},
    };
    for (const auto &c : cases) {
        std::optional<std::uint32_t> n = enterprise_number(c.sysObjectId);
        ASSERT_TRUE(n.has_value()) << c.device;
        const char *maker = printer_maker(*n);
        ASSERT_NE(nullptr, maker) << c.device;
        EXPECT_STREQ(c.maker, maker) << c.device;
    }
}

TEST(PrinterMaker, NumbersOutsideTheTable) {
    // 683 (a ZebraNet print server's own number) and 51966 (a label printer)
    // are not printer makers of the table; 10642 is Zebra's own.
    for (std::uint32_t n : {0u, 1u, 9u, 683u, 51966u, 99999u, 4294967295u})
        EXPECT_EQ(nullptr, printer_maker(n)) << n;
    EXPECT_STREQ("Zebra", printer_maker(10642));
    EXPECT_STREQ("Tektronix", printer_maker(128));
    EXPECT_STREQ("IBM", printer_maker(2));
}

TEST(ProbeMib, SubtreeOfAnAnswer) {
    const struct {
        const char *oid;
        ProbeMib mib;
    } cases[] = {
        {"1.3.6.1.2.1.43.5.1.1.17.1", ProbeMib::Printer},
        {"1.3.6.1.2.1.43.8.2.1.2.1.1", ProbeMib::Printer},
        {"1.3.6.1.2.1.25.3.2.1.2.1", ProbeMib::HostResources},
        {"1.3.6.1.2.1.25.3.5.1.1.1", ProbeMib::HostResources},
        {"1.3.6.1.2.1.430.1", ProbeMib::None},  // arcs, not characters
        {"1.3.6.1.2.1.250.1", ProbeMib::None},
        {"1.3.6.1.2.1.43", ProbeMib::None},
        {"1.3.6.1.2.1.31.1.1.1.6.1", ProbeMib::None},
        {"1.3.6.1.4.1.11.2.3.9.1.1.7.0", ProbeMib::None},
        {"2.3.6.1.2.1.43.5", ProbeMib::None},
        {"", ProbeMib::None},
    };
    for (const auto &c : cases) EXPECT_EQ(c.mib, probe_mib_of(c.oid)) << c.oid;
}

}  // namespace
