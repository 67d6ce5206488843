#pragma once
// The program's start and end: the program directory, the settings, the title picture,
// the display checks, the file named on the command line, the main window's creation
// and, at the end, the writing of the settings.
//
// Thread contract: user-interface thread only.

#include "CMainFrame.h"
#include "QtFileChooser.h"
#include "QtUserPrompt.h"

#include <memory>
#include <string>
#include <vector>

namespace velisto {

struct AppOptions {
    // The folder that holds "midi" and "igr"; empty: the current directory.
    std::string programDirectory;
    bool titlePicture = true;
};

class CVelistoApp {
public:
    // Parts left empty in frameParts are the real ones: message boxes, file dialogs, the
    // input port dialog, the user's settings file, the system's MIDI and audio.
    explicit CVelistoApp(FrameParts frameParts = {}, AppOptions options = {});
    ~CVelistoApp();
    CVelistoApp(const CVelistoApp&) = delete;
    CVelistoApp& operator=(const CVelistoApp&) = delete;

    // The start; arguments are those after the program's name. False: the program ends
    // (a fatal check failed or the input port question was cancelled) and nothing was written.
    bool initInstance(const std::vector<std::string>& arguments);
    // The end, after the main window has closed (whose accepted close wrote the window
    // flags, the layout, the device records and the settings). False when the settings
    // could not be written (the user was told).
    bool exitInstance();

    CMainFrame* frame() const { return frame_.get(); }

private:
    FrameParts parts_;
    AppOptions options_;
    QtUserPrompt prompt_;
    QtFileChooser files_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace velisto
