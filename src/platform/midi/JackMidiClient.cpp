#include "midi/JackMidiClient.h"

#include "midi/RtMidiPortSystem.h"

#include <new>
#include <thread>

namespace velisto {

namespace {

void silentJackMessage(const char*) {}

// libjack describes a failed attempt on stderr at length; here it is an ordinary answer,
// so its messages are silenced while client opens and restored afterwards.
jack_client_t* quietlyOpenClient(const std::string& name, jack_status_t& status)
{
    auto* const previousError = jack_error_callback;
    auto* const previousInfo = jack_info_callback;
    jack_set_error_function(silentJackMessage);
    jack_set_info_function(silentJackMessage);
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    jack_set_error_function(previousError);
    jack_set_info_function(previousInfo);
    return client;
}

constexpr int kOpenRetries = 5;
constexpr std::chrono::milliseconds kRetryPause{100};

void freeJackNames(const char** names) { jack_free(static_cast<void*>(names)); }

} // namespace

bool JackMidiClient::serverRuns(int attempts)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(kRetryPause);
        jack_status_t status{};
        if (jack_client_t* client = quietlyOpenClient(std::string(RtMidiPortSystem::clientName), status)) {
            jack_client_close(client);
            return true;
        }
    }
    return false;
}

std::vector<std::string> JackMidiClient::portNames(const JackMidiClient* client, unsigned long flags)
{
    jack_client_t* handle = client != nullptr ? client->client_ : nullptr;
    jack_status_t status{};
    jack_client_t* temporary = handle == nullptr ? quietlyOpenClient(std::string(RtMidiPortSystem::clientName), status) : nullptr;
    if (handle == nullptr && temporary == nullptr)
        return {};
    std::vector<std::string> names;
    std::unique_ptr<const char*, decltype(&freeJackNames)> ports(
        jack_get_ports(handle != nullptr ? handle : temporary, nullptr, JACK_DEFAULT_MIDI_TYPE, flags), freeJackNames);
    for (const char** port = ports.get(); port != nullptr && *port != nullptr; ++port)
        names.emplace_back(*port);
    if (temporary != nullptr)
        jack_client_close(temporary);
    return names;
}

std::shared_ptr<JackMidiClient> JackMidiClient::open(std::string_view name, MidiOpenError& error, std::string& detail)
{
    jack_status_t status{};
    jack_client_t* client = quietlyOpenClient(std::string(name), status);
    // A running server now and then refuses a client for a moment: right after another
    // closed, while another server sharing the machine's JACK metadata starts or stops, or
    // while it is too busy to answer in time, which libjack reports as a failed server.
    // Only a server that was seen running gets here, so each refusal is worth a retry.
    for (int retry = 0; client == nullptr && retry < kOpenRetries; ++retry) {
        std::this_thread::sleep_for(kRetryPause);
        client = quietlyOpenClient(std::string(name), status);
    }
    if (client == nullptr) {
        error = MidiOpenError::Other;
        detail = (status & JackServerFailed) != 0 ? "no JACK server is running"
                                                  : "JACK refused the client (status " + std::to_string(status) + ")";
        return nullptr;
    }
    std::shared_ptr<JackMidiClient> self(new (std::nothrow) JackMidiClient(client));
    if (!self) {
        jack_client_close(client);
        error = MidiOpenError::NoMemory;
        detail = "out of memory";
        return nullptr;
    }
    jack_on_shutdown(client, shutdownCallback, self.get());
    if (jack_set_process_callback(client, processCallback, self.get()) != 0 || jack_activate(client) != 0) {
        error = MidiOpenError::Other;
        detail = "JACK did not activate the client";
        return nullptr; // the destructor closes the client
    }
    error = MidiOpenError::None;
    detail.clear();
    return self;
}

JackMidiClient::~JackMidiClient()
{
    // Deactivating returns once the process callback has ended for good; only then do the
    // endpoints' owners (already detached) and this object go away.
    if (!serverGone_.load())
        jack_deactivate(client_);
    jack_client_close(client_);
}

std::string JackMidiClient::nextPortName(std::string_view prefix)
{
    return std::string(prefix) + " " + std::to_string(++portNumber_);
}

bool JackMidiClient::attach(Endpoint& endpoint)
{
    for (auto& slot : endpoints_) {
        Endpoint* expected = nullptr;
        if (slot.compare_exchange_strong(expected, &endpoint))
            return true;
    }
    return false;
}

bool JackMidiClient::detach(Endpoint& endpoint, std::chrono::milliseconds timeout)
{
    for (auto& slot : endpoints_) {
        Endpoint* expected = &endpoint;
        slot.compare_exchange_strong(expected, nullptr);
    }
    // A cycle that begins after this load finds the slot empty (all accesses are
    // sequentially consistent); one that is running now is waited for.
    const std::uint64_t marks = cycleMarks_.load();
    if (marks % 2 == 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (cycleMarks_.load() == marks) {
        if (serverGone_.load())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

bool JackMidiClient::waitCycles(std::uint64_t cycles, std::chrono::milliseconds timeout) const
{
    const std::uint64_t target = cyclesDone() + cycles;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (cyclesDone() < target) {
        if (serverGone_.load())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

int JackMidiClient::processCallback(jack_nframes_t frames, void* data) noexcept
{
    auto* self = static_cast<JackMidiClient*>(data);
    self->cycleMarks_.fetch_add(1);
    const jack_nframes_t cycleStart = jack_last_frame_time(self->client_);
    for (auto& slot : self->endpoints_)
        if (Endpoint* endpoint = slot.load())
            endpoint->process(frames, cycleStart);
    self->cycleMarks_.fetch_add(1);
    return 0;
}

void JackMidiClient::shutdownCallback(void* data) noexcept { static_cast<JackMidiClient*>(data)->serverGone_ = true; }

} // namespace velisto
