#pragma once
// The readings in the Prometheus text exposition format (0.0.4), for
// node_exporter's textfile collector.
#include <optional>
#include <string>

#include "client/ModelData.h"

namespace vrl::client {

// One document: vorrel_sensor_service_up (1 when `modelData` holds the
// service's answer, 0 when it is empty because the service did not answer),
// then gauges of the fans' speed, minimum and maximum in rpm and of the
// temperatures in degrees Celsius, each series labelled with the SMC key and
// the title. Readings that are no measurement (Readings.h) are left out, and a
// family without a series is left out whole. Label values are escaped as the
// format wants (backslash, double quote, line feed) and a title that is not
// valid UTF-8 has each bad byte replaced by U+FFFD, so that one odd title
// cannot make node_exporter refuse the whole file. Never fails; any thread.
std::string formatPrometheus(const std::optional<ModelData>& modelData);

}  // namespace vrl::client
