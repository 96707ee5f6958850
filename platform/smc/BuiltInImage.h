#pragma once
// The SMC of a MacBookPro11,1, compiled in so the service can run as a demo
// on a machine without an SMC.
#include "platform/smc/SmcImage.h"

namespace platform::smc {

SmcImage builtInImage();

}  // namespace platform::smc
