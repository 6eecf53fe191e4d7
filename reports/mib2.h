// MIB-II (RFC 1213): the general request (description, contact and location,
// network configuration, the MIB-support answers), the contact/location
// SetRequest, and the TCP connection report.
#pragma once

#include <string>
#include <string_view>

class ReportContext;

// General probe: vendor, model, contact, network configuration, MIB support;
// fills capFlags bits 3, 4 and the vendor code, and runs the HP settings.
void do_general_get(ReportContext &ctx);

// --setcontact / --setlocation: new sysContact and sysLocation in one
// SetRequest. The reply is not looked at; a printer that refuses throws, and
// the worker's top level reports it.
void do_set_contact_location(ReportContext &ctx);

// One line per -n/--connection port, in the order of the run's settings.
void do_connections(ReportContext &ctx);

// The hwaddr field value: six bytes, each followed by ':'.
std::string format_hwaddr(std::string_view bytes);
