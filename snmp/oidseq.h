// Variable-binding lists indexed by dotted OID text, and the error naming a refused OID.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "snmp/errors.h"

class BerBase;
class BerOid;
class BerSequence;

// One SNMP variable-binding list: a SEQUENCE of (OID, value) SEQUENCEs, plus an
// index from dotted text to each binding. Lookups meet the LAST matching
// binding in list order first.
class OidSeq {
 public:
    OidSeq();
    // Empty, then append(oidstr) for each string, in order.
    OidSeq(std::initializer_list<const char *> oidstrs);
    // count must equal the number of strings given (std::logic_error otherwise).
    template <class... Strings>
    explicit OidSeq(int count, Strings... oidstrs) : OidSeq({oidstrs...}) {
        if (count < 0 || static_cast<std::size_t>(count) != sizeof...(Strings))
            throw std::logic_error("OidSeq: count differs from the strings given");
    }
    // Takes ownership of a received binding list. Every binding must be a
    // SEQUENCE whose first child is an OID that prints within 256 characters;
    // otherwise throws BerDecodeError (the session treats that reply as unusable).
    explicit OidSeq(std::unique_ptr<BerSequence> bindings);
    ~OidSeq();
    OidSeq(const OidSeq &) = delete;
    OidSeq &operator=(const OidSeq &) = delete;

    // (oidstr, NULL), as get and get-next requests carry.
    void append(const char *oidstr);
    // STRING_TAG: a BerString of the len bytes; OID_TAG: a BerOid from the len
    // characters of dotted text; IPADDR_TAG: a BerIPAddr (len must be 4).
    // Any other type or an address length other than 4 throws std::logic_error.
    void append(const char *oidstr, int type, const void *value, std::size_t len);
    // INT_TAG or COUNTER_TAG: a BerInt (always encoded as INTEGER); any other
    // type throws std::logic_error.
    void append(const char *oidstr, int type, long value);

    // Removes the binding of the first index entry (the last binding in list
    // order) whose text equals oidstr, together with that entry. Returns false,
    // and leaves list and index unchanged, when no entry has that text; callers
    // that retry after removing a refused OID must stop when it returns false.
    bool remove(const char *oidstr);

    // Removes the last binding whose OID is oidstr or lies under it (whole
    // arcs: oidstr's text followed by a dot); false when none does.
    bool removeWithin(const char *oidstr);

    // Value of the last binding whose text equals oidstr, or nullptr.
    BerBase *find(const char *oidstr) const;
    // Value of the last binding whose text begins with the characters of oidstr
    // (a character prefix, not an arc prefix), or nullptr.
    BerBase *findPrefix(const char *oidstr) const;
    // Value of the last binding whose OID is oidstr or lies under it: its text
    // is oidstr's, or oidstr's followed by a dot (whole arcs), or nullptr. This
    // is what decides which binding belongs to which column or row.
    BerBase *findWithin(const char *oidstr) const;

    // Bindings in list order; the pointers belong to this list.
    std::size_t size() const { return index.size(); }
    const std::string &oidstr(std::size_t i) const { return index[i].str; }
    BerOid *oid(std::size_t i) const { return index[i].oid; }
    BerBase *value(std::size_t i) const;

    // Takes every binding out, in order, in lists of width bindings each (the
    // rows of a GetBulk reply); a last list that would be shorter is dropped.
    // This list is empty afterwards.
    std::vector<std::unique_ptr<OidSeq>> split_rows(std::size_t width);

    // The binding list itself, nullptr while empty. The session encodes it into
    // every request; it stays owned by this OidSeq.
    BerSequence *sequence() const { return seq.get(); }

 private:
    struct Assoc {
        std::string str;
        BerOid *oid;  // first child of the binding; owned by seq
    };
    void add_binding(const char *oidstr, std::unique_ptr<BerBase> value);
    // Position of the last binding whose text satisfies match; size() when none.
    template <class Match>
    std::size_t last_match(Match match) const;
    // Takes binding i out of the list together with its index entry.
    bool remove_at(std::size_t i);

    std::unique_ptr<BerSequence> seq;
    std::vector<Assoc> index;  // list order; searched from the back
};
