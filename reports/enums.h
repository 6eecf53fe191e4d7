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

// The tables (enum_tables.cc). The Printer MIB's tables name every value of
// the current Printer MIB (RFC 3805 and IANA's Printer MIB); the interpreter
// languages and channel types without their "lang" and "ch" prefixes.
extern const NameTable HRSTATUSSTATES;
extern const NameTable TCPCONNSTATES;
extern const NameTable HPCFGSOURCESTATES;
extern const NameTable MARKTECH;
extern const NameTable MARKERCOUNTERUNIT;
extern const NameTable MEDIAUNIT;
extern const NameTable MEDIASPEEDUNIT;
extern const NameTable MEDIATYPE;
extern const NameTable INPUTTYPE;
extern const NameTable CAPACITYUNIT;
extern const NameTable LANGUAGES;
extern const NameTable ORIENTATIONS;
extern const NameTable TWOWAY;
extern const NameTable CHANNELTYPE;
extern const NameTable CHANNELSTATE;
extern const NameTable COVERSTATUS;
extern const NameTable MARKERSUPPLIESCLASS;
extern const NameTable MARKERSUPPLIESTYPE;
extern const NameTable MARKERSUPPLIESUNIT;
extern const NameTable PRTALERTSEVERITYLEVEL;
extern const NameTable PRTALERTTRAININGLEVEL;
extern const NameTable PRTALERTGROUP;
extern const NameTable PRTALERTCODE;

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
