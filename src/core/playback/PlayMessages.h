#pragma once
// What a play run posts to the user interface through UiNotifier. Commands use the
// menu command ids, so that the GUI handles a posted "Undo" exactly like the menu's;
// the play-thread notices are private messages of their own.
//
// Thread contract: constants only.

#include "app/UiNotifier.h"

namespace velisto {

// The window system's close request and menu command messages (wparam: the command id).
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmCommand = 0x0111;

namespace CommandId {
inline constexpr unsigned Play = 32771;
inline constexpr unsigned Stop = 32781;
inline constexpr unsigned PlayLoop = 32800;
inline constexpr unsigned Record = 32834;
inline constexpr unsigned Rewind = 32852;
inline constexpr unsigned Undo = 57643;
} // namespace CommandId

// The song was modified: the frame sets its modified flag and marks the title.
inline constexpr unsigned kSongModifiedMessage = kWmUser + 23;

// The run has ended (its stop sequence ran): the user interface finishes it with
// PlayController::finishRun, which merges a recording and carries out the pending command.
inline constexpr unsigned kPlayRunEndedMessage = kWmUser + 200;
// Playback reached the first tick of a measure (wparam: the tick).
inline constexpr unsigned kPlayMeasureMessage = kWmUser + 201;
// The tempo in force changed (wparam: index into the song's tempo list).
inline constexpr unsigned kPlayTempoMessage = kWmUser + 202;
// The list editor follows playback (wparam: the tick just played).
inline constexpr unsigned kPlayListPositionMessage = kWmUser + 203;
// A preview of an edit function reached a multiple of its dialog's step (wparam: the
// owner, lparam: the tick).
inline constexpr unsigned kPreviewStepMessage = kWmUser + 204;
// A preview reached its end tick (wparam: the owner): the dialog's preview-finished step.
inline constexpr unsigned kPreviewFinishedMessage = kWmUser + 205;

} // namespace velisto
