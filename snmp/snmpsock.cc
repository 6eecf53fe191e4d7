// snmpsock: placeholder until its subsystem lands.
namespace {}
