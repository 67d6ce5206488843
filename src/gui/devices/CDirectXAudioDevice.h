#pragma once
// The "DirectSound device" dialog: a drop-down of every sound device, the chosen one's
// capabilities under "Device capabilities", and, where the caller asks for it, the master
// gain of the generator's mix as a slider that is heard as it moves (Cancel takes it back).
// It serves the dialog-sounds command and, as a chooser, the generator's route table.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSlider;

namespace velisto {

class AudioDeviceList;
class Engine;
class UserPrompt;

struct AudioDeviceChoice {
    std::string description;
    std::string guidText; // empty for the primary device
};

class CDirectXAudioDevice : public QDialog {
public:
    // currentName selects its device (the first one when no device has that name). With
    // gainDb the master gain slider is shown, starting there and applied to devices.
    CDirectXAudioDevice(AudioDeviceList& devices, const std::string& caption, const std::string& currentName,
                        std::optional<int> gainDb, QWidget* owner);

    AudioDeviceChoice choice() const;
    // The slider's value in dB; the starting value without a slider.
    int gainDb() const { return gainDb_; }

    QComboBox* deviceBox() const { return box_; }
    QPlainTextEdit* capabilitiesField() const { return capabilities_; }
    QSlider* gainSlider() const { return gain_; }

    // The route table's chooser: the chosen description and GUID text, nullopt on Cancel.
    static std::optional<AudioDeviceChoice> choose(AudioDeviceList& devices, const std::string& caption,
                                                   const std::string& currentName, QWidget* owner);
    // "DirectSound device for dialog sounds and wave editor": stores the choice and the
    // master gain in the settings and opens the chosen device.
    static void chooseDialogSoundsDevice(Engine& engine, UserPrompt& prompt, QWidget* owner);

protected:
    void reject() override;

private:
    void showCapabilities();
    void showGain(int db);

    AudioDeviceList& devices_;
    QComboBox* box_ = nullptr;
    QPlainTextEdit* capabilities_ = nullptr;
    QSlider* gain_ = nullptr;
    QLabel* gainLabel_ = nullptr;
    int gainDb_ = 0;
    int startGainDb_ = 0;
};

} // namespace velisto
