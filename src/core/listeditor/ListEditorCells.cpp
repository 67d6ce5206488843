#include "listeditor/ListEditorCells.h"

#include "edit/Transforms.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "midi/ProgramIndex.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <array>

namespace velisto {

namespace {

constexpr std::string_view kRange0To127 = "0 to 127";
constexpr std::string_view kRange1To127 = "1 to 127";
constexpr std::string_view kRangePitchBend = "-8192 to 8191";

// What plays on the event's channel; without a device, the receiver's start (channel 10
// is the drum channel).
ProgramAtEvent programAtRow(const ListEditorContext& context, int row)
{
    static const ProgramIndex kStart;
    const ProgramIndex& programs = context.programs ? *context.programs : kStart;
    return programs.programAt(context.song, context.track, row);
}

bool minorAt(const ListEditorContext& context, std::int32_t tick)
{
    return keyModeAtTick(context.song, tick) == "moll";
}

std::string noteText(const ListEditorContext& context, const MidiEvent& event)
{
    const NoteSpelling spelling = minorAt(context, event.tick) ? NoteSpelling::Flats : NoteSpelling::Sharps;
    return std::string(noteName(event.data1, spelling));
}

// A drum key's name in the kit at the row; keys the kit has no sound for keep their note
// name, so that no two entries of a key list read alike by being empty.
std::string drumKeyText(const ListEditorContext& context, int key, int drumProgram)
{
    const std::string_view name = drumName(context.trackMode, key, drumProgram);
    return name.empty() ? std::string(noteName(key)) : std::string(name);
}

std::vector<std::string> drumKeyChoices(const ListEditorContext& context, int drumProgram)
{
    std::vector<std::string> names;
    names.reserve(128);
    for (int key = 0; key < 128; ++key)
        names.push_back(drumKeyText(context, key, drumProgram));
    return names;
}

// The fields of a backslash-terminated list, empty ones included, in order.
std::vector<std::string> listFields(std::string_view list)
{
    std::vector<std::string> fields;
    while (!list.empty()) {
        const std::size_t end = list.find('\\');
        fields.emplace_back(list.substr(0, end));
        if (end == std::string_view::npos)
            break;
        list.remove_prefix(end + 1);
    }
    return fields;
}

std::optional<ParamKind> paramKindOf(std::uint8_t kind)
{
    switch (kind) {
    case EventKind::Controller:
        return ParamKind::Controller;
    case EventKind::Nrpn:
        return ParamKind::Nrpn;
    case EventKind::DrumNrpn:
        return ParamKind::DrumNrpn;
    case EventKind::Rpn:
        return ParamKind::Rpn;
    default:
        return std::nullopt;
    }
}

std::string parameterName(const ListEditorContext& context, ParamKind kind, int slot)
{
    const std::string_view name = midiModeDefinition(context.trackMode).longName(kind, slot);
    return name.empty() ? numberText(slot) : std::string(name);
}

int pitchBendValue(const MidiEvent& event) { return event.data2 * 128 + event.data1 - 8192; }

std::string programText(const ListEditorContext& context, const MidiEvent& event, int row)
{
    if (programAtRow(context, row).drum) {
        const std::string_view kit = drumKitName(context.trackMode, event.data1);
        if (!kit.empty())
            return std::string(kit);
    }
    return std::string(gmProgramName(event.data1));
}

// The channel kinds and the channel prefix; not text, sysex or a status of no kind.
bool hasChannel(const MidiEvent& event) { return event.isChannelEvent() && !statusChoicesFor(event.status).empty(); }

bool gsDevice(const ListEditorContext& context) { return context.device && context.device->gsSupported; }

bool isBankSelect(const MidiEvent& event)
{
    return event.kind() == EventKind::Controller &&
           midiModeDefinition(MidiMode::GM).isControllerSlot(event.data1, Cc::BankMsb);
}

std::string keyText(const ListEditorContext& context, const MidiEvent& event, int row)
{
    switch (event.kind()) {
    case EventKind::Note:
    case EventKind::PolyPressure: {
        const ProgramAtEvent program = programAtRow(context, row);
        return program.drum ? drumKeyText(context, event.data1, program.program) : noteText(context, event);
    }
    case EventKind::DrumNrpn:
        return drumKeyText(context, event.data3, programAtRow(context, row).program);
    default:
        return {};
    }
}

std::string valueText(const MidiEvent& event, const DecodedRow& decoded)
{
    switch (event.kind()) {
    case EventKind::Note:
    case EventKind::PolyPressure:
    case EventKind::Controller:
    case EventKind::Nrpn:
    case EventKind::Rpn:
    case EventKind::DrumNrpn:
        return numberText(event.data2);
    case EventKind::ProgramChange:
    case EventKind::ChannelPressure:
        return numberText(event.data1);
    case EventKind::PitchBend:
        return numberText(pitchBendValue(event));
    case EventKind::Sysex:
        return decoded.sysex ? decoded.decoded.valueText : std::string();
    default:
        return {};
    }
}

std::string rangeText(const MidiEvent& event, const DecodedRow& decoded)
{
    switch (event.kind()) {
    case EventKind::Note:
        return std::string(kRange1To127);
    case EventKind::PolyPressure:
    case EventKind::Controller:
    case EventKind::Nrpn:
    case EventKind::Rpn:
    case EventKind::DrumNrpn:
    case EventKind::ProgramChange:
    case EventKind::ChannelPressure:
        return std::string(kRange0To127);
    case EventKind::PitchBend:
        return std::string(kRangePitchBend);
    case EventKind::Sysex:
        return decoded.sysex ? decoded.decoded.rangeText : std::string();
    default:
        return {};
    }
}

std::string sysexDetailText(const DecodedSysex& decoded)
{
    std::string text = decoded.error.empty() ? decoded.description : decoded.error;
    if (!decoded.unsupportedNote.empty())
        text += (text.empty() ? "" : " ") + decoded.unsupportedNote;
    return text;
}

std::string detailText(const ListEditorContext& context, const MidiEvent& event, int row, const DecodedRow& decoded)
{
    if (event.isText())
        return event.text ? *event.text : std::string();
    if (const std::optional<ParamKind> kind = paramKindOf(event.kind()))
        return parameterName(context, *kind, event.data1);
    switch (event.kind()) {
    case EventKind::Note:
        return numberText(event.length);
    case EventKind::ProgramChange:
        return programText(context, event, row);
    case EventKind::Sysex:
        return decoded.sysex ? sysexDetailText(decoded.decoded) : std::string();
    default:
        return {};
    }
}

std::string sysexColumnText(const MidiEvent& event, ListColumn column, const DecodedRow& decoded)
{
    if (!event.isSysex())
        return {};
    if (column == ListColumn::RawSysex)
        return event.sysex ? sysexText(*event.sysex) : sysexText({});
    if (!decoded.sysex)
        return {};
    const DecodedSysex& d = decoded.decoded;
    switch (column) {
    case ListColumn::SysexDeviceId:
        return d.deviceId;
    case ListColumn::SysexModelId:
        return d.modelId.empty() ? std::string() : d.modelName + d.modelId;
    case ListColumn::SysexGsChecksum:
        return d.gs ? gsChecksumText(d) : std::string();
    default:
        return {};
    }
}

// ---- editors ----

CellEditor editField(std::string_view name, std::string current)
{
    CellEditor editor;
    editor.name = std::string(name);
    editor.kind = CellEditKind::Edit;
    editor.current = std::move(current);
    return editor;
}

CellEditor combo(std::string_view name, std::vector<std::string> choices, int currentItem, std::string shown = {})
{
    CellEditor editor;
    editor.name = std::string(name);
    editor.kind = CellEditKind::Combo;
    editor.currentItem = currentItem >= 0 && currentItem < static_cast<int>(choices.size()) ? currentItem : -1;
    editor.current = editor.currentItem >= 0 ? choices[static_cast<std::size_t>(editor.currentItem)] : std::move(shown);
    editor.choices = std::move(choices);
    return editor;
}

std::optional<CellEditor> statusEditor(const MidiEvent& event)
{
    const std::span<const std::uint8_t> kinds = statusChoicesFor(event.status);
    if (kinds.empty())
        return std::nullopt;
    std::vector<std::string> texts;
    int current = -1;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        texts.emplace_back(eventStatusText(kinds[i]));
        if (kinds[i] == event.kind())
            current = static_cast<int>(i);
    }
    return combo(ListCell::Status, std::move(texts), current);
}

std::optional<CellEditor> keyEditor(const ListEditorContext& context, const MidiEvent& event, int row)
{
    const std::uint8_t kind = event.kind();
    if (kind == EventKind::DrumNrpn)
        return combo(ListCell::DrumNrpnKey, drumKeyChoices(context, programAtRow(context, row).program), event.data3);
    if (kind != EventKind::Note && kind != EventKind::PolyPressure)
        return std::nullopt;
    const ProgramAtEvent program = programAtRow(context, row);
    if (program.drum)
        return combo(kind == EventKind::Note ? ListCell::NoteOnDrumKey : ListCell::KeyPressureDrumKey,
                     drumKeyChoices(context, program.program), event.data1);
    // The list offers the names of the key mode's spelling; either spelling may be typed.
    const bool minor = minorAt(context, event.tick);
    CellEditor editor = combo(minor ? ListCell::MinorKey : ListCell::MajorKey,
                              listFields(noteNameList(minor ? NoteSpelling::Flats : NoteSpelling::Sharps)),
                              event.data1, noteText(context, event));
    editor.typable = true;
    return editor;
}

std::vector<std::string> programChoices() { return listFields(gmProgramNameList()); }

std::optional<CellEditor> sysexValueEditor(const DecodedRow& row)
{
    if (!row.sysex)
        return std::nullopt;
    const DecodedSysex& d = row.decoded;
    switch (d.editKind) {
    case SysexEditKind::GsToneNumber:
    case SysexEditKind::GlobalParameterControl:
    case SysexEditKind::KeyBasedInstrumentEditor: {
        CellEditor editor = editField(ListCell::SysexValue, d.valueText);
        editor.kind = CellEditKind::Dialog;
        editor.dialog = d.editKind;
        return editor;
    }
    case SysexEditKind::Edit:
    case SysexEditKind::Combo:
        break;
    case SysexEditKind::None:
        return std::nullopt;
    }
    // Only a message whose one value can be re-encoded is edited in place.
    if (!d.parameter || d.valueLength == 0 || d.wrongTotalLength || !d.error.empty())
        return std::nullopt;
    if (d.editKind == SysexEditKind::Edit)
        return editField(ListCell::SysexValue, numberText(d.value));
    std::vector<std::string> names;
    int current = -1;
    for (const std::string_view name : sysexChoiceNames(*d.parameter)) {
        if (sysexChoiceValue(*d.parameter, static_cast<int>(names.size())) == d.value)
            current = static_cast<int>(names.size());
        names.emplace_back(name);
    }
    return combo(ListCell::SysexValue, std::move(names), current, d.valueText);
}

std::optional<CellEditor> valueEditor(const ListEditorContext& context, const MidiEvent& event,
                                      const DecodedRow& decoded)
{
    switch (event.kind()) {
    case EventKind::Note:
        return editField(ListCell::NoteOnVelocity, numberText(event.data2));
    case EventKind::PolyPressure:
        return editField(ListCell::PolyAftertouchValue, numberText(event.data2));
    case EventKind::Controller:
        if (isBankSelect(event) && gsDevice(context))
            return combo(ListCell::BankSelect, listFields(gsVariationToneList()), event.data2, numberText(event.data2));
        return editField(ListCell::ControllerValue, numberText(event.data2));
    case EventKind::Nrpn:
        return editField(ListCell::NrpnValue, numberText(event.data2));
    case EventKind::Rpn:
        return editField(ListCell::RpnValue, numberText(event.data2));
    case EventKind::DrumNrpn:
        return editField(ListCell::DrumNrpnValue, numberText(event.data2));
    case EventKind::ProgramChange:
        return combo(ListCell::Program, programChoices(), event.data1, numberText(event.data1));
    case EventKind::ChannelPressure:
        return editField(ListCell::ChannelPressureValue, numberText(event.data1));
    case EventKind::PitchBend:
        return editField(ListCell::Pitch, numberText(pitchBendValue(event)));
    case EventKind::Sysex:
        return sysexValueEditor(decoded);
    default:
        return std::nullopt;
    }
}

std::string_view parameterCellName(ParamKind kind)
{
    switch (kind) {
    case ParamKind::Controller:
        return ListCell::Controller;
    case ParamKind::Nrpn:
        return ListCell::Nrpn;
    case ParamKind::DrumNrpn:
        return ListCell::DrumNrpn;
    case ParamKind::Rpn:
        break;
    }
    return ListCell::Rpn;
}

std::optional<CellEditor> detailEditor(const ListEditorContext& context, const MidiEvent& event)
{
    if (event.isText())
        return editField(ListCell::Meta, event.text ? *event.text : std::string());
    if (const std::optional<ParamKind> kind = paramKindOf(event.kind())) {
        std::vector<std::string> names;
        for (ValueChoice& choice : parameterChoices(*kind))
            names.push_back(std::move(choice.text));
        return combo(parameterCellName(*kind), std::move(names), event.data1, numberText(event.data1));
    }
    if (event.kind() == EventKind::Note) {
        CellEditor editor = combo(ListCell::NoteLength, noteValueChoices(context.song.ppq), -1, numberText(event.length));
        editor.typable = true;
        return editor;
    }
    if (event.kind() == EventKind::ProgramChange)
        return combo(ListCell::Program, programChoices(), event.data1, numberText(event.data1));
    return std::nullopt;
}

std::optional<CellEditor> sysexCellEditor(const MidiEvent& event, ListColumn column, const DecodedRow& decoded)
{
    if (!event.isSysex())
        return std::nullopt;
    if (column == ListColumn::RawSysex)
        return editField(ListCell::RawSysex, sysexColumnText(event, column, decoded));
    if (!decoded.sysex)
        return std::nullopt;
    const DecodedSysex& d = decoded.decoded;
    if (column == ListColumn::SysexDeviceId && !d.deviceId.empty())
        return editField(ListCell::SysexDeviceId, d.deviceId);
    if (column == ListColumn::SysexGsChecksum && d.gs && d.checksum != GsChecksumState::NotChecked)
        return editField(ListCell::SysexGsChecksum, std::string(trimmed(hexByte(d.storedChecksum))));
    return std::nullopt;
}

} // namespace

DecodedRow decodeRow(const ListEditorContext& context, int row)
{
    const MidiEvent* event = listEditorEvent(context, row);
    if (!event || !event->isSysex())
        return {};
    DecodedRow decoded;
    decoded.sysex = true;
    const std::span<const std::uint8_t> bytes =
        event->sysex ? std::span<const std::uint8_t>(*event->sysex) : std::span<const std::uint8_t>();
    decoded.decoded = context.decoder.decode(bytes, context.receiverMode, context.lastXgVariationType);
    return decoded;
}

std::string cellText(const ListEditorContext& context, int row, ListColumn column, const DecodedRow& decoded)
{
    const MidiEvent* event = listEditorEvent(context, row);
    if (!event)
        return {};
    switch (column) {
    case ListColumn::Position:
        return positionText(context.song, event->tick);
    case ListColumn::Channel:
        return hasChannel(*event) ? numberText(event->channel() + 1) : std::string();
    case ListColumn::Status:
        return std::string(eventStatusText(event->status));
    case ListColumn::Key:
        return keyText(context, *event, row);
    case ListColumn::Value:
        return valueText(*event, decoded);
    case ListColumn::Range:
        return rangeText(*event, decoded);
    case ListColumn::Detail:
        return detailText(context, *event, row, decoded);
    case ListColumn::RawSysex:
    case ListColumn::SysexDeviceId:
    case ListColumn::SysexModelId:
    case ListColumn::SysexGsChecksum:
        return sysexColumnText(*event, column, decoded);
    }
    return {};
}

std::string cellText(const ListEditorContext& context, int row, ListColumn column)
{
    return cellText(context, row, column, decodeRow(context, row));
}

std::optional<CellEditor> cellEditor(const ListEditorContext& context, int row, ListColumn column,
                                     const DecodedRow& decoded)
{
    const MidiEvent* event = listEditorEvent(context, row);
    if (!event)
        return std::nullopt;
    switch (column) {
    case ListColumn::Position:
        return editField(ListCell::Position, positionText(context.song, event->tick));
    case ListColumn::Channel:
        if (!hasChannel(*event))
            return std::nullopt;
        return editField(ListCell::MidiChannel, numberText(event->channel() + 1));
    case ListColumn::Status:
        return statusEditor(*event);
    case ListColumn::Key:
        return keyEditor(context, *event, row);
    case ListColumn::Value:
        return valueEditor(context, *event, decoded);
    case ListColumn::Range:
    case ListColumn::SysexModelId:
        return std::nullopt;
    case ListColumn::Detail:
        return detailEditor(context, *event);
    case ListColumn::RawSysex:
    case ListColumn::SysexDeviceId:
    case ListColumn::SysexGsChecksum:
        return sysexCellEditor(*event, column, decoded);
    }
    return std::nullopt;
}

std::optional<CellEditor> cellEditor(const ListEditorContext& context, int row, ListColumn column)
{
    return cellEditor(context, row, column, decodeRow(context, row));
}

} // namespace velisto
