#pragma once
// The song's properties, read-only: file, timebase, the tempo, meter and key lists, the
// used tracks and the length, all from the song summary that "info" prints as well.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <string>

class QPlainTextEdit;

namespace velisto {

class Song;

class CMIDISequenceProperties : public QDialog {
public:
    CMIDISequenceProperties(const Song& song, const std::string& fileName, QWidget* parent);

    QPlainTextEdit* text() const { return text_; }

private:
    QPlainTextEdit* text_ = nullptr;
};

} // namespace velisto
