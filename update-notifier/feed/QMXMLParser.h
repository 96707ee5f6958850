#pragma once
// The appcast parser: turns a feed text into the newest version offered and
// the decision whether to tell the user. Results carry over from one parse to
// the next: the stored version only grows, and the first sighting of a newer
// version only arms the decision, which answers yes from the second on.
//
// Contract: that of UpdateParser (main thread only). Parsing is strict and
// safe for text from the network: no network or file access, no entity
// substitution, no DTD loading, libxml2's default size and amplification
// limits; a text those refuse counts as not well-formed.
#include <optional>
#include <string>

#include "update-notifier/feed/UpdateParser.h"

namespace qm {

class QMXMLParser final : public UpdateParser {
public:
    void setCurrentInstalledVersion(std::optional<std::string> version) override;
    void setXmlcontent(std::string text) override;
    bool isNewVersionAvailable() const override { return isNewVersionAvailable_; }
    const std::optional<std::string>& currentVersionAvailable() const override { return currentVersionAvailable_; }

private:
    void processXml();
    void considerOfferedVersion(std::optional<std::string> offered);
    void updateNewVersionAvailability();

    bool didNewVersionAlreadyFound = false;
    bool isNewVersionAvailable_ = false;
    std::string xmlcontent_;
    std::optional<std::string> currentVersionAvailable_;
    std::optional<std::string> currentInstalledVersion_;
};

}  // namespace qm
