// The base of every exception that ends or changes one printer's work: the
// BER layer's decode refusals and the SNMP layer's exchange errors (snmp/errors.h).
#pragma once

#include <stdexcept>

class PrinterError : public std::runtime_error {
 public:
    using std::runtime_error::runtime_error;
};
