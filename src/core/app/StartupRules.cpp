#include "app/StartupRules.h"

#include "app/CommandIds.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "playback/MidiInputConnection.h"

#include <algorithm>
#include <cctype>

namespace velisto {
namespace {

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

} // namespace

std::string startupFileFromArguments(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += argument;
    }
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
        return line.substr(1, line.size() - 2);
    return line;
}

std::string startupFileName(std::string_view name)
{
    std::string file(name);
    if (!containsIgnoringCase(name, ".mid") && !containsIgnoringCase(name, ".kar"))
        file += ".mid";
    return file;
}

std::optional<std::string_view> screenProblem(int screenWidth, int colourDepth)
{
    if (screenWidth < kMinScreenWidth)
        return kScreenTooSmallText;
    // Depths of 24 bits and more are plenty; shifting them would only overflow.
    if (colourDepth > 0 && colourDepth < 24 && (1LL << colourDepth) < kMinScreenColours)
        return kTooFewColoursText;
    return std::nullopt;
}

int startupInputPort(int devicenr, int portCount) { return devicenr < 0 || devicenr > portCount ? -1 : devicenr; }

bool inputPortMustBeChosen(int devicenr, int portCount) { return startupInputPort(devicenr, portCount) < 0; }

bool openStartupInput(int& devicenr, MidiPortSystem& ports, MidiInputConnection& connection, MidiInputRouter& router,
                      UserPrompt& prompt, const ChooseInputPort& choose)
{
    for (;;) {
        const std::vector<std::string> names = ports.inputPortNames();
        const int count = static_cast<int>(names.size());
        devicenr = startupInputPort(devicenr, count);
        if (devicenr < 0) {
            const std::optional<int> chosen = choose ? choose(names) : std::nullopt;
            if (!chosen)
                return false;
            // An answer outside the list asks again rather than opening a port that is not there.
            devicenr = startupInputPort(*chosen, count);
            continue;
        }
        if (devicenr == count)
            return true;
        if (openInputFromUserInterface(connection, ports, devicenr, router, prompt))
            return true;
        devicenr = -1;
    }
}

std::vector<unsigned> windowsToReopen(const DisplaySettings& display)
{
    std::vector<unsigned> commands;
    if (display.listeditorwasopeninlastsession)
        commands.push_back(CommandId::ListEditor);
    if (display.keyboardwasopeninlastsession)
        commands.push_back(CommandId::VirtualKeyboard);
    return commands;
}

} // namespace velisto
