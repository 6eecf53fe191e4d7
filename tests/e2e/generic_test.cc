// --generic end to end: the binary against every real printer recording
// (snmpsimd), with and without the option, and against scripted agents for the
// answers the standard-MIB probe can meet. Expected output is computed here from
// the recording itself: what an SNMPv1 agent serving it answers to each request
// prowlet sends, and the fields and messages those answers make.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reports/enums.h"
#include "reports/output.h"
#include "reports/vendor_rules.h"
#include "tests/support/agents.h"
#include "tests/support/fake_agent.h"
#include "tests/support/run_prowlet.h"

namespace fs = std::filesystem;

namespace {

const char kCommunity[] = "public";
const std::vector<std::string> kReports = {"--vendor",   "--model",    "--printmib", "--hostmib",
                                           "--pagecount", "--supplies", "--inputtray"};

// ---------------------------------------------------------------------------
// A recording as an agent holds it

struct RecValue {
    int tag = 0;        // 2, 4, 5, 6, 64, 65, 66, 67, 70
    std::string bytes;  // OCTET STRING content (hex decoded); other types: the text
};

using Arcs = std::vector<std::uint32_t>;

struct Recording {
    std::map<Arcs, std::pair<std::string, RecValue>> objects;  // arcs -> (dotted, value)

    const RecValue *get(const std::string &oid) const {
        auto it = objects.find(fake_oid_arcs(oid));
        return it == objects.end() ? nullptr : &it->second.second;
    }
    // The object a get-next from oid lands on, or nullptr at the end of the MIB.
    const std::pair<std::string, RecValue> *next(const std::string &oid) const {
        auto it = objects.upper_bound(fake_oid_arcs(oid));
        return it == objects.end() ? nullptr : &it->second;
    }
};

std::string unhex(const std::string &hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

Recording load(const std::string &path) {
    Recording rec;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        // The agent reads each line without its trailing white space.
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        std::size_t bar1 = line.find('|');
        std::size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
        if (bar2 == std::string::npos) continue;
        std::string oid = line.substr(0, bar1);
        std::string tag = line.substr(bar1 + 1, bar2 - bar1 - 1);
        std::string value = line.substr(bar2 + 1);
        RecValue v;
        bool hex = !tag.empty() && tag.back() == 'x';
        if (hex) tag.pop_back();
        v.tag = std::stoi(tag);
        v.bytes = hex && v.tag == 4 ? unhex(value) : value;
        if (v.tag == 6 && !v.bytes.empty() && v.bytes.front() == '.') v.bytes.erase(0, 1);
        rec.objects[fake_oid_arcs(oid)] = {oid, v};
    }
    return rec;
}

// Text as a record slot or a C string holds it: cut at a NUL.
std::string c_text(const std::string &bytes) { return bytes.substr(0, bytes.find('\0')); }

// ---------------------------------------------------------------------------
// What one run prints

struct Expected {
    std::vector<std::pair<bool, std::string>> pieces;  // (continues, text) in order
    std::string err;
    int status = 0;

    void field(const std::string &text) { pieces.emplace_back(true, text); }
    // The classic line rules for one printer without the name field: a record
    // line closes the open line, a piece ending in "\n" closes its own.
    std::string out() const {
        std::string text;
        bool open = false;
        for (const auto &[continues, piece] : pieces) {
            if (open && !continues) text += '\n';
            text += piece;
            open = continues && !piece.empty() && piece.back() != '\n';
        }
        if (open) text += '\n';
        return text;
    }
};

struct CutField {
    std::string key, value;
    bool printerText = false;  // escaped
};

// A piece of the Printer MIB reports: at most 511 characters with its line
// end; whole fields while they fit, then what fits of the next value (whole
// escape sequences and characters), closed.
std::string cut_piece(const std::vector<CutField> &fields, bool endsLine) {
    const std::size_t room = endsLine ? 510 : 511;
    std::string text;
    for (const CutField &f : fields) {
        const std::string whole = f.key + "=\"" + (f.printerText ? escape_value(f.value) : f.value) + "\";";
        if (text.size() + whole.size() <= room) {
            text += whole;
            continue;
        }
        const std::size_t frame = f.key.size() + 4;
        if (text.size() + frame <= room) {
            const std::size_t left = room - text.size() - frame;
            text += f.key + "=\"" + (f.printerText ? escape_value(f.value, left) : f.value.substr(0, left)) + "\";";
        }
        break;
    }
    return endsLine ? text + "\n" : text;
}

std::string named(Expected &e, const std::string &host, const char *object, NameTable table,
                  std::int64_t value) {
    if (const char *name = table_name(table, value)) return name;
    e.err += "Warning: " + host + ": " + object + " value " + std::to_string(value) +
             " has no name; printing the number.\n";
    return std::to_string(value);
}

std::string status_of(Expected &e, const std::string &host, std::int64_t status) {
    if ((status & 7) == 7)
        e.err += "Warning: " + host + " reported the undefined sub-unit availability 7 (status " +
                 std::to_string(static_cast<unsigned long long>(status)) + ").\n";
    return decode_status(static_cast<std::uint64_t>(status));
}

struct Column {
    const char *oid;
    int tag;  // 2 INTEGER, 4 OCTET STRING, 65 Counter
};
using Row = std::vector<std::string>;  // one value per column, in column order

// The rows a table walk reads: get-next on every column at once, each value
// taken from the last binding whose OID text begins with the column's; the
// first column without one, or the end of the MIB, ends the walk.
std::vector<Row> walk(const Recording &rec, const std::vector<Column> &columns, Expected &e) {
    std::vector<Row> rows;
    std::vector<std::string> at;
    for (const Column &c : columns) at.push_back(c.oid);
    for (;;) {
        std::vector<const std::pair<std::string, RecValue> *> reply;
        for (const std::string &oid : at) {
            const auto *next = rec.next(oid);
            if (!next) return rows;  // noSuchName
            EXPECT_NE(70, next->second.tag) << "walk lands on a Counter64 at " << next->first;
            reply.push_back(next);
        }
        Row row(columns.size());
        bool complete = true;
        for (std::size_t k = columns.size(); k-- > 0;) {
            const Column &c = columns[k];
            const std::pair<std::string, RecValue> *found = nullptr;
            for (const auto *b : reply)
                if (b->first.rfind(c.oid, 0) == 0) found = b;
            if (!found) {
                complete = false;
                continue;
            }
            int t = found->second.tag;
            if (t == 65 && c.tag == 2)
                e.err += std::string("Warning: Counter returned when Integer expected for ") + c.oid +
                         ".Buggy firmware?\n";
            else if (t == 2 && c.tag == 65)
                e.err += std::string("Warning: Integer returned when Counter expected for ") + c.oid +
                         ". Buggy firmware?\n";
            else
                EXPECT_EQ(c.tag, t) << "value type this model does not cover at " << found->first;
            row[k] = c.tag == 4 ? c_text(found->second.bytes).substr(0, 254) : found->second.bytes;
        }
        if (!complete) return rows;
        rows.push_back(row);
        at.clear();
        for (const auto *b : reply) at.push_back(b->first);
    }
}

long long num(const std::string &s) { return std::stoll(s); }
std::string n(const std::string &s) { return std::to_string(num(s)); }

void printer_mib_reports(const Recording &rec, const std::string &host, Expected &e) {
    // --pagecount: prtMarkerLifeCount, prtMarkerCounterUnit.
    for (const Row &r : walk(rec, {{"1.3.6.1.2.1.43.10.2.1.4", 65}, {"1.3.6.1.2.1.43.10.2.1.3", 2}}, e)) {
        std::string units = named(e, host, "prtMarkerCounterUnit", MARKERCOUNTERUNIT, num(r[1]));
        e.pieces.emplace_back(true, cut_piece({{"counterUnits", units}, {"pagecount", n(r[0])}}, true));
    }
    // --inputtray
    const std::vector<Column> tray = {
        {"1.3.6.1.2.1.43.8.2.1.2", 2},  {"1.3.6.1.2.1.43.8.2.1.3", 2},  {"1.3.6.1.2.1.43.8.2.1.6", 2},
        {"1.3.6.1.2.1.43.8.2.1.7", 2},  {"1.3.6.1.2.1.43.8.2.1.8", 2},  {"1.3.6.1.2.1.43.8.2.1.9", 2},
        {"1.3.6.1.2.1.43.8.2.1.10", 2}, {"1.3.6.1.2.1.43.8.2.1.11", 2}, {"1.3.6.1.2.1.43.8.2.1.12", 4},
        {"1.3.6.1.2.1.43.8.2.1.13", 4}, {"1.3.6.1.2.1.43.8.2.1.18", 4}};
    for (const Row &r : walk(rec, tray, e)) {
        std::string type = named(e, host, "prtInputType", INPUTTYPE, num(r[0]));
        std::string dim = named(e, host, "prtInputDimUnit", MEDIAUNIT, num(r[1]));
        std::string cap = named(e, host, "prtInputCapacityUnit", CAPACITYUNIT, num(r[4]));
        std::string status = status_of(e, host, num(r[7]));
        e.pieces.emplace_back(false, cut_piece({{"type", type},
                                                {"dimUnit", dim},
                                                {"dimFeedDir", n(r[2])},
                                                {"dimXFeedDir", n(r[3])},
                                                {"capUnit", cap},
                                                {"maxCap", n(r[5])},
                                                {"curLevel", n(r[6])},
                                                {"mediaName", r[8], true},
                                                {"name", r[9], true},
                                                {"description", r[10], true},
                                                {"status", status}},
                                               true));
    }
    // --supplies
    const std::vector<Column> supply = {
        {"1.3.6.1.2.1.43.11.1.1.4", 2}, {"1.3.6.1.2.1.43.11.1.1.5", 2}, {"1.3.6.1.2.1.43.11.1.1.6", 4},
        {"1.3.6.1.2.1.43.11.1.1.7", 2}, {"1.3.6.1.2.1.43.11.1.1.8", 2}, {"1.3.6.1.2.1.43.11.1.1.9", 2}};
    for (const Row &r : walk(rec, supply, e)) {
        std::string cls = named(e, host, "prtMarkerSuppliesClass", MARKERSUPPLIESCLASS, num(r[0]));
        if (const char *type = table_name(MARKERSUPPLIESTYPE, num(r[1]))) {
            e.pieces.emplace_back(true, std::string("type=\"") + type + "\";");
        } else {
            e.err += "Warning: markerSupplyType=" + n(r[1]) + " out of bounds.\n";
            e.pieces.emplace_back(true, "type=\"" + n(r[1]) + "\";");
        }
        if (const char *unit = table_name(MARKERSUPPLIESUNIT, num(r[3])))
            e.pieces.emplace_back(true, std::string("supplyunit=\"") + unit + "\";");
        else
            e.err += "Warning: markerSupplyUnit=" + n(r[3]) + " out of bounds.\n";
        e.pieces.emplace_back(
            false, cut_piece({{"class", cls}, {"desc", r[2], true}, {"maxcap", n(r[4])}, {"level", n(r[5])}}, true));
    }
}

// The maker names a user expects for the enterprise numbers the recordings carry.
const std::map<std::uint32_t, std::string> kMakers = {
    {11, "HP"},       {236, "Samsung"}, {253, "Xerox"},   {297, "Fuji Xerox"}, {367, "Ricoh"},
    {641, "Lexmark"}, {674, "Dell"},    {1129, "Toshiba"}, {1248, "Epson"},    {1347, "Kyocera"},
    {1602, "Canon"},  {2001, "OKI"},    {2385, "Sharp"},  {2435, "Brother"},   {18334, "Konica Minolta"}};

std::string expected_vendor(const Recording &rec) {
    const RecValue *oid = rec.get("1.3.6.1.2.1.1.2.0");
    if (!oid || oid->tag != 6) return "unknown";
    const std::string prefix = "1.3.6.1.4.1.";
    if (oid->bytes.rfind(prefix, 0) != 0) return "unknown";
    std::uint32_t n = static_cast<std::uint32_t>(std::stoul(oid->bytes.substr(prefix.size())));
    auto it = kMakers.find(n);
    return it == kMakers.end() ? "unknown" : it->second;
}

// Where the probe's get-next from start lands: 0 end of MIB, 1 a value, 2 a
// Counter64 (genErr over SNMPv1).
struct Landing {
    int kind;
    std::string oid;
};
Landing land(const Recording &rec, const std::string &start) {
    const auto *next = rec.next(start);
    if (!next) return {0, ""};
    if (next->second.tag == 70) return {2, next->first};
    return {1, next->first};
}

bool inside(const std::string &oid, const std::string &subtree) {
    return oid.rfind(subtree + ".", 0) == 0;
}

struct Probe {
    bool host = false, printer = false;
};

Probe probe(const Recording &rec, const std::string &host, Expected &e) {
    const char *starts[] = {"1.3.6.1.2.1.43.5.1.1.1", "1.3.6.1.2.1.25.3.2.1.2"};
    Landing l[2] = {land(rec, starts[0]), land(rec, starts[1])};
    Probe p;
    auto take = [&p](const Landing &x) {
        if (x.kind != 1) return;
        if (inside(x.oid, "1.3.6.1.2.1.43")) p.printer = true;
        if (inside(x.oid, "1.3.6.1.2.1.25")) p.host = true;
    };
    if (l[0].kind == 1 && l[1].kind == 1) {
        take(l[0]);
        take(l[1]);
        return p;
    }
    for (int i = 0; i < 2; ++i) {
        take(l[i]);
        if (l[i].kind == 2)
            e.err += "Warning: " + host + " answered the probe from " + starts[i] +
                     " with error status 5; taken as not supported.\n";
    }
    return p;
}

// What prowlet prints for kReports (plus --generic and --all as asked).
Expected expected_run(const Recording &rec, const std::string &host, bool generic, bool all) {
    Expected e;
    const RecValue *descrValue = rec.get("1.3.6.1.2.1.1.1.0");
    EXPECT_NE(nullptr, descrValue);
    if (!descrValue) return e;
    const std::string d = c_text(descrValue->bytes);
    VendorMatch m = identify_vendor(d);
    bool hostMib = false, printMib = false;

    if (m.rule == 11) {
        e.err = "Warning: " + host + " does not appear to be a printer. Skipping.\n";
        e.status = 10;
        return e;
    }
    if (m.rule == 12 && !generic) {
        e.err = "Warning: " + host + ": unknown printer vendor. Describes itself as \"" +
                escape_value(d) + "\"\n" + UNKNOWN_VENDOR_NOTE;
        e.status = 11;
        return e;
    }
    if (m.rule == 12) {
        Probe p = probe(rec, host, e);
        hostMib = p.host;
        printMib = p.printer;
        e.field("vendor=\"" + expected_vendor(rec) + "\";");
        const RecValue *dev = rec.get("1.3.6.1.2.1.25.3.2.1.3.1");
        std::string model = dev && dev->tag == 4 ? c_text(dev->bytes) : "";
        e.field("model=\"" + escape_value(model.empty() ? d : model) + "\";");
    } else if (m.rule == 1) {
        e.field("vendor=\"HP\";");
        const RecValue *id = rec.get("1.3.6.1.4.1.11.2.3.9.1.1.7.0");
        std::string text = id && id->tag == 4 ? c_text(id->bytes) : "";
        if (text.empty()) {
            e.err += "Warning: " + host + " model not reported.\n";
            if (generic) {
                Probe p = probe(rec, host, e);
                hostMib = p.host;
                printMib = p.printer;
            }
        } else {
            std::optional<std::string> model = hp_model_from_id(text);
            EXPECT_TRUE(model.has_value()) << text;
            if (!model) return e;
            e.field("model=\"" + escape_value(*model) + "\";");
            if (hp_model_has_standard_mibs(*model, d)) {
                printMib = true;
                hostMib = d.find("EEPROM A.03.") == std::string::npos;
            } else if (generic) {
                Probe p = probe(rec, host, e);
                hostMib = p.host;
                printMib = p.printer;
            }
        }
    } else {
        EXPECT_NE(3, m.rule) << "Tektronix is not modelled here";
        hostMib = m.hostMib;
        printMib = m.printMib;
        if (m.vendor) e.field(std::string("vendor=\"") + m.vendor + "\";");
        if (m.modelOutcome == ModelOutcome::Text) {
            if (m.modelUnterminated)
                e.err += "Warning: " + host + ": the model in \"" + escape_value(d) +
                         "\" is not followed by \"  \"; taken to the end.\n";
            e.field("model=\"" + escape_value(m.model) + "\";");
        } else if (m.modelOutcome == ModelOutcome::NotSupported) {
            e.err += host + ": model option not supported on this printer type.\n";
        } else if (m.modelOutcome == ModelOutcome::Missing) {
            e.err += "Warning: " + host + ": no model name in the description \"" + escape_value(d) +
                     "\".\n";
        }
    }
    e.field(std::string("hostmib=\"") + (hostMib ? 'Y' : 'N') + "\";");
    e.field(std::string("printmib=\"") + (printMib ? 'Y' : 'N') + "\";");
    if (printMib) {
        printer_mib_reports(rec, host, e);
    } else if (!all) {
        for (const char *option : {"inputtray", "pagecount", "supplies"})
            e.err += host + ": " + option + " option not supported on this printer type.\n";
        e.status = 6;
    }
    return e;
}

// ---------------------------------------------------------------------------
// Agents, started once

std::unique_ptr<SimulatedPrinters> realAgent;
std::unique_ptr<SimulatedPrinters> probeAgent;

// Small recordings of our own for the probe's answers, served by snmpsimd.
const std::vector<std::pair<std::string, std::string>> kProbeRecordings = {
    {"127.0.4.1", "generic-both.snmprec"},       {"127.0.4.2", "generic-hostonly.snmprec"},
    {"127.0.4.3", "generic-printeronly.snmprec"}, {"127.0.4.4", "generic-none.snmprec"},
    {"127.0.4.5", "generic-end.snmprec"},        {"127.0.4.6", "generic-counter64.snmprec"},
};

class Agents : public testing::Environment {
 public:
    void SetUp() override {
        std::vector<PrinterRecording> own;
        for (const auto &[address, name] : kProbeRecordings)
            own.push_back({address, std::string(PROWLET_SOURCE_DIR) + "/tests/e2e/recordings/" + name});
        probeAgent = std::make_unique<SimulatedPrinters>(own, kCommunity);
        std::vector<PrinterRecording> real = realdata_printers();
        if (!real.empty())
            realAgent = std::make_unique<SimulatedPrinters>(real, kCommunity, std::chrono::seconds(120));
    }
    void TearDown() override {
        realAgent.reset();
        probeAgent.reset();
    }
};
const auto *const kAgents = testing::AddGlobalTestEnvironment(new Agents);

RunResult prowlet(std::vector<std::string> args) {
    args.insert(args.begin(), {"-c", kCommunity});
    return run_prowlet(args, std::chrono::seconds(60));
}

void expect_run(const Expected &e, const RunResult &r) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(e.out(), r.out);
    EXPECT_EQ(e.err, r.err);
    EXPECT_EQ(e.status, r.status);
}

// ---------------------------------------------------------------------------
// Every real recording

TEST(GenericRealData, WithoutTheOptionNothingChanges) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    int unknown = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        Recording rec = load(realdata_file(names[i]));
        std::vector<std::string> args = kReports;
        args.push_back(realdata_address(i));
        Expected e = expected_run(rec, realdata_address(i), false, false);
        if (e.status == 11) ++unknown;
        expect_run(e, prowlet(args));
    }
    // Most recordings are of makers no vendor rule knows.
    EXPECT_EQ(49, unknown);
}

TEST(GenericRealData, WithTheOptionEveryPrinterIsServedThroughTheStandardMibs) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    int served = 0, refused = 0, withRows = 0, warned = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        Recording rec = load(realdata_file(names[i]));
        std::vector<std::string> args = kReports;
        args.insert(args.begin(), "--generic");
        args.push_back(realdata_address(i));
        Expected e = expected_run(rec, realdata_address(i), true, false);
        EXPECT_TRUE(e.status == 0 || e.status == 6) << e.status;
        (e.status == 0 ? served : refused)++;
        // Read off the file: a printer holding any Printer MIB row is served.
        bool holdsPrinterMib = false;
        for (const auto &[arcs, object] : rec.objects)
            holdsPrinterMib = holdsPrinterMib || inside(object.first, "1.3.6.1.2.1.43");
        if (holdsPrinterMib) {
            EXPECT_EQ(0, e.status);
        }
        // General fields are vendor, model, hostmib and printmib; the rest are rows.
        if (e.pieces.size() > 4) ++withRows;
        if (e.err.find("error status 5") != std::string::npos) ++warned;
        RunResult r = prowlet(args);
        expect_run(e, r);
        if (holdsPrinterMib) {
            EXPECT_NE(std::string::npos, r.out.find("printmib=\"Y\";"));
        }
    }
    std::printf("--generic: %d printers served (%d with rows), %d without the Printer MIB, %d "
                "probes met genErr\n",
                served, withRows, refused, warned);
    // The recordings keep only some Printer MIB columns, and a walk ends with the
    // first column that runs out: ten of them hold every column of a report.
    EXPECT_GE(withRows, 10);
}

TEST(GenericRealData, WithAllPrintersWithoutThePrinterMibEndWithZero) {
    std::vector<std::string> names = realdata_names();
    if (names.empty()) GTEST_SKIP() << "../shared/realdata is absent";
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        Recording rec = load(realdata_file(names[i]));
        std::vector<std::string> args = kReports;
        args.insert(args.begin(), {"--generic", "--all"});
        args.push_back(realdata_address(i));
        Expected e = expected_run(rec, realdata_address(i), true, true);
        EXPECT_EQ(0, e.status);
        expect_run(e, prowlet(args));
    }
}

// The recorded values themselves, read off the file without the model above:
// a printer whose trays carry every column the report reads prints each
// tray's level, and its supplies' levels, in index order.
TEST(GenericRealData, RecordedLevelsReachTheOutput) {
    std::vector<std::string> names = realdata_names();
    auto it = std::find(names.begin(), names.end(), "hp-color-laserjet-m252dw.snmprec");
    if (it == names.end()) GTEST_SKIP() << "../shared/realdata is absent";
    std::size_t i = static_cast<std::size_t>(it - names.begin());
    RunResult r = prowlet({"--generic", "--inputtray", "--supplies", realdata_address(i)});
    ASSERT_EQ(0, r.status) << r.err;
    Recording rec = load(realdata_file(names[i]));
    std::string levels, got;
    for (const auto &[arcs, object] : rec.objects) {
        if (inside(object.first, "1.3.6.1.2.1.43.8.2.1.10"))
            levels += "curLevel=\"" + object.second.bytes + "\";";
        if (inside(object.first, "1.3.6.1.2.1.43.11.1.1.9"))
            levels += "level=\"" + object.second.bytes + "\";";
    }
    for (std::size_t at = 0; (at = r.out.find("evel=\"", at)) != std::string::npos; ++at) {
        std::size_t start = r.out.rfind(';', at) + 1;
        std::size_t end = r.out.find(';', at);
        got += r.out.substr(start, end - start + 1);
    }
    EXPECT_FALSE(levels.empty());
    EXPECT_EQ(levels, got);
}

// ---------------------------------------------------------------------------
// The probe against scripted agents

FakeMib base_mib() {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("Acme LaserBox 9"));
    mib.set("1.3.6.1.2.1.1.2.0", fake_oid("1.3.6.1.4.1.2435.2.3.9.1"));
    return mib;
}

FakeHandler handler_with_generr(FakeMib mib, std::vector<std::string> genErrAt) {
    FakeHandler inner = fake_mib_handler(mib);
    return [inner, mib, genErrAt](const FakeRequest &req) mutable {
        if (req.pduTag == 0xa1) {
            for (std::size_t i = 0; i < req.bindings.size(); ++i) {
                const auto *next = mib.next(req.bindings[i].oid);
                if (next && std::find(genErrAt.begin(), genErrAt.end(), next->second.oid) !=
                                genErrAt.end())
                    return FakeAgent::reply(fake_error(req, 5, static_cast<int>(i + 1)));
            }
        }
        return inner(req);
    };
}

struct ProbeCase {
    const char *name;
    std::vector<std::pair<std::string, FakeBytes>> objects;
    std::vector<std::string> genErrAt;
    std::string out;       // after the vendor and model fields
    std::string warning;   // probe warning, "" for none
    int getNexts;          // get-next requests the probe sends
};

std::vector<ProbeCase> probe_cases() {
    const std::string prt = "1.3.6.1.2.1.43.5.1.1.17.1";
    const std::string hr = "1.3.6.1.2.1.25.3.2.1.2.1";
    const std::string after = "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.1.0";
    const std::string c64 = "1.3.6.1.2.1.31.1.1.1.6.1";
    return {
        {"both", {{hr, fake_oid("1.3.6.1.2.1.25.3.1.5")}, {prt, fake_string("X1")}}, {},
         "hostmib=\"Y\";printmib=\"Y\";", "", 1},
        {"host only", {{hr, fake_oid("1.3.6.1.2.1.25.3.1.5")}, {after, fake_string("x")}}, {},
         "hostmib=\"Y\";printmib=\"N\";", "", 1},
        {"printer only", {{prt, fake_string("X1")}}, {}, "hostmib=\"N\";printmib=\"Y\";", "", 1},
        {"none, the MIB goes on elsewhere", {{after, fake_string("x")}}, {},
         "hostmib=\"N\";printmib=\"N\";", "", 1},
        // Nothing after the system group: noSuchName for the pair, then for each alone.
        {"end of MIB", {}, {}, "hostmib=\"N\";printmib=\"N\";", "", 3},
        // The printer MIB's start is past the end, the host MIB is there.
        {"end of MIB for one binding", {{hr, fake_oid("1.3.6.1.2.1.25.3.1.5")}}, {},
         "hostmib=\"Y\";printmib=\"N\";", "", 3},
        // A Counter64 row right after hrDeviceType: genErr for the pair; alone,
        // prtGeneral is found and hrDeviceType's answer is unknown.
        {"genErr", {{c64, fake_counter(1)}, {prt, fake_string("X1")}}, {c64},
         "hostmib=\"N\";printmib=\"Y\";",
         "Warning: 127.0.3.1 answered the probe from 1.3.6.1.2.1.25.3.2.1.2 with error status 5; "
         "taken as not supported.\n",
         3},
    };
}

TEST(GenericProbe, AnswersOfTheProbe) {
    for (const ProbeCase &c : probe_cases()) {
        SCOPED_TRACE(c.name);
        FakeMib mib = base_mib();
        for (const auto &[oid, value] : c.objects) mib.set(oid, value);
        FakeAgent agent("127.0.3.1", 161, handler_with_generr(mib, c.genErrAt));
        RunResult r = prowlet({"--generic", "--vendor", "--hostmib", "--printmib", "127.0.3.1"});
        EXPECT_EQ("vendor=\"Brother\";" + c.out + "\n", r.out);
        EXPECT_EQ(c.warning, r.err);
        EXPECT_EQ(0, r.status);
        int getNexts = 0;
        for (const FakeRequest &req : agent.requests()) {
            if (req.pduTag != 0xa1) continue;
            if (getNexts == 0) {
                // One get-next with the two starting points, in this order.
                ASSERT_EQ(2u, req.bindings.size());
                EXPECT_EQ("1.3.6.1.2.1.43.5.1.1.1", req.bindings[0].oid);
                EXPECT_EQ("1.3.6.1.2.1.25.3.2.1.2", req.bindings[1].oid);
            } else {
                EXPECT_EQ(1u, req.bindings.size());
            }
            ++getNexts;
        }
        EXPECT_EQ(c.getNexts, getNexts);
    }
}

// The same answers from snmpsimd, which cannot send a Counter64 over SNMPv1
// and answers a get-next landing on one with genErr.
TEST(GenericProbe, AnswersFromSimulatedPrinters) {
    const char *warning =
        "Warning: 127.0.4.6 answered the probe from 1.3.6.1.2.1.25.3.2.1.2 with error status 5; "
        "taken as not supported.\n";
    const struct {
        const char *address;
        std::string out;
        std::string err;
    } cases[] = {
        {"127.0.4.1", "vendor=\"Canon\";model=\"Acme LB9\";hostmib=\"Y\";printmib=\"Y\";\n", ""},
        {"127.0.4.2",
         "vendor=\"Canon\";model=\"Acme LaserBox 9 (host resources only)\";hostmib=\"Y\";"
         "printmib=\"N\";\n",
         ""},
        {"127.0.4.3",
         "vendor=\"Canon\";model=\"Acme LaserBox 9 (printer MIB only)\";hostmib=\"N\";"
         "printmib=\"Y\";\n",
         ""},
        {"127.0.4.4",
         "vendor=\"Canon\";model=\"Acme LaserBox 9 (neither, the MIB goes on)\";hostmib=\"N\";"
         "printmib=\"N\";\n",
         ""},
        {"127.0.4.5",
         "vendor=\"Canon\";model=\"Acme LaserBox 9 (nothing after the system group)\";"
         "hostmib=\"N\";printmib=\"N\";\n",
         ""},
        {"127.0.4.6",
         "vendor=\"Canon\";model=\"Acme LaserBox 9 (a Counter64 after hrDeviceType)\";"
         "hostmib=\"N\";printmib=\"Y\";\n",
         warning},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address);
        RunResult r = prowlet({"--generic", "--vendor", "--model", "--hostmib", "--printmib", c.address});
        EXPECT_EQ(c.out, r.out);
        EXPECT_EQ(c.err, r.err);
        EXPECT_EQ(0, r.status);
    }
}

// Host-resources and Printer MIB options on printers the probe found without
// them: the usual complaints and statuses.
TEST(GenericProbe, WhatTheProbeDidNotFindIsNotSupported) {
    RunResult host = prowlet({"--generic", "--memory", "--pagecount", "127.0.4.3"});
    EXPECT_EQ("", host.out);
    EXPECT_EQ("127.0.4.3: memory option not supported on this printer type.\n", host.err);
    EXPECT_EQ(5, host.status);
    RunResult printer = prowlet({"--generic", "--pagecount", "--status", "127.0.4.2"});
    EXPECT_EQ("status=\"idle\";\n", printer.out);
    EXPECT_EQ("127.0.4.2: pagecount option not supported on this printer type.\n", printer.err);
    EXPECT_EQ(6, printer.status);
    RunResult all = prowlet({"--generic", "--all", "--memory", "--pagecount", "127.0.4.5"});
    EXPECT_EQ("", all.out);
    EXPECT_EQ("", all.err);
    EXPECT_EQ(0, all.status);
}

TEST(GenericProbe, WithoutTheOptionNoProbe) {
    FakeMib mib = base_mib();
    mib.set("1.3.6.1.2.1.43.5.1.1.17.1", fake_string("X1"));
    FakeAgent agent("127.0.3.2", 161, fake_mib_handler(mib));
    RunResult r = prowlet({"--vendor", "--printmib", "127.0.3.2"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Warning: 127.0.3.2: unknown printer vendor. Describes itself as \"Acme LaserBox 9\"\n" +
                  UNKNOWN_VENDOR_NOTE,
              r.err);
    EXPECT_EQ(11, r.status);
    for (const FakeRequest &req : agent.requests()) EXPECT_NE(0xa1, req.pduTag);
}

TEST(GenericProbe, NoAnswerToTheProbeIsNoResponse) {
    FakeHandler inner = fake_mib_handler(base_mib());
    FakeAgent agent("127.0.3.3", 161, [inner](const FakeRequest &req) mutable {
        if (req.pduTag == 0xa1) return FakeAgent::drop();
        return inner(req);
    });
    RunResult r = prowlet({"--generic", "--timeout", "1", "--printmib", "127.0.3.3"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("prowlet: No response from 127.0.3.3\n", r.err);
    EXPECT_EQ(8, r.status);
}

TEST(GenericIdentity, VendorAndModel) {
    struct Case {
        const char *name;
        std::vector<std::pair<std::string, FakeBytes>> objects;
        std::vector<std::string> erase;
        std::string out;
    } cases[] = {
        {"maker from the table, model from hrDeviceDescr.1",
         {{"1.3.6.1.2.1.25.3.2.1.3.1", fake_string("Acme \"LB9\"\n")}}, {},
         "vendor=\"Brother\";model=\"Acme \\\"LB9\\\"\\n\";"},
        {"maker outside the table",
         {{"1.3.6.1.2.1.1.2.0", fake_oid("1.3.6.1.4.1.99999.1")}}, {},
         "vendor=\"unknown\";model=\"Acme LaserBox 9\";"},
        {"not an enterprise OID", {{"1.3.6.1.2.1.1.2.0", fake_oid("1.3.6.1.2.1.1")}}, {},
         "vendor=\"unknown\";model=\"Acme LaserBox 9\";"},
        {"sysObjectID of another type", {{"1.3.6.1.2.1.1.2.0", fake_string("1.3.6.1.4.1.11")}}, {},
         "vendor=\"unknown\";model=\"Acme LaserBox 9\";"},
        {"no sysObjectID", {}, {"1.3.6.1.2.1.1.2.0"}, "vendor=\"unknown\";model=\"Acme LaserBox 9\";"},
        {"empty hrDeviceDescr.1", {{"1.3.6.1.2.1.25.3.2.1.3.1", fake_string("")}}, {},
         "vendor=\"Brother\";model=\"Acme LaserBox 9\";"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMib mib = base_mib();
        for (const auto &[oid, value] : c.objects) mib.set(oid, value);
        for (const std::string &oid : c.erase) mib.erase(oid);
        FakeAgent agent("127.0.3.4", 161, fake_mib_handler(mib));
        RunResult r = prowlet({"--generic", "--vendor", "--model", "127.0.3.4"});
        EXPECT_EQ(c.out + "\n", r.out);
        EXPECT_EQ("", r.err);
        EXPECT_EQ(0, r.status);
    }
}

// A host system stays refused, --generic or not.
TEST(GenericIdentity, HostSystemsStaySkipped) {
    FakeMib mib = base_mib();
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("SunOS fileserver 5.10"));
    mib.set("1.3.6.1.2.1.25.3.2.1.2.1", fake_oid("1.3.6.1.2.1.25.3.1.5"));
    FakeAgent agent("127.0.3.5", 161, fake_mib_handler(mib));
    RunResult r = prowlet({"--generic", "--vendor", "--hostmib", "127.0.3.5"});
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Warning: 127.0.3.5 does not appear to be a printer. Skipping.\n", r.err);
    EXPECT_EQ(10, r.status);
}

// An HP model outside the standard-MIB rules: the probe decides; the private
// status answers only what the probe did not find.
TEST(GenericHp, ProbeReplacesNeitherMib) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149"));
    mib.set("1.3.6.1.4.1.11.2.3.9.1.1.7.0",
            fake_string("MFG:Hewlett-Packard;CMD:PJL,PCL,POSTSCRIPT;MDL:HP Color LaserJet M880;"));
    mib.set("1.3.6.1.4.1.11.2.4.3.1.2.0", fake_string("READY"));
    mib.set("1.3.6.1.2.1.43.5.1.1.17.1", fake_string("JP1"));
    FakeAgent agent("127.0.3.6", 161, fake_mib_handler(mib));

    RunResult plain = prowlet({"--model", "--printmib", "--status", "--pcl", "127.0.3.6"});
    EXPECT_EQ("model=\"HP Color LaserJet M880\";status=\"READY\";pcl=\"Y\";printmib=\"N\";\n",
              plain.out);
    EXPECT_EQ("", plain.err);
    EXPECT_EQ(6, plain.status);

    // Printer MIB found: the language comes from its reports, not the command set;
    // no host MIB: the private status still answers --status.
    RunResult generic =
        prowlet({"--generic", "--model", "--printmib", "--status", "--pcl", "127.0.3.6"});
    EXPECT_EQ("model=\"HP Color LaserJet M880\";status=\"READY\";printmib=\"Y\";pcl=\"N\";\n",
              generic.out);
    EXPECT_EQ("", generic.err);
    EXPECT_EQ(0, generic.status);
}

// Both MIBs found: --status comes from hrPrinterStatus and --display from the
// Printer MIB's console lines, not from HP's private variables.
TEST(GenericHp, StandardReportsAnswerWhatTheProbeFound) {
    FakeMib mib;
    mib.set("1.3.6.1.2.1.1.1.0", fake_string("HP ETHERNET MULTI-ENVIRONMENT,ROM none,JETDIRECT,JD149"));
    mib.set("1.3.6.1.4.1.11.2.3.9.1.1.7.0", fake_string("MFG:Hewlett-Packard;MDL:HP Color LaserJet M880;"));
    mib.set("1.3.6.1.4.1.11.2.4.3.1.2.0", fake_string("PRIVATE STATUS"));
    mib.set("1.3.6.1.4.1.11.2.3.9.1.1.3.0", fake_string("PRIVATE DISPLAY"));
    mib.set("1.3.6.1.2.1.25.3.2.1.2.1", fake_oid("1.3.6.1.2.1.25.3.1.5"));
    mib.set("1.3.6.1.2.1.25.3.5.1.1.1", fake_int(4));
    mib.set("1.3.6.1.2.1.43.5.1.1.17.1", fake_string("JP1"));
    mib.set("1.3.6.1.2.1.43.16.5.1.2.1.1", fake_string("Ready"));
    FakeAgent agent("127.0.3.7", 161, fake_mib_handler(mib));

    RunResult plain = prowlet({"--status", "--display", "127.0.3.7"});
    EXPECT_EQ("status=\"PRIVATE STATUS\";displayBufferText=\"PRIVATE DISPLAY\";\n", plain.out);
    EXPECT_EQ(0, plain.status);
    const int plainRequests = agent.requestCount();

    RunResult generic = prowlet({"--generic", "--status", "--display", "127.0.3.7"});
    EXPECT_EQ("status=\"printing\";displayBufferText=\"Ready\";\n", generic.out);
    EXPECT_EQ("", generic.err);
    EXPECT_EQ(0, generic.status);
    // HP's private status and display were not even asked for.
    std::vector<FakeRequest> requests = agent.requests();
    for (std::size_t i = static_cast<std::size_t>(plainRequests); i < requests.size(); ++i)
        for (const FakeBinding &b : requests[i].bindings) {
            EXPECT_NE("1.3.6.1.4.1.11.2.4.3.1.2.0", b.oid);
            EXPECT_NE("1.3.6.1.4.1.11.2.3.9.1.1.3.0", b.oid);
        }
}

// ---------------------------------------------------------------------------
// The option itself

TEST(GenericOption, AbbreviationsAndHelp) {
    for (const char *form : {"--generic", "--gen", "--g"}) {
        RunResult r = run_prowlet({form, "--version"});
        EXPECT_EQ("prowlet version 0.8.7\n", r.out) << form;
        EXPECT_EQ(0, r.status) << form;
    }
    // --help names it, after the classic lines.
    RunResult help = run_prowlet({"--help"});
    EXPECT_NE(std::string::npos, help.err.find("\n  --generic "));
    // Unique abbreviations of the other options stay unique.
    for (const char *form : {"--stat", "--vers", "--vend", "--pa", "--mo", "--ho"}) {
        RunResult r = run_prowlet({form, "--version"});
        EXPECT_EQ(0, r.status) << form << r.err;
    }
    RunResult bad = run_prowlet({"--generic=1", "--version"});
    EXPECT_EQ(1, bad.status);
}

}  // namespace
