// A JACK client with one MIDI output port that plays a short fixed phrase once something is
// connected to the port, the way a keyboard plays into Velisto's input. Between the notes it
// sends clock, active sensing and a sysex message, which Velisto's input must drop.
//
//   JackMidiKeyboard CLIENT PORT TIMEOUT_SECONDS
//
// Writes "READY CLIENT:PORT" to stderr once the port exists and is active and "SENT" once
// the phrase is out. Exits 0 a second after sending, 1 when nothing connected before the
// timeout, 2 when JACK cannot be used.
// Thread contract: the JACK process thread plays; main only waits and reads an atomic.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two messages per process cycle, at different frames, so that order inside a cycle counts
// as well as order across cycles.
const std::vector<Bytes> phrase{
    {0x90, 0x3C, 0x64},
    {0xF8},
    {0x90, 0x40, 0x64},
    {0xFE},
    {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
    {0x80, 0x3C, 0x00},
    {0xB0, 0x07, 0x50},
    {0xF8},
    {0xC1, 0x05},
    {0x80, 0x40, 0x00},
};
constexpr std::size_t messagesPerCycle = 2;
// Cycles to let the connection settle on both sides before playing.
constexpr int settleCycles = 8;

jack_port_t* outputPort = nullptr;
std::atomic<int> connectedCycles{0};
std::atomic<std::size_t> sent{0};

int process(jack_nframes_t frames, void*)
{
    void* buffer = jack_port_get_buffer(outputPort, frames);
    jack_midi_clear_buffer(buffer);
    if (jack_port_connected(outputPort) <= 0)
        return 0;
    if (connectedCycles.fetch_add(1) < settleCycles)
        return 0;
    std::size_t next = sent.load();
    for (std::size_t i = 0; i < messagesPerCycle && next < phrase.size(); ++i, ++next) {
        const Bytes& message = phrase[next];
        const auto frame = static_cast<jack_nframes_t>(i * 10 < frames ? i * 10 : frames - 1);
        if (jack_midi_event_write(buffer, frame, message.data(), message.size()) != 0)
            break; // tried again next cycle
    }
    sent.store(next);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: JackMidiKeyboard CLIENT PORT TIMEOUT_SECONDS\n");
        return 2;
    }
    const std::string clientName = argv[1];
    const std::string portName = argv[2];
    const double timeoutSeconds = std::strtod(argv[3], nullptr);

    jack_client_t* client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr) {
        std::fprintf(stderr, "no JACK server to play into\n");
        return 2;
    }
    outputPort = jack_port_register(client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (outputPort == nullptr || jack_set_process_callback(client, process, nullptr) != 0 ||
        jack_activate(client) != 0) {
        std::fprintf(stderr, "could not set up the port %s\n", portName.c_str());
        jack_client_close(client);
        return 2;
    }
    std::fprintf(stderr, "READY %s\n", jack_port_name(outputPort));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (sent.load() < phrase.size() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool played = sent.load() == phrase.size();
    if (played) {
        std::fprintf(stderr, "SENT\n");
        std::this_thread::sleep_for(std::chrono::seconds(1)); // let the receiver's cycle take them
    } else {
        std::fprintf(stderr, "nothing connected to %s in time\n", portName.c_str());
    }
    jack_client_close(client);
    return played ? 0 : 1;
}
