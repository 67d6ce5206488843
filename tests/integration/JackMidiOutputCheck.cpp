// Sends through Velisto's MIDI output backend to a capture port on a running JACK server:
// first the device table opens the port as a device (which sends the mode-enter message),
// then the backend chosen by VELISTO_MIDI_API (which must give JACK) opens the port found
// by name in the port list, sends a few messages and closes it.
//
//   JackMidiOutputCheck CAPTURE_PORT EXPECTED_FILE
//
// Checks on the way what can be checked from here and exits 1 with a reason on the first
// failure. Writes the messages the capture must have received, one hex line each in
// JackMidiCapture's format, to EXPECTED_FILE; the calling script compares.

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/MidiBackend.h"
#include "midi/RtMidiPortSystem.h"

#include "JackCheckSupport.h"

#include <jack/jack.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sysex(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 1; i + 1 < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 128);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace velisto;
    using namespace velisto::jackcheck;
    if (argc != 3) {
        std::fprintf(stderr, "usage: JackMidiOutputCheck CAPTURE_PORT EXPECTED_FILE\n");
        return 2;
    }
    const std::string capturePort = argv[1];

    const auto system = createMidiPortSystem();
    if (system->apiName() != "jack") {
        std::fprintf(stderr, "FAIL: VELISTO_MIDI_API=jack gave the \"%s\" backend\n", system->apiName().c_str());
        return 1;
    }
    jack_client_t* ownClient = openOwnPort("Velisto in", JackPortIsInput);
    check(ownClient != nullptr, "could not create the client \"Velisto\" with an input port");

    const std::vector<std::string> names = system->outputPortNames();
    checkListedPorts("output", names);
    const auto found = std::find(names.begin(), names.end(), capturePort);
    if (found == names.end()) {
        std::fprintf(stderr, "FAIL: %s is not among the output ports\n", capturePort.c_str());
        return 1;
    }

    for (const int badId : {-1, static_cast<int>(names.size())}) {
        const MidiOutOpenResult result = system->openOutput(badId);
        check(!result.port && result.error == MidiOpenError::BadDeviceId,
              "port id " + std::to_string(badId) + " is not refused as out of range");
    }

    const Bytes noteOn{0x90, 0x3C, 0x64};
    const Bytes gmSystemOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

    // The device table lists the capture port as a device; opening it (no stored record:
    // GM) sends GM System On so that receiver and model agree.
    {
        MemoryProfileStore store;
        DeviceTable table(*system, store);
        const int index = table.indexOf(capturePort);
        check(index >= DeviceTable::kFirstPortIndex, "the device table does not list " + capturePort);
        if (index >= DeviceTable::kFirstPortIndex) {
            const std::string error = table.open(index);
            check(error.empty(), "the device table could not open the port: " + error);
            check(table.device(index).liveModeName() == "GM", "a port without a record opens in GM");
            check(table.close(index).empty(), "closing the device");
        }
    }

    const Bytes bulk = sysex(4000); // far beyond what a JACK event stores inline
    const Bytes noteOff{0x80, 0x3C, 0x00};
    {
        MidiOutOpenResult opened = system->openOutput(static_cast<int>(found - names.begin()));
        if (!opened.port) {
            std::fprintf(stderr, "FAIL: opening %s: %s\n", capturePort.c_str(), opened.detail.c_str());
            return 1;
        }
        MidiOutPort& port = *opened.port;
        check(port.sendShort(noteOn), "sendShort 90 3C 64");
        check(port.sendLong(gmSystemOn), "sendLong GM System On");
        check(port.sendShort(noteOn), "sendShort 90 3C 64 after sysex");
        check(port.sendShort(Bytes{0x3E, 0x64}), "sendShort with running status");
        check(!port.sendLong(sysex(20000)), "a sysex too big for JACK is not reported as sent");
        check(port.sendLong(bulk), "sendLong of 4000 bytes");
        check(!port.sendShort(Bytes{0x3C, 0x00}), "running status after a sysex is refused");
        check(port.sendShort(noteOff), "sendShort 80 3C 00");
        // Closed right away: what was sent must still arrive.
    }
    if (ownClient != nullptr)
        jack_client_close(ownClient);

    std::ofstream expected(argv[2]);
    for (const Bytes& message : {gmSystemOn, noteOn, gmSystemOn, noteOn, Bytes{0x90, 0x3E, 0x64}, bulk, noteOff})
        expected << hexLine(message) << '\n';
    check(static_cast<bool>(expected.flush()), std::string("writing ") + argv[2]);
    return failures == 0 ? 0 : 1;
}
