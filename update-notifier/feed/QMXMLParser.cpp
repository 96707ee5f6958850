#include "update-notifier/feed/QMXMLParser.h"

#include <algorithm>
#include <cstring>

#include "update-notifier/feed/VersionValue.h"

namespace qm {
namespace {

// pugixml accepts fragments; a feed must be exactly one top-level element.
// Its default options leave DOCTYPE declarations unparsed and never expand
// custom entities or load anything external.
bool loadWellFormed(pugi::xml_document& document, const std::string& text) {
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size(), pugi::parse_default,
                                                               pugi::encoding_utf8);
    if (!result) return false;
    const auto children = document.children();
    return std::count_if(children.begin(), children.end(),
                         [](pugi::xml_node n) { return n.type() == pugi::node_element; }) == 1;
}

// Items are the "item" elements of a "channel" element of the root "rss"
// element, by plain name, in document order.
bool isElementNamed(pugi::xml_node node, const char* name) {
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

template <typename Visit>
void forEachItem(const pugi::xml_document& document, Visit visit) {
    for (pugi::xml_node rss : document.children()) {
        if (!isElementNamed(rss, "rss")) continue;
        for (pugi::xml_node channel : rss.children()) {
            if (!isElementNamed(channel, "channel")) continue;
            for (pugi::xml_node item : channel.children())
                if (isElementNamed(item, "item")) visit(item);
        }
    }
}

// The last child of that name, of any kind, as the dictionary would hold it;
// found from the end, where an item's enclosure usually is.
pugi::xml_node lastChildNamed(pugi::xml_node item, const char* name) {
    for (pugi::xml_node child = item.last_child(); child; child = child.previous_sibling())
        if (std::strcmp(child.name(), name) == 0) return child;
    return {};
}

// The value of the last attribute of that name, or nullptr.
const char* lastAttributeValue(pugi::xml_node node, const char* name) {
    for (pugi::xml_attribute attribute = node.last_attribute(); attribute; attribute = attribute.previous_attribute())
        if (std::strcmp(attribute.name(), name) == 0) return attribute.value();
    return nullptr;
}

}  // namespace

void QMXMLParser::setCurrentInstalledVersion(std::optional<std::string> version) {
    currentInstalledVersion_ = std::move(version);
}

void QMXMLParser::setCurrentVersionAvailable(std::optional<std::string> version) {
    currentVersionAvailable_ = std::move(version);
}

void QMXMLParser::setXmlcontent(std::string text) {
    xmlcontent_ = std::move(text);
    processXml();
}

void QMXMLParser::processXml() {
    pugi::xml_document document;
    if (!loadWellFormed(document, xmlcontent_)) return;
    // After each item, the version lookup reads one entry of the item
    // dictionary, and the dictionary is read for nothing else: its "enclosure"
    // entry, the attributes of the latest node of that name so far (the one
    // bestNodeInNodes would pick, whichever item it came from), and in them
    // "sparkle:version", where the last attribute of the name would win. So only
    // each item's own last enclosure is read; building the rest of the
    // dictionary for every item cost more than parsing the feed.
    std::int64_t availableValue = integerValue(currentVersionAvailable_);
    forEachItem(document, [&](pugi::xml_node item) {
        // An item without an enclosure of its own offers again what the one
        // before offered, which was already weighed.
        if (const pugi::xml_node enclosure = lastChildNamed(item, "enclosure"))
            considerOfferedVersion(enclosure, availableValue);
    });
    updateNewVersionAvailability();
}

void QMXMLParser::considerOfferedVersion(pugi::xml_node enclosure, std::int64_t& availableValue) {
    const char* offered = lastAttributeValue(enclosure, "sparkle:version");
    const std::int64_t offeredValue = offered ? leadingIntegerValue(offered) : 0;
    // Strictly greater, so of two equal values the first one seen stays.
    if (offeredValue <= availableValue) return;
    availableValue = offeredValue;
    currentVersionAvailable_ = offered ? std::optional<std::string>(offered) : std::nullopt;
}

void QMXMLParser::updateNewVersionAvailability() {
    isNewVersionAvailable_ = false;
    if (integerValue(currentInstalledVersion_) < integerValue(currentVersionAvailable_)) {
        isNewVersionAvailable_ = didNewVersionAlreadyFound;
        didNewVersionAlreadyFound = true;
    }
}

}  // namespace qm
