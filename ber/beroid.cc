// beroid: placeholder until its subsystem lands.
namespace {}
