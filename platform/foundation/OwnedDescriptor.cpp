#include "platform/foundation/OwnedDescriptor.h"

#include <unistd.h>

namespace platform::foundation {

OwnedDescriptor::~OwnedDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform::foundation
