#pragma once
// What a play run posts to the user interface through UiNotifier. Commands use the
// menu command ids (app/CommandIds.h), so that the GUI handles a posted "Undo" exactly
// like the menu's; the play-thread notices are private messages of their own.
//
// Thread contract: constants only.

#include "app/CommandIds.h"

namespace velisto {

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
