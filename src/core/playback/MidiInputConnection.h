#pragma once
// The program's one open MIDI input port: the keyboard whose messages go to the input
// router (MIDI thru and recording). Opening another port, or the same one again, first
// stops and closes the port that is open, so there is never more than one.
//
// Thread contract: user-interface thread only (like MidiInPort's open, start, stop and
// close); the router's callback runs on the backend's thread between open and close.

#include "midi/MidiPortSystem.h"

#include <memory>
#include <string_view>

namespace velisto {

class MidiInputRouter;
class UserPrompt;

inline constexpr std::string_view kInputOpenCaption = "MIDI in open";

class MidiInputConnection {
public:
    MidiInputConnection() = default;
    ~MidiInputConnection();
    MidiInputConnection(const MidiInputConnection&) = delete;
    MidiInputConnection& operator=(const MidiInputConnection&) = delete;

    // Closes the open port, then opens and starts input port portNumber with its messages
    // going to router (which must outlive the connection or its next close). portNumber -1
    // only closes. Returns why the port did not open (None on success); nothing is open
    // then.
    MidiOpenError open(MidiPortSystem& ports, int portNumber, MidiInputRouter& router);
    // Stops the port (a running callback is waited for) and closes it.
    void close();

    bool isOpen() const { return port_ != nullptr; }
    // The open port's number, -1 when none is open.
    int portNumber() const { return portNumber_; }

private:
    std::unique_ptr<MidiInPort> port_;
    int portNumber_ = -1;
};

// open(), and on failure the start-up message (error icon, caption "MIDI in open"): false
// then, and the caller forgets the port ("devicenr" -1). True for portNumber -1.
bool openInputFromUserInterface(MidiInputConnection& connection, MidiPortSystem& ports, int portNumber,
                                MidiInputRouter& router, UserPrompt& prompt);

// The first input port with exactly this name; -1 when none has it.
int inputPortNumber(MidiPortSystem& ports, std::string_view name);

} // namespace velisto
