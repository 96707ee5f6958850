#include "sensor-service/server/protocol/Protocol.h"

#include <msgpack.hpp>

#include "platform/ipc/BoundedUnpack.h"
#include "platform/ipc/WireProtocol.h"

#include "sensor-service/server/protocol/MessagePackWriter.h"

namespace vrl {

namespace {

void writeEntry(MessagePackWriter& writer, const SensorEntry& entry) {
    writer.mapHeader(entry.hasLimits ? 6 : 4);
    writer.string(kEntryTitle);
    writer.string(entry.title);
    writer.string(kEntryValue);
    writer.float64(entry.value);
    writer.string(kEntryUnit);
    writer.string(entry.unit);
    writer.string(kEntryType);
    writer.string(entry.type);
    if (!entry.hasLimits) return;
    writer.string(kEntryMinValue);
    writer.number(entry.minvalue);
    writer.string(kEntryMaxValue);
    writer.number(entry.maxvalue);
}

std::optional<std::string> methodOf(const msgpack::object& map) {
    for (uint32_t i = 0; i < map.via.map.size; ++i) {
        const msgpack::object_kv& kv = map.via.map.ptr[i];
        if (kv.key.type == msgpack::type::STR && kv.key.as<std::string>() == platform::ipc::kMethodField &&
            kv.val.type == msgpack::type::STR) {
            return kv.val.as<std::string>();
        }
    }
    return std::nullopt;
}

}  // namespace

Request decodeRequest(std::span<const uint8_t> payload) {
    try {
        std::size_t offset = 0;
        const msgpack::object_handle handle = platform::ipc::unpackBounded(payload, offset);
        // One value per frame: trailing bytes mean the framing is broken.
        if (offset != payload.size() || handle.get().type != msgpack::type::MAP) return {};
        return {true, methodOf(handle.get())};
    } catch (const std::exception&) {
        return {};
    }
}

std::vector<uint8_t> encodeModelDataReply(const ModelData& modelData) {
    MessagePackWriter writer;
    writer.mapHeader(1);
    writer.string(platform::ipc::kReplyField);
    writer.mapHeader(static_cast<uint32_t>(modelData.size()));
    for (const auto& [key, entry] : modelData) {
        writer.string(key);
        writeEntry(writer, entry);
    }
    return writer.take();
}

std::vector<uint8_t> encodeError(const std::string& message) {
    MessagePackWriter writer;
    writer.mapHeader(1);
    writer.string(platform::ipc::kErrorField);
    writer.string(message);
    return writer.take();
}

}  // namespace vrl
