// SNMPv1 messages used by the BER tests, each field annotated, plus malformed variants.
#pragma once

#include "tests/ber/ber_test_util.h"

// GetRequest for sysDescr.0, community "public", request id 0x1234.
inline const char *kGetRequest =
    "30 27"                                  // message, 39 bytes
    " 02 01 00"                              //   version 0 (SNMPv1)
    " 04 06 70 75 62 6c 69 63"               //   community "public"
    " a0 1a"                                 //   GetRequest-PDU, 26 bytes
    " 02 02 12 34"                           //     request-id 0x1234
    " 02 01 00 02 01 00"                     //     error-status 0, error-index 0
    " 30 0e 30 0c"                           //     bindings, one binding
    " 06 08 2b 06 01 02 01 01 01 00 05 00";  //       1.3.6.1.2.1.1.1.0 NULL

// GetNextRequest of two Printer MIB columns, request id 0x7fffffff.
inline const char *kGetNextRequest =
    "30 3b 02 01 00 04 06 70 75 62 6c 69 63"
    " a1 2e 02 04 7f ff ff ff 02 01 00 02 01 00"
    " 30 20"
    " 30 0e 06 0a 2b 06 01 02 01 2b 0b 01 01 06 05 00"   // prtMarkerSuppliesDescription
    " 30 0e 06 0a 2b 06 01 02 01 2b 0b 01 01 09 05 00";  // prtMarkerSuppliesLevel

// SetRequest of sysContact.0 = "admin", community "private".
inline const char *kSetRequest =
    "30 2c 02 01 00 04 07 70 72 69 76 61 74 65"
    " a3 1e 02 01 2a 02 01 00 02 01 00"
    " 30 13 30 11 06 08 2b 06 01 02 01 01 04 00 04 05 61 64 6d 69 6e";

// GetResponse with one value of every class, long-form lengths on the outer three.
inline const char *kResponse =
    "30 81 c4 02 01 00 04 06 70 75 62 6c 69 63"
    " a2 81 b6 02 02 12 34 02 01 00 02 01 00"
    " 30 81 a9"
    " 30 29 06 08 2b 06 01 02 01 01 01 00"  // sysDescr.0
    "  04 1d 48 50 20 45 54 48 45 52 4e 45 54 20 4d 55 4c 54 49 2d 45 4e 56 49 52 4f 4e 4d 45 4e 54"
    " 30 0f 06 08 2b 06 01 02 01 01 03 00 43 03 01 e2 40"           // sysUpTime.0 TimeTicks 123456
    " 30 12 06 0a 2b 06 01 02 01 02 02 01 0a 01 41 04 ff ff ff ff"  // ifInOctets.1 Counter
    " 30 17 06 0f 2b 06 01 02 01 04 14 01 01 81 40 81 28 01 05 40 04 c0 a8 01 05"  // ipAdEntAddr IpAddress
    " 30 16 06 08 2b 06 01 02 01 01 02 00 06 0a 2b 06 01 04 01 0b 02 03 09 01"     // sysObjectID.0 OID
    " 30 10 06 09 2b 06 01 02 01 19 02 02 00 02 03 01 00 00"                       // hrMemorySize.0 INTEGER
    " 30 14 06 0a 2b 06 01 02 01 02 02 01 06 01 04 06 00 30 c1 12 34 56";          // ifPhysAddress.1

// GetResponse with error-status 2 (noSuchName) at index 1.
inline const char *kErrorResponse =
    "30 2d 02 01 00 04 07 70 72 69 76 61 74 65"
    " a2 1f 02 02 12 34 02 01 02 02 01 01"
    " 30 13 30 11 06 08 2b 06 01 02 01 01 04 00 04 05 61 64 6d 69 6e";

struct MessageVector {
    const char *name;
    const char *bytes;
};

inline const MessageVector kMessages[] = {
    {"sample", "30 0b 02 01 00 04 01 41 a2 03 02 01 00"},
    {"GetRequest", kGetRequest},
    {"GetNextRequest", kGetNextRequest},
    {"SetRequest", kSetRequest},
    {"GetResponse", kResponse},
    {"GetResponse with error", kErrorResponse},
    {"empty OID and empty string", "30 06 30 04 06 00 04 00"},
};

// One row per refusal: each is a whole message that must be rejected.
inline const RefuseCase kMalformed[] = {
    {"empty datagram", ""},
    {"tag byte only", "30"},
    {"primitive message tag", "02 01 00"},
    {"message length field of 9 bytes", "30 89 00 00 00 00 00 00 00 00 03 02 01 00"},
    {"message length past the datagram", "30 0c 02 01 00 04 01 41 a2 03 02 01 00"},
    {"huge message length", "30 88 7f ff ff ff ff ff ff ff 02 01 00"},
    {"child overruns its parent", "30 05 04 05 41 42 43 44 45"},
    {"PDU overruns the message", "30 0b 02 01 00 04 01 41 a2 04 02 01 00 00"},
    {"child header cut by its parent", "30 04 02 01 00 04"},
    {"child long-form length cut by its parent", "30 05 02 01 00 04 82"},
    {"Gauge value (0x42)",
     "30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00 30 0f 30 0d 06 08 2b 06 01 02 "
     "01 01 03 00 42 01 05"},
    {"Opaque value (0x44)",
     "30 28 02 01 00 04 06 70 75 62 6c 69 63 a2 1b 02 01 01 02 01 00 02 01 00 30 10 30 0e 06 08 2b 06 01 02 "
     "01 01 03 00 44 02 9f 78"},
    {"Counter64 value (0x46)",
     "30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00 30 0f 30 0d 06 08 2b 06 01 02 "
     "01 01 03 00 46 01 05"},
    {"BOOLEAN value (0x01)",
     "30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00 30 0f 30 0d 06 08 2b 06 01 02 "
     "01 01 03 00 01 01 ff"},
    {"BIT STRING value (0x03)",
     "30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00 30 0f 30 0d 06 08 2b 06 01 02 "
     "01 01 03 00 03 01 00"},
    {"tag 0x00",
     "30 26 02 01 00 04 06 70 75 62 6c 69 63 a2 19 02 01 01 02 01 00 02 01 00 30 0e 30 0c 06 08 2b 06 01 02 "
     "01 01 03 00 00 00"},
    {"long-form INTEGER length",
     "30 28 02 01 00 04 06 70 75 62 6c 69 63 a2 1b 02 01 01 02 01 00 02 01 00 30 10 30 0e 06 08 2b 06 01 02 "
     "01 01 03 00 02 81 01 05"},
    {"8-byte Counter with top bit set",
     "30 2e 02 01 00 04 06 70 75 62 6c 69 63 a2 21 02 01 01 02 01 00 02 01 00 30 16 30 14 06 08 2b 06 01 02 "
     "01 01 03 00 41 08 80 00 00 00 00 00 00 00"},
    {"9-byte INTEGER",
     "30 2f 02 01 00 04 06 70 75 62 6c 69 63 a2 22 02 01 01 02 01 00 02 01 00 30 17 30 15 06 08 2b 06 01 02 "
     "01 01 03 00 02 09 00 00 00 00 00 00 00 00 01"},
    {"9-byte TimeTicks",
     "30 2f 02 01 00 04 06 70 75 62 6c 69 63 a2 22 02 01 01 02 01 00 02 01 00 30 17 30 15 06 08 2b 06 01 02 "
     "01 01 03 00 43 09 00 00 00 00 00 00 00 00 01"},
    {"NULL with content",
     "30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00 30 0f 30 0d 06 08 2b 06 01 02 "
     "01 01 03 00 05 01 00"},
    {"IpAddress of 5 bytes",
     "30 2b 02 01 00 04 06 70 75 62 6c 69 63 a2 1e 02 01 01 02 01 00 02 01 00 30 13 30 11 06 08 2b 06 01 02 "
     "01 01 03 00 40 05 01 02 03 04 05"},
    {"IpAddress of 3 bytes",
     "30 29 02 01 00 04 06 70 75 62 6c 69 63 a2 1c 02 01 01 02 01 00 02 01 00 30 11 30 0f 06 08 2b 06 01 02 "
     "01 01 03 00 40 03 01 02 03"},
    {"IpAddress with long-form length",
     "30 2b 02 01 00 04 06 70 75 62 6c 69 63 a2 1e 02 01 01 02 01 00 02 01 00 30 13 30 11 06 08 2b 06 01 02 "
     "01 01 03 00 40 81 04 01 02 03 04"},
    {"OID sub-identifier of 6 bytes",
     "30 2d 02 01 00 04 06 70 75 62 6c 69 63 a2 20 02 01 01 02 01 00 02 01 00 30 15 30 13 06 08 2b 06 01 02 "
     "01 01 03 00 06 07 2b 81 80 80 80 80 00"},
    {"OID missing the last byte of a sub-identifier",
     "30 29 02 01 00 04 06 70 75 62 6c 69 63 a2 1c 02 01 01 02 01 00 02 01 00 30 11 30 0f 06 08 2b 06 01 02 "
     "01 01 03 00 06 03 2b 06 81"},
    {"OID sub-identifier over 32 bits",
     "30 2c 02 01 00 04 06 70 75 62 6c 69 63 a2 1f 02 01 01 02 01 00 02 01 00 30 14 30 12 06 08 2b 06 01 02 "
     "01 01 03 00 06 06 2b 90 80 80 80 00"},
    {"value length field of 9 bytes",
     "30 30 02 01 00 04 06 70 75 62 6c 69 63 a2 23 02 01 01 02 01 00 02 01 00 30 18 30 16 06 08 2b 06 01 02 "
     "01 01 03 00 04 89 00 00 00 00 00 00 00 00 01 41"},
};
