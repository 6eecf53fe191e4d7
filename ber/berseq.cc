// berseq: placeholder until its subsystem lands.
namespace {}
