#include "midi/JackMidiPortSystem.h"

#include "midi/GuardedOpen.h"

#include "midi/MidiOutFramer.h"
#include "midi/RtMidiPortSystem.h"

#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace velisto {

namespace {

using namespace std::chrono_literals;

// How long opening waits for JACK to run the new connection.
constexpr auto kConnectTimeout = 500ms;
// How long closing waits for what was sent to leave, and for a running cycle to end.
constexpr auto kDrainTimeout = 1000ms;
constexpr auto kCycleTimeout = 500ms;
// How long a send waits for room in a full ring buffer before it fails.
constexpr auto kSendTimeout = 200ms;

// Beyond this many periods ahead of the cycle, a send time is taken as from a clock that
// ran ahead of the frame count, not as the future.
constexpr std::int32_t kMaxPeriodsAhead = 4;

constexpr std::size_t kOutputRingBytes = 128 * 1024;
constexpr std::size_t kInputRingBytes = 64 * 1024;

// One port of Velisto's client, connected to one port of another client, with the ring
// buffer that carries its messages between the process cycle and the port's other thread.
class JackMidiLink : protected JackMidiClient::Endpoint {
protected:
    explicit JackMidiLink(std::shared_ptr<JackMidiClient> client) : client_(std::move(client)) {}
    ~JackMidiLink() { close(); }
    JackMidiLink(const JackMidiLink&) = delete;
    JackMidiLink& operator=(const JackMidiLink&) = delete;

    // Registers the port, attaches to the cycle and connects to other; returns once JACK runs
    // the connection. Fills error and detail on failure.
    bool open(bool output, const std::string& other, std::size_t ringBytes, MidiOpenError& error,
              std::string& detail)
    {
        jack_client_t* client = client_->handle();
        ring_ = jack_ringbuffer_create(ringBytes);
        if (ring_ == nullptr) {
            error = MidiOpenError::NoMemory;
            detail = "out of memory";
            return false;
        }
        const std::string ownName = client_->nextPortName(output ? "out" : "in");
        port_ = jack_port_register(client, ownName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                   output ? JackPortIsOutput : JackPortIsInput, 0);
        if (port_ == nullptr) {
            error = MidiOpenError::Other;
            detail = "JACK did not register the port " + ownName;
            return false;
        }
        if (!client_->attach(*this)) {
            error = MidiOpenError::NoMemory;
            detail = "too many open JACK MIDI ports";
            return false;
        }
        attached_ = true;
        const char* own = jack_port_name(port_);
        const int connected = output ? jack_connect(client, own, other.c_str()) : jack_connect(client, other.c_str(), own);
        if (connected != 0 && connected != EEXIST) {
            error = MidiOpenError::Other;
            detail = "JACK did not connect " + std::string(own) + " and " + other;
            return false;
        }
        // jack_connect returns when the server has taken the connection; the process cycle
        // runs it from the next graph change on, which jack_port_connected_to reports.
        const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
        while (jack_port_connected_to(port_, other.c_str()) == 0) {
            if (std::chrono::steady_clock::now() > deadline || client_->serverGone()) {
                error = MidiOpenError::Other;
                detail = "the connection to " + other + " did not come up within 500 ms";
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        // What a cycle the server misses carries is lost, and a client just activated is the
        // likeliest to miss one: the port counts as open once two cycles have run through it.
        client_->waitCycles(2, kCycleTimeout);
        return true;
    }

    // No process cycle visits the port from when this returns.
    void leaveCycle()
    {
        if (attached_)
            quiet_ = client_->detach(*this, kCycleTimeout);
        attached_ = false;
    }

    // Leaves the cycle, then unregisters and frees; safe to call twice.
    void close()
    {
        leaveCycle();
        if (port_ != nullptr && !client_->serverGone())
            jack_port_unregister(client_->handle(), port_);
        port_ = nullptr;
        // A cycle that never ended may still read the ring: then it is left alone.
        if (ring_ != nullptr && quiet_)
            jack_ringbuffer_free(ring_);
        ring_ = nullptr;
    }

    std::shared_ptr<JackMidiClient> client_;
    jack_port_t* port_ = nullptr;
    jack_ringbuffer_t* ring_ = nullptr;

private:
    bool attached_ = false;
    bool quiet_ = true; // false: a cycle may still be running in the port
};

// The JACK frame of now: the current cycle's first frame and the frames since it began.
// Both count from what the server really did, unlike jack_frame_time(), whose smoothed
// clock lags by as long as the server stood still after it missed cycles. Read again when
// a cycle began in between.
jack_nframes_t sendFrame(jack_client_t* client)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const jack_nframes_t cycleStart = jack_last_frame_time(client);
        const jack_nframes_t since = jack_frames_since_cycle_start(client);
        if (jack_last_frame_time(client) == cycleStart)
            return cycleStart + since;
    }
    return jack_frame_time(client);
}

// A message in an output ring: this header, then size bytes.
struct OutHeader {
    jack_nframes_t sentAt; // JACK frame of the send
    std::uint32_t size;
};

class JackMidiOutPort final : public MidiOutPort, private JackMidiLink {
public:
    explicit JackMidiOutPort(std::shared_ptr<JackMidiClient> client) : JackMidiLink(std::move(client)) {}

    ~JackMidiOutPort() override
    {
        // What was sent leaves first; once the ring is empty, the last cycle's port buffer
        // still has to reach the receiver, which the next cycle guarantees.
        if (connected_.load() && ring_ != nullptr) {
            const auto deadline = std::chrono::steady_clock::now() + kDrainTimeout;
            while (jack_ringbuffer_read_space(ring_) > 0 && !client_->serverGone() &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            client_->waitCycles(2, kCycleTimeout);
        }
        close();
    }

    JackMidiOutPort(const JackMidiOutPort&) = delete;
    JackMidiOutPort& operator=(const JackMidiOutPort&) = delete;

    bool open(const std::string& destination, MidiOpenError& error, std::string& detail)
    {
        if (!JackMidiLink::open(true, destination, kOutputRingBytes, error, detail))
            return false;
        connected_ = true;
        return true;
    }

    bool sendShort(std::span<const std::uint8_t> bytes) override
    {
        const auto message = framer_.frameShort(bytes);
        return message && transmit(message->view());
    }

    bool sendLong(std::span<const std::uint8_t> bytes) override
    {
        if (bytes.size() > JackMidiPortSystem::kMaxMessageBytes)
            return false;
        return framer_.acceptLong(bytes) && transmit(bytes);
    }

private:
    bool transmit(std::span<const std::uint8_t> bytes)
    {
        const OutHeader header{sendFrame(client_->handle()), static_cast<std::uint32_t>(bytes.size())};
        const std::size_t needed = sizeof header + bytes.size();
        const auto deadline = std::chrono::steady_clock::now() + kSendTimeout;
        while (jack_ringbuffer_write_space(ring_) < needed) {
            if (client_->serverGone() || std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        // Header and bytes become visible to the cycle together, with one advance.
        jack_ringbuffer_data_t parts[2];
        jack_ringbuffer_get_write_vector(ring_, parts);
        copyInto(parts, 0, reinterpret_cast<const char*>(&header), sizeof header);
        copyInto(parts, sizeof header, reinterpret_cast<const char*>(bytes.data()), bytes.size());
        jack_ringbuffer_write_advance(ring_, needed);
        return true;
    }

    // Copies size bytes to position at of the two-part write vector.
    static void copyInto(const jack_ringbuffer_data_t (&parts)[2], std::size_t at, const char* from, std::size_t size)
    {
        while (size > 0) {
            const bool first = at < parts[0].len;
            const jack_ringbuffer_data_t& part = first ? parts[0] : parts[1];
            const std::size_t offset = first ? at : at - parts[0].len;
            const std::size_t chunk = std::min(size, part.len - offset);
            std::memcpy(part.buf + offset, from, chunk);
            at += chunk;
            from += chunk;
            size -= chunk;
        }
    }

    void process(jack_nframes_t frames, jack_nframes_t cycleStart) noexcept override
    {
        void* buffer = jack_port_get_buffer(port_, frames);
        jack_midi_clear_buffer(buffer);
        if (!connected_.load())
            return;
        jack_nframes_t lastOffset = 0;
        bool wrote = false;
        for (;;) {
            OutHeader header{};
            if (jack_ringbuffer_read_space(ring_) < sizeof header)
                return;
            jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&header), sizeof header);
            const auto offset = JackMidiPortSystem::cycleOffset(header.sentAt, cycleStart, frames, lastOffset);
            if (!offset)
                return;
            jack_midi_data_t* event = jack_midi_event_reserve(buffer, *offset, header.size);
            if (event == nullptr && wrote)
                return; // the period's buffer is full; the rest goes next cycle
            jack_ringbuffer_read_advance(ring_, sizeof header);
            if (event == nullptr) {
                // Not even an empty buffer takes it: it would block the port for good.
                jack_ringbuffer_read_advance(ring_, header.size);
                continue;
            }
            jack_ringbuffer_read(ring_, reinterpret_cast<char*>(event), header.size);
            lastOffset = *offset;
            wrote = true;
        }
    }

    std::atomic<bool> connected_{false}; // nothing leaves the ring before the connection runs
    MidiOutFramer framer_;
};

// A received short message in an input ring.
struct InRecord {
    jack_nframes_t frame; // JACK frame time of its arrival
    MidiInMessage message;
};

class JackMidiInPort final : public MidiInPort, private JackMidiLink {
public:
    JackMidiInPort(std::shared_ptr<JackMidiClient> client, MidiInCallback callback)
        : JackMidiLink(std::move(client)), callback_(std::move(callback))
    {
        sem_init(&ready_, 0, 0);
    }

    ~JackMidiInPort() override
    {
        stop();
        leaveCycle(); // no cycle writes the ring or posts after this
        if (deliverer_.joinable()) {
            quit_ = true;
            sem_post(&ready_);
            deliverer_.join();
        }
        close();
        sem_destroy(&ready_);
    }

    JackMidiInPort(const JackMidiInPort&) = delete;
    JackMidiInPort& operator=(const JackMidiInPort&) = delete;

    // May throw std::system_error when the thread cannot start.
    bool open(const std::string& source, MidiOpenError& error, std::string& detail)
    {
        sampleRate_ = static_cast<double>(jack_get_sample_rate(client_->handle()));
        if (!JackMidiLink::open(false, source, kInputRingBytes, error, detail))
            return false;
        deliverer_ = std::thread([this] { deliver(); });
        return true;
    }

    bool start() override
    {
        std::lock_guard lock(mutex_);
        startFrame_ = jack_frame_time(client_->handle());
        started_ = true;
        return true;
    }

    void stop() override
    {
        std::lock_guard lock(mutex_);
        started_ = false;
    }

private:
    void process(jack_nframes_t frames, jack_nframes_t cycleStart) noexcept override
    {
        void* buffer = jack_port_get_buffer(port_, frames);
        if (!started_.load())
            return;
        bool posted = false;
        const std::uint32_t count = jack_midi_get_event_count(buffer);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0)
                continue;
            const auto message = shortInputMessage({event.buffer, event.size}, 0.0);
            if (!message || jack_ringbuffer_write_space(ring_) < sizeof(InRecord))
                continue;
            const InRecord record{cycleStart + event.time, *message};
            jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&record), sizeof record);
            posted = true;
        }
        if (posted)
            sem_post(&ready_);
    }

    // The port's thread: hands each received message to the callback while started.
    void deliver()
    {
        for (;;) {
            while (sem_wait(&ready_) != 0 && errno == EINTR) {
            }
            if (quit_.load())
                return;
            InRecord record{};
            while (jack_ringbuffer_read_space(ring_) >= sizeof record) {
                jack_ringbuffer_read(ring_, reinterpret_cast<char*>(&record), sizeof record);
                std::lock_guard lock(mutex_);
                if (!started_.load() || !callback_)
                    continue;
                const auto frames = static_cast<std::int32_t>(record.frame - startFrame_);
                record.message.time = std::max(frames, 0) / sampleRate_;
                try {
                    callback_(record.message);
                } catch (...) {
                    // Nothing may end the port's thread.
                }
            }
        }
    }

    MidiInCallback callback_;
    std::mutex mutex_; // held while the callback runs, so stop() waits for it
    std::atomic<bool> started_{false};
    jack_nframes_t startFrame_ = 0;
    double sampleRate_ = 48000.0;
    sem_t ready_{};
    std::atomic<bool> quit_{false};
    std::thread deliverer_;
};


} // namespace

std::optional<std::uint32_t> JackMidiPortSystem::cycleOffset(std::uint32_t sentAt, std::uint32_t cycleStart,
                                                             std::uint32_t frames, std::uint32_t earliest)
{
    // Signed distance, so that a counter that wrapped between send and cycle still compares.
    const auto due = static_cast<std::int32_t>(sentAt + frames - cycleStart);
    // A send lies at most a period before the cycle after it. Further ahead, the frame count
    // fell behind the clock the send was stamped by (the server missed cycles): waiting for
    // it to get there would hold the port for as long again, so the message goes now.
    const auto frameCount = static_cast<std::int32_t>(frames);
    if (due >= frameCount && due < kMaxPeriodsAhead * frameCount)
        return std::nullopt;
    if (due >= frameCount)
        return earliest;
    return std::max(earliest, static_cast<std::uint32_t>(std::max(due, 0)));
}

std::unique_ptr<JackMidiPortSystem> JackMidiPortSystem::create(std::string& error, int attempts)
{
    error.clear();
    if (!JackMidiClient::serverRuns(attempts)) {
        error = "no JACK server is running";
        return nullptr;
    }
    std::unique_ptr<JackMidiPortSystem> system(new (std::nothrow) JackMidiPortSystem());
    if (!system)
        error = "out of memory";
    return system;
}

std::shared_ptr<JackMidiClient> JackMidiPortSystem::client(MidiOpenError& error, std::string& detail)
{
    if (auto client = client_.lock(); client && !client->serverGone())
        return client;
    auto client = JackMidiClient::open(RtMidiPortSystem::clientName, error, detail);
    client_ = client;
    return client;
}

JackMidiPortSystem::Listing JackMidiPortSystem::list(unsigned long flags, const JackMidiClient* through)
{
    Listing listing;
    const std::shared_ptr<JackMidiClient> open = client_.lock();
    if (through == nullptr && open && !open->serverGone())
        through = open.get();
    listing.jackNames = JackMidiClient::portNames(through, flags);
    for (RtMidiPortSystem::ListedPort& port : RtMidiPortSystem::listPorts(RtMidiApi::Jack, listing.jackNames))
        listing.names.push_back(std::move(port.name));
    return listing;
}

std::vector<std::string> JackMidiPortSystem::outputPortNames()
{
    outputsListed_ = true;
    outputNames_ = list(JackPortIsInput, nullptr).names; // our output goes to their input ports
    return outputNames_;
}

std::vector<std::string> JackMidiPortSystem::inputPortNames()
{
    inputsListed_ = true;
    inputNames_ = list(JackPortIsOutput, nullptr).names;
    return inputNames_;
}

std::string JackMidiPortSystem::listedJackName(int portId, bool output, std::shared_ptr<JackMidiClient>& client,
                                               MidiOpenError& error, std::string& detail)
{
    if (output ? !outputsListed_ : !inputsListed_)
        output ? outputPortNames() : inputPortNames();
    const std::vector<std::string>& names = output ? outputNames_ : inputNames_;
    const std::string direction = output ? "output" : "input";
    if (portId < 0 || static_cast<std::size_t>(portId) >= names.size()) {
        error = MidiOpenError::BadDeviceId;
        detail = "there is no MIDI " + direction + " port " + std::to_string(portId) + " (" +
                 std::to_string(names.size()) + " listed)";
        return {};
    }
    // The ports' client asks: a client only for the question would come and go at every
    // open, and JACK takes a moment to let a closed client go.
    client = this->client(error, detail);
    if (!client)
        return {};
    // Looked up by name again: the id may belong to another port by now.
    const std::string& name = names[static_cast<std::size_t>(portId)];
    Listing listing = list(output ? JackPortIsInput : JackPortIsOutput, client.get());
    const auto ports = RtMidiPortSystem::listPorts(RtMidiApi::Jack, listing.jackNames);
    const auto port =
        std::find_if(ports.begin(), ports.end(), [&](const RtMidiPortSystem::ListedPort& p) { return p.name == name; });
    if (port == ports.end()) {
        error = MidiOpenError::BadDeviceId;
        detail = "the MIDI " + direction + " port \"" + name + "\" is no longer there";
        return {};
    }
    return listing.jackNames[port->rtMidiIndex];
}

MidiOutOpenResult JackMidiPortSystem::openOutput(int portId)
{
    return guardedOpen<MidiOutOpenResult>([&](MidiOutOpenResult& result) {
        std::shared_ptr<JackMidiClient> shared;
        const std::string destination = listedJackName(portId, true, shared, result.error, result.detail);
        if (destination.empty())
            return;
        auto port = std::make_unique<JackMidiOutPort>(std::move(shared));
        if (port->open(destination, result.error, result.detail))
            result.port = std::move(port);
    });
}

MidiInOpenResult JackMidiPortSystem::openInput(int portId, MidiInCallback callback)
{
    return guardedOpen<MidiInOpenResult>([&](MidiInOpenResult& result) {
        std::shared_ptr<JackMidiClient> shared;
        const std::string source = listedJackName(portId, false, shared, result.error, result.detail);
        if (source.empty())
            return;
        auto port = std::make_unique<JackMidiInPort>(std::move(shared), std::move(callback));
        if (port->open(source, result.error, result.detail))
            result.port = std::move(port);
    });
}

} // namespace velisto
