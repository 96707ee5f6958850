#pragma once
// A MessagePack encoder that keeps every number's kind: a double is always
// float64 and a float always float32, even when the value is integral
// (msgpack-cxx's packer may write 2000.0 as the integer 2000). Each writer
// belongs to one thread; nothing here fails or throws but on allocation.
#include <cstdint>
#include <string_view>
#include <vector>

#include "sensor-service/smc/NumberObject.h"

namespace vrl {

class MessagePackWriter {
public:
    void mapHeader(uint32_t count);
    void string(std::string_view text);
    void float64(double value);
    void float32(float value);
    void unsignedInteger(uint64_t value);
    void signedInteger(int64_t value);
    void nil();
    void number(const NumberObject& number);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    void bigEndian(uint64_t value, int byteCount);

    std::vector<uint8_t> bytes_;
};

}  // namespace vrl
