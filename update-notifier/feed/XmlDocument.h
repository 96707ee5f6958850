#pragma once
// One XML document parsed by libxml2, and the few node queries the appcast
// needs, with names as written in the text (prefix included).
//
// Contract: main thread only (libxml2 initialises itself on the first parse,
// which is not safe under concurrent first calls). Nothing throws but
// allocation; failures are absent results.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/parser.h>

namespace qm {

// Strict and safe for text from the network: no network access, no entity
// substitution and no DTD loading (neither XML_PARSE_NOENT nor any of the
// DTD options), nothing printed; libxml2's default size and entity
// amplification limits stay (no XML_PARSE_HUGE), so a text beyond them is
// refused like one that is not well-formed.
inline constexpr int kXmlParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

class XmlDocument {
public:
    // Absent when the text is not one well-formed XML document or goes beyond
    // the limits above. The text is read as UTF-8 whatever it declares.
    static std::optional<XmlDocument> parse(const std::string& text);

    // The nodes an XPath expression selects, in document order; elements are
    // matched by plain name in no namespace. Absent when the query fails or
    // does not select nodes.
    std::optional<std::vector<const xmlNode*>> nodesForXPath(const char* expression) const;

    // The document element; a parsed document always has one.
    const xmlNode& rootElement() const { return *xmlDocGetRootElement(document_.get()); }

    // Whether the node's name as written (for an element "prefix:local") is
    // exactly `qualifiedName`. Nodes without a name (CDATA) never match, and
    // the fixed names libxml2 gives text and comments ("text", "comment")
    // are no names an appcast asks for.
    static bool hasQualifiedName(const xmlNode& node, std::string_view qualifiedName);

    // The text of the element's attribute whose name as written is exactly
    // `qualifiedName`, absent without one. Entity references stay as written
    // ("&name;"): a declared entity is never expanded into the value.
    static std::optional<std::string> attributeValue(const xmlNode& element, std::string_view qualifiedName);

private:
    struct FreeDocument {
        void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
    };

    explicit XmlDocument(xmlDoc* document) : document_(document) {}

    std::unique_ptr<xmlDoc, FreeDocument> document_;
};

}  // namespace qm
