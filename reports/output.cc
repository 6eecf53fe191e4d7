// output: placeholder until its subsystem lands.
namespace {}
