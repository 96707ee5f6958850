#pragma once
// Whether a feed text has the shape of an appcast at all, for the log: an
// HTML page or plain text answered with status 200 must not read as "up to
// date". The decision whether to announce stays with the parser.
#include <string>

#include "platform/foundation/Result.h"

namespace qm {

// Succeeds for an XML document whose root element is <rss>; otherwise fails
// saying what the text is instead: "not XML" or "an XML document whose root
// element is <html>, not <rss>". Main thread only (libxml2, as XmlDocument).
platform::Result<void> checkAppcastShape(const std::string& text);

}  // namespace qm
