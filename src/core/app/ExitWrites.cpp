#include "app/ExitWrites.h"

#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"

#include <string>

namespace velisto {

bool writeAtExit(const ClosingWindows& windows, Settings& settings, const DeviceTable& devices, UndoStack& undo,
                 ProfileStore& store, UserPrompt& prompt)
{
    DisplaySettings& display = settings.display;
    display.keyboardwasopeninlastsession = windows.keyboardOpen.value_or(display.keyboardwasopeninlastsession);
    display.listeditorwasopeninlastsession = windows.listEditorOpen.value_or(display.listeditorwasopeninlastsession);
    display.statusbarwasopeninlastsession = windows.statusBarVisible.value_or(display.statusbarwasopeninlastsession);
    if (windows.maximised) {
        display.sm_cxscreen = windows.screenWidth;
        display.sm_cyscreen = windows.screenHeight;
        display.lastnumberofdevices = devices.openCount();
        saveDisplayLayout(settings, store);
    }
    devices.save(store);
    undo.clear(true);

    std::string error;
    if (saveSettings(settings, store, &error))
        return true;
    prompt.message(settingsNotSavedText(error), "", PromptIcon::Error);
    return false;
}

} // namespace velisto
