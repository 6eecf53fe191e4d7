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

const char *cfgsrc_oid(int vendorCode) {
    // CFGSRCVENDORS: HP's network configuration source, npCfgSource.
    static const char *const CFGSRCVENDORS[16] = {nullptr, "1.3.6.1.4.1.11.2.4.3.5.1.0"};
    if (vendorCode < 0 || vendorCode >= 16) return nullptr;
    return CFGSRCVENDORS[vendorCode];
}
