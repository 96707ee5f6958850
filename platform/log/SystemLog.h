#pragma once
// The system log: one record per call, with a priority. Under systemd, where
// standard error already is a journal stream, the record goes to the journal
// only; otherwise it goes to standard error, and to the journal when one runs.
//
// Every function here may be called from any thread; none throws. A record
// that cannot be written is dropped.
#include <string_view>

namespace platform::log {

// The syslog levels the programs use. `notice` is reserved for the few fixed
// lines the programs are known by; causes a user may need to look up go at
// `debug`, so that they stay out of a default journal view.
enum class Priority { error = 3, warning = 4, notice = 5, info = 6, debug = 7 };

// A line at notice priority.
void systemLog(std::string_view line);
// A line at the given priority. Line breaks inside `line` become blanks, so a
// call is always exactly one record. On standard error a debug line starts
// with "debug: ".
void systemLog(Priority priority, std::string_view line);
// Shorthand for systemLog(Priority::debug, line).
void debugLog(std::string_view line);

// Whether `fd` is the stream systemd connected to the journal for this
// process: `journalStream` is the value of $JOURNAL_STREAM ("DEVICE:INODE");
// null, malformed or naming another file gives false.
bool isJournalStream(int fd, const char* journalStream);

}  // namespace platform::log
