// oidseq: placeholder until its subsystem lands.
namespace {}
