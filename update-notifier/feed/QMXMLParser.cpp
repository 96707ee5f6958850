#include "update-notifier/feed/QMXMLParser.h"

#include <algorithm>
#include <exception>

#include "update-notifier/feed/VersionValue.h"

namespace qm {
namespace {

constexpr const char* kItemsPath = "/rss/channel/item";
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
    pugi::xpath_node_set items;
    try {
        items = document.select_nodes(kItemsPath);
    } catch (const std::exception&) {
        return;
    }
    // Every entry of the item dictionary is a function of the latest node of its
    // name, so each item's version lookup reads the latest enclosure directly and
    // the dictionary itself is built once, from the final nodes: the same
    // results as refilling it for every item, without thousands of copies.
    NameTable names;
    for (const pugi::xpath_node& found : items) {
        collectNamedChildren(found.node(), names);
        considerOfferedVersion(names);
    }
    if (!items.empty()) lastItemDico = itemDictionaryFrom(names);
    updateNewVersionAvailability();
}

void QMXMLParser::collectNamedChildren(pugi::xml_node item, NameTable& names) const {
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        if (*child.name() != '\0') names[child.name()].push_back(child);
    }
}

QMXMLParser::ItemDictionary QMXMLParser::itemDictionaryFrom(const NameTable& names) const {
    ItemDictionary item;
    for (const auto& [name, nodes] : names) {
        const pugi::xml_node best = bestNodeInNodes(nodes);
        if (name == "enclosure") item[std::string(name)] = attributesAsDictionaryFor(best);
        else item[std::string(name)] = trimmedStringValue(best);
    }
    return item;
}

void QMXMLParser::considerOfferedVersion(const NameTable& names) {
    std::optional<std::string> offered;
    const auto enclosure = names.find("enclosure");
    if (enclosure != names.end()) {
        // The last attribute of the name wins, as it would in the attribute dictionary.
        for (pugi::xml_attribute attribute : bestNodeInNodes(enclosure->second).attributes())
            if (std::string_view(attribute.name()) == "sparkle:version") offered = attribute.value();
    }
    // Strictly greater, so of two equal values the first one seen stays.
    if (integerValue(offered) > integerValue(currentVersionAvailable_)) currentVersionAvailable_ = offered;
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
