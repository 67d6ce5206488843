#include "playback/MidiInputConnection.h"

#include "app/UserPrompt.h"
#include "midi/MidiInputText.h"
#include "playback/MidiInputRouter.h"

#include <string>
#include <utility>
#include <vector>

namespace velisto {

MidiInputConnection::~MidiInputConnection() { close(); }

MidiOpenError MidiInputConnection::open(MidiPortSystem& ports, int portNumber, MidiInputRouter& router)
{
    close();
    if (portNumber == -1)
        return MidiOpenError::None;
    if (portNumber < 0)
        return MidiOpenError::BadDeviceId;
    MidiInOpenResult opened =
        ports.openInput(portNumber, [&router](const MidiInMessage& message) { router.onMessage(message); });
    if (opened.error != MidiOpenError::None)
        return opened.error;
    if (!opened.port)
        return MidiOpenError::Other;
    // An opened port that does not start delivers nothing; it counts as not opened.
    if (!opened.port->start())
        return MidiOpenError::Other;
    port_ = std::move(opened.port);
    portNumber_ = portNumber;
    return MidiOpenError::None;
}

void MidiInputConnection::close()
{
    if (!port_)
        return;
    port_->stop();
    port_.reset();
    portNumber_ = -1;
}

bool openInputFromUserInterface(MidiInputConnection& connection, MidiPortSystem& ports, int portNumber,
                                MidiInputRouter& router, UserPrompt& prompt)
{
    const MidiOpenError error = connection.open(ports, portNumber, router);
    if (error == MidiOpenError::None)
        return true;
    prompt.message(midiInputOpenFailureText(error, MidiInputOpenContext::StartUp), std::string(kInputOpenCaption),
                   PromptIcon::Error);
    return false;
}

int inputPortNumber(MidiPortSystem& ports, std::string_view name)
{
    const std::vector<std::string> names = ports.inputPortNames();
    for (std::size_t port = 0; port < names.size(); ++port)
        if (names[port] == name)
            return static_cast<int>(port);
    return -1;
}

} // namespace velisto
