#include "app/SettingsDialogModel.h"

#include "app/UserPrompt.h"
#include "midi/MidiInputText.h"
#include "playback/MidiInputConnection.h"
#include "playback/MidiInputRouter.h"

#include <array>
#include <charconv>

namespace velisto {
namespace {

constexpr auto kPages = std::to_array<SettingsPageInfo>({
    {SettingsPage::Play, "MIDI play/output", "play"},
    {SettingsPage::Record, "MIDI record/input", "record"},
    {SettingsPage::MidiLoad, "MIDI file load", "midiload"},
    {SettingsPage::PianoRoll, "Piano Roll", "pianoroll"},
    {SettingsPage::Midi2Wav, "MIDI to .wav", "midi2wav"},
    {SettingsPage::Karaoke, "Karaoke", "karaoke"},
});

constexpr auto kCheckOrder = std::to_array<SettingsPage>({
    SettingsPage::Record,
    SettingsPage::PianoRoll,
    SettingsPage::Midi2Wav,
    SettingsPage::MidiLoad,
    SettingsPage::Play,
    SettingsPage::Karaoke,
});

struct FieldRange {
    SettingsField field;
    SettingsRange range;
    int (*value)(const SettingsDialogValues& values);
};

using Values = SettingsDialogValues;
constexpr auto kFields = std::to_array<FieldRange>({
    {SettingsField::DetSendDelay, {SettingsPage::Play, 0, 200}, [](const Values& v) { return v.general.detsenddelay; }},
    {SettingsField::MetronomeKey,
     {SettingsPage::Record, 0, 127},
     [](const Values& v) { return v.metronom.Instrument; }},
    {SettingsField::SplitKey, {SettingsPage::Record, 0, 127}, [](const Values& v) { return v.general.splitkey; }},
    {SettingsField::SplitChannel,
     {SettingsPage::Record, 0, 15},
     [](const Values& v) { return v.general.splitchannel; }},
    {SettingsField::ShiftFrontOct,
     {SettingsPage::Record, -11, 11},
     [](const Values& v) { return v.general.shiftfrontoct; }},
    {SettingsField::ShiftBeyondOct,
     {SettingsPage::Record, -11, 11},
     [](const Values& v) { return v.general.shiftbeyondoct; }},
    {SettingsField::TaskPriority, {SettingsPage::Midi2Wav, 0, 2}, [](const Values& v) { return v.taskpriority; }},
    {SettingsField::SongTextTrack,
     {SettingsPage::Karaoke, 1, 256},
     [](const Values& v) { return v.karaoke.songtexttrack; }},
    {SettingsField::MeasuresPerRow,
     {SettingsPage::Karaoke, 1, 32},
     [](const Values& v) { return v.karaoke.karaoketakteprozeile; }},
});

const FieldRange& fieldRange(SettingsField field)
{
    for (const FieldRange& entry : kFields)
        if (entry.field == field)
            return entry;
    return kFields.front();
}

std::string rangeMessage(const SettingsRange& range)
{
    return "Please enter a value between " + std::to_string(range.min) + " and " + std::to_string(range.max);
}

// The record page's own check: a newly chosen real port must open. It is closed again at
// once; OK opens it for good after every page has passed.
bool inputPortOpens(const SettingsDialogValues& values, const Settings& settings, MidiPortSystem& ports,
                    UserPrompt& prompt)
{
    const int count = static_cast<int>(ports.inputPortNames().size());
    if (values.inputPort < 0 || values.inputPort > count) {
        prompt.message(rangeMessage({SettingsPage::Record, 0, count}), "", PromptIcon::Exclamation);
        return false;
    }
    if (values.inputPort == settings.midiInput.devicenr || values.inputPort == count)
        return true;
    const MidiInOpenResult tried = ports.openInput(values.inputPort, [](const MidiInMessage&) {});
    if (tried.error == MidiOpenError::None)
        return true;
    prompt.message(midiInputOpenFailureText(tried.error, MidiInputOpenContext::SettingsCheck), "", PromptIcon::Error);
    return false;
}

bool pageIsValid(SettingsPage page, const SettingsDialogValues& values, const Settings& settings, MidiPortSystem& ports,
                 UserPrompt& prompt)
{
    for (const FieldRange& entry : kFields) {
        if (entry.range.page != page)
            continue;
        const int value = entry.value(values);
        if (value < entry.range.min || value > entry.range.max) {
            prompt.message(rangeMessage(entry.range), "", PromptIcon::Exclamation);
            return false;
        }
    }
    return page != SettingsPage::Record || inputPortOpens(values, settings, ports, prompt);
}

void changeInputPort(int port, Settings& settings, SettingsInput input, UserPrompt& prompt)
{
    const int count = static_cast<int>(input.ports.inputPortNames().size());
    if (port == count) {
        input.connection.close();
    } else if (!openInputFromUserInterface(input.connection, input.ports, port, input.router, prompt)) {
        // It opened a moment ago in the check; when it fails now the next start asks again.
        port = MidiInputSettings::kNotChosen;
    }
    settings.midiInput.devicenr = port;
}

} // namespace

std::span<const SettingsPageInfo> settingsPages() { return kPages; }

std::span<const SettingsPage> settingsCheckOrder() { return kCheckOrder; }

SettingsRange settingsRange(SettingsField field) { return fieldRange(field).range; }

std::optional<int> readSettingsField(std::string_view text, SettingsField field, UserPrompt& prompt)
{
    const SettingsRange range = settingsRange(field);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < range.min ||
        value > range.max) {
        prompt.message(rangeMessage(range), "", PromptIcon::Exclamation);
        return std::nullopt;
    }
    return value;
}

SettingsDialogValues SettingsDialogValues::of(const Settings& settings)
{
    SettingsDialogValues values;
    values.general = settings.general;
    values.metronom = settings.metronom;
    values.inputPort = settings.midiInput.devicenr;
    values.mixer = settings.mixer;
    values.pianoRoll = settings.pianoRoll;
    values.taskpriority = settings.midi2wav.taskpriority;
    values.karaoke = settings.karaoke;
    values.deviceNameMap = DeviceNameMapEditor(settings.deviceNameMap);
    return values;
}

SettingsEnabling settingsEnabling(const SettingsDialogValues& values, bool runExists)
{
    SettingsEnabling enabling;
    enabling.playPage = !runExists;
    enabling.delayField = !runExists && values.general.determine;
    enabling.recordPage = !runExists;
    enabling.splitControls = !runExists && values.general.routeyn;
    enabling.metronomeKey = !runExists && values.metronom.yn;
    enabling.pianoRoll = !runExists;
    enabling.loadOptions = !runExists;
    enabling.mappingEditing = !runExists;
    return enabling;
}

std::optional<SettingsPage> applySettingsDialog(const SettingsDialogValues& values, Settings& settings,
                                                SettingsInput input, UserPrompt& prompt)
{
    for (const SettingsPage page : kCheckOrder)
        if (!pageIsValid(page, values, settings, input.ports, prompt))
            return page;

    if (values.inputPort != settings.midiInput.devicenr)
        changeInputPort(values.inputPort, settings, input, prompt);
    settings.pianoRoll = values.pianoRoll;
    settings.general = values.general;
    settings.metronom = values.metronom;
    settings.karaoke = values.karaoke;
    settings.mixer = values.mixer;
    settings.deviceNameMap = values.deviceNameMap.entries();
    settings.midi2wav.taskpriority = values.taskpriority;

    const InputRouting routing = InputRouting::of(settings.general);
    if (!(input.router.routing() == routing))
        input.router.setRouting(routing);
    return std::nullopt;
}

} // namespace velisto
