// Vendor rules: the description rules in order, HP's identification string,
// and the printer makers of --generic.
#include "reports/vendor_rules.h"

#include <limits>

#include "reports/flags.h"

namespace {

bool contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }
bool begins(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The model is text from offset `from` on, text already cut where the model
// ends. It may be empty; a description that stops before `from` has none.
void model_from(VendorMatch &m, std::string_view text, std::size_t from) {
    if (from > text.size()) {
        m.modelOutcome = ModelOutcome::Missing;
        return;
    }
    m.modelOutcome = ModelOutcome::Text;
    m.model = std::string(text.substr(from));
}

// "Lexmark " then the model, ended by two spaces.
void lexmark_model(std::string_view d, VendorMatch &m) {
    if (d.size() <= 8) {
        m.modelOutcome = ModelOutcome::Missing;
        return;
    }
    std::size_t end = d.find("  ", 8);
    m.modelUnterminated = end == std::string_view::npos;
    model_from(m, d.substr(0, end), 8);
}

// "Xerox " then the model; "???" marks interfaces that report no model and
// no standard MIBs.
void xerox_model(std::string_view d, VendorMatch &m) {
    if (contains(d, "???")) {
        m.modelOutcome = ModelOutcome::NotSupported;
        return;
    }
    m.hostMib = m.printMib = true;
    std::size_t space = d.find(' ');
    if (space == std::string_view::npos)
        m.modelOutcome = ModelOutcome::Missing;
    else
        model_from(m, d, space + 1);
}

void qms_model(std::string_view d, VendorMatch &m) { model_from(m, d.substr(0, d.find(';')), 4); }

void ibm_model(std::string_view d, VendorMatch &m) {
    model_from(m, d.substr(0, d.size() > 4 ? d.find(' ', 4) : std::string_view::npos), 4);
}

bool is_host_system(std::string_view d) {
    for (std::string_view system : {"HP-UX", "HPUX", "Windows NT", "Sun SNMP Agent", "SunOS", "Macintosh", "UNIX"})
        if (contains(d, system)) return true;
    return false;
}

struct VendorRule {
    bool (*matches)(std::string_view descr);
    int vendorCode;
    bool hostMib, printMib;
    const char *vendor;
    const char *fixedModel;                          // descriptions that only code the model
    void (*model)(std::string_view, VendorMatch &);  // the model read from the description
};

// In order: the first rule that matches decides.
constexpr VendorRule RULES[] = {
    {[](std::string_view d) { return contains(d, "JETDIRECT"); }, VENDOR_HP, false, false, nullptr, nullptr, nullptr},
    {[](std::string_view d) { return begins(d, "Lexmark"); }, VENDOR_LEXMARK, true, true, "Lexmark", nullptr,
     lexmark_model},
    {[](std::string_view d) { return begins(d, "Tektronix"); }, VENDOR_TEKTRONIX, true, true, nullptr, nullptr,
     nullptr},
    {[](std::string_view d) { return begins(d, "Xerox"); }, VENDOR_XEROX, false, false, "Xerox", nullptr,
     xerox_model},
    {[](std::string_view d) { return begins(d, "131;C1H011131;") || begins(d, ";C1H017730"); }, VENDOR_XEROX, true,
     true, "Xerox", "Document Centre 230ST", nullptr},
    {[](std::string_view d) { return begins(d, "3UP060485"); }, VENDOR_XEROX, true, true, "Xerox",
     "Document Centre 265", nullptr},
    {[](std::string_view d) { return begins(d, "QMS"); }, VENDOR_QMS, false, false, "QMS", nullptr, qms_model},
    {[](std::string_view d) { return begins(d, "IBM"); }, VENDOR_IBM, false, false, "IBM", nullptr, ibm_model},
    {[](std::string_view d) { return begins(d, "EFI Fiery Color Printer Server") || d == "EFI Fiery Server ZX"; },
     VENDOR_EFI, true, false, "EFI", nullptr,
     [](std::string_view, VendorMatch &m) { m.modelOutcome = ModelOutcome::NotSupported; }},
    {[](std::string_view d) { return begins(d, "Able Model-PRII"); }, VENDOR_NONE, false, false, "Fuji",
     "Able PRII", nullptr},
    {is_host_system, VENDOR_NONE, false, false, nullptr, nullptr, nullptr},
};

}  // namespace

VendorMatch identify_vendor(std::string_view d) {
    VendorMatch m;
    for (std::size_t i = 0; i < std::size(RULES); ++i) {
        const VendorRule &rule = RULES[i];
        if (!rule.matches(d)) continue;
        m.rule = static_cast<int>(i + 1);
        m.vendorCode = rule.vendorCode;
        m.hostMib = rule.hostMib;
        m.printMib = rule.printMib;
        m.vendor = rule.vendor;
        if (rule.fixedModel) {
            m.modelOutcome = ModelOutcome::Text;
            m.model = rule.fixedModel;
        } else if (rule.model) {
            rule.model(d, m);
        }
        return m;
    }
    return m;
}

std::optional<std::string> hp_model_from_id(std::string_view id) {
    std::size_t start;
    if (std::size_t at = id.find("MODEL:"); at != std::string_view::npos) {
        start = at + 6;
        if (id.substr(start, 3) == "HP ") start += 3;
    } else if (std::size_t mdl = id.find("MDL:"); mdl != std::string_view::npos) {
        start = mdl + 4;
    } else {
        return std::nullopt;
    }
    std::string_view rest = id.substr(start);
    return std::string(rest.substr(0, rest.find(';')));
}

bool hp_model_has_standard_mibs(std::string_view model, std::string_view descr) {
    if (contains(model, "000") && !contains(model, "2000")) return true;
    if (contains(model, "LaserJet 5") && !contains(model, "Color") && !contains(descr, "JETDIRECT EX"))
        return true;
    return contains(model, "8100") || contains(model, "4500") || contains(model, "8500") ||
           contains(model, "4050");
}

std::optional<std::vector<std::string>> hp_command_set(std::string_view id) {
    std::size_t start;
    if (std::size_t at = id.find("COMMAND SET:"); at != std::string_view::npos)
        start = at + 12;
    else if (std::size_t cmd = id.find("CMD:"); cmd != std::string_view::npos)
        start = cmd + 4;
    else
        return std::nullopt;
    std::string_view list = id.substr(start);
    list = list.substr(0, list.find(';'));
    std::vector<std::string> items;
    for (;;) {
        std::size_t comma = list.find(',');
        items.emplace_back(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return items;
}

std::vector<const char *> answer_command_set(const std::vector<std::string> &items, FlagWords &flags) {
    static const struct {
        const char *item;
        Option option;
        const char *key;
    } languages[] = {{"POSTSCRIPT", Option::postscript, "postscript"},
                     {"PCL", Option::pcl, "pcl"},
                     {"HP-GL", Option::hpgl, "hpgl"},
                     {"PJL", Option::pjl, "pjl"}};
    std::vector<const char *> keys;
    for (const std::string &item : items) {
        for (const auto &lang : languages) {
            if (flags.asked(lang.option) && item == lang.item) {
                keys.push_back(lang.key);
                flags.answered(lang.option);
            }
        }
    }
    return keys;
}

std::optional<std::uint32_t> enterprise_number(std::string_view oid) {
    if (!oid.empty() && oid.front() == '.') oid.remove_prefix(1);
    constexpr std::string_view enterprises = "1.3.6.1.4.1.";
    if (oid.substr(0, enterprises.size()) != enterprises) return std::nullopt;
    oid.remove_prefix(enterprises.size());
    std::uint64_t n = 0;
    std::size_t digits = 0;
    for (; digits < oid.size() && oid[digits] >= '0' && oid[digits] <= '9'; ++digits) {
        n = n * 10 + static_cast<std::uint64_t>(oid[digits] - '0');
        if (n > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    if (digits == 0 || (digits < oid.size() && oid[digits] != '.')) return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

const char *printer_maker(std::uint32_t enterprise) {
    // IANA private enterprise numbers of printer makers.
    static constexpr struct {
        std::uint32_t number;
        const char *name;
    } makers[] = {
        {2, "IBM"},       {11, "HP"},       {128, "Tektronix"}, {236, "Samsung"},  {253, "Xerox"},
        {297, "Fuji Xerox"}, {367, "Ricoh"}, {641, "Lexmark"},   {674, "Dell"},     {1129, "Toshiba"},
        {1248, "Epson"},  {1347, "Kyocera"}, {1602, "Canon"},    {2001, "OKI"},     {2385, "Sharp"},
        {2435, "Brother"}, {10642, "Zebra"}, {18334, "Konica Minolta"},
    };
    for (const auto &m : makers)
        if (m.number == enterprise) return m.name;
    return nullptr;
}

ProbeMib probe_mib_of(std::string_view oid) {
    auto inside = [&](std::string_view subtree) {
        return oid.size() > subtree.size() && oid.substr(0, subtree.size()) == subtree &&
               oid[subtree.size()] == '.';
    };
    if (inside("1.3.6.1.2.1.43")) return ProbeMib::Printer;
    if (inside("1.3.6.1.2.1.25")) return ProbeMib::HostResources;
    return ProbeMib::None;
}
