#pragma once
// The start's "MIDI input device" dialog: the input ports by name, then
// "Pseudo if none installed" (no input). OK gives the chosen entry's number.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace velisto {

class CMidiinDlg : public QDialog {
public:
    explicit CMidiinDlg(const std::vector<std::string>& portNames, QWidget* parent = nullptr);

    int chosen() const;

    // Shows the dialog: the chosen entry (0..port count), or nullopt for Cancel.
    static std::optional<int> choose(const std::vector<std::string>& portNames, QWidget* parent = nullptr);

private:
    QListWidget* list_ = nullptr;
};

} // namespace velisto
