#include "app/DeviceNameMapEditor.h"

#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"

#include <algorithm>
#include <iterator>

namespace velisto {

namespace {
const std::string kCaption = "Settings";
}

DeviceNameMapEditor::DeviceNameMapEditor(std::vector<DeviceNameMapEntry> entries) : rows_(std::move(entries))
{
    rows_.push_back({});
}

bool DeviceNameMapEditor::acceptName(int row, const std::string& name, UserPrompt& prompt)
{
    if (!validRow(row))
        return false;
    if (name.find('\\') != std::string::npos) {
        prompt.message(std::string(kBackslashRefusal), kCaption, PromptIcon::Error);
        return false;
    }
    if (!name.empty()) {
        for (int other = 0; other < rowCount(); ++other) {
            if (other != row && rows_[static_cast<std::size_t>(other)].fileName == name) {
                prompt.message("External device name '" + name + "' already assigned", kCaption, PromptIcon::Error);
                return false;
            }
        }
    }
    rows_[static_cast<std::size_t>(row)].fileName = name;
    keepEmptyLastRow();
    return true;
}

void DeviceNameMapEditor::setPortName(int row, const std::string& portName)
{
    if (!validRow(row))
        return;
    rows_[static_cast<std::size_t>(row)].portName = portName;
    keepEmptyLastRow();
}

bool DeviceNameMapEditor::removeRow(int row)
{
    if (!validRow(row) || row == rowCount() - 1)
        return false;
    rows_.erase(rows_.begin() + row);
    return true;
}

std::vector<DeviceNameMapEntry> DeviceNameMapEditor::entries() const
{
    std::vector<DeviceNameMapEntry> entries;
    std::copy_if(rows_.begin(), rows_.end(), std::back_inserter(entries),
                 [](const DeviceNameMapEntry& entry) { return !entry.fileName.empty() && !entry.portName.empty(); });
    return entries;
}

void DeviceNameMapEditor::keepEmptyLastRow()
{
    if (rows_.empty() || rows_.back() != DeviceNameMapEntry{})
        rows_.push_back({});
}

std::vector<std::string> mappableDeviceNames(const DeviceTable& devices)
{
    std::vector<std::string> names;
    for (int i = DeviceTable::kGeneratorIndex; i < devices.count(); ++i)
        names.push_back(devices.device(i).name);
    return names;
}

} // namespace velisto
