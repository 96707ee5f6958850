#pragma once
// The latest element of each name among the children of a feed's items, kept
// across items. Items of one feed nearly always list their children in the
// same order, so each child is first compared with the name that the child at
// its position had last time; only a different name costs a hash lookup.
#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

namespace qm {

class LatestNodes {
public:
    // The latest node of `watchedName` is also kept at hand, for a caller that
    // looks at it after every item.
    explicit LatestNodes(std::string_view watchedName) : watchedName_(watchedName) {}

    struct Entry {
        std::string_view name;  // points into the document, which outlives the table
        pugi::xml_node latest;
    };

    // Records every named child of item as the latest of its name; true when
    // one of them has the watched name.
    bool addChildrenOf(pugi::xml_node item);
    // The latest node of the watched name; an empty node while there was none.
    pugi::xml_node watched() const { return watched_; }
    // In order of first appearance.
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::size_t entryFor(const char* name, std::size_t position);

    std::string_view watchedName_;
    pugi::xml_node watched_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string_view, std::size_t> indexOf_;
    std::vector<std::size_t> entryAtPosition_;  // as the previous item used them
};

}  // namespace qm
