// Table retrieval: columns bound to record members, filled by get and get-next walks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ber/ber.h"
#include "snmp/errors.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"

// Non-template work of tabdef, in structfill.cc.
namespace tabdef_detail {
// Accepts v for a column of type expected, warning (through the session)
// about the Integer/Counter swap some firmware makes; any other mismatch warns
// and throws SNMP_error_type naming oidstr.
void check_type(const SNMP_session *session, const BerBase *v, int expected, const char *oidstr);
// INTEGER, Counter or TimeTicks value.
std::int64_t int_value(const BerBase *v);
// OCTET STRING as a C string reads it (cut at an embedded NUL), at most 254
// bytes; an OID as its dotted text.
std::string string_value(const BerBase *v);
std::array<unsigned char, 4> ipaddr_value(const BerBase *v);
// What a session that got no answer failed with: the request could not be
// sent (SEND_FAILED and the errno), or no address answered (NO_RESPONSE).
SNMP_error_unrecoverable no_answer(const SNMP_session *session);
// do_req, with nullptr (no answer) turned into no_answer(session), thrown.
std::unique_ptr<OidSeq> exchange(SNMP_session *session, int pduTag, OidSeq *request);
// False, after "Warning: %s returned an OID that does not increase (%s); table
// walk stopped.\n", when a get-next reply names an OID not greater than the one
// asked for at the same position.
bool oids_increase(const SNMP_session *session, const OidSeq &request, const OidSeq &reply);
// "Warning: printer did not respond with a value for one of the OIDs. Buggy firmware?\n"
void warn_missing_value(const SNMP_session *session);
// Rows one tabdef reads by GetNext before it stops: printer tables hold tens of
// rows, and an agent whose table never ends would otherwise keep a walk going
// (and its memory growing) for ever.
constexpr std::size_t MAX_WALK_ROWS = 10000;
// "Warning: %s sent a table that does not end; walk stopped after %zu rows.\n"
void warn_endless_walk(const SNMP_session *session, std::size_t rows);

// Most bindings one GetBulkRequest asks for: the rows it reads ahead times the
// columns. Agents cap their replies near here (net-snmp at 100 bindings,
// snmpsim at 64), and a reply must stay within the transport's buffer.
constexpr std::size_t BULK_BINDINGS = 60;
// Rows the first GetBulkRequest of a walk reads ahead; each further one reads
// twice as many, up to BULK_BINDINGS. Printer tables mostly hold a few rows,
// and a walk's last request reads past the table for nothing.
constexpr int BULK_FIRST_ROWS = 8;

// The rows of a walk. In SNMPv2c and SNMPv3 one GetBulkRequest fetches
// several rows, handed out one at a time; in SNMPv1, and after an agent has
// refused a GetBulkRequest, every row is one GetNext.
class ReadAhead {
 public:
    // firstRows: rows the first GetBulkRequest asks for; bindings: the most a
    // GetBulkRequest asks for (the rows double up to it).
    explicit ReadAhead(int firstRows = BULK_FIRST_ROWS, std::size_t bindings = BULK_BINDINGS)
        : firstRows_(firstRows), bindings_(bindings) {}

    // The row after request (the previous row, or the columns at first). A row
    // with endOfMibView or another exception throws SNMP_error_oid(noSuchName),
    // as an SNMPv1 agent refuses a get-next past the end of its MIB; no answer
    // throws SNMP_error_unrecoverable.
    std::unique_ptr<OidSeq> next(SNMP_session *session, OidSeq *request);
    // Forgets the rows read ahead (the columns changed).
    void clear() { rows_.clear(); }

 private:
    void fetch(SNMP_session *session, OidSeq &request);

    int firstRows_;
    std::size_t bindings_;
    std::deque<std::unique_ptr<OidSeq>> rows_;
    int repetitions_ = 0;  // rows the next GetBulkRequest asks for; 0 before the first
    bool bulkRefused_ = false;
};
}  // namespace tabdef_detail

// Columns (a dotted OID string with its expected BER type) bound to members of
// Record. Column strings are not copied: they must outlive the tabdef.
//
// Record slots by column type:
//   INT_TAG, COUNTER_TAG, TIME_TICK_TAG  std::int64_t
//   STRING_TAG                           std::string, as a C string reads the value
//                                        (cut at an embedded NUL), at most 254 bytes
//   OID_TAG                              std::string, the dotted text
//   IPADDR_TAG                           std::array<unsigned char, 4>, network order
// A type that does not suit the slot, or that is none of these, throws
// std::logic_error (a programming error).
template <class Record>
class tabdef {
 public:
    explicit tabdef(SNMP_session *session) : session(session) {}
    tabdef(const tabdef &) = delete;
    tabdef &operator=(const tabdef &) = delete;

    void append(const char *oidstr, int type, std::int64_t Record::*slot) {
        if (type != INT_TAG && type != COUNTER_TAG && type != TIME_TICK_TAG)
            throw std::logic_error("tabdef: integer slot for a non-integer column");
        add(oidstr, type, Slot(slot));
    }
    void append(const char *oidstr, int type, std::string Record::*slot) {
        if (type != STRING_TAG && type != OID_TAG)
            throw std::logic_error("tabdef: string slot for a non-string column");
        add(oidstr, type, Slot(slot));
    }
    void append(const char *oidstr, int type, std::array<unsigned char, 4> Record::*slot) {
        if (type != IPADDR_TAG)
            throw std::logic_error("tabdef: address slot for a non-address column");
        add(oidstr, type, Slot(slot));
    }

    // Drops the first column whose string equals oidstr, with its binding in
    // the requests that may go out next: the column's own request (getOne) and,
    // after a step, the reply that the next getNext sends on (there the binding
    // carries an instance of the column). False (nothing changed) when there is
    // no such column.
    bool remove(const char *oidstr) {
        for (auto it = columns.rbegin(); it != columns.rend(); ++it) {
            if (std::string_view(it->oidstr) == oidstr) {
                columns.erase(std::next(it).base());
                if (oidseq) oidseq->remove(oidstr) || oidseq->removeWithin(oidstr);
                if (response) response->removeWithin(oidstr);
                ahead.clear();
                return true;
            }
        }
        return false;
    }

    // Fills record from response; true when every column found a value. Columns
    // are visited newest first; a column takes the last binding at or under
    // its OID (whole arcs, so column 3 never takes column 30's value); a
    // missing value leaves its slot as it was.
    bool fillStruct(OidSeq &response, Record &record) {
        bool result = true;
        for (auto it = columns.rbegin(); it != columns.rend(); ++it) {
            const BerBase *v = response.findWithin(it->oidstr);
            if (!v) {
                result = false;
                continue;
            }
            tabdef_detail::check_type(session, v, it->type, it->oidstr);
            store(*it, v, record);
        }
        return result;
    }

    // One GetRequest for every column: &record, or nullptr (with a warning) when
    // a value was missing. SNMP_error_unrecoverable when the printer did not
    // answer; an error-status arrives as the session's SNMP_error_oid.
    Record *getOne(Record &record) {
        response = tabdef_detail::exchange(session, GET_REQ_TAG, oidseq.get());
        if (!fillStruct(*response, record)) {
            tabdef_detail::warn_missing_value(session);
            return nullptr;
        }
        return &record;
    }

    // One GetNext step from the previous reply (or from the columns at first):
    // &record, or nullptr when a column ran out (the end of a walk) or the
    // printer returned an OID that does not increase. In SNMPv2c and SNMPv3
    // the rows come from GetBulkRequests read ahead (ReadAhead), with the same
    // rows, ends and errors as SNMPv1's GetNext steps.
    Record *getNext(Record &record) {
        if (walkRows >= tabdef_detail::MAX_WALK_ROWS) {
            tabdef_detail::warn_endless_walk(session, walkRows);
            return nullptr;
        }
        if (response) oidseq = std::move(response);
        response = ahead.next(session, oidseq.get());
        if (oidseq && !tabdef_detail::oids_increase(session, *oidseq, *response)) return nullptr;
        if (!fillStruct(*response, record)) return nullptr;
        ++walkRows;
        return &record;
    }

    // The whole walk: every complete row, in order. A printer that answers the
    // step past its last object with noSuchName ends the walk with the rows
    // read so far; other error statuses reach the caller.
    std::vector<Record> get() {
        std::vector<Record> rows;
        for (;;) {
            Record record{};
            try {
                if (!getNext(record)) break;
            } catch (const SNMP_error_oid &error) {
                if (error.status == NO_SUCH_NAME) break;
                throw;
            }
            rows.push_back(std::move(record));
        }
        return rows;
    }

    SNMP_session *sessionOf() const { return session; }
    // The last reply, or nullptr; owned by the tabdef.
    OidSeq *lastResponse() const { return response.get(); }
    // The next request's bindings, or nullptr before the first column.
    OidSeq *request() const { return oidseq.get(); }
    std::size_t columnCount() const { return columns.size(); }

 private:
    using Slot = std::variant<std::int64_t Record::*, std::string Record::*,
                              std::array<unsigned char, 4> Record::*>;
    struct TableEntry {
        const char *oidstr;
        int type;
        Slot slot;
    };

    void add(const char *oidstr, int type, Slot slot) {
        if (!oidstr) throw std::logic_error("tabdef: column without an OID");
        columns.push_back(TableEntry{oidstr, type, slot});
        if (!oidseq) oidseq = std::make_unique<OidSeq>();
        oidseq->append(oidstr);
    }

    static void store(const TableEntry &column, const BerBase *v, Record &record) {
        if (auto p = std::get_if<std::int64_t Record::*>(&column.slot))
            record.*(*p) = tabdef_detail::int_value(v);
        else if (auto s = std::get_if<std::string Record::*>(&column.slot))
            record.*(*s) = tabdef_detail::string_value(v);
        else
            record.*(std::get<std::array<unsigned char, 4> Record::*>(column.slot)) =
                tabdef_detail::ipaddr_value(v);
    }

    std::vector<TableEntry> columns;  // append order; visited newest first
    std::unique_ptr<OidSeq> oidseq;
    std::unique_ptr<OidSeq> response;
    SNMP_session *session;  // not owned
    std::size_t walkRows = 0;  // rows getNext has returned
    tabdef_detail::ReadAhead ahead;
};
