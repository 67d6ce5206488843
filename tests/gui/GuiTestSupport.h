#pragma once
// The GUI tests' world: a settings store that outlives each program run (so a second
// start sees what the first wrote), loopback MIDI ports, a simulated timer, the null
// audio system, and a scripted prompt, file chooser and input port dialog.

#include "CVelistoApp.h"
#include "app/MemoryProfileStore.h"
#include "audio/NullAudioSystem.h"
#include "core/app/ScriptedFileChooser.h"
#include "core/midi/DeviceTestSupport.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/SimulatedTimer.h"

#include <QCoreApplication>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velisto::test {

// A ProfileStore that hands every call to a store the test keeps.
class ForwardingStore : public ProfileStore {
public:
    explicit ForwardingStore(ProfileStore& target) : target_(target) {}
    int getInt(const std::string& s, const std::string& k, int d) const override { return target_.getInt(s, k, d); }
    std::string getString(const std::string& s, const std::string& k, const std::string& d) const override
    {
        return target_.getString(s, k, d);
    }
    bool hasKey(const std::string& s, const std::string& k) const override { return target_.hasKey(s, k); }
    void writeInt(const std::string& s, const std::string& k, int v) override { target_.writeInt(s, k, v); }
    void writeString(const std::string& s, const std::string& k, const std::string& v) override
    {
        target_.writeString(s, k, v);
    }
    void deleteSection(const std::string& s) override { target_.deleteSection(s); }
    bool flush(std::string* error) override { return target_.flush(error); }

private:
    ProfileStore& target_;
};

// A Clock that reads a simulated clock the fixture keeps, so that runs play on the
// simulated timer's time.
class ForwardingClock : public Clock {
public:
    explicit ForwardingClock(const Clock& target) : target_(target) {}
    std::chrono::nanoseconds now() const noexcept override { return target_.now(); }

private:
    const Clock& target_;
};

// One run of the program over the fixture's store.
struct GuiRun {
    std::unique_ptr<CVelistoApp> app;
    LoopbackMidiPortSystem* ports = nullptr; // owned by the frame's engine
    SimulatedTimer* timer = nullptr;
    bool started = false;

    CMainFrame& frame() const { return *app->frame(); }
};

class GuiFixture {
public:
    MemoryProfileStore store;
    ScriptedPrompt prompt;
    ScriptedFileChooser files;
    // The input port dialog's answers, in order; unscripted: Cancel.
    std::deque<std::optional<int>> inputAnswers;
    int inputQuestions = 0;
    std::vector<std::string> inputPorts{"Keys 1", "Keys 2"};
    std::filesystem::path folder;
    // Runs on each run's ports before the program starts.
    std::function<void(LoopbackMidiPortSystem&)> preparePorts;

    GuiFixture();
    ~GuiFixture();

    // Starts the program with the command line arguments and lets the start-up
    // completion run.
    GuiRun start(const std::vector<std::string>& arguments = {});
    // Closes the main window and, when it closed, ends the program; true when it closed.
    static bool finish(GuiRun& run);
    // Settings under which neither the start (no input port) nor opening the demo (its
    // lyrics' track is the song text track) asks anything, and the demo song copied into
    // folder; returns the copy's path.
    std::filesystem::path quietDemo();
    // Lets the simulated timer run until the run has ended and the frame has finished it.
    static void runUntilEnded(GuiRun& run);

    std::string stored(const std::string& section, const std::string& key) const
    {
        return store.getString(section, key, "<missing>");
    }

    static void settle() { QCoreApplication::sendPostedEvents(); QCoreApplication::processEvents(); }

private:
    std::vector<std::unique_ptr<SimulatedClock>> clocks_;
};

} // namespace velisto::test
