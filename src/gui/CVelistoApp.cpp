#include "CVelistoApp.h"

#include "CMidiinDlg.h"
#include "CTitlePicture.h"
#include "app/StartupRules.h"
#include "settings/QtProfileStore.h"

#include <QGuiApplication>
#include <QScreen>

#include <filesystem>

namespace velisto {

namespace {

// The current directory without a trailing separator; empty when it cannot be read.
std::string currentDirectory()
{
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    if (error)
        return {};
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

CVelistoApp::CVelistoApp(FrameParts frameParts, AppOptions options)
    : parts_(std::move(frameParts)), options_(std::move(options))
{
    if (!parts_.prompt)
        parts_.prompt = &prompt_;
    if (!parts_.files)
        parts_.files = &files_;
}

CVelistoApp::~CVelistoApp() = default;

bool CVelistoApp::initInstance(const std::vector<std::string>& arguments)
{
    UserPrompt& prompt = *parts_.prompt;
    const auto fatal = [&prompt](std::string_view text) {
        prompt.message(std::string(text), std::string(kFatalErrorTitle), PromptIcon::Error);
        return false;
    };
    const std::string programDirectory =
        options_.programDirectory.empty() ? currentDirectory() : options_.programDirectory;
    if (programDirectory.empty())
        return fatal(kNoCurrentDirectoryText);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize();
    if (!parts_.engine.store)
        parts_.engine.store = std::make_unique<QtProfileStore>();
    parts_.engine.settings =
        loadSettings(*parts_.engine.store, programDirectory, screenSize.width(), screenSize.height());

    std::unique_ptr<CTitlePicture> title;
    if (options_.titlePicture) {
        title = std::make_unique<CTitlePicture>();
        title->showCentred();
    }
    if (const std::optional<std::string_view> problem = screenProblem(screenSize.width(), screen ? screen->depth() : 0))
        return fatal(*problem);

    parts_.startupFile = startupFileFromArguments(arguments);
    if (!parts_.chooseInputPort)
        parts_.chooseInputPort = [](const std::vector<std::string>& names) { return CMidiinDlg::choose(names); };

    frame_ = std::make_unique<CMainFrame>(std::move(parts_));
    prompt_.setParent(frame_.get());
    files_.setParent(frame_.get());
    if (!frame_->create()) {
        frame_.reset();
        return false;
    }
    // Without a window manager (a bare X server) maximising does nothing: the size comes first.
    if (screen)
        frame_->setGeometry(screen->availableGeometry());
    frame_->showMaximized();
    return true;
}

bool CVelistoApp::exitInstance()
{
    return frame_ ? frame_->settingsWritten() : true;
}

} // namespace velisto
