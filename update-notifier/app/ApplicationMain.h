#pragma once
// The application shell and the one place the notifier's real collaborators
// are chosen. Requires: the main thread, once per process.
namespace qm {

// Builds the collaborators, launches the delegate, runs the main io_context
// until SIGTERM, SIGINT or SIGHUP, then has the delegate end the coordinator
// before anything it used goes away. Failed checks never end it; only a
// signal does, with status 0. Requires: a positive interval.
int ApplicationMain(double checkInterval);

// The exit statuses of CheckOnceMain.
inline constexpr int kUpToDateStatus = 0;
inline constexpr int kCouldNotCheckStatus = 1;
inline constexpr int kNewerPublishedStatus = 3;

// One check at once with the same collaborators (OneShotCheck): its outcome
// on standard error, a notification only with `notify`. Returns
// kUpToDateStatus, kNewerPublishedStatus or kCouldNotCheckStatus.
int CheckOnceMain(bool notify);

}  // namespace qm
