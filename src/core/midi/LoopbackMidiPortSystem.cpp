#include "midi/LoopbackMidiPortSystem.h"

#include "midi/MidiOutFramer.h"

#include <cstdio>
#include <utility>

namespace velisto {

class LoopbackMidiOutPort : public MidiOutPort {
  public:
    explicit LoopbackMidiOutPort(std::shared_ptr<LoopbackPortRecord> record) : record_(std::move(record))
    {
        std::lock_guard lock(record_->mutex_);
        record_->open_ = true;
        ++record_->opens_;
    }

    ~LoopbackMidiOutPort() override
    {
        std::lock_guard lock(record_->mutex_);
        record_->open_ = false;
    }

    LoopbackMidiOutPort(const LoopbackMidiOutPort&) = delete;
    LoopbackMidiOutPort& operator=(const LoopbackMidiOutPort&) = delete;

    bool sendShort(std::span<const std::uint8_t> bytes) override
    {
        return store(framer_.frameShort(bytes).has_value(), false, bytes);
    }

    bool sendLong(std::span<const std::uint8_t> bytes) override
    {
        return store(framer_.acceptLong(bytes), true, bytes);
    }

  private:
    bool store(bool accepted, bool isLong, std::span<const std::uint8_t> bytes)
    {
        std::lock_guard lock(record_->mutex_);
        if (!accepted) {
            ++record_->refused_;
            return false;
        }
        record_->messages_.push_back({isLong, {bytes.begin(), bytes.end()}});
        return true;
    }

    std::shared_ptr<LoopbackPortRecord> record_;
    MidiOutFramer framer_;
};

std::vector<LoopbackMessage> LoopbackPortRecord::messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> LoopbackPortRecord::texts() const
{
    std::vector<std::string> result;
    for (const LoopbackMessage& message : messages()) {
        std::string text = message.isLong ? "long " : "";
        for (std::size_t i = 0; i < message.bytes.size(); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", message.bytes[i]);
            text += hex;
        }
        result.push_back(std::move(text));
    }
    return result;
}

std::size_t LoopbackPortRecord::refusedCount() const
{
    std::lock_guard lock(mutex_);
    return refused_;
}

int LoopbackPortRecord::openCount() const
{
    std::lock_guard lock(mutex_);
    return opens_;
}

bool LoopbackPortRecord::isOpen() const
{
    std::lock_guard lock(mutex_);
    return open_;
}

void LoopbackPortRecord::clear()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
    refused_ = 0;
}

LoopbackMidiPortSystem::LoopbackMidiPortSystem(std::vector<std::string> portNames)
    : names_(std::move(portNames)), ports_(names_.size())
{
}

MidiOutOpenResult LoopbackMidiPortSystem::openOutput(int portId)
{
    MidiOutOpenResult result;
    if (!validId(portId)) {
        result.error = MidiOpenError::BadDeviceId;
        result.detail = "loopback port " + std::to_string(portId) + " does not exist";
        return result;
    }
    Port& port = ports_[static_cast<std::size_t>(portId)];
    if (port.failure != MidiOpenError::None) {
        result.error = port.failure;
        result.detail = port.failureDetail;
    } else if (port.record->isOpen()) {
        result.error = MidiOpenError::AlreadyAllocated;
        result.detail = "loopback port " + names_[static_cast<std::size_t>(portId)] + " is already open";
    } else {
        result.port = std::make_unique<LoopbackMidiOutPort>(port.record);
    }
    return result;
}

void LoopbackMidiPortSystem::setOpenFailure(int portId, MidiOpenError error, std::string detail)
{
    if (!validId(portId))
        return;
    Port& port = ports_[static_cast<std::size_t>(portId)];
    port.failure = error;
    port.failureDetail = std::move(detail);
}

std::shared_ptr<LoopbackPortRecord> LoopbackMidiPortSystem::record(int portId) const
{
    if (!validId(portId))
        return nullptr;
    return ports_[static_cast<std::size_t>(portId)].record;
}

} // namespace velisto
