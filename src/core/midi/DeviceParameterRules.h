#pragma once
// The rules of the device parameter dialog and the slot path dialog, as functions that
// give the user's message: an empty text means the entry is accepted. The dialogs show a
// refusal and keep the old value; they show a question first where a rule asks one.
// Thread contract: pure functions, callable from any thread.

#include "midi/MidiModeDefinition.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// Caption of the backslash refusal and of the width questions.
inline constexpr std::string_view kGlobalParameterControlCaption = "Global parameter control";
// Caption of the question before GM2 support goes off (Yes/No/Cancel).
inline constexpr std::string_view kGm2SupportedCaption = "GM2 supported";
inline constexpr std::string_view kSlotPathDialogTitle = "GM2 Global parameter control - Slotpath definition";

// Parameter id width and value width: how many 7-bit bytes a GM2 global parameter message
// spends on each.
inline constexpr int kMinSlotPathWidth = 1;
inline constexpr int kMaxSlotPathWidth = 4;

struct RuleOutcome {
    // Refused: show this and keep the old value.
    std::string error;
    // Accepted only when the user answers Yes to this; empty when nothing needs asking.
    std::string question;

    bool accepted() const { return error.empty(); }
};

// A number typed into a dialog field: decimal, an optional minus, blanks around it
// allowed. std::nullopt for anything else, and for more than 9 digits.
std::optional<int> parseEntryNumber(std::string_view text);

// Accepted when "7F" or below; either case.
std::string checkUniversalSysexId(std::string_view text);
// mode: the power-on MIDI mode (MidiMode::GM ...). GS wants 2 hex digits up to 7F, XG 1 hex
// digit. A device that starts in GM or GM2 still uses the id for the standards it supports,
// so it is checked by GS rules when GS is supported, else by XG rules when XG is; with
// neither the id is unused and only the stored one passes.
struct NonUniversalIdContext {
    int mode = MidiMode::GM;
    bool gsSupported = false;
    bool xgSupported = false;
    std::string_view storedId;
};
std::string checkNonUniversalSysexId(std::string_view text, const NonUniversalIdContext& context);

// Every text of the dialogs ends up in a backslash-separated record.
std::string checkNoBackslash(std::string_view text);
// A type name also ends up between the semicolons of its type list.
std::string checkTypeName(std::string_view text);

// 128^width - 1: the largest number width 7-bit bytes hold. -1 for a width outside 1..4.
int maxForWidth(int width);

// A changed width deletes the slot path's parameters, so the user is asked first when it
// has any. Unchanged or accepted without parameters: no question.
RuleOutcome checkParameterIdWidth(std::string_view text, int currentWidth, std::size_t parameterCount);
RuleOutcome checkValueWidth(std::string_view text, int currentWidth, std::size_t parameterCount);

// otherIds: the ids of the slot path's other parameters (not the one being edited).
std::string checkParameterId(std::string_view text, int idWidth, std::span<const int> otherIds);
std::string checkTypeValue(std::string_view text, int valueWidth);

// The question before GM2 support goes off; empty when there are no slot paths to lose.
// Any answer but Yes keeps GM2 support on.
std::string gm2OffQuestion(std::size_t slotPathCount);
// GM2 support on or off, with its consequences. Off: the slot paths are deleted and a GM2
// power-on mode becomes GM. On: a device without slot paths gets the two default ones
// (slot paths that are already there are kept).
void switchGm2Support(bool on, int& powerOnMode, std::vector<std::string>& slotPaths);

// The slot path dialog: a name, and up to four MSB/LSB entries of 4 hex digits each.
std::string checkSlotPathName(std::string_view name);
std::string checkSlotPathEntries(const std::array<std::string, 4>& entries);

} // namespace velisto
