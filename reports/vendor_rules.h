// Vendor rules: how a printer's vendor, model and standard MIBs are read from
// its description (sysDescr) and, for HP, from its device-identification
// string; the makers of --generic. Pure: nothing here talks to a printer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/flags.h"

// How a model name is taken from the description, by vendor rule.
enum class ModelOutcome {
    None,          // the rule prints no model itself (HP, Tektronix, host system, unknown)
    Text,          // model holds the name
    NotSupported,  // "model option not supported on this printer type"
    Missing,       // the description stops before the model begins
};

// Rules with handling of their own.
enum VendorRuleNumber { RULE_HP = 1, RULE_TEKTRONIX = 3, RULE_HOST_SYSTEM = 11, RULE_UNKNOWN = 12 };

struct VendorMatch {
    int rule = RULE_UNKNOWN;       // 1..12, the first rule that held
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

// The language options (--postscript, --pcl, --hpgl, --pjl) that the command-set
// items answer, as field keys in list order; marks each of them answered in flags.
std::vector<const char *> answer_command_set(const std::vector<std::string> &items, FlagWords &flags);

// --generic: the IANA enterprise number N of a sysObjectID "1.3.6.1.4.1.N...."
// (a leading dot accepted). None for any other OID or a number above 2^32-1.
std::optional<std::uint32_t> enterprise_number(std::string_view sysObjectId);

// The printer maker registered under an enterprise number, or nullptr.
const char *printer_maker(std::uint32_t enterprise);

// Which standard MIB a get-next answer of the --generic probe lies in.
enum class ProbeMib { None, HostResources, Printer };
ProbeMib probe_mib_of(std::string_view oid);
