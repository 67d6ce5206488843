// Opens, sends through and closes a JACK output port of Velisto's backend many times in a
// row, to a capture port on a running JACK server. Each cycle sends a note on, a short
// system exclusive message and a note off right after opening and closes right after
// sending, so a message sent before the connection runs, or one still queued at close, is
// missed by the capture. For the first half of the cycles a second port stays open, so the
// client lives on while ports come and go; in the second half each close also ends the
// client. Built with AddressSanitizer, it shows a cycle that touches freed memory.
//
//   JackMidiStressCheck CAPTURE_PORT CYCLES EXPECTED_FILE
//
// Writes the messages the capture must have received to EXPECTED_FILE, one hex line each
// in JackMidiCapture's format; the calling script compares. Exits 1 on the first failure.

#include "midi/MidiBackend.h"

#include "JackCheckSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace velisto;
    using namespace velisto::jackcheck;
    using Bytes = std::vector<std::uint8_t>;
    if (argc != 4) {
        std::fprintf(stderr, "usage: JackMidiStressCheck CAPTURE_PORT CYCLES EXPECTED_FILE\n");
        return 2;
    }
    const std::string capturePort = argv[1];
    const int cycles = std::atoi(argv[2]);

    const auto system = createMidiPortSystem();
    if (system->apiName() != "jack") {
        std::fprintf(stderr, "FAIL: VELISTO_MIDI_API=jack gave the \"%s\" backend\n", system->apiName().c_str());
        return 1;
    }
    const std::vector<std::string> names = system->outputPortNames();
    const auto found = std::find(names.begin(), names.end(), capturePort);
    if (found == names.end()) {
        std::fprintf(stderr, "FAIL: %s is not among the output ports\n", capturePort.c_str());
        return 1;
    }
    const int portId = static_cast<int>(found - names.begin());

    MidiOutOpenResult keeper = system->openOutput(portId);
    if (!keeper.port) {
        std::fprintf(stderr, "FAIL: opening the port that keeps the client: %s\n", keeper.detail.c_str());
        return 1;
    }
    std::ofstream expected(argv[3]);
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (cycle == cycles / 2)
            keeper.port.reset();
        const auto key = static_cast<std::uint8_t>(cycle % 128);
        const Bytes on{0x90, key, 0x40};
        const Bytes sysex{0xF0, 0x7D, static_cast<std::uint8_t>(cycle / 128 % 128), key, 0xF7};
        const Bytes off{0x80, key, 0x00};
        MidiOutOpenResult opened = system->openOutput(portId);
        if (!opened.port) {
            std::fprintf(stderr, "FAIL: cycle %d: opening %s: %s\n", cycle, capturePort.c_str(),
                         opened.detail.c_str());
            return 1;
        }
        check(opened.port->sendShort(on), "cycle " + std::to_string(cycle) + ": sendShort");
        check(opened.port->sendLong(sysex), "cycle " + std::to_string(cycle) + ": sendLong");
        check(opened.port->sendShort(off), "cycle " + std::to_string(cycle) + ": sendShort note off");
        opened.port.reset();
        for (const Bytes& message : {on, sysex, off})
            expected << hexLine(message) << '\n';
        if (failures > 0)
            return 1;
    }
    check(static_cast<bool>(expected.flush()), std::string("writing ") + argv[3]);
    return failures == 0 ? 0 : 1;
}
