// structfill: type checks, value extraction and walk guards behind tabdef.
#include "snmp/structfill.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"
#include "snmp/v2map.h"

namespace tabdef_detail {

void check_type(const SNMP_session *session, const BerBase *v, int expected, const char *oidstr) {
    const int t = v->type();
    if (t == expected) return;
    // Some firmware mixes up the two 32-bit integer types; the value is still usable.
    if (t == COUNTER_TAG && expected == INT_TAG) {
        session->warn(std::string("Warning: Counter returned when Integer expected for ") + oidstr +
                          ".Buggy firmware?\n",
                      false);
        return;
    }
    if (t == INT_TAG && expected == COUNTER_TAG) {
        session->warn(std::string("Warning: Integer returned when Counter expected for ") + oidstr +
                          ". Buggy firmware?\n",
                      false);
        return;
    }
    char types[80];
    std::snprintf(types, sizeof types, "type 0x%x when a value of 0x%x", static_cast<unsigned>(t),
                  static_cast<unsigned>(expected));
    session->warn(std::string("Warning: Printer returned a value of ") + types + " was expected for " + oidstr +
                      ". Buggy firmware?\n",
                  false);
    throw SNMP_error_type(oidstr);
}

std::int64_t int_value(const BerBase *v) {
    if (auto *i = dynamic_cast<const BerInt *>(v)) return i->value;
    if (auto *t = dynamic_cast<const BerTimeTick *>(v)) return static_cast<std::int64_t>(t->value);
    return 0;
}

std::string string_value(const BerBase *v) {
    if (auto *s = dynamic_cast<const BerString *>(v)) {
        // Record strings were always read through a 256-byte buffer: at most 254
        // bytes survive, cut at an embedded NUL like a C string.
        std::string text = s->c_str_value();
        if (text.size() > 254) text.resize(254);
        return text;
    }
    std::vector<char> buf(256);
    int n = v->print(buf.data(), buf.size());
    if (n < 0) {
        buf.resize(SNMP_socket::REPLY_BUFFER_SIZE * 8);
        n = v->print(buf.data(), buf.size());
    }
    return n < 0 ? std::string() : std::string(buf.data(), static_cast<std::size_t>(n));
}

std::array<unsigned char, 4> ipaddr_value(const BerBase *v) {
    if (auto *a = dynamic_cast<const BerIPAddr *>(v)) return a->data;
    return {};
}

SNMP_error_unrecoverable no_answer(const SNMP_session *session) {
    if (int err = session->sendError()) return SNMP_error_unrecoverable(SEND_FAILED, err);
    return SNMP_error_unrecoverable(NO_RESPONSE);
}

std::unique_ptr<OidSeq> exchange(SNMP_session *session, int pduTag, OidSeq *request) {
    std::unique_ptr<OidSeq> reply = session->do_req(pduTag, request);
    if (!reply) throw no_answer(session);
    return reply;
}

namespace {

// Sub-identifiers of an OID's content octets, read within their count. A
// sub-identifier too long for 64 bits compares as the largest value.
std::vector<std::uint64_t> subids(const BerOid &oid) {
    std::vector<std::uint64_t> out;
    std::uint64_t v = 0;
    int bytes = 0;
    for (std::uint32_t i = 0; i < oid.oidbytes; ++i) {
        const unsigned char b = oid.data[i];
        if (++bytes > 9)
            v = UINT64_MAX;
        else
            v = (v << 7) | (b & 0x7f);
        if (!(b & 0x80)) {
            out.push_back(v);
            v = 0;
            bytes = 0;
        }
    }
    if (bytes) out.push_back(v);
    return out;
}

}  // namespace

bool oids_increase(const SNMP_session *session, const OidSeq &request, const OidSeq &reply) {
    // A get-next must move forward; an agent that answers with the same or an
    // earlier object would keep a walk going for ever. The first sub-identifier
    // (40 * X + Y) keeps the order of the first two arcs, so sub-identifiers
    // compare like arcs.
    const std::size_t n = request.size() < reply.size() ? request.size() : reply.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (subids(*request.oid(i)) < subids(*reply.oid(i))) continue;
        session->warn("Warning: " + session->hostname + " returned an OID that does not increase (" +
                      reply.oidstr(i) + "); table walk stopped.\n");
        return false;
    }
    return true;
}

void warn_endless_walk(const SNMP_session *session, std::size_t rows) {
    session->warn("Warning: " + session->hostname + " sent a table that does not end; walk stopped after " +
                  std::to_string(rows) + " rows.\n");
}

std::unique_ptr<OidSeq> ReadAhead::next(SNMP_session *session, OidSeq *request) {
    if (rows_.empty() && request && request->size() > 0 && session->version() != SNMP_version::V1 && !bulkRefused_)
        fetch(session, *request);
    if (rows_.empty()) return exchange(session, GETNEXT_REQ_TAG, request);
    std::unique_ptr<OidSeq> row = std::move(rows_.front());
    rows_.pop_front();
    refuse_exceptions(*row);
    return row;
}

void ReadAhead::fetch(SNMP_session *session, OidSeq &request) {
    const std::size_t columns = request.size();
    const int most = static_cast<int>(bindings_ / columns);
    if (most < 2) return;  // a row at a time: GetNext is as good
    repetitions_ = repetitions_ == 0 ? std::min(firstRows_, most) : std::min(2 * repetitions_, most);
    std::unique_ptr<OidSeq> reply;
    try {
        reply = session->do_bulk(&request, repetitions_);
    } catch (const SNMP_error_oid &) {
        // An agent that refuses the GetBulkRequest, or whose reply cannot be
        // used (too long, or reading ahead it met a value SNMPv1 refuses), is
        // walked by GetNext from here on: the steps SNMPv1 takes, with their
        // outcome.
        bulkRefused_ = true;
        return;
    } catch (const BerDecodeError &) {
        bulkRefused_ = true;
        return;
    }
    if (!reply) throw no_answer(session);
    // Agents may send fewer repetitions than asked; a cut last row is asked again.
    for (auto &row : reply->split_rows(columns)) rows_.push_back(std::move(row));
}

void warn_missing_value(const SNMP_session *session) {
    session->warn("Warning: printer did not respond with a value for one of the OIDs. Buggy firmware?\n", false);
}

}  // namespace tabdef_detail
