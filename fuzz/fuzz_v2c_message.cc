// Fuzzer: arbitrary bytes as an SNMPv2c reply, read the way a session reads
// one: decoded with Counter64 and the exceptions, checked against its own
// request id, its error status read as SNMPv1's, its exceptions refused as
// noSuchName, and its bindings cut into the rows of a GetBulk reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "ber/ber.h"
#include "ber/berseq.h"
#include "snmp/errors.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/v2map.h"

namespace {

// The reply's own request id, so the checks behind the id match are reached.
std::int32_t own_request_id(BerSequence &message) {
    auto *pdu = dynamic_cast<BerSequence *>(message.peek(2));
    auto *id = pdu ? dynamic_cast<BerInt *>(pdu->peek(0)) : nullptr;
    return id ? static_cast<std::int32_t>(id->value) : 0;
}

void print_all(const OidSeq &list) {
    std::vector<char> buf(65536);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.value(i) && list.value(i)->print(buf.data(), buf.size()) >= static_cast<int>(buf.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t width = 1 + data[0] % 4;
    std::unique_ptr<BerSequence> message;
    try {
        message = std::make_unique<BerSequence>(std::span<const unsigned char>(data + 1, size - 1), BerSyntax::V2);
    } catch (const BerDecodeError &) {
        return 0;
    }
    ReplyCheck check = check_reply(*message, own_request_id(*message));
    if (check.outcome == ReplyCheck::Refused) {
        const int status = v1_error_status(check.errorStatus);
        if (check.errorStatus >= 0 && check.errorStatus <= 5 && status != check.errorStatus) std::abort();
    }
    if (check.outcome != ReplyCheck::Accepted) return 0;
    print_all(*check.bindings);
    try {
        refuse_exceptions(*check.bindings);
    } catch (const SNMP_error_oid &e) {
        if (e.status != NO_SUCH_NAME) std::abort();
    }
    const std::size_t bindings = check.bindings->size();
    std::vector<std::unique_ptr<OidSeq>> rows = check.bindings->split_rows(width);
    if (rows.size() != bindings / width || check.bindings->size() != 0) std::abort();
    for (const auto &row : rows) {
        if (row->size() != width) std::abort();
        print_all(*row);
    }
    return 0;
}
