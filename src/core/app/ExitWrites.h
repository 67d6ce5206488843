#pragma once
// What closing the main window and ending the program write to the settings store, in
// their order: which windows were open, the arranger layout (only from a maximised
// window, whose size the layout was made for), the output device records, then the
// settings, flushed. The undo files are deleted on the way.
//
// Thread contract: user-interface thread only, after any run has ended.

#include <optional>

namespace velisto {

class DeviceTable;
class ProfileStore;
class UndoStack;
class UserPrompt;
struct Settings;

// The windows as closing found them. A window that was never built (a close during the
// start) is nullopt and keeps the flag the settings hold.
struct ClosingWindows {
    std::optional<bool> keyboardOpen;
    std::optional<bool> listEditorOpen;
    std::optional<bool> statusBarVisible;
    bool maximised = false;
    // The screen the maximised window's layout was made for.
    int screenWidth = 0;
    int screenHeight = 0;
};

// settings.display holds the arranger layout and the list editor's column widths as they
// are now; the screen size comes from windows, the number of open devices from the table.
// False, after telling the user, when the store could not be written.
bool writeAtExit(const ClosingWindows& windows, Settings& settings, const DeviceTable& devices, UndoStack& undo,
                 ProfileStore& store, UserPrompt& prompt);

} // namespace velisto
