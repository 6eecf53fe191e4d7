// session_v3: a session's SNMPv3 side: its user, engine discovery, opening
// replies, and what the Reports of the printer's security model mean.
#include <string>

#include "ber/beroid.h"
#include "ber/berseq.h"
#include "snmp/session.h"
#include "snmp/usm_engine.h"

namespace {

// Dotted text of the OID of a Report's first binding; empty when it has none.
std::string report_oid(BerSequence &pdu) {
    auto *list = dynamic_cast<BerSequence *>(pdu.peek(3));
    auto *binding = list ? dynamic_cast<BerSequence *>(list->peek(0)) : nullptr;
    auto *oid = binding ? dynamic_cast<BerOid *>(binding->peek(0)) : nullptr;
    char buf[256];
    const int n = oid ? oid->print(buf, sizeof buf) : -1;
    return n < 0 || static_cast<std::size_t>(n) >= sizeof buf ? std::string() : std::string(buf, n);
}

}  // namespace

const SNMP_usm_user *SNMP_session::user() const { return usm_ ? &usm_->user() : nullptr; }

void SNMP_session::setUser(const SNMP_usm_user &user) {
    version_ = SNMP_version::V3;
    usm_ = std::make_unique<SNMP_usm_engine>(user);
}

bool SNMP_session::discover_engine() {
    // RFC 3414 4: an unauthenticated, empty GetRequest without engine ID and
    // user name; the printer answers with a Report (usmStatsUnknownEngineIDs)
    // whose security parameters carry its engine ID, boots and time.
    round_ = Round{};
    round_.discovery = true;
    const std::int32_t reqid = snmp_request_id();
    const std::int32_t msgId = snmp_request_id();
    const std::vector<unsigned char> message = usm_->wrap(encode_pdu(GET_REQ_TAG, reqid, 0, nullptr), msgId, true);
    log_sent(message, {});
    const bool answered = send_to_printer(message, reqid, msgId).has_value();
    round_.discovery = false;
    return answered;
}

ReplyCheck SNMP_session::received_v3(const unsigned char *reply, std::size_t len, std::int32_t reqid,
                                     std::int32_t msgId) {
    UsmOpened opened = usm_->open({reply, len}, msgId);
    log_received_v3(reply, len, opened);
    if (opened.outcome == UsmOpened::OtherMessage) return ReplyCheck{ReplyCheck::OtherRequest, nullptr, {}, 0, {}};
    if (opened.outcome == UsmOpened::Unusable)
        return ReplyCheck{opened.unverified ? ReplyCheck::Unverified : ReplyCheck::Unusable, nullptr, {}, 0,
                          opened.problem};
    if (round_.discovery) {
        if (opened.usm.engineId.empty())
            return ReplyCheck{ReplyCheck::Unusable, nullptr, {}, 0, "engine discovery answered without an engine ID"};
        usm_->adopt(opened.usm, true);
        return ReplyCheck{ReplyCheck::Resend, nullptr, {}, 0, {}};
    }
    if (static_cast<BerSequence *>(opened.scoped->peek(2))->tag() == REPORT_TAG) return on_report(opened);
    return check_reply(*opened.scoped, reqid);
}

void SNMP_session::log_received_v3(const unsigned char *reply, std::size_t len, const UsmOpened &opened) {
    if (!(state & DEBUG_ON)) return;
    try {
        BerSequence message(std::span<const unsigned char>(reply, len), BerSyntax::V2);
        write_debug("Received", &message);
    } catch (const BerDecodeError &e) {
        const std::string record = std::string("Received\n(undecodable: ") + e.what() + ")\n";
        write_log(record.data(), record.size());
    }
    write_debug_bin(reply, len);
    if (opened.decrypted && opened.scoped) write_debug("Decrypted scoped PDU", opened.scoped.get());
}

ReplyCheck SNMP_session::on_report(UsmOpened &opened) {
    const std::string oid = report_oid(*static_cast<BerSequence *>(opened.scoped->peek(2)));
    const UsmReport kind = classify_report(oid);
    const std::string user = "user \"" + usm_->user().name + "\"";
    switch (kind) {
        case UsmReport::UnknownEngineId:
        case UsmReport::NotInTimeWindow:
            // The engine restarted or its clock moved: take its identity and
            // time from the Report and send the request again, once. A clock
            // is only believed from an authenticated Report.
            if (!round_.resynced) {
                usm_->adopt(opened.usm, opened.authenticated || kind == UsmReport::UnknownEngineId);
                return ReplyCheck{ReplyCheck::Resend, nullptr, {}, 0, {}};
            }
            security_failure(SNMP_error_security::OTHER,
                             hostname + (kind == UsmReport::NotInTimeWindow
                                             ? " is still out of the SNMPv3 time window after resynchronizing"
                                             : " reported an unknown engine ID again after rediscovery"));
        case UsmReport::UnknownUser:
            security_failure(SNMP_error_security::UNKNOWN_USER, hostname + " does not know the SNMPv3 " + user);
        case UsmReport::WrongDigest:
            wrong_digest();
        case UsmReport::UnsupportedLevel:
            security_failure(SNMP_error_security::UNSUPPORTED_LEVEL,
                             hostname + " does not support security level " + usm_level_name(usm_->user().level) +
                                 " for " + user);
        case UsmReport::DecryptionError:
            security_failure(SNMP_error_security::DECRYPTION_ERROR, hostname + " could not decrypt the request of " +
                                                                        user + " (wrong privacy passphrase or protocol)");
        default:
            security_failure(SNMP_error_security::OTHER,
                             hostname + " answered " + user + " with a Report of " + (oid.empty() ? "nothing" : oid));
    }
}

void SNMP_session::wrong_digest() const {
    security_failure(SNMP_error_security::WRONG_DIGEST, hostname + " rejected the authentication of user \"" +
                                                            usm_->user().name +
                                                            "\" (wrong authentication passphrase or protocol)");
}

void SNMP_session::security_failure(SNMP_error_security::Cause cause, const std::string &text) const {
    throw SNMP_error_security(cause, text);
}
