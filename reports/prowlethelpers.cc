// General queries and vendor settings: identification, host resources, TCP
// connections, HP configuration source, HP reset and firmware update.
#include "reports/prowlethelpers.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>

#include "ber/ber.h"
#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/structfill.h"

const char *const HRSTATUSSTATES[HRSTATUSSTATES_MAX + 1] = {
    nullptr, "other", "unknown", "idle", "printing", "warmup"};

const char *const TCPCONNSTATES[TCPCONNSTATES_MAX + 1] = {
    nullptr,    "closed",   "listen",   "synSent",   "synReceived", "established",
    "finWait1", "finWait2", "closeWait", "lastAck",  "closing",     "timeWait"};

const char *const HPCFGSOURCESTATES[HPCFGSOURCESTATES_MAX + 1] = {
    "bootp", "manual", "unknown", "manual", "bootp", "dhcp"};

namespace {

// MIB-II system and interfaces, ip and tcp groups (RFC 1213).
constexpr const char *SYSDESCR = "1.3.6.1.2.1.1.1.0";
constexpr const char *SYSCONTACT = "1.3.6.1.2.1.1.4.0";
constexpr const char *SYSLOCATION = "1.3.6.1.2.1.1.6.0";
constexpr const char *SYSOBJECTID = "1.3.6.1.2.1.1.2.0";
constexpr const char *IFPHYSADDRESS_1 = "1.3.6.1.2.1.2.2.1.6.1";
constexpr const char *IFTYPE_1 = "1.3.6.1.2.1.2.2.1.3.1";
constexpr const char *IFPHYSADDRESS = "1.3.6.1.2.1.2.2.1.6";
constexpr const char *IFTYPE = "1.3.6.1.2.1.2.2.1.3";
constexpr const char *DEFAULT_NEXTHOP = "1.3.6.1.2.1.4.21.1.7.0.0.0.0";
constexpr const char *IPADENTNETMASK = "1.3.6.1.2.1.4.20.1.3";
constexpr const char *TCPCONNSTATE = "1.3.6.1.2.1.6.13.1.1";
constexpr const char *TCPCONNREMADDRESS = "1.3.6.1.2.1.6.13.1.4";
constexpr std::int64_t IFTYPE_ETHERNET_CSMACD = 6;

// Host Resources MIB (RFC 1514).
constexpr const char *HRMEMORYSIZE_0 = "1.3.6.1.2.1.25.2.2.0";
constexpr const char *HRMEMORYSIZE_1 = "1.3.6.1.2.1.25.2.2.1";
constexpr const char *HRPRINTERSTATUS_1 = "1.3.6.1.2.1.25.3.5.1.1.1";
constexpr const char *HRDEVICEDESCR_1 = "1.3.6.1.2.1.25.3.2.1.3.1";
// Starting points of the --generic probe: prtGeneral's first column and
// hrDeviceType. A get-next from each lands inside its MIB when the printer has it.
constexpr const char *PRTGENERAL = "1.3.6.1.2.1.43.5.1.1.1";
constexpr const char *HRDEVICETYPE = "1.3.6.1.2.1.25.3.2.1.2";
constexpr const char *HRSTORAGEDESCR = "1.3.6.1.2.1.25.2.3.1.3";
constexpr const char *HRSTORAGEALLOCATIONUNITS = "1.3.6.1.2.1.25.2.3.1.4";
constexpr const char *HRSTORAGESIZE = "1.3.6.1.2.1.25.2.3.1.5";
constexpr const char *HRSTORAGEUSED = "1.3.6.1.2.1.25.2.3.1.6";
constexpr const char *HRSTORAGEALLOCATIONFAILURES = "1.3.6.1.2.1.25.2.3.1.7";

// HP and Tektronix private variables.
constexpr const char *HP_DEVICE_ID = "1.3.6.1.4.1.11.2.3.9.1.1.7.0";
constexpr const char *HP_STATUS = "1.3.6.1.4.1.11.2.4.3.1.2.0";
constexpr const char *HP_DISPLAY = "1.3.6.1.4.1.11.2.3.9.1.1.3.0";
constexpr const char *HP_RESET = "1.3.6.1.4.1.11.2.4.3.7.8.0";
constexpr const char *HP_FW_COMMAND = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.10.1";
constexpr const char *HP_FW_DOMAIN = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.5.1";
constexpr const char *HP_FW_ADDRESS = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.4.1";
constexpr const char *HP_FW_FILENAME = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.6.1";
constexpr const char *SNMP_UDP_DOMAIN = "1.3.6.1.6.1.1";  // RFC 1906
constexpr const char *TEKTRONIX_MODEL = "1.3.6.1.4.1.128.2.1.3.1.2.0";


bool contains(std::string_view s, std::string_view what) {
    return s.find(what) != std::string_view::npos;
}

const char *host(const SNMP_session &session) { return session.hostname.c_str(); }

void emit(SNMP_session &session, const std::uint64_t *flags, const std::string &text,
          bool continues = true) {
    emit_output(session, flags, continues, text);
}

std::string quad(const std::array<unsigned char, 4> &a) {
    return format_piece("%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
}

// OCTET STRING bytes of a binding, whole (NUL bytes included); none when the
// binding is absent or carries another type.
std::optional<std::string> octets(const BerBase *v) {
    if (!v || v->type() != STRING_TAG) return std::nullopt;
    auto s = static_cast<const BerString *>(v);
    return std::string(reinterpret_cast<const char *>(s->data.get()), s->stringlen);
}

// The same text as a C string reads it: cut at an embedded NUL.
std::optional<std::string> text_value(const BerBase *v) {
    auto s = octets(v);
    if (s) s->resize(std::strlen(s->c_str()));
    return s;
}

bool present(OidSeq *response, const char *oidstr) {
    return response && response->findPrefix(oidstr) != nullptr;
}

// One GetRequest into record. A value of a refused type (the record filler has
// warned about it) is left out: its column is dropped, named in dropped, and
// the rest of the same reply is used. A missing value gets the usual warning.
template <class Record>
void fetch_one(tabdef<Record> &t, Record &record, std::vector<std::string> &dropped) {
    std::string refused;
    try {
        t.getOne(record);
        return;
    } catch (SNMP_error_oid &bad) {
        refused = bad.str;
    }
    for (;;) {
        if (!t.remove(refused.c_str()) || !t.lastResponse()) throw SNMP_error_oid(refused.c_str());
        dropped.push_back(refused);
        try {
            if (!t.fillStruct(*t.lastResponse(), record)) tabdef_detail::warn_missing_value();
            return;
        } catch (SNMP_error_oid &bad) {
            refused = bad.str;
        }
    }
}

// A value counts when the reply holds it and it came with the type asked.
bool answered(OidSeq *response, const std::vector<std::string> &dropped, const char *oidstr) {
    return present(response, oidstr) &&
           std::find(dropped.begin(), dropped.end(), oidstr) == dropped.end();
}

std::string rejected_name(const std::unique_ptr<SNMP_error_oid> &error) {
    return error ? error->str : std::string();
}

// Asks with one GetRequest until the printer accepts it. Printers refuse the
// whole request for one variable they lack, so each refusal goes to
// onRefusal(oid), which drops or replaces what it names and returns true to ask
// again, or false to give up (then this returns false). No answer ends the worker.
template <class Record, class OnRefusal>
bool fetch_despite_refusals(SNMP_session &session, tabdef<Record> &t, Record &record,
                            std::vector<std::string> &dropped, OnRefusal onRefusal) {
    while (t.columnCount() > 0) {
        try {
            fetch_one(t, record, dropped);
            return true;
        } catch (SNMP_error_unrecoverable error) {
            handle_unrecoverable(progname, host(session), error);
        } catch (std::unique_ptr<SNMP_error_oid> &error) {
            if (!onRefusal(rejected_name(error))) return false;
        }
    }
    return true;
}

// ---- Identification -------------------------------------------------------

struct GeneralInfo {
    std::string sysDescr;
    std::string sysContact;
    std::string sysLocation;
    std::string hwAddr;
    std::array<unsigned char, 4> gateway{};
    std::array<unsigned char, 4> netmask{};
    std::int64_t ifType = 0;
};

struct HpPrivInfo {
    std::string status;
    std::string display;
};

// The physical address of the interface an Ethernet walk stopped at, or of
// interface 1: whole bytes from the reply, since addresses often hold 0x00.
std::string hwaddr_bytes(OidSeq *response, const char *column) {
    if (!response) return {};
    return octets(response->findPrefix(column)).value_or(std::string());
}

void print_model(SNMP_session &session, std::uint64_t *flags, std::string_view model) {
    emit(session, flags, "model=\"" + escape_value(model) + "\";");
}

void warn_missing_model(const SNMP_session &session, std::string_view descr) {
    std::fprintf(stderr, "Warning: %s: no model name in the description \"%s\".\n", host(session),
                 escape_value(descr).c_str());
}

void warn_unterminated_model(const SNMP_session &session, std::string_view text,
                             const char *separator) {
    std::fprintf(stderr,
                 "Warning: %s: the model in \"%s\" is not followed by \"%s\"; taken to the end.\n",
                 host(session), escape_value(text).c_str(), separator);
}

// ---- --generic ------------------------------------------------------------

// noSuchName: in SNMPv1 the answer to a get-next past the end of the MIB.
constexpr int ERROR_NO_SUCH_NAME = 2;

struct ProbeReply {
    std::vector<std::string> oids;  // returned OIDs, when errorStatus is 0
    int errorStatus = 0;
};

ProbeReply probe_getnext(SNMP_session &session, std::initializer_list<const char *> starts) {
    OidSeq request;
    for (const char *start : starts) request.append(start);
    ProbeReply reply;
    try {
        std::unique_ptr<OidSeq> response = session.do_req(GETNEXT_REQ_TAG, &request);
        if (!response) handle_unrecoverable(progname, host(session), NO_RESPONSE);
        for (std::size_t i = 0; i < response->size(); ++i) reply.oids.push_back(response->oidstr(i));
    } catch (std::unique_ptr<SNMP_error_oid> &error) {
        reply.errorStatus = error && error->status != 0 ? error->status : -1;
    }
    return reply;
}

std::uint64_t probe_bits(const std::vector<std::string> &oids) {
    std::uint64_t bits = 0;
    for (const std::string &oid : oids) {
        switch (probe_mib_of(oid)) {
        case ProbeMib::Printer: bits |= CAP_HAS_PRINTMIB; break;
        case ProbeMib::HostResources: bits |= CAP_HAS_HOSTRES; break;
        case ProbeMib::None: break;
        }
    }
    return bits;
}

// Which standard MIBs the printer answers: capFlags bits 3 and 4.
std::uint64_t probe_standard_mibs(SNMP_session &session) {
    ProbeReply both = probe_getnext(session, {PRTGENERAL, HRDEVICETYPE});
    if (both.errorStatus == 0) return probe_bits(both.oids);
    // In SNMPv1 an error at one binding leaves the other unanswered, so each
    // is asked alone. noSuchName there is the end of the MIB. Other statuses
    // (genErr from agents that cannot send the Counter64 value a get-next
    // lands on, for one) say nothing about where the MIB continues: that
    // MIB counts as absent, and the user is told why.
    std::uint64_t bits = 0;
    for (const char *start : {PRTGENERAL, HRDEVICETYPE}) {
        ProbeReply one = probe_getnext(session, {start});
        if (one.errorStatus == 0) {
            bits |= probe_bits(one.oids);
        } else if (one.errorStatus != ERROR_NO_SUCH_NAME) {
            std::fprintf(stderr,
                         "Warning: %s answered the probe from %s with error status %d; taken as "
                         "not supported.\n",
                         host(session), start, one.errorStatus);
        }
    }
    return bits;
}

// One variable by GetRequest; no answer ends the worker as a no-response.
struct SingleValue {
    bool refused = false;              // the printer answered with an error status
    std::optional<std::string> value;  // OCTET STRING text, or an OID as dotted text
};

// value stays empty when the variable is refused, absent or not of the type asked.
SingleValue get_single(SNMP_session &session, const char *oidstr, int type) {
    OidSeq request;
    request.append(oidstr);
    SingleValue result;
    try {
        std::unique_ptr<OidSeq> response = session.do_req(GET_REQ_TAG, &request);
        if (!response) handle_unrecoverable(progname, host(session), NO_RESPONSE);
        const BerBase *v = response->find(oidstr);
        if (v && v->type() == type)
            result.value = type == STRING_TAG ? *text_value(v) : tabdef_detail::string_value(v);
    } catch (std::unique_ptr<SNMP_error_oid> &) {
        result.refused = true;
    }
    return result;
}

// A printer no vendor rule knows: the standard MIBs it answers, the maker
// registered for its sysObjectID, the model from hrDeviceDescr.1.
void generic_handling(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags,
                      const std::string &descr) {
    *capFlags |= probe_standard_mibs(session);
    if (flags[0] & F0_VENDOR) {
        const char *maker = nullptr;
        if (std::optional<std::string> oid = get_single(session, SYSOBJECTID, OID_TAG).value)
            if (std::optional<std::uint32_t> n = enterprise_number(*oid)) maker = printer_maker(*n);
        emit(session, flags, format_piece("vendor=\"%s\";", maker ? maker : "unknown"));
    }
    if (flags[0] & F0_MODEL) {
        std::optional<std::string> device = get_single(session, HRDEVICEDESCR_1, STRING_TAG).value;
        print_model(session, flags, device && !device->empty() ? *device : descr);
    }
}

// HP models the model rules do not class: with --generic the probe decides.
// The private status, display and command set answer what it did not find.
// Returns the capability bits found.
std::uint64_t hp_generic_probe(SNMP_session &session, std::uint64_t *flags,
                               std::uint64_t *capFlags) {
    if (!(flags[1] & F1_GENERIC)) {
        if (flags[0] & (F0_STATUS | F0_DISPLAY)) do_hppriv_get(session, flags, capFlags);
        return 0;
    }
    const std::uint64_t found = probe_standard_mibs(session);
    *capFlags |= found;
    std::uint64_t answeredLater = 0;
    if (found & CAP_HAS_HOSTRES) answeredLater |= F0_STATUS;
    if (found & CAP_HAS_PRINTMIB) answeredLater |= F0_DISPLAY;
    if (flags[0] & (F0_STATUS | F0_DISPLAY) & ~answeredLater) {
        const std::uint64_t kept = flags[0] & answeredLater;
        flags[0] &= ~kept;
        do_hppriv_get(session, flags, capFlags);
        flags[0] |= kept;
    }
    return found;
}

// HP handling: settings, vendor, the device-identification string, the
// standard-MIB decision and, for older models, status, display and languages.
void hp_handling(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags,
                 const char *const *settings, const std::string &descr) {
    set_vendor_code(*capFlags, VENDOR_HP);
    if ((flags[1] & F1_REBOOT) || (flags[2] & F2_UPDATEFIRMWARE))
        do_hppriv_set(session, flags, settings);
    if (flags[0] & F0_VENDOR) emit(session, flags, "vendor=\"HP\";");
    if (!(flags[0] & (F0_MODEL | F0_HOSTMIB | F0_PRINTMIB)) &&
        !(*capFlags & (CAP_WANT_HOSTRES | CAP_WANT_PRINTMIB)))
        return;

    // A refused, missing or non-text identification counts as not reported.
    const std::string id = get_single(session, HP_DEVICE_ID, STRING_TAG).value.value_or("");
    if (id.empty()) {
        std::fprintf(stderr, "Warning: %s model not reported.\n", host(session));
        hp_generic_probe(session, flags, capFlags);
        return;
    }

    std::optional<std::string> model = hp_model_from_id(id);
    if (!model) {
        std::fprintf(stderr, "%s: Can't find \"MODEL:\" or \"MDL:\" in \"%s\"\n", host(session),
                     escape_value(id).c_str());
        throw WorkerExit{STATUS_PROBE_REJECTED};
    }
    if (flags[0] & F0_MODEL) print_model(session, flags, *model);

    if (hp_model_has_standard_mibs(*model, descr)) {
        *capFlags |= CAP_HAS_PRINTMIB;
        if (contains(descr, "EEPROM A.03."))
            std::fprintf(stderr, "Warning: %s has ancient firmware. Please upgrade it!\n",
                         host(session));
        else
            *capFlags |= CAP_HAS_HOSTRES;
        return;
    }

    // With the Printer MIB found, its language reports answer the language options.
    if (hp_generic_probe(session, flags, capFlags) & CAP_HAS_PRINTMIB) return;
    constexpr std::uint64_t languageOptions = F1_LANGUAGES | F1_PJL | F1_HPGL | F1_PSPRINTER |
                                              F1_AUTOLANG | F1_POSTSCRIPT | F1_PCL;
    if (!(flags[1] & languageOptions)) return;
    std::optional<std::vector<std::string>> items = hp_command_set(id);
    constexpr std::uint64_t answerable = F1_PJL | F1_HPGL | F1_POSTSCRIPT | F1_PCL;
    if (!items) {
        if (flags[1] & answerable)
            std::fprintf(stderr,
                         "Warning: %s: no \"COMMAND SET:\" or \"CMD:\" in \"%s\"; languages not "
                         "answered.\n",
                         host(session), escape_value(id).c_str());
        return;
    }
    std::string fields = answer_command_set(*items, flags[1]);
    if (!fields.empty()) emit(session, flags, fields);
}

// Tektronix handling: hrDeviceDescr.1 decides the MIBs and gives the model; a
// printer without it names its model in a private variable.
void tektronix_handling(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags) {
    set_vendor_code(*capFlags, VENDOR_TEKTRONIX);
    *capFlags |= CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB;

    const SingleValue devdesc = get_single(session, HRDEVICEDESCR_1, STRING_TAG);
    if (devdesc.refused) {
        std::fprintf(stderr, "Warning: Tektronix printer %s does not support the hostmib.\n",
                     host(session));
        *capFlags &= ~(CAP_HAS_HOSTRES | CAP_HAS_PRINTMIB);
        const SingleValue model = get_single(session, TEKTRONIX_MODEL, STRING_TAG);
        if (flags[0] & F0_MODEL) {
            flags[0] &= ~F0_MODEL;
            if (model.value)
                print_model(session, flags, *model.value);
            else
                std::fprintf(stderr, "Warning: %s %s its Tektronix model variable %s.\n",
                             host(session), model.refused ? "refused" : "returned no text for",
                             TEKTRONIX_MODEL);
        }
    } else if (!devdesc.value && (flags[0] & F0_MODEL)) {
        std::fprintf(stderr, "Warning: %s returned no text for %s.\n", host(session),
                     HRDEVICEDESCR_1);
        flags[0] &= ~F0_MODEL;
    }

    if (flags[0] & F0_VENDOR) emit(session, flags, "vendor=\"Tektronix\";");

    if ((flags[0] & F0_MODEL) && devdesc.value) {
        std::string_view text = *devdesc.value;
        std::size_t at = text.find("Inc., ");
        if (at == std::string_view::npos) {
            std::fprintf(stderr, "%s: Can't find \"Inc., \" in \"%s\"\n", host(session),
                         escape_value(text).c_str());
            return;
        }
        std::string_view rest = text.substr(at + 6);
        std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) warn_unterminated_model(session, text, ",");
        print_model(session, flags, rest.substr(0, comma));
    }
}

// Vendor rules other than HP and Tektronix, and the two that end the worker.
void vendor_identification(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags,
                           const char *const *settings, const std::string &descr) {
    VendorMatch match = identify_vendor(descr);
    if (match.rule == 1) return hp_handling(session, flags, capFlags, settings, descr);
    if (match.rule == 3) return tektronix_handling(session, flags, capFlags);
    if (match.rule == 11) {
        std::fprintf(stderr, "Warning: %s does not appear to be a printer. Skipping.\n",
                     host(session));
        throw WorkerExit{STATUS_NOT_A_PRINTER};
    }
    if (match.rule == 12 && (flags[1] & F1_GENERIC))
        return generic_handling(session, flags, capFlags, descr);
    if (match.rule == 12) {
        std::fprintf(stderr, "Warning: %s: unknown printer vendor. Describes itself as \"%s\"\n",
                     host(session), escape_value(descr).c_str());
        throw WorkerExit{STATUS_UNKNOWN_VENDOR};
    }
    set_vendor_code(*capFlags, vendor_code(*capFlags) | match.vendorCode);
    if (match.hostMib) *capFlags |= CAP_HAS_HOSTRES;
    if (match.printMib) *capFlags |= CAP_HAS_PRINTMIB;
    if ((flags[0] & F0_VENDOR) && match.vendor)
        emit(session, flags, format_piece("vendor=\"%s\";", match.vendor));
    if (!(flags[0] & F0_MODEL)) return;
    switch (match.modelOutcome) {
    case ModelOutcome::Text:
        if (match.modelUnterminated) warn_unterminated_model(session, descr, "  ");
        print_model(session, flags, match.model);
        break;
    case ModelOutcome::NotSupported:
        not_supported("model", host(session));
        break;
    case ModelOutcome::Missing:
        warn_missing_model(session, descr);
        break;
    case ModelOutcome::None:
        break;
    }
}

}  // namespace

// ---- Pure parts -----------------------------------------------------------

VendorMatch identify_vendor(std::string_view d) {
    VendorMatch m;
    auto begins = [&](std::string_view prefix) { return d.substr(0, prefix.size()) == prefix; };
    // The model is text from offset `from` on, text already cut where the model
    // ends. It may be empty; a description that stops before `from` has none.
    auto model = [&](std::string_view text, std::size_t from) {
        if (from > text.size()) {
            m.modelOutcome = ModelOutcome::Missing;
            return;
        }
        m.modelOutcome = ModelOutcome::Text;
        m.model = std::string(text.substr(from));
    };

    if (contains(d, "JETDIRECT")) {
        m.rule = 1;
        m.vendorCode = VENDOR_HP;
    } else if (begins("Lexmark")) {
        m.rule = 2;
        m.vendorCode = VENDOR_LEXMARK;
        m.hostMib = m.printMib = true;
        m.vendor = "Lexmark";
        if (d.size() > 8) {
            std::size_t end = d.find("  ", 8);
            m.modelUnterminated = end == std::string_view::npos;
            model(d.substr(0, end), 8);
        } else {
            m.modelOutcome = ModelOutcome::Missing;
        }
    } else if (begins("Tektronix")) {
        m.rule = 3;
        m.vendorCode = VENDOR_TEKTRONIX;
        m.hostMib = m.printMib = true;
    } else if (begins("Xerox")) {
        m.rule = 4;
        m.vendorCode = VENDOR_XEROX;
        m.vendor = "Xerox";
        if (contains(d, "???")) {
            m.modelOutcome = ModelOutcome::NotSupported;
        } else {
            m.hostMib = m.printMib = true;
            std::size_t space = d.find(' ');
            if (space == std::string_view::npos)
                m.modelOutcome = ModelOutcome::Missing;
            else
                model(d, space + 1);
        }
    } else if (begins("131;C1H011131;") || begins(std::string_view(";C1H017730;", 10))) {
        m.rule = 5;
        m.vendorCode = VENDOR_XEROX;
        m.hostMib = m.printMib = true;
        m.vendor = "Xerox";
        m.modelOutcome = ModelOutcome::Text;
        m.model = "Document Centre 230ST";
    } else if (begins("3UP060485")) {
        m.rule = 6;
        m.vendorCode = VENDOR_XEROX;
        m.hostMib = m.printMib = true;
        m.vendor = "Xerox";
        m.modelOutcome = ModelOutcome::Text;
        m.model = "Document Centre 265";
    } else if (begins("QMS")) {
        m.rule = 7;
        m.vendorCode = VENDOR_QMS;
        m.vendor = "QMS";
        model(d.substr(0, d.find(';')), 4);
    } else if (begins("IBM")) {
        m.rule = 8;
        m.vendorCode = VENDOR_IBM;
        m.vendor = "IBM";
        model(d.substr(0, d.size() > 4 ? d.find(' ', 4) : std::string_view::npos), 4);
    } else if (begins("EFI Fiery Color Printer Server") || d == "EFI Fiery Server ZX") {
        m.rule = 9;
        m.vendorCode = VENDOR_EFI;
        m.hostMib = true;
        m.vendor = "EFI";
        m.modelOutcome = ModelOutcome::NotSupported;
    } else if (begins("Able Model-PRII")) {
        m.rule = 10;
        m.vendor = "Fuji";
        m.modelOutcome = ModelOutcome::Text;
        m.model = "Able PRII";
    } else if (contains(d, "HP-UX") || contains(d, "HPUX") || contains(d, "Windows NT") ||
               contains(d, "Sun SNMP Agent") || contains(d, "SunOS") ||
               contains(d, "Macintosh") || contains(d, "UNIX")) {
        m.rule = 11;
    } else {
        m.rule = 12;
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
    if (contains(model, "LaserJet 5") && !contains(model, "Color") &&
        !contains(descr, "JETDIRECT EX"))
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

std::string answer_command_set(const std::vector<std::string> &items, std::uint64_t &flags1) {
    static const struct {
        const char *item;
        std::uint64_t bit;
        const char *field;
    } languages[] = {{"POSTSCRIPT", F1_POSTSCRIPT, "postscript=\"Y\";"},
                     {"PCL", F1_PCL, "pcl=\"Y\";"},
                     {"HP-GL", F1_HPGL, "hpgl=\"Y\";"},
                     {"PJL", F1_PJL, "pjl=\"Y\";"}};
    std::string fields;
    for (const std::string &item : items) {
        for (const auto &lang : languages) {
            if ((flags1 & lang.bit) && item == lang.item) {
                fields += lang.field;
                flags1 &= ~lang.bit;
            }
        }
    }
    return fields;
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
        {2, "IBM"},          {11, "HP"},        {128, "Tektronix"}, {236, "Samsung"},
        {253, "Xerox"},      {297, "Fuji Xerox"}, {367, "Ricoh"},   {641, "Lexmark"},
        {674, "Dell"},       {1129, "Toshiba"}, {1248, "Epson"},    {1347, "Kyocera"},
        {1602, "Canon"},     {2001, "OKI"},     {2385, "Sharp"},    {2435, "Brother"},
        {10642, "Zebra"},    {18334, "Konica Minolta"},
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

std::optional<FirmwareSource> split_firmware_arg(std::string_view arg) {
    std::size_t colon = arg.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == arg.size())
        return std::nullopt;
    return FirmwareSource{std::string(arg.substr(0, colon)), std::string(arg.substr(colon + 1))};
}

std::optional<std::array<unsigned char, 6>> tftp_transport_address(const std::string &server) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(server.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    for (const addrinfo *ai = found; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) continue;
        sockaddr_in sin;
        std::memcpy(&sin, ai->ai_addr, sizeof sin);
        std::array<unsigned char, 6> out{};
        std::memcpy(out.data(), &sin.sin_addr.s_addr, 4);
        // TFTP's UDP port 69, in network byte order.
        out[4] = 0x00;
        out[5] = 0x45;
        return out;
    }
    return std::nullopt;
}

std::string format_hwaddr(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < 6 && i < bytes.size(); ++i)
        out += format_piece("%02x:", static_cast<unsigned char>(bytes[i]));
    return out;
}

std::string decode_status(std::uint64_t status, const char *hostname) {
    static const char *const AVAILABILITY[] = {
        "Available and Idle",   "Unavailable and OnRequest", "Available and Standby",
        "Unavailable because Broken", "Available and Active", "Unknown",
        "Available and Busy"};
    std::string text;
    if (status & 64) text += "Transitioning ";
    if (status & 32) text += "Off-Line ";
    if (status & 16) text += "Critical Alerts ";
    if (status & 8) text += "Non-Critical Alerts ";
    unsigned availability = static_cast<unsigned>(status & 7);
    if (availability < 7) {
        text += AVAILABILITY[availability];
    } else {
        // RFC 1759 leaves availability 7 undefined; name the number.
        text += "Undefined availability 7";
        if (hostname)
            std::fprintf(stderr,
                         "Warning: %s reported the undefined sub-unit availability 7 (status "
                         "%llu).\n",
                         hostname, static_cast<unsigned long long>(status));
    }
    return text;
}

// ---- Reports --------------------------------------------------------------

void do_general_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags,
                    const char *const *settings) {
    const SNMP_session::IPv4 &address = session.address();
    // The netmask is indexed by the printer's own address (ipAdEntNetMask).
    const std::string netmaskOid =
        format_piece("%s.%u.%u.%u.%u", IPADENTNETMASK, address[0], address[1], address[2], address[3]);

    tabdef<GeneralInfo> request(&session);
    const bool wantDescr = (flags[0] & (F0_MODEL | F0_HOSTMIB | F0_PRINTMIB | F0_VENDOR)) ||
                           (*capFlags & (CAP_WANT_HOSTRES | CAP_WANT_PRINTMIB | CAP_WANT_VENDOR));
    if (wantDescr) request.append(SYSDESCR, STRING_TAG, &GeneralInfo::sysDescr);
    if (flags[0] & F0_CONTACT) {
        request.append(SYSCONTACT, STRING_TAG, &GeneralInfo::sysContact);
        request.append(SYSLOCATION, STRING_TAG, &GeneralInfo::sysLocation);
    }
    if (flags[0] & F0_NETCONFIG) {
        request.append(IFPHYSADDRESS_1, STRING_TAG, &GeneralInfo::hwAddr);
        request.append(IFTYPE_1, INT_TAG, &GeneralInfo::ifType);
        request.append(DEFAULT_NEXTHOP, IPADDR_TAG, &GeneralInfo::gateway);
        request.append(netmaskOid.c_str(), IPADDR_TAG, &GeneralInfo::netmask);
    }

    // Every absorbed refusal removes a column, so this ends after at most as
    // many rounds as columns.
    GeneralInfo info;
    std::vector<std::string> dropped;
    fetch_despite_refusals(session, request, info, dropped, [&](const std::string &rejected) {
        if (rejected == SYSDESCR) {
            std::fprintf(stderr,
                         "Warning: %s does not have a system.sysDescr.0 probably Windows NT. "
                         "Skipping.\n",
                         host(session));
            throw WorkerExit{STATUS_PROBE_REJECTED};
        }
        if (rejected == DEFAULT_NEXTHOP && request.remove(DEFAULT_NEXTHOP)) return true;
        if ((rejected == SYSCONTACT || rejected == SYSLOCATION) && (flags[0] & F0_CONTACT)) {
            request.remove(SYSCONTACT);
            request.remove(SYSLOCATION);
            flags[0] &= ~F0_CONTACT;
            std::fprintf(stderr, "Warning: %s does't provide system.sys%s ignoring --contact.\n",
                         host(session), rejected == SYSCONTACT ? "Contact" : "Location");
            return true;
        }
        std::fprintf(stderr, "debug: Bad things from %s\n", host(session));
        if ((rejected == IFPHYSADDRESS_1 || rejected == IFTYPE_1 || rejected == netmaskOid) &&
            request.remove(rejected.c_str())) {
            std::fprintf(stderr, "Warning: %s refused %s; going on without it.\n", host(session),
                         rejected.c_str());
            return true;
        }
        std::fprintf(stderr, "Warning: %s refused the general request (at \"%s\"). Skipping.\n",
                     host(session), rejected.c_str());
        throw WorkerExit{STATUS_PROBE_REJECTED};
    });
    OidSeq *response = request.lastResponse();
    auto has = [&](const char *oidstr) { return answered(response, dropped, oidstr); };

    if (flags[0] & F0_NETCONFIG) {
        std::string hw = has(IFPHYSADDRESS_1) ? hwaddr_bytes(response, IFPHYSADDRESS_1) : "";
        std::int64_t ifType = has(IFTYPE_1) ? info.ifType : 0;
        if (ifType != IFTYPE_ETHERNET_CSMACD) {
            // Interface 1 may be a loopback or serial port: the hardware address
            // is that of the first Ethernet row of the interface table.
            tabdef<GeneralInfo> walk(&session);
            walk.append(IFPHYSADDRESS, STRING_TAG, &GeneralInfo::hwAddr);
            walk.append(IFTYPE, INT_TAG, &GeneralInfo::ifType);
            bool found = false;
            for (;;) {
                try {
                    if (!walk.getNext(info)) break;
                } catch (SNMP_error_unrecoverable error) {
                    handle_unrecoverable(progname, host(session), error);
                } catch (std::unique_ptr<SNMP_error_oid> &) {
                    break;  // noSuchName: the agent's MIB ends inside the table
                } catch (SNMP_error_oid &) {
                    break;  // a value of the wrong type, already warned about
                }
                if (info.ifType == IFTYPE_ETHERNET_CSMACD) {
                    found = true;
                    hw = hwaddr_bytes(walk.lastResponse(), IFPHYSADDRESS);
                    break;
                }
            }
            ifType = found ? IFTYPE_ETHERNET_CSMACD : 0;
            if (!found)
                std::fprintf(stderr,
                             "Warning: %s doesn't appear to have an ethernet interface. Can't "
                             "detect hwaddr.\n",
                             host(session));
        }
        std::string fields = "ipaddr=\"" + quad(address) + "\";";
        if (has(netmaskOid.c_str()))
            fields += "netmask=\"" + quad(info.netmask) + "\";";
        else
            std::fprintf(stderr, "Warning: %s did not report a netmask.\n", host(session));
        emit(session, flags, fields);
        if (ifType == IFTYPE_ETHERNET_CSMACD) {
            if (hw.size() >= 6)
                emit(session, flags, "hwaddr=\"" + format_hwaddr(hw) + "\";");
            else
                std::fprintf(stderr,
                             "Warning: %s reported a hardware address of %zu bytes; no hwaddr.\n",
                             host(session), hw.size());
        }
        if (has(DEFAULT_NEXTHOP))
            emit(session, flags, "gateway=\"" + quad(info.gateway) + "\";");
        else
            std::fprintf(stderr, "Warning: %s did not report a default gateway.\n", host(session));
    }

    if (wantDescr && has(SYSDESCR))
        vendor_identification(session, flags, capFlags, settings, info.sysDescr);

    if (flags[0] & F0_CONTACT)
        emit(session, flags,
             "contact=\"" + escape_value(info.sysContact) + "\";location=\"" +
                 escape_value(info.sysLocation) + "\";");
    if (flags[0] & F0_HOSTMIB)
        emit(session, flags, format_piece("hostmib=\"%c\";", (*capFlags & CAP_HAS_HOSTRES) ? 'Y' : 'N'));
    if (flags[0] & F0_PRINTMIB)
        emit(session, flags,
             format_piece("printmib=\"%c\";", (*capFlags & CAP_HAS_PRINTMIB) ? 'Y' : 'N'));
}

void do_hppriv_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags) {
    tabdef<HpPrivInfo> request(&session);
    if (flags[0] & F0_STATUS) request.append(HP_STATUS, STRING_TAG, &HpPrivInfo::status);
    if (flags[0] & F0_DISPLAY) request.append(HP_DISPLAY, STRING_TAG, &HpPrivInfo::display);
    HpPrivInfo info;
    std::vector<std::string> dropped;
    fetch_despite_refusals(session, request, info, dropped, [&](const std::string &rejected) {
        std::fprintf(stderr, "Warning: %s refused the HP private variable \"%s\".\n",
                     host(session), rejected.c_str());
        return request.remove(rejected.c_str());
    });
    OidSeq *response = request.lastResponse();

    if (flags[0] & F0_STATUS) {
        flags[0] &= ~F0_STATUS;
        if (!(flags[0] & (F0_STORAGE | F0_MEMORY))) *capFlags &= ~CAP_WANT_HOSTRES;
        if (answered(response, dropped, HP_STATUS))
            emit(session, flags, "status=\"" + escape_value(info.status) + "\";");
    }
    if (flags[0] & F0_DISPLAY) {
        flags[0] &= ~F0_DISPLAY;
        if (!(flags[0] & F0_PRINTMIB_MASK) && !(flags[1] & F1_PRINTMIB_MASK))
            *capFlags &= ~CAP_WANT_PRINTMIB;
        if (answered(response, dropped, HP_DISPLAY))
            emit(session, flags, "displayBufferText=\"" + escape_value(info.display) + "\";\n");
    }
}

namespace {

constexpr std::int64_t NO_STATUS = std::numeric_limits<std::int64_t>::min();

struct HrInfo {
    std::int64_t memsize = 0;
    std::int64_t prstatus = NO_STATUS;
};

struct HrStorageTable {
    std::string descr;
    std::int64_t allocUnits = 0;
    std::int64_t size = 0;
    std::int64_t used = 0;
    std::int64_t allocFailures = 0;
};

constexpr std::size_t STORAGE_COLUMNS = 5;
constexpr const char *STORAGE_COLUMN[STORAGE_COLUMNS] = {
    HRSTORAGEDESCR, HRSTORAGEALLOCATIONUNITS, HRSTORAGESIZE, HRSTORAGEUSED,
    HRSTORAGEALLOCATIONFAILURES};
constexpr std::int64_t HrStorageTable::*STORAGE_SLOT[STORAGE_COLUMNS] = {
    nullptr, &HrStorageTable::allocUnits, &HrStorageTable::size, &HrStorageTable::used,
    &HrStorageTable::allocFailures};

void hostmib_memory_status(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags) {
    tabdef<HrInfo> request(&session);
    bool wantMemory = flags[0] & F0_MEMORY;
    bool wantStatus = flags[0] & F0_STATUS;
    if (wantMemory) request.append(HRMEMORYSIZE_0, INT_TAG, &HrInfo::memsize);
    if (wantStatus) request.append(HRPRINTERSTATUS_1, INT_TAG, &HrInfo::prstatus);
    HrInfo info;
    std::vector<std::string> dropped;
    // Each absorbed refusal removes or replaces a column once, so this ends.
    const bool accepted =
        fetch_despite_refusals(session, request, info, dropped, [&](const std::string &rejected) {
            if (rejected == HRMEMORYSIZE_0 && request.remove(HRMEMORYSIZE_0)) {
                // Older firmware publishes the memory size under instance 1.
                request.append(HRMEMORYSIZE_1, INT_TAG, &HrInfo::memsize);
                return true;
            }
            if (rejected == HRPRINTERSTATUS_1 && request.remove(HRPRINTERSTATUS_1)) {
                wantStatus = false;
                if (vendor_code(*capFlags) == VENDOR_HP) {
                    // Old HP interfaces keep the status in HP's private MIB.
                    std::fprintf(stderr, "Warning: %s has an old firmware. Please upgrade it!\n",
                                 host(session));
                    do_hppriv_get(session, flags, capFlags);
                } else {
                    std::fprintf(stderr, "Warning: %s does not provide %s; no status.\n",
                                 host(session), HRPRINTERSTATUS_1);
                }
                return true;
            }
            if (rejected == HRMEMORYSIZE_1 && request.remove(HRMEMORYSIZE_1)) {
                std::fprintf(stderr, "Warning: %s provides neither %s nor %s; no memsize.\n",
                             host(session), HRMEMORYSIZE_0, HRMEMORYSIZE_1);
                wantMemory = false;
                return true;
            }
            std::fprintf(stderr,
                         "Warning: %s refused the host resources request (at \"%s\"); no "
                         "memsize or status.\n",
                         host(session), rejected.c_str());
            return false;
        });
    if (!accepted) return;

    for (const std::string &oidstr : dropped)
        if (oidstr == HRMEMORYSIZE_0 || oidstr == HRMEMORYSIZE_1) wantMemory = false;
    if (wantMemory)
        emit(session, flags, format_piece("memsize=\"%u\";", static_cast<std::uint32_t>(info.memsize)));
    if (wantStatus && (flags[0] & F0_STATUS)) {
        if (info.prstatus >= 1 && info.prstatus <= HRSTATUSSTATES_MAX) {
            emit(session, flags, format_piece("status=\"%s\";", HRSTATUSSTATES[info.prstatus]));
        } else if (info.prstatus == NO_STATUS) {
            std::fprintf(stderr, "Warning: %s did not report its printer status.\n", host(session));
        } else {
            std::fprintf(stderr,
                         "Warning: %s reported printer status %lld, which has no name (1-5).\n",
                         host(session), static_cast<long long>(info.prstatus));
            emit(session, flags, format_piece("status=\"%lld\";", static_cast<long long>(info.prstatus)));
        }
    }
}

// Walks the storage table with the columns marked wanted. When the walk ends
// before its first row, foundInFirstStep (if given) tells which columns the
// printer's first reply still held.
std::vector<HrStorageTable> walk_storage(SNMP_session &session,
                                         const std::array<bool, STORAGE_COLUMNS> &wanted,
                                         std::array<bool, STORAGE_COLUMNS> *foundInFirstStep) {
    tabdef<HrStorageTable> stortabreq(&session);
    for (std::size_t i = 0; i < STORAGE_COLUMNS; ++i) {
        if (!wanted[i]) continue;
        if (i == 0)
            stortabreq.append(STORAGE_COLUMN[i], STRING_TAG, &HrStorageTable::descr);
        else
            stortabreq.append(STORAGE_COLUMN[i], i == 4 ? COUNTER_TAG : INT_TAG, STORAGE_SLOT[i]);
    }

    // Walked step by step so that rows read before a refusal are still printed.
    std::vector<HrStorageTable> storage;
    for (;;) {
        HrStorageTable row;
        try {
            if (!stortabreq.getNext(row)) {
                if (storage.empty() && foundInFirstStep) {
                    for (std::size_t i = 0; i < STORAGE_COLUMNS; ++i)
                        (*foundInFirstStep)[i] =
                            wanted[i] && present(stortabreq.lastResponse(),
                                                 (std::string(STORAGE_COLUMN[i]) + ".").c_str());
                }
                break;
            }
        } catch (SNMP_error_unrecoverable error) {
            handle_unrecoverable(progname, host(session), error);
        } catch (std::unique_ptr<SNMP_error_oid> &error) {
            if (!error || error->status != tabdef_detail::NO_SUCH_NAME)
                std::fprintf(stderr,
                             "Warning: %s refused the storage walk (at \"%s\"); %zu rows read.\n",
                             host(session), rejected_name(error).c_str(), storage.size());
            break;
        } catch (SNMP_error_oid &bad) {
            std::fprintf(stderr, "Warning: %s: storage walk stopped at \"%s\"; %zu rows read.\n",
                         host(session), bad.str.c_str(), storage.size());
            break;
        }
        storage.push_back(std::move(row));
    }
    return storage;
}

void hostmib_storage(SNMP_session &session, std::uint64_t *flags) {
    std::array<bool, STORAGE_COLUMNS> wanted;
    wanted.fill(true);
    std::array<bool, STORAGE_COLUMNS> found{};
    std::vector<HrStorageTable> storage = walk_storage(session, wanted, &found);

    // Agents may leave out a column (net-snmp has no hrStorageAllocationFailures),
    // which would end the walk before its first row: walk again without it.
    if (storage.empty() && found[0]) {
        bool dropped = false;
        for (std::size_t i = 1; i < STORAGE_COLUMNS; ++i) {
            if (found[i]) continue;
            std::fprintf(stderr, "Warning: %s does not provide %s; its field is left empty.\n",
                         host(session), STORAGE_COLUMN[i]);
            wanted[i] = false;
            dropped = true;
        }
        if (dropped) storage = walk_storage(session, wanted, nullptr);
    }

    auto number = [&](std::size_t column, std::int64_t value) {
        return wanted[column] ? format_piece("%u", static_cast<std::uint32_t>(value)) : std::string();
    };
    for (auto it = storage.rbegin(); it != storage.rend(); ++it) {
        emit(session, flags,
             "desc=\"" + escape_value(it->descr) + "\";allocunits=\"" + number(1, it->allocUnits) +
                 "\";size=\"" + number(2, it->size) + "\";used=\"" + number(3, it->used) +
                 "\";allocfail=\"" + number(4, it->allocFailures) + "\";\n",
             false);
    }
}

}  // namespace

void do_hostmib_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags) {
    if (flags[0] & (F0_MEMORY | F0_STATUS)) hostmib_memory_status(session, flags, capFlags);
    if (flags[0] & F0_STORAGE) hostmib_storage(session, flags);
}

namespace {

struct ConnInfo {
    std::int64_t connState = 0;
    std::array<unsigned char, 4> remAddr{};
};

struct ConnQuery {
    std::uint16_t port = 0;
    std::string stateOid;
    std::string remAddrOid;
    bool found = false;
    ConnInfo conninfo;
};

}  // namespace

void do_connections(std::uint64_t *flags, SNMP_session &session, const ConnRequest *connList) {
    const SNMP_session::IPv4 &a = session.address();
    std::vector<ConnQuery> queries;
    for (const ConnRequest *node = connList; node; node = node->next) {
        ConnQuery q;
        q.port = node->port;
        // tcpConnTable is indexed by local address, local port, remote address
        // and remote port: one get-next from the local pair gives the first
        // connection on that port.
        q.stateOid = format_piece("%s.%u.%u.%u.%u.%u", TCPCONNSTATE, a[0], a[1], a[2], a[3], q.port);
        q.remAddrOid =
            format_piece("%s.%u.%u.%u.%u.%u", TCPCONNREMADDRESS, a[0], a[1], a[2], a[3], q.port);
        queries.push_back(std::move(q));
    }
    for (ConnQuery &q : queries) {
        tabdef<ConnInfo> request(&session);
        request.append(q.stateOid.c_str(), INT_TAG, &ConnInfo::connState);
        request.append(q.remAddrOid.c_str(), IPADDR_TAG, &ConnInfo::remAddr);
        try {
            if (request.getNext(q.conninfo)) {
                // A column string is a character prefix, so port 80 would also
                // match port 8080: insist on the dot that ends the port.
                OidSeq *reply = request.lastResponse();
                q.found = present(reply, (q.stateOid + ".").c_str()) &&
                          present(reply, (q.remAddrOid + ".").c_str());
            }
        } catch (SNMP_error_unrecoverable error) {
            handle_unrecoverable(progname, host(session), error);
        } catch (std::unique_ptr<SNMP_error_oid> &error) {
            if (!error || error->status != tabdef_detail::NO_SUCH_NAME)
                std::fprintf(stderr, "Warning: %s refused the connection query for port %u.\n",
                             host(session), q.port);
        } catch (SNMP_error_oid &) {
            // A value of the wrong type, already warned about: no connection known.
        }
    }
    for (const ConnQuery &q : queries) {
        if (!q.found) {
            std::fprintf(stderr, "Warning: %s has no TCP connection on port %u.\n", host(session),
                         q.port);
            emit(session, flags, format_piece("port=\"%u\";state=\"none\";remotehost=\"\"\n", q.port),
                 false);
            continue;
        }
        std::int64_t state = q.conninfo.connState;
        std::string stateText;
        if (state >= 1 && state <= TCPCONNSTATES_MAX) {
            stateText = TCPCONNSTATES[state];
        } else {
            std::fprintf(stderr,
                         "Warning: %s reported TCP connection state %lld on port %u, which has no "
                         "name (1-11).\n",
                         host(session), static_cast<long long>(state), q.port);
            stateText = format_piece("%lld", static_cast<long long>(state));
        }
        emit(session, flags,
             format_piece("port=\"%u\";state=\"%s\";remotehost=\"%s\"\n", q.port, stateText.c_str(),
                    quad(q.conninfo.remAddr).c_str()),
             false);
    }
}

void hpcfgsrc(SNMP_session &session, std::uint64_t *flags, const BerBase *value) {
    if (!value) {
        std::fprintf(stderr, "Warning: %s did not return its configuration source.\n",
                     host(session));
        return;
    }
    if (value->type() != INT_TAG) {
        std::fprintf(stderr,
                     "Warning: %s returned a configuration source of type 0x%x, not an INTEGER.\n",
                     host(session), static_cast<unsigned>(value->type()));
        return;
    }
    std::int64_t cfgtype = static_cast<const BerInt *>(value)->value;
    if (cfgtype >= 0 && cfgtype <= HPCFGSOURCESTATES_MAX) {
        emit(session, flags, format_piece("cfgsrc=\"%s\";", HPCFGSOURCESTATES[cfgtype]));
        return;
    }
    std::fprintf(stderr, "Warning: %s reported configuration source %lld, which has no name (0-5).\n",
                 host(session), static_cast<long long>(cfgtype));
    emit(session, flags, format_piece("cfgsrc=\"%lld\";", static_cast<long long>(cfgtype)));
}

void do_hppriv_set(SNMP_session &session, std::uint64_t *flags, const char *const *settings) {
    OidSeq request;
    if (flags[1] & F1_REBOOT) request.append(HP_RESET, INT_TAG, 1L);
    if (flags[2] & F2_UPDATEFIRMWARE) {
        const char *arg = settings ? settings[SETTING_UPDATEFIRMWARE] : nullptr;
        std::optional<FirmwareSource> source = split_firmware_arg(arg ? arg : "");
        if (!source) {
            std::fprintf(stderr,
                         "Warning: %s: --updatefirmware \"%s\" is not SERVER:FILE; nothing sent.\n",
                         host(session), arg ? arg : "");
            throw WorkerExit{STATUS_HP_SETTING_FAILED};
        }
        std::optional<std::array<unsigned char, 6>> svrip = tftp_transport_address(source->server);
        if (!svrip) {
            std::fprintf(stderr,
                         "Warning: %s: TFTP server \"%s\" of --updatefirmware does not resolve; "
                         "nothing sent.\n",
                         host(session), source->server.c_str());
            throw WorkerExit{STATUS_HP_SETTING_FAILED};
        }
        request.append(HP_FW_COMMAND, INT_TAG, 4L);
        request.append(HP_FW_DOMAIN, OID_TAG, SNMP_UDP_DOMAIN, std::strlen(SNMP_UDP_DOMAIN));
        request.append(HP_FW_ADDRESS, STRING_TAG, svrip->data(), svrip->size());
        // The interface expects the file name with its terminating NUL.
        request.append(HP_FW_FILENAME, STRING_TAG, source->filename.c_str(),
                       source->filename.size() + 1);
    }
    if (request.size() > 0) {
        try {
            // No answer is normal: a printer being reset may not reply.
            session.do_req(SET_REQ_TAG, &request);
        } catch (std::unique_ptr<SNMP_error_oid> &error) {
            std::fprintf(stderr, "Warning: %s refused the HP settings (at \"%s\").\n",
                         host(session), rejected_name(error).c_str());
            flags[1] &= ~F1_REBOOT;
            throw WorkerExit{STATUS_HP_SETTING_FAILED};
        }
    }
    flags[1] &= ~F1_REBOOT;
}
