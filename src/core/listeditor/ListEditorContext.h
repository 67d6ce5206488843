#pragma once
// What the list editor's cells read besides the event itself: the song and the shown
// track, the track's output device (its receiver mode, its program index for naming drum
// keys, its GM2 slot paths), and the decoder built for that device.
// Thread contract: built and used on the user-interface thread. Only the receiver mode is
// written by the sending threads; it is read once, under the device's sendMutex, when the
// context is made, so make a new context for each repaint or edit.

namespace velisto {

struct MidiEvent;
class OutputDevice;
class ProgramIndex;
class Song;
class SysexDecoder;

struct ListEditorContext {
    const Song& song;
    int track = 0;                          // 0..255
    const OutputDevice* device = nullptr;   // the track's device; null when it has none
    const SysexDecoder& decoder;            // built for device
    int receiverMode = -1;                  // live mode 0..3 of the device's receiver; -1 without device
    int lastXgVariationType = -1;           // the device's, for naming XG variation parameters
    int trackMode = 0;                      // the standard of the device's tracks: names drum keys
    const ProgramIndex* programs = nullptr; // the device's program index; null: the receiver's start
};

// Reads what the cells need from device (which may be null) under its sendMutex; the
// caller must not hold that mutex.
ListEditorContext listEditorContext(const Song& song, int track, const OutputDevice* device,
                                    const SysexDecoder& decoder);

// The event shown in row (its index in the track); null for a row or track outside.
const MidiEvent* listEditorEvent(const ListEditorContext& context, int row);

} // namespace velisto
