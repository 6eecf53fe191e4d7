// v2map: SNMPv2c and SNMPv3 error statuses and exceptions as SNMPv1's.
#include "snmp/v2map.h"

#include "ber/berv2.h"
#include "snmp/errors.h"
#include "snmp/oidseq.h"
#include "snmp/session.h"
#include "snmp/usm_engine.h"

namespace {

constexpr int AUTHORIZATION_ERROR = 16;

}  // namespace

int v1_error_status(int status) {
    switch (status) {
        case 7:   // wrongType
        case 8:   // wrongLength
        case 9:   // wrongEncoding
        case 10:  // wrongValue
        case 12:  // inconsistentValue
            return 3;
        case 6:   // noAccess
        case 11:  // noCreation
        case AUTHORIZATION_ERROR:
        case 17:  // notWritable
        case 18:  // inconsistentName
            return NO_SUCH_NAME;
        case 13:  // resourceUnavailable
        case 14:  // commitFailed
        case 15:  // undoFailed
            return 5;
        default:
            return status;
    }
}

void refuse_exceptions(const OidSeq &reply) {
    for (std::size_t i = 0; i < reply.size(); ++i)
        if (is_exception(reply.value(i))) throw SNMP_error_oid(reply.oidstr(i).c_str(), NO_SUCH_NAME);
}

void as_v1_refusal(ReplyCheck &check, const SNMP_session &session) {
    if (check.outcome != ReplyCheck::Refused) return;
    if (check.errorStatus == AUTHORIZATION_ERROR) {
        const SNMP_usm_user *user = session.user();
        SNMP_error_security denied(
            SNMP_error_security::ACCESS_DENIED,
            user ? session.hostname + " denied user \"" + user->name + "\" access at security level " +
                       usm_level_name(user->level) + " (authorizationError)"
                 : session.hostname + " denied the community access (authorizationError)");
        denied.refusedOid = check.refusedOid;
        throw denied;
    }
    check.errorStatus = v1_error_status(check.errorStatus);
}
