// Binds the worker's report table to the reports layer.
#include "frontend/dispatch.h"

#include "reports/health_fetch.h"
#include "reports/hostres.h"
#include "reports/hp.h"
#include "reports/mib2.h"
#include "reports/printmib.h"

const ReportRoutines &real_reports() {
    static const ReportRoutines routines = {
        do_general_get, do_set_contact_location, do_connections, do_hostmib_get, do_printmib_get, do_reboot, do_cfgsrc,
        health_group,
    };
    return routines;
}
