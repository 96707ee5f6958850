#include "platform/smc/AppleSmcDriver.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcStatusCodes.h"

namespace platform::smc {
namespace {

// Content that is not what the kernel prints: treated as an unreadable key.
constexpr int kMalformed = EBADMSG;

tl::unexpected<Error> malformed(AppleSmcAttribute which) {
    return fail("unexpected content in applesmc attribute " + std::to_string(static_cast<int>(which)), kMalformed);
}
// The kernel keeps a key's data length in one byte.
constexpr int64_t kMaxDataLength = 255;
constexpr int kReadAttempts = 2;

// What an access to a file of an unloaded driver fails with: ENODEV through a
// descriptor opened before, ENOENT for a path; EBADF once the files are closed.
bool deviceIsGone(int error) { return error == ENODEV || error == ENOENT || error == EBADF; }

// The kernel ends every text attribute with one newline; a type keeps its
// trailing blank ("ui8 "), so only that newline goes.
std::string_view lineOf(std::span<const char> content) {
    std::string_view text(content.data(), content.size());
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

}  // namespace

AppleSmcDriver::AppleSmcDriver(std::unique_ptr<AppleSmcAttributes> attributes)
    : attributes_(std::move(attributes)) {}

SmcStatus AppleSmcDriver::open(uint32_t& handle) {
    const MutexLock lock(mutex_);
    if (!table_ && !reopen()) return kSmcNoDevice;
    reopenSpent_ = false;
    try {
        handle = handles_.open();
    } catch (const std::bad_alloc&) {
        return kSmcNoDevice;
    }
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::close(uint32_t handle) {
    const MutexLock lock(mutex_);
    return handles_.close(handle) ? kSmcSuccess : kSmcNotOpen;
}

SmcStatus AppleSmcDriver::callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                                           SmcKeyData& output) {
    const MutexLock lock(mutex_);
    if (!handles_.isOpen(handle)) return kSmcNotOpen;
    if (selector != kSmcSelector) return kSmcBadArgument;
    std::memset(&output, 0, sizeof output);
    if (!table_ && !reopenOnce()) return kSmcNoDevice;
    SmcStatus status = answer(input, output);
    // The device went away during the call; it may be back already, as after
    // a reload between two passes.
    if (!table_ && reopenOnce()) {
        std::memset(&output, 0, sizeof output);
        status = answer(input, output);
    }
    return table_ ? status : kSmcNoDevice;
}

SmcStatus AppleSmcDriver::answer(const SmcKeyData& input, SmcKeyData& output) {
    switch (input.command) {
        case kSmcCmdReadIndex: return answerKeyAtIndex(input, output);
        case kSmcCmdReadKeyInfo: return answerKeyInfo(input, output);
        case kSmcCmdReadBytes:
            // The message of a failed access is the one allocation a read can make.
            try {
                return answerReadBytes(input, output);
            } catch (const std::bad_alloc&) {
                return kSmcError;
            }
        default: return kSmcBadArgument;
    }
}

bool AppleSmcDriver::reopenOnce() {
    if (reopenSpent_) return false;
    reopenSpent_ = true;
    return reopen();
}

// The files by path, then the key table, which a driver loaded again may list
// differently. Whatever fails leaves every file closed, so that the next
// attempt starts from the paths.
bool AppleSmcDriver::reopen() {
    try {
        if (attributes_->open()) table_ = readKeyTable();
    } catch (const std::bad_alloc&) {
        table_.reset();
    }
    if (!table_) attributes_->close();
    return table_.has_value();
}

// Every access goes through here: the device gone, the files and the table
// built from them are dropped at once, and what follows fails without an
// access.
void AppleSmcDriver::noteFailure(const Error& error) {
    if (deviceIsGone(error.errnum)) {
        attributes_->close();
        table_.reset();
    }
}

Result<size_t> AppleSmcDriver::readAttribute(AppleSmcAttribute which, std::span<char> buffer) {
    Result<size_t> read = attributes_->read(which, buffer);
    if (!read) noteFailure(read.error());
    return read;
}

// One key_count read, then per index a selection and its three descriptions.
// A description the SMC refuses (EIO) leaves that index out for good, as the
// kernel will refuse it again; any other failure (the device going away)
// abandons the table so that the next reopen starts over.
std::optional<AppleSmcDriver::KeyTable> AppleSmcDriver::readKeyTable() {
    const Result<int64_t> count = readNumber(AppleSmcAttribute::keyCount);
    if (!count || *count < 0) return std::nullopt;
    KeyTable table;
    for (int64_t index = 0; index < *count; ++index) {
        const Result<> selected = select(static_cast<uint32_t>(index));
        // The SMC now counts more keys than the kernel loaded with; those it
        // cannot select.
        if (!selected && selected.error().errnum == EINVAL) break;
        if (!selected) return std::nullopt;
        const Result<KeyEntry> entry = describeSelected();
        if (!entry && entry.error().errnum != EIO && entry.error().errnum != kMalformed) return std::nullopt;
        if (entry) table.indexByCode.emplace(entry->code, static_cast<uint32_t>(index));
        table.byIndex.push_back(entry ? std::optional(*entry) : std::nullopt);
    }
    return table;
}

Result<AppleSmcDriver::KeyEntry> AppleSmcDriver::describeSelected() {
    const Result<uint32_t> code = readName(AppleSmcAttribute::keyAtIndexName);
    if (!code) return tl::unexpected(code.error());
    const Result<uint32_t> type = readName(AppleSmcAttribute::keyAtIndexType);
    if (!type) return tl::unexpected(type.error());
    const Result<int64_t> length = readNumber(AppleSmcAttribute::keyAtIndexDataLength);
    if (!length) return tl::unexpected(length.error());
    if (*length < 0 || *length > kMaxDataLength) return malformed(AppleSmcAttribute::keyAtIndexDataLength);
    return KeyEntry{*code, *type, static_cast<uint32_t>(*length)};
}

Result<> AppleSmcDriver::select(uint32_t index) {
    std::array<char, 16> text;
    auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), index);
    Result<> written =
        attributes_->write(AppleSmcAttribute::keyAtIndex, std::string_view(text.data(), end - text.data()));
    if (!written) noteFailure(written.error());
    return written;
}

Result<std::string_view> AppleSmcDriver::readLine(AppleSmcAttribute which, std::span<char> buffer) {
    const Result<size_t> read = readAttribute(which, buffer);
    if (!read) return tl::unexpected(read.error());
    return lineOf(buffer.first(*read));
}

Result<int64_t> AppleSmcDriver::readNumber(AppleSmcAttribute which) {
    std::array<char, 32> content;
    const Result<std::string_view> line = readLine(which, content);
    if (!line) return tl::unexpected(line.error());
    int64_t value = 0;
    auto [end, ec] = std::from_chars(line->data(), line->data() + line->size(), value);
    if (ec != std::errc() || end != line->data() + line->size()) return malformed(which);
    return value;
}

Result<uint32_t> AppleSmcDriver::readName(AppleSmcAttribute which) {
    std::array<char, 16> content;
    const Result<std::string_view> line = readLine(which, content);
    if (!line) return tl::unexpected(line.error());
    if (line->empty() || line->size() > 4) return malformed(which);
    return fourCharCode(*line);
}

// Select, read, and read the selection back: the data belongs to the key only
// if no other process moved the selection in between. A failed data read is
// checked the same way, as the key another process selected may be the one
// that fails.
AppleSmcDriver::DataRead AppleSmcDriver::readData(uint32_t index, const KeyEntry& entry, SmcKeyData& output) {
    if (!select(index)) return DataRead::failed;
    std::array<char, kMaxDataLength + 1> data;  // one more shows a longer answer
    const Result<size_t> read = readAttribute(AppleSmcAttribute::keyAtIndexData, data);
    const Result<int64_t> selected = readNumber(AppleSmcAttribute::keyAtIndex);
    if (!selected) return DataRead::failed;
    if (*selected != index) return DataRead::selectionMoved;
    if (!read || *read != entry.length) return DataRead::failed;
    std::memcpy(output.bytes, data.data(), std::min(*read, sizeof output.bytes));
    return DataRead::done;
}

const AppleSmcDriver::KeyEntry* AppleSmcDriver::entryOf(uint32_t keyCode, uint32_t& index) const {
    auto it = table_->indexByCode.find(keyCode);
    if (it == table_->indexByCode.end()) return nullptr;
    index = it->second;
    return &*table_->byIndex[index];
}

SmcStatus AppleSmcDriver::answerKeyAtIndex(const SmcKeyData& input, SmcKeyData& output) const {
    if (input.index >= table_->byIndex.size() || !table_->byIndex[input.index]) return kSmcNotFound;
    output.key = table_->byIndex[input.index]->code;
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::answerKeyInfo(const SmcKeyData& input, SmcKeyData& output) const {
    uint32_t index = 0;
    const KeyEntry* entry = entryOf(input.key, index);
    if (!entry) return kSmcNotFound;
    output.key = input.key;
    output.dataSize = entry->length;
    output.dataType = entry->type;
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::answerReadBytes(const SmcKeyData& input, SmcKeyData& output) {
    uint32_t index = 0;
    const KeyEntry* found = entryOf(input.key, index);
    if (!found) return kSmcNotFound;
    // A copy: the table goes as soon as an access finds the device gone.
    const KeyEntry entry = *found;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        switch (readData(index, entry, output)) {
            case DataRead::done: output.key = input.key; return kSmcSuccess;
            case DataRead::failed: return kSmcError;
            case DataRead::selectionMoved: break;
        }
    }
    return kSmcError;
}

}  // namespace platform::smc
