// Files of unfinished jobs, removed when a signal ends the run: a run that
// is stopped (SIGTERM, SIGINT, SIGHUP and the other signals that end a
// process) leaves no half-written file behind. Signals the process ignores
// stay ignored, and handlers others installed stay theirs.
#pragma once

namespace posix {

// From now until forgetOnSignal(path), a signal that ends the run removes
// path first. path must stay valid and unchanged until then. A run writes
// one job; four such files at a time are kept track of, more are not.
void removeOnSignal(const char* path);
void forgetOnSignal(const char* path);

}  // namespace posix
