#include "midi/SlotPathDefinition.h"

#include "midi/DeviceParameterRules.h"
#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {
namespace {

constexpr char kFieldEnd = '\\';
constexpr char kListSeparator = ';';
constexpr int kFieldsBeforeParameters = 4;
constexpr int kFieldsPerParameter = 4;
constexpr int kMaxEntryByte = 0x7F;

// The fields of a text in which every field, the last included, ends with a backslash.
// std::nullopt when the text does not end with one. (TextFormat's field() splits at
// separators and would cost a pass per field.)
std::optional<std::vector<std::string_view>> terminatedFields(std::string_view text)
{
    if (text.empty() || text.back() != kFieldEnd)
        return std::nullopt;
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    for (std::size_t end = text.find(kFieldEnd); end != std::string_view::npos; end = text.find(kFieldEnd, begin)) {
        fields.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return fields;
}

std::vector<std::string_view> listItems(std::string_view text)
{
    std::vector<std::string_view> items;
    std::size_t begin = 0;
    for (std::size_t end = text.find(kListSeparator); end != std::string_view::npos;
         end = text.find(kListSeparator, begin)) {
        items.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    items.push_back(text.substr(begin));
    return items;
}

// A field as an error message shows it: quoted, and cut when long.
std::string quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    if (text.size() > kShown)
        return "'" + std::string(text.substr(0, kShown)) + "...'";
    return "'" + std::string(text) + "'";
}

// Plain decimal digits, leading zeros allowed, 0..max.
std::optional<int> numberInRange(std::string_view text, int max)
{
    const std::optional<int> value = text.starts_with('-') ? std::nullopt : parseDecimal(text);
    return value && *value <= max ? value : std::nullopt;
}

std::optional<SlotPathEntry> entryFromHex(std::string_view four)
{
    if (four.size() != 4)
        return std::nullopt;
    const auto msb = hexParse(four.substr(0, 2));
    const auto lsb = hexParse(four.substr(2, 2));
    if (!msb || !lsb || *msb > kMaxEntryByte || *lsb > kMaxEntryByte)
        return std::nullopt;
    return SlotPathEntry{*msb, *lsb};
}

std::string entryHex(const SlotPathEntry& entry)
{
    return hexByte(entry.msb).substr(0, 2) + hexByte(entry.lsb).substr(0, 2);
}

std::string fieldError(std::size_t index, const std::string& what)
{
    return "Slot path definition, field " + std::to_string(index + 1) + ": " + what;
}

// Reads the fields of one parameter, starting at fields[at].
class ParameterReader {
  public:
    ParameterReader(const std::vector<std::string_view>& fields, const SlotPathDefinition& definition)
        : fields_(fields), definition_(definition)
    {
    }

    // Empty on success.
    std::string read(std::size_t at, SlotPathParameter& parameter) const
    {
        const int maxId = maxForWidth(definition_.parameterIdWidth);
        const std::optional<int> id = numberInRange(fields_[at], maxId);
        if (!id)
            return fieldError(at,
                              "parameter id " + quoted(fields_[at]) + " is not between 0 and " + std::to_string(maxId));
        const bool duplicate = std::any_of(definition_.parameters.begin(), definition_.parameters.end(),
                                           [&](const SlotPathParameter& other) { return other.id == *id; });
        if (duplicate)
            return fieldError(at, "parameter id " + std::to_string(*id) + " is defined twice");
        parameter.id = *id;
        parameter.name = std::string(fields_[at + 1]);

        const std::string_view kind = fields_[at + 2];
        if (kind == "1") {
            parameter.kind = SlotPathParameter::Kind::TypeList;
            return readTypes(at + 3, parameter);
        }
        if (kind == "0") {
            parameter.kind = SlotPathParameter::Kind::FreeValue;
            return readFreeValue(at + 3, parameter);
        }
        return fieldError(at + 2, "kind " + quoted(kind) + " is neither 1 (type list) nor 0 (free value)");
    }

  private:
    std::string readTypes(std::size_t at, SlotPathParameter& parameter) const
    {
        const std::string_view list = fields_[at];
        if (list.empty())
            return {};
        const std::vector<std::string_view> items = listItems(list);
        if (items.size() % 2 != 0)
            return fieldError(at, "type list " + quoted(list) + " is not pairs of value;name");
        const int maxValue = maxForWidth(definition_.valueWidth);
        for (std::size_t i = 0; i < items.size(); i += 2) {
            const std::optional<int> value = numberInRange(items[i], maxValue);
            if (!value)
                return fieldError(at, "type value " + quoted(items[i]) + " is not between 0 and " +
                                          std::to_string(maxValue));
            parameter.types.push_back({*value, std::string(items[i + 1])});
        }
        return {};
    }

    std::string readFreeValue(std::size_t at, SlotPathParameter& parameter) const
    {
        const std::string_view text = fields_[at];
        const std::size_t split = text.rfind(kListSeparator);
        if (split == std::string_view::npos)
            return fieldError(at, "free value " + quoted(text) + " has no ';' between unit and formula");
        parameter.unit = std::string(text.substr(0, split));
        parameter.formula = std::string(text.substr(split + 1));
        return {};
    }

    const std::vector<std::string_view>& fields_;
    const SlotPathDefinition& definition_;
};

std::string readHeader(const std::vector<std::string_view>& fields, SlotPathDefinition& definition)
{
    const std::string_view path = fields[0];
    if (path.size() % 4 != 0 || path.size() / 4 > kMaxSlotPathEntries)
        return fieldError(0, "slot path " + quoted(path) + " is not 0, 4, 8, 12 or 16 hex digits");
    for (std::size_t i = 0; i < path.size(); i += 4) {
        const std::optional<SlotPathEntry> entry = entryFromHex(path.substr(i, 4));
        if (!entry)
            return fieldError(0, "slot path " + quoted(path) + " is not MSB/LSB pairs of hex digits 00 to 7F");
        definition.slotPath.push_back(*entry);
    }
    definition.name = std::string(fields[1]);
    const std::optional<int> idWidth = numberInRange(fields[2], kMaxSlotPathWidth);
    if (!idWidth || *idWidth < kMinSlotPathWidth)
        return fieldError(2, "parameter id width " + quoted(fields[2]) + " is not between 1 and 4");
    const std::optional<int> valueWidth = numberInRange(fields[3], kMaxSlotPathWidth);
    if (!valueWidth || *valueWidth < kMinSlotPathWidth)
        return fieldError(3, "value width " + quoted(fields[3]) + " is not between 1 and 4");
    definition.parameterIdWidth = *idWidth;
    definition.valueWidth = *valueWidth;
    return {};
}

} // namespace

SlotPathParse SlotPathDefinition::parse(std::string_view text)
{
    if (text.empty())
        return {std::nullopt, "Slot path definition is empty"};
    const std::optional<std::vector<std::string_view>> fields = terminatedFields(text);
    if (!fields)
        return {std::nullopt, "Slot path definition " + quoted(text) + " does not end with a backslash"};
    if (fields->size() < kFieldsBeforeParameters || (fields->size() - kFieldsBeforeParameters) % kFieldsPerParameter)
        return {std::nullopt, "Slot path definition " + quoted(text) + " has " + std::to_string(fields->size()) +
                                  " fields; expected 4, then 4 for each parameter"};

    SlotPathDefinition definition;
    std::string error = readHeader(*fields, definition);
    const ParameterReader reader(*fields, definition);
    for (std::size_t at = kFieldsBeforeParameters; error.empty() && at < fields->size(); at += kFieldsPerParameter) {
        SlotPathParameter parameter;
        error = reader.read(at, parameter);
        if (error.empty())
            definition.parameters.push_back(std::move(parameter));
    }
    if (!error.empty())
        return {std::nullopt, error};
    return {std::move(definition), {}};
}

std::string SlotPathDefinition::format() const
{
    std::string text;
    for (const SlotPathEntry& entry : slotPath)
        text += entryHex(entry);
    text += kFieldEnd;
    text += name + kFieldEnd + std::to_string(parameterIdWidth) + kFieldEnd + std::to_string(valueWidth) + kFieldEnd;
    for (const SlotPathParameter& parameter : parameters) {
        text += std::to_string(parameter.id) + kFieldEnd + parameter.name + kFieldEnd;
        if (parameter.kind == SlotPathParameter::Kind::TypeList) {
            text += "1";
            text += kFieldEnd;
            for (std::size_t i = 0; i < parameter.types.size(); ++i) {
                if (i > 0)
                    text += kListSeparator;
                text += std::to_string(parameter.types[i].value) + kListSeparator + parameter.types[i].name;
            }
        } else {
            text += "0";
            text += kFieldEnd;
            text += parameter.unit + kListSeparator + parameter.formula;
        }
        text += kFieldEnd;
    }
    return text;
}

SlotPathDefinition SlotPathDefinition::created()
{
    SlotPathDefinition definition;
    definition.name = std::string(kNewSlotPathName);
    return definition;
}

std::array<std::string, kMaxSlotPathEntries> SlotPathDefinition::dialogEntries() const
{
    std::array<std::string, kMaxSlotPathEntries> entries;
    for (std::size_t i = 0; i < slotPath.size() && i < entries.size(); ++i)
        entries[i] = entryHex(slotPath[i]);
    return entries;
}

void SlotPathDefinition::assignFromDialog(std::string_view newName,
                                          const std::array<std::string, kMaxSlotPathEntries>& entries)
{
    name = std::string(newName);
    slotPath.clear();
    for (const std::string& text : entries) {
        const std::optional<SlotPathEntry> entry = entryFromHex(text);
        if (!entry)
            break;
        slotPath.push_back(*entry);
    }
}

void SlotPathDefinition::changeParameterIdWidth(int width)
{
    if (width != parameterIdWidth)
        parameters.clear();
    parameterIdWidth = width;
}

void SlotPathDefinition::changeValueWidth(int width)
{
    if (width != valueWidth)
        parameters.clear();
    valueWidth = width;
}

std::vector<std::string> defaultSlotPaths()
{
    return {
        "0101\\Reverb\\1\\1\\0\\Reverb Type\\1\\0;Small Room;1;Medium Room;2;Large Room;3;Medium Hall;4;Large "
        "Hall;8;Plate\\1\\Reverb Time\\0\\s;2.71828^((val-40)*0.025)\\",
        "0102\\Chorus\\1\\1\\0\\Chorus Type\\1\\0;Chorus 1;1;Chorus 2;2;Chorus 3;3;Chorus 4;4;FB "
        "Chorus;5;Flanger\\1\\Mod Rate\\0\\Hz;val*0.122\\2\\Mod Depth\\0\\ms;(val+1)/3.2\\3\\Feedback\\0\\%;val*0."
        "763\\4\\Send to Reverb\\0\\%;val*0.787\\",
    };
}

} // namespace velisto
