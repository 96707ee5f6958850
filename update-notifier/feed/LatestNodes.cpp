#include "update-notifier/feed/LatestNodes.h"

#include <cstring>

namespace qm {

bool LatestNodes::addChildrenOf(pugi::xml_node item) {
    bool sawWatched = false;
    std::size_t position = 0;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        const char* name = child.name();
        if (*name == '\0') continue;
        Entry& entry = entries_[entryFor(name, position++)];
        entry.latest = child;
        if (entry.name == watchedName_) {
            watched_ = child;
            sawWatched = true;
        }
    }
    return sawWatched;
}

std::size_t LatestNodes::entryFor(const char* name, std::size_t position) {
    if (position < entryAtPosition_.size()) {
        const std::size_t hinted = entryAtPosition_[position];
        // Names held by the table are the document's own, NUL-terminated.
        if (std::strcmp(entries_[hinted].name.data(), name) == 0) return hinted;
    }
    const auto [found, inserted] = indexOf_.try_emplace(name, entries_.size());
    if (inserted) entries_.push_back({found->first, {}});
    if (position < entryAtPosition_.size()) entryAtPosition_[position] = found->second;
    else entryAtPosition_.push_back(found->second);
    return found->second;
}

}  // namespace qm
