#pragma once
// Tells what one stored system exclusive message is: the universal GM and GM2 messages,
// Roland GS and Yamaha XG parameter messages. One call decodes one message into a plain
// DecodedSysex: family, identifiers, the addressed parameter, its value in words and
// units, how it may be edited, the GS checksum, the error text of the list editor's detail
// column, and the flags the interpreter acts on. Decoding never fails and never reads past
// the first F7 or the end of the stored bytes.
// Thread contract: a SysexDecoder is immutable after construction; decode() may be called
// from any thread. The free functions are pure.

#include "midi/SlotPathDefinition.h"
#include "midi/SysexParameter.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class OutputDevice;

// The error texts of the list editor's detail column.
namespace SysexError {
inline constexpr std::string_view UnknownNonRealtime = "<unknown universal non-realtime sysex-address>";
inline constexpr std::string_view UnknownRealtime = "<unknown universal realtime sysex-address>";
inline constexpr std::string_view UnknownGs = "<unknown GS sysex-address>";
inline constexpr std::string_view UnknownXg = "<unknown XG sysex-address>";
inline constexpr std::string_view GpcWidth = "<global parameter control, wrong parameter id width or value width>";
inline constexpr std::string_view XgVariation = "<address not valid for selected XG variation effect>";
inline constexpr std::string_view WrongLength = "<wrong total length of sysex byte chain>";
inline constexpr std::string_view NotMatched = "<not matched>";
} // namespace SysexError

// What the decoder reads of a stored message: the bytes before the first F7. Stored bytes
// after that F7 belong to no message; without an F7 the whole buffer is the body.
struct SysexFrame {
    std::span<const std::uint8_t> body;
    bool terminated = false; // an F7 ends the body

    static SysexFrame of(std::span<const std::uint8_t> stored);
    // The message's length, counted up to and including the first F7.
    std::size_t length() const { return body.size() + (terminated ? 1 : 0); }
    // Byte i of the body; std::nullopt beyond it.
    std::optional<std::uint8_t> at(std::size_t i) const
    {
        return i < body.size() ? std::optional<std::uint8_t>(body[i]) : std::nullopt;
    }
};

enum class SysexFamily { None, UniversalNonRealtime, UniversalRealtime, Roland, Yamaha };
// "Universal non-realtime", "Universal realtime", "Roland", "Yamaha"; empty for None.
std::string_view sysexFamilyText(SysexFamily family);

// The three mode messages: GM (universal sub-id 09; value 1 enter GM, 2 exit, 3 enter
// GM2), GS reset (40 00 7F; value 0 reset, 7F leaves GS), XG System On (00 00 7E).
enum class SysexModeMessage { None, Gm, Gs, Xg };

enum class GsChecksumState { NotChecked, Right, Wrong };

// Why a Global Parameter Control message was (not) translated through the device's slot
// path definitions.
enum class GpcTranslation { Translated, NoGm2Device, WidthsNotMatched, SlotPathUndefined };

struct GpcGroup {
    int id = 0;    // parameter id, LSB first on the wire
    int value = 0; // LSB first on the wire
};

// F0 7F dev 04 05 sl pw vw [slot path: sl MSB/LSB pairs] [id (pw bytes) value (vw bytes)]... F7
struct GlobalParameterControlInfo {
    int slotPathLength = 0;   // number of MSB/LSB pairs
    int parameterIdWidth = 0; // bytes, valid 1..4
    int valueWidth = 0;       // bytes, valid 1..4
    bool widthsValid = false;
    std::vector<SlotPathEntry> slotPath;
    std::vector<GpcGroup> groups;
    GpcTranslation translation = GpcTranslation::SlotPathUndefined;
};

struct KeyBasedPair {
    int controller = 0;
    int value = 0;
};

// F0 7F dev 0A 01 channel key [controller value]... F7
struct KeyBasedControllerInfo {
    int channel = -1; // 0..15
    int key = -1;     // 0..127
    std::vector<KeyBasedPair> pairs;
};

struct DecodedSysex {
    // ---- what the message is ----
    std::size_t length = 0; // up to and including the first F7
    SysexFamily family = SysexFamily::None;
    // Family flags; exactly one is set for a decoded family. A Roland message of another
    // model than GS, or a Yamaha message of another model than XG, sets none.
    bool universalNonRealtime = false;
    bool universalRealtime = false;
    bool gs = false;
    bool xg = false;
    std::string deviceId;  // byte 1 as two hex digits ("7F")
    std::string modelId;   // Roland and Yamaha: byte 2 ("42", "4C"); empty for universal
    std::string modelName; // "GS " or "XG "; empty otherwise
    std::string subIds;    // universal: sub-id 1 and 2 ("09 01")
    std::string address;   // GS and XG: the three address bytes ("40 00 7F")
    // Parameter name; part and drum parameters name the part ("part 10 midi channel") or
    // the drum map and key ("drum map 1's C3 play pitch").
    std::string description;

    // ---- the value ----
    const SysexParameter* parameter = nullptr; // the map row, when one was found
    std::size_t valueOffset = 0;               // index of the first value byte in the stored bytes
    std::size_t valueLength = 0;               // number of value bytes; 0 when none were decoded
    std::string valueBytes;                    // "00 04 00 00"
    int value = -1;                            // raw value (see SysexParameter); -1 when none
    std::string valueText;                     // in the parameter's unit ("+150 cent", "on")
    std::string rangeText;                     // "-9600 to +9600 cent"
    std::string choices;                       // backslash-terminated names; empty unless a combo
    SysexEditKind editKind = SysexEditKind::None;
    int minimum = 0; // raw range of an "edit" value
    int maximum = 0;

    // ---- checks ----
    GsChecksumState checksum = GsChecksumState::NotChecked;
    int storedChecksum = -1;
    int expectedChecksum = -1;
    std::string error; // one of SysexError; empty when the message decoded cleanly
    bool wrongTotalLength = false;
    bool wrongValueBytes = false;
    std::string wrongValueDetail; // what is wrong, for "SYSEX with wrong value (" + detail + ")"

    // ---- what the interpreter acts on ----
    SysexModeMessage modeMessage = SysexModeMessage::None;
    int modeValue = -1;
    int partNumber = 0; // 1..16 for part parameters, 0 otherwise
    SysexPartKind partKind = SysexPartKind::None;
    bool resetDrumSetupMap = false; // XG; the map is `value`
    bool xgVariationType = false;   // XG; the type is `variationType`
    int variationType = -1;         // MSB * 128 + LSB
    bool globalParameterControl = false;
    GlobalParameterControlInfo gpc;
    bool keyBasedController = false;
    KeyBasedControllerInfo keyBased;
    // 0..16383 when the message sets the receiver's master volume (universal device
    // control, GS master volume scaled up from 0..127); -1 otherwise.
    int masterVolume = -1;
    // "*unsupported in GM*": a GS or XG parameter while the receiver is in another mode.
    std::string unsupportedNote;

    std::string_view familyText() const { return sysexFamilyText(family); }
    // Anything a user should look at: an error text, a wrong value or a wrong checksum.
    bool hasDefect() const { return !error.empty() || wrongValueBytes || checksum == GsChecksumState::Wrong; }
};

// Decodes against one output device: its GM2 support and Global Parameter Control slot
// paths (parsed once here; build a new decoder after the device's definitions change).
class SysexDecoder {
public:
    explicit SysexDecoder(const OutputDevice* device = nullptr);

    // stored: the bytes after F0 up to and including F7. receiverMode: the mode (0..3) of
    // the receiver model, for the "*unsupported in*" note; -1 for none.
    // lastXgVariationType: MSB * 128 + LSB of the variation type last selected on the
    // device, -1 when unknown; variation parameters are named by it.
    DecodedSysex decode(std::span<const std::uint8_t> stored, int receiverMode = -1,
                        int lastXgVariationType = -1) const;

private:
    bool gm2Device_ = false;
    std::vector<SlotPathDefinition> slotPaths_;
};

DecodedSysex decodeSysex(std::span<const std::uint8_t> stored, const OutputDevice* device, int receiverMode = -1,
                         int lastXgVariationType = -1);

// "*unsupported in " + mode name + "*" when a GS or XG parameter (not its mode message)
// meets a receiver in another mode; empty otherwise.
std::string unsupportedModeNote(const DecodedSysex& decoded, int receiverMode);

// "edit", "combo", "gs_tonenumberselection", "globalparametercontrol",
// "keybasedinstrumenteditor"; empty for None.
std::string_view sysexEditKindText(SysexEditKind kind);

// "not checked"; "41 ok"; "42 wrong, expected 41".
std::string gsChecksumText(const DecodedSysex& decoded);

// ---- values of map rows, shared with editing ----

// The choice names of a row (for a two-byte type list the names without their MSB,LSB).
std::vector<std::string_view> sysexChoiceNames(const SysexParameter& parameter);
// Raw value (MSB * 128 + LSB) of each entry of a two-byte type list, in list order.
std::vector<int> sysexTypeValues(const SysexParameter& parameter);
// A two-byte choice row whose names alternate with "MSB,LSB" pairs (the XG effect types).
bool isTypeList(const SysexParameter& parameter);
// The raw value of the choice at position item; -1 when there is none.
int sysexChoiceValue(const SysexParameter& parameter, int item);
// Whether the row accepts the raw value.
bool sysexValueValid(const SysexParameter& parameter, int raw);
// The value shown for a raw value, in the row's unit ("+150 cent", "Hall1", "random").
std::string sysexValueText(const SysexParameter& parameter, int raw);
// The row's range as shown ("-24 to +24 semitones", "0 to 1").
std::string sysexRangeText(const SysexParameter& parameter);
// The GS master volume 0..127 on the scale of the universal master volume, 0..16383.
int gsMasterVolumeOf(int value);
// The raw value of data bytes: 7 bits each (or the low nibble for Nibbles rows), most
// significant first unless the row says otherwise. std::nullopt when a byte does not fit (above 7F, or above 0F for
// Nibbles).
std::optional<int> sysexRawValue(const SysexParameter& parameter, std::span<const std::uint8_t> data);
// The data bytes of a raw value, the inverse of sysexRawValue.
std::vector<std::uint8_t> sysexDataBytes(const SysexParameter& parameter, int raw);

} // namespace velisto
