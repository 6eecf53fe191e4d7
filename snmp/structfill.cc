// structfill: placeholder until its subsystem lands.
namespace {}
