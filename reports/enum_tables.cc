// The enumeration name tables. Each lists, in increasing order, the values
// its enumeration names; the Printer MIB tables follow the current Printer MIB
// (checked against IANA's list by the test suite), keeping the names printed
// before it where they differ ("doorOpen", "jammed", "Port9100(depricated)",
// "IDPS", "TEK401", "PSM") and naming alert code 1508, which it dropped.
#include "reports/enums.h"

// hrPrinterStatus (RFC 1514)
constexpr EnumName HRSTATUSSTATES_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "idle"}, {4, "printing"}, {5, "warmup"},
};
extern const NameTable HRSTATUSSTATES = HRSTATUSSTATES_NAMES;

// tcpConnState (RFC 1213; deleteTCB, 12, is a request, never a state)
constexpr EnumName TCPCONNSTATES_NAMES[] = {
    {1, "closed"}, {2, "listen"}, {3, "synSent"}, {4, "synReceived"}, {5, "established"}, {6, "finWait1"},
    {7, "finWait2"}, {8, "closeWait"}, {9, "lastAck"}, {10, "closing"}, {11, "timeWait"},
};
extern const NameTable TCPCONNSTATES = TCPCONNSTATES_NAMES;

// HP's npCfgSource: how the interface got its network configuration
constexpr EnumName HPCFGSOURCESTATES_NAMES[] = {
    {0, "bootp"}, {1, "manual"}, {2, "unknown"}, {3, "manual"}, {4, "bootp"}, {5, "dhcp"},
};
extern const NameTable HPCFGSOURCESTATES = HPCFGSOURCESTATES_NAMES;

// prtMarkerMarkTech
constexpr EnumName MARKTECH_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "electrophotographicLED"}, {4, "electrophotographicLaser"},
    {5, "electrophotographicOther"}, {6, "impactMovingHeadDotMatrix9pin"},
    {7, "impactMovingHeadDotMatrix24pin"}, {8, "impactMovingHeadDotMatrixOther"},
    {9, "impactMovingHeadFullyFormed"}, {10, "impactBand"}, {11, "impactOther"}, {12, "inkjetAqueous"},
    {13, "inkjetSolid"}, {14, "inkjetOther"}, {15, "pen"}, {16, "thermalTransfer"}, {17, "thermalSensitive"},
    {18, "thermalDiffusion"}, {19, "thermalOther"}, {20, "electroerosion"}, {21, "electrostatic"},
    {22, "photographicMicrofiche"}, {23, "photographicImagesetter"}, {24, "photographicOther"},
    {25, "ionDeposition"}, {26, "eBeam"}, {27, "typesetter"},
};
extern const NameTable MARKTECH = MARKTECH_NAMES;

// prtMarkerCounterUnit
constexpr EnumName MARKERCOUNTERUNIT_NAMES[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {5, "characters"}, {6, "lines"}, {7, "impressions"},
    {8, "sheets"}, {9, "dotRow"}, {11, "hours"}, {16, "feet"}, {17, "meters"},
};
extern const NameTable MARKERCOUNTERUNIT = MARKERCOUNTERUNIT_NAMES;

// The Printer MIB's media unit (marker addressability, media paths, trays).
constexpr EnumName MEDIAUNIT_NAMES[] = {
    {3, "tenThousandthsOfInches"}, {4, "micrometers"},
};
extern const NameTable MEDIAUNIT = MEDIAUNIT_NAMES;

// prtMediaPathMaxSpeedPrintUnit
constexpr EnumName MEDIASPEEDUNIT_NAMES[] = {
    {3, "tenThousandthsOfInchesPerHour"}, {4, "micrometersPerHour"}, {5, "charactersPerHour"},
    {6, "linesPerHour"}, {7, "impressionsPerHour"}, {8, "sheetsPerHour"}, {9, "dotRowPerHour"},
    {16, "feetPerHour"}, {17, "metersPerHour"},
};
extern const NameTable MEDIASPEEDUNIT = MEDIASPEEDUNIT_NAMES;

// prtMediaPathType
constexpr EnumName MEDIATYPE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "longEdgeBindingDuplex"}, {4, "shortEdgeBindingDuplex"}, {5, "simplex"},
};
extern const NameTable MEDIATYPE = MEDIATYPE_NAMES;

// prtInputType
constexpr EnumName INPUTTYPE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "sheetFeedAutoRemovableTray"}, {4, "sheetFeedAutoNonRemovableTray"},
    {5, "sheetFeedManual"}, {6, "continuousRoll"}, {7, "continuousFanFold"}, {8, "sheetFeedPull"},
};
extern const NameTable INPUTTYPE = INPUTTYPE_NAMES;

// The Printer MIB's capacity unit.
constexpr EnumName CAPACITYUNIT_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {8, "sheets"},
    {16, "feet"}, {17, "meters"}, {18, "items"}, {19, "percent"},
};
extern const NameTable CAPACITYUNIT = CAPACITYUNIT_NAMES;

// prtInterpreterLangFamily without the "lang" prefix.
constexpr EnumName LANGUAGES_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "PCL"}, {4, "HPGL"}, {5, "PJL"}, {6, "PS"}, {7, "IDPS"}, {8, "PPDS"},
    {9, "EscapeP"}, {10, "Epson"}, {11, "DDIF"}, {12, "Interpress"}, {13, "ISO6429"}, {14, "LineData"},
    {15, "MODCA"}, {16, "REGIS"}, {17, "SCS"}, {18, "SPDL"}, {19, "TEK401"}, {20, "PDS"}, {21, "IGP"},
    {22, "CodeV"}, {23, "DSCDSE"}, {24, "WPS"}, {25, "LN03"}, {26, "CCITT"}, {27, "QUIC"}, {28, "CPAP"},
    {29, "DecPPL"}, {30, "SimpleText"}, {31, "NPAP"}, {32, "DOC"}, {33, "imPress"}, {34, "Pinwriter"},
    {35, "NPDL"}, {36, "NEC201PL"}, {37, "Automatic"}, {38, "Pages"}, {39, "LIPS"}, {40, "TIFF"},
    {41, "Diagnostic"}, {42, "PSPrinter"}, {43, "CaPSL"}, {44, "EXCL"}, {45, "LCDS"}, {46, "XES"},
    {47, "PCLXL"}, {48, "ART"}, {49, "TIPSI"}, {50, "Prescribe"}, {51, "LinePrinter"}, {52, "IDP"},
    {53, "XJCL"}, {54, "PDF"}, {55, "RPDL"}, {56, "IntermecIPL"}, {57, "UBIFingerprint"},
    {58, "UBIDirectProtocol"}, {59, "Fujitsu"}, {60, "CGM"}, {61, "JPEG"}, {62, "CALS1"}, {63, "CALS2"},
    {64, "NIRS"}, {65, "C4"}, {66, "XPS"}, {67, "OpenXPS"}, {68, "JDF"}, {69, "JMF"}, {70, "PPML"},
    {71, "XHTMLPrint"}, {72, "PDFis"}, {73, "PDF13"}, {74, "PDF14"}, {75, "PDF15"}, {76, "PDF16"},
    {77, "PDF17"}, {78, "PS2"}, {79, "PS3"}, {80, "PCL3"}, {81, "PCL3GUI"}, {82, "PCL5e"}, {83, "PCL5c"},
    {84, "PWGRaster"}, {85, "AppleRaster"},
};
extern const NameTable LANGUAGES = LANGUAGES_NAMES;

// prtInterpreterDefaultOrientation
constexpr EnumName ORIENTATIONS_NAMES[] = {
    {1, "other"}, {3, "portrait"}, {4, "landscape"},
};
extern const NameTable ORIENTATIONS = ORIENTATIONS_NAMES;

// prtInterpreterTwoWay: the Printer MIB's yes (3) and no (4).
constexpr EnumName TWOWAY_NAMES[] = {
    {3, "Y"}, {4, "N"},
};
extern const NameTable TWOWAY = TWOWAY_NAMES;

// prtChannelType without the "ch" prefix.
constexpr EnumName CHANNELTYPE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "SerialPort"}, {4, "ParallelPort"}, {5, "IEEE1284Port"}, {6, "SCSIPort"},
    {7, "AppleTalkPAP"}, {8, "LPDServer"}, {9, "NetwareRPrinter"}, {10, "NetwarePServer"},
    {11, "Port9100(depricated)"}, {12, "AppSocket"}, {13, "FTP"}, {14, "TFTP"}, {15, "DLCLLCPort"},
    {16, "IBM3270"}, {17, "IBM5250"}, {18, "Fax"}, {19, "IEEE1394"}, {20, "Transport1"}, {21, "CPAP"},
    {22, "DCERemoteProcCall"}, {23, "ONCRemoteProcCall"}, {24, "OLE"}, {25, "NamedPipe"}, {26, "PCPrint"},
    {27, "ServerMessageBlock"}, {28, "PSM"}, {29, "DLLAPI"}, {30, "VxDAPI"}, {31, "SystemObjectManager"},
    {32, "DECLAT"}, {33, "NPAP"}, {34, "USB"}, {35, "IRDA"}, {36, "PrintXChange"}, {37, "PortTCP"},
    {38, "BidirPortTCP"}, {39, "UNPP"}, {40, "AppleTalkADSP"}, {41, "PortSPX"}, {42, "PortHTTP"}, {43, "NDPS"},
    {44, "IPP"}, {45, "SMTP"}, {46, "WSPrint"},
};
extern const NameTable CHANNELTYPE = CHANNELTYPE_NAMES;

// prtChannelState
constexpr EnumName CHANNELSTATE_NAMES[] = {
    {1, "other"}, {3, "printDataAccepted"}, {4, "noDataAccepted"},
};
extern const NameTable CHANNELSTATE = CHANNELSTATE_NAMES;

// prtCoverStatus
constexpr EnumName COVERSTATUS_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "doorOpen"}, {4, "doorClosed"}, {5, "interlockOpen"},
    {6, "interlockClosed"},
};
extern const NameTable COVERSTATUS = COVERSTATUS_NAMES;

// prtMarkerSuppliesClass
constexpr EnumName MARKERSUPPLIESCLASS_NAMES[] = {
    {1, "other"}, {3, "supplyThatIsConsumed"}, {4, "receptacleThatIsFilled"},
};
extern const NameTable MARKERSUPPLIESCLASS = MARKERSUPPLIESCLASS_NAMES;

// prtMarkerSuppliesType
constexpr EnumName MARKERSUPPLIESTYPE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "toner"}, {4, "wasteToner"}, {5, "ink"}, {6, "inkCartridge"},
    {7, "inkRibbon"}, {8, "wasteInk"}, {9, "opc"}, {10, "developer"}, {11, "fuserOil"}, {12, "solidWax"},
    {13, "ribbonWax"}, {14, "wasteWax"}, {15, "fuser"}, {16, "coronaWire"}, {17, "fuserOilWick"},
    {18, "cleanerUnit"}, {19, "fuserCleaningPad"}, {20, "transferUnit"}, {21, "tonerCartridge"},
    {22, "fuserOiler"}, {23, "water"}, {24, "wasteWater"}, {25, "glueWaterAdditive"}, {26, "wastePaper"},
    {27, "bindingSupply"}, {28, "bandingSupply"}, {29, "stitchingWire"}, {30, "shrinkWrap"}, {31, "paperWrap"},
    {32, "staples"}, {33, "inserts"}, {34, "covers"}, {35, "matteToner"}, {36, "matteInk"},
};
extern const NameTable MARKERSUPPLIESTYPE = MARKERSUPPLIESTYPE_NAMES;

// prtMarkerSuppliesSupplyUnit
constexpr EnumName MARKERSUPPLIESUNIT_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "tenThousandthsOfInches"}, {4, "micrometers"}, {7, "impressions"},
    {8, "sheets"}, {11, "hours"}, {12, "thousandthsOfOunces"}, {13, "tenthsOfGrams"},
    {14, "hundrethsOfFluidOunces"}, {15, "tenthsOfMilliliters"}, {16, "feet"}, {17, "meters"}, {18, "items"},
    {19, "percent"},
};
extern const NameTable MARKERSUPPLIESUNIT = MARKERSUPPLIESUNIT_NAMES;

// prtAlertSeverityLevel
constexpr EnumName PRTALERTSEVERITYLEVEL_NAMES[] = {
    {1, "other"}, {3, "critical"}, {4, "warning"}, {5, "warningBinaryChangeEvent"},
};
extern const NameTable PRTALERTSEVERITYLEVEL = PRTALERTSEVERITYLEVEL_NAMES;

// prtAlertTrainingLevel
constexpr EnumName PRTALERTTRAININGLEVEL_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "untrained"}, {4, "trained"}, {5, "fieldService"}, {6, "management"},
    {7, "noInterventionRequired"},
};
extern const NameTable PRTALERTTRAININGLEVEL = PRTALERTTRAININGLEVEL_NAMES;

// prtAlertGroup
constexpr EnumName PRTALERTGROUP_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "hostResourcesMIBStorageTable"}, {4, "hostResourcesMIBDeviceTable"},
    {5, "generalPrinter"}, {6, "cover"}, {7, "localization"}, {8, "input"}, {9, "output"}, {10, "marker"},
    {11, "markerSupplies"}, {12, "markerColorant"}, {13, "mediaPath"}, {14, "channel"}, {15, "interpreter"},
    {16, "consoleDisplayBuffer"}, {17, "consoleLights"}, {18, "alert"}, {30, "finDevice"}, {31, "finSupply"},
    {32, "finSupplyMediaInput"}, {33, "finAttribute"},
};
extern const NameTable PRTALERTGROUP = PRTALERTGROUP_NAMES;

// prtAlertCode: the named codes come in runs, one per hundred.
constexpr EnumName PRTALERTCODE_NAMES[] = {
    {1, "other"}, {2, "unknown"}, {3, "coverOpen"}, {4, "coverClosed"}, {5, "interlockOpen"},
    {6, "interlockClosed"}, {7, "configurationChange"}, {8, "jammed"}, {9, "subunitMissing"},
    {10, "subunitLifeAlmostOver"}, {11, "subunitLifeOver"}, {12, "subunitAlmostEmpty"}, {13, "subunitEmpty"},
    {14, "subunitAlmostFull"}, {15, "subunitFull"}, {16, "subunitNearLimit"}, {17, "subunitAtLimit"},
    {18, "subunitOpened"}, {19, "subunitClosed"}, {20, "subunitTurnedOn"}, {21, "subunitTurnedOff"},
    {22, "subunitOffline"}, {23, "subunitPowerSaver"}, {24, "subunitWarmingUp"}, {25, "subunitAdded"},
    {26, "subunitRemoved"}, {27, "subunitResourceAdded"}, {28, "subunitResourceRemoved"},
    {29, "subunitRecoverableFailure"}, {30, "subunitUnrecoverableFailure"},
    {31, "subunitRecoverableStorageError"}, {32, "subunitUnrecoverableStorageError"},
    {33, "subunitMotorFailure"}, {34, "subunitMemoryExhausted"}, {35, "subunitUnderTemperature"},
    {36, "subunitOverTemperature"}, {37, "subunitTimingFailure"}, {38, "subunitThermistorFailure"},
    {501, "doorOpen"}, {502, "doorClosed"}, {503, "powerUp"}, {504, "powerDown"}, {505, "printerNMSReset"},
    {506, "printerManualReset"}, {507, "printerReadyToPrint"},
    {801, "inputMediaTrayMissing"}, {802, "inputMediaSizeChange"}, {803, "inputMediaWeightChange"},
    {804, "inputMediaTypeChange"}, {805, "inputMediaColorChange"}, {806, "inputMediaFormPartsChange"},
    {807, "inputMediaSupplyLow"}, {808, "inputMediaSupplyEmpty"}, {809, "inputMediaChangeRequest"},
    {810, "inputManualInputRequest"}, {811, "inputTrayPositionFailure"}, {812, "inputTrayElevationFailure"},
    {813, "inputCannotFeedSizeSelected"},
    {901, "outputMediaTrayMissing"}, {902, "outputMediaTrayAlmostFull"}, {903, "outputMediaTrayFull"},
    {904, "outputMailboxSelectFailure"},
    {1001, "markerFuserUnderTemperature"}, {1002, "markerFuserOverTemperature"},
    {1003, "markerFuserTimingFailure"}, {1004, "markerFuserThermistorFailure"},
    {1005, "markerAdjustingPrintQuality"},
    {1101, "markerTonerEmpty"}, {1102, "markerInkEmpty"}, {1103, "markerPrintRibbonEmpty"},
    {1104, "markerTonerAlmostEmpty"}, {1105, "markerInkAlmostEmpty"}, {1106, "markerPrintRibbonAlmostEmpty"},
    {1107, "markerWasteTonerReceptacleAlmostFull"}, {1108, "markerWasteInkReceptacleAlmostFull"},
    {1109, "markerWasteTonerReceptacleFull"}, {1110, "markerWasteInkReceptacleFull"},
    {1111, "markerOpcLifeAlmostOver"}, {1112, "markerOpcLifeOver"}, {1113, "markerDeveloperAlmostEmpty"},
    {1114, "markerDeveloperEmpty"}, {1115, "markerTonerCartridgeMissing"},
    {1301, "mediaPathMediaTrayMissing"}, {1302, "mediaPathMediaTrayAlmostFull"},
    {1303, "mediaPathMediaTrayFull"}, {1304, "mediaPathCannotDuplexMediaSelected"},
    {1501, "interpreterMemoryIncrease"}, {1502, "interpreterMemoryDecrease"},
    {1503, "interpreterCartridgeAdded"}, {1504, "interpreterCartridgeDeleted"},
    {1505, "interpreterResourceAdded"}, {1506, "interpreterResourceDeleted"},
    {1507, "interpreterResourceUnavailable"}, {1508, "interpreterComplexPageEncountered"},
    {1509, "interpreterComplexPageEncountered"},
    {1801, "alertRemovalOfBinaryChangeEntry"},
    {30203, "staplerCoverOpen"}, {30204, "staplerCoverClosed"}, {30205, "staplerInterlockOpen"},
    {30206, "staplerInterlockClosed"}, {30207, "staplerConfigurationChange"}, {30208, "staplerJam"},
    {30209, "staplerMissing"}, {30210, "staplerLifeAlmostOver"}, {30211, "staplerLifeOver"},
    {30212, "staplerAlmostEmpty"}, {30213, "staplerEmpty"}, {30214, "staplerAlmostFull"},
    {30215, "staplerFull"}, {30216, "staplerNearLimit"}, {30217, "staplerAtLimit"}, {30218, "staplerOpened"},
    {30219, "staplerClosed"}, {30220, "staplerTurnedOn"}, {30221, "staplerTurnedOff"},
    {30222, "staplerOffline"}, {30223, "staplerPowerSaver"}, {30224, "staplerWarmingUp"},
    {30225, "staplerAdded"}, {30226, "staplerRemoved"}, {30227, "staplerResourceAdded"},
    {30228, "staplerResourceRemoved"}, {30229, "staplerRecoverableFailure"},
    {30230, "staplerUnrecoverableFailure"}, {30231, "staplerRecoverableStorageError"},
    {30232, "staplerUnrecoverableStorageError"}, {30233, "staplerMotorFailure"},
    {30234, "staplerMemoryExhausted"}, {30235, "staplerUnderTemperature"}, {30236, "staplerOverTemperature"},
    {30237, "staplerTimingFailure"}, {30238, "staplerThermistorFailure"},
    {30303, "stitcherCoverOpen"}, {30304, "stitcherCoverClosed"}, {30305, "stitcherInterlockOpen"},
    {30306, "stitcherInterlockClosed"}, {30307, "stitcherConfigurationChange"}, {30308, "stitcherJam"},
    {30309, "stitcherMissing"}, {30310, "stitcherLifeAlmostOver"}, {30311, "stitcherLifeOver"},
    {30312, "stitcherAlmostEmpty"}, {30313, "stitcherEmpty"}, {30314, "stitcherAlmostFull"},
    {30315, "stitcherFull"}, {30316, "stitcherNearLimit"}, {30317, "stitcherAtLimit"},
    {30318, "stitcherOpened"}, {30319, "stitcherClosed"}, {30320, "stitcherTurnedOn"},
    {30321, "stitcherTurnedOff"}, {30322, "stitcherOffline"}, {30323, "stitcherPowerSaver"},
    {30324, "stitcherWarmingUp"}, {30325, "stitcherAdded"}, {30326, "stitcherRemoved"},
    {30327, "stitcherResourceAdded"}, {30328, "stitcherResourceRemoved"}, {30329, "stitcherRecoverableFailure"},
    {30330, "stitcherUnrecoverableFailure"}, {30331, "stitcherRecoverableStorageError"},
    {30332, "stitcherUnrecoverableStorageError"}, {30333, "stitcherMotorFailure"},
    {30334, "stitcherMemoryExhausted"}, {30335, "stitcherUnderTemperature"}, {30336, "stitcherOverTemperature"},
    {30337, "stitcherTimingFailure"}, {30338, "stitcherThermistorFailure"},
    {30403, "folderCoverOpen"}, {30404, "folderCoverClosed"}, {30405, "folderInterlockOpen"},
    {30406, "folderInterlockClosed"}, {30407, "folderConfigurationChange"}, {30408, "folderJam"},
    {30409, "folderMissing"}, {30410, "folderLifeAlmostOver"}, {30411, "folderLifeOver"},
    {30412, "folderAlmostEmpty"}, {30413, "folderEmpty"}, {30414, "folderAlmostFull"}, {30415, "folderFull"},
    {30416, "folderNearLimit"}, {30417, "folderAtLimit"}, {30418, "folderOpened"}, {30419, "folderClosed"},
    {30420, "folderTurnedOn"}, {30421, "folderTurnedOff"}, {30422, "folderOffline"},
    {30423, "folderPowerSaver"}, {30424, "folderWarmingUp"}, {30425, "folderAdded"}, {30426, "folderRemoved"},
    {30427, "folderResourceAdded"}, {30428, "folderResourceRemoved"}, {30429, "folderRecoverableFailure"},
    {30430, "folderUnrecoverableFailure"}, {30431, "folderRecoverableStorageError"},
    {30432, "folderUnrecoverableStorageError"}, {30433, "folderMotorFailure"}, {30434, "folderMemoryExhausted"},
    {30435, "folderUnderTemperature"}, {30436, "folderOverTemperature"}, {30437, "folderTimingFailure"},
    {30438, "folderThermistorFailure"},
    {30503, "binderCoverOpen"}, {30504, "binderCoverClosed"}, {30505, "binderInterlockOpen"},
    {30506, "binderInterlockClosed"}, {30507, "binderConfigurationChange"}, {30508, "binderJam"},
    {30509, "binderMissing"}, {30510, "binderLifeAlmostOver"}, {30511, "binderLifeOver"},
    {30512, "binderAlmostEmpty"}, {30513, "binderEmpty"}, {30514, "binderAlmostFull"}, {30515, "binderFull"},
    {30516, "binderNearLimit"}, {30517, "binderAtLimit"}, {30518, "binderOpened"}, {30519, "binderClosed"},
    {30520, "binderTurnedOn"}, {30521, "binderTurnedOff"}, {30522, "binderOffline"},
    {30523, "binderPowerSaver"}, {30524, "binderWarmingUp"}, {30525, "binderAdded"}, {30526, "binderRemoved"},
    {30527, "binderResourceAdded"}, {30528, "binderResourceRemoved"}, {30529, "binderRecoverableFailure"},
    {30530, "binderUnrecoverableFailure"}, {30531, "binderRecoverableStorageError"},
    {30532, "binderUnrecoverableStorageError"}, {30533, "binderMotorFailure"}, {30534, "binderMemoryExhausted"},
    {30535, "binderUnderTemperature"}, {30536, "binderOverTemperature"}, {30537, "binderTimingFailure"},
    {30538, "binderThermistorFailure"},
    {30603, "trimmerCoverOpen"}, {30604, "trimmerCoverClosed"}, {30605, "trimmerInterlockOpen"},
    {30606, "trimmerInterlockClosed"}, {30607, "trimmerConfigurationChange"}, {30608, "trimmerJam"},
    {30609, "trimmerMissing"}, {30610, "trimmerLifeAlmostOver"}, {30611, "trimmerLifeOver"},
    {30612, "trimmerAlmostEmpty"}, {30613, "trimmerEmpty"}, {30614, "trimmerAlmostFull"},
    {30615, "trimmerFull"}, {30616, "trimmerNearLimit"}, {30617, "trimmerAtLimit"}, {30618, "trimmerOpened"},
    {30619, "trimmerClosed"}, {30620, "trimmerTurnedOn"}, {30621, "trimmerTurnedOff"},
    {30622, "trimmerOffline"}, {30623, "trimmerPowerSaver"}, {30624, "trimmerWarmingUp"},
    {30625, "trimmerAdded"}, {30626, "trimmerRemoved"}, {30627, "trimmerResourceAdded"},
    {30628, "trimmerResourceRemoved"}, {30629, "trimmerRecoverableFailure"},
    {30630, "trimmerUnrecoverableFailure"}, {30631, "trimmerRecoverableStorageError"},
    {30632, "trimmerUnrecoverableStorageError"}, {30633, "trimmerMotorFailure"},
    {30634, "trimmerMemoryExhausted"}, {30635, "trimmerUnderTemperature"}, {30636, "trimmerOverTemperature"},
    {30637, "trimmerTimingFailure"}, {30638, "trimmerThermistorFailure"},
    {30703, "dieCutterCoverOpen"}, {30704, "dieCutterCoverClosed"}, {30705, "dieCutterInterlockOpen"},
    {30706, "dieCutterInterlockClosed"}, {30707, "dieCutterConfigurationChange"}, {30708, "dieCutterJam"},
    {30709, "dieCutterMissing"}, {30710, "dieCutterLifeAlmostOver"}, {30711, "dieCutterLifeOver"},
    {30712, "dieCutterAlmostEmpty"}, {30713, "dieCutterEmpty"}, {30714, "dieCutterAlmostFull"},
    {30715, "dieCutterFull"}, {30716, "dieCutterNearLimit"}, {30717, "dieCutterAtLimit"},
    {30718, "dieCutterOpened"}, {30719, "dieCutterClosed"}, {30720, "dieCutterTurnedOn"},
    {30721, "dieCutterTurnedOff"}, {30722, "dieCutterOffline"}, {30723, "dieCutterPowerSaver"},
    {30724, "dieCutterWarmingUp"}, {30725, "dieCutterAdded"}, {30726, "dieCutterRemoved"},
    {30727, "dieCutterResourceAdded"}, {30728, "dieCutterResourceRemoved"},
    {30729, "dieCutterRecoverableFailure"}, {30730, "dieCutterUnrecoverableFailure"},
    {30731, "dieCutterRecoverableStorageError"}, {30732, "dieCutterUnrecoverableStorageError"},
    {30733, "dieCutterMotorFailure"}, {30734, "dieCutterMemoryExhausted"}, {30735, "dieCutterUnderTemperature"},
    {30736, "dieCutterOverTemperature"}, {30737, "dieCutterTimingFailure"},
    {30738, "dieCutterThermistorFailure"},
    {30803, "puncherCoverOpen"}, {30804, "puncherCoverClosed"}, {30805, "puncherInterlockOpen"},
    {30806, "puncherInterlockClosed"}, {30807, "puncherConfigurationChange"}, {30808, "puncherJam"},
    {30809, "puncherMissing"}, {30810, "puncherLifeAlmostOver"}, {30811, "puncherLifeOver"},
    {30812, "puncherAlmostEmpty"}, {30813, "puncherEmpty"}, {30814, "puncherAlmostFull"},
    {30815, "puncherFull"}, {30816, "puncherNearLimit"}, {30817, "puncherAtLimit"}, {30818, "puncherOpened"},
    {30819, "puncherClosed"}, {30820, "puncherTurnedOn"}, {30821, "puncherTurnedOff"},
    {30822, "puncherOffline"}, {30823, "puncherPowerSaver"}, {30824, "puncherWarmingUp"},
    {30825, "puncherAdded"}, {30826, "puncherRemoved"}, {30827, "puncherResourceAdded"},
    {30828, "puncherResourceRemoved"}, {30829, "puncherRecoverableFailure"},
    {30830, "puncherUnrecoverableFailure"}, {30831, "puncherRecoverableStorageError"},
    {30832, "puncherUnrecoverableStorageError"}, {30833, "puncherMotorFailure"},
    {30834, "puncherMemoryExhausted"}, {30835, "puncherUnderTemperature"}, {30836, "puncherOverTemperature"},
    {30837, "puncherTimingFailure"}, {30838, "puncherThermistorFailure"},
    {30903, "perforaterCoverOpen"}, {30904, "perforaterCoverClosed"}, {30905, "perforaterInterlockOpen"},
    {30906, "perforaterInterlockClosed"}, {30907, "perforaterConfigurationChange"}, {30908, "perforaterJam"},
    {30909, "perforaterMissing"}, {30910, "perforaterLifeAlmostOver"}, {30911, "perforaterLifeOver"},
    {30912, "perforaterAlmostEmpty"}, {30913, "perforaterEmpty"}, {30914, "perforaterAlmostFull"},
    {30915, "perforaterFull"}, {30916, "perforaterNearLimit"}, {30917, "perforaterAtLimit"},
    {30918, "perforaterOpened"}, {30919, "perforaterClosed"}, {30920, "perforaterTurnedOn"},
    {30921, "perforaterTurnedOff"}, {30922, "perforaterOffline"}, {30923, "perforaterPowerSaver"},
    {30924, "perforaterWarmingUp"}, {30925, "perforaterAdded"}, {30926, "perforaterRemoved"},
    {30927, "perforaterResourceAdded"}, {30928, "perforaterResourceRemoved"},
    {30929, "perforaterRecoverableFailure"}, {30930, "perforaterUnrecoverableFailure"},
    {30931, "perforaterRecoverableStorageError"}, {30932, "perforaterUnrecoverableStorageError"},
    {30933, "perforaterMotorFailure"}, {30934, "perforaterMemoryExhausted"},
    {30935, "perforaterUnderTemperature"}, {30936, "perforaterOverTemperature"},
    {30937, "perforaterTimingFailure"}, {30938, "perforaterThermistorFailure"},
    {31003, "slitterCoverOpen"}, {31004, "slitterCoverClosed"}, {31005, "slitterInterlockOpen"},
    {31006, "slitterInterlockClosed"}, {31007, "slitterConfigurationChange"}, {31008, "slitterJam"},
    {31009, "slitterMissing"}, {31010, "slitterLifeAlmostOver"}, {31011, "slitterLifeOver"},
    {31012, "slitterAlmostEmpty"}, {31013, "slitterEmpty"}, {31014, "slitterAlmostFull"},
    {31015, "slitterFull"}, {31016, "slitterNearLimit"}, {31017, "slitterAtLimit"}, {31018, "slitterOpened"},
    {31019, "slitterClosed"}, {31020, "slitterTurnedOn"}, {31021, "slitterTurnedOff"},
    {31022, "slitterOffline"}, {31023, "slitterPowerSaver"}, {31024, "slitterWarmingUp"},
    {31025, "slitterAdded"}, {31026, "slitterRemoved"}, {31027, "slitterResourceAdded"},
    {31028, "slitterResourceRemoved"}, {31029, "slitterRecoverableFailure"},
    {31030, "slitterUnrecoverableFailure"}, {31031, "slitterRecoverableStorageError"},
    {31032, "slitterUnrecoverableStorageError"}, {31033, "slitterMotorFailure"},
    {31034, "slitterMemoryExhausted"}, {31035, "slitterUnderTemperature"}, {31036, "slitterOverTemperature"},
    {31037, "slitterTimingFailure"}, {31038, "slitterThermistorFailure"},
    {31103, "separationCutterCoverOpen"}, {31104, "separationCutterCoverClosed"},
    {31105, "separationCutterInterlockOpen"}, {31106, "separationCutterInterlockClosed"},
    {31107, "separationCutterConfigurationChange"}, {31108, "separationCutterJam"},
    {31109, "separationCutterMissing"}, {31110, "separationCutterLifeAlmostOver"},
    {31111, "separationCutterLifeOver"}, {31112, "separationCutterAlmostEmpty"},
    {31113, "separationCutterEmpty"}, {31114, "separationCutterAlmostFull"}, {31115, "separationCutterFull"},
    {31116, "separationCutterNearLimit"}, {31117, "separationCutterAtLimit"}, {31118, "separationCutterOpened"},
    {31119, "separationCutterClosed"}, {31120, "separationCutterTurnedOn"},
    {31121, "separationCutterTurnedOff"}, {31122, "separationCutterOffline"},
    {31123, "separationCutterPowerSaver"}, {31124, "separationCutterWarmingUp"},
    {31125, "separationCutterAdded"}, {31126, "separationCutterRemoved"},
    {31127, "separationCutterResourceAdded"}, {31128, "separationCutterResourceRemoved"},
    {31129, "separationCutterRecoverableFailure"}, {31130, "separationCutterUnrecoverableFailure"},
    {31131, "separationCutterRecoverableStorageError"}, {31132, "separationCutterUnrecoverableStorageError"},
    {31133, "separationCutterMotorFailure"}, {31134, "separationCutterMemoryExhausted"},
    {31135, "separationCutterUnderTemperature"}, {31136, "separationCutterOverTemperature"},
    {31137, "separationCutterTimingFailure"}, {31138, "separationCutterThermistorFailure"},
    {31203, "imprinterCoverOpen"}, {31204, "imprinterCoverClosed"}, {31205, "imprinterInterlockOpen"},
    {31206, "imprinterInterlockClosed"}, {31207, "imprinterConfigurationChange"}, {31208, "imprinterJam"},
    {31209, "imprinterMissing"}, {31210, "imprinterLifeAlmostOver"}, {31211, "imprinterLifeOver"},
    {31212, "imprinterAlmostEmpty"}, {31213, "imprinterEmpty"}, {31214, "imprinterAlmostFull"},
    {31215, "imprinterFull"}, {31216, "imprinterNearLimit"}, {31217, "imprinterAtLimit"},
    {31218, "imprinterOpened"}, {31219, "imprinterClosed"}, {31220, "imprinterTurnedOn"},
    {31221, "imprinterTurnedOff"}, {31222, "imprinterOffline"}, {31223, "imprinterPowerSaver"},
    {31224, "imprinterWarmingUp"}, {31225, "imprinterAdded"}, {31226, "imprinterRemoved"},
    {31227, "imprinterResourceAdded"}, {31228, "imprinterResourceRemoved"},
    {31229, "imprinterRecoverableFailure"}, {31230, "imprinterUnrecoverableFailure"},
    {31231, "imprinterRecoverableStorageError"}, {31232, "imprinterUnrecoverableStorageError"},
    {31233, "imprinterMotorFailure"}, {31234, "imprinterMemoryExhausted"}, {31235, "imprinterUnderTemperature"},
    {31236, "imprinterOverTemperature"}, {31237, "imprinterTimingFailure"},
    {31238, "imprinterThermistorFailure"},
    {31303, "wrapperCoverOpen"}, {31304, "wrapperCoverClosed"}, {31305, "wrapperInterlockOpen"},
    {31306, "wrapperInterlockClosed"}, {31307, "wrapperConfigurationChange"}, {31308, "wrapperJam"},
    {31309, "wrapperMissing"}, {31310, "wrapperLifeAlmostOver"}, {31311, "wrapperLifeOver"},
    {31312, "wrapperAlmostEmpty"}, {31313, "wrapperEmpty"}, {31314, "wrapperAlmostFull"},
    {31315, "wrapperFull"}, {31316, "wrapperNearLimit"}, {31317, "wrapperAtLimit"}, {31318, "wrapperOpened"},
    {31319, "wrapperClosed"}, {31320, "wrapperTurnedOn"}, {31321, "wrapperTurnedOff"},
    {31322, "wrapperOffline"}, {31323, "wrapperPowerSaver"}, {31324, "wrapperWarmingUp"},
    {31325, "wrapperAdded"}, {31326, "wrapperRemoved"}, {31327, "wrapperResourceAdded"},
    {31328, "wrapperResourceRemoved"}, {31329, "wrapperRecoverableFailure"},
    {31330, "wrapperUnrecoverableFailure"}, {31331, "wrapperRecoverableStorageError"},
    {31332, "wrapperUnrecoverableStorageError"}, {31333, "wrapperMotorFailure"},
    {31334, "wrapperMemoryExhausted"}, {31335, "wrapperUnderTemperature"}, {31336, "wrapperOverTemperature"},
    {31337, "wrapperTimingFailure"}, {31338, "wrapperThermistorFailure"},
    {31403, "banderCoverOpen"}, {31404, "banderCoverClosed"}, {31405, "banderInterlockOpen"},
    {31406, "banderInterlockClosed"}, {31407, "banderConfigurationChange"}, {31408, "banderJam"},
    {31409, "banderMissing"}, {31410, "banderLifeAlmostOver"}, {31411, "banderLifeOver"},
    {31412, "banderAlmostEmpty"}, {31413, "banderEmpty"}, {31414, "banderAlmostFull"}, {31415, "banderFull"},
    {31416, "banderNearLimit"}, {31417, "banderAtLimit"}, {31418, "banderOpened"}, {31419, "banderClosed"},
    {31420, "banderTurnedOn"}, {31421, "banderTurnedOff"}, {31422, "banderOffline"},
    {31423, "banderPowerSaver"}, {31424, "banderWarmingUp"}, {31425, "banderAdded"}, {31426, "banderRemoved"},
    {31427, "banderResourceAdded"}, {31428, "banderResourceRemoved"}, {31429, "banderRecoverableFailure"},
    {31430, "banderUnrecoverableFailure"}, {31431, "banderRecoverableStorageError"},
    {31432, "banderUnrecoverableStorageError"}, {31433, "banderMotorFailure"}, {31434, "banderMemoryExhausted"},
    {31435, "banderUnderTemperature"}, {31436, "banderOverTemperature"}, {31437, "banderTimingFailure"},
    {31438, "banderThermistorFailure"},
    {31503, "makeEnvelopeCoverOpen"}, {31504, "makeEnvelopeCoverClosed"}, {31505, "makeEnvelopeInterlockOpen"},
    {31506, "makeEnvelopeInterlockClosed"}, {31507, "makeEnvelopeConfigurationChange"},
    {31508, "makeEnvelopeJam"}, {31509, "makeEnvelopeMissing"}, {31510, "makeEnvelopeLifeAlmostOver"},
    {31511, "makeEnvelopeLifeOver"}, {31512, "makeEnvelopeAlmostEmpty"}, {31513, "makeEnvelopeEmpty"},
    {31514, "makeEnvelopeAlmostFull"}, {31515, "makeEnvelopeFull"}, {31516, "makeEnvelopeNearLimit"},
    {31517, "makeEnvelopeAtLimit"}, {31518, "makeEnvelopeOpened"}, {31519, "makeEnvelopeClosed"},
    {31520, "makeEnvelopeTurnedOn"}, {31521, "makeEnvelopeTurnedOff"}, {31522, "makeEnvelopeOffline"},
    {31523, "makeEnvelopePowerSaver"}, {31524, "makeEnvelopeWarmingUp"}, {31525, "makeEnvelopeAdded"},
    {31526, "makeEnvelopeRemoved"}, {31527, "makeEnvelopeResourceAdded"},
    {31528, "makeEnvelopeResourceRemoved"}, {31529, "makeEnvelopeRecoverableFailure"},
    {31530, "makeEnvelopeUnrecoverableFailure"}, {31531, "makeEnvelopeRecoverableStorageError"},
    {31532, "makeEnvelopeUnrecoverableStorageError"}, {31533, "makeEnvelopeMotorFailure"},
    {31534, "makeEnvelopeMemoryExhausted"}, {31535, "makeEnvelopeUnderTemperature"},
    {31536, "makeEnvelopeOverTemperature"}, {31537, "makeEnvelopeTimingFailure"},
    {31538, "makeEnvelopeThermistorFailure"},
    {31603, "stackerCoverOpen"}, {31604, "stackerCoverClosed"}, {31605, "stackerInterlockOpen"},
    {31606, "stackerInterlockClosed"}, {31607, "stackerConfigurationChange"}, {31608, "stackerJam"},
    {31609, "stackerMissing"}, {31610, "stackerLifeAlmostOver"}, {31611, "stackerLifeOver"},
    {31612, "stackerAlmostEmpty"}, {31613, "stackerEmpty"}, {31614, "stackerAlmostFull"},
    {31615, "stackerFull"}, {31616, "stackerNearLimit"}, {31617, "stackerAtLimit"}, {31618, "stackerOpened"},
    {31619, "stackerClosed"}, {31620, "stackerTurnedOn"}, {31621, "stackerTurnedOff"},
    {31622, "stackerOffline"}, {31623, "stackerPowerSaver"}, {31624, "stackerWarmingUp"},
    {31625, "stackerAdded"}, {31626, "stackerRemoved"}, {31627, "stackerResourceAdded"},
    {31628, "stackerResourceRemoved"}, {31629, "stackerRecoverableFailure"},
    {31630, "stackerUnrecoverableFailure"}, {31631, "stackerRecoverableStorageError"},
    {31632, "stackerUnrecoverableStorageError"}, {31633, "stackerMotorFailure"},
    {31634, "stackerMemoryExhausted"}, {31635, "stackerUnderTemperature"}, {31636, "stackerOverTemperature"},
    {31637, "stackerTimingFailure"}, {31638, "stackerThermistorFailure"},
    {31703, "sheetRotatorCoverOpen"}, {31704, "sheetRotatorCoverClosed"}, {31705, "sheetRotatorInterlockOpen"},
    {31706, "sheetRotatorInterlockClosed"}, {31707, "sheetRotatorConfigurationChange"},
    {31708, "sheetRotatorJam"}, {31709, "sheetRotatorMissing"}, {31710, "sheetRotatorLifeAlmostOver"},
    {31711, "sheetRotatorLifeOver"}, {31712, "sheetRotatorAlmostEmpty"}, {31713, "sheetRotatorEmpty"},
    {31714, "sheetRotatorAlmostFull"}, {31715, "sheetRotatorFull"}, {31716, "sheetRotatorNearLimit"},
    {31717, "sheetRotatorAtLimit"}, {31718, "sheetRotatorOpened"}, {31719, "sheetRotatorClosed"},
    {31720, "sheetRotatorTurnedOn"}, {31721, "sheetRotatorTurnedOff"}, {31722, "sheetRotatorOffline"},
    {31723, "sheetRotatorPowerSaver"}, {31724, "sheetRotatorWarmingUp"}, {31725, "sheetRotatorAdded"},
    {31726, "sheetRotatorRemoved"}, {31727, "sheetRotatorResourceAdded"},
    {31728, "sheetRotatorResourceRemoved"}, {31729, "sheetRotatorRecoverableFailure"},
    {31730, "sheetRotatorUnrecoverableFailure"}, {31731, "sheetRotatorRecoverableStorageError"},
    {31732, "sheetRotatorUnrecoverableStorageError"}, {31733, "sheetRotatorMotorFailure"},
    {31734, "sheetRotatorMemoryExhausted"}, {31735, "sheetRotatorUnderTemperature"},
    {31736, "sheetRotatorOverTemperature"}, {31737, "sheetRotatorTimingFailure"},
    {31738, "sheetRotatorThermistorFailure"},
    {31803, "inserterCoverOpen"}, {31804, "inserterCoverClosed"}, {31805, "inserterInterlockOpen"},
    {31806, "inserterInterlockClosed"}, {31807, "inserterConfigurationChange"}, {31808, "inserterJam"},
    {31809, "inserterMissing"}, {31810, "inserterLifeAlmostOver"}, {31811, "inserterLifeOver"},
    {31812, "inserterAlmostEmpty"}, {31813, "inserterEmpty"}, {31814, "inserterAlmostFull"},
    {31815, "inserterFull"}, {31816, "inserterNearLimit"}, {31817, "inserterAtLimit"},
    {31818, "inserterOpened"}, {31819, "inserterClosed"}, {31820, "inserterTurnedOn"},
    {31821, "inserterTurnedOff"}, {31822, "inserterOffline"}, {31823, "inserterPowerSaver"},
    {31824, "inserterWarmingUp"}, {31825, "inserterAdded"}, {31826, "inserterRemoved"},
    {31827, "inserterResourceAdded"}, {31828, "inserterResourceRemoved"}, {31829, "inserterRecoverableFailure"},
    {31830, "inserterUnrecoverableFailure"}, {31831, "inserterRecoverableStorageError"},
    {31832, "inserterUnrecoverableStorageError"}, {31833, "inserterMotorFailure"},
    {31834, "inserterMemoryExhausted"}, {31835, "inserterUnderTemperature"}, {31836, "inserterOverTemperature"},
    {31837, "inserterTimingFailure"}, {31838, "inserterThermistorFailure"},
};
extern const NameTable PRTALERTCODE = PRTALERTCODE_NAMES;
