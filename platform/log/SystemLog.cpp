#include "platform/log/SystemLog.h"

#include <sys/stat.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::log {
namespace {

bool journalRunning() { return access("/run/systemd/journal/socket", W_OK) == 0; }

template <typename Number>
bool parseNumber(const char* begin, const char* end, Number& value) {
    const auto [next, error] = std::from_chars(begin, end, value);
    return error == std::errc{} && next == end && begin != end;
}

std::string oneLine(std::string_view line) {
    std::string text(line);
    for (char& c : text) if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

bool isJournalStream(int fd, const char* journalStream) {
    if (journalStream == nullptr) return false;
    const char* colon = std::strchr(journalStream, ':');
    if (colon == nullptr) return false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    if (!parseNumber(journalStream, colon, device) ||
        !parseNumber(colon + 1, colon + std::strlen(colon), inode))
        return false;
    struct stat st {};
    return fstat(fd, &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

void systemLog(Priority priority, std::string_view line) {
    const std::string text = oneLine(line);
    const int level = static_cast<int>(priority);
    // Writing to both would give every line twice in the journal, and the
    // stream copy without its priority.
    if (isJournalStream(STDERR_FILENO, std::getenv("JOURNAL_STREAM"))) {
        sd_journal_print(level, "%s", text.c_str());
        return;
    }
    // On a terminal or in a file, a cause reads as one, apart from the fixed lines.
    std::fprintf(stderr, "%s%s\n", priority == Priority::debug ? "debug: " : "", text.c_str());
    std::fflush(stderr);
    if (journalRunning()) sd_journal_print(level, "%s", text.c_str());
}

void systemLog(std::string_view line) { systemLog(Priority::notice, line); }

void debugLog(std::string_view line) { systemLog(Priority::debug, line); }

}  // namespace platform::log
