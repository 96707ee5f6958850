#include "update-notifier/feed/XmlDocument.h"

#include <climits>

#include <libxml/xpath.h>

namespace qm {
namespace {

std::string_view viewOf(const xmlChar* text) { return reinterpret_cast<const char*>(text); }

bool nameMatches(const xmlChar* localName, const xmlNs* ns, std::string_view qualifiedName) {
    if (localName == nullptr) return false;
    const std::string_view local = viewOf(localName);
    if (ns == nullptr || ns->prefix == nullptr) return local == qualifiedName;
    // An element or attribute whose prefix is not declared keeps "prefix:local"
    // as its name and has no namespace, so it is caught above.
    const std::string_view prefix = viewOf(ns->prefix);
    return qualifiedName.size() == prefix.size() + 1 + local.size() && qualifiedName.starts_with(prefix) &&
           qualifiedName[prefix.size()] == ':' && qualifiedName.ends_with(local);
}

struct FreeXPathContext {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct FreeXPathObject {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};

}  // namespace

std::optional<XmlDocument> XmlDocument::parse(const std::string& text) {
    if (text.size() > INT_MAX) return std::nullopt;
    xmlInitParser();
    // Without XML_PARSE_RECOVER libxml2 returns no document for any fatal
    // error: every violation of well-formedness is one.
    xmlDoc* document =
        xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8", kXmlParseOptions);
    if (document == nullptr) return std::nullopt;
    return XmlDocument(document);
}

std::optional<std::vector<const xmlNode*>> XmlDocument::nodesForXPath(const char* expression) const {
    const std::unique_ptr<xmlXPathContext, FreeXPathContext> context(xmlXPathNewContext(document_.get()));
    if (!context) return std::nullopt;
    const std::unique_ptr<xmlXPathObject, FreeXPathObject> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression), context.get()));
    if (!result || result->type != XPATH_NODESET) return std::nullopt;
    std::vector<const xmlNode*> nodes;
    if (const xmlNodeSet* set = result->nodesetval) nodes.assign(set->nodeTab, set->nodeTab + set->nodeNr);
    return nodes;
}

bool XmlDocument::hasQualifiedName(const xmlNode& node, std::string_view qualifiedName) {
    return nameMatches(node.name, node.ns, qualifiedName);
}

std::optional<std::string> XmlDocument::attributeValue(const xmlNode& element, std::string_view qualifiedName) {
    if (element.type != XML_ELEMENT_NODE) return std::nullopt;
    for (const xmlAttr* attribute = element.properties; attribute != nullptr; attribute = attribute->next) {
        if (!nameMatches(attribute->name, attribute->ns, qualifiedName)) continue;
        std::string value;
        for (const xmlNode* part = attribute->children; part != nullptr; part = part->next) {
            if (part->type == XML_ENTITY_REF_NODE)
                value.append("&").append(viewOf(part->name)).append(";");
            else if (part->content != nullptr)
                value.append(viewOf(part->content));
        }
        return value;
    }
    return std::nullopt;
}

}  // namespace qm
