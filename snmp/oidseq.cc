// oidseq: variable-binding lists indexed by dotted OID text.
#include "snmp/oidseq.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"

OidSeq::OidSeq() = default;

OidSeq::OidSeq(std::initializer_list<const char *> oidstrs) {
    for (const char *s : oidstrs) append(s);
}

OidSeq::OidSeq(std::unique_ptr<BerSequence> bindings) {
    if (!bindings) return;
    index.reserve(bindings->count());
    for (std::size_t i = 0; i < bindings->count(); ++i) {
        auto *binding = dynamic_cast<BerSequence *>(bindings->peek(i));
        auto *oid = binding ? dynamic_cast<BerOid *>(binding->peek(0)) : nullptr;
        if (!binding || binding->type() != SEQUENCE_TAG || binding->count() != 2 || !oid)
            throw BerDecodeError("binding " + std::to_string(i + 1) + " is not an (OID, value) pair");
        char buf[256];
        int n = oid->print(buf, sizeof buf);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf)
            throw BerDecodeError("OID of binding " + std::to_string(i + 1) + " is too long");
        index.push_back(Assoc{std::string(buf, static_cast<std::size_t>(n)), oid});
    }
    seq = std::move(bindings);
}

OidSeq::~OidSeq() = default;

void OidSeq::add_binding(const char *oidstr, std::unique_ptr<BerBase> value) {
    if (!oidstr) throw std::logic_error("OidSeq::append: no OID string");
    auto oid = std::make_unique<BerOid>(oidstr);
    BerOid *key = oid.get();
    auto binding = std::make_unique<BerSequence>(SEQUENCE_TAG, 2, std::move(oid), std::move(value));
    // Entry and room in the index first, so list and index change together or
    // not at all.
    Assoc entry{oidstr, key};
    index.reserve(index.size() + 1);
    if (seq)
        seq->append(std::unique_ptr<BerBase>(std::move(binding)));
    else
        seq = std::make_unique<BerSequence>(SEQUENCE_TAG, 1, std::move(binding));
    index.push_back(std::move(entry));
}

void OidSeq::append(const char *oidstr) { add_binding(oidstr, std::make_unique<BerNull>()); }

void OidSeq::append(const char *oidstr, int type, const void *value, std::size_t len) {
    std::unique_ptr<BerBase> v;
    if (type == STRING_TAG) {
        v = std::make_unique<BerString>(value, len);
    } else if (type == OID_TAG) {
        v = std::make_unique<BerOid>(static_cast<const char *>(value), len);
    } else if (type == IPADDR_TAG) {
        if (len != 4) throw std::logic_error("OidSeq::append: an IpAddress has 4 bytes");
        v = std::make_unique<BerIPAddr>(value, len);
    } else {
        throw std::logic_error("OidSeq::append: unsupported value type");
    }
    add_binding(oidstr, std::move(v));
}

void OidSeq::append(const char *oidstr, int type, long value) {
    if (type != INT_TAG && type != COUNTER_TAG) throw std::logic_error("OidSeq::append: not an integer type");
    add_binding(oidstr, std::make_unique<BerInt>(value));
}

namespace {

// The text of an index entry begins with the characters of prefix.
bool starts_with(const std::string &text, std::string_view prefix) {
    return std::string_view(text).substr(0, prefix.size()) == prefix;
}

// The entry is the identifier oid or lies under it: its text is oid's, whole,
// or oid's followed by a dot. A column 1.3.6.1.2.1.2.2.1.3 thus never claims an
// instance of column 30.
bool within(const std::string &text, std::string_view oid) {
    return starts_with(text, oid) && (text.size() == oid.size() || text[oid.size()] == '.');
}

}  // namespace

template <class Match>
std::size_t OidSeq::last_match(Match match) const {
    for (std::size_t i = index.size(); i-- > 0;)
        if (match(index[i].str)) return i;
    return index.size();
}

bool OidSeq::remove_at(std::size_t i) {
    // The entry and its own binding go together (the index mirrors the list),
    // so duplicates and OIDs that are prefixes of each other cannot leave an
    // entry pointing at a binding that is gone.
    if (!seq || i >= index.size() || !seq->extract(i)) return false;
    index.erase(index.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

bool OidSeq::remove(const char *oidstr) {
    if (!oidstr) return false;
    return remove_at(last_match([oidstr](const std::string &s) { return s == oidstr; }));
}

bool OidSeq::removeWithin(const char *oidstr) {
    if (!oidstr) return false;
    const std::string_view o(oidstr);
    return remove_at(last_match([o](const std::string &s) { return within(s, o); }));
}

BerBase *OidSeq::value(std::size_t i) const { return index[i].oid->next; }

BerBase *OidSeq::find(const char *oidstr) const {
    std::size_t i = last_match([oidstr](const std::string &s) { return s == oidstr; });
    return i < index.size() ? index[i].oid->next : nullptr;
}

BerBase *OidSeq::findPrefix(const char *oidstr) const {
    const std::string_view p(oidstr);
    std::size_t i = last_match([p](const std::string &s) { return starts_with(s, p); });
    return i < index.size() ? index[i].oid->next : nullptr;
}

BerBase *OidSeq::findWithin(const char *oidstr) const {
    const std::string_view o(oidstr);
    std::size_t i = last_match([o](const std::string &s) { return within(s, o); });
    return i < index.size() ? index[i].oid->next : nullptr;
}

std::vector<std::unique_ptr<OidSeq>> OidSeq::split_rows(std::size_t width) {
    std::vector<std::unique_ptr<OidSeq>> rows;
    const std::size_t count = width == 0 ? 0 : index.size() / width;
    rows.reserve(count);
    for (std::size_t r = 0; r < count; ++r) {
        auto list = std::make_unique<BerSequence>(SEQUENCE_TAG, 0);
        for (std::size_t c = 0; c < width; ++c) list->append(seq->extract(0));
        rows.push_back(std::make_unique<OidSeq>(std::move(list)));
    }
    seq.reset();
    index.clear();
    return rows;
}
