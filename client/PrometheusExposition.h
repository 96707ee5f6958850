#pragma once
// The readings in the Prometheus text exposition format (0.0.4), for
// node_exporter's textfile collector.
#include <optional>
#include <string>

#include "client/ModelData.h"

namespace vrl::client {

// One document: vorrel_sensor_service_up (1 when `modelData` holds the
// service's answer, 0 when it is empty because the service did not answer);
// vorrel_machine_info, 1 with the Mac's model identifier `machineModel` as
// its label (empty where it is unknown), so that a fleet can be grouped by
// model; then, when the service answered, vorrel_sensors: how many fans and
// temperatures it reported (type="fan", type="temperature"), 0 where it found
// none, so that a Mac without readings shows as one and not as an empty
// scrape; then gauges of the fans' speed, minimum and maximum in rpm and of
// the temperatures in degrees Celsius, each series labelled with the SMC key
// and the title. Readings that are no measurement (Readings.h) are left out
// (a fan at 0 rpm is one), and a gauge family without a series is left out
// whole. Label values are escaped as the format wants (backslash, double
// quote, line feed) and a title that is not valid UTF-8 has each bad byte
// replaced by U+FFFD, so that one odd title cannot make node_exporter refuse
// the whole file. Never fails; any thread.
std::string formatPrometheus(const std::optional<ModelData>& modelData, const std::string& machineModel);

}  // namespace vrl::client
