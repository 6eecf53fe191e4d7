// oidseq: variable-binding lists indexed by dotted OID text.
#include "snmp/oidseq.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"

SNMP_error_oid::SNMP_error_oid(const char *oidstr, int status) : str(oidstr ? oidstr : ""), status(status) {}

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

bool OidSeq::remove(const char *oidstr) {
    // The entry and its own binding go together (the index mirrors the list),
    // so duplicates and OIDs that are prefixes of each other cannot leave an
    // entry pointing at a binding that is gone.
    if (!oidstr || !seq) return false;
    for (std::size_t i = index.size(); i-- > 0;) {
        if (index[i].str != oidstr) continue;
        std::unique_ptr<BerBase> binding = seq->extract(i);
        if (!binding) return false;
        index.erase(index.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

bool OidSeq::removePrefix(const char *prefix) {
    if (!prefix || !seq) return false;
    const std::string_view p(prefix);
    for (std::size_t i = index.size(); i-- > 0;) {
        if (std::string_view(index[i].str).substr(0, p.size()) != p) continue;
        std::unique_ptr<BerBase> binding = seq->extract(i);
        if (!binding) return false;
        index.erase(index.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

BerBase *OidSeq::value(std::size_t i) const { return index[i].oid->next; }

BerBase *OidSeq::find(const char *oidstr) const {
    for (std::size_t i = index.size(); i-- > 0;)
        if (index[i].str == oidstr) return index[i].oid->next;
    return nullptr;
}

BerBase *OidSeq::findPrefix(const char *oidstr) const {
    const std::string_view prefix(oidstr);
    for (std::size_t i = index.size(); i-- > 0;)
        if (std::string_view(index[i].str).substr(0, prefix.size()) == prefix) return index[i].oid->next;
    return nullptr;
}
