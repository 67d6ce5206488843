#pragma once
// What the JACK check programs share: failure counting, a port of a client named like
// Velisto's own (which must not be listed as a port to connect to), the port list, and
// messages as JackMidiCapture prints them.

#include <jack/jack.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velisto::jackcheck {

inline int failures = 0;

inline void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
        ++failures;
    }
}

// A client "Velisto" with one MIDI port (flags: JackPortIsInput or JackPortIsOutput);
// null when JACK refuses.
inline jack_client_t* openOwnPort(const char* portName, unsigned long flags)
{
    jack_client_t* client = jack_client_open("Velisto", JackNoStartServer, nullptr);
    if (client != nullptr && jack_port_register(client, portName, JACK_DEFAULT_MIDI_TYPE, flags, 0))
        return client;
    if (client != nullptr)
        jack_client_close(client);
    return nullptr;
}

// The bytes as JackMidiCapture prints a message: upper-case hex separated by spaces.
inline std::string hexLine(const std::vector<std::uint8_t>& bytes)
{
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", bytes[i]);
        line += hex;
    }
    return line;
}

// Prints the ports to stderr and checks that none of Velisto's own is among them.
inline void checkListedPorts(const char* what, const std::vector<std::string>& names)
{
    std::fprintf(stderr, "%s ports:", what);
    for (const auto& name : names)
        std::fprintf(stderr, " [%s]", name.c_str());
    std::fprintf(stderr, "\n");
    for (const auto& name : names)
        check(name.rfind("Velisto", 0) != 0, "Velisto's own port is listed: " + name);
}

} // namespace velisto::jackcheck
