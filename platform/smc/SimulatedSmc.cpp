#include "platform/smc/SimulatedSmc.h"

#include <sys/stat.h>

#include "platform/log/SystemLog.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <system_error>

#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcStatusCodes.h"

namespace platform::smc {
namespace {

constexpr uint32_t kKeyCountCode = fourCharCode("#KEY");

}  // namespace

SimulatedSmc::SimulatedSmc(SmcImage image) : image_(std::move(image)) { rebuildIndex(); }

platform::Result<std::unique_ptr<SimulatedSmc>> SimulatedSmc::watchingFile(std::filesystem::path file) {
    auto stamp = stampOf(file);
    auto image = SmcImage::fromFile(file);
    if (!image) return tl::unexpected(image.error());
    auto smc = std::make_unique<SimulatedSmc>(std::move(*image));
    smc->watchedFile_ = std::move(file);
    smc->watchedStamp_ = stamp;
    return smc;
}

// Whatever the path names now, of any type: a FIFO or a directory put in the
// image's place is a change to report, not to overlook.
std::optional<SimulatedSmc::FileStamp> SimulatedSmc::stampOf(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return std::nullopt;
    return FileStamp{status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_size, status.st_ino, status.st_mode};
}

void SimulatedSmc::reloadIfFileChanged() {
    if (!watchedFile_) return;
    auto stamp = stampOf(*watchedFile_);
    if (!stamp || stamp == watchedStamp_) return;
    watchedStamp_ = stamp;
    auto image = SmcImage::fromFile(*watchedFile_);
    if (!image) {
        platform::log::debugLog("SMC image edit rejected, the previous image stays: " + image.error().message);
        return;
    }
    image_ = std::move(*image);
    rebuildIndex();
}

void SimulatedSmc::rebuildIndex() {
    served_.clear();
    for (const auto& key : image_.keys) served_.push_back({fourCharCode(key.key), &key});
    auto byCode = [](const ServedKey& a, const ServedKey& b) { return a.code < b.code; };
    std::stable_sort(served_.begin(), served_.end(), byCode);
    // The first entry of a duplicated key wins.
    served_.erase(std::unique(served_.begin(), served_.end(),
                              [](const ServedKey& a, const ServedKey& b) { return a.code == b.code; }),
                  served_.end());
    if (find(kKeyCountCode)) return;
    uint32_t count = static_cast<uint32_t>(served_.size() + 1);
    syntheticCount_ = SmcImageKey{"#KEY", "ui32",
                                  {static_cast<uint8_t>(count >> 24), static_cast<uint8_t>(count >> 16),
                                   static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)},
                                  4, 0, SmcKeyFailure::none};
    served_.push_back({kKeyCountCode, &syntheticCount_});
    std::stable_sort(served_.begin(), served_.end(), byCode);
}

const SmcImageKey* SimulatedSmc::find(uint32_t code) const {
    auto it = std::lower_bound(served_.begin(), served_.end(), code,
                               [](const ServedKey& k, uint32_t c) { return k.code < c; });
    if (it == served_.end() || it->code != code) return nullptr;
    return it->entry;
}

SmcStatus SimulatedSmc::open(uint32_t& handle) {
    std::lock_guard lock(mutex_);
    reloadIfFileChanged();
    if (image_.unavailable) return kSmcNoDevice;
    handle = handles_.open();
    return kSmcSuccess;
}

SmcStatus SimulatedSmc::close(uint32_t handle) {
    std::lock_guard lock(mutex_);
    return handles_.close(handle) ? kSmcSuccess : kSmcNotOpen;
}

SmcStatus SimulatedSmc::callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                                         SmcKeyData& output) {
    std::lock_guard lock(mutex_);
    ++counts_[input.command];
    if (!handles_.isOpen(handle)) return kSmcNotOpen;
    if (selector != kSmcSelector) return kSmcBadArgument;
    return answer(input, output);
}

SmcStatus SimulatedSmc::answer(const SmcKeyData& input, SmcKeyData& output) const {
    std::memset(&output, 0, sizeof output);
    if (input.command == kSmcCmdReadIndex) {
        if (input.index >= served_.size()) return kSmcNotFound;
        output.key = served_[input.index].code;
        return kSmcSuccess;
    }
    if (input.command != kSmcCmdReadKeyInfo && input.command != kSmcCmdReadBytes) return kSmcBadArgument;
    const SmcImageKey* key = find(input.key);
    if (!key) return kSmcNotFound;
    output.key = input.key;
    if (input.command == kSmcCmdReadKeyInfo) {
        // A failing information call leaves the byte read alone: a reader whose
        // key information is cached still gets the value.
        if (key->fail == SmcKeyFailure::info) return kSmcNotFound;
        output.dataSize = key->size;
        output.dataType = fourCharCode(key->type);
        output.dataAttributes = key->attributes;
        return kSmcSuccess;
    }
    if (key->fail == SmcKeyFailure::read) return kSmcError;
    std::copy(key->bytes.begin(), key->bytes.end(), output.bytes);
    return kSmcSuccess;
}

void SimulatedSmc::replaceImage(SmcImage image) {
    std::lock_guard lock(mutex_);
    image_ = std::move(image);
    rebuildIndex();
}

const SmcImage& SimulatedSmc::image() const { return image_; }

std::optional<std::string> SimulatedSmc::model() const {
    std::lock_guard lock(mutex_);
    return image_.model;
}

uint64_t SimulatedSmc::callCount(uint8_t command) const {
    std::lock_guard lock(mutex_);
    return counts_[command];
}

uint64_t SimulatedSmc::totalCalls() const {
    std::lock_guard lock(mutex_);
    return std::accumulate(counts_.begin(), counts_.end(), uint64_t{0});
}

void SimulatedSmc::resetCounts() {
    std::lock_guard lock(mutex_);
    counts_.fill(0);
}

}  // namespace platform::smc
