#pragma once
// "Open MIDI Output device": the closed devices of the table by name; OK opens the chosen
// one at the next row (a failure is shown and the device stays closed).
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <optional>
#include <vector>

class QListWidget;

namespace velisto {

class DeviceTable;
class UserPrompt;

class CMidioutDlg : public QDialog {
public:
    CMidioutDlg(const DeviceTable& table, QWidget* parent);

    QListWidget* list() const { return list_; }
    // The chosen device's table index; nullopt when nothing is chosen.
    std::optional<int> chosen() const;

    // Shows the dialog and opens the chosen device; true when one opened.
    static bool openChosen(DeviceTable& table, UserPrompt& prompt, QWidget* parent);

private:
    QListWidget* list_ = nullptr;
    std::vector<int> devices_;
};

} // namespace velisto
