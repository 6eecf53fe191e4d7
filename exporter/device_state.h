// The printer's device status and detected error conditions (Host Resources
// MIB, RFC 2790; the condition bits named by RFC 3805): read by the
// exporter's report table beside the host resources report, decoded here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ReportRoutines;

// The report routines of prowlet with one more step after the host
// resources report when --status is asked: hrDeviceStatus.1 and
// hrPrinterDetectedErrorState.1, handed over as Group::HostResources fields
// "deviceStatus" (a number) and "detectedErrorState" (the octets as sent).
const ReportRoutines &exporter_reports();

// hrPrinterDetectedErrorState's conditions in bit order: bit 0 is the most
// significant bit of the first octet (lowPaper), bit 14 the next to least
// significant of the second (overduePreventMaint); bit 15 is not assigned.
inline constexpr std::size_t DETECTED_ERROR_COUNT = 15;
inline constexpr const char *DETECTED_ERROR_NAMES[DETECTED_ERROR_COUNT] = {
    "lowPaper", "noPaper", "lowToner", "noToner", "doorOpen", "jammed", "offline", "serviceRequested",
    "inputTrayMissing", "outputTrayMissing", "markerSupplyMissing", "outputNearFull", "outputFull",
    "inputTrayEmpty", "overduePreventMaint"};

// Which conditions the octets set (one or two octets; more are ignored, an
// empty string sets none). Printers that send one octet send the first.
std::vector<bool> detected_errors(std::string_view octets);

// hrDeviceStatus 1-5: "unknown", "running", "warning", "testing", "down"; nullptr otherwise.
const char *device_status_name(long long status);
