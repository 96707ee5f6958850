#pragma once
// What kind of file a stat mode describes, for messages that refuse it.
#include <string>
#include <sys/types.h>

namespace platform::foundation {

// "a regular file", "a directory", "a FIFO", "a character device"... Any
// thread; cannot fail.
std::string fileKind(mode_t mode);

}  // namespace platform::foundation
