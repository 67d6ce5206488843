#pragma once
// The output device table: index 0 the placeholder, 1 the Internal Sound Generator, 2 and
// up the MIDI output ports of the machine. It is built once at start-up, never changes
// size, and reads each device's stored record then; it opens and closes devices, keeps
// the open ones in dense rows 1..k with exactly one default, moves tracks between devices,
// and writes the records back at exit.
//
// While a run exists (playback, recording, an edit's test play) the play thread sends
// through the open devices without a lock, so nothing it may touch is freed or replaced:
// closing, changing parameters and moving tracks are refused with a reason until the run
// has ended (setRunActive).
//
// Thread contract: user-interface thread only; the play thread only sends through devices
// that are open (see OutputDevice).

#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "midi/GeneratorSink.h"
#include "midi/MidiPortSystem.h"
#include "midi/OutputDevice.h"
#include "song/Song.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

inline constexpr std::string_view kOpenDeviceCaption = "Open MIDI Output device";
inline constexpr std::string_view kCloseDeviceCaption = "Close MIDI Output device";
inline constexpr std::string_view kRestoreDeviceCaption = "MIDI out open";
inline constexpr std::string_view kDeviceQuestionCaption = "MIDI Output device";
inline constexpr std::string_view kLastOpenDeviceText =
    "At least one device has to be open, tracks are assigned to it.";
inline constexpr std::string_view kMoveTracksDuringRunText =
    "Tracks can't be moved to another device while a song is playing or recording.";

// Stored records: section kDeviceRecordSection + N, N = 0..kMaxDeviceRecords - 1.
inline constexpr std::string_view kDeviceRecordSection = "MIDI Output devices\\device";
inline constexpr int kMaxDeviceRecords = 99;

// "Can't open MIDI Output device.\n" with the reason and the advice that follows it.
std::string openFailureText(MidiOpenError error);
// "No Track uses " + name + " anymore.\n\nClose that device?"
std::string unusedDeviceQuestion(std::string_view deviceName);

// The port name that the device-name mapping gives a name found in a MIDI file: the first
// pair whose file name equals it exactly. nullopt when no pair names it.
std::optional<std::string> mappedDeviceName(const std::vector<DeviceNameMapEntry>& map, std::string_view fileName);

// What the device parameter dialog edits.
struct DeviceParameters {
    int powerOnMode = MidiMode::GM;
    bool gsSupported = false;
    bool xgSupported = false;
    bool gm2Supported = false;
    std::string nonUniversalSysexId;
    std::string universalSysexId;
    std::string nativeModelId;
    bool useRunningStatus = false;
    std::vector<std::string> slotPaths;
    std::vector<std::string> generatorEntries; // the generator only; ignored for the others

    static DeviceParameters of(const OutputDevice& device);
    // Onto the device; the generator entries only onto the generator.
    void applyTo(OutputDevice& device) const;
    bool operator==(const DeviceParameters&) const = default;
};

// Whether moving tracks rebuilds the program indexes of the devices involved at once, or
// leaves that to the caller (many moves in a row, as when a file is loaded).
enum class IndexRebuild { Now, Later };

// How assigning a device from the device name dialog ended.
enum class AssignOutcome {
    Assigned,
    OpenFailed, // the failure was shown; the dialog is offered again
    Refused,    // a run exists; the refusal was shown
};

class DeviceTable {
public:
    static constexpr int kPlaceholderIndex = 0;
    static constexpr int kGeneratorIndex = 1;
    static constexpr int kFirstPortIndex = 2;

    // One device per output port of ports, each with its stored record from store. ports
    // opens the devices later and must outlive the table.
    DeviceTable(MidiPortSystem& ports, const ProfileStore& store);
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;

    // Makes the generator's voices when the generator opens; they are dropped when it
    // closes. Called with the device's send lock held: it must not wait for that lock.
    // Without a factory the generator stays silent.
    using GeneratorFactory = std::function<std::unique_ptr<GeneratorSink>(OutputDevice&)>;
    void setGeneratorFactory(GeneratorFactory factory) { generatorFactory_ = std::move(factory); }

    int count() const { return static_cast<int>(devices_.size()); }
    bool validIndex(int index) const { return index >= 0 && index < count(); }
    // Devices keep their address for the table's life. index must be valid.
    OutputDevice& device(int index) { return *devices_[static_cast<std::size_t>(index)]; }
    const OutputDevice& device(int index) const { return *devices_[static_cast<std::size_t>(index)]; }
    // The first device with exactly this name; -1 when none.
    int indexOf(std::string_view name) const;
    int openCount() const;
    // The open device at row 1..k; -1 when no device holds that row.
    int deviceAtRow(int row) const;
    // The devices the "Open MIDI Output device" list offers, in table order.
    std::vector<int> closedDevices() const;
    // The device every track of a new song starts on: the first open device that is
    // default; -1 when none is.
    int defaultDevice() const;

    // Told by whoever starts and ends a run (playback, recording, an edit's test play).
    void setRunActive(bool active) { runActive_ = active; }
    bool runActive() const { return runActive_; }

    // Opens the device at the next row and puts the receiver into its power-on mode.
    // Returns the reason it did not open, empty on success; a device that fails stays
    // closed and holds no row.
    std::string open(int index);
    // Closes the device; the rows below move up, and a closed default passes its role to
    // the device at row 1. Tracks on the device stay there (see closeFromUserInterface).
    // Returns a refusal while a run exists, else empty.
    std::string close(int index);
    // The user's close: refused, with a message, while a run exists or when it would leave
    // no device open; otherwise the device's tracks move to the default device (to the
    // device at row 1, or 2, when the default itself closes). True when it closed.
    bool closeFromUserInterface(int index, Song& song, UserPrompt& prompt);
    // Opens the chosen device of the "Open MIDI Output device" list; a failure is shown.
    bool openFromUserInterface(int index, UserPrompt& prompt);

    // Puts the tracks (0..255) on the device, opening it at the next row when closed, and
    // (IndexRebuild::Now) rebuilds the program index of the device and of every device that
    // lost one of the tracks. Returns why not (open failure, run active), empty on success.
    std::string assignTracks(Song& song, std::span<const int> tracks, int index,
                             IndexRebuild rebuild = IndexRebuild::Now);
    // The device name dialog's choice: assignTracks, with a failure shown; then the user is
    // asked about each previous device that no track uses any more, and Yes closes it.
    AssignOutcome assignTracksFromUserInterface(Song& song, std::span<const int> tracks, int index, UserPrompt& prompt);

    // The program index and track mode of one device from the song's tracks on it (see
    // TrackMode.h). Needed after its tracks change, after recording into them and after its
    // power-on mode changes. Not while a run plays the device: it uses the target state.
    void rebuildProgramIndex(int index, const Song& song);
    // The same for every open device and every device a track uses (after loading a file).
    void rebuildProgramIndexes(const Song& song);

    // Replaces what the device parameter dialog edits. Refused while a run exists.
    std::string applyParameters(int index, const DeviceParameters& parameters);

    // Start-up, once, before any device is open: reopens the devices of the previous run in
    // their order (failures are shown and dropped), falls back to the placeholder when
    // nothing opens, makes sure exactly one open device is default, and puts every track
    // of the (empty) song on it.
    void restoreOpenDevices(Song& song, UserPrompt& prompt);

    // Part of clearing the song (new song, loading a file): every device's live model is
    // fully reset in the mode it is in. Nothing is sent; adjusting before playback brings
    // the receivers to the song's state.
    void resetReceiverModels();

    // Exit: every device's record, the open state and rows included. The caller flushes.
    void save(ProfileStore& store) const;

private:
    std::string closeRefusal(const OutputDevice& device) const;
    std::string parameterRefusal(const OutputDevice& device) const;
    int receiverOfClosedTracks(int closing) const;
    void makeSingleDefault();

    MidiPortSystem& ports_;
    std::vector<std::unique_ptr<OutputDevice>> devices_;
    bool runActive_ = false;
    GeneratorFactory generatorFactory_;
    std::unique_ptr<GeneratorSink> generator_;
};

} // namespace velisto
