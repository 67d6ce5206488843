#include "waveeditor/FastViewEdit.h"

#include <algorithm>

namespace velisto {

namespace {

std::int64_t runsOf(std::int64_t frames) { return (frames + kFastViewFrames - 1) / kFastViewFrames; }

} // namespace

FastViewEdit::FastViewEdit(const FastViewImage& before, int bitsPerSample, int channels, std::int64_t framesAfter,
                           std::int64_t at, std::int64_t removedFrames, std::int64_t insertedFrames)
    : before_(before), bits_(bitsPerSample), channels_(channels),
      frameSize_(std::clamp(bitsPerSample / 8, 1, 3) * std::clamp(channels, 1, 2)),
      frames_(std::max<std::int64_t>(framesAfter, 0)), entries_(runsOf(frames_))
{
    const std::int64_t delta = insertedFrames - removedFrames;
    const bool whole = before.entries() == runsOf(frames_ - delta) &&
                       before.right.size() == (channels == 2 ? before.left.size() : 0);
    if (!whole) {
        endRun_ = entries_;
    } else {
        firstRun_ = std::min(at / kFastViewFrames, entries_);
        // Behind the edit the frames are the old ones; their runs are the old runs only
        // when the edit moved them by whole runs.
        endRun_ = delta % kFastViewFrames == 0 ? std::min(runsOf(at + insertedFrames), entries_) : entries_;
        shiftRuns_ = delta / kFastViewFrames;
    }
    endRun_ = std::max(endRun_, firstRun_);
    sums_.assign(static_cast<std::size_t>(endRun_ - firstRun_), {0, 0});
}

std::int64_t FastViewEdit::neededTo() const
{
    return std::min(endRun_ * kFastViewFrames, frames_) * frameSize_;
}

void FastViewEdit::add(std::int64_t offset, std::span<const std::uint8_t> bytes)
{
    const std::int64_t from = std::max(offset, neededFrom());
    const std::int64_t to = std::min(offset + static_cast<std::int64_t>(bytes.size()), neededTo());
    if (from >= to)
        return;
    bytes = bytes.subspan(static_cast<std::size_t>(from - offset), static_cast<std::size_t>(to - from));
    // A frame split by the start or the end of the piece waits for its other part.
    const std::int64_t headEnd = std::min(to, (from + frameSize_ - 1) / frameSize_ * frameSize_);
    const std::int64_t tailStart = std::max(headEnd, to / frameSize_ * frameSize_);
    if (headEnd > from)
        addPiece(from, bytes.first(static_cast<std::size_t>(headEnd - from)));
    addFrames(headEnd / frameSize_, bytes.data() + (headEnd - from), (tailStart - headEnd) / frameSize_);
    if (to > tailStart)
        addPiece(tailStart, bytes.last(static_cast<std::size_t>(to - tailStart)));
}

void FastViewEdit::addPiece(std::int64_t offset, std::span<const std::uint8_t> bytes)
{
    const std::int64_t frame = offset / frameSize_;
    PartFrame& part = parts_[frame];
    std::copy(bytes.begin(), bytes.end(), part.bytes.begin() + (offset - frame * frameSize_));
    part.filled += static_cast<std::int64_t>(bytes.size());
    if (part.filled == frameSize_) {
        addFrames(frame, part.bytes.data(), 1);
        parts_.erase(frame);
    }
}

void FastViewEdit::addFrames(std::int64_t frame, const std::uint8_t* p, std::int64_t frames)
{
    while (frames > 0) {
        const std::int64_t run = frame / kFastViewFrames;
        const std::int64_t take = std::min(frames, (run + 1) * kFastViewFrames - frame);
        addFastViewSums(std::span<const std::uint8_t>(p, static_cast<std::size_t>(take * frameSize_)), bits_,
                        channels_, sums_[static_cast<std::size_t>(run - firstRun_)].data());
        p += take * frameSize_;
        frame += take;
        frames -= take;
    }
}

FastViewImage FastViewEdit::finish() const
{
    FastViewImage image;
    const auto keep = static_cast<std::ptrdiff_t>(firstRun_);
    image.left.assign(before_.left.begin(), before_.left.begin() + keep);
    if (channels_ == 2)
        image.right.assign(before_.right.begin(), before_.right.begin() + keep);
    for (std::int64_t run = firstRun_; run < endRun_; ++run) {
        const std::int64_t frames = std::min<std::int64_t>(kFastViewFrames, frames_ - run * kFastViewFrames);
        const auto& sums = sums_[static_cast<std::size_t>(run - firstRun_)];
        image.left.push_back(static_cast<std::int32_t>(sums[0] / frames));
        if (channels_ == 2)
            image.right.push_back(static_cast<std::int32_t>(sums[1] / frames));
    }
    const auto shifted = static_cast<std::ptrdiff_t>(endRun_ - shiftRuns_);
    if (endRun_ < entries_) {
        image.left.insert(image.left.end(), before_.left.begin() + shifted, before_.left.end());
        if (channels_ == 2)
            image.right.insert(image.right.end(), before_.right.begin() + shifted, before_.right.end());
    }
    return image;
}

} // namespace velisto
