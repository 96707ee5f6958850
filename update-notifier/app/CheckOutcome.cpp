#include "update-notifier/app/CheckOutcome.h"

#include "update-notifier/feed/AppcastShape.h"
#include "update-notifier/feed/VersionValue.h"

namespace qm {

CheckOutcome outcomeOfFeed(const std::string& text, const QMXMLParser& parser,
                           const std::optional<std::string>& installed) {
    if (const auto shape = checkAppcastShape(text); !shape)
        return {CheckVerdict::couldNotCheck, "the feed is no appcast: it is " + shape.error().message};
    const std::optional<std::string>& newest = parser.currentVersionAvailable();
    const std::string installedText = "installed version " + installed.value_or("(none)");
    if (integerValue(installed) < integerValue(newest))
        return {CheckVerdict::newerPublished, "newer version " + *newest + " published, " + installedText};
    return {CheckVerdict::upToDate,
            "up to date: " + installedText + ", newest published " + newest.value_or("(none)")};
}

}  // namespace qm
