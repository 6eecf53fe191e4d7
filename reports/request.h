// Asking a printer: single variables, and GetRequests that printers refuse a
// variable at a time. A printer that does not answer throws
// SNMP_error_unrecoverable, which ends its worker.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reports/context.h"
#include "snmp/oidseq.h"
#include "snmp/structfill.h"

class BerBase;

// OCTET STRING bytes of a binding, whole (NUL bytes included); none when the
// binding is absent or carries another type.
std::optional<std::string> octets(const BerBase *v);

// The same text as a C string reads it: cut at an embedded NUL.
std::optional<std::string> text_value(const BerBase *v);

// The reply holds a binding at or under oidstr (whole arcs).
bool present(const OidSeq *response, const char *oidstr);

// One exchange; the printer not answering throws SNMP_error_unrecoverable.
std::unique_ptr<OidSeq> exchange(ReportContext &ctx, int pduTag, OidSeq &request);

// A SetRequest that restarts the printer: a printer may restart before it
// answers, so no answer is only warned about ("Warning: HOST: no answer to the
// reset; the printer may be restarting."). A request that could not be sent
// throws SNMP_error_unrecoverable; a refusal throws SNMP_error_oid.
void send_reset(ReportContext &ctx, OidSeq &request);

// What a refused SetRequest refused, for its message: the object by name
// where it is one prowlet sets ("sysLocation.0 (1.3.6.1.2.1.1.6.0,
// error-status 2)"; no error-status without status), and for a refusal that
// means the community or user may not write (noSuchName, which SNMPv1
// agents answer a write they do not allow with, and readOnly; withCause for
// an authorizationError) what to do about it.
std::string set_refusal_detail(const std::string &oid, std::optional<int> status, bool user, bool withCause = false);

// One variable by GetRequest.
struct SingleValue {
    bool refused = false;              // the printer answered with an error status
    std::optional<std::string> value;  // OCTET STRING text, or an OID as dotted text
};
// value stays empty when the variable is refused, absent or not of the type asked.
SingleValue get_single(ReportContext &ctx, const char *oidstr, int type);

// One GetRequest into record. A value of a refused type (the record filler has
// warned about it) is left out: its column is dropped, named in dropped, and
// the rest of the same reply is used. A missing value gets the usual warning.
template <class Record>
void fetch_one(tabdef<Record> &t, Record &record, std::vector<std::string> &dropped) {
    std::string refused;
    try {
        t.getOne(record);
        return;
    } catch (const SNMP_error_type &bad) {
        refused = bad.str;
    }
    for (;;) {
        if (!t.remove(refused.c_str()) || !t.lastResponse()) throw SNMP_error_type(refused.c_str());
        dropped.push_back(refused);
        try {
            if (!t.fillStruct(*t.lastResponse(), record)) tabdef_detail::warn_missing_value(t.sessionOf());
            return;
        } catch (const SNMP_error_type &bad) {
            refused = bad.str;
        }
    }
}

// A value counts when the reply holds it and it came with the type asked.
inline bool answered(const OidSeq *response, const std::vector<std::string> &dropped, const char *oidstr) {
    return present(response, oidstr) && std::find(dropped.begin(), dropped.end(), oidstr) == dropped.end();
}

// Asks with one GetRequest until the printer accepts it. Printers refuse the
// whole request for one variable they lack, so each refusal goes to
// onRefusal(oid), which drops or replaces what it names and returns true to ask
// again, or false to give up (then this returns false).
template <class Record, class OnRefusal>
bool fetch_despite_refusals(tabdef<Record> &t, Record &record, std::vector<std::string> &dropped,
                            OnRefusal onRefusal) {
    while (t.columnCount() > 0) {
        try {
            fetch_one(t, record, dropped);
            return true;
        } catch (const SNMP_error_oid &error) {
            if (!onRefusal(error.str)) return false;
        }
    }
    return true;
}
