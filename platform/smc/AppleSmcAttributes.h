#pragma once
// The attribute files of the kernel's applesmc device, as the driver uses
// them. key_at_index is one selection for the whole system, shared with every
// other process; the key_at_index_* attributes describe and read whatever key
// it selects at the moment of the read. The real files by default
// (AppleSmcAttributeFiles), an in-memory fake in tests.
#include <span>
#include <string_view>

#include "platform/smc/AttributeFile.h"

namespace platform::smc {

enum class AppleSmcAttribute {
    keyCount,              // "%d\n": the SMC's key count, one SMC transaction per read
    keyAtIndex,            // "%d\n": the selection; writing a number selects, EINVAL out of range
    keyAtIndexName,        // "%s\n" of the selected key; EIO where the SMC cannot describe it
    keyAtIndexType,        // "%s\n", four characters, a trailing blank kept
    keyAtIndexDataLength,  // "%d\n"
    keyAtIndexData,        // the raw bytes, one SMC transaction per read
};

class AppleSmcAttributes {
public:
    virtual ~AppleSmcAttributes() = default;
    // Opens every attribute (key_at_index for writing too), or fails as the
    // first that failed did, leaving none open. Once it has succeeded, later
    // calls succeed at once. Callers serialise every call.
    virtual Result<> open() = 0;
    // Closes every attribute, so that the next open() opens them by path
    // again: what is left to do once the driver has gone away (its old files
    // fail with ENODEV for ever). Reads and writes fail with EBADF until then.
    virtual void close() = 0;
    // One read of the whole content from its start: the bytes produced.
    // Failures carry the errno (EBADF before a successful open).
    virtual Result<size_t> read(AppleSmcAttribute which, std::span<char> buffer) = 0;
    // One store of `text`; failures carry the errno (EBADF before a
    // successful open).
    virtual Result<> write(AppleSmcAttribute which, std::string_view text) = 0;
};

}  // namespace platform::smc
