#include "update-notifier/feed/QMXMLParser.h"

#include <algorithm>
#include <cstring>

#include "update-notifier/feed/VersionValue.h"

namespace qm {
namespace {

constexpr const char* kWhiteSpace = " \t\n\r\v\f";

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

void appendStringValue(pugi::xml_node node, std::string& out) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        out += node.value();
        return;
    }
    for (pugi::xml_node child : node.children()) appendStringValue(child, out);
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

std::string trimmedStringValue(pugi::xml_node node) {
    std::string value;
    if (node.type() == pugi::node_pi) value = node.value();
    else appendStringValue(node, value);
    const auto first = value.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) return {};
    return value.substr(first, value.find_last_not_of(kWhiteSpace) - first + 1);
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
    // Every entry of the item dictionary is a function of the latest node of its
    // name (what bestNodeInNodes picks from all nodes of that name so far), so
    // only those are kept: each item's version lookup reads the latest
    // enclosure directly, and the dictionary itself is built once, from the
    // final nodes. The results are those of refilling it for every item.
    LatestNodes names("enclosure");
    std::int64_t availableValue = integerValue(currentVersionAvailable_);
    bool anyItem = false;
    forEachItem(document, [&](pugi::xml_node item) {
        // Without an enclosure of its own, an item offers what the one before did.
        if (names.addChildrenOf(item)) considerOfferedVersion(names.watched(), availableValue);
        anyItem = true;
    });
    if (anyItem) lastItemDico = itemDictionaryFrom(names);
    updateNewVersionAvailability();
}

QMXMLParser::ItemDictionary QMXMLParser::itemDictionaryFrom(const LatestNodes& names) const {
    ItemDictionary item;
    for (const LatestNodes::Entry& entry : names.entries()) {
        if (entry.name == "enclosure") item[std::string(entry.name)] = attributesAsDictionaryFor(entry.latest);
        else item[std::string(entry.name)] = trimmedStringValue(entry.latest);
    }
    return item;
}

void QMXMLParser::considerOfferedVersion(pugi::xml_node enclosure, std::int64_t& availableValue) {
    // The last attribute of the name wins, as it would in the attribute dictionary.
    const char* offered = nullptr;
    for (pugi::xml_attribute attribute : enclosure.attributes())
        if (std::strcmp(attribute.name(), "sparkle:version") == 0) offered = attribute.value();
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

QMXMLParser::Dictionary QMXMLParser::attributesAsDictionaryFor(pugi::xml_node node) {
    Dictionary attributes;
    for (pugi::xml_attribute attribute : node.attributes())
        if (*attribute.name() != '\0') attributes[attribute.name()] = attribute.value();
    return attributes;
}

pugi::xml_node QMXMLParser::bestNodeInNodes(const std::vector<pugi::xml_node>& nodes) {
    return nodes.empty() ? pugi::xml_node() : nodes.back();
}

}  // namespace qm
