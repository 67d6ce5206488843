#pragma once
// "GM2 Global parameter control - Slotpath definition": a slot path's name and its up to
// four MSB/LSB 2-byte entries. OK hands them to a check that also takes them (the device
// parameter editor); its refusal is shown and the dialog stays.
//
// Thread contract: user-interface thread only.

#include "midi/SlotPathDefinition.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <string_view>

class QLineEdit;

namespace velisto {

class UserPrompt;

class CDeviceParameterSlotpathName : public QDialog {
public:
    using Entries = std::array<std::string, kMaxSlotPathEntries>;
    // Takes the name and entries; returns the refusal, empty when taken.
    using Take = std::function<std::string(std::string_view name, const Entries& entries)>;

    CDeviceParameterSlotpathName(std::string_view name, const Entries& entries, Take take, UserPrompt& prompt,
                                 QWidget* parent);

    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* entryEdit(int i) const { return entries_[static_cast<std::size_t>(i)]; }

    void accept() override;

private:
    Take take_;
    UserPrompt& prompt_;
    QLineEdit* name_ = nullptr;
    std::array<QLineEdit*, kMaxSlotPathEntries> entries_{};
};

} // namespace velisto
