#pragma once
// The appcast parser: turns a feed text into the newest version offered and
// the decision whether to tell the user. Results carry over from one parse to
// the next: the stored version only grows, and the first sighting of a newer
// version only arms the decision, which answers yes from the second on.
//
// Contract: main thread only; no locks. Parsing is strict and
// safe for text from the network: no network or file access, no entity
// substitution, no DTD loading, libxml2's default size and amplification
// limits; a text those refuse counts as not well-formed.
#include <optional>
#include <string>
#include <utility>


namespace qm {

class QMXMLParser final {
public:
    // Decides against `installedVersion`, the host's "CFBundleVersion"; an
    // absent one counts as version 0.
    explicit QMXMLParser(std::optional<std::string> installedVersion)
        : currentInstalledVersion_(std::move(installedVersion)) {}

    // Parses the text before returning and decides again. On failure (a text
    // that is not one well-formed XML document, or a failed item query) both
    // answers keep their previous values; nothing is reported.
    void setXmlcontent(std::string text);
    // The answer of the last decision; false before the first one.
    bool isNewVersionAvailable() const { return isNewVersionAvailable_; }
    // The offered version of greatest integer value in any feed parsed so
    // far; absent until one of value 1 or more was seen.
    const std::optional<std::string>& currentVersionAvailable() const { return currentVersionAvailable_; }

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
