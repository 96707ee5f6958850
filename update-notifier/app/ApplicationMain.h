#pragma once
// The application shell: launches the delegate, runs the main io_context until
// SIGTERM or SIGINT, then lets the delegate know. Returns the exit status.
// Requires: the main thread, once per process; requires a positive interval.
// Failed checks never end it; only a signal does, with status 0.
namespace qm {

int ApplicationMain(double checkInterval);

}  // namespace qm
