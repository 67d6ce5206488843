#pragma once
// Turns a General MIDI SoundFont 2 file into Velisto's sound library: one 16-bit 44100 Hz
// mono .wav per distinct zone (original key, velocity range and loop in its "smpl"/"inst"
// chunks) and the instrument group "velisto-gm.igr" naming them for the 128 programs and
// the 128 drum keys. The SoundFont's tuning is baked into the samples, so a sample played
// unshifted at its original key sounds as the SoundFont would play that key.
// Thread contract: one install at a time; it mutes std::cerr while the SoundFont is parsed
// (the parser reports every odd value there), so nothing else should write to it meanwhile.

#include <cstdint>
#include <string>
#include <vector>

namespace velisto {

class Progress;
class ProfileStore;

inline constexpr const char* kInstalledGroupName = "velisto-gm.igr";
inline constexpr const char* kAudioSection = "Audio";
inline constexpr const char* kIgrPathKey = "igrfilepathandfilename";

struct SoundInstallOptions {
    std::string soundFont;   // empty: systemSoundFont()
    std::string destination; // empty: defaultSoundFolder()
};

struct SoundInstallResult {
    bool ok = false;
    std::string error;   // why nothing usable was installed
    std::string folder;  // where the samples and the group are
    std::string igrPath; // the written instrument group
    std::string soundFont;
    int sampleCount = 0; // .wav files written
    std::int64_t totalBytes = 0;
    std::vector<std::string> notes; // what could not be carried over, one line each
};

// The first of the General MIDI SoundFonts Linux distributions install that exists; empty
// when there is none.
std::string systemSoundFont();
// $XDG_DATA_HOME/velisto/sounds, else ~/.local/share/velisto/sounds; empty without either.
std::string defaultSoundFolder();

// Converts and writes everything; files of an earlier install are overwritten. The group
// is written last, so a failed install never leaves a partial group behind.
SoundInstallResult installSoundFont(const SoundInstallOptions& options, Progress* progress);

// Makes igrPath the instrument group the sound generator loads, and flushes the store.
bool configureInstrumentGroup(ProfileStore& store, const std::string& igrPath, std::string& error);

} // namespace velisto
