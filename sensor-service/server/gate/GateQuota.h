#pragma once
// How many client checks may wait and run at once, in all and per peer user.
//
// Why these caps: every waiting check pins a socket and a queue slot until a
// worker has decided it, so without a cap on all of them a flood of
// connections would grow the service without limit. A check can also take
// long or never end (an Info.plist on a file system its owner serves and never
// answers); each user may therefore run only a few checks at a time, fewer
// than there are workers, and a worker passes over the waiting checks of a
// user at that limit: whatever one user does, a worker stays free for the
// others.
//
// Places are not split between users in advance: a burst of one user (the
// main application opening many connections at once) may take every free
// place, since its checks are usually decided at once from a remembered
// verdict. Each user has a share of the places, though; a user beyond its
// share holds borrowed places, and a check of another user still under its
// share takes one back: the newest waiting check of a borrowing user is
// refused to make room (the gate does that). So one user's flood, however
// slow its checks, never keeps another user's checks out; it only ever loses
// its own connections.
//
// Not thread-safe: the caller serialises all calls.
#include <sys/types.h>

#include <cstddef>
#include <map>

namespace vrl {

class GateQuota {
public:
    // Requires 0 < runningPerUser, 0 < share < total.
    GateQuota(std::size_t total, std::size_t share, std::size_t runningPerUser);

    // A new check of user, counted as waiting while a place is free; false
    // and nothing counted otherwise.
    bool tryAdmit(uid_t user);
    // Whether user holds fewer places than its share, so that a check of it
    // may take back a place another user borrowed.
    bool mayReclaim(uid_t user) const;
    // Whether user holds more places than its share.
    bool isBorrowing(uid_t user) const;
    // Whether a waiting check of user may start now.
    bool mayStart(uid_t user) const;
    // Requires an admitted check of user that has not started.
    void started(uid_t user);
    // Requires a started check of user; ends its count.
    void finished(uid_t user);
    // Requires an admitted check of user that has not started; ends its count
    // (the check is refused to give its place back).
    void withdrawn(uid_t user);

private:
    struct UserLoad {
        std::size_t admitted = 0;  // waiting or running
        std::size_t running = 0;
    };

    void release(uid_t user, bool wasRunning);

    std::size_t total_;
    std::size_t share_;
    std::size_t runningPerUser_;
    std::size_t admitted_ = 0;
    std::map<uid_t, UserLoad> byUser_;
};

}  // namespace vrl
