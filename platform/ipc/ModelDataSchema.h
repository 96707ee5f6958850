#pragma once
// The model data as it crosses the wire (see WireProtocol.h): the reply is a
// map from SMC key name to an entry, a map with these field names. Fan
// entries alone carry the two limits. The service writes these names and the
// client library reads them, so both take them from here.
namespace platform::ipc {

inline constexpr const char* kEntryTitle = "title";
inline constexpr const char* kEntryValue = "value";
inline constexpr const char* kEntryUnit = "unit";
inline constexpr const char* kEntryType = "type";
inline constexpr const char* kEntryMinValue = "minvalue";
inline constexpr const char* kEntryMaxValue = "maxvalue";

// The values of "unit" and "type".
inline constexpr const char* kUnitRpm = "rpm";
inline constexpr const char* kUnitCelsius = "celcius";  // sic: the main application expects this spelling
inline constexpr const char* kTypeFans = "fans";
inline constexpr const char* kTypeTemperature = "temperature";

}  // namespace platform::ipc
