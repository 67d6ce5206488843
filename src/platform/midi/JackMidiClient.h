#pragma once
// Velisto's one JACK client, shared by every open JACK MIDI port (JackMidiPortSystem) and
// closed with the last of them. Its process callback visits the attached endpoints, each of
// which moves one port's messages between the port buffer and a ring buffer of its own.
//
// Endpoints sit in a fixed table of atomic pointers, so that the callback never allocates
// and never waits for a lock. detach() returns only when no process cycle can still reach
// the endpoint: then its memory may be freed.
//
// Thread contract: open, attach, detach and the destructor on the user-interface thread;
// Endpoint::process in JACK's process thread; handle() and cyclesDone() on any thread.

#include "midi/MidiPortSystem.h"

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velisto {

class JackMidiClient {
public:
    class Endpoint {
    public:
        // One process cycle of frames frames starting at JACK frame cycleStart. Real-time:
        // no allocation, no lock, no system call that may block.
        virtual void process(jack_nframes_t frames, jack_nframes_t cycleStart) noexcept = 0;

    protected:
        ~Endpoint() = default;
    };

    // Opens and activates a client named name (JACK appends "-01" ... when it is taken).
    // Null on failure, with the reason in error and detail.
    static std::shared_ptr<JackMidiClient> open(std::string_view name, MidiOpenError& error, std::string& detail);

    // Whether a JACK server runs; asks without starting one and without libjack's messages,
    // up to attempts times 100 ms apart (a busy server may not answer the first time).
    static bool serverRuns(int attempts = 1);
    // JACK's full names of the MIDI ports with these flags (JackPortIsInput or
    // JackPortIsOutput), asked through client, or through a client for the question when
    // it is null; empty without a server.
    static std::vector<std::string> portNames(const JackMidiClient* client, unsigned long flags);

    ~JackMidiClient();
    JackMidiClient(const JackMidiClient&) = delete;
    JackMidiClient& operator=(const JackMidiClient&) = delete;

    jack_client_t* handle() const { return client_; }
    // A short port name not used yet by this client: prefix + " " + a number.
    std::string nextPortName(std::string_view prefix);

    // False when every slot is taken.
    bool attach(Endpoint& endpoint);
    // The endpoint is no longer visited; true once no cycle can still reach it, false when
    // a cycle did not end within timeout (the endpoint must then never be freed).
    bool detach(Endpoint& endpoint, std::chrono::milliseconds timeout);

    // Process cycles completed so far; callers wait for it to advance.
    std::uint64_t cyclesDone() const { return cycleMarks_.load() / 2; }
    // Waits until cycles cycles have completed after now, the server has gone or timeout
    // has passed; true in the first two cases.
    bool waitCycles(std::uint64_t cycles, std::chrono::milliseconds timeout) const;
    // The server shut down or threw the client out; no cycle runs any more.
    bool serverGone() const { return serverGone_.load(); }

    static constexpr std::size_t kMaxEndpoints = 256;

private:
    explicit JackMidiClient(jack_client_t* client) : client_(client) {}
    static int processCallback(jack_nframes_t frames, void* self) noexcept;
    static void shutdownCallback(void* self) noexcept;

    jack_client_t* client_;
    std::array<std::atomic<Endpoint*>, kMaxEndpoints> endpoints_{};
    // Raised to odd as a cycle begins and to even as it ends, so detach() can tell whether a
    // cycle is running and wait for its end.
    std::atomic<std::uint64_t> cycleMarks_{0};
    std::atomic<bool> serverGone_{false};
    unsigned portNumber_ = 0;
};

} // namespace velisto
