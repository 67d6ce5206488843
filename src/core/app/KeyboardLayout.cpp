#include "app/KeyboardLayout.h"

#include <algorithm>
#include <cmath>

namespace velisto {
namespace {

// The skin gives the keys as x ranges; the y bands hold the letter rows (202 on the black
// keys, 273 on the white ones).
constexpr int kUpperTop = 95;
constexpr int kUpperBottom = 228;
constexpr int kLowerBottom = 295;

constexpr std::array<int, 4> kBlockLeft = {119, 367, 609, 849};
constexpr int kFirstBlockLeft = kBlockLeft[0];

struct XRange {
    int left;
    int right;
};

// First block, by semitone.
constexpr std::array<XRange, 12> kUpperBand = {{{119, 142},
                                                {142, 160},
                                                {160, 187},
                                                {187, 205},
                                                {205, 228},
                                                {229, 251},
                                                {251, 269},
                                                {269, 289},
                                                {289, 307},
                                                {307, 327},
                                                {326, 345},
                                                {345, 366}}};
// Black keys have no lower band ({0, 0}).
constexpr std::array<XRange, 12> kLowerBand = {{{119, 153},
                                                {0, 0},
                                                {154, 193},
                                                {0, 0},
                                                {194, 228},
                                                {229, 262},
                                                {0, 0},
                                                {263, 297},
                                                {0, 0},
                                                {298, 332},
                                                {0, 0},
                                                {333, 366}}};

constexpr std::array<bool, 12> kBlackSemitone = {false, true,  false, true,  false, false,
                                                 true,  false, true,  false, true,  false};

constexpr std::array<SkinRect, kKeyboardButtonCount> kButtons = {{
    {385, 38, 404, 50}, // device minus
    {429, 38, 447, 51}, // device plus
    {338, 63, 357, 76}, // show computer keys
    {385, 63, 404, 75}, // channel minus
    {428, 64, 447, 76}, // channel plus
    {732, 37, 751, 49}, // octave minus
    {777, 37, 795, 49}, // octave plus
    {732, 64, 751, 75}, // pitch range minus
    {776, 64, 795, 77}, // pitch range plus
    {824, 63, 842, 75}, // close
}};

constexpr SkinRect kPitchWheel = {65, 157, 97, 269};
constexpr int kVolumeLeft = 28;
constexpr int kVolumeRight = 51;
constexpr int kVolumeTop = 170;

// The computer keys in the order of the piano keys they play (key 12 + position): scan
// code and the key's character on a US layout.
struct ComputerKey {
    int scanCode;
    char usKey;
};
constexpr std::array<ComputerKey, 36> kComputerKeys = {{
    {16, 'Q'}, {3, '2'},  {17, 'W'}, {4, '3'},  {18, 'E'}, {19, 'R'}, {6, '5'},  {20, 'T'}, {7, '6'},
    {21, 'Y'}, {8, '7'},  {22, 'U'}, {23, 'I'}, {10, '9'}, {24, 'O'}, {11, '0'}, {25, 'P'}, {26, '['},
    {30, 'A'}, {44, 'Z'}, {31, 'S'}, {45, 'X'}, {32, 'D'}, {46, 'C'}, {47, 'V'}, {34, 'G'}, {48, 'B'},
    {35, 'H'}, {49, 'N'}, {50, 'M'}, {37, 'K'}, {51, ','}, {38, 'L'}, {52, '.'}, {39, ';'}, {53, '/'},
}};
constexpr int kFirstComputerKey = 12;

constexpr std::array<KeyLetter, 31> kLetters = {{
    {'Q', 378, 273},  {'W', 411, 273}, {'E', 447, 273}, {'R', 482, 273}, {'T', 516, 273}, {'Y', 552, 273},
    {'U', 586, 273},  {'I', 623, 273}, {'O', 654, 273}, {'P', 689, 273}, {'2', 397, 202}, {'3', 435, 202},
    {'5', 498, 202},  {'6', 537, 202}, {'7', 574, 202}, {'9', 641, 202}, {'0', 676, 202}, {'Z', 757, 273},
    {'X', 792, 273},  {'C', 826, 273}, {'V', 860, 273}, {'B', 893, 273}, {'N', 928, 273}, {'M', 963, 273},
    {'A', 740, 202},  {'S', 776, 202}, {'D', 812, 202}, {'G', 876, 202}, {'H', 913, 202}, {'K', 979, 202},
    {'L', 1016, 202},
}};

template <typename Match> std::optional<int> computerKeyWhere(Match match)
{
    const auto found = std::find_if(kComputerKeys.begin(), kComputerKeys.end(), match);
    if (found == kComputerKeys.end())
        return std::nullopt;
    return kFirstComputerKey + static_cast<int>(found - kComputerKeys.begin());
}

bool validKey(int key) { return key >= 0 && key < KeyboardLayout::kKeyCount; }

SkinRect keyRect(int key, const std::array<XRange, 12>& band, int top, int bottom)
{
    if (!validKey(key))
        return {};
    const XRange range = band[static_cast<std::size_t>(key % KeyboardLayout::kKeysPerBlock)];
    if (range.left == range.right)
        return {};
    const int shift = kBlockLeft[static_cast<std::size_t>(key / KeyboardLayout::kKeysPerBlock)] - kFirstBlockLeft;
    return {range.left + shift, top, range.right + shift, bottom};
}

} // namespace

KeyboardLayout::KeyboardLayout(int width, int height)
    : scaleX_(width > 0 ? static_cast<double>(width) / kBaseWidth : 1.0),
      scaleY_(height > 0 ? static_cast<double>(height) / kBaseHeight : 1.0)
{
}

// std::lround rounds halves away from zero.
int KeyboardLayout::scaledX(double x) const { return static_cast<int>(std::lround(x * scaleX_)); }
int KeyboardLayout::scaledY(double y) const { return static_cast<int>(std::lround(y * scaleY_)); }

SkinRect KeyboardLayout::scaled(const SkinRect& base) const
{
    return {scaledX(base.left), scaledY(base.top), scaledX(base.right), scaledY(base.bottom)};
}

SkinRect KeyboardLayout::upperKey(int key) { return keyRect(key, kUpperBand, kUpperTop, kUpperBottom); }
SkinRect KeyboardLayout::lowerKey(int key) { return keyRect(key, kLowerBand, kUpperBottom, kLowerBottom); }

SkinRect KeyboardLayout::button(KeyboardButton which) { return kButtons[static_cast<std::size_t>(which)]; }
SkinRect KeyboardLayout::pitchWheel() { return kPitchWheel; }
SkinRect KeyboardLayout::volumeSlider()
{
    return {kVolumeLeft, kVolumeTop, kVolumeRight, kVolumeTop + kVolumeTravel + kVolumeHandleHeight};
}

int KeyboardLayout::volumeHandleTop(int value)
{
    const int clamped = std::clamp(value, 0, 127);
    return kVolumeTop + static_cast<int>(std::lround((127 - clamped) / 127.0 * kVolumeTravel));
}

SkinRect KeyboardLayout::volumeHandle(int value)
{
    const int top = volumeHandleTop(value);
    return {kVolumeLeft, top, kVolumeRight, top + kVolumeHandleHeight};
}

bool KeyboardLayout::isBlackKey(int key)
{
    return validKey(key) && kBlackSemitone[static_cast<std::size_t>(key % kKeysPerBlock)];
}

std::optional<int> KeyboardLayout::keyAt(int x, int y) const
{
    for (int key = 0; key < kKeyCount; ++key) {
        if (scaled(upperKey(key)).contains(x, y) || scaled(lowerKey(key)).contains(x, y))
            return key;
    }
    return std::nullopt;
}

std::optional<KeyboardButton> KeyboardLayout::buttonAt(int x, int y) const
{
    for (int index = 0; index < kKeyboardButtonCount; ++index) {
        if (scaled(kButtons[static_cast<std::size_t>(index)]).contains(x, y))
            return static_cast<KeyboardButton>(index);
    }
    return std::nullopt;
}

bool KeyboardLayout::onPitchWheel(int x, int y) const { return scaled(kPitchWheel).contains(x, y); }

bool KeyboardLayout::onVolumeHandle(int x, int y, int value) const
{
    return scaled(volumeHandle(value)).contains(x, y);
}

std::span<const KeyLetter> KeyboardLayout::letters() { return kLetters; }

std::optional<int> KeyboardLayout::keyOfLetter(char letter) { return computerKeyOfUsKey(letter); }

std::optional<int> computerKeyOfScanCode(int scanCode)
{
    return computerKeyWhere([scanCode](const ComputerKey& key) { return key.scanCode == scanCode; });
}

std::optional<int> computerKeyOfUsKey(int key)
{
    return computerKeyWhere([key](const ComputerKey& entry) { return entry.usKey == key; });
}

} // namespace velisto
