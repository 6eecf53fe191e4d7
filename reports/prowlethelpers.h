// General queries and vendor settings: identification, general and host-resources
// reports, TCP connections, HP configuration source, HP reset and firmware update,
// and the text of a sub-unit status.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SNMP_session;
class BerBase;

// One -n/--connection port. The front end owns the nodes; the list is read-only
// once options are parsed and every worker walks the same list.
struct ConnRequest {
    std::uint16_t port = 0;
    const ConnRequest *next = nullptr;
};

// Name tables: indexed by the enumerated value, nullptr where the enumeration
// defines no name. Check a value against the *_MAX bound before indexing.
inline constexpr int HRSTATUSSTATES_MAX = 5;
extern const char *const HRSTATUSSTATES[HRSTATUSSTATES_MAX + 1];
inline constexpr int TCPCONNSTATES_MAX = 11;
extern const char *const TCPCONNSTATES[TCPCONNSTATES_MAX + 1];
inline constexpr int HPCFGSOURCESTATES_MAX = 5;
extern const char *const HPCFGSOURCESTATES[HPCFGSOURCESTATES_MAX + 1];

// Worker statuses chosen by these reports (besides 8 for no response).
inline constexpr int STATUS_NOT_A_PRINTER = 10;      // description names a host system
inline constexpr int STATUS_UNKNOWN_VENDOR = 11;     // no vendor rule matched
inline constexpr int STATUS_PROBE_REJECTED = -3;     // sysDescr refused, or no HP model key
inline constexpr int STATUS_HP_SETTING_FAILED = 9;   // --reboot/--updatefirmware not done

// ---- Reports called by the worker ------------------------------------------

// General probe: vendor, model, contact, network configuration, MIB support;
// fills capFlags bits 3, 4 and the vendor code. settings: the four option
// strings (index SETTING_*), each meaningful only while its flags[2] bit is set.
void do_general_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags,
                    const char *const *settings);

// HP private status and console display; clears --status and --display.
void do_hppriv_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags);

// Memory size, printer status and storage table from the Host Resources MIB.
void do_hostmib_get(SNMP_session &session, std::uint64_t *flags, std::uint64_t *capFlags);

// One line per port of connList, in list order.
void do_connections(std::uint64_t *flags, SNMP_session &session, const ConnRequest *connList);

// Prints cfgsrc from the value of 1.3.6.1.4.1.11.2.4.3.5.1.0 (nullptr when the
// printer's response lacked the binding).
void hpcfgsrc(SNMP_session &session, std::uint64_t *flags, const BerBase *value);

// HP reset and/or firmware download in one SetRequest; clears --reboot.
void do_hppriv_set(SNMP_session &session, std::uint64_t *flags, const char *const *settings);

// Text of a Printer MIB sub-unit status (PrtSubUnitStatusTC). An availability
// of 7, which the standard leaves undefined, is named by its number; with a
// hostname the oddity is also reported on standard error.
std::string decode_status(std::uint64_t status, const char *hostname = nullptr);

// ---- Pure parts, exposed for tests -----------------------------------------

// How a model name is taken from the description, by vendor rule.
enum class ModelOutcome {
    None,          // the rule prints no model itself (HP, Tektronix, host system, unknown)
    Text,          // model holds the name
    NotSupported,  // "model option not supported on this printer type"
    Missing,       // the description stops before the model begins
};

struct VendorMatch {
    int rule = 12;                 // 1..12, the first rule that held
    int vendorCode = 0;            // capFlags bits 8-11
    bool hostMib = false;          // capFlags bit 3
    bool printMib = false;         // capFlags bit 4
    const char *vendor = nullptr;  // text of the vendor field, or none
    ModelOutcome modelOutcome = ModelOutcome::None;
    std::string model;
    bool modelUnterminated = false;  // the separator ending the model was absent
};

// Applies the vendor rules, in order, to a sysDescr text.
VendorMatch identify_vendor(std::string_view descr);

// Model from HP's device-identification string: after "MODEL:" (a following
// "HP " skipped), else after "MDL:", up to ';' or the end. None without a key.
std::optional<std::string> hp_model_from_id(std::string_view id);

// Whether an HP model carries the Host Resources and Printer MIBs.
bool hp_model_has_standard_mibs(std::string_view model, std::string_view descr);

// Items of the command set ("COMMAND SET:", else "CMD:"), split at ',' and not
// trimmed. None without either key.
std::optional<std::vector<std::string>> hp_command_set(std::string_view id);

// Answers --postscript, --pcl, --hpgl, --pjl from the command-set items in list
// order; clears each answered bit in flags1 and returns the fields.
std::string answer_command_set(const std::vector<std::string> &items, std::uint64_t &flags1);

// --generic: the IANA enterprise number N of a sysObjectID "1.3.6.1.4.1.N...."
// (a leading dot accepted). None for any other OID or a number above 2^32-1.
std::optional<std::uint32_t> enterprise_number(std::string_view sysObjectId);

// The printer maker registered under an enterprise number, or nullptr.
const char *printer_maker(std::uint32_t enterprise);

// Which standard MIB a get-next answer of the --generic probe lies in.
enum class ProbeMib { None, HostResources, Printer };
ProbeMib probe_mib_of(std::string_view oid);

// The --updatefirmware argument split at its first ':'.
struct FirmwareSource {
    std::string server;
    std::string filename;
};
// None when the argument has no ':', or the server or file name is empty.
std::optional<FirmwareSource> split_firmware_arg(std::string_view arg);

// The 6-byte UDP transport address (IPv4 address, port 69) of a TFTP server,
// resolved with getaddrinfo (safe with many workers at once). None when the
// name does not resolve to an IPv4 address.
std::optional<std::array<unsigned char, 6>> tftp_transport_address(const std::string &server);

// The hwaddr field value: six bytes, each followed by ':'.
std::string format_hwaddr(std::string_view bytes);
