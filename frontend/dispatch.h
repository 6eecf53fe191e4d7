// The report routines a worker calls, gathered in one table so tests can stand in for printers.
#pragma once

#include <cstdint>

#include "reports/prowlethelpers.h"

class SNMP_session;
class BerBase;

struct ReportRoutines {
    void (*general)(SNMP_session &, std::uint64_t *flags, std::uint64_t *capFlags,
                    const char *const *settings);
    void (*connections)(std::uint64_t *flags, SNMP_session &, const ConnRequest *connList);
    void (*hostmib)(SNMP_session &, std::uint64_t *flags, std::uint64_t *capFlags);
    void (*printmib)(SNMP_session &, std::uint64_t *flags);
    void (*reboot)(SNMP_session &, std::uint64_t *flags);
    void (*cfgsrc)(SNMP_session &, std::uint64_t *flags, const BerBase *value);
};

// The real reports of the reports layer.
const ReportRoutines &real_reports();

// CFGSRCVENDORS, by vendor code: the variable that names the source of the
// printer's network configuration and the routine of ReportRoutines that
// prints it. Only HP (code 1) has an entry; nullptr for every other code.
struct CfgSrcVendor {
    const char *oid;
    decltype(&ReportRoutines::cfgsrc) routine;
};
const CfgSrcVendor *cfgsrc_vendor(int vendorCode);
