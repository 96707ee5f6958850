#pragma once
// An SMC that answers from an image instead of hardware, exchange for exchange
// as the real one: key information (9), bytes (5) and key at index (8).
// Every exchange is counted per command so callers can see what an operation
// cost.
//
// Threads: every method may be called from any thread; one lock serialises
// them, so an exchange always sees one whole image. Failures are statuses as
// a real SMC gives them (SmcStatusCodes.h), never exceptions.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/smc/ConnectionHandles.h"
#include "platform/smc/SmcDriver.h"
#include "platform/smc/SmcImage.h"

namespace platform::smc {

class SimulatedSmc : public SmcDriver {
public:
    // Serves image as it is; a key listed twice is served as first listed.
    explicit SimulatedSmc(SmcImage image);

    // Follows an image file (SmcImage::fromFile): each open() re-reads it
    // when its modification time, size, type or inode changed; a new version
    // that is refused (malformed, not a regular file, too large, unreadable)
    // leaves the old image in use and says why at debug priority. The error of
    // SmcImage::fromFile when the first load fails.
    static platform::Result<std::unique_ptr<SimulatedSmc>> watchingFile(std::filesystem::path file);

    // kSmcNoDevice when the image is marked unavailable.
    SmcStatus open(uint32_t& handle) override;
    // kSmcNotOpen for a handle that is not open.
    SmcStatus close(uint32_t handle) override;
    // Counted whatever its outcome. kSmcNotOpen, kSmcBadArgument (another
    // selector or command), kSmcNotFound (no such key or index, or the key's
    // information call marked to fail) or kSmcError (its read marked to fail).
    SmcStatus callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                               SmcKeyData& output) override;

    // Later exchanges answer from image; open handles stay open.
    void replaceImage(SmcImage image);
    // The image in use. Not locked: only while no other thread replaces it.
    const SmcImage& image() const;
    // The model the image names, if any.
    std::optional<std::string> model() const;

    // Exchanges with that command (or all) since the start or the last reset.
    uint64_t callCount(uint8_t command) const;
    uint64_t totalCalls() const;
    void resetCounts();

private:
    struct FileStamp {
        int64_t modifiedSeconds = 0;
        int64_t modifiedNanoseconds = 0;
        int64_t size = 0;
        uint64_t inode = 0;
        unsigned mode = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct ServedKey {
        uint32_t code;
        const SmcImageKey* entry;  // into image_ or syntheticCount_
    };

    void rebuildIndex();
    void reloadIfFileChanged();
    static std::optional<FileStamp> stampOf(const std::filesystem::path& file);
    const SmcImageKey* find(uint32_t code) const;
    SmcStatus answer(const SmcKeyData& input, SmcKeyData& output) const;

    // Guards every member below: the image, its index, the handles, the
    // counts and the watched file's stamp.
    mutable std::mutex mutex_;
    SmcImage image_;
    SmcImageKey syntheticCount_;
    std::vector<ServedKey> served_;  // ascending key code
    ConnectionHandles handles_;
    std::array<uint64_t, 256> counts_{};
    std::optional<std::filesystem::path> watchedFile_;
    std::optional<FileStamp> watchedStamp_;
};

}  // namespace platform::smc
