#include "platform/foundation/Result.h"

#include <cstring>

namespace platform {

tl::unexpected<Error> failErrno(const std::string& what, int errnum) {
    return fail(what + ": " + std::strerror(errnum), errnum);
}

}  // namespace platform
