// v2map: SNMPv2c and SNMPv3 replies read as SNMPv1 replies, so that every
// report meets the same refusals, and takes the same fall-backs, in every version.
#pragma once

class OidSeq;
class SNMP_session;
struct ReplyCheck;

// SNMPv2's error-status as SNMPv1's (RFC 3584 4.4): wrongValue, wrongEncoding,
// wrongType, wrongLength and inconsistentValue are badValue (3); noAccess,
// notWritable, noCreation, inconsistentName and authorizationError are
// noSuchName (2); resourceUnavailable, commitFailed and undoFailed are genErr
// (5). SNMPv1's own statuses, and unknown ones, stay.
int v1_error_status(int status);

// Throws SNMP_error_oid(noSuchName) naming the first binding whose value is
// noSuchObject, noSuchInstance or endOfMibView: where an SNMPv1 agent refuses
// the whole request, SNMPv2 agents answer each binding.
void refuse_exceptions(const OidSeq &reply);

// A refused reply of session's: its status becomes SNMPv1's; authorizationError
// (the community or user has no access at all, which SNMPv1 agents show by
// silence) throws SNMP_error_security naming the printer.
void as_v1_refusal(ReplyCheck &check, const SNMP_session &session);
