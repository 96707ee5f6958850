#pragma once
// Clang's thread-safety attributes: a member says which mutex guards it and a
// function which mutex it needs, and `-Wthread-safety` checks every access
// against that at compile time. Other compilers see nothing.
#if defined(__clang__)
#define VRL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VRL_THREAD_ANNOTATION(x)
#endif

// A type whose objects are locks.
#define CAPABILITY(name) VRL_THREAD_ANNOTATION(capability(name))
// A type that holds a lock for its own lifetime.
#define SCOPED_CAPABILITY VRL_THREAD_ANNOTATION(scoped_lockable)
// Read or written only while the given mutex is held.
#define GUARDED_BY(mutex) VRL_THREAD_ANNOTATION(guarded_by(mutex))
// The pointee is read or written only while the given mutex is held.
#define PT_GUARDED_BY(mutex) VRL_THREAD_ANNOTATION(pt_guarded_by(mutex))
// Called only with the given mutexes held.
#define REQUIRES(...) VRL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
// Called only with the given mutexes not held (it takes them itself).
#define EXCLUDES(...) VRL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// Takes the given mutexes (this object's own when none is named).
#define ACQUIRE(...) VRL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
// Gives the given mutexes back (this object's own when none is named).
#define RELEASE(...) VRL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// Tells the analysis that the mutex is held here, where it cannot see why.
#define ASSERT_CAPABILITY(mutex) VRL_THREAD_ANNOTATION(assert_capability(mutex))
// Not checked: for the few functions the analysis cannot follow.
#define NO_THREAD_SAFETY_ANALYSIS VRL_THREAD_ANNOTATION(no_thread_safety_analysis)
