#pragma once
// The "TrkName" column: the track's name as an editable field. Focus starts an edit of the
// track shown then; losing the focus stores the text into that same track, even when the
// row has scrolled to another track meanwhile.
//
// Thread contract: user-interface thread only.

#include <QLineEdit>

namespace velisto {

struct TrackRowContext;

class CTrackName : public QLineEdit {
public:
    CTrackName(TrackRowContext& context, int row, QWidget* parent);

    int track() const { return track_; }
    int row() const { return row_; }
    // The row shows another track; an edit in progress is stored first into the track it
    // was begun on and goes on with the new track.
    void setTrack(int track);
    // Shows the track's name again unless it is being edited (after a load, an undo).
    void refresh();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void store();
    void showName();
    void showEditing(bool editing);

    TrackRowContext& context_;
    int row_;
    int track_ = -1;
    int editTrack_ = -1; // the track the edit was begun on; -1 while none runs
};

} // namespace velisto
