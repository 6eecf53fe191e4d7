// Interpreter languages and input channels.
#include "reports/interpreters.h"

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/enums.h"
#include "reports/flags.h"
#include "reports/oids.h"
#include "snmp/structfill.h"

namespace {

// The Printer MIB's two-way answer: yes (3) or no (4).
FieldValue two_way(PrinterOutput &out, std::int64_t value) {
    if (table_name(TWOWAY, value)) return FieldValue::yes_no(value == 3);
    return checked_name(out, "prtInterpreterTwoWay", TWOWAY, value);
}

// The channel's language index as a 1-based position in the interpreter rows
// in walk order; an index naming no row is printed as its number.
FieldValue language_at(PrinterOutput &out, const char *object, const std::vector<LangInfo> &langs,
                       std::int64_t index) {
    if (index < 1 || static_cast<std::uint64_t>(index) > langs.size()) return checked_name(out, object, {}, index);
    // The family was checked, and reported if need be, by the language group.
    return name_or_number(LANGUAGES, langs[static_cast<std::size_t>(index - 1)].family);
}

void print_language(const LangInfo &l, const FieldValue &family, PrinterOutput &out) {
    FieldValue orientation = checked_name(out, "prtInterpreterDefaultOrientation", ORIENTATIONS, l.orientation);
    FieldValue twoWay = two_way(out, l.twoWay);
    Fields line;
    line.add("langFamily", family).text("langLevel", l.langLevel).text("langVersion", l.langVersion);
    line.text("description", l.description).text("version", l.version).add("orientation", orientation);
    line.number("feedAddressability", l.feedAddressability).number("xFeedAddressability", l.xFeedAddressability);
    out.row(Table::Languages, line.add("twoWay", twoWay));
}

void print_channel(const ProtocolTable &c, const FieldValue &type, const std::vector<LangInfo> &langs,
                   PrinterOutput &out) {
    FieldValue state = checked_name(out, "prtChannelState", CHANNELSTATE, c.state);
    FieldValue cur = language_at(out, "prtChannelCurrentJobCntlLangIndex", langs, c.curjclidx);
    FieldValue def = language_at(out, "prtChannelDefaultPageDescLangIndex", langs, c.defpdlidx);
    out.row(Table::Channels, Fields()
                                 .add("type", type)
                                 .text("version", c.version)
                                 .add("currentJobControlLang", cur)
                                 .add("defaultPageDescLang", def)
                                 .add("state", state)
                                 .name("status", decode_status(static_cast<std::uint64_t>(c.status), &out)));
}

struct Answer {
    Option option;
    const char *key;
    bool yes;
};

void print_answers(const FlagWords &flags, Group group, std::initializer_list<Answer> answers, PrinterOutput &out) {
    Fields fields;
    for (const Answer &a : answers)
        if (flags.asked(a.option)) fields.yes_no(a.key, a.yes);
    if (!fields.empty()) out.found(group, fields);
}

}  // namespace

void print_languages(const FlagWords &flags, const std::vector<LangInfo> &langs, PrinterOutput &out) {
    bool pcl = false, hpgl = false, pjl = false, ps = false, autolang = false, psprinter = false;
    for (const LangInfo &l : langs) {
        switch (l.family) {
            case 3: pcl = true; break;
            case 4: hpgl = true; break;
            case 5: pjl = true; break;
            case 6: ps = true; break;
            case 37: autolang = true; break;
            case 42: psprinter = true; break;
            default: break;
        }
        FieldValue family = checked_name(out, "prtInterpreterLangFamily", LANGUAGES, l.family);
        if (flags.asked(Option::languages)) print_language(l, family, out);
    }
    print_answers(flags, Group::LanguageAnswers,
                  {{Option::postscript, "postscript", ps}, {Option::pcl, "pcl", pcl}, {Option::pjl, "pjl", pjl},
                   {Option::hpgl, "hpgl", hpgl}, {Option::psprinter, "psprinter", psprinter},
                   {Option::autolang, "autolang", autolang}},
                  out);
}

void print_channels(const FlagWords &flags, const std::vector<LangInfo> &langs,
                    const std::vector<ProtocolTable> &rows, PrinterOutput &out) {
    bool appletalk = false, lpd = false, netware = false, port9100 = false;
    for (const ProtocolTable &c : rows) {
        switch (c.type) {
            case 7: appletalk = true; break;
            case 8: lpd = true; break;
            case 10: netware = true; break;  // a NetwareRPrinter (9) is no print server
            case 11:
            case 12:
            case 38: port9100 = true; break;
            default: break;
        }
        FieldValue type = checked_name(out, "prtChannelType", CHANNELTYPE, c.type);
        if (flags.asked(Option::protocol)) print_channel(c, type, langs, out);
    }
    print_answers(flags, Group::ChannelAnswers,
                  {{Option::appletalk, "appletalk", appletalk}, {Option::lpd, "lpd", lpd},
                   {Option::netware, "netware", netware}, {Option::port9100, "port9100", port9100}},
                  out);
}

namespace {

std::vector<LangInfo> fetch_languages(ReportContext &ctx) {
    tabdef<LangInfo> tab(&ctx.session);
    tab.append(oid::prtInterpreterLangFamily, INT_TAG, &LangInfo::family);
    if (ctx.flags.asked(Option::languages)) {
        tab.append(oid::prtInterpreterLangLevel, STRING_TAG, &LangInfo::langLevel);
        tab.append(oid::prtInterpreterLangVersion, STRING_TAG, &LangInfo::langVersion);
        tab.append(oid::prtInterpreterDescription, STRING_TAG, &LangInfo::description);
        tab.append(oid::prtInterpreterVersion, STRING_TAG, &LangInfo::version);
        tab.append(oid::prtInterpreterDefaultOrientation, INT_TAG, &LangInfo::orientation);
        tab.append(oid::prtInterpreterFeedAddressability, INT_TAG, &LangInfo::feedAddressability);
        tab.append(oid::prtInterpreterXFeedAddressability, INT_TAG, &LangInfo::xFeedAddressability);
        tab.append(oid::prtInterpreterTwoWay, INT_TAG, &LangInfo::twoWay);
    }
    return tab.get();
}

std::vector<ProtocolTable> fetch_channels(ReportContext &ctx) {
    tabdef<ProtocolTable> tab(&ctx.session);
    tab.append(oid::prtChannelType, INT_TAG, &ProtocolTable::type);
    if (ctx.flags.asked(Option::protocol)) {
        tab.append(oid::prtChannelProtocolVersion, STRING_TAG, &ProtocolTable::version);
        tab.append(oid::prtChannelCurrentJobCntlLangIndex, INT_TAG, &ProtocolTable::curjclidx);
        tab.append(oid::prtChannelDefaultPageDescLangIndex, INT_TAG, &ProtocolTable::defpdlidx);
        tab.append(oid::prtChannelState, INT_TAG, &ProtocolTable::state);
        tab.append(oid::prtChannelStatus, INT_TAG, &ProtocolTable::status);
    }
    return tab.get();
}

}  // namespace

void language_channel_groups(ReportContext &ctx) {
    const std::vector<LangInfo> langs = fetch_languages(ctx);
    print_languages(ctx.flags, langs, ctx.out);
    if (ctx.flags.asked_any(Report::Channels)) print_channels(ctx.flags, langs, fetch_channels(ctx), ctx.out);
}
