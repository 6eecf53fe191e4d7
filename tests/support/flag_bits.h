// The bit values of the flag words and of the capability word, as tests
// write them: the command line's bit table, independent of the option table
// it checks.
#pragma once

#include <cstdint>

// flags[0]
inline constexpr std::uint64_t F0_VERSION = 0x8;
inline constexpr std::uint64_t F0_ALL = 0x10;
inline constexpr std::uint64_t F0_DEBUGSNMP = 0x20;
inline constexpr std::uint64_t F0_NAME = 0x40;
inline constexpr std::uint64_t F0_MODEL = 0x80;
inline constexpr std::uint64_t F0_CONTACT = 0x100;
inline constexpr std::uint64_t F0_NETCONFIG = 0x200;
inline constexpr std::uint64_t F0_HOSTMIB = 0x400;
inline constexpr std::uint64_t F0_PRINTMIB = 0x800;
inline constexpr std::uint64_t F0_VENDOR = 0x1000;
inline constexpr std::uint64_t F0_STORAGE = 0x2000;
inline constexpr std::uint64_t F0_STATUS = 0x4000;
inline constexpr std::uint64_t F0_MEMORY = 0x8000;
inline constexpr std::uint64_t F0_MEDIAPATH = 0x10000;
inline constexpr std::uint64_t F0_MAXPAPERSIZE = 0x20000;
inline constexpr std::uint64_t F0_ENGINESPEED = 0x40000;
inline constexpr std::uint64_t F0_DUPLEX = 0x80000;
inline constexpr std::uint64_t F0_MINPAPERSIZE = 0x100000;
inline constexpr std::uint64_t F0_INPUTTRAY = 0x200000;
inline constexpr std::uint64_t F0_TABLOID = 0x400000;
inline constexpr std::uint64_t F0_A4 = 0x800000;
inline constexpr std::uint64_t F0_B4 = 0x1000000;
inline constexpr std::uint64_t F0_EXECUTIVE = 0x2000000;
inline constexpr std::uint64_t F0_A3 = 0x4000000;
inline constexpr std::uint64_t F0_B5 = 0x8000000;
inline constexpr std::uint64_t F0_LETTER = 0x10000000;
inline constexpr std::uint64_t F0_LEGAL = 0x20000000;
inline constexpr std::uint64_t F0_DISPLAY = 0x40000000;
inline constexpr std::uint64_t F0_COVERS = 0x80000000;

// flags[1]
inline constexpr std::uint64_t F1_LANGUAGES = 0x8;
inline constexpr std::uint64_t F1_PJL = 0x10;
inline constexpr std::uint64_t F1_HPGL = 0x20;
inline constexpr std::uint64_t F1_PSPRINTER = 0x40;
inline constexpr std::uint64_t F1_AUTOLANG = 0x80;
inline constexpr std::uint64_t F1_POSTSCRIPT = 0x100;
inline constexpr std::uint64_t F1_PCL = 0x200;
inline constexpr std::uint64_t F1_MARKER = 0x400;
inline constexpr std::uint64_t F1_PAGECOUNT = 0x800;
inline constexpr std::uint64_t F1_COLORS = 0x1000;
inline constexpr std::uint64_t F1_RESOLUTION = 0x2000;
inline constexpr std::uint64_t F1_MINMARGIN = 0x4000;
inline constexpr std::uint64_t F1_PROTOCOL = 0x8000;
inline constexpr std::uint64_t F1_APPLETALK = 0x10000;
inline constexpr std::uint64_t F1_LPD = 0x20000;
inline constexpr std::uint64_t F1_NETWARE = 0x40000;
inline constexpr std::uint64_t F1_PORT9100 = 0x80000;
inline constexpr std::uint64_t F1_SUPPLIES = 0x100000;
inline constexpr std::uint64_t F1_ALERTS = 0x200000;
inline constexpr std::uint64_t F1_REBOOT = 0x400000;
inline constexpr std::uint64_t F1_CFGSRC = 0x800000;
// --generic: printers no vendor rule knows are probed for the standard MIBs.
inline constexpr std::uint64_t F1_GENERIC = 0x1000000;
// --serial: prtGeneralSerialNumber of the Printer MIB.
inline constexpr std::uint64_t F1_SERIAL = 0x2000000;
// --json: one JSON object per printer instead of the classic lines.
inline constexpr std::uint64_t F1_JSON = 0x4000000;
// --keep-going: a name that does not resolve fails alone.
inline constexpr std::uint64_t F1_KEEPGOING = 0x10000000;
// --no-progress: no progress line on a terminal.
inline constexpr std::uint64_t F1_NOPROGRESS = 0x20000000;

// flags[2]: options whose argument is kept in settings[n - 3] for bit n.
inline constexpr std::uint64_t F2_MAXPROC = 0x8;
inline constexpr std::uint64_t F2_SETCONTACT = 0x10;
inline constexpr std::uint64_t F2_SETLOCATION = 0x20;
inline constexpr std::uint64_t F2_UPDATEFIRMWARE = 0x40;

// Groups of report bits.
inline constexpr std::uint64_t F0_HOSTRES_MASK = 0xe000;       // storage, status, memory
inline constexpr std::uint64_t F0_PRINTMIB_MASK = 0xffff0000;  // mediapath .. covers
inline constexpr std::uint64_t F1_PRINTMIB_MASK = 0x7ffff8 | F1_SERIAL;  // languages .. reboot, serial
inline constexpr std::uint64_t F1_PRINTMIB_REPORT_MASK = F1_PRINTMIB_MASK & ~F1_REBOOT;

// capFlags: one word per printer.
inline constexpr std::uint64_t CAP_WANT_HOSTRES = 0x1;
inline constexpr std::uint64_t CAP_WANT_PRINTMIB = 0x2;
inline constexpr std::uint64_t CAP_WANT_VENDOR = 0x4;
inline constexpr std::uint64_t CAP_HAS_HOSTRES = 0x8;
inline constexpr std::uint64_t CAP_HAS_PRINTMIB = 0x10;
inline constexpr int CAP_VENDOR_SHIFT = 8;

