#pragma once
// The application shell: launches the delegate, runs the main io_context until
// SIGTERM or SIGINT, then lets the delegate know. Returns the exit status.
namespace qm {

int ApplicationMain(double checkInterval);

}  // namespace qm
