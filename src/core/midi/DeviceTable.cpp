#include "midi/DeviceTable.h"

#include "midi/IsgChannelRoute.h"
#include "midi/ModeReset.h"
#include "midi/SlotPathDefinition.h"
#include "midi/TrackMode.h"

#include <algorithm>
#include <mutex>

namespace velisto {
namespace {

const std::string kSlotPathSubsection = "\\GM2GPCSlotpathes";
const std::string kGeneratorEntrySubsection = "\\InternalSoundGeneratorDevEntries";
const std::string kRunSuffix = " while a song is playing or recording.";

// A stored count beyond this is damage, not data: reading stops there instead of asking
// the store for billions of keys.
constexpr int kMaxStoredListEntries = 1024;
// The stored generator entry count that stands for the default routes.
constexpr int kDefaultEntryCount = -1;

std::string recordSection(int n) { return std::string(kDeviceRecordSection) + std::to_string(n); }

struct RecordSlot {
    int n = -1;         // -1: every record is taken by other devices
    bool found = false; // the record holds this device; else n is the first free one
};

// The first record with this device name; the search ends at the first free record.
RecordSlot findRecord(const ProfileStore& store, const std::string& name)
{
    for (int n = 0; n < kMaxDeviceRecords; ++n) {
        const std::string stored = store.getString(recordSection(n), "devicename", "");
        if (stored.empty())
            return {n, false};
        if (stored == name)
            return {n, true};
    }
    return {};
}

std::string defaultGeneratorEntry(int i) { return std::to_string(i) + "\\\\\\Primary Sounddriver\\"; }

void applyGeneratorDefaults(OutputDevice& device)
{
    device.gsSupported = true;
    device.gm2Supported = true;
    device.xgSupported = false;
    device.nonUniversalSysexId = "10";
    device.nativeModelId = "7F";
    device.powerOnMode = MidiMode::GM2;
}

void applyGeneratorFirstRun(OutputDevice& device)
{
    device.wasOpen = true;
    device.row = 1;
    device.slotPaths = defaultSlotPaths();
    device.generatorEntries = defaultIsgChannelRoutes();
}

void readSlotPaths(OutputDevice& device, const ProfileStore& store, const std::string& section)
{
    const int count = std::min(store.getInt(section, "numberofGM2GPCSlotPathes", 0), kMaxStoredListEntries);
    for (int i = 0; i < count; ++i) {
        std::string text = store.getString(section + kSlotPathSubsection, "SP" + std::to_string(i), "");
        // A missing slot path has nothing to keep; an empty one would be a definition without a name.
        if (!text.empty())
            device.slotPaths.push_back(std::move(text));
    }
}

void readGeneratorEntries(OutputDevice& device, const ProfileStore& store, const std::string& section)
{
    int count = store.getInt(section, "numberofInternalSoundGeneratorDevEntries", kDefaultEntryCount);
    if (count == kDefaultEntryCount)
        count = device.isGenerator() ? IsgChannelRoute::kDefaultCount : 0;
    count = std::min(count, kMaxStoredListEntries);
    for (int i = 0; i < count; ++i)
        device.generatorEntries.push_back(store.getString(section + kGeneratorEntrySubsection,
                                                          "DEVENTRY" + std::to_string(i), defaultGeneratorEntry(i)));
}

void readRecord(OutputDevice& device, const ProfileStore& store)
{
    if (device.isGenerator())
        applyGeneratorDefaults(device);
    const RecordSlot slot = findRecord(store, device.name);
    if (!slot.found) {
        if (device.isGenerator())
            applyGeneratorFirstRun(device);
        return;
    }
    const std::string section = recordSection(slot.n);
    device.isDefault = readYesNo(store, section, "isdefaultdevice", false);
    device.nonUniversalSysexId = store.getString(section, "nonuniversalsysexdeviceid", device.nonUniversalSysexId);
    device.universalSysexId = store.getString(section, "universalsysexdeviceid", device.universalSysexId);
    device.nativeModelId = store.getString(section, "nativemodelid", device.nativeModelId);
    device.gsSupported = readYesNo(store, section, "gssupported", device.gsSupported);
    device.xgSupported = readYesNo(store, section, "xgsupported", device.xgSupported);
    device.gm2Supported = readYesNo(store, section, "gm2supported", device.gm2Supported);
    device.useRunningStatus = readYesNo(store, section, "userunningstatus", false);
    device.wasOpen = readYesNo(store, section, "wasopeninlastsession", false);
    device.row = std::max(store.getInt(section, "sort", 0), 0);
    const int mode = store.getInt(section, "initialmidimode", device.powerOnMode);
    // A mode outside 0..3 would make every send misjudge the receiver.
    device.powerOnMode = mode >= MidiMode::GM && mode <= MidiMode::GM2 ? mode : MidiMode::GM;
    readSlotPaths(device, store, section);
    readGeneratorEntries(device, store, section);
}

void writeList(ProfileStore& store, const std::string& section, const std::string& prefix,
               const std::vector<std::string>& values)
{
    store.deleteSection(section);
    for (std::size_t i = 0; i < values.size(); ++i)
        store.writeString(section, prefix + std::to_string(i), values[i]);
}

void writeRecord(const OutputDevice& device, ProfileStore& store, const std::string& section)
{
    const bool open = device.isOpen();
    store.writeString(section, "devicename", device.name);
    store.writeString(section, "nonuniversalsysexdeviceid", device.nonUniversalSysexId);
    store.writeString(section, "nativemodelid", device.nativeModelId);
    store.writeString(section, "universalsysexdeviceid", device.universalSysexId);
    store.writeInt(section, "initialmidimode", device.powerOnMode);
    writeYesNo(store, section, "userunningstatus", device.useRunningStatus);
    store.writeInt(section, "sort", open ? device.row : 0);
    writeYesNo(store, section, "wasopeninlastsession", open);
    writeYesNo(store, section, "isdefaultdevice", open && device.isDefault);
    writeYesNo(store, section, "gssupported", device.gsSupported);
    writeYesNo(store, section, "xgsupported", device.xgSupported);
    writeYesNo(store, section, "gm2supported", device.gm2Supported);
    store.writeInt(section, "numberofGM2GPCSlotPathes", static_cast<int>(device.slotPaths.size()));
    writeList(store, section + kSlotPathSubsection, "SP", device.slotPaths);
    store.writeInt(section, "numberofInternalSoundGeneratorDevEntries",
                   static_cast<int>(device.generatorEntries.size()));
    writeList(store, section + kGeneratorEntrySubsection, "DEVENTRY", device.generatorEntries);
}

std::string openFailureReason(MidiOpenError error)
{
    switch (error) {
    case MidiOpenError::AlreadyAllocated:
        return "The specified resource is already allocated.";
    case MidiOpenError::BadDeviceId:
        return "The specified device identifier is out of range.";
    case MidiOpenError::NoMemory:
        return "The system is unable to allocate or lock memory.";
    default:
        return "";
    }
}

bool usedByAnyTrack(const Song& song, int device)
{
    return std::any_of(song.tracks.begin(), song.tracks.end(),
                       [device](const Track& track) { return track.device == device; });
}

} // namespace

std::string openFailureText(MidiOpenError error)
{
    return "Can't open MIDI Output device.\n" + openFailureReason(error) +
           "\n\nIf you have selected an external software-synthesizer" +
           "\nbe sure that it uses DirectSound (tm) for sound output." +
           "\n\nThere is a possibility to select between DirectSound on or off" + "\nin allmost every software-synth." +
           "\nLook into it's device settings and come back again." + "\n\nOtherwise check your system's MIDI settings.";
}

std::string unusedDeviceQuestion(std::string_view deviceName)
{
    return "No Track uses " + std::string(deviceName) + " anymore.\n\nClose that device?";
}

std::optional<std::string> mappedDeviceName(const std::vector<DeviceNameMapEntry>& map, std::string_view fileName)
{
    for (const DeviceNameMapEntry& entry : map)
        if (entry.fileName == fileName)
            return entry.portName;
    return std::nullopt;
}

DeviceParameters DeviceParameters::of(const OutputDevice& device)
{
    return {device.powerOnMode,         device.gsSupported,      device.xgSupported,   device.gm2Supported,
            device.nonUniversalSysexId, device.universalSysexId, device.nativeModelId, device.useRunningStatus,
            device.slotPaths,           device.generatorEntries};
}

void DeviceParameters::applyTo(OutputDevice& device) const
{
    device.powerOnMode = powerOnMode;
    device.gsSupported = gsSupported;
    device.xgSupported = xgSupported;
    device.gm2Supported = gm2Supported;
    device.nonUniversalSysexId = nonUniversalSysexId;
    device.universalSysexId = universalSysexId;
    device.nativeModelId = nativeModelId;
    device.useRunningStatus = useRunningStatus;
    device.slotPaths = slotPaths;
    if (device.isGenerator())
        device.generatorEntries = generatorEntries;
}

DeviceTable::DeviceTable(MidiPortSystem& ports, const ProfileStore& store) : ports_(ports)
{
    const std::vector<std::string> portNames = ports.outputPortNames();
    devices_.reserve(portNames.size() + kFirstPortIndex);
    devices_.push_back(std::make_unique<OutputDevice>(kPlaceholderIndex, std::string(kPlaceholderDeviceName)));
    devices_.push_back(std::make_unique<OutputDevice>(kGeneratorIndex, std::string(kGeneratorDeviceName)));
    for (std::size_t port = 0; port < portNames.size(); ++port)
        devices_.push_back(std::make_unique<OutputDevice>(static_cast<std::uint32_t>(devices_.size()), portNames[port],
                                                          static_cast<std::uint32_t>(port)));
    for (auto& device : devices_)
        readRecord(*device, store);
}

int DeviceTable::indexOf(std::string_view name) const
{
    for (int i = 0; i < count(); ++i)
        if (device(i).name == name)
            return i;
    return -1;
}

int DeviceTable::openCount() const
{
    return static_cast<int>(std::count_if(devices_.begin(), devices_.end(), [](const auto& d) { return d->isOpen(); }));
}

int DeviceTable::deviceAtRow(int row) const
{
    for (int i = 0; i < count(); ++i)
        if (device(i).isOpen() && device(i).row == row)
            return i;
    return -1;
}

std::vector<int> DeviceTable::closedDevices() const
{
    std::vector<int> closed;
    for (int i = 0; i < count(); ++i)
        if (!device(i).isOpen())
            closed.push_back(i);
    return closed;
}

int DeviceTable::defaultDevice() const
{
    for (int i = 0; i < count(); ++i)
        if (device(i).isOpen() && device(i).isDefault)
            return i;
    return -1;
}

std::string DeviceTable::closeRefusal(const OutputDevice& device) const
{
    return runActive_ ? "The device " + device.name + " can't be closed" + kRunSuffix : std::string();
}

std::string DeviceTable::parameterRefusal(const OutputDevice& device) const
{
    return runActive_ ? "The parameters of the device " + device.name + " can't be changed" + kRunSuffix
                      : std::string();
}

std::string DeviceTable::open(int index)
{
    if (!validIndex(index))
        return "There is no MIDI Output device number " + std::to_string(index) + ".";
    OutputDevice& dev = device(index);
    // The MIDI input callback may send through devices at any time: it must see either the
    // closed device or the whole opened one.
    const std::lock_guard lock(dev.sendMutex());
    if (dev.isOpen())
        return "The device " + dev.name + " has already been opened !";
    dev.resetSendingState();
    if (dev.isPort()) {
        MidiOutOpenResult opened = ports_.openOutput(static_cast<int>(dev.portId));
        if (!opened.port) {
            dev.row = 0;
            return openFailureText(opened.error);
        }
        dev.port_ = std::move(opened.port);
    }
    // The device window opens here; the generator also gets its sampler state and starts
    // loading the samples of its instrument map.
    dev.row = openCount() + 1;
    dev.open_ = true;
    if (dev.isGenerator() && generatorFactory_) {
        generator_ = generatorFactory_(dev);
        dev.generatorSink = generator_.get();
    }
    // The generator follows the model directly; a receiver is told the mode so that it and
    // the model agree from the start.
    if (dev.port_)
        dev.port_->sendLong(modeEnterMessage(dev.liveState.mode(), dev));
    return {};
}

std::string DeviceTable::close(int index)
{
    if (!validIndex(index) || !device(index).isOpen())
        return {};
    OutputDevice& dev = device(index);
    if (std::string refusal = closeRefusal(dev); !refusal.empty())
        return refusal;
    // The generator stops its sampler state here (stop request, then waiting 500 ms at a
    // time while it is busy) before it is freed; the device window goes too.
    std::unique_ptr<GeneratorSink> generator;
    {
        const std::lock_guard lock(dev.sendMutex());
        dev.port_.reset();
        dev.open_ = false;
        if (dev.isGenerator()) {
            dev.generatorSink = nullptr;
            generator = std::move(generator_);
        }
    }
    // Outside the send lock: the sampler's content workers take it while they finish.
    generator.reset();
    const int closedRow = dev.row;
    dev.row = 0;
    const bool wasDefault = dev.isDefault;
    dev.isDefault = false;
    for (auto& other : devices_)
        if (other->isOpen() && other->row > closedRow)
            --other->row;
    if (wasDefault)
        if (const int first = deviceAtRow(1); first >= 0)
            device(first).isDefault = true;
    return {};
}

int DeviceTable::receiverOfClosedTracks(int closing) const
{
    const int fallback = defaultDevice();
    if (fallback >= 0 && fallback != closing)
        return fallback;
    const int first = deviceAtRow(1);
    return first != closing ? first : deviceAtRow(2);
}

bool DeviceTable::closeFromUserInterface(int index, Song& song, UserPrompt& prompt)
{
    if (!validIndex(index) || !device(index).isOpen())
        return false;
    if (std::string refusal = closeRefusal(device(index)); !refusal.empty()) {
        prompt.message(refusal, std::string(kCloseDeviceCaption), PromptIcon::Error);
        return false;
    }
    if (openCount() < 2) {
        prompt.message(std::string(kLastOpenDeviceText), std::string(kCloseDeviceCaption), PromptIcon::Error);
        return false;
    }
    const int receiver = receiverOfClosedTracks(index);
    for (Track& track : song.tracks)
        if (track.device == index)
            track.device = receiver;
    close(index);
    rebuildProgramIndex(receiver, song);
    rebuildProgramIndex(index, song);
    // The track area and the mixer redraw here.
    return true;
}

bool DeviceTable::openFromUserInterface(int index, UserPrompt& prompt)
{
    const std::string error = open(index);
    if (!error.empty())
        prompt.message(error, std::string(kOpenDeviceCaption), PromptIcon::Error);
    return error.empty();
}

std::string DeviceTable::assignTracks(Song& song, std::span<const int> tracks, int index, IndexRebuild rebuild)
{
    if (runActive_)
        return std::string(kMoveTracksDuringRunText);
    if (!validIndex(index))
        return "There is no MIDI Output device number " + std::to_string(index) + ".";
    if (!device(index).isOpen())
        if (std::string error = open(index); !error.empty())
            return error;
    std::vector<int> losing;
    for (const int track : tracks) {
        if (track < 0 || track >= kTrackCount)
            continue;
        int& owner = song.tracks[static_cast<std::size_t>(track)].device;
        if (owner != index && validIndex(owner) && std::find(losing.begin(), losing.end(), owner) == losing.end())
            losing.push_back(owner);
        owner = index;
    }
    if (rebuild == IndexRebuild::Now) {
        rebuildProgramIndex(index, song);
        for (const int old : losing)
            rebuildProgramIndex(old, song);
    }
    return {};
}

void DeviceTable::rebuildProgramIndex(int index, const Song& song)
{
    if (validIndex(index))
        velisto::rebuildProgramIndex(device(index), song, index);
}

void DeviceTable::rebuildProgramIndexes(const Song& song)
{
    for (int i = 0; i < count(); ++i)
        if (device(i).isOpen() || usedByAnyTrack(song, i))
            rebuildProgramIndex(i, song);
}

AssignOutcome DeviceTable::assignTracksFromUserInterface(Song& song, std::span<const int> tracks, int index,
                                                         UserPrompt& prompt)
{
    std::vector<int> previous;
    for (int i = 0; i < count(); ++i)
        if (i != index && std::any_of(tracks.begin(), tracks.end(), [&](int t) {
                return t >= 0 && t < kTrackCount && song.tracks[static_cast<std::size_t>(t)].device == i;
            }))
            previous.push_back(i);

    if (runActive_) {
        prompt.message(std::string(kMoveTracksDuringRunText), std::string(kDeviceQuestionCaption), PromptIcon::Error);
        return AssignOutcome::Refused;
    }
    if (std::string error = assignTracks(song, tracks, index); !error.empty()) {
        prompt.message(error, std::string(kOpenDeviceCaption), PromptIcon::Error);
        return AssignOutcome::OpenFailed;
    }
    for (const int old : previous) {
        if (!device(old).isOpen() || usedByAnyTrack(song, old))
            continue;
        const PromptAnswer answer = prompt.askYesNoCancel(unusedDeviceQuestion(device(old).name),
                                                          std::string(kDeviceQuestionCaption), PromptIcon::Question);
        if (answer == PromptAnswer::Cancel)
            break;
        if (answer == PromptAnswer::Yes)
            close(old);
    }
    return AssignOutcome::Assigned;
}

std::string DeviceTable::applyParameters(int index, const DeviceParameters& parameters)
{
    if (!validIndex(index))
        return "There is no MIDI Output device number " + std::to_string(index) + ".";
    OutputDevice& dev = device(index);
    if (std::string refusal = parameterRefusal(dev); !refusal.empty())
        return refusal;
    const std::lock_guard lock(dev.sendMutex());
    parameters.applyTo(dev);
    return {};
}

void DeviceTable::makeSingleDefault()
{
    const int keep = [this] {
        for (int row = 1; row <= openCount(); ++row)
            if (const int i = deviceAtRow(row); i >= 0 && device(i).isDefault)
                return i;
        return deviceAtRow(1);
    }();
    for (int i = 0; i < count(); ++i)
        device(i).isDefault = i == keep;
}

void DeviceTable::resetReceiverModels()
{
    for (auto& device : devices_)
        device->liveState.reset(ResetKind::MidiMode);
}

void DeviceTable::restoreOpenDevices(Song& song, UserPrompt& prompt)
{
    std::vector<int> order;
    for (int i = 0; i < count(); ++i)
        if (device(i).wasOpen)
            order.push_back(i);
    // The stored rows give the order; open() numbers the rows anew, so a row left empty by
    // a device that is gone or fails closes up.
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return device(a).row < device(b).row; });
    for (auto& dev : devices_)
        dev->row = 0;

    for (const int i : order) {
        const std::string error = open(i);
        if (error.empty())
            continue;
        prompt.message(error, std::string(kRestoreDeviceCaption), PromptIcon::Error);
        device(i).wasOpen = false;
        device(i).isDefault = false;
    }
    if (openCount() == 0) {
        OutputDevice& placeholder = device(kPlaceholderIndex);
        open(kPlaceholderIndex);
        placeholder.isDefault = true;
        placeholder.wasOpen = true;
    }
    makeSingleDefault();
    const int fallback = defaultDevice();
    for (Track& track : song.tracks)
        track.device = fallback;
}

void DeviceTable::save(ProfileStore& store) const
{
    for (int n = 0; n < kMaxDeviceRecords; ++n) {
        const std::string section = recordSection(n);
        if (store.getString(section, "devicename", "").empty())
            continue;
        store.writeInt(section, "sort", 0);
        writeYesNo(store, section, "wasopeninlastsession", false);
        writeYesNo(store, section, "isdefaultdevice", false);
    }
    for (const auto& dev : devices_) {
        const RecordSlot slot = findRecord(store, dev->name);
        // All records taken by other names: this device's parameters cannot be kept.
        if (slot.n >= 0)
            writeRecord(*dev, store, recordSection(slot.n));
    }
}

} // namespace velisto
