#pragma once
// The device parameter dialog's state: the device's parameters with the slot paths and the
// generator's channel routes parsed for editing, a selected slot path and parameter, and
// one operation per thing the user changes. Each operation applies the dialog's rule
// (DeviceParameterRules, Formula) and returns its message: an error keeps the old value;
// a question (RuleOutcome) changes nothing until the operation is repeated confirmed.
// accept() checks what is only checked on OK and gives the parameters to apply.
// Thread contract: user-interface thread only.

#include "midi/DeviceParameterRules.h"
#include "midi/DeviceTable.h"
#include "midi/Formula.h"
#include "midi/IsgChannelRoute.h"
#include "midi/SlotPathDefinition.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

inline constexpr std::string_view kDeviceParameterTitle = "Device parameter - ";

struct ParameterAcceptance {
    std::optional<DeviceParameters> parameters; // empty: refused, show messages
    std::string caption;                        // of the refusal's message boxes
    std::vector<std::string> messages;
    bool powerOnModeChanged = false;
};

class DeviceParameterEditor {
public:
    // generator: the device is the Internal Sound Generator, whose routes are edited too.
    DeviceParameterEditor(const DeviceParameters& parameters, bool generator);

    // The scalar fields as edited; slot paths and routes live in slotPaths() and routes().
    const DeviceParameters& fields() const { return fields_; }
    bool generator() const { return generator_; }

    // ---- standards, mode, ids ----
    void setGsSupported(bool on) { fields_.gsSupported = on; }
    void setXgSupported(bool on) { fields_.xgSupported = on; }
    // Off with slot paths asks kGm2SupportedCaption's question first; any answer but Yes
    // keeps GM2 on. Off also makes a GM2 power-on mode GM; on fills the default slot paths.
    RuleOutcome setGm2Supported(bool on, bool confirmed = false);
    void setPowerOnMode(int mode);
    void setUniversalSysexId(std::string_view text) { fields_.universalSysexId = text; }
    void setNonUniversalSysexId(std::string_view text) { fields_.nonUniversalSysexId = text; }
    std::string setNativeModelId(std::string_view text);
    void setUseRunningStatus(bool on) { fields_.useRunningStatus = on; }

    // ---- slot paths (enabled with GM2 support) ----
    bool slotPathsEnabled() const { return fields_.gm2Supported; }
    const std::vector<SlotPathDefinition>& slotPaths() const { return slotPaths_; }
    int selectedSlotPath() const { return slotPath_; }
    // Selects slot path i (-1: none) and its first parameter.
    void selectSlotPath(int index);
    const SlotPathDefinition* currentSlotPath() const;
    // "Create new" and editing the selected one: the slot path dialog's name and entries.
    std::string createSlotPath(std::string_view name, const std::array<std::string, kMaxSlotPathEntries>& entries);
    std::string editSlotPath(std::string_view name, const std::array<std::string, kMaxSlotPathEntries>& entries);
    void deleteSlotPath();
    RuleOutcome setParameterIdWidth(std::string_view text, bool confirmed = false);
    RuleOutcome setValueWidth(std::string_view text, bool confirmed = false);

    // ---- parameters of the selected slot path ----
    int selectedParameter() const { return parameter_; }
    void selectParameter(int index);
    const SlotPathParameter* currentParameter() const;
    // A parameter with the lowest free id, an empty name and an empty type list.
    std::string addParameter();
    void deleteParameter();
    std::string setParameterId(std::string_view text);
    std::string setParameterName(std::string_view text);
    void setParameterKind(SlotPathParameter::Kind kind);
    // The type list of the selected parameter.
    std::string addType(std::string_view valueText, std::string_view name);
    std::string setTypeValue(int row, std::string_view text);
    std::string setTypeName(int row, std::string_view text);
    void deleteType(int row);
    std::string setUnit(std::string_view text);
    // Stored only when accepted; the messages of a refusal, else none.
    std::vector<std::string> setFormula(std::string_view text);
    // The explicit check: "Formula ok." or the refusal.
    static std::vector<std::string> checkFormulaText(std::string_view text);

    // ---- the generator's routes ----
    const std::vector<IsgChannelRoute>& routes() const { return routes_; }
    void addRoute(int channel);
    void deleteRoute(int row);
    void setRouteChannel(int row, int channel);
    void setRouteDrumKey(int row, std::optional<int> key);
    void setRouteDevice(int row, std::string_view id, std::string_view name);

    // OK: the sysex id rules, then the parameters to apply.
    ParameterAcceptance accept() const;

private:
    SlotPathDefinition* slotPath();
    RuleOutcome changeWidth(std::string_view text, bool confirmed, bool idWidth);
    SlotPathParameter* parameter();
    std::vector<int> otherParameterIds() const;

    DeviceParameters original_;
    DeviceParameters fields_;
    bool generator_ = false;
    std::vector<SlotPathDefinition> slotPaths_;
    // Stored texts that do not parse: kept as they are rather than lost.
    std::vector<std::string> unreadableSlotPaths_;
    std::vector<IsgChannelRoute> routes_;
    std::vector<std::string> unreadableRoutes_;
    int slotPath_ = -1;
    int parameter_ = -1;
};

} // namespace velisto
