#pragma once
// The application shell and the one place the notifier's real collaborators
// are chosen: builds them, launches the delegate, runs the main io_context
// until SIGTERM or SIGINT, then has the delegate end the coordinator before
// anything it used goes away. Returns the exit status.
// Requires: the main thread, once per process; a positive interval.
// Failed checks never end it; only a signal does, with status 0.
namespace qm {

int ApplicationMain(double checkInterval);

}  // namespace qm
