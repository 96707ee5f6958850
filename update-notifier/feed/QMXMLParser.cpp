#include "update-notifier/feed/QMXMLParser.h"

#include "update-notifier/feed/VersionValue.h"
#include "update-notifier/feed/XmlDocument.h"

namespace qm {
namespace {

// The last child that has the name, of any kind, or nullptr.
const xmlNode* lastChildNamed(const xmlNode& item, std::string_view name) {
    for (const xmlNode* child = item.last; child != nullptr; child = child->prev)
        if (XmlDocument::hasQualifiedName(*child, name)) return child;
    return nullptr;
}

}  // namespace

void QMXMLParser::setXmlcontent(std::string text) {
    xmlcontent_ = std::move(text);
    processXml();
}

void QMXMLParser::processXml() {
    const auto document = XmlDocument::parse(xmlcontent_);
    if (!document) return;
    const auto items = document->nodesForXPath("/rss/channel/item");
    if (!items) return;
    // After each item, the dictionary of named children (each name mapped to
    // the latest node of that name in the document so far) is read for one
    // thing only: "sparkle:version" of its "enclosure". If the item has
    // children named "enclosure", the latest is its own last one. If not, it
    // is one an earlier item already offered, and offering that value again
    // changes nothing, since only a strictly greater value replaces the
    // stored version. So each item's own last "enclosure" gives the same
    // versions, without building the dictionary.
    for (const xmlNode* item : *items) {
        // Another kind of node of that name (a processing instruction) has
        // no attributes and offers nothing.
        if (const xmlNode* enclosure = lastChildNamed(*item, "enclosure"))
            considerOfferedVersion(XmlDocument::attributeValue(*enclosure, "sparkle:version"));
    }
    updateNewVersionAvailability();
}

void QMXMLParser::considerOfferedVersion(std::optional<std::string> offered) {
    // Strictly greater, so of two equal values the first one seen stays.
    if (integerValue(offered) > integerValue(currentVersionAvailable_)) currentVersionAvailable_ = std::move(offered);
}

void QMXMLParser::updateNewVersionAvailability() {
    isNewVersionAvailable_ = false;
    if (integerValue(currentInstalledVersion_) < integerValue(currentVersionAvailable_)) {
        isNewVersionAvailable_ = didNewVersionAlreadyFound;
        didNewVersionAlreadyFound = true;
    }
}

}  // namespace qm
