#pragma once
// "Browse Sysex message": every system exclusive message the decoder knows, by family,
// area and name, each ready to insert with the track's device ids.
//
// Thread contract: user-interface thread only.

#include "midi/SysexCatalogue.h"

#include <QDialog>

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;

namespace velisto {

class OutputDevice;

class SysexbrowseDlg : public QDialog {
public:
    // device: the track's device (nullptr: none), whose ids the messages carry.
    SysexbrowseDlg(const OutputDevice* device, QWidget* parent);

    // After OK: the chosen message (after F0, up to and including F7).
    const std::vector<std::uint8_t>& message() const { return message_; }

    QComboBox* family() const { return family_; }
    QComboBox* area() const { return area_; }
    QListWidget* messages() const { return list_; }

    void accept() override;

private:
    void familyChosen();
    void areaChosen();
    void messageChosen();
    const SysexCatalogueEntry* chosenEntry() const;

    std::vector<SysexCatalogueEntry> catalogue_;
    QComboBox* family_;
    QComboBox* area_;
    QListWidget* list_;
    QLabel* bytes_;
    std::vector<std::uint8_t> message_;
};

} // namespace velisto
