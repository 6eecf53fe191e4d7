// The report routines a worker calls, gathered in one table so tests can stand in for printers.
#pragma once

class ReportContext;

struct ReportRoutines {
    void (*general)(ReportContext &);
    void (*setContactLocation)(ReportContext &);
    void (*connections)(ReportContext &);
    void (*hostmib)(ReportContext &);
    void (*printmib)(ReportContext &);
    void (*reboot)(ReportContext &);
    // The configuration source; false for a vendor without one.
    bool (*cfgsrc)(ReportContext &);
    // What the printer's health still needs after the other steps (none:
    // nothing more is read).
    void (*health)(ReportContext &) = nullptr;
};

// The real reports of the reports layer.
const ReportRoutines &real_reports();
