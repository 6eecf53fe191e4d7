// Enumeration name tables, in one convention: each table lists the named
// values of one enumeration, in increasing order, with their names. A value the
// table does not list has no name; nothing is ever read outside a table.
// Also the text of a Printer MIB sub-unit status.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "reports/output.h"

struct EnumName {
    std::int64_t value;
    const char *name;
};
using NameTable = std::span<const EnumName>;

// hrPrinterStatus (RFC 1514)
inline constexpr EnumName HRSTATUSSTATES[] = {
    {1, "other"}, {2, "unknown"}, {3, "idle"}, {4, "printing"}, {5, "warmup"},
};

// tcpConnState (RFC 1213; deleteTCB, 12, is a request, never a state)
inline constexpr EnumName TCPCONNSTATES[] = {
    {1, "closed"}, {2, "listen"}, {3, "synSent"}, {4, "synReceived"}, {5, "established"},
    {6, "finWait1"}, {7, "finWait2"}, {8, "closeWait"}, {9, "lastAck"}, {10, "closing"},
    {11, "timeWait"},
};

// HP's npCfgSource: how the interface got its network configuration
inline constexpr EnumName HPCFGSOURCESTATES[] = {
    {0, "bootp"}, {1, "manual"}, {2, "unknown"}, {3, "manual"}, {4, "bootp"}, {5, "dhcp"},
};

// prtMarkerMarkTech
inline constexpr EnumName MARKTECH[] = {
    {1, "other"}, {2, "unknown"}, {3, "electrophotographicLED"}, {4, "electrophotographicLaser"},
    {5, "electrophotographicOther"}, {6, "impactMovingHeadDotMatrix9pin"},
    {7, "impactMovingHeadDotMatrix24pin"}, {8, "impactMovingHeadDotMatrixOther"},
    {9, "impactMovingHeadFullyFormed"}, {10, "impactBand"}, {11, "impactOther"},
    {12, "inkjetAqueous"}, {13, "inkjetSolid"}, {14, "inkjetOther"}, {15, "pen"},
    {16, "thermalTransfer"}, {17, "thermalSensitive"}, {18, "thermalDiffusion"},
    {19, "thermalOther"}, {20, "electroerosion"}, {21, "electrostatic"},
    {22, "photographicMicrofiche"}, {23, "photographicImagesetter"}, {24, "photographicOther"},
    {25, "ionDeposition"}, {26, "eBeam"}, {27, "typesetter"},
};

// prtMarkerCounterUnit
inline constexpr EnumName MARKERCOUNTERUNIT[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {5, "characters"}, {6, "lines"},
    {7, "impressions"}, {8, "sheets"}, {9, "dotRow"}, {11, "hours"}, {16, "feet"}, {17, "meters"},
};

// The Printer MIB's media unit (marker addressability, media paths, trays).
inline constexpr EnumName MEDIAUNIT[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"},
};

// prtMediaPathMaxSpeedPrintUnit
inline constexpr EnumName MEDIASPEEDUNIT[] = {
    {3, "tenThousandthsOfInchesPerHour"}, {4, "micrometersPerHour"}, {5, "charactersPerHour"},
    {6, "linesPerHour"}, {7, "impressionsPerHour"}, {8, "sheetsPerHour"}, {9, "dotRowPerHour"},
    {16, "feetPerHour"}, {17, "metersPerHour"},
};

// prtMediaPathType
inline constexpr EnumName MEDIATYPE[] = {
    {1, "other"}, {2, "unknown"}, {3, "longEdgeBindingDuplex"}, {4, "shortEdgeBindingDuplex"},
    {5, "simplex"},
};

// prtInputType
inline constexpr EnumName INPUTTYPE[] = {
    {1, "other"}, {2, "unknown"}, {3, "sheetFeedAutoRemovableTray"},
    {4, "sheetFeedAutoNonRemovableTray"}, {5, "sheetFeedManual"}, {6, "continuousRoll"},
    {7, "continuousFanFold"},
};

// The Printer MIB's capacity unit.
inline constexpr EnumName CAPACITYUNIT[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {8, "sheets"}, {16, "feet"}, {17, "meters"},
};

// prtInterpreterLangFamily without the "lang" prefix.
inline constexpr EnumName LANGUAGES[] = {
    {1, "other"}, {3, "PCL"}, {4, "HPGL"}, {5, "PJL"}, {6, "PS"}, {7, "IDPS"}, {8, "PPDS"},
    {9, "EscapeP"}, {10, "Epson"}, {11, "DDIF"}, {12, "Interpress"}, {13, "ISO6429"},
    {14, "LineData"}, {15, "MODCA"}, {16, "REGIS"}, {17, "SCS"}, {18, "SPDL"}, {19, "TEK401"},
    {20, "PDS"}, {21, "IGP"}, {22, "CodeV"}, {23, "DSCDSE"}, {24, "WPS"}, {25, "LN03"},
    {26, "CCITT"}, {27, "QUIC"}, {28, "CPAP"}, {29, "DecPPL"}, {30, "SimpleText"}, {31, "NPAP"},
    {32, "DOC"}, {33, "imPress"}, {34, "Pinwriter"}, {35, "NPDL"}, {36, "NEC201PL"},
    {37, "Automatic"}, {38, "Pages"}, {39, "LIPS"}, {40, "TIFF"}, {41, "Diagnostic"},
    {42, "PSPrinter"}, {43, "CaPSL"}, {44, "EXCL"}, {45, "LCDS"}, {46, "XES"}, {47, "PCLXL"},
};

// prtInterpreterDefaultOrientation
inline constexpr EnumName ORIENTATIONS[] = {
    {1, "other"}, {3, "portrait"}, {4, "landscape"},
};

// prtInterpreterTwoWay: the Printer MIB's yes (3) and no (4).
inline constexpr EnumName TWOWAY[] = {
    {3, "Y"}, {4, "N"},
};

// prtChannelType without the "ch" prefix.
inline constexpr EnumName CHANNELTYPE[] = {
    {1, "other"}, {3, "SerialPort"}, {4, "ParallelPort"}, {5, "IEEE1284Port"}, {6, "SCSIPort"},
    {7, "AppleTalkPAP"}, {8, "LPDServer"}, {9, "NetwareRPrinter"}, {10, "NetwarePServer"},
    {11, "Port9100(depricated)"}, {12, "AppSocket"}, {13, "FTP"}, {14, "TFTP"}, {15, "DLCLLCPort"},
    {16, "IBM3270"}, {17, "IBM5250"}, {18, "Fax"}, {19, "IEEE1394"}, {20, "Transport1"},
    {21, "CPAP"}, {26, "PCPrint"}, {27, "ServerMessageBlock"}, {28, "PSM"},
    {31, "SystemObjectManager"}, {32, "DECLAT"}, {33, "NPAP"}, {34, "USB"}, {35, "IRDA"},
    {36, "PrintXChange"}, {37, "PortTCP"}, {38, "BidirPortTCP"}, {39, "UNPP"},
    {40, "AppleTalkADSP"}, {41, "PortSPX"}, {42, "PortHTTP"}, {43, "NDPS"},
};

// prtChannelState
inline constexpr EnumName CHANNELSTATE[] = {
    {1, "other"}, {3, "printDataAccepted"}, {4, "noDataAccepted"},
};

// prtCoverStatus
inline constexpr EnumName COVERSTATUS[] = {
    {1, "other"}, {3, "doorOpen"}, {4, "doorClosed"}, {5, "interlockOpen"}, {6, "interlockClosed"},
};

// prtMarkerSuppliesClass
inline constexpr EnumName MARKERSUPPLIESCLASS[] = {
    {1, "other"}, {3, "supplyThatIsConsumed"}, {4, "receptacleThatIsFilled"},
};

// prtMarkerSuppliesType
inline constexpr EnumName MARKERSUPPLIESTYPE[] = {
    {1, "other"}, {2, "unknown"}, {3, "toner"}, {4, "wasteToner"}, {5, "ink"}, {6, "inkCartridge"},
    {7, "inkRibbon"}, {8, "wasteInk"}, {9, "opc"}, {10, "developer"}, {11, "fuserOil"},
    {12, "solidWax"}, {13, "ribbonWax"}, {14, "wasteWax"}, {15, "fuser"}, {16, "coronaWire"},
    {17, "fuserOilWick"}, {18, "cleanerUnit"}, {19, "fuserCleaningPad"}, {20, "transferUnit"},
    {21, "tonerCartridge"}, {22, "fuserOiler"},
};

// prtMarkerSuppliesSupplyUnit
inline constexpr EnumName MARKERSUPPLIESUNIT[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {7, "impressions"}, {8, "sheets"},
    {11, "hours"}, {12, "thousandthsOfOunces"}, {13, "tenthsOfGrams"},
    {14, "hundrethsOfFluidOunces"}, {15, "tenthsOfMilliliters"}, {16, "feet"}, {17, "meters"},
};

// prtAlertSeverityLevel
inline constexpr EnumName PRTALERTSEVERITYLEVEL[] = {
    {1, "other"}, {3, "critical"}, {4, "warning"},
};

// prtAlertTrainingLevel
inline constexpr EnumName PRTALERTTRAININGLEVEL[] = {
    {1, "other"}, {2, "unknown"}, {3, "untrained"}, {4, "trained"}, {5, "fieldService"},
    {6, "management"},
};

// prtAlertGroup
inline constexpr EnumName PRTALERTGROUP[] = {
    {1, "other"}, {3, "hostResourcesMIBStorageTable"}, {4, "hostResourcesMIBDeviceTable"},
    {5, "generalPrinter"}, {6, "cover"}, {7, "localization"}, {8, "input"}, {9, "output"},
    {10, "marker"}, {11, "markerSupplies"}, {12, "markerColorant"}, {13, "mediaPath"},
    {14, "channel"}, {15, "interpreter"}, {16, "consoleDisplayBuffer"}, {17, "consoleLights"},
};

// prtAlertCode: the named codes come in runs, one per hundred.
inline constexpr EnumName PRTALERTCODE[] = {
    {1, "other"}, {2, "unknown"}, {3, "coverOpen"}, {4, "coverClosed"}, {5, "interlockOpen"},
    {6, "interlockClosed"}, {7, "configurationChange"}, {8, "jammed"}, {9, "subunitMissing"},
    {10, "subunitLifeAlmostOver"}, {11, "subunitLifeOver"}, {12, "subunitAlmostEmpty"},
    {13, "subunitEmpty"}, {14, "subunitAlmostFull"}, {15, "subunitFull"}, {16, "subunitNearLimit"},
    {17, "subunitAtLimit"}, {18, "subunitOpened"}, {19, "subunitClosed"}, {20, "subunitTurnedOn"},
    {21, "subunitTurnedOff"}, {22, "subunitOffline"}, {23, "subunitPowerSaver"},
    {24, "subunitWarmingUp"}, {25, "subunitAdded"}, {26, "subunitRemoved"},
    {27, "subunitResourceAdded"}, {28, "subunitResourceRemoved"}, {29, "subunitRecoverableFailure"},
    {30, "subunitUnrecoverableFailure"}, {31, "subunitRecoverableStorageError"},
    {32, "subunitUnrecoverableStorageError"}, {33, "subunitMotorFailure"},
    {34, "subunitMemoryExhausted"}, {35, "subunitUnderTemperature"}, {36, "subunitOverTemperature"},
    {37, "subunitTimingFailure"}, {38, "subunitThermistorFailure"}, {501, "doorOpen"},
    {502, "doorClosed"}, {503, "powerUp"}, {504, "powerDown"}, {505, "printerNMSReset"},
    {506, "printerManualReset"}, {507, "printerReadyToPrint"}, {801, "inputMediaTrayMissing"},
    {802, "inputMediaSizeChange"}, {803, "inputMediaWeightChange"}, {804, "inputMediaTypeChange"},
    {805, "inputMediaColorChange"}, {806, "inputMediaFormPartsChange"},
    {807, "inputMediaSupplyLow"}, {808, "inputMediaSupplyEmpty"}, {809, "inputMediaChangeRequest"},
    {810, "inputManualInputRequest"}, {811, "inputTrayPositionFailure"},
    {812, "inputTrayElevationFailure"}, {813, "inputCannotFeedSizeSelected"},
    {901, "outputMediaTrayMissing"}, {902, "outputMediaTrayAlmostFull"},
    {903, "outputMediaTrayFull"}, {904, "outputMailboxSelectFailure"},
    {1001, "markerFuserUnderTemperature"}, {1002, "markerFuserOverTemperature"},
    {1003, "markerFuserTimingFailure"}, {1004, "markerFuserThermistorFailure"},
    {1005, "markerAdjustingPrintQuality"}, {1101, "markerTonerEmpty"}, {1102, "markerInkEmpty"},
    {1103, "markerPrintRibbonEmpty"}, {1104, "markerTonerAlmostEmpty"},
    {1105, "markerInkAlmostEmpty"}, {1106, "markerPrintRibbonAlmostEmpty"},
    {1107, "markerWasteTonerReceptacleAlmostFull"}, {1108, "markerWasteInkReceptacleAlmostFull"},
    {1109, "markerWasteTonerReceptacleFull"}, {1110, "markerWasteInkReceptacleFull"},
    {1111, "markerOpcLifeAlmostOver"}, {1112, "markerOpcLifeOver"},
    {1113, "markerDeveloperAlmostEmpty"}, {1114, "markerDeveloperEmpty"},
    {1115, "markerTonerCartridgeMissing"}, {1301, "mediaPathMediaTrayMissing"},
    {1302, "mediaPathMediaTrayAlmostFull"}, {1303, "mediaPathMediaTrayFull"},
    {1501, "interpreterMemoryIncrease"}, {1502, "interpreterMemoryDecrease"},
    {1503, "interpreterCartridgeAdded"}, {1504, "interpreterCartridgeDeleted"},
    {1505, "interpreterResourceAdded"}, {1506, "interpreterResourceDeleted"},
    {1507, "interpreterResourceUnavailable"}, {1508, "interpreterComplexPageEncountered"},
    {1801, "alertRemovalOfBinaryChangeEntry"},
};
// The name of value in table, or nullptr when the table does not name it.
const char *table_name(NameTable table, std::int64_t value);

// The name of value in table. A value the table has no name for is kept and
// printed as its number, after the warning
// "Warning: <host>: <object> value <n> has no name; printing the number.\n".
FieldValue checked_name(PrinterOutput &out, const char *object, NameTable table, std::int64_t value);

// The same without the warning, for a value that was already reported.
FieldValue name_or_number(NameTable table, std::int64_t value);

// Text of a Printer MIB sub-unit status (PrtSubUnitStatusTC). An availability
// of 7, which the standard leaves undefined, is named by its number; with an
// output the oddity is also reported as a warning naming the printer.
std::string decode_status(std::uint64_t status, PrinterOutput *out = nullptr);
