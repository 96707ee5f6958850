#pragma once
// How many client checks may wait or run at once, in all and per peer user.
//
// Why both: every check pins a descriptor and a queue slot until a worker has
// decided it, so an unbounded queue would let a flood of connections grow the
// service without limit; the overall cap stops that. A check can also take
// long or never end (an Info.plist on a file system its owner serves and
// never answers), and whoever makes it so could otherwise occupy every worker
// and keep the main application's check waiting for ever; the smaller cap per
// user leaves, with fewer checks per user than workers, a worker free for
// every other user. A check beyond either cap is refused at once: a peer that
// floods the gate only ever loses its own connections.
#include <sys/types.h>

#include <cstddef>
#include <map>

namespace vrl {

class GateQuota {
public:
    // Requires 0 < perUser <= total.
    GateQuota(std::size_t total, std::size_t perUser);

    // True and counted when the user is under both caps; false and nothing
    // counted otherwise. Not thread-safe: the caller serialises all calls.
    bool tryTake(uid_t user);
    // Returns what one successful tryTake for user took. Requires such a take.
    void giveBack(uid_t user);

private:
    std::size_t total_;
    std::size_t perUser_;
    std::size_t taken_ = 0;
    std::map<uid_t, std::size_t> takenByUser_;
};

}  // namespace vrl
