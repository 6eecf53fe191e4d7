// session: placeholder until its subsystem lands.
namespace {}
