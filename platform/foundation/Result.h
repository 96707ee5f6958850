#pragma once
// The one way a fallible operation reports failure in these programs: it
// returns a value or an Error that a person can act on. Exceptions never
// cross a module boundary, and no function reports failure through an
// out-parameter or an `.error` field of its own.
//
// tl::expected has the interface of C++23's std::expected, so moving to the
// standard type is a rename once the toolchain has it.
#include <string>
#include <tl/expected.hpp>

namespace platform {

struct Error {
    // What failed and why, naming the file, key or argument at fault, ready
    // to be logged or printed as it stands.
    std::string message;
    // The errno behind the failure; 0 where there is none.
    int errnum = 0;
};

template <class T = void>
using Result = tl::expected<T, Error>;

// The failure side of a Result: `return fail("no such key");`.
inline tl::unexpected<Error> fail(std::string message, int errnum = 0) {
    return tl::unexpected<Error>(Error{std::move(message), errnum});
}

// A failed system call: the message is "WHAT: strerror(errnum)".
// Any thread.
tl::unexpected<Error> failErrno(const std::string& what, int errnum);

}  // namespace platform
