#include "midi/DeviceParameterEditor.h"

#include "song/TextFormat.h"

#include <algorithm>

namespace velisto {
namespace {

bool inRange(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

} // namespace

DeviceParameterEditor::DeviceParameterEditor(const DeviceParameters& parameters, bool generator)
    : original_(parameters), fields_(parameters), generator_(generator)
{
    for (const std::string& text : parameters.slotPaths) {
        SlotPathParse parsed = SlotPathDefinition::parse(text);
        if (parsed.definition)
            slotPaths_.push_back(std::move(*parsed.definition));
        else
            unreadableSlotPaths_.push_back(text);
    }
    if (generator_) {
        for (const std::string& text : parameters.generatorEntries) {
            IsgChannelRouteParse parsed = IsgChannelRoute::parse(text);
            if (parsed.route)
                routes_.push_back(std::move(*parsed.route));
            else
                unreadableRoutes_.push_back(text);
        }
    }
    selectSlotPath(slotPaths_.empty() ? -1 : 0);
}

// ---- standards, mode, ids ----

RuleOutcome DeviceParameterEditor::setGm2Supported(bool on, bool confirmed)
{
    if (on == fields_.gm2Supported)
        return {};
    const std::size_t count = slotPaths_.size() + unreadableSlotPaths_.size();
    if (!on && !confirmed) {
        if (std::string question = gm2OffQuestion(count); !question.empty())
            return {{}, std::move(question)};
    }
    std::vector<std::string> texts;
    for (const SlotPathDefinition& definition : slotPaths_)
        texts.push_back(definition.format());
    texts.insert(texts.end(), unreadableSlotPaths_.begin(), unreadableSlotPaths_.end());
    switchGm2Support(on, fields_.powerOnMode, texts);
    fields_.gm2Supported = on;
    slotPaths_.clear();
    unreadableSlotPaths_.clear();
    for (const std::string& text : texts) {
        SlotPathParse parsed = SlotPathDefinition::parse(text);
        if (parsed.definition)
            slotPaths_.push_back(std::move(*parsed.definition));
        else
            unreadableSlotPaths_.push_back(text);
    }
    selectSlotPath(slotPaths_.empty() ? -1 : 0);
    return {};
}

void DeviceParameterEditor::setPowerOnMode(int mode)
{
    if (mode >= MidiMode::GM && mode <= MidiMode::GM2)
        fields_.powerOnMode = mode;
}

std::string DeviceParameterEditor::setNativeModelId(std::string_view text)
{
    std::string error = checkNoBackslash(text);
    if (error.empty())
        fields_.nativeModelId = text;
    return error;
}

// ---- slot paths ----

void DeviceParameterEditor::selectSlotPath(int index)
{
    slotPath_ = inRange(index, slotPaths_.size()) ? index : -1;
    const SlotPathDefinition* current = currentSlotPath();
    parameter_ = current && !current->parameters.empty() ? 0 : -1;
}

const SlotPathDefinition* DeviceParameterEditor::currentSlotPath() const
{
    return slotPath_ >= 0 ? &slotPaths_[static_cast<std::size_t>(slotPath_)] : nullptr;
}

SlotPathDefinition* DeviceParameterEditor::slotPath()
{
    return slotPath_ >= 0 ? &slotPaths_[static_cast<std::size_t>(slotPath_)] : nullptr;
}

std::string DeviceParameterEditor::createSlotPath(std::string_view name,
                                                  const std::array<std::string, kMaxSlotPathEntries>& entries)
{
    std::string error = checkSlotPathName(name);
    if (error.empty())
        error = checkSlotPathEntries(entries);
    if (!error.empty())
        return error;
    SlotPathDefinition created = SlotPathDefinition::created();
    created.assignFromDialog(name, entries);
    slotPaths_.push_back(std::move(created));
    selectSlotPath(static_cast<int>(slotPaths_.size()) - 1);
    return {};
}

std::string DeviceParameterEditor::editSlotPath(std::string_view name,
                                                const std::array<std::string, kMaxSlotPathEntries>& entries)
{
    SlotPathDefinition* current = slotPath();
    if (!current)
        return {};
    std::string error = checkSlotPathName(name);
    if (error.empty())
        error = checkSlotPathEntries(entries);
    if (error.empty())
        current->assignFromDialog(name, entries);
    return error;
}

void DeviceParameterEditor::deleteSlotPath()
{
    if (slotPath_ < 0)
        return;
    slotPaths_.erase(slotPaths_.begin() + slotPath_);
    selectSlotPath(std::min(slotPath_, static_cast<int>(slotPaths_.size()) - 1));
}

RuleOutcome DeviceParameterEditor::setParameterIdWidth(std::string_view text, bool confirmed)
{
    return changeWidth(text, confirmed, true);
}

RuleOutcome DeviceParameterEditor::setValueWidth(std::string_view text, bool confirmed)
{
    return changeWidth(text, confirmed, false);
}

RuleOutcome DeviceParameterEditor::changeWidth(std::string_view text, bool confirmed, bool idWidth)
{
    SlotPathDefinition* current = slotPath();
    if (!current)
        return {};
    const std::size_t count = current->parameters.size();
    RuleOutcome outcome = idWidth ? checkParameterIdWidth(text, current->parameterIdWidth, count)
                                  : checkValueWidth(text, current->valueWidth, count);
    if (!outcome.accepted() || (!outcome.question.empty() && !confirmed))
        return outcome;
    if (idWidth)
        current->changeParameterIdWidth(*parseEntryNumber(text));
    else
        current->changeValueWidth(*parseEntryNumber(text));
    parameter_ = -1;
    return {};
}

// ---- parameters ----

void DeviceParameterEditor::selectParameter(int index)
{
    const SlotPathDefinition* current = currentSlotPath();
    parameter_ = current && inRange(index, current->parameters.size()) ? index : -1;
}

const SlotPathParameter* DeviceParameterEditor::currentParameter() const
{
    const SlotPathDefinition* current = currentSlotPath();
    return current && parameter_ >= 0 ? &current->parameters[static_cast<std::size_t>(parameter_)] : nullptr;
}

SlotPathParameter* DeviceParameterEditor::parameter()
{
    SlotPathDefinition* current = slotPath();
    return current && parameter_ >= 0 ? &current->parameters[static_cast<std::size_t>(parameter_)] : nullptr;
}

std::vector<int> DeviceParameterEditor::otherParameterIds() const
{
    std::vector<int> ids;
    if (const SlotPathDefinition* current = currentSlotPath())
        for (std::size_t i = 0; i < current->parameters.size(); ++i)
            if (static_cast<int>(i) != parameter_)
                ids.push_back(current->parameters[i].id);
    return ids;
}

std::string DeviceParameterEditor::addParameter()
{
    SlotPathDefinition* current = slotPath();
    if (!current)
        return {};
    const int max = maxForWidth(current->parameterIdWidth);
    int id = 0;
    while (id <= max && std::any_of(current->parameters.begin(), current->parameters.end(),
                                    [id](const SlotPathParameter& p) { return p.id == id; }))
        ++id;
    std::vector<int> ids;
    for (const SlotPathParameter& p : current->parameters)
        ids.push_back(p.id);
    if (std::string error = checkParameterId(numberText(id), current->parameterIdWidth, ids); !error.empty())
        return error;
    SlotPathParameter added;
    added.id = id;
    current->parameters.push_back(std::move(added));
    parameter_ = static_cast<int>(current->parameters.size()) - 1;
    return {};
}

void DeviceParameterEditor::deleteParameter()
{
    SlotPathDefinition* current = slotPath();
    if (!current || parameter_ < 0)
        return;
    current->parameters.erase(current->parameters.begin() + parameter_);
    selectParameter(std::min(parameter_, static_cast<int>(current->parameters.size()) - 1));
}

std::string DeviceParameterEditor::setParameterId(std::string_view text)
{
    SlotPathParameter* edited = parameter();
    if (!edited)
        return {};
    const std::vector<int> others = otherParameterIds();
    std::string error = checkParameterId(text, currentSlotPath()->parameterIdWidth, others);
    if (error.empty())
        edited->id = *parseEntryNumber(text);
    return error;
}

std::string DeviceParameterEditor::setParameterName(std::string_view text)
{
    SlotPathParameter* edited = parameter();
    std::string error = checkNoBackslash(text);
    if (edited && error.empty())
        edited->name = text;
    return error;
}

void DeviceParameterEditor::setParameterKind(SlotPathParameter::Kind kind)
{
    if (SlotPathParameter* edited = parameter())
        edited->kind = kind;
}

std::string DeviceParameterEditor::addType(std::string_view valueText, std::string_view name)
{
    SlotPathParameter* edited = parameter();
    if (!edited)
        return {};
    std::string error = checkTypeValue(valueText, currentSlotPath()->valueWidth);
    if (error.empty())
        error = checkTypeName(name);
    if (error.empty())
        edited->types.push_back({*parseEntryNumber(valueText), std::string(name)});
    return error;
}

std::string DeviceParameterEditor::setTypeValue(int row, std::string_view text)
{
    SlotPathParameter* edited = parameter();
    if (!edited || !inRange(row, edited->types.size()))
        return {};
    std::string error = checkTypeValue(text, currentSlotPath()->valueWidth);
    if (error.empty())
        edited->types[static_cast<std::size_t>(row)].value = *parseEntryNumber(text);
    return error;
}

std::string DeviceParameterEditor::setTypeName(int row, std::string_view text)
{
    SlotPathParameter* edited = parameter();
    if (!edited || !inRange(row, edited->types.size()))
        return {};
    std::string error = checkTypeName(text);
    if (error.empty())
        edited->types[static_cast<std::size_t>(row)].name = text;
    return error;
}

void DeviceParameterEditor::deleteType(int row)
{
    SlotPathParameter* edited = parameter();
    if (edited && inRange(row, edited->types.size()))
        edited->types.erase(edited->types.begin() + row);
}

std::string DeviceParameterEditor::setUnit(std::string_view text)
{
    SlotPathParameter* edited = parameter();
    std::string error = checkNoBackslash(text);
    if (edited && error.empty())
        edited->unit = text;
    return error;
}

std::vector<std::string> DeviceParameterEditor::setFormula(std::string_view text)
{
    const FormulaCheck check = checkFormula(text);
    if (!check.accepted())
        return check.messages(false);
    if (SlotPathParameter* edited = parameter())
        edited->formula = text;
    return {};
}

std::vector<std::string> DeviceParameterEditor::checkFormulaText(std::string_view text)
{
    return checkFormula(text).messages(true);
}

// ---- routes ----

void DeviceParameterEditor::addRoute(int channel)
{
    IsgChannelRoute route;
    route.channel = std::clamp(channel, 0, 15);
    route.deviceName = IsgChannelRoute::kPrimaryDeviceName;
    routes_.push_back(std::move(route));
}

void DeviceParameterEditor::deleteRoute(int row)
{
    if (inRange(row, routes_.size()))
        routes_.erase(routes_.begin() + row);
}

void DeviceParameterEditor::setRouteChannel(int row, int channel)
{
    if (inRange(row, routes_.size()) && channel >= 0 && channel <= 15)
        routes_[static_cast<std::size_t>(row)].channel = channel;
}

void DeviceParameterEditor::setRouteDrumKey(int row, std::optional<int> key)
{
    if (inRange(row, routes_.size()) && (!key || (*key >= 0 && *key <= 127)))
        routes_[static_cast<std::size_t>(row)].drumKey = key;
}

void DeviceParameterEditor::setRouteDevice(int row, std::string_view id, std::string_view name)
{
    if (!inRange(row, routes_.size()) || !checkNoBackslash(id).empty() || !checkNoBackslash(name).empty())
        return;
    routes_[static_cast<std::size_t>(row)].deviceId = id;
    routes_[static_cast<std::size_t>(row)].deviceName = name;
}

// ---- OK ----

ParameterAcceptance DeviceParameterEditor::accept() const
{
    ParameterAcceptance acceptance;
    std::string error = checkUniversalSysexId(fields_.universalSysexId);
    if (error.empty())
        error = checkNonUniversalSysexId(fields_.nonUniversalSysexId,
                                         {fields_.powerOnMode, fields_.gsSupported, fields_.xgSupported,
                                          original_.nonUniversalSysexId});
    if (!error.empty()) {
        acceptance.messages.push_back(std::move(error));
        return acceptance;
    }
    DeviceParameters result = fields_;
    result.slotPaths.clear();
    for (const SlotPathDefinition& definition : slotPaths_)
        result.slotPaths.push_back(definition.format());
    result.slotPaths.insert(result.slotPaths.end(), unreadableSlotPaths_.begin(), unreadableSlotPaths_.end());
    if (generator_) {
        result.generatorEntries.clear();
        for (const IsgChannelRoute& route : routes_)
            result.generatorEntries.push_back(route.format());
        result.generatorEntries.insert(result.generatorEntries.end(), unreadableRoutes_.begin(),
                                       unreadableRoutes_.end());
    }
    acceptance.powerOnModeChanged = result.powerOnMode != original_.powerOnMode;
    acceptance.parameters = std::move(result);
    return acceptance;
}

} // namespace velisto
