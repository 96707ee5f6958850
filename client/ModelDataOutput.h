#pragma once
// How vrlsensors shows the model data: a table for people, JSON for programs.
#include <string>

#include "client/ModelData.h"

namespace vrl::client {

// One row per sensor, fans first, then temperatures (readingsOf): key, title,
// value with unit (temperatures to a tenth of a degree in "°C", fan speeds and
// limits in whole "rpm", "n/a" where the number is no measurement), and fan
// limits. Control characters in a key or title appear as C escapes (\n,
// \x1b), so no title breaks a row or reaches the terminal. Each column is as
// wide as its widest cell in characters; no blanks end a line. Any thread.
std::string formatTable(const ModelData& modelData);
// The model data exactly as received: integers stay integers, floats stay numbers.
std::string formatJson(const ModelData& modelData);

}  // namespace vrl::client
