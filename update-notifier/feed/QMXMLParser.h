#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pugixml.hpp>

namespace qm {

// Turns a feed text into the newest version offered and the decision whether
// to tell the user. Results carry over from one parse to the next.
class QMXMLParser {
public:
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

private:
    void considerOfferedVersion(pugi::xml_node enclosure, std::int64_t& availableValue);
    bool didNewVersionAlreadyFound = false;
    bool isNewVersionAvailable_ = false;
    std::string xmlcontent_;
    std::optional<std::string> currentVersionAvailable_;
    std::optional<std::string> currentInstalledVersion_;
};

}  // namespace qm
