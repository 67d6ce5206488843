// Receives through Velisto's MIDI input backend from a keyboard port on a running JACK
// server: the backend chosen by VELISTO_MIDI_API (which must give JACK) opens the port
// found by name in the input port list, starts it and collects what the callback receives.
//
//   JackMidiInputCheck KEYBOARD_PORT
//
// The keyboard is JackMidiKeyboard, which plays once connected. Exits 1 with a reason on
// the first failure.

#include "midi/MidiBackend.h"

#include "JackCheckSupport.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string text(const velisto::MidiInMessage& m)
{
    char line[16];
    std::snprintf(line, sizeof line, "%02X %02X %02X", m.status, m.data1, m.data2);
    return line;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace velisto;
    using namespace velisto::jackcheck;
    if (argc != 2) {
        std::fprintf(stderr, "usage: JackMidiInputCheck KEYBOARD_PORT\n");
        return 2;
    }
    const std::string keyboardPort = argv[1];

    const auto system = createMidiPortSystem();
    if (system->apiName() != "jack") {
        std::fprintf(stderr, "FAIL: VELISTO_MIDI_API=jack gave the \"%s\" backend\n", system->apiName().c_str());
        return 1;
    }
    jack_client_t* ownClient = openOwnPort("Velisto out", JackPortIsOutput);
    check(ownClient != nullptr, "could not create the client \"Velisto\" with an output port");

    const std::vector<std::string> names = system->inputPortNames();
    checkListedPorts("input", names);
    const auto found = std::find(names.begin(), names.end(), keyboardPort);
    if (found == names.end()) {
        std::fprintf(stderr, "FAIL: %s is not among the input ports\n", keyboardPort.c_str());
        return 1;
    }
    for (const int badId : {-1, static_cast<int>(names.size())}) {
        const MidiInOpenResult result = system->openInput(badId, [](const MidiInMessage&) {});
        check(!result.port && result.error == MidiOpenError::BadDeviceId,
              "input port id " + std::to_string(badId) + " is not refused as out of range");
    }

    std::mutex mutex;
    std::vector<MidiInMessage> received;
    MidiInOpenResult opened = system->openInput(static_cast<int>(found - names.begin()), [&](const MidiInMessage& m) {
        std::lock_guard lock(mutex);
        received.push_back(m);
    });
    if (!opened.port) {
        std::fprintf(stderr, "FAIL: opening %s: %s\n", keyboardPort.c_str(), opened.detail.c_str());
        return 1;
    }
    check(opened.port->start(), "starting the input port");

    const std::vector<std::string> expected{"90 3C 64", "90 40 64", "80 3C 00", "B0 07 50", "C1 05 00", "80 40 00"};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (received.size() >= expected.size())
                break;
        }
        if (std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Anything dropped by the filter would have come by now; wait a little for strays.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    opened.port->stop();
    opened.port.reset();
    if (ownClient != nullptr)
        jack_client_close(ownClient);

    std::vector<std::string> texts;
    double previous = -1.0;
    for (const MidiInMessage& m : received) {
        texts.push_back(text(m));
        check(m.time >= previous && m.time >= 0.0, "times go backwards at " + text(m));
        previous = m.time;
    }
    if (texts != expected) {
        std::fprintf(stderr, "FAIL: received, in this order:");
        for (const auto& t : texts)
            std::fprintf(stderr, " [%s]", t.c_str());
        std::fprintf(stderr, "\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
