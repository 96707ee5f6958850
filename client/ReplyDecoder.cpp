#include "client/ReplyDecoder.h"

#include <msgpack.hpp>

#include "platform/ipc/BoundedUnpack.h"

namespace vrl::client {

const Value* field(const Entry& entry, const std::string& name) {
    for (const auto& [key, value] : entry) {
        if (key == name) return &value;
    }
    return nullptr;
}

namespace {

std::optional<Value> scalar(const msgpack::object& object) {
    switch (object.type) {
        case msgpack::type::NIL: return Value{};
        case msgpack::type::BOOLEAN: return Value{object.via.boolean};
        case msgpack::type::POSITIVE_INTEGER: return Value{object.via.u64};
        case msgpack::type::NEGATIVE_INTEGER: return Value{object.via.i64};
        case msgpack::type::FLOAT32: return Value{static_cast<float>(object.via.f64)};
        case msgpack::type::FLOAT64: return Value{object.via.f64};
        case msgpack::type::STR: return Value{object.as<std::string>()};
        default: return std::nullopt;
    }
}

// A MessagePack map with string keys, each value read by decodeValue; any other
// key or an undecodable value makes the whole map malformed.
template <typename Result, typename DecodeValue>
std::optional<Result> stringKeyedMap(const msgpack::object& object, DecodeValue decodeValue) {
    if (object.type != msgpack::type::MAP) return std::nullopt;
    Result result;
    result.reserve(object.via.map.size);
    for (uint32_t i = 0; i < object.via.map.size; ++i) {
        const msgpack::object_kv& kv = object.via.map.ptr[i];
        auto value = decodeValue(kv.val);
        if (kv.key.type != msgpack::type::STR || !value) return std::nullopt;
        result.emplace_back(kv.key.as<std::string>(), std::move(*value));
    }
    return result;
}

std::optional<Entry> entry(const msgpack::object& object) { return stringKeyedMap<Entry>(object, scalar); }

std::optional<ModelData> modelData(const msgpack::object& object) {
    return stringKeyedMap<ModelData>(object, entry);
}

tl::unexpected<FetchFailure> malformed(const std::string& why) {
    return tl::unexpected(FetchFailure{ClientError::malformedReply, platform::Error{"malformed reply: " + why}});
}

FetchResult decodeObject(const msgpack::object& root) {
    if (root.type != msgpack::type::MAP || root.via.map.size != 1 || root.via.map.ptr[0].key.type != msgpack::type::STR) {
        return malformed("the reply is not a one-field map");
    }
    const std::string name = root.via.map.ptr[0].key.as<std::string>();
    const msgpack::object& value = root.via.map.ptr[0].val;
    if (name == "error" && value.type == msgpack::type::STR)
        return tl::unexpected(FetchFailure{ClientError::serviceError, platform::Error{value.as<std::string>()}});
    if (name != "reply") return malformed("unexpected reply field \"" + name + "\"");
    std::optional<ModelData> data = modelData(value);
    if (!data) return malformed("the model data is not a map of entries");
    return std::move(*data);
}

}  // namespace

FetchResult decodeReply(const std::vector<uint8_t>& payload) {
    try {
        std::size_t offset = 0;
        const msgpack::object_handle handle = platform::ipc::unpackBounded(payload, offset);
        if (offset != payload.size()) return malformed("trailing bytes after the reply");
        return decodeObject(handle.get());
    } catch (const std::exception& e) {
        return malformed(std::string("not MessagePack: ") + e.what());
    }
}

}  // namespace vrl::client
