#include "midi/LoopbackMidiPortSystem.h"

#include "midi/MidiOutFramer.h"

#include <cstdio>
#include <utility>

namespace velisto {

struct LoopbackInputState {
    std::mutex mutex; // held while the callback runs, so stop() waits for it
    bool open = false;
    bool started = false;
    MidiInCallback callback;
    MidiOpenError failure = MidiOpenError::None;
    std::string failureDetail;
};

class LoopbackMidiInPort : public MidiInPort {
public:
    LoopbackMidiInPort(std::shared_ptr<LoopbackInputState> state, MidiInCallback callback) : state_(std::move(state))
    {
        std::lock_guard lock(state_->mutex);
        state_->open = true;
        state_->started = false;
        state_->callback = std::move(callback);
    }

    ~LoopbackMidiInPort() override
    {
        std::lock_guard lock(state_->mutex);
        state_->open = false;
        state_->started = false;
        state_->callback = nullptr;
    }

    LoopbackMidiInPort(const LoopbackMidiInPort&) = delete;
    LoopbackMidiInPort& operator=(const LoopbackMidiInPort&) = delete;

    bool start() override
    {
        std::lock_guard lock(state_->mutex);
        state_->started = true;
        return true;
    }

    void stop() override
    {
        std::lock_guard lock(state_->mutex);
        state_->started = false;
    }

private:
    std::shared_ptr<LoopbackInputState> state_;
};

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

LoopbackMidiPortSystem::LoopbackMidiPortSystem(std::vector<std::string> portNames, std::vector<std::string> inputNames)
    : names_(std::move(portNames)), ports_(names_.size()), inputNames_(std::move(inputNames))
{
    for (std::size_t i = 0; i < inputNames_.size(); ++i)
        inputs_.push_back(std::make_shared<LoopbackInputState>());
}

MidiInOpenResult LoopbackMidiPortSystem::openInput(int portId, MidiInCallback callback)
{
    MidiInOpenResult result;
    if (!validInputId(portId)) {
        result.error = MidiOpenError::BadDeviceId;
        result.detail = "loopback input port " + std::to_string(portId) + " does not exist";
        return result;
    }
    const std::shared_ptr<LoopbackInputState>& state = inputs_[static_cast<std::size_t>(portId)];
    {
        std::lock_guard lock(state->mutex);
        if (state->failure != MidiOpenError::None) {
            result.error = state->failure;
            result.detail = state->failureDetail;
            return result;
        }
        if (state->open) {
            result.error = MidiOpenError::AlreadyAllocated;
            result.detail = "loopback input port " + inputNames_[static_cast<std::size_t>(portId)] + " is already open";
            return result;
        }
    }
    result.port = std::make_unique<LoopbackMidiInPort>(state, std::move(callback));
    return result;
}

void LoopbackMidiPortSystem::setInputOpenFailure(int portId, MidiOpenError error, std::string detail)
{
    if (!validInputId(portId))
        return;
    LoopbackInputState& state = *inputs_[static_cast<std::size_t>(portId)];
    std::lock_guard lock(state.mutex);
    state.failure = error;
    state.failureDetail = std::move(detail);
}

bool LoopbackMidiPortSystem::inject(int portId, std::span<const std::uint8_t> bytes, double time)
{
    if (!validInputId(portId))
        return false;
    LoopbackInputState& state = *inputs_[static_cast<std::size_t>(portId)];
    std::lock_guard lock(state.mutex);
    if (!state.open || !state.started || !state.callback)
        return false;
    const auto message = shortInputMessage(bytes, time);
    if (!message)
        return false;
    state.callback(*message);
    return true;
}

bool LoopbackMidiPortSystem::isInputOpen(int portId) const
{
    if (!validInputId(portId))
        return false;
    LoopbackInputState& state = *inputs_[static_cast<std::size_t>(portId)];
    std::lock_guard lock(state.mutex);
    return state.open;
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
