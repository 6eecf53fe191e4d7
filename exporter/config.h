// The exporter's configuration file: modules of SNMP settings (version,
// community or SNMPv3 user and passphrases, time-out, retries, what to read),
// parsed line by line with every refusal naming its line.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/session.h"
#include "snmp/usm.h"
#include "snmp/usm_engine.h"

// What a module reads of a printer, beside its reachability.
enum ReadGroup : unsigned {
    READ_IDENTIFICATION = 1,  // vendor, model, serial, description
    READ_STATUS = 2,          // hrDeviceStatus, hrPrinterStatus, detected errors
    READ_SUPPLIES = 4,
    READ_TRAYS = 8,
    READ_COVERS = 16,
    READ_ALERTS = 32,
    READ_COUNTERS = 64,  // page counters of the markers
    READ_ALL = 127,
};

struct ModuleConfig {
    std::string name;
    int line = 0;  // the line of its "module" keyword
    SNMP_version version = SNMP_version::V2C;
    std::string community = "public";
    int timeout = 2;  // seconds to wait after each send
    int retries = 1;  // sends after the first
    unsigned groups = READ_ALL;
    std::unique_ptr<SNMP_usm_user> user;  // SNMPv3 only, keys made once per load
};

struct ExporterConfig {
    std::string path;
    std::vector<ModuleConfig> modules;
    // The module of that name, or nullptr.
    const ModuleConfig *find(std::string_view name) const;
};

// A configuration, or why it was refused: "PATH, line N: REASON" (or
// "PATH: REASON" for the file itself).
struct ConfigOutcome {
    std::unique_ptr<ExporterConfig> config;
    std::string error;
};

// Parses the text of a configuration file (path only names it in messages).
ConfigOutcome parse_config(std::string_view text, const std::string &path);
// Reads and parses the file, which is checked as prowlet's --secrets file is
// (opened once, without blocking; a regular file of the user running the
// exporter that no one else may read or change) since it holds communities
// and passphrases.
ConfigOutcome load_config(const std::string &path);

// The largest configuration file read.
inline constexpr std::size_t MAX_CONFIG_BYTES = 1 << 20;
// Bounds of a module's timing.
inline constexpr int MAX_MODULE_TIMEOUT = 60;
inline constexpr int MAX_MODULE_RETRIES = 10;

// The group names of the "read" keyword: "identification" ... "counters", "all".
std::optional<unsigned> read_group(std::string_view word);
