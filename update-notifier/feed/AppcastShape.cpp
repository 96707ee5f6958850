#include "update-notifier/feed/AppcastShape.h"

#include "update-notifier/feed/XmlDocument.h"

namespace qm {

platform::Result<void> checkAppcastShape(const std::string& text) {
    const auto document = XmlDocument::parse(text);
    if (!document) return platform::fail("not XML");
    const xmlNode& root = document->rootElement();
    if (XmlDocument::hasQualifiedName(root, "rss")) return {};
    std::string name = reinterpret_cast<const char*>(root.name);
    if (root.ns != nullptr && root.ns->prefix != nullptr)
        name = reinterpret_cast<const char*>(root.ns->prefix) + (":" + name);
    return platform::fail("an XML document whose root element is <" + name + ">, not <rss>");
}

}  // namespace qm
