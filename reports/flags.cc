// flags: the option table, the flag words and the capability word.
#include "reports/flags.h"

#include <stdexcept>

namespace {

// Flag options first (their bits by word and value), then the options with
// handling of their own. The order is getopt_long's: it decides which option
// an abbreviation names and how the candidates of an ambiguous one are listed.
constexpr OptionSpec OPTION_TABLE[] = {
    {Option::version, "version", 0, false, 0, 0x8, MibGroup::None, Report::None, nullptr, 0, {{6, "\t--version\tPrint out the version info."}}},
    {Option::all, "all", 0, false, 0, 0x10, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::debugsnmp, "debugsnmp", 0, false, 0, 0x20, MibGroup::None, Report::None, nullptr, 0, {{53, "\t--debugsnmp\t"}}},
    {Option::name, "name", 0, false, 0, 0x40, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::vendor, "vendor", 0, false, 0, 0x1000, MibGroup::None, Report::General, nullptr, 0, {{7, "\t--vendor\tPrint out the printer's vendor"}}},
    {Option::model, "model", 0, false, 0, 0x80, MibGroup::None, Report::General, "model", 0, {{8, "\t--model\tPrint out the printer's model"}}},
    {Option::contact, "contact", 0, false, 0, 0x100, MibGroup::None, Report::General, nullptr, 0, {{9, "\t--contact\tPrint out the location and contact"}}},
    {Option::netconfig, "netconfig", 0, false, 0, 0x200, MibGroup::None, Report::General, nullptr, 0, {{10, "\t--netconfig\tPrint out the network configuration"}}},
    {Option::printmib, "printmib", 0, false, 0, 0x800, MibGroup::None, Report::General, nullptr, 0, {{11, "\t--printmib\tPrint out whether the printer supports the printer MIB"}}},
    {Option::hostmib, "hostmib", 0, false, 0, 0x400, MibGroup::None, Report::General, nullptr, 0, {{12, "\t--hostmib\tPrint out whether the printer supports the host MIB"}}},
    {Option::memory, "memory", 0, false, 0, 0x8000, MibGroup::HostResources, Report::HostResources, "memory", 1, {{13, "\t--memory\tPrint out the amount of memory that the printer has in it."}}},
    {Option::storage, "storage", 0, false, 0, 0x2000, MibGroup::HostResources, Report::HostResources, "storage", 2, {{14, "\t--storage\tPrint out the storage table"}}},
    {Option::status, "status", 0, false, 0, 0x4000, MibGroup::HostResources, Report::HostResources, "status", 3, {{15, "\t--status\tPrint out the printer status"}}},
    {Option::mediapath, "mediapath", 0, false, 0, 0x10000, MibGroup::PrinterMib, Report::MediaPaths, "mediapath", 1, {{16, "\t--mediapath\tPrint out the media path table"}}},
    {Option::maxpapersize, "maxpapersize", 0, false, 0, 0x20000, MibGroup::PrinterMib, Report::MediaPaths, "maxpapersize", 2, {{17, "\t--maxpapersize\tPrint out the maximum paper size"}}},
    {Option::enginespeed, "enginespeed", 0, false, 0, 0x40000, MibGroup::PrinterMib, Report::MediaPaths, "enginespeed", 4, {{18, "\t--enginespeed\tPrint out the print engine speed"}}},
    {Option::duplex, "duplex", 0, false, 0, 0x80000, MibGroup::PrinterMib, Report::MediaPaths, "duplex", 5, {{19, "\t--duplex\tPrint out whether the printer supports duplex printing."}}},
    {Option::minpapersize, "minpapersize", 0, false, 0, 0x100000, MibGroup::PrinterMib, Report::MediaPaths, "minpapersize", 3, {{20, "\t--minpapersize\tPrint out the minimum paper size"}}},
    {Option::inputtray, "inputtray", 0, false, 0, 0x200000, MibGroup::PrinterMib, Report::InputTrays, "inputtray", 7, {{21, "\t--inputtray\tPrint out the input tray table"}}},
    {Option::tabloid, "tabloid", 0, false, 0, 0x400000, MibGroup::PrinterMib, Report::InputTrays, "tabloid", 10, {{22, "\t--tabloid\tPrint out an esitmate of the number of tabloid size sheets in the printer"}}},
    {Option::a4, "a4", 0, false, 0, 0x800000, MibGroup::PrinterMib, Report::InputTrays, "a4", 13, {{23, "\t--a4\tPrint out an esitmate of the number of a4 size sheets in the printer"}}},
    {Option::b4, "b4", 0, false, 0, 0x1000000, MibGroup::PrinterMib, Report::InputTrays, "b4", 14, {{24, "\t--b4\tPrint out an esitmate of the number of b4 size sheets in the printer"}}},
    {Option::executive, "executive", 0, false, 0, 0x2000000, MibGroup::PrinterMib, Report::InputTrays, "executive", 11, {{25, "\t--executive\tPrint out an esitmate of the number of executive size sheets in the printer"}}},
    {Option::a3, "a3", 0, false, 0, 0x4000000, MibGroup::PrinterMib, Report::InputTrays, "a3", 12, {{26, "\t--a3\tPrint out an esitmate of the number of a3 size sheets in the printer"}}},
    {Option::b5, "b5", 0, false, 0, 0x8000000, MibGroup::PrinterMib, Report::InputTrays, "b5", 15, {{27, "\t--b5\tPrint out an esitmate of the number of b5 size sheets in the printer"}}},
    {Option::letter, "letter", 0, false, 0, 0x10000000, MibGroup::PrinterMib, Report::InputTrays, "letter", 8, {{28, "\t--letter\tPrint out an esitmate of the number of letter size sheets in the printer"}}},
    {Option::legal, "legal", 0, false, 0, 0x20000000, MibGroup::PrinterMib, Report::InputTrays, "legal", 9, {{29, "\t--legal\tPrint out an esitmate of the number of legal size sheets in the printer"}}},
    {Option::display, "display", 0, false, 0, 0x40000000, MibGroup::PrinterMib, Report::Display, "display", 6, {{49, "\t--display\t"}}},
    {Option::covers, "covers", 0, false, 0, 0x80000000, MibGroup::PrinterMib, Report::Covers, "cover", 16, {{50, "\t--covers\t"}}},
    {Option::languages, "languages", 0, false, 1, 0x8, MibGroup::PrinterMib, Report::Languages, "languages", 18, {{35, "\t--languages\t"}}},
    {Option::pjl, "pjl", 0, false, 1, 0x10, MibGroup::PrinterMib, Report::Languages, "pjl", 20, {{36, "\t--pjl\t"}}},
    {Option::hpgl, "hpgl", 0, false, 1, 0x20, MibGroup::PrinterMib, Report::Languages, "hpgl", 21, {{37, "\t--hpgl\t"}}},
    {Option::psprinter, "psprinter", 0, false, 1, 0x40, MibGroup::PrinterMib, Report::Languages, "psprinter", 23, {{38, "\t--psprinter\t"}}},
    {Option::autolang, "autolang", 0, false, 1, 0x80, MibGroup::PrinterMib, Report::Languages, "autolang", 24, {{39, "\t--autolang\t"}}},
    {Option::pcl, "pcl", 0, false, 1, 0x200, MibGroup::PrinterMib, Report::Languages, "pcl", 19, {{40, "\t--pcl\t"}}},
    {Option::postscript, "postscript", 0, false, 1, 0x100, MibGroup::PrinterMib, Report::Languages, "postscript", 22, {{41, "\t--postscript\t"}}},
    {Option::marker, "marker", 0, false, 1, 0x400, MibGroup::PrinterMib, Report::Markers, "marker", 31, {{42, "\t--marker\t"}}},
    {Option::pagecount, "pagecount", 0, false, 1, 0x800, MibGroup::PrinterMib, Report::Markers, "pagecount", 30, {{43, "\t--pagecount\t"}}},
    {Option::colors, "colors", 0, false, 1, 0x1000, MibGroup::PrinterMib, Report::Markers, "color", 33, {{44, "\t--colors\t"}}},
    {Option::resolution, "resolution", 0, false, 1, 0x2000, MibGroup::PrinterMib, Report::Markers, "resolution", 32, {{45, "\t--resolution\t"}}},
    {Option::minmargin, "minmargin", 0, false, 1, 0x4000, MibGroup::PrinterMib, Report::Markers, "minmargin", 34, {{46, "\t--minmargin\t"}}},
    {Option::protocol, "protocol", 0, false, 1, 0x8000, MibGroup::PrinterMib, Report::Channels, "protocol", 29, {{30, "\t--protocol\tPrint out the ways of getting print data into a printer"}}},
    {Option::appletalk, "appletalk", 0, false, 1, 0x10000, MibGroup::PrinterMib, Report::Channels, "appletalk", 26, {{31, "\t--appletalk\tPrint out if the printer supports appletalk"}}},
    {Option::lpd, "lpd", 0, false, 1, 0x20000, MibGroup::PrinterMib, Report::Channels, "lpd", 27, {{32, "\t--lpd\tPrint out if the printer supports the LPD protocol"}}},
    {Option::netware, "netware", 0, false, 1, 0x40000, MibGroup::PrinterMib, Report::Channels, "netware", 28, {{33, "\t--netware\tPrint out if the printer is capable of acting like a netware server"}}},
    {Option::port9100, "port9100", 0, false, 1, 0x80000, MibGroup::PrinterMib, Report::Channels, "port9100", 25, {{34, "\t--port9100\t prints out if the printer admits to having a bidirectional TCP/IP port"}}},
    {Option::supplies, "supplies", 0, false, 1, 0x100000, MibGroup::PrinterMib, Report::Supplies, "supplies", 35, {{47, "\t--supplies\t"}}},
    {Option::cfgsrc, "cfgsrc", 0, false, 1, 0x800000, MibGroup::VendorPrivate, Report::ConfigSource, "cfgsrc", 0, {}},
    {Option::alerts, "alerts", 0, false, 1, 0x200000, MibGroup::PrinterMib, Report::Alerts, "alerts", 17, {{48, "\t--alerts\t"}}},
    {Option::reboot, "reboot", 0, false, 1, 0x400000, MibGroup::PrinterMib, Report::Reset, "reboot", 36, {{54, "\t--reboot\t"}}},
    {Option::generic, "generic", 0, false, 1, 0x1000000, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::serial, "serial", 0, false, 1, 0x2000000, MibGroup::PrinterMib, Report::Serial, "serial", 37, {}},
    {Option::json, "json", 0, false, 1, 0x4000000, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::health, "health", 0, false, 1, 0x8000000, MibGroup::None, Report::Health, nullptr, 0, {}},
    {Option::maxproc, "maxproc", 0, true, 2, 0x8, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::setcontact, "setcontact", 0, true, 2, 0x10, MibGroup::None, Report::Settings, nullptr, 0, {}},
    {Option::setlocation, "setlocation", 0, true, 2, 0x20, MibGroup::None, Report::Settings, nullptr, 0, {}},
    {Option::updatefirmware, "updatefirmware", 0, true, 2, 0x40, MibGroup::VendorPrivate, Report::Firmware, "updatefirmware", 0, {}},
    {Option::community, "community", 'c', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {{3, "\t-c {COMMUNITY}\t\tSet the community name to do request\n\t--community {COMMUNITY}"}, {51, "\t--community community \t"}}},
    {Option::timeout, "timeout", 0, true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {{55, "\t--timeout\t"}}},
    {Option::connection, "connection", 'n', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {{5, "\t-n {PORT}\t\tCommunicate on a port other than the standard SNMP port UDP 161"}, {52, "\t--connection port\t"}}},
    {Option::help, "help", 0, false, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::snmpVersion, "snmp-version", 'v', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3User, "v3-user", 'u', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3Level, "v3-level", 'l', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3AuthProtocol, "v3-auth-protocol", 'a', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3AuthPassphrase, "v3-auth-passphrase", 'A', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3PrivProtocol, "v3-priv-protocol", 'x', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3PrivPassphrase, "v3-priv-passphrase", 'X', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::secrets, "secrets", 0, true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::v3EngineId, "v3-engine-id", 'e', true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
    {Option::knownEngines, "known-engines", 0, true, -1, 0, MibGroup::None, Report::None, nullptr, 0, {}},
};

constexpr bool table_in_option_order() {
    for (std::size_t i = 0; i < std::size(OPTION_TABLE); ++i)
        if (static_cast<std::size_t>(OPTION_TABLE[i].id) != i) return false;
    return std::size(OPTION_TABLE) == static_cast<std::size_t>(Option::knownEngines) + 1;
}
static_assert(table_in_option_order(), "the option table lists every option once, in Option order");

}  // namespace

std::span<const OptionSpec> option_table() { return OPTION_TABLE; }

const OptionSpec &option_spec(Option option) { return OPTION_TABLE[static_cast<std::size_t>(option)]; }

FlagWords::FlagWords(std::initializer_list<Option> options) {
    for (Option o : options) ask(o);
}

FlagWords FlagWords::from_words(std::uint64_t w0, std::uint64_t w1, std::uint64_t w2) {
    FlagWords f;
    f.words_[0] = w0;
    f.words_[1] = w1;
    f.words_[2] = w2;
    return f;
}

bool FlagWords::asked(Option option) const {
    const OptionSpec &o = option_spec(option);
    return o.word >= 0 && (words_[o.word] & o.bit) != 0;
}

bool FlagWords::asked_any(std::initializer_list<Option> options) const {
    for (Option o : options)
        if (asked(o)) return true;
    return false;
}

bool FlagWords::asked_any(Report report) const {
    for (const OptionSpec &o : OPTION_TABLE)
        if (o.report == report && asked(o.id)) return true;
    return false;
}

bool FlagWords::asked_any(MibGroup group) const {
    for (const OptionSpec &o : OPTION_TABLE)
        if (o.mib == group && asked(o.id)) return true;
    return false;
}

void FlagWords::ask(Option option) {
    const OptionSpec &o = option_spec(option);
    if (o.word < 0) throw std::logic_error("option without a flag bit");
    words_[o.word] |= o.bit;
}

void FlagWords::answered(Option option) {
    const OptionSpec &o = option_spec(option);
    if (o.word >= 0) words_[o.word] &= ~o.bit;
}

void FlagWords::set_table_value(std::uint64_t value) {
    const std::uint64_t word = value & 7;
    if (word > 2) throw std::logic_error("option table names a flag word above 2");
    words_[word] |= value & ~std::uint64_t{7};
}

Capabilities Capabilities::wanted_by(const FlagWords &flags) {
    Capabilities caps;
    for (MibGroup g : {MibGroup::HostResources, MibGroup::PrinterMib, MibGroup::VendorPrivate})
        if (flags.asked_any(g)) caps.capFlags |= want_bit(g);
    return caps;
}

std::uint64_t Capabilities::want_bit(MibGroup group) {
    switch (group) {
        case MibGroup::HostResources: return 0x1;
        case MibGroup::PrinterMib: return 0x2;
        case MibGroup::VendorPrivate: return 0x4;
        case MibGroup::None: break;
    }
    return 0;
}

std::uint64_t Capabilities::has_bit(MibGroup group) {
    switch (group) {
        case MibGroup::HostResources: return 0x8;
        case MibGroup::PrinterMib: return 0x10;
        default: return 0;
    }
}
