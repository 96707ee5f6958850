#pragma once
// The model data read as measurements: what the table, the Prometheus
// exposition and the lm-sensors labels show. The model data itself stays as
// received (formatJson prints it unchanged); this is the reading of it that
// knows which numbers are no measurement at all.
#include <optional>
#include <string>
#include <vector>

#include "client/ModelData.h"

namespace vrl::client {

enum class SensorKind { fan, temperature, other };

struct Reading {
    std::string key;
    std::string title;  // the entry's title without NUL characters (an SMC string's padding)
    SensorKind kind = SensorKind::other;
    std::string unit;   // the entry's "unit" as sent ("rpm", "celcius", ...)
    // Nothing where the number is no measurement: a temperature of -1 (the
    // service's "could not be read") or of -127 and below (the SMC's "no sensor
    // here"), a fan speed below 0, any number that is not finite, and a value
    // that is no number. A fan speed of 0 is a measurement: a stopped fan and
    // a failed read (the service writes 0) are both worth an alert, which a
    // missing series cannot raise.
    std::optional<double> value;
    // A temperature key the SMC has no sensor behind: it reads -127 or below.
    // Unlike a failed read, that does not change from one reading to the next.
    bool noSensor = false;
    // Fans only: nothing where the service substituted -1 (minimum) or a
    // maximum of 0 or less for a limit it could not read.
    std::optional<double> minimum;
    std::optional<double> maximum;
};

// Every entry as a Reading: fans first, then temperatures, then anything else,
// as lm-sensors groups them; within a group in the order received. Never
// fails; any thread.
std::vector<Reading> readingsOf(const ModelData& modelData);

// A number of any kind the wire carries, as a double; nothing for a value that
// is no number (absent, nil, boolean, text).
std::optional<double> numberOf(const Value* value);

}  // namespace vrl::client
