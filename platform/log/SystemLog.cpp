#include "platform/log/SystemLog.h"

#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace platform::log {
namespace {

bool journalRunning() { return access("/run/systemd/journal/socket", W_OK) == 0; }

}  // namespace

void systemLog(std::string_view line) {
    std::string text(line);
    // One record per call: an embedded line break would split it in two.
    for (char& c : text) if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    if (journalRunning()) sd_journal_print(LOG_NOTICE, "%s", text.c_str());
}

}  // namespace platform::log
