// HP private variables: the status and console display of older JetDirect
// interfaces, the configuration source, the reset and the firmware download.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

class BerBase;
class ReportContext;

// Status and console display from HP's private MIB, each when asked for here;
// answers --status and --display so (and drops the wanted groups that no
// other option keeps).
void do_hppriv_get(ReportContext &ctx, bool status, bool display);

// HP reset and/or firmware download in one SetRequest; clears --reboot.
void do_hppriv_set(ReportContext &ctx);

// Prints cfgsrc from the value of HP's npCfgSource (nullptr when the printer's
// response lacked the binding).
void hpcfgsrc(ReportContext &ctx, const BerBase *value);

// CFGSRCVENDORS, by vendor code: the variable that names the source of the
// printer's network configuration and the routine that prints it. Only HP
// (code 1) has an entry; nullptr for every other code.
struct CfgSrcVendor {
    const char *oid;
    void (*routine)(ReportContext &, const BerBase *value);
};
const CfgSrcVendor *cfgsrc_vendor(int vendorCode);

// --cfgsrc: asks the vendor's configuration-source variable and prints it.
// False, after the "not supported" line, for a vendor without one.
bool do_cfgsrc(ReportContext &ctx);

// The --updatefirmware argument split at its first ':'.
struct FirmwareSource {
    std::string server;
    std::string filename;
};
// None when the argument has no ':', or the server or file name is empty.
std::optional<FirmwareSource> split_firmware_arg(std::string_view arg);

// The 6-byte UDP transport address (IPv4 address, port 69) of a TFTP server:
// the first address the name service gives, in its own order (safe with many
// workers at once). None when the name does not resolve to an IPv4 address.
std::optional<std::array<unsigned char, 6>> tftp_transport_address(const std::string &server);
