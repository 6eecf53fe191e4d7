// prowlethelpers: placeholder until its subsystem lands.
namespace {}
