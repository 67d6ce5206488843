#pragma once
// What the main window's tests share: a folder of their own for files, and the MIDI input
// as the start and the settings dialog reach it (two input ports, "Keyboard" and "Pad").

#include "app/MemoryProfileStore.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/MidiInputConnection.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace velisto::test {

// An empty folder named after the running test; the caller removes it.
inline std::filesystem::path freshTestFolder(const std::string& prefix)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(currentProcessId()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

struct InputRig {
    LoopbackMidiPortSystem ports{{"Synth"}, {"Keyboard", "Pad"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::unique_ptr<Song> song = std::make_unique<Song>();
    OutputMonitor monitor;
    EventOutput events{monitor, [](std::chrono::milliseconds) {}};
    MidiInputRouter router{*song, table, events, monitor};
    MidiInputConnection connection;
};

} // namespace velisto::test
