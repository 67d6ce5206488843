#pragma once
// The settings dialog's list "Map device names in MIDI files to installed MIDI output
// devices": one row per pair and always an empty last row for adding one. A name is
// edited in place and checked when accepted; the device is chosen from the output devices.
//
// Thread contract: user-interface thread only.

#include "app/Settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class DeviceTable;
class UserPrompt;

inline constexpr std::string_view kBackslashRefusal = "Don't use \\ (Backslash)";

class DeviceNameMapEditor {
public:
    explicit DeviceNameMapEditor(std::vector<DeviceNameMapEntry> entries = {});

    // The stored pairs in order, then the empty row.
    const std::vector<DeviceNameMapEntry>& rows() const { return rows_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }

    // Accepting an edited name. An empty name is accepted; a name with a backslash, or one
    // another row already has, is refused with a message (caption "Settings") and the row
    // keeps its name. False when refused.
    bool acceptName(int row, const std::string& name, UserPrompt& prompt);
    // The device chosen in the row's combo box.
    void setPortName(int row, const std::string& portName);
    // Removes the row; the empty last row stays. False when nothing was removed.
    bool removeRow(int row);

    // What is stored: the rows with both a name and a device, in list order.
    std::vector<DeviceNameMapEntry> entries() const;

private:
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }
    // A row that was the empty last one and now holds something gets a new empty one below.
    void keepEmptyLastRow();

    std::vector<DeviceNameMapEntry> rows_;
};

// The device combo's entries: the Internal Sound Generator and the output ports, by name.
std::vector<std::string> mappableDeviceNames(const DeviceTable& devices);

} // namespace velisto
