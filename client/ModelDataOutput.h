#pragma once
// How vrlsensors shows the model data: a table for people, JSON for programs.
#include <string>

#include "client/ModelData.h"

namespace vrl::client {

// One row per sensor: key, title, value with unit, and fan limits.
std::string formatTable(const ModelData& modelData);
// The model data exactly as received: integers stay integers, floats stay numbers.
std::string formatJson(const ModelData& modelData);

}  // namespace vrl::client
