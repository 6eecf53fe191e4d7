// session_v3: a session's SNMPv3 side: its user, engine discovery, opening
// replies, what the Reports of the printer's security model mean, and which
// of them are believed.
//
// Trust (RFC 3414): an engine's ID and clock come unauthenticated from
// discovery, and count only as a candidate until a message authenticated
// under that ID confirms them; from then on only authenticated messages move
// the clock, and the ID never changes within the session's store (a relay
// that answers discovery with another printer's engine ID gets a request the
// other printer can authenticate, so authentication alone cannot tell it from
// the printer). An unauthenticated Report is a hint: the session keeps
// listening until the wait of its try ends and acts on it only if no
// authenticated answer came.
#include <string>

#include "ber/beroid.h"
#include "ber/berseq.h"
#include "snmp/engine_store.h"
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

ReplyCheck outcome(ReplyCheck::Outcome o, std::string problem = {}) {
    return ReplyCheck{o, nullptr, {}, 0, std::move(problem)};
}

}  // namespace

const SNMP_usm_user *SNMP_session::user() const { return usm_ ? &usm_->user() : nullptr; }

void SNMP_session::setUser(const SNMP_usm_user &user) {
    version_ = SNMP_version::V3;
    usm_ = std::make_unique<SNMP_usm_engine>(user);
}

void SNMP_session::releaseSecrets() {
    if (usm_) usm_->release_keys();
}

bool SNMP_session::ensure_engine() {
    // What the store trusts (pinned, or confirmed by another session of the
    // printer) outranks this session's own candidate; an untrusted record
    // serves a session that knows nothing yet.
    if (engines_ && !usm_->knowledge().trusted()) {
        std::optional<SNMP_engine_knowledge> stored = engines_->find(address());
        if (stored && (stored->trusted() || !usm_->known())) usm_->load(*stored);
    }
    if (usm_->known() && !round_.rediscover) return true;
    if (!discover_engine()) return false;
    round_.rediscover = false;
    return true;
}

bool SNMP_session::discover_engine() {
    // RFC 3414 4: an unauthenticated, empty GetRequest without engine ID and
    // user name; the printer answers with a Report (usmStatsUnknownEngineIDs)
    // whose security parameters carry its engine ID, boots and time.
    round_.discovery = true;
    const std::int32_t reqid = snmp_request_id();
    const std::int32_t msgId = snmp_request_id();
    const std::vector<unsigned char> message = usm_->wrap(encode_pdu(GET_REQ_TAG, reqid, 0, nullptr), msgId, true);
    log_sent(message, {});
    const bool answered = send_to_printer(message, reqid, msgId).has_value();
    round_.discovery = false;
    if (answered) remember_engine();
    return answered;
}

ReplyCheck SNMP_session::received_v3(const unsigned char *reply, std::size_t len, std::int32_t reqid,
                                     std::int32_t msgId) {
    UsmOpened opened = usm_->open({reply, len}, msgId);
    log_received_v3(reply, len, opened);
    if (opened.outcome == UsmOpened::OtherMessage) return outcome(ReplyCheck::OtherRequest);
    if (opened.outcome == UsmOpened::Unusable) {
        if (!opened.unverified) return outcome(ReplyCheck::Unusable, opened.problem);
        if (!round_.hint) round_.hint = Hint{Hint::Unverified, {}, {}};
        return outcome(ReplyCheck::Unverified, opened.problem);
    }
    if (round_.discovery) return on_discovery(opened);
    if (static_cast<BerSequence *>(opened.scoped->peek(2))->tag() == REPORT_TAG) return on_report(opened);
    ReplyCheck check = check_reply(*opened.scoped, reqid);
    if (check.outcome == ReplyCheck::Accepted) {
        // Only authenticated responses (or any, for a user without
        // authentication) get here.
        usm_->confirm();
        remember_engine();
    }
    return check;
}

ReplyCheck SNMP_session::on_discovery(const UsmOpened &opened) {
    if (opened.usm.engineId.empty())
        return outcome(ReplyCheck::Unusable, "engine discovery answered without an engine ID");
    const SNMP_engine_knowledge &known = usm_->knowledge();
    if (known.trusted() && opened.usm.engineId != known.engineId) {
        // Someone else may answer for the printer; the printer's own answer
        // may still come.
        if (!round_.hint) round_.hint = Hint{Hint::OtherEngine, {}, opened.usm.engineId};
        return outcome(ReplyCheck::Hint);
    }
    usm_->take_discovered(opened.usm);
    return outcome(ReplyCheck::Resend);
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
    // A user without authentication can get nothing better than an
    // unauthenticated Report; any other user waits for an authenticated answer.
    if (!opened.authenticated && usm_->user().level != UsmLevel::NoAuthNoPriv) {
        if (!round_.hint) round_.hint = Hint{Hint::Report, oid, {}};
        return outcome(ReplyCheck::Hint);
    }
    switch (classify_report(oid)) {
        case UsmReport::NotInTimeWindow:
            // The engine's clock moved (it restarted, or ran on): take it
            // from the authenticated Report and send the request again, once.
            if (round_.resynced)
                security_failure(SNMP_error_security::OTHER,
                                 hostname + " is still out of the SNMPv3 time window after resynchronizing");
            if (opened.authenticated) usm_->take_clock(opened.usm);
            remember_engine();
            return outcome(ReplyCheck::Resend);
        case UsmReport::UnknownEngineId:
            if (round_.resynced) report_failure(oid);
            round_.rediscover = true;
            return outcome(ReplyCheck::Resend);
        default:
            report_failure(oid);
    }
}

ReplyCheck SNMP_session::act_on_hint() {
    const Hint hint = *round_.hint;
    round_.hint.reset();
    if (hint.kind == Hint::Unverified) wrong_digest();
    if (hint.kind == Hint::OtherEngine) {
        const SNMP_engine_knowledge &known = usm_->knowledge();
        security_failure(SNMP_error_security::ENGINE_CHANGED,
                         hostname + " answered as SNMPv3 engine " + engine_id_text(hint.engineId) + ", not as " +
                             engine_id_text(known.engineId) + " (" +
                             (known.pinnedBy.empty() ? "the engine it authenticated as" : known.pinnedBy) +
                             "); another device may be answering for it, so nothing is sent");
    }
    switch (classify_report(hint.oid)) {
        case UsmReport::NotInTimeWindow:
            // Its clock cannot be believed: the request goes again once with
            // the clock as it was, and a printer that really finds it out of
            // its window says so authenticated (RFC 3414 3.2 step 7).
            if (round_.resynced)
                security_failure(SNMP_error_security::OTHER,
                                 hostname + " reported the request out of the SNMPv3 time window without "
                                            "authenticating the Report");
            return outcome(ReplyCheck::Resend);
        case UsmReport::UnknownEngineId:
            // A new discovery, which may not replace a trusted engine ID.
            if (round_.resynced) report_failure(hint.oid);
            round_.rediscover = true;
            return outcome(ReplyCheck::Resend);
        default:
            report_failure(hint.oid);
    }
}

void SNMP_session::report_failure(const std::string &oid) const {
    const std::string user = "user \"" + usm_->user().name + "\"";
    switch (classify_report(oid)) {
        case UsmReport::UnknownEngineId:
            security_failure(SNMP_error_security::OTHER,
                             hostname + " reported an unknown engine ID again after rediscovery");
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

void SNMP_session::remember_engine() {
    if (!engines_) return;
    const std::string problem = engines_->update(address(), usm_->knowledge());
    if (!problem.empty()) warn("Warning: " + problem + "\n");
}

void SNMP_session::wrong_digest() const {
    security_failure(SNMP_error_security::WRONG_DIGEST, hostname + " rejected the authentication of user \"" +
                                                            usm_->user().name +
                                                            "\" (wrong authentication passphrase or protocol)");
}

void SNMP_session::security_failure(SNMP_error_security::Cause cause, const std::string &text) const {
    throw SNMP_error_security(cause, text);
}
