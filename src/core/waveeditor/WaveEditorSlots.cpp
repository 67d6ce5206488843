#include "waveeditor/WaveEditorSlots.h"

#include <algorithm>

#include <sys/stat.h>

namespace velisto {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<int> WaveEditorSlots::acquire()
{
    for (int i = 0; i < kMaxWaveEditors; ++i)
        if (!used_[static_cast<std::size_t>(i)]) {
            used_[static_cast<std::size_t>(i)] = true;
            return i;
        }
    return std::nullopt;
}

void WaveEditorSlots::release(int digit)
{
    if (digit < 0 || digit >= kMaxWaveEditors)
        return;
    used_[static_cast<std::size_t>(digit)] = false;
    files_[static_cast<std::size_t>(digit)].reset();
}

void WaveEditorSlots::setFile(int digit, std::optional<FileIdentity> file)
{
    if (digit >= 0 && digit < kMaxWaveEditors)
        files_[static_cast<std::size_t>(digit)] = file;
}

std::optional<int> WaveEditorSlots::windowWithFile(const std::filesystem::path& path) const
{
    const auto identity = fileIdentity(path);
    for (int i = 0; identity && i < kMaxWaveEditors; ++i)
        if (used_[static_cast<std::size_t>(i)] && files_[static_cast<std::size_t>(i)] == identity)
            return i;
    return std::nullopt;
}

int WaveEditorSlots::count() const
{
    int n = 0;
    for (const bool used : used_)
        n += used ? 1 : 0;
    return n;
}

int cascadedTop(int top, int height, const std::vector<std::pair<int, int>>& openTopBottom)
{
    const auto taken = [&](int y) {
        return std::find(openTopBottom.begin(), openTopBottom.end(), std::pair{y, y + height}) != openTopBottom.end();
    };
    // At most one step per open window: the loop ends even if every place is taken.
    for (std::size_t i = 0; i <= openTopBottom.size() && taken(top); ++i)
        top += kWaveEditorCascade;
    return top;
}

std::string waveEditorTitle(const std::string& fileName, std::uint32_t rate, int bits, int channels)
{
    if (fileName.empty())
        return "Wave editor";
    return "Wave editor [" + fileName + "] " + std::to_string(rate) + " Hz " + std::to_string(bits) + " bit " +
           (channels == 2 ? "stereo" : "mono");
}

} // namespace velisto
