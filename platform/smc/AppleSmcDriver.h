#pragma once
// The SMC of an Intel Mac running Linux, through the kernel's applesmc driver
// and its sysfs attributes (see AppleSmcAttributes).
//
// The kernel fixes its key set when it loads, so the key table (name, type
// and data length of every index) is read once, at the first successful
// open(), and kept for the life of this object: later opens cost nothing, key
// information (command 9) and key at index (command 8) are answered from it.
// A read of bytes (command 5) selects the key, reads its data and reads the
// selection back, since any other process may move the system-wide selection
// in between; a moved selection is retried once, then the read fails. So a
// read costs three attribute accesses and one SMC transaction. A selection
// moved away and back again between the data read and the read-back goes
// unseen; a process that only ever selects other keys cannot make a read
// return their bytes.
//
// An index whose description the SMC refuses (EIO) is left out of the table:
// command 8 fails for it, and its key reads as missing (command 9 and 5 fail
// with kSmcNotFound). A kernel reloaded under a running service is not seen:
// the files stay those opened first.
//
// Thread-safety: every call may come from any thread; calls are serialised.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "platform/smc/AppleSmcAttributes.h"
#include "platform/smc/ConnectionHandles.h"
#include "platform/smc/SmcDriver.h"

namespace platform::smc {

// Where the kernel's applesmc driver puts its attributes.
inline constexpr const char* kAppleSmcDirectory = "/sys/devices/platform/applesmc.768";

class AppleSmcDriver : public SmcDriver {
public:
    explicit AppleSmcDriver(std::filesystem::path directory = kAppleSmcDirectory);
    explicit AppleSmcDriver(std::unique_ptr<AppleSmcAttributes> attributes);

    // Fails with kSmcNoDevice where the attributes cannot be opened (no
    // applesmc, or key_at_index not writable) or the key table cannot be
    // read; the next open() tries again.
    SmcStatus open(uint32_t& handle) override;
    // kSmcNotOpen for a handle that is not open.
    SmcStatus close(uint32_t handle) override;
    // Commands 9, 8 and 5 on an open handle; kSmcNotOpen, kSmcBadArgument,
    // kSmcNotFound (no such key or index) or kSmcError (the kernel failed the
    // read, or the selection kept moving) otherwise. Never throws.
    SmcStatus callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                               SmcKeyData& output) override;

private:
    struct KeyEntry {
        uint32_t code = 0;
        uint32_t type = 0;
        uint32_t length = 0;
    };
    struct KeyTable {
        std::vector<std::optional<KeyEntry>> byIndex;
        std::unordered_map<uint32_t, uint32_t> indexByCode;
    };
    enum class DataRead { done, selectionMoved, failed };

    std::optional<KeyTable> readKeyTable();
    int describeSelected(KeyEntry& entry);
    int select(uint32_t index);
    int readNumber(AppleSmcAttribute which, int64_t& value);
    int readName(AppleSmcAttribute which, uint32_t& code);
    DataRead readData(uint32_t index, const KeyEntry& entry, SmcKeyData& output);
    const KeyEntry* entryOf(uint32_t keyCode, uint32_t& index) const;

    SmcStatus answerKeyAtIndex(const SmcKeyData& input, SmcKeyData& output) const;
    SmcStatus answerKeyInfo(const SmcKeyData& input, SmcKeyData& output) const;
    SmcStatus answerReadBytes(const SmcKeyData& input, SmcKeyData& output);

    // Guards the attributes (one system-wide selection), the table and the handles.
    std::mutex mutex_;
    std::unique_ptr<AppleSmcAttributes> attributes_;
    std::optional<KeyTable> table_;
    ConnectionHandles handles_;
};

}  // namespace platform::smc
