// A JACK client with one MIDI input port that prints every message it receives, one line
// per message: the bytes as upper-case hex separated by spaces ("90 3C 64"), optionally
// preceded by the arrival time in seconds of JACK frame time. Integration tests connect
// Velisto's output to it and compare what arrives with what was sent.
//
//   JackMidiCapture [--name CLIENT] [--port PORT] [--count N] [--timeout SECONDS]
//                   [--wait SECONDS] [--timestamps] [--wall-clock]
//
// --wait gives a server that is still starting that long to appear. --wall-clock gives
// arrival times on the system's clock, from when the cycle began, instead of JACK's frame
// count, which falls behind for good when the server misses cycles (as a dummy driver on a
// busy machine does).
// Writes "READY CLIENT:PORT" to stderr once the port exists and is active. Exits 0 after N
// messages (without a count: on SIGINT/SIGTERM or at the timeout), 1 when the timeout
// passes before N messages,
// 2 when JACK cannot be used, 3 when messages were lost (capture buffer full or the server
// went away), so that a test never mistakes a broken capture for a quiet sender.
// Thread contract: the JACK process thread only writes the ring buffer; main reads it.

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string clientName = "velisto_capture";
    std::string portName = "midi_in";
    long count = -1; // -1: until a signal
    double timeoutSeconds = 30.0;
    double waitSeconds = 0.0;
    bool timestamps = false;
    bool wallClock = false;
};

// One captured message in the ring buffer: this header, then size bytes.
struct EventHeader {
    std::uint32_t size;
    double seconds; // arrival
};

constexpr std::size_t ringBytes = 4 * 1024 * 1024;

jack_port_t* inputPort = nullptr;
jack_ringbuffer_t* ring = nullptr;
std::atomic<bool> lostMessages{false};
std::atomic<bool> serverGone{false};
bool wallClock = false;
double sampleRate = 48000.0;
volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) { stopRequested = 1; }

int process(jack_nframes_t frames, void* arg)
{
    auto* client = static_cast<jack_client_t*>(arg);
    void* buffer = jack_port_get_buffer(inputPort, frames);
    const jack_nframes_t cycleStart = jack_last_frame_time(client);
    // The cycle's start on the system clock (JACK's clock is CLOCK_MONOTONIC).
    const double wallStart = static_cast<double>(jack_get_time()) / 1e6 - jack_frames_since_cycle_start(client) / sampleRate;
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0)
            continue;
        const double seconds = wallClock ? wallStart + event.time / sampleRate
                                         : static_cast<double>(cycleStart + event.time) / sampleRate;
        const EventHeader header{static_cast<std::uint32_t>(event.size), seconds};
        if (jack_ringbuffer_write_space(ring) < sizeof header + event.size) {
            lostMessages = true;
            continue;
        }
        jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&header), sizeof header);
        jack_ringbuffer_write(ring, reinterpret_cast<const char*>(event.buffer), event.size);
    }
    return 0;
}

void onShutdown(void*) { serverGone = true; }

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--timestamps") {
            options.timestamps = true;
        } else if (arg == "--wall-clock") {
            options.wallClock = true;
        } else if (arg == "--name" && hasValue) {
            options.clientName = argv[++i];
        } else if (arg == "--port" && hasValue) {
            options.portName = argv[++i];
        } else if (arg == "--count" && hasValue) {
            options.count = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--timeout" && hasValue) {
            options.timeoutSeconds = std::strtod(argv[++i], nullptr);
        } else if (arg == "--wait" && hasValue) {
            options.waitSeconds = std::strtod(argv[++i], nullptr);
        } else {
            std::fprintf(stderr, "usage: JackMidiCapture [--name CLIENT] [--port PORT] [--count N] "
                                 "[--timeout SECONDS] [--wait SECONDS] [--timestamps] [--wall-clock]\n");
            return false;
        }
    }
    return true;
}

// Prints what the process thread has captured so far; returns the number of messages.
long drain(bool timestamps)
{
    long printed = 0;
    std::vector<unsigned char> bytes;
    EventHeader header{};
    while (jack_ringbuffer_read_space(ring) >= sizeof header) {
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(&header), sizeof header);
        bytes.resize(header.size);
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(bytes.data()), header.size);
        std::string line;
        if (timestamps) {
            char time[32];
            std::snprintf(time, sizeof time, "%.6f ", header.seconds);
            line += time;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", bytes[i]);
            line += hex;
        }
        std::printf("%s\n", line.c_str());
        ++printed;
    }
    std::fflush(stdout);
    return printed;
}

void silent(const char*) {}

jack_client_t* openClient(const Options& options, jack_status_t& status)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.waitSeconds);
    for (;;) {
        const bool lastTry = std::chrono::steady_clock::now() >= deadline;
        // While waiting, libjack's account of each failed attempt is noise.
        if (!lastTry)
            jack_set_error_function(silent);
        jack_client_t* client = jack_client_open(options.clientName.c_str(), JackNoStartServer, &status);
        jack_set_error_function(nullptr);
        if (client != nullptr || lastTry)
            return client;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;

    jack_status_t status{};
    jack_client_t* client = openClient(options, status);
    if (client == nullptr) {
        std::fprintf(stderr, "JackMidiCapture: no JACK server (status 0x%x)\n", static_cast<unsigned>(status));
        return 2;
    }
    ring = jack_ringbuffer_create(ringBytes);
    wallClock = options.wallClock;
    sampleRate = static_cast<double>(jack_get_sample_rate(client));
    inputPort = jack_port_register(client, options.portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (ring == nullptr || inputPort == nullptr || jack_set_process_callback(client, process, client) != 0) {
        std::fprintf(stderr, "JackMidiCapture: cannot create the MIDI input port\n");
        jack_client_close(client);
        return 2;
    }
    jack_on_shutdown(client, onShutdown, nullptr);
    if (jack_activate(client) != 0) {
        std::fprintf(stderr, "JackMidiCapture: cannot activate the client\n");
        jack_client_close(client);
        return 2;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::fprintf(stderr, "READY %s\n", jack_port_name(inputPort));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    long received = 0;
    int result = 0;
    for (;;) {
        received += drain(options.timestamps);
        if (options.count >= 0 && received >= options.count)
            break;
        if (stopRequested || serverGone)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            if (options.count >= 0) {
                std::fprintf(stderr, "JackMidiCapture: timeout after %ld of %ld messages\n", received, options.count);
                result = 1;
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    if (!serverGone)
        jack_client_close(client);
    received += drain(options.timestamps);
    if (lostMessages || serverGone) {
        std::fprintf(stderr, "JackMidiCapture: messages lost (%s)\n",
                     serverGone ? "the JACK server went away" : "capture buffer full");
        result = 3;
    }
    jack_ringbuffer_free(ring);
    return result;
}
