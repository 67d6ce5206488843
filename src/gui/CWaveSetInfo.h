#pragma once
// "Set Wave Info": what the sound generator takes from the file (original key, gain,
// velocity range), the tempo line of the selection, and the copy buffer's paste options.
// Fields are checked and applied on OK; Cancel leaves everything as it was.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace velisto {

struct CopyBufferOptions;
class UserPrompt;
class WaveFile;

class CWaveSetInfo : public QDialog {
public:
    CWaveSetInfo(WaveFile& wave, CopyBufferOptions& options, std::int64_t selectionFrames, UserPrompt& prompt,
                 QWidget* parent);

    // "Reference Sound" and "Test your wave": the window stops its playback and plays.
    void setReferenceSoundHandler(std::function<void()> handler) { referenceSound_ = std::move(handler); }
    void setTestHandler(std::function<void()> handler) { test_ = std::move(handler); }

    QComboBox* keyField() const { return key_; }
    QSlider* gainField() const { return gain_; }
    QLineEdit* velocityFromField() const { return velocityFrom_; }
    QLineEdit* velocityToField() const { return velocityTo_; }
    QLabel* tempoLabel() const { return tempo_; }
    QLineEdit* replicateField() const { return replicate_; }
    QLineEdit* volumeField() const { return volume_; }
    QLineEdit* stretchField() const { return stretch_; }
    QCheckBox* insertField() const { return insert_; }

    void accept() override;

private:
    void fillKeys(bool drumNames);
    QLineEdit* numberField(const QString& text);

    WaveFile& wave_;
    CopyBufferOptions& options_;
    UserPrompt& prompt_;
    std::function<void()> referenceSound_;
    std::function<void()> test_;
    QComboBox* key_ = nullptr;
    QCheckBox* drumNames_ = nullptr;
    QSlider* gain_ = nullptr;
    QLabel* gainText_ = nullptr;
    QLineEdit* velocityFrom_ = nullptr;
    QLineEdit* velocityTo_ = nullptr;
    QLabel* tempo_ = nullptr;
    QLineEdit* replicate_ = nullptr;
    QLineEdit* volume_ = nullptr;
    QLineEdit* stretch_ = nullptr;
    QCheckBox* insert_ = nullptr;
    QCheckBox* zeroLeft_ = nullptr;
    QCheckBox* zeroRight_ = nullptr;
    QCheckBox* exchange_ = nullptr;
};

} // namespace velisto
