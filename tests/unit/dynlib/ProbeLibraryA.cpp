// A small library for the dynamic loading tests: exports an answer that
// tells which library a function came from, and one name only it has.
extern "C" __attribute__((visibility("default"))) int quorlexProbeAnswer() { return 1; }
extern "C" __attribute__((visibility("default"))) int quorlexProbeOnlyInA() { return 11; }
