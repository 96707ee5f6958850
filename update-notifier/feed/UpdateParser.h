#pragma once
// What the coordinator asks of the appcast parser. QMXMLParser is the real
// one; tests hand the coordinator a fake through its environment.
//
// Every call: main thread only; no locks, not safe for concurrent use.
#include <optional>
#include <string>

namespace qm {

class UpdateParser {
public:
    virtual ~UpdateParser() = default;

    // Requires: called once, right after creation, before any feed text.
    virtual void setCurrentInstalledVersion(std::optional<std::string> version) = 0;
    // Parses the text before returning and decides again. On failure (a text
    // that is not one well-formed XML document, or a failed item query) both
    // answers keep their previous values; nothing is reported.
    virtual void setXmlcontent(std::string text) = 0;
    // The answer of the last decision; false before the first one.
    virtual bool isNewVersionAvailable() const = 0;
    // The offered version of greatest integer value in any feed parsed so
    // far; absent until one of value 1 or more was seen.
    virtual const std::optional<std::string>& currentVersionAvailable() const = 0;
};

}  // namespace qm
