// Identification: what the vendor rules decide, completed by asking the
// printer where a rule needs more than the description.
#include "reports/identify.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "ber/ber.h"
#include "reports/context.h"
#include "reports/flags.h"
#include "reports/hp.h"
#include "reports/oids.h"
#include "reports/request.h"
#include "reports/vendor_rules.h"
#include "snmp/session.h"

namespace {

void print_model(ReportContext &ctx, std::string_view model) {
    ctx.found(Group::Identification, Fields().text("model", model));
}

void print_vendor(ReportContext &ctx, std::string_view vendor) {
    ctx.found(Group::Identification, Fields().name("vendor", vendor));
}

void warn_unterminated_model(ReportContext &ctx, std::string_view text, const char *separator) {
    ctx.warn(Message(format_text("Warning: %s: the model in \"", ctx.host()))
                 .theirs(text)
                 .ours(format_text("\" is not followed by \"%s\"; taken to the end.\n", separator)));
}

// ---- --generic ------------------------------------------------------------

struct ProbeReply {
    std::vector<std::string> oids;  // returned OIDs, when errorStatus is 0
    int errorStatus = 0;
};

ProbeReply probe_getnext(ReportContext &ctx, std::initializer_list<const char *> starts) {
    OidSeq request;
    for (const char *start : starts) request.append(start);
    ProbeReply reply;
    try {
        std::unique_ptr<OidSeq> response = exchange(ctx, GETNEXT_REQ_TAG, request);
        for (std::size_t i = 0; i < response->size(); ++i) reply.oids.push_back(response->oidstr(i));
    } catch (const SNMP_error_oid &error) {
        reply.errorStatus = error.status != 0 ? error.status : -1;
    }
    return reply;
}

Capabilities probe_mibs_found(const std::vector<std::string> &oids) {
    Capabilities found;
    for (const std::string &oid : oids) {
        switch (probe_mib_of(oid)) {
        case ProbeMib::Printer: found.found(MibGroup::PrinterMib); break;
        case ProbeMib::HostResources: found.found(MibGroup::HostResources); break;
        case ProbeMib::None: break;
        }
    }
    return found;
}

// A printer no vendor rule knows: the standard MIBs it answers, the maker
// registered for its sysObjectID, the model from hrDeviceDescr.1.
void generic_handling(ReportContext &ctx, const std::string &descr) {
    // The health walks what it needs whichever MIBs answer: asked alone it
    // needs no probe.
    if (ctx.flags.asked_any({Option::model, Option::hostmib, Option::printmib, Option::vendor}) ||
        ctx.capFlags.wants_any())
        ctx.capFlags.found(probe_standard_mibs(ctx));
    if (ctx.flags.asked(Option::vendor)) {
        const char *maker = nullptr;
        if (std::optional<std::string> oid = get_single(ctx, oid::sysObjectID, OID_TAG).value)
            if (std::optional<std::uint32_t> n = enterprise_number(*oid)) maker = printer_maker(*n);
        print_vendor(ctx, maker ? maker : "unknown");
    }
    if (ctx.flags.asked(Option::model)) {
        std::optional<std::string> device = get_single(ctx, oid::hrDeviceDescr1, STRING_TAG).value;
        print_model(ctx, device && !device->empty() ? *device : descr);
    }
}

// HP models the model rules do not class: with --generic the probe decides.
// The private status, display and command set answer what it did not find.
// Returns the MIB groups found.
Capabilities hp_generic_probe(ReportContext &ctx) {
    const bool status = ctx.flags.asked(Option::status);
    const bool display = ctx.flags.asked(Option::display);
    if (!ctx.flags.asked(Option::generic)) {
        if (status || display) do_hppriv_get(ctx, status, display);
        return {};
    }
    const Capabilities found = probe_standard_mibs(ctx);
    ctx.capFlags.found(found);
    // The Host Resources MIB answers --status later, the Printer MIB --display.
    const bool privateStatus = status && !found.answers(MibGroup::HostResources);
    const bool privateDisplay = display && !found.answers(MibGroup::PrinterMib);
    if (privateStatus || privateDisplay) do_hppriv_get(ctx, privateStatus, privateDisplay);
    return found;
}

// Older HP models without the Printer MIB: their command set answers the
// language options it names.
void hp_command_set_answers(ReportContext &ctx, const std::string &id) {
    if (!ctx.flags.asked_any(Report::Languages)) return;
    std::optional<std::vector<std::string>> items = hp_command_set(id);
    if (!items) {
        if (ctx.flags.asked_any({Option::pjl, Option::hpgl, Option::postscript, Option::pcl}))
            ctx.warn(Message(format_text("Warning: %s: no \"COMMAND SET:\" or \"CMD:\" in \"", ctx.host()))
                         .theirs(id)
                         .ours("\"; languages not answered.\n"));
        return;
    }
    Fields answers;
    for (const char *key : answer_command_set(*items, ctx.flags)) answers.yes_no(key, true);
    if (!answers.empty()) ctx.found(Group::HpCommandSet, answers);
}

// HP handling: settings, vendor, the device-identification string, the
// standard-MIB decision and, for older models, status, display and languages.
void hp_handling(ReportContext &ctx, const std::string &descr) {
    ctx.capFlags.set_vendor(VENDOR_HP);
    if (ctx.flags.asked_any({Option::reboot, Option::updatefirmware})) do_hppriv_set(ctx);
    if (ctx.flags.asked(Option::vendor)) print_vendor(ctx, "HP");
    if (!ctx.flags.asked_any({Option::model, Option::hostmib, Option::printmib}) &&
        !ctx.capFlags.wants(MibGroup::HostResources) && !ctx.capFlags.wants(MibGroup::PrinterMib))
        return;

    // A refused, missing or non-text identification counts as not reported.
    const std::string id = get_single(ctx, oid::hpDeviceId, STRING_TAG).value.value_or("");
    if (id.empty()) {
        ctx.warn(format_text("Warning: %s model not reported.\n", ctx.host()));
        hp_generic_probe(ctx);
        return;
    }
    std::optional<std::string> model = hp_model_from_id(id);
    if (!model)
        throw WorkerExit(WorkerStop::ProbeRejected,
                         Message(format_text("%s: Can't find \"MODEL:\" or \"MDL:\" in \"", ctx.host())).theirs(id).ours("\"\n"));
    if (ctx.flags.asked(Option::model)) print_model(ctx, *model);

    if (hp_model_has_standard_mibs(*model, descr)) {
        ctx.capFlags.found(MibGroup::PrinterMib);
        if (descr.find("EEPROM A.03.") != std::string::npos)
            ctx.warn(format_text("Warning: %s has ancient firmware. Please upgrade it!\n", ctx.host()));
        else
            ctx.capFlags.found(MibGroup::HostResources);
        return;
    }
    // With the Printer MIB found, its language reports answer the language options.
    if (hp_generic_probe(ctx).answers(MibGroup::PrinterMib)) return;
    hp_command_set_answers(ctx, id);
}

// A printer without hrDeviceDescr.1 names its model in a private variable.
void tektronix_private_model(ReportContext &ctx) {
    const SingleValue model = get_single(ctx, oid::tektronixModel, STRING_TAG);
    if (!ctx.flags.asked(Option::model)) return;
    ctx.flags.answered(Option::model);
    if (model.value)
        print_model(ctx, *model.value);
    else
        ctx.warn(format_text("Warning: %s %s its Tektronix model variable %s.\n", ctx.host(),
                             model.refused ? "refused" : "returned no text for", oid::tektronixModel));
}

// The model of "Tektronix ..., Inc., MODEL, ..." device descriptions.
void tektronix_model(ReportContext &ctx, std::string_view text) {
    std::size_t at = text.find("Inc., ");
    if (at == std::string_view::npos) {
        ctx.warn(Message(format_text("%s: Can't find \"Inc., \" in \"", ctx.host())).theirs(text).ours("\"\n"));
        return;
    }
    std::string_view rest = text.substr(at + 6);
    std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) warn_unterminated_model(ctx, text, ",");
    print_model(ctx, rest.substr(0, comma));
}

// Tektronix handling: hrDeviceDescr.1 decides the MIBs and gives the model.
void tektronix_handling(ReportContext &ctx) {
    ctx.capFlags.set_vendor(VENDOR_TEKTRONIX);
    ctx.capFlags.found(MibGroup::HostResources);
    ctx.capFlags.found(MibGroup::PrinterMib);

    const SingleValue devdesc = get_single(ctx, oid::hrDeviceDescr1, STRING_TAG);
    if (devdesc.refused) {
        ctx.warn(format_text("Warning: Tektronix printer %s does not support the hostmib.\n", ctx.host()));
        ctx.capFlags.lost(MibGroup::HostResources);
        ctx.capFlags.lost(MibGroup::PrinterMib);
        tektronix_private_model(ctx);
    } else if (!devdesc.value && ctx.flags.asked(Option::model)) {
        ctx.warn(format_text("Warning: %s returned no text for %s.\n", ctx.host(), oid::hrDeviceDescr1));
        ctx.flags.answered(Option::model);
    }
    if (ctx.flags.asked(Option::vendor)) print_vendor(ctx, "Tektronix");
    if (ctx.flags.asked(Option::model) && devdesc.value) tektronix_model(ctx, *devdesc.value);
}

void print_rule_model(ReportContext &ctx, const VendorMatch &match, const std::string &descr) {
    switch (match.modelOutcome) {
    case ModelOutcome::Text:
        if (match.modelUnterminated) warn_unterminated_model(ctx, descr, "  ");
        print_model(ctx, match.model);
        break;
    case ModelOutcome::NotSupported: not_supported(ctx.out, option_spec(Option::model).unsupported); break;
    case ModelOutcome::Missing:
        ctx.warn(Message(format_text("Warning: %s: no model name in the description \"", ctx.host()))
                     .theirs(descr)
                     .ours("\".\n"));
        break;
    case ModelOutcome::None: break;
    }
}

}  // namespace

Capabilities probe_standard_mibs(ReportContext &ctx) {
    ProbeReply both = probe_getnext(ctx, {oid::prtGeneralEntry, oid::hrDeviceType});
    if (both.errorStatus == 0) return probe_mibs_found(both.oids);
    // In SNMPv1 an error at one binding leaves the other unanswered, so each
    // is asked alone. noSuchName there is the end of the MIB. Other statuses
    // (genErr from agents that cannot send the Counter64 value a get-next
    // lands on, for one) say nothing about where the MIB continues: that
    // MIB counts as absent, and the user is told why.
    Capabilities found;
    for (const char *start : {oid::prtGeneralEntry, oid::hrDeviceType}) {
        ProbeReply one = probe_getnext(ctx, {start});
        if (one.errorStatus == 0)
            found.found(probe_mibs_found(one.oids));
        else if (one.errorStatus != NO_SUCH_NAME)
            ctx.warn(format_text("Warning: %s answered the probe from %s with error status %d; taken as not "
                                 "supported.\n",
                                 ctx.host(), start, one.errorStatus));
    }
    return found;
}

void identify_printer(ReportContext &ctx, const std::string &descr) {
    const VendorMatch match = identify_vendor(descr);
    if (match.rule == RULE_HP) return hp_handling(ctx, descr);
    if (match.rule == RULE_TEKTRONIX) return tektronix_handling(ctx);
    if (match.rule == RULE_HOST_SYSTEM)
        throw WorkerExit(WorkerStop::NotAPrinter,
                         format_text("Warning: %s does not appear to be a printer. Skipping.\n", ctx.host()));
    if (match.rule == RULE_UNKNOWN && ctx.flags.asked(Option::generic)) return generic_handling(ctx, descr);
    if (match.rule == RULE_UNKNOWN)
        throw WorkerExit(WorkerStop::UnknownVendor,
                         Message(format_text("Warning: %s: unknown printer vendor. Describes itself as \"", ctx.host()))
                             .theirs(descr)
                             .ours("\"\n"));
    ctx.capFlags.set_vendor(ctx.capFlags.vendor() | match.vendorCode);
    if (match.hostMib) ctx.capFlags.found(MibGroup::HostResources);
    if (match.printMib) ctx.capFlags.found(MibGroup::PrinterMib);
    if (ctx.flags.asked(Option::vendor) && match.vendor) print_vendor(ctx, match.vendor);
    if (ctx.flags.asked(Option::model)) print_rule_model(ctx, match, descr);
}
