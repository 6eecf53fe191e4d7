// Where an SNMP session's warnings go: the printer's output, which knows how
// to write them; standard error when a session has none.
#pragma once

#include <string>

class SNMP_warning_sink {
 public:
    // text ends in "\n"; namesPrinter: the text names the printer itself.
    virtual void warn(const std::string &text, bool namesPrinter) = 0;

 protected:
    ~SNMP_warning_sink() = default;
};
