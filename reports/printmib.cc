// printmib: placeholder until its subsystem lands.
namespace {}
