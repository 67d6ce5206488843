#pragma once
// The wave editor windows the main window keeps: at most 10, each with its digit (used
// in its temporary file names), one file in one window at most, recognised by device and
// inode so that a second name of the same file (a link) is found too.
//
// Thread contract: user-interface thread only.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velisto {

inline constexpr int kMaxWaveEditors = 10;
inline constexpr int kWaveEditorCascade = 22; // pixels between windows opened one after another
inline constexpr const char* kTooManyWaveEditorsText = "Maximum of 10 Wave-Editor windows open !";
inline constexpr const char* kCreateWaveEditorFailedText = "Failed to create window !";
inline constexpr const char* kCreateWaveEditorCaption = "Create wave editor";

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file path names, following links; none when it does not exist.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

class WaveEditorSlots {
public:
    // The lowest free digit, or none when 10 windows are open.
    std::optional<int> acquire();
    void release(int digit);
    // The window's file (none while it has no file).
    void setFile(int digit, std::optional<FileIdentity> file);
    // The window that has the file path names open, if any.
    std::optional<int> windowWithFile(const std::filesystem::path& path) const;
    int count() const;

private:
    std::array<bool, kMaxWaveEditors> used_{};
    std::array<std::optional<FileIdentity>, kMaxWaveEditors> files_{};
};

// The top of a new window placed at top with the given height: while an open window has
// the same top and bottom (openTopBottom), it moves down by kWaveEditorCascade.
int cascadedTop(int top, int height, const std::vector<std::pair<int, int>>& openTopBottom);

// "Wave editor [" + name + "] " + rate + " Hz " + bits + " bit " + "stereo" or "mono";
// "Wave editor" while no file is open.
std::string waveEditorTitle(const std::string& fileName, std::uint32_t rate, int bits, int channels);

} // namespace velisto
