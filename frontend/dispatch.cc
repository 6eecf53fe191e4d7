// Binds the worker's report table to the reports layer.
#include "frontend/dispatch.h"

#include "reports/printmib.h"
#include "reports/prowlethelpers.h"

const ReportRoutines &real_reports() {
    static const ReportRoutines routines = {
        do_general_get, do_connections, do_hostmib_get, do_printmib_get, do_reboot, hpcfgsrc,
    };
    return routines;
}

const CfgSrcVendor *cfgsrc_vendor(int vendorCode) {
    // HP's npCfgSource: how the JetDirect got its address (BOOTP, DHCP, manual).
    static const CfgSrcVendor CFGSRCVENDORS[16] = {
        {nullptr, nullptr},
        {"1.3.6.1.4.1.11.2.4.3.5.1.0", &ReportRoutines::cfgsrc},
    };
    if (vendorCode < 0 || vendorCode >= 16 || !CFGSRCVENDORS[vendorCode].oid) return nullptr;
    return &CFGSRCVENDORS[vendorCode];
}
