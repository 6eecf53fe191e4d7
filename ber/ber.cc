// ber: placeholder until its subsystem lands.
namespace {}
