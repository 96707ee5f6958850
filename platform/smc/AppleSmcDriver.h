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
// with kSmcNotFound).
//
// The kernel driver may be unloaded and loaded again under a running service
// (a driver update, a rebind): its files go, every descriptor opened before
// fails with ENODEV for ever, and the paths fail with ENOENT until new files
// appear, perhaps with another key set. An access failing with ENODEV, ENOENT
// or EBADF therefore closes the files and drops the key table; from then on
// every call fails with kSmcNoDevice, at once and without a file access,
// until a reopen (the files by path, then the key table) succeeds. A reopen
// is tried at most once per open(): by open() itself when the device is away
// (a failed open allows no calls), or else by the first call that finds it
// gone, which is then answered afresh (a reload between two passes thus costs
// no pass its readings).
//
// Thread-safety: every call may come from any thread; calls are serialised.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/smc/AppleSmcAttributes.h"
#include "platform/smc/ConnectionHandles.h"
#include "platform/smc/SmcDriver.h"

namespace platform::smc {

// Where the kernel's applesmc driver puts its attributes.
inline constexpr const char* kAppleSmcDirectory = "/sys/devices/platform/applesmc.768";

class AppleSmcDriver : public SmcDriver {
public:
    // The real attributes are AppleSmcAttributeFiles over kAppleSmcDirectory;
    // tests give others.
    explicit AppleSmcDriver(std::unique_ptr<AppleSmcAttributes> attributes);

    // Fails with kSmcNoDevice where the attributes cannot be opened (no
    // applesmc, or key_at_index not writable) or the key table cannot be
    // read; the next open() tries again. Allows the calls that follow one
    // reopen should the device go away.
    SmcStatus open(uint32_t& handle) override;
    // kSmcNotOpen for a handle that is not open.
    SmcStatus close(uint32_t handle) override;
    // Commands 9, 8 and 5 on an open handle; kSmcNotOpen, kSmcBadArgument,
    // kSmcNotFound (no such key or index), kSmcError (the kernel failed the
    // read, or the selection kept moving) or kSmcNoDevice (the device is
    // away) otherwise. Never throws.
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

    bool reopenOnce() REQUIRES(mutex_);
    bool reopen() REQUIRES(mutex_);
    void noteFailure(const Error& error) REQUIRES(mutex_);
    Result<size_t> readAttribute(AppleSmcAttribute which, std::span<char> buffer) REQUIRES(mutex_);
    std::optional<KeyTable> readKeyTable() REQUIRES(mutex_);
    Result<KeyEntry> describeSelected() REQUIRES(mutex_);
    Result<> select(uint32_t index) REQUIRES(mutex_);
    // The attribute's text in buffer, without its newline.
    Result<std::string_view> readLine(AppleSmcAttribute which, std::span<char> buffer) REQUIRES(mutex_);
    Result<int64_t> readNumber(AppleSmcAttribute which) REQUIRES(mutex_);
    Result<uint32_t> readName(AppleSmcAttribute which) REQUIRES(mutex_);
    DataRead readData(uint32_t index, const KeyEntry& entry, SmcKeyData& output) REQUIRES(mutex_);
    const KeyEntry* entryOf(uint32_t keyCode, uint32_t& index) const REQUIRES(mutex_);

    SmcStatus answer(const SmcKeyData& input, SmcKeyData& output) REQUIRES(mutex_);
    SmcStatus answerKeyAtIndex(const SmcKeyData& input, SmcKeyData& output) const REQUIRES(mutex_);
    SmcStatus answerKeyInfo(const SmcKeyData& input, SmcKeyData& output) const REQUIRES(mutex_);
    SmcStatus answerReadBytes(const SmcKeyData& input, SmcKeyData& output) REQUIRES(mutex_);

    // The attributes are one system-wide selection: calls take turns.
    Mutex mutex_;
    const std::unique_ptr<AppleSmcAttributes> attributes_ PT_GUARDED_BY(mutex_);
    std::optional<KeyTable> table_ GUARDED_BY(mutex_);  // absent while the device is away
    bool reopenSpent_ GUARDED_BY(mutex_) = false;       // since the last open()
    ConnectionHandles handles_ GUARDED_BY(mutex_);
};

}  // namespace platform::smc
