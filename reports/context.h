// One printer's context, handed to every report: its session, this printer's
// copy of the option words, its capability word, the run's settings and the
// printer's output. Also the exception that ends a printer's worker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/flags.h"
#include "reports/output.h"
#include "snmp/errors.h"

class SNMP_session;
struct HealthCollection;
struct HealthRules;

// What the command line says for every printer alike; read-only once the
// options are parsed, shared by all workers.
struct RunSettings {
    // The arguments of the four options that keep theirs (index SETTING_*),
    // each meaningful only while its option is asked (ReportContext::setting).
    const char *const *values = nullptr;
    // The -n/--connection ports, in the order their lines are printed.
    std::vector<std::uint16_t> ports;
    // The rules the health is judged by (nullptr: the defaults).
    const HealthRules *healthRules = nullptr;
    // The output shows each supply's colour (JSON): the supplies report
    // reads the colorant table too.
    bool supplyColours = false;
};

class ReportContext {
 public:
    ReportContext(SNMP_session &session, PrinterOutput &out, const RunSettings &settings, const FlagWords &flags);

    SNMP_session &session;
    PrinterOutput &out;
    const RunSettings &settings;
    // This printer's copy of the three option words; reports mark the options
    // they have answered, and later steps look only at what is left.
    FlagWords flags;
    // The MIB groups wanted and answered, and the vendor.
    Capabilities capFlags;
    // The printer's health readings while the health is asked, else nullptr.
    HealthCollection *health = nullptr;

    const char *host() const { return out.host().c_str(); }
    // The argument of --setcontact, --setlocation or --updatefirmware while
    // the option is asked, else nullptr.
    const char *setting(Option option) const;

    // What a report found: fields about the printer, or one row of a table.
    void found(Group group, const Fields &fields) const { out.found(group, fields); }
    void row(Table table, const Fields &fields, unsigned parts = 0) const { out.row(table, fields, parts); }
    // A warning that names the printer itself, ending in "\n".
    void warn(const Message &message) const { out.warn(message, true); }
    // A warning whose text does not name the printer.
    void warn_unnamed(const std::string &text) const { out.warn(Message(text), false); }
};

// Why a report ends its printer's work before the options are answered.
enum class WorkerStop {
    NotAPrinter,      // the description names a host system
    UnknownVendor,    // no vendor rule matched (without --generic)
    ProbeRejected,    // sysDescr or the general request refused, no HP model key
    HpSettingFailed,  // --reboot/--updatefirmware not done on an HP interface
};

// Ends one printer's worker. message (ending in "\n"), when not empty, is the
// failure the worker reports; the front end, which catches it at the top of
// the worker (so everything the worker owns is released by unwinding), turns
// the reason into the worker's status.
class WorkerExit : public PrinterError {
 public:
    explicit WorkerExit(WorkerStop reason, Message message = {});
    WorkerStop reason;
    Message message;
};

// "%s: %s option not supported on this printer type.\n" (printer, option).
void not_supported(PrinterOutput &out, const char *option);
