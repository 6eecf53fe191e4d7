// Vendor rules, HP identification parsing, command sets, name tables, sub-unit
// status text and the --updatefirmware argument, without a network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/enums.h"
#include "reports/flags.h"
#include "tests/support/flag_bits.h"
#include "reports/hp.h"
#include "reports/mib2.h"
#include "reports/output.h"
#include "reports/vendor_rules.h"
#include "tests/support/capture_output.h"

namespace {

// The answers of answer_command_set as the fragment prints them.
std::string answered(const std::vector<std::string> &items, std::uint64_t &flags1) {
    FlagWords flags = FlagWords::from_words(0, flags1, 0);
    Fields fields;
    for (const char *key : answer_command_set(items, flags)) fields.yes_no(key, true);
    flags1 = flags.word(1);
    return classic_text(fields, false, false);
}

struct VendorCase {
    const char *name;
    std::string descr;
    int rule;
    int code;
    bool hostMib;
    bool printMib;
    const char *vendor;  // nullptr: none
    ModelOutcome outcome;
    std::string model;
    bool unterminated;
};

const VendorCase vendorCases[] = {
    {"JetDirectAtStart", "JETDIRECT EX", 1, 1, false, false, nullptr, ModelOutcome::None, "", false},
    {"JetDirectInside", "HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149", 1, 1, false,
     false, nullptr, ModelOutcome::None, "", false},
    {"JetDirectWinsOverHostSystem", "UNIX JETDIRECT", 1, 1, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"JetdirectLowerCaseIsNotHp", "jetdirect box", 12, 0, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"Lexmark", "Lexmark Optra S 1855  version 1.2", 2, 2, true, true, "Lexmark",
     ModelOutcome::Text, "Optra S 1855", false},
    {"LexmarkWithoutDoubleSpace", "Lexmark T640 version NS.NP.N219 kernel 2.6.6 All-N-1", 2, 2,
     true, true, "Lexmark", ModelOutcome::Text,
     "T640 version NS.NP.N219 kernel 2.6.6 All-N-1", true},
    {"LexmarkOnly", "Lexmark", 2, 2, true, true, "Lexmark", ModelOutcome::Missing, "", false},
    {"LexmarkEightChars", "Lexmark ", 2, 2, true, true, "Lexmark", ModelOutcome::Missing, "",
     false},
    {"LexmarkDoubleSpaceAtModelStart", "Lexmark   X", 2, 2, true, true, "Lexmark",
     ModelOutcome::Text, "", false},
    {"LexmarkNotAtStart", "A Lexmark T640", 12, 0, false, false, nullptr, ModelOutcome::None, "",
     false},
    {"Tektronix", "Tektronix Phaser 780", 3, 4, true, true, nullptr, ModelOutcome::None, "",
     false},
    {"Xerox", "Xerox Phaser 4600; System 35.004", 4, 3, true, true, "Xerox", ModelOutcome::Text,
     "Phaser 4600; System 35.004", false},
    {"XeroxQuestionMarks", "Xerox ??? model", 4, 3, false, false, "Xerox",
     ModelOutcome::NotSupported, "", false},
    {"XeroxWithoutSpace", "XeroxDocuPrint", 4, 3, true, true, "Xerox", ModelOutcome::Missing, "",
     false},
    {"XeroxSpaceAtEnd", "Xerox ", 4, 3, true, true, "Xerox", ModelOutcome::Text, "", false},
    {"FujiXeroxIsNotXerox", "FUJI XEROX DocuPrint CM305 df", 12, 0, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"DocumentCentre230", "131;C1H011131;rest", 5, 3, true, true, "Xerox", ModelOutcome::Text,
     "Document Centre 230ST", false},
    {"DocumentCentre230TenChars", ";C1H017730", 5, 3, true, true, "Xerox", ModelOutcome::Text,
     "Document Centre 230ST", false},
    {"DocumentCentre230TenCharsAndMore", ";C1H017730XYZ", 5, 3, true, true, "Xerox",
     ModelOutcome::Text, "Document Centre 230ST", false},
    {"NineCharsOfDocumentCentre", ";C1H01773", 12, 0, false, false, nullptr, ModelOutcome::None,
     "", false},
    {"DocumentCentre265", "3UP060485 something", 6, 3, true, true, "Xerox", ModelOutcome::Text,
     "Document Centre 265", false},
    {"Qms", "QMS 2060 Print System;version 3", 7, 5, false, false, "QMS", ModelOutcome::Text,
     "2060 Print System", false},
    {"QmsWithoutSemicolon", "QMS magicolor", 7, 5, false, false, "QMS", ModelOutcome::Text,
     "magicolor", false},
    {"QmsThreeChars", "QMS", 7, 5, false, false, "QMS", ModelOutcome::Missing, "", false},
    {"QmsSemicolonEarly", "QMS;2060", 7, 5, false, false, "QMS", ModelOutcome::Missing, "",
     false},
    {"QmsSemicolonAtModelStart", "QMS ;2060", 7, 5, false, false, "QMS", ModelOutcome::Text, "",
     false},
    {"Ibm", "IBM Infoprint 12 Network Printer", 8, 6, false, false, "IBM", ModelOutcome::Text,
     "Infoprint", false},
    {"IbmWithoutSpace", "IBM 4317", 8, 6, false, false, "IBM", ModelOutcome::Text, "4317",
     false},
    {"IbmThreeChars", "IBM", 8, 6, false, false, "IBM", ModelOutcome::Missing, "", false},
    {"IbmFourChars", "IBM ", 8, 6, false, false, "IBM", ModelOutcome::Text, "", false},
    {"IbmSpaceAtModelStart", "IBM  Infoprint", 8, 6, false, false, "IBM", ModelOutcome::Text, "",
     false},
    {"EfiColorServer", "EFI Fiery Color Printer Server v2", 9, 7, true, false, "EFI",
     ModelOutcome::NotSupported, "", false},
    {"EfiServerZxExact", "EFI Fiery Server ZX", 9, 7, true, false, "EFI",
     ModelOutcome::NotSupported, "", false},
    {"EfiServerZxLonger", "EFI Fiery Server ZX2", 12, 0, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"EfiServerZxShorter", "EFI Fiery Server Z", 12, 0, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"Fuji", "Able Model-PRII v1", 10, 0, false, false, "Fuji", ModelOutcome::Text, "Able PRII",
     false},
    {"HpUx", "HP-UX host B.11.31", 11, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"Hpux", "HPUX box", 11, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"WindowsNt", "Hardware: x86 Software: Windows NT Version 4.0", 11, 0, false, false, nullptr,
     ModelOutcome::None, "", false},
    {"SunAgent", "Sun SNMP Agent, Ultra-5", 11, 0, false, false, nullptr, ModelOutcome::None, "",
     false},
    {"SunOs", "SunOS host 5.8", 11, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"Macintosh", "Apple Macintosh", 11, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"Unix", "Some UNIX box", 11, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"Unknown", "Canon LBP6670 /P", 12, 0, false, false, nullptr, ModelOutcome::None, "", false},
    {"Empty", "", 12, 0, false, false, nullptr, ModelOutcome::None, "", false},
};

class VendorRules : public testing::TestWithParam<VendorCase> {};

TEST_P(VendorRules, Match) {
    const VendorCase &c = GetParam();
    VendorMatch m = identify_vendor(c.descr);
    EXPECT_EQ(c.rule, m.rule);
    EXPECT_EQ(c.code, m.vendorCode);
    EXPECT_EQ(c.hostMib, m.hostMib);
    EXPECT_EQ(c.printMib, m.printMib);
    EXPECT_EQ(std::string(c.vendor ? c.vendor : "<none>"), std::string(m.vendor ? m.vendor : "<none>"));
    EXPECT_EQ(static_cast<int>(c.outcome), static_cast<int>(m.modelOutcome));
    EXPECT_EQ(c.model, m.model);
    EXPECT_EQ(c.unterminated, m.modelUnterminated);
}

INSTANTIATE_TEST_SUITE_P(General, VendorRules, testing::ValuesIn(vendorCases),
                         [](const testing::TestParamInfo<VendorCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(HpModel, ModelKeySkipsHp) {
    EXPECT_EQ("LaserJet 4000 Series", hp_model_from_id("MODEL:HP LaserJet 4000 Series;"));
}

TEST(HpModel, ModelKeyWithoutHp) {
    EXPECT_EQ("DesignJet 750C", hp_model_from_id("MANUFACTURER:HP;MODEL:DesignJet 750C;CLASS:X"));
}

TEST(HpModel, MdlKeepsHp) {
    EXPECT_EQ("HP LaserJet 4000", hp_model_from_id("MFG:Hewlett-Packard;CMD:PJL;MDL:HP LaserJet 4000;"));
}

TEST(HpModel, ModelPreferredOverEarlierMdl) {
    EXPECT_EQ("B", hp_model_from_id("MDL:A;MODEL:B;"));
}

TEST(HpModel, RunsToEndWithoutSemicolon) {
    EXPECT_EQ("HP LaserJet 5M", hp_model_from_id("MDL:HP LaserJet 5M"));
    EXPECT_EQ("", hp_model_from_id("MODEL:HP "));
    EXPECT_EQ("H", hp_model_from_id("MODEL:H"));
}

TEST(HpModel, NoKey) {
    EXPECT_FALSE(hp_model_from_id("MFG:Hewlett-Packard;CMD:PJL,PCL;"));
    EXPECT_FALSE(hp_model_from_id(""));
    EXPECT_FALSE(hp_model_from_id("model:x;mdl:y"));
}

TEST(HpModel, LongIdentificationKeepsEveryByte) {
    // Real identification strings exceed 254 bytes; the model may sit at the end.
    std::string id(300, 'x');
    id += ";MDL:HP Color LaserJet Pro M252dw;";
    EXPECT_EQ("HP Color LaserJet Pro M252dw", hp_model_from_id(id));
}

struct MibCase {
    const char *model;
    const char *descr;
    bool standard;
};

TEST(HpStandardMibs, Rules) {
    const MibCase cases[] = {
        {"LaserJet 4000 Series", "JETDIRECT", true},
        {"LaserJet 2000", "JETDIRECT", false},
        {"LaserJet 2000 8000", "JETDIRECT", false},  // "2000" excludes rule (a) outright
        {"LaserJet 20000", "JETDIRECT", false},
        {"LaserJet 5000", "JETDIRECT EX", true},     // rule (a) ignores the description
        {"LaserJet 5", "JETDIRECT", true},
        {"LaserJet 5M", "JETDIRECT", true},
        {"Color LaserJet 5", "JETDIRECT", false},
        {"LaserJet 5", "HP JETDIRECT EX,JD28", false},
        {"LaserJet 4", "JETDIRECT", false},
        {"LaserJet 8100", "JETDIRECT", true},
        {"Color LaserJet 4500", "JETDIRECT", true},
        {"Color LaserJet 8500", "JETDIRECT EX", true},
        {"LaserJet 4050", "JETDIRECT", true},
        {"DeskJet 890C", "JETDIRECT", false},
        {"", "JETDIRECT", false},
    };
    for (const MibCase &c : cases)
        EXPECT_EQ(c.standard, hp_model_has_standard_mibs(c.model, c.descr)) << c.model << " / " << c.descr;
}

TEST(HpCommandSet, CommandSetKeyFirst) {
    auto items = hp_command_set("CMD:PCL;COMMAND SET:PJL,POSTSCRIPT;");
    ASSERT_TRUE(items);
    EXPECT_EQ((std::vector<std::string>{"PJL", "POSTSCRIPT"}), *items);
}

TEST(HpCommandSet, CmdKey) {
    auto items = hp_command_set("MFG:HP;CMD:PJL, PCL,POSTSCRIPT,;MDL:x");
    ASSERT_TRUE(items);
    EXPECT_EQ((std::vector<std::string>{"PJL", " PCL", "POSTSCRIPT", ""}), *items);
}

TEST(HpCommandSet, ToEndAndEmpty) {
    EXPECT_EQ((std::vector<std::string>{"PCL"}), *hp_command_set("CMD:PCL"));
    EXPECT_EQ((std::vector<std::string>{""}), *hp_command_set("CMD:;"));
    EXPECT_FALSE(hp_command_set("MDL:HP LaserJet 4;"));
}

TEST(HpCommandSet, AnswersInListOrder) {
    std::uint64_t f1 = F1_PCL | F1_PJL | F1_POSTSCRIPT | F1_LANGUAGES;
    EXPECT_EQ("pjl=\"Y\";pcl=\"Y\";postscript=\"Y\";",
              answered({"PJL", "PCL", "POSTSCRIPT"}, f1));
    EXPECT_EQ(F1_LANGUAGES, f1);
}

TEST(HpCommandSet, LeadingSpaceDoesNotMatch) {
    std::uint64_t f1 = F1_PCL | F1_PJL;
    EXPECT_EQ("pjl=\"Y\";", answered({"PJL", " PCL"}, f1));
    EXPECT_EQ(F1_PCL, f1);
}

TEST(HpCommandSet, OnlyAskedLanguagesAndEachOnce) {
    std::uint64_t f1 = F1_HPGL;
    EXPECT_EQ("hpgl=\"Y\";", answered({"PCL", "HP-GL", "HP-GL", "pcl"}, f1));
    EXPECT_EQ(0u, f1);
    std::uint64_t none = F1_PSPRINTER | F1_AUTOLANG;
    EXPECT_EQ("", answered({"POSTSCRIPT", "PCL"}, none));
    EXPECT_EQ(F1_PSPRINTER | F1_AUTOLANG, none);
}

// Each table names exactly the values given, and nothing around them.
void expect_names(NameTable table, std::int64_t first, const std::vector<const char *> &expected) {
    for (std::int64_t v = first - 3; v < first + static_cast<std::int64_t>(expected.size()) + 3; ++v) {
        const std::size_t at = static_cast<std::size_t>(v - first);
        const char *want = v >= first && at < expected.size() ? expected[at] : nullptr;
        if (want)
            EXPECT_STREQ(want, table_name(table, v)) << v;
        else
            EXPECT_EQ(nullptr, table_name(table, v)) << v;
    }
}

TEST(GeneralNameTables, HrStatus) {
    expect_names(HRSTATUSSTATES, 0, {nullptr, "other", "unknown", "idle", "printing", "warmup"});
}

TEST(GeneralNameTables, TcpConnStates) {
    expect_names(TCPCONNSTATES, 0,
                 {nullptr, "closed", "listen", "synSent", "synReceived", "established", "finWait1", "finWait2",
                  "closeWait", "lastAck", "closing", "timeWait"});
}

TEST(GeneralNameTables, HpCfgSource) {
    expect_names(HPCFGSOURCESTATES, 0, {"bootp", "manual", "unknown", "manual", "bootp", "dhcp"});
}

TEST(DecodeStatus, Values) {
    EXPECT_EQ("Available and Idle", decode_status(0));
    EXPECT_EQ("Unavailable and OnRequest", decode_status(1));
    EXPECT_EQ("Available and Standby", decode_status(2));
    EXPECT_EQ("Unavailable because Broken", decode_status(3));
    EXPECT_EQ("Available and Active", decode_status(4));
    EXPECT_EQ("Unknown", decode_status(5));
    EXPECT_EQ("Available and Busy", decode_status(6));
    EXPECT_EQ("Off-Line Non-Critical Alerts Available and Idle", decode_status(40));
    EXPECT_EQ("Transitioning Off-Line Critical Alerts Non-Critical Alerts Available and Idle",
              decode_status(120));
    EXPECT_EQ("Available and Active", decode_status(128 + 4));
    EXPECT_EQ("Critical Alerts Unavailable because Broken", decode_status(16 + 3));
    EXPECT_EQ("Transitioning Available and Busy", decode_status(0xffffffffffffff46ull));
}

TEST(DecodeStatus, UndefinedAvailabilityIsNamedAndWarned) {
    testing::internal::CaptureStderr();
    std::string quiet = decode_status(7);
    std::string quietErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ("Undefined availability 7", quiet);
    EXPECT_EQ("", quietErr);

    CaptureOutput out("printer1");
    std::string text = decode_status(8 + 7, &out);
    EXPECT_EQ("Non-Critical Alerts Undefined availability 7", text);
    EXPECT_EQ("Warning: printer1 reported the undefined sub-unit availability 7 (status 15).\n", out.err);
}

TEST(Firmware, SplitAtFirstColon) {
    auto s = split_firmware_arg("tftp.example:/images/fw:2.bin");
    ASSERT_TRUE(s);
    EXPECT_EQ("tftp.example", s->server);
    EXPECT_EQ("/images/fw:2.bin", s->filename);
}

TEST(Firmware, RefusedArguments) {
    EXPECT_FALSE(split_firmware_arg("server-only"));
    EXPECT_FALSE(split_firmware_arg(":/file"));
    EXPECT_FALSE(split_firmware_arg("server:"));
    EXPECT_FALSE(split_firmware_arg(""));
}

TEST(Firmware, TransportAddressKeepsZeroBytes) {
    auto a = tftp_transport_address("10.0.0.5");
    ASSERT_TRUE(a);
    EXPECT_EQ((std::array<unsigned char, 6>{10, 0, 0, 5, 0x00, 0x45}), *a);
}

TEST(Firmware, TransportAddressOfLoopbackName) {
    auto a = tftp_transport_address("127.0.0.1");
    ASSERT_TRUE(a);
    EXPECT_EQ((std::array<unsigned char, 6>{127, 0, 0, 1, 0x00, 0x45}), *a);
}

TEST(HwAddr, SixBytesWithTrailingColon) {
    EXPECT_EQ("00:1b:78:00:ff:0a:", format_hwaddr(std::string("\x00\x1b\x78\x00\xff\x0a\x99", 7)));
    EXPECT_EQ("01:02:", format_hwaddr("\x01\x02"));
}

struct EscapeCase {
    const char *name;
    std::string text;
    std::string escaped;
    std::size_t limit = std::string::npos;
};

const EscapeCase escapeCases[] = {
    {"Plain", "plain text", "plain text"},
    {"QuoteAndBackslash", "a\"b\\c", "a\\\"b\\\\c"},
    {"Newline", "line1\nline2", "line1\\nline2"},
    {"C0ControlsAndDel", std::string("\x01\x15Roman\x7f\x00", 9), "\\x01\\x15Roman\\x7f\\x00"},
    {"Empty", "", ""},
    // Well-formed UTF-8 passes, also where continuation bytes are 0x80-0x9F.
    {"Accented", "caf\xc3\xa9", "caf\xc3\xa9"},
    {"SAcute", "\xc5\x9b", "\xc5\x9b"},
    {"Cjk", "\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
    {"FourBytes", "\xf0\x9f\x96\xa8", "\xf0\x9f\x96\xa8"},
    {"NoBreakSpaceAfterC1", "\xc2\xa0", "\xc2\xa0"},
    // C1 controls encoded in UTF-8: CSI, OSC, NEL, the first and the last.
    {"Utf8Csi", "a\xc2\x9b" "2J", "a\\xc2\\x9b2J"},
    {"Utf8Osc", "\xc2\x9d" "0;t\x07", "\\xc2\\x9d0;t\\x07"},
    {"Utf8Nel", "\xc2\x85", "\\xc2\\x85"},
    {"Utf8FirstAndLastC1", "\xc2\x80\xc2\x9f", "\\xc2\\x80\\xc2\\x9f"},
    // Raw C1 bytes, outside any character; other stray bytes pass.
    {"RawCsi", "\x9b" "31m", "\\x9b31m"},
    {"RawC1Range", "\x80\x9f\xa0", "\\x80\\x9f\xa0"},
    {"Latin1Accent", "caf\xe9", "caf\xe9"},
    {"LeadWithoutContinuation", "\xc2" "A\xc5", "\xc2" "A\xc5"},
    {"CutCharacter", "\xe6\x97", "\xe6\\x97"},
    {"LeadBeforeC1", "\xc2\xc2\x9b", "\xc2\\xc2\\x9b"},
    {"OverlongEsc", "\xc0\x9b", "\xc0\\x9b"},
    {"OverlongCsi", "\xe0\x82\x9b", "\xe0\\x82\\x9b"},
    {"Surrogate", "\xed\xa0\x80", "\xed\xa0\\x80"},
    {"PastUnicode", "\xf4\x90\x80\x80", "\xf4\\x90\\x80\\x80"},
    // A limit never cuts an escape sequence or a character.
    {"LimitBeforeEscape", "ab\"c", "ab", 3},
    {"LimitAfterEscape", "ab\"c", "ab\\\"", 4},
    {"LimitBeforeHex", "x\x01", "x", 4},
    {"LimitBeforeC1Pair", "x\xc2\x9b", "x", 8},
    {"LimitInsideCharacter", "\xc3\xa9\xc3\xa9", "\xc3\xa9", 3},
    {"LimitInsideBackslashes", "\\\\\\", "\\\\\\\\", 5},
    {"LimitZero", "abc", "", 0},
};

class EscapeValue : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeValue, Escapes) {
    const EscapeCase &c = GetParam();
    EXPECT_EQ(c.escaped, escape_value(c.text, c.limit));
}

INSTANTIATE_TEST_SUITE_P(Cases, EscapeValue, testing::ValuesIn(escapeCases),
                         [](const testing::TestParamInfo<EscapeCase> &i) { return std::string(i.param.name); });

}  // namespace
