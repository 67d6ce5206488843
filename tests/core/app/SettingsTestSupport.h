#pragma once
// Settings for round-trip tests: every stored value differs from its default.

#include "app/MemoryProfileStore.h"
#include "app/Settings.h"

#include <charconv>
#include <string>

namespace velisto::test {

inline const std::string kProgramDirectory = "/opt/velisto";
inline constexpr int kScreenWidth = 1920;
inline constexpr int kScreenHeight = 1080;

inline Settings defaultSettings() { return Settings::defaults(kProgramDirectory, kScreenWidth, kScreenHeight); }

// A store holding every key the program writes, each with another value than the default:
// yes/no flipped, numbers moved, texts extended with characters an INI file must escape.
inline MemoryProfileStore changedStore()
{
    MemoryProfileStore defaults;
    saveSettings(defaultSettings(), defaults);
    saveDisplayLayout(defaultSettings(), defaults);

    MemoryProfileStore changed;
    int step = 1;
    for (const auto& [section, keys] : defaults.contents()) {
        for (const auto& [key, text] : keys) {
            int number = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
            if (text == "y" || text == "n") {
                writeYesNo(changed, section, key, text == "n");
            } else if (error == std::errc() && end == text.data() + text.size() && !text.empty()) {
                changed.writeInt(section, key, number - 5 * step++);
            } else {
                changed.writeString(section, key, text + ", ä; \"q\" = %41 #x\\y");
            }
        }
    }
    changed.writeString(kDeviceNameMapSection, "entry1", "Roland SC-88^@^USB MIDI 1");
    changed.writeString(kDeviceNameMapSection, "entry2", "ext, \"2\" = ü^@^Synth:port 0");
    changed.writeString(kDeviceNameMapSection, "entry3", "only name^@^");
    return changed;
}

// A store whose file cannot be written: everything is taken, nothing becomes durable.
class UnwritableStore : public MemoryProfileStore {
public:
    int flushes = 0;
    bool flush(std::string* error) override
    {
        ++flushes;
        if (error != nullptr)
            *error = "/home/u/.config/Korvane Software/Velisto.conf: permission denied";
        return false;
    }
};

} // namespace velisto::test
