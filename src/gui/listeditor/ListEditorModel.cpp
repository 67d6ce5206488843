#include "listeditor/ListEditorModel.h"

#include "QtText.h"
#include "midi/DeviceTable.h"
#include "song/Song.h"

namespace velisto {

ListEditorModel::ListEditorModel(const Song& song, const DeviceTable& devices, QObject* parent)
    : QAbstractTableModel(parent), song_(song), devices_(devices)
{
    rebuildDecoder();
}

void ListEditorModel::showTrack(int track)
{
    beginResetModel();
    track_ = std::clamp(track, 0, kTrackCount - 1);
    decoded_.clear();
    rebuildDecoder();
    endResetModel();
}

void ListEditorModel::refresh() { showTrack(track_); }

const OutputDevice* ListEditorModel::device() const
{
    const int index = song_.tracks[static_cast<std::size_t>(track_)].device;
    return devices_.validIndex(index) ? &devices_.device(index) : nullptr;
}

void ListEditorModel::rebuildDecoder()
{
    // The decoder reads the device's slot paths once; a device change needs a new one.
    const int index = song_.tracks[static_cast<std::size_t>(track_)].device;
    if (decoder_ && index == deviceIndex_)
        return;
    deviceIndex_ = index;
    decoder_ = std::make_unique<SysexDecoder>(device());
}

ListEditorContext ListEditorModel::context() const
{
    return listEditorContext(song_, track_, device(), *decoder_);
}

const DecodedRow& ListEditorModel::decodedRow(int row) const
{
    static const DecodedRow none;
    const Track& track = song_.tracks[static_cast<std::size_t>(track_)];
    if (row < 0 || row > track.lastIndex() || !track.event(row).isSysex())
        return none;
    const auto found = decoded_.find(row);
    if (found != decoded_.end())
        return found->second;
    return decoded_.emplace(row, velisto::decodeRow(context(), row)).first->second;
}

int ListEditorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : song_.tracks[static_cast<std::size_t>(track_)].eventCount();
}

int ListEditorModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumnCount; }

QVariant ListEditorModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const int row = index.row();
    return qtext(cellText(context(), row, listColumnAt(index.column()), decodedRow(row)));
}

QVariant ListEditorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return qtext(listColumnHeader(listColumnAt(section)));
}

Qt::ItemFlags ListEditorModel::flags(const QModelIndex& index) const
{
    // Whether a cell really edits is decided when editing starts: the editor's lists are
    // too dear to build for every painted cell.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags;
}

} // namespace velisto
