#pragma once
// Chooses the output device of one track, or of all 256: the devices of the table in
// their order, the track's own selected; optionally a device-name event records the choice
// in the track, so that the file assigns it again when loaded.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;

namespace velisto {

class DeviceTable;

class CDeviceNameDlg : public QDialog {
public:
    CDeviceNameDlg(const DeviceTable& table, int track, int device, QWidget* parent);
    // The question after a load, for one track only: the chosen device, or none (Cancel).
    static std::optional<int> chooseForTrack(const DeviceTable& table, int track, int device, QWidget* parent);
    // The chosen device's table index.
    int device() const;
    bool allTracks() const;
    // Insert a device-name event at the track's start.
    bool insertName() const;
    QComboBox* devices() const { return devices_; }
    QCheckBox* allTracksBox() const { return allTracks_; }
    QCheckBox* insertNameBox() const { return insertName_; }

private:
    QComboBox* devices_;
    QCheckBox* allTracks_;
    QCheckBox* insertName_;
};

} // namespace velisto
