#pragma once
// How many client checks may wait and run at once, in all and per peer user.
//
// Why these caps: every waiting check pins a socket and a queue slot until a
// worker has decided it, so without a cap on all of them a flood of
// connections would grow the service without limit; and without a smaller
// cap per user, one user's flood would fill that cap and every other user,
// the main application's among them, would be refused. A check can also take
// long or never end (an Info.plist on a file system its owner serves and never
// answers); each user may therefore run only a few checks at a time, fewer
// than there are workers, and a worker passes over the waiting checks of a
// user at that limit: whatever one user does, a worker stays free for the
// others. A check beyond a cap is refused at once, so a peer that floods the
// gate only ever loses its own connections.
//
// Not thread-safe: the caller serialises all calls.
#include <sys/types.h>

#include <cstddef>
#include <map>

namespace vrl {

class GateQuota {
public:
    // Requires 0 < runningPerUser, 0 < perUser < total.
    GateQuota(std::size_t total, std::size_t perUser, std::size_t runningPerUser);

    // A new check of user, counted as waiting when under both caps; false
    // and nothing counted otherwise.
    bool tryAdmit(uid_t user);
    // Whether a waiting check of user may start now.
    bool mayStart(uid_t user) const;
    // Requires an admitted check of user that has not started.
    void started(uid_t user);
    // Requires a started check of user; ends its count.
    void finished(uid_t user);

private:
    struct UserLoad {
        std::size_t admitted = 0;  // waiting or running
        std::size_t running = 0;
    };

    std::size_t total_;
    std::size_t perUser_;
    std::size_t runningPerUser_;
    std::size_t admitted_ = 0;
    std::map<uid_t, UserLoad> byUser_;
};

}  // namespace vrl
