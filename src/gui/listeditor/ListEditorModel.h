#pragma once
// The rows of the list editor: one per event of the shown track, the cell texts from the
// core. Nothing is computed ahead: a cell's text is made when the view paints it, and a
// system exclusive row is decoded the first time one of its cells is painted and kept
// until the rows change (an edit, an undo, another track).
//
// Thread contract: user-interface thread only.

#include "listeditor/ListEditorCells.h"
#include "midi/SysexDecoder.h"

#include <QAbstractTableModel>

#include <memory>
#include <unordered_map>

namespace velisto {

class DeviceTable;
class OutputDevice;
class Song;

class ListEditorModel : public QAbstractTableModel {
public:
    ListEditorModel(const Song& song, const DeviceTable& devices, QObject* parent);

    // Shows track (0..255); the rows and their decodings start afresh.
    void showTrack(int track);
    // The song changed: rows, device and decodings again.
    void refresh();
    int track() const { return track_; }

    // The track's output device now; nullptr when it has none.
    const OutputDevice* device() const;
    // A fresh context: it reads the receiver's mode at the time of the call.
    ListEditorContext context() const;
    // The row's decoding, made once; an empty DecodedRow for other kinds.
    const DecodedRow& decodedRow(int row) const;
    // How many system exclusive rows have been decoded since the rows last changed.
    int decodedCount() const { return static_cast<int>(decoded_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void rebuildDecoder();

    const Song& song_;
    const DeviceTable& devices_;
    int track_ = 0;
    int deviceIndex_ = -2; // the device the decoder was built for
    std::unique_ptr<SysexDecoder> decoder_;
    mutable std::unordered_map<int, DecodedRow> decoded_;
};

} // namespace velisto
