#pragma once
// Peers that try to stall or starve the client gate through the Info.plist of
// the bundle they run from: copies of the stress tool in bundles a hostile
// local user can make. Every one of their connections must be refused.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/stress/Attackers.h"

namespace vrl::stress {

struct GateAttack {
    std::string name;
    std::filesystem::path prober;  // runs "--probe SOCKET SECONDS"
    // Runs beside the probers until stop is set (nothing for most).
    std::function<void(const StopFlag& stop)> meanwhile;
};

// Lays the bundles out under work, each with a copy of self, in this order
// (the last can stall a gate that waits on files for good):
//   fifo         Fifo.app, whose Info.plist is a FIFO nobody writes
//   7 MiB plist  Huge.app, a valid 7 MiB property list with the client's identifier
//   X.bundle     Plugin.bundle, the client's identifier, but no application
//   swapped fifo Swap.app, whose Info.plist a thread keeps replacing by a
//                FIFO and back by a foreign property list
std::vector<GateAttack> prepareGateAttacks(const std::filesystem::path& work, const std::filesystem::path& self);

}  // namespace vrl::stress
