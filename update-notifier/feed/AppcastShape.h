#pragma once
// Whether a feed text has the shape of an appcast at all, for the log: an
// HTML page or plain text answered with status 200 must not read as "up to
// date". The decision whether to announce stays with the parser.
#include <optional>
#include <string>

namespace qm {

// Absent for an XML document whose root element is <rss>; otherwise what the
// text is instead: "not XML" or "an XML document whose root element is
// <html>, not <rss>". Main thread only (libxml2, as XmlDocument).
std::optional<std::string> whyNotAnAppcast(const std::string& text);

}  // namespace qm
