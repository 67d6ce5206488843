#pragma once
// The checks and choices of the program's start that need no window: the file named on
// the command line, the display, and the MIDI input port.
//
// Thread contract: user-interface thread (the input loop opens a port and asks the user).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

struct DisplaySettings;
class MidiInputConnection;
class MidiInputRouter;
class MidiPortSystem;
class UserPrompt;

inline constexpr std::string_view kFatalErrorTitle = "Fatal error";
inline constexpr std::string_view kNoCurrentDirectoryText = "Current directoy not available";
inline constexpr std::string_view kScreenTooSmallText = "This program needs at least 800 x 600 resolution display !";
inline constexpr std::string_view kTooFewColoursText = "This program needs TRUE or HIGH color display !";
// The input port dialog's last entry, whose number is the port count: no input.
inline constexpr std::string_view kNoInputPortEntry = "Pseudo if none installed";

inline constexpr int kMinScreenWidth = 790;
inline constexpr long long kMinScreenColours = 65536;

// The file to open once the window is up, from the arguments after the program's name,
// taken together as one command line: a pair of surrounding double quotes is removed,
// a lone quote at one end is kept. Empty when nothing was named.
std::string startupFileFromArguments(const std::vector<std::string>& arguments);

// The start-up file's name as it is loaded: ".mid" appended when the name holds neither
// ".mid" nor ".kar", in any letter case.
std::string startupFileName(std::string_view name);

// Why the display cannot run the program (the fatal message), or nullopt. colourDepth is
// bits per pixel; 0 or less means the display reports none and counts as enough.
std::optional<std::string_view> screenProblem(int screenWidth, int colourDepth);

// The stored input port number as the start uses it: a number above the port count, or
// any negative one, is "not chosen" (-1); the port count itself means no input port.
int startupInputPort(int devicenr, int portCount);
// True when the start has to show the input port dialog for this stored number.
bool inputPortMustBeChosen(int devicenr, int portCount);

// The input port dialog: the chosen entry (0..port count, the last being
// kNoInputPortEntry), or nullopt for Cancel.
using ChooseInputPort = std::function<std::optional<int>(const std::vector<std::string>& portNames)>;

// The start's input loop: while no port is chosen the dialog is shown; a chosen port is
// opened (and started), and when that fails the failure is shown and the dialog comes
// again. devicenr ends as the port in use or the port count for none. False when the user
// cancelled: the program ends without writing anything.
bool openStartupInput(int& devicenr, MidiPortSystem& ports, MidiInputConnection& connection, MidiInputRouter& router,
                      UserPrompt& prompt, const ChooseInputPort& choose);

// The commands start-up completion posts to itself to reopen the windows of the previous
// run, in order: the list editor, then the virtual keyboard.
std::vector<unsigned> windowsToReopen(const DisplaySettings& display);

} // namespace velisto
