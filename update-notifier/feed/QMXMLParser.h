#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <pugixml.hpp>

#include "update-notifier/feed/LatestNodes.h"

namespace qm {

// Turns a feed text into the newest version offered and the decision whether
// to tell the user. Results carry over from one parse to the next.
class QMXMLParser {
public:
    using Dictionary = std::map<std::string, std::string>;
    // "enclosure" maps to its attributes, every other name to trimmed text.
    using ItemValue = std::variant<std::string, Dictionary>;
    using ItemDictionary = std::map<std::string, ItemValue>;

    void setCurrentInstalledVersion(std::optional<std::string> version);
    const std::optional<std::string>& currentInstalledVersion() const { return currentInstalledVersion_; }
    // Stores the text and parses it before returning.
    void setXmlcontent(std::string text);
    const std::string& xmlcontent() const { return xmlcontent_; }
    bool isNewVersionAvailable() const { return isNewVersionAvailable_; }
    void setIsNewVersionAvailable(bool available) { isNewVersionAvailable_ = available; }
    const std::optional<std::string>& currentVersionAvailable() const { return currentVersionAvailable_; }
    void setCurrentVersionAvailable(std::optional<std::string> version);

    void processXml();
    void updateNewVersionAvailability();
    static Dictionary attributesAsDictionaryFor(pugi::xml_node node);
    static pugi::xml_node bestNodeInNodes(const std::vector<pugi::xml_node>& nodes);

private:
    void considerOfferedVersion(pugi::xml_node enclosure, std::int64_t& availableValue);
    ItemDictionary itemDictionaryFrom(const LatestNodes& names) const;
    ItemDictionary lastItemDico;
    bool didNewVersionAlreadyFound = false;
    bool isNewVersionAvailable_ = false;
    std::string xmlcontent_;
    std::optional<std::string> currentVersionAvailable_;
    std::optional<std::string> currentInstalledVersion_;
};

}  // namespace qm
