#pragma once
// What one check of the feed found, in words an administrator can act on:
// logged at debug priority by the running notifier, printed by a one-shot
// check.
#include <optional>
#include <string>

#include "update-notifier/feed/QMXMLParser.h"

namespace qm {

enum class CheckVerdict { upToDate, newerPublished, couldNotCheck };

struct CheckOutcome {
    CheckVerdict verdict;
    std::string text;  // "up to date: installed version 130, newest published 130"
};

// The outcome of a downloaded feed `text` that `parser` has just been given:
// couldNotCheck when it is no appcast (saying what it is instead),
// newerPublished when the greatest version the parser has seen is above
// `installed` (the decision rule of the parser, without its wait for a second
// sighting), upToDate otherwise. Main thread only (libxml2).
CheckOutcome outcomeOfFeed(const std::string& text, const QMXMLParser& parser,
                           const std::optional<std::string>& installed);

}  // namespace qm
