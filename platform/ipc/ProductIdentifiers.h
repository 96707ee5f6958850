#pragma once
// The product's one definition of the identifier the service admits: a peer
// is answered only when it runs from inside an application bundle whose
// Info.plist gives this CFBundleIdentifier, exactly. The service's gate, the
// client library, the build (which reads it from this file) and the tests
// all take it from here.
namespace platform::ipc {

inline constexpr const char* kAdmittedBundleIdentifier = "com.quenmoor.vorrel";

}  // namespace platform::ipc
