// The OID catalogue: every variable and table column the reports ask for, by
// its MIB object name. Instances end in their index (.0 for scalars, .1 for the
// first row); columns have none (a table walk starts from them).
#pragma once

namespace oid {

// ---- MIB-II (RFC 1213) --------------------------------------------------------
inline constexpr const char *sysDescr = "1.3.6.1.2.1.1.1.0";
inline constexpr const char *sysObjectID = "1.3.6.1.2.1.1.2.0";
inline constexpr const char *sysUpTime = "1.3.6.1.2.1.1.3.0";
inline constexpr const char *sysContact = "1.3.6.1.2.1.1.4.0";
inline constexpr const char *sysLocation = "1.3.6.1.2.1.1.6.0";
inline constexpr const char *ifType1 = "1.3.6.1.2.1.2.2.1.3.1";
inline constexpr const char *ifPhysAddress1 = "1.3.6.1.2.1.2.2.1.6.1";
inline constexpr const char *ifType = "1.3.6.1.2.1.2.2.1.3";
inline constexpr const char *ifPhysAddress = "1.3.6.1.2.1.2.2.1.6";
// ipAdEntNetMask, indexed by the interface's own address.
inline constexpr const char *ipAdEntNetMask = "1.3.6.1.2.1.4.20.1.3";
// ipRouteNextHop of the default route.
inline constexpr const char *defaultNextHop = "1.3.6.1.2.1.4.21.1.7.0.0.0.0";
// tcpConnTable, indexed by local address, local port, remote address, remote port.
inline constexpr const char *tcpConnState = "1.3.6.1.2.1.6.13.1.1";
inline constexpr const char *tcpConnRemAddress = "1.3.6.1.2.1.6.13.1.4";
inline constexpr long ifTypeEthernetCsmacd = 6;

// ---- Host Resources MIB (RFC 1514) --------------------------------------------
inline constexpr const char *hrMemorySize0 = "1.3.6.1.2.1.25.2.2.0";
// Older firmware publishes the memory size under instance 1.
inline constexpr const char *hrMemorySize1 = "1.3.6.1.2.1.25.2.2.1";
inline constexpr const char *hrStorageDescr = "1.3.6.1.2.1.25.2.3.1.3";
inline constexpr const char *hrStorageAllocationUnits = "1.3.6.1.2.1.25.2.3.1.4";
inline constexpr const char *hrStorageSize = "1.3.6.1.2.1.25.2.3.1.5";
inline constexpr const char *hrStorageUsed = "1.3.6.1.2.1.25.2.3.1.6";
inline constexpr const char *hrStorageAllocationFailures = "1.3.6.1.2.1.25.2.3.1.7";
inline constexpr const char *hrDeviceType = "1.3.6.1.2.1.25.3.2.1.2";
inline constexpr const char *hrDeviceDescr1 = "1.3.6.1.2.1.25.3.2.1.3.1";
inline constexpr const char *hrPrinterStatus1 = "1.3.6.1.2.1.25.3.5.1.1.1";
// Columns of the device and printer tables, walked from their first row.
inline constexpr const char *hrDeviceStatus = "1.3.6.1.2.1.25.3.2.1.5";
inline constexpr const char *hrPrinterStatus = "1.3.6.1.2.1.25.3.5.1.1";
inline constexpr const char *hrPrinterDetectedErrorState = "1.3.6.1.2.1.25.3.5.1.2";

// ---- Printer MIB (RFC 1759) ----------------------------------------------------
inline constexpr const char *prtGeneralEntry = "1.3.6.1.2.1.43.5.1.1.1";  // first column of prtGeneral
inline constexpr const char *prtGeneralReset1 = "1.3.6.1.2.1.43.5.1.1.3.1";
inline constexpr const char *prtGeneralSerialNumber1 = "1.3.6.1.2.1.43.5.1.1.17.1";
inline constexpr const char *prtGeneralSerialNumber = "1.3.6.1.2.1.43.5.1.1.17";
inline constexpr const char *prtCoverDescription = "1.3.6.1.2.1.43.6.1.1.2";
inline constexpr const char *prtCoverStatus = "1.3.6.1.2.1.43.6.1.1.3";
inline constexpr const char *prtInputType = "1.3.6.1.2.1.43.8.2.1.2";
inline constexpr const char *prtInputDimUnit = "1.3.6.1.2.1.43.8.2.1.3";
inline constexpr const char *prtInputMediaDimFeedDirChosen = "1.3.6.1.2.1.43.8.2.1.6";
inline constexpr const char *prtInputMediaDimXFeedDirChosen = "1.3.6.1.2.1.43.8.2.1.7";
inline constexpr const char *prtInputCapacityUnit = "1.3.6.1.2.1.43.8.2.1.8";
inline constexpr const char *prtInputMaxCapacity = "1.3.6.1.2.1.43.8.2.1.9";
inline constexpr const char *prtInputCurrentLevel = "1.3.6.1.2.1.43.8.2.1.10";
inline constexpr const char *prtInputStatus = "1.3.6.1.2.1.43.8.2.1.11";
inline constexpr const char *prtInputMediaName = "1.3.6.1.2.1.43.8.2.1.12";
inline constexpr const char *prtInputName = "1.3.6.1.2.1.43.8.2.1.13";
inline constexpr const char *prtInputDescription = "1.3.6.1.2.1.43.8.2.1.18";
inline constexpr const char *prtMarkerMarkTech = "1.3.6.1.2.1.43.10.2.1.2";
inline constexpr const char *prtMarkerCounterUnit = "1.3.6.1.2.1.43.10.2.1.3";
inline constexpr const char *prtMarkerLifeCount = "1.3.6.1.2.1.43.10.2.1.4";
inline constexpr const char *prtMarkerProcessColorants = "1.3.6.1.2.1.43.10.2.1.6";
inline constexpr const char *prtMarkerAddressabilityUnit = "1.3.6.1.2.1.43.10.2.1.8";
inline constexpr const char *prtMarkerAddressabilityFeedDir = "1.3.6.1.2.1.43.10.2.1.9";
inline constexpr const char *prtMarkerAddressabilityXFeedDir = "1.3.6.1.2.1.43.10.2.1.10";
inline constexpr const char *prtMarkerNorthMargin = "1.3.6.1.2.1.43.10.2.1.11";
inline constexpr const char *prtMarkerSouthMargin = "1.3.6.1.2.1.43.10.2.1.12";
inline constexpr const char *prtMarkerWestMargin = "1.3.6.1.2.1.43.10.2.1.13";
inline constexpr const char *prtMarkerEastMargin = "1.3.6.1.2.1.43.10.2.1.14";
inline constexpr const char *prtMarkerStatus = "1.3.6.1.2.1.43.10.2.1.15";
inline constexpr const char *prtMarkerSuppliesColorantIndex = "1.3.6.1.2.1.43.11.1.1.3";
inline constexpr const char *prtMarkerSuppliesClass = "1.3.6.1.2.1.43.11.1.1.4";
inline constexpr const char *prtMarkerSuppliesType = "1.3.6.1.2.1.43.11.1.1.5";
inline constexpr const char *prtMarkerSuppliesDescription = "1.3.6.1.2.1.43.11.1.1.6";
inline constexpr const char *prtMarkerSuppliesSupplyUnit = "1.3.6.1.2.1.43.11.1.1.7";
inline constexpr const char *prtMarkerSuppliesMaxCapacity = "1.3.6.1.2.1.43.11.1.1.8";
inline constexpr const char *prtMarkerSuppliesLevel = "1.3.6.1.2.1.43.11.1.1.9";
inline constexpr const char *prtMarkerColorantValue = "1.3.6.1.2.1.43.12.1.1.4";
inline constexpr const char *prtMediaPathMaxSpeedPrintUnit = "1.3.6.1.2.1.43.13.4.1.2";
inline constexpr const char *prtMediaPathMediaSizeUnit = "1.3.6.1.2.1.43.13.4.1.3";
inline constexpr const char *prtMediaPathMaxSpeed = "1.3.6.1.2.1.43.13.4.1.4";
inline constexpr const char *prtMediaPathMaxMediaFeedDir = "1.3.6.1.2.1.43.13.4.1.5";
inline constexpr const char *prtMediaPathMaxMediaXFeedDir = "1.3.6.1.2.1.43.13.4.1.6";
inline constexpr const char *prtMediaPathMinMediaFeedDir = "1.3.6.1.2.1.43.13.4.1.7";
inline constexpr const char *prtMediaPathMinMediaXFeedDir = "1.3.6.1.2.1.43.13.4.1.8";
inline constexpr const char *prtMediaPathType = "1.3.6.1.2.1.43.13.4.1.9";
inline constexpr const char *prtMediaPathDescription = "1.3.6.1.2.1.43.13.4.1.10";
inline constexpr const char *prtMediaPathStatus = "1.3.6.1.2.1.43.13.4.1.11";
inline constexpr const char *prtChannelType = "1.3.6.1.2.1.43.14.1.1.2";
inline constexpr const char *prtChannelProtocolVersion = "1.3.6.1.2.1.43.14.1.1.3";
inline constexpr const char *prtChannelCurrentJobCntlLangIndex = "1.3.6.1.2.1.43.14.1.1.4";
inline constexpr const char *prtChannelDefaultPageDescLangIndex = "1.3.6.1.2.1.43.14.1.1.5";
inline constexpr const char *prtChannelState = "1.3.6.1.2.1.43.14.1.1.6";
inline constexpr const char *prtChannelStatus = "1.3.6.1.2.1.43.14.1.1.8";
inline constexpr const char *prtInterpreterLangFamily = "1.3.6.1.2.1.43.15.1.1.2";
inline constexpr const char *prtInterpreterLangLevel = "1.3.6.1.2.1.43.15.1.1.3";
inline constexpr const char *prtInterpreterLangVersion = "1.3.6.1.2.1.43.15.1.1.4";
inline constexpr const char *prtInterpreterDescription = "1.3.6.1.2.1.43.15.1.1.5";
inline constexpr const char *prtInterpreterVersion = "1.3.6.1.2.1.43.15.1.1.6";
inline constexpr const char *prtInterpreterDefaultOrientation = "1.3.6.1.2.1.43.15.1.1.7";
inline constexpr const char *prtInterpreterFeedAddressability = "1.3.6.1.2.1.43.15.1.1.8";
inline constexpr const char *prtInterpreterXFeedAddressability = "1.3.6.1.2.1.43.15.1.1.9";
inline constexpr const char *prtInterpreterTwoWay = "1.3.6.1.2.1.43.15.1.1.12";
inline constexpr const char *prtConsoleDisplayBufferText = "1.3.6.1.2.1.43.16.5.1.2";
inline constexpr const char *prtAlertSeverityLevel = "1.3.6.1.2.1.43.18.1.1.2";
inline constexpr const char *prtAlertTrainingLevel = "1.3.6.1.2.1.43.18.1.1.3";
inline constexpr const char *prtAlertGroup = "1.3.6.1.2.1.43.18.1.1.4";
inline constexpr const char *prtAlertGroupIndex = "1.3.6.1.2.1.43.18.1.1.5";
inline constexpr const char *prtAlertLocation = "1.3.6.1.2.1.43.18.1.1.6";
inline constexpr const char *prtAlertCode = "1.3.6.1.2.1.43.18.1.1.7";
inline constexpr const char *prtAlertDescription = "1.3.6.1.2.1.43.18.1.1.8";
inline constexpr const char *prtAlertTime = "1.3.6.1.2.1.43.18.1.1.9";

// ---- HP and Tektronix private variables ---------------------------------------
inline constexpr const char *hpDeviceId = "1.3.6.1.4.1.11.2.3.9.1.1.7.0";
inline constexpr const char *hpDisplay = "1.3.6.1.4.1.11.2.3.9.1.1.3.0";
inline constexpr const char *hpStatus = "1.3.6.1.4.1.11.2.4.3.1.2.0";
inline constexpr const char *hpCfgSource = "1.3.6.1.4.1.11.2.4.3.5.1.0";
inline constexpr const char *hpReset = "1.3.6.1.4.1.11.2.4.3.7.8.0";
inline constexpr const char *hpFirmwareAddress = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.4.1";
inline constexpr const char *hpFirmwareDomain = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.5.1";
inline constexpr const char *hpFirmwareFilename = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.6.1";
inline constexpr const char *hpFirmwareCommand = "1.3.6.1.4.1.11.2.14.11.1.3.1.1.10.1";
inline constexpr const char *snmpUDPDomain = "1.3.6.1.6.1.1";  // RFC 1906
inline constexpr const char *tektronixModel = "1.3.6.1.4.1.128.2.1.3.1.2.0";

}  // namespace oid
