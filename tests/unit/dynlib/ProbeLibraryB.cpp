// The second library for the dynamic loading tests: the same answer name
// with another value, so a test can tell which library was used.
extern "C" __attribute__((visibility("default"))) int quorlexProbeAnswer() { return 2; }
