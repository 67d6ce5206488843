#include "waveeditor/WaveEditEngine.h"

#include "app/Progress.h"
#include "app/SafeFileWrite.h"
#include "sampler/RiffBytes.h"
#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WavePasteSource.h"
#include "waveeditor/WaveSamples.h"
#include "waveeditor/WaveViewModel.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace velisto {

namespace {

constexpr std::int64_t kRiffLimit = 0xFFFFFFFFll + 8; // the longest file a RIFF length describes
const char* const kCutCaption = "Cut/Delete";
const char* const kZeroText = "3. Phase : Zero new space";
const char* const kMixText = "4. Phase : Mixing paste buffer into free area";
const char* const kVolumeText = " Changing volume ...            ";
const char* const kExportText = " Saving selection as .wav       ";
const char* const kUndoText = " Undo ...            ";
const char* const kNewFileText = " Creating new .wav file ...            ";
const char* const kTooLongText = "The wave file would be longer than 4 GB.";

// The 44 bytes in front of the data of a plain PCM file.
std::vector<std::uint8_t> waveHeader(int channels, std::uint32_t rate, int bits, std::int64_t dataLength)
{
    using namespace riff;
    std::vector<std::uint8_t> out;
    const auto frame = static_cast<std::uint32_t>(channels * bits / 8);
    appendId(out, "RIFF");
    append32(out, static_cast<std::uint32_t>(36 + dataLength + (dataLength & 1)));
    appendId(out, "WAVE");
    appendId(out, "fmt ");
    append32(out, 16);
    append16(out, 1);
    append16(out, static_cast<std::uint32_t>(channels));
    append32(out, rate);
    append32(out, rate * frame);
    append16(out, frame);
    append16(out, static_cast<std::uint32_t>(bits));
    appendId(out, "data");
    append32(out, static_cast<std::uint32_t>(dataLength));
    return out;
}

bool isOpenIn(const std::filesystem::path& path, const std::vector<FileIdentity>& openFiles)
{
    const auto identity = fileIdentity(path);
    return identity && std::find(openFiles.begin(), openFiles.end(), *identity) != openFiles.end();
}

// Writes a header and the data produce hands out block by block, then the pad byte.
WaveEditResult writeWave(const std::filesystem::path& path, int channels, std::uint32_t rate, int bits,
                         std::int64_t dataLength, const std::function<std::string(const BlockSink&)>& produce,
                         const std::string& openFailedText)
{
    const SafeWriteResult written = writeFileSafelyInBlocks(path, [&](const BlockSink& sink) {
        if (!sink(waveHeader(channels, rate, bits, dataLength)))
            return std::string("write error");
        std::string reason = produce(sink);
        const std::uint8_t pad = 0;
        if (reason.empty() && (dataLength & 1) && !sink(std::span<const std::uint8_t>(&pad, 1)))
            reason = "write error";
        return reason;
    });
    if (written.status == SafeWriteStatus::OpenFailed)
        return {WaveEditStatus::Failed, openFailedText, {}};
    if (written.status == SafeWriteStatus::WriteFailed)
        return {WaveEditStatus::Failed, "Can't write " + path.filename().string() + ".\n" + written.reason, {}};
    return {};
}

} // namespace

WaveEditEngine::WaveEditEngine(int windowDigit, WaveCopyBuffer& copyBuffer, std::filesystem::path tempFolder,
                               std::int64_t processId)
    : digit_(windowDigit), copyBuffer_(copyBuffer), undo_(windowDigit, std::move(tempFolder), processId)
{
}

WaveEditEngine::~WaveEditEngine()
{
    std::string ignored;
    if (isOpen())
        (void)close(ignored);
}

bool WaveEditEngine::open(const std::string& path, Progress* progress, std::string& error)
{
    // Opening would drop the changed marks and image of the file still open.
    if (isOpen() && !close(error))
        return false;
    WaveOpenOptions options;
    options.writable = options.wantCuePoints = options.wantFastView = true;
    options.progress = progress;
    if (!wave_.open(path, options, error))
        return false;
    identity_ = fileIdentity(path);
    hasSelection_ = false;
    caret_ = dataStart();
    return true;
}

bool WaveEditEngine::close(std::string& error)
{
    stopPlayback();
    undo_.clear();
    identity_.reset();
    hasSelection_ = false;
    return wave_.close(error);
}

std::string WaveEditEngine::title() const
{
    if (!isOpen())
        return waveEditorTitle({}, 0, 0, 0);
    return waveEditorTitle(wave_.fileName(), wave_.samplesPerSecond(), wave_.bitsPerSample(), wave_.channels());
}

void WaveEditEngine::stopPlayback() const
{
    if (beforeChange_)
        beforeChange_();
}

// A cancel while the snapshot was written stops the command before the file is touched;
// once a move has begun it runs to the end, so that the file is never left half-moved.
bool WaveEditEngine::cancelledBeforeChange(Progress* progress)
{
    if (!progress || !progress->cancelled())
        return false;
    undo_.popNewest();
    return true;
}

WaveEditResult WaveEditEngine::failure(const std::string& text, const std::string& caption) const
{
    return {WaveEditStatus::Failed, text, caption};
}

// ---------------------------------------------------------------- selection

std::int64_t WaveEditEngine::alignToFrame(std::int64_t offset) const
{
    const std::int64_t frame = wave_.frameSize();
    if (frame <= 0)
        return 0;
    const std::int64_t clamped = std::clamp(offset, dataStart(), dataEnd());
    return dataStart() + (clamped - dataStart()) / frame * frame;
}

void WaveEditEngine::select(std::int64_t a, std::int64_t b)
{
    selectionStart_ = alignToFrame(std::min(a, b));
    selectionEnd_ = alignToFrame(std::max(a, b));
    hasSelection_ = selectionStart_ < selectionEnd_;
}

std::optional<std::pair<std::int64_t, std::int64_t>> WaveEditEngine::alignedSelection() const
{
    if (!hasSelection_)
        return std::nullopt;
    std::int64_t end = selectionEnd_;
    if ((end - selectionStart_) % 2 != 0)
        end -= wave_.frameSize(); // odd only for mono 8- and 24-bit frames
    if (end <= selectionStart_)
        return std::nullopt;
    return std::make_pair(selectionStart_, end);
}

WaveSnapshot WaveEditEngine::snapshot(WaveEditKind kind, std::int64_t position, std::int64_t length) const
{
    WaveSnapshot s;
    s.selectionStart = selectionStart_;
    s.selectionEnd = selectionEnd_;
    s.hasSelection = hasSelection_;
    s.position = position;
    s.length = length;
    s.loopStart = wave_.loopStart();
    s.loopEnd = wave_.loopEnd();
    s.cuePoints = wave_.cuePoints();
    s.kind = kind;
    return s;
}

// ---------------------------------------------------------------- commands

WaveEditResult WaveEditEngine::copy(Progress* progress)
{
    if (!hasSelection_)
        return {WaveEditStatus::Refused, "No selection", {}};
    const auto range = alignedSelection();
    if (!range)
        return {WaveEditStatus::Refused, kSelectionTooSmallText, {}};
    std::string error;
    if (!copyBuffer_.fill(wave_, range->first, range->second, progress, error))
        return failure(error);
    return {};
}

WaveEditResult WaveEditEngine::removeSelection(bool toCopyBuffer, Progress* progress)
{
    if (!hasSelection_)
        return {WaveEditStatus::Refused, "No selection", kCutCaption};
    const auto range = alignedSelection();
    if (!range)
        return {WaveEditStatus::Refused, kSelectionTooSmallText, kCutCaption};
    const auto [start, end] = *range;
    if (end - start >= wave_.dataLength())
        return {WaveEditStatus::Refused, "Wave file's audio data length must not be 0", kCutCaption};
    stopPlayback();
    std::string error;
    if (toCopyBuffer && !copyBuffer_.fill(wave_, start, end, progress, error))
        return failure(error, kCutCaption);
    if (!undo_.push(snapshot(WaveEditKind::Removed, start, end - start), wave_, progress, error))
        return failure(error, kCutCaption);
    if (cancelledBeforeChange(progress))
        return {WaveEditStatus::Cancelled, {}, {}};
    if (!removeData(start, end - start, progress, error))
        return failure(error, kCutCaption);
    hasSelection_ = false;
    caret_ = start;
    return {};
}

WaveEditResult WaveEditEngine::paste(bool exactPosition, Progress* progress)
{
    const CopyBufferOptions& options = copyBuffer_.options;
    if (copyBuffer_.empty())
        return {WaveEditStatus::Refused, "The copy buffer is empty.", {}};
    if (!exactPosition)
        return {WaveEditStatus::Refused, kFirstZoomMoreText, {}};
    if (!(options.stretch > 0) || options.replicate < 1)
        return {WaveEditStatus::Refused, "Please check the copy buffer options in Set Wave Info.", {}};
    if (copyBuffer_.channels() == 2 && wave_.channels() == 1 && options.stereoToMono == StereoToMono::Ask)
        return {WaveEditStatus::AskStereoToMono, {}, {}};
    WavePasteSource source(copyBuffer_, wave_.bitsPerSample(), wave_.channels());
    const std::int64_t frame = wave_.frameSize();
    const std::int64_t at = alignToFrame(caret_); // the data may have shrunk under it
    std::int64_t length = source.frames() * frame;
    std::string error;
    if (!options.insert) {
        // Mixing stops at the end of the data: the chunks behind it are not audio.
        length = std::min(length, dataEnd() - at);
        if (length <= 0)
            return {WaveEditStatus::Refused, kSelectionTooSmallText, {}};
        stopPlayback();
        if (!undo_.push(snapshot(WaveEditKind::Overwritten, at, length), wave_, progress, error))
            return failure(error);
        if (cancelledBeforeChange(progress))
            return {WaveEditStatus::Cancelled, {}, {}};
        FastViewEdit view = fastViewEdit(at, length, length);
        const bool ok = mixCopyBuffer(at, length, progress);
        storeFastView(view, wave_.dataLength());
        if (!ok)
            return failure("Can't write the changes to " + wave_.fileName() + ".");
        return {};
    }
    // A whole frame more keeps the byte count even for mono 8- and 24-bit files; the
    // chunks behind the data would otherwise lose their pad.
    if (length % 2 != 0)
        length += frame;
    if (wave_.fileLength() + length > kRiffLimit)
        return {WaveEditStatus::Refused, kTooLongText, {}};
    stopPlayback();
    if (!undo_.push(snapshot(WaveEditKind::Inserted, at, length), wave_, progress, error))
        return failure(error);
    if (cancelledBeforeChange(progress))
        return {WaveEditStatus::Cancelled, {}, {}};
    const std::int64_t before = wave_.dataLength();
    FastViewEdit view = fastViewEdit(at, 0, length);
    if (!wave_.resizeData(at, length, error, progress, movedInto(view))) {
        if (wave_.dataLength() == before)
            undo_.popNewest();
        return failure(error);
    }
    const bool ok = fillSilence(at, length, progress) && mixCopyBuffer(at, length, progress);
    storeFastView(view, at - dataStart() + length);
    if (!ok)
        return failure("Can't write the changes to " + wave_.fileName() + ".");
    select(at, at + length);
    return {};
}

bool WaveEditEngine::rewriteBlocks(std::int64_t at, std::int64_t length, const char* text, Progress* progress,
                                   bool read, const BlockWork& work)
{
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(wave_.blockSize(), length)));
    if (progress)
        progress->begin(text);
    bool ok = true;
    for (std::int64_t done = 0; ok && done < length;) {
        const std::int64_t n = std::min(wave_.blockSize(), length - done);
        const std::span<std::uint8_t> bytes(block.data(), static_cast<std::size_t>(n));
        ok = (!read || wave_.readData(at + done, bytes.data(), n)) && work(bytes, done) &&
             wave_.writeData(at + done, bytes.data(), n);
        done += n;
        if (progress)
            progress->advance(done, length);
    }
    if (progress)
        progress->end();
    return ok;
}

bool WaveEditEngine::fillSilence(std::int64_t at, std::int64_t length, Progress* progress)
{
    return rewriteBlocks(at, length, kZeroText, progress, false, [&](std::span<std::uint8_t> bytes, std::int64_t) {
        velisto::fillSilence(bytes, wave_.bitsPerSample());
        return true;
    });
}

bool WaveEditEngine::mixCopyBuffer(std::int64_t at, std::int64_t length, Progress* progress)
{
    WavePasteSource source(copyBuffer_, wave_.bitsPerSample(), wave_.channels());
    return rewriteBlocks(at, length, kMixText, progress, true,
                         [&](std::span<std::uint8_t> bytes, std::int64_t) { return source.mixInto(bytes); });
}

WaveEditResult WaveEditEngine::changeVolume(double factor, Progress* progress)
{
    std::int64_t start = dataStart();
    std::int64_t end = dataEnd();
    if (hasSelection_) {
        const auto range = alignedSelection();
        if (!range)
            return {WaveEditStatus::Refused, kSelectionTooSmallText, "Volume"};
        std::tie(start, end) = *range;
    }
    if (end <= start)
        return {WaveEditStatus::Refused, kSelectionTooSmallText, "Volume"};
    stopPlayback();
    std::string error;
    if (!undo_.push(snapshot(WaveEditKind::Overwritten, start, end - start), wave_, progress, error))
        return failure(error, "Volume");
    FastViewEdit view = fastViewEdit(start, end - start, end - start);
    const bool ok = rewriteBlocks(start, end - start, kVolumeText, progress, true,
                                  [&](std::span<std::uint8_t> bytes, std::int64_t) {
                                      scaleSamples(bytes, wave_.bitsPerSample(), factor);
                                      return true;
                                  });
    storeFastView(view, wave_.dataLength());
    if (!ok)
        return failure("Can't write the changes to " + wave_.fileName() + ".", "Volume");
    return {};
}

WaveEditResult WaveEditEngine::exportSelection(const std::filesystem::path& path,
                                               const std::vector<FileIdentity>& openFiles, Progress* progress)
{
    const auto range = alignedSelection();
    if (!range)
        return {WaveEditStatus::Refused, kSelectionTooSmallText, {}};
    if (isOpenIn(path, openFiles) || (identity_ && fileIdentity(path) == identity_))
        return {WaveEditStatus::Refused, kAnotherNameText, {}};
    const auto [start, end] = *range;
    if (progress)
        progress->begin(kExportText);
    const auto produce = [&](const BlockSink& sink) {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(wave_.blockSize(), end - start)));
        for (std::int64_t done = 0; done < end - start;) {
            if (progress && progress->cancelled())
                return std::string("cancelled");
            const std::int64_t n = std::min(wave_.blockSize(), end - start - done);
            if (!wave_.readData(start + done, block.data(), n))
                return "can't read " + wave_.fileName();
            if (!sink(std::span<const std::uint8_t>(block.data(), static_cast<std::size_t>(n))))
                return std::string("write error");
            done += n;
            if (progress)
                progress->advance(done, end - start);
        }
        return std::string();
    };
    WaveEditResult result = writeWave(path, wave_.channels(), wave_.samplesPerSecond(), wave_.bitsPerSample(),
                                      end - start, produce, "Can't create " + path.filename().string());
    if (progress)
        progress->end();
    return result;
}

WaveEditResult WaveEditEngine::undo(Progress* progress)
{
    if (undo_.empty())
        return {WaveEditStatus::Refused, "Nothing to undo.", {}};
    stopPlayback();
    const WaveSnapshot& s = undo_.newest();
    std::string error;
    if (s.kind == WaveEditKind::Inserted) {
        if (!removeData(s.position, s.length, progress, error))
            return failure(error);
    } else {
        // The saved bytes must all be there before the file is changed.
        std::error_code ec;
        if (std::filesystem::file_size(s.file, ec) != static_cast<std::uintmax_t>(s.length) || ec)
            return failure("Can't read " + s.file.string() + ".");
        const bool grows = s.kind == WaveEditKind::Removed;
        FastViewEdit view = fastViewEdit(s.position, grows ? 0 : s.length, s.length);
        if (grows && !wave_.resizeData(s.position, s.length, error, progress, movedInto(view)))
            return failure(error);
        const bool ok = rewriteBlocks(s.position, s.length, kUndoText, progress, false,
                                      [&](std::span<std::uint8_t> bytes, std::int64_t done) {
                                          return undo_.readNewest(done, bytes.data(),
                                                                  static_cast<std::int64_t>(bytes.size()));
                                      });
        storeFastView(view, grows ? s.position - dataStart() + s.length : wave_.dataLength());
        if (!ok)
            return failure("Can't write the changes to " + wave_.fileName() + ".");
    }
    if (s.loopStart >= 0)
        wave_.setLoop(s.loopStart, s.loopEnd);
    else
        wave_.clearLoop();
    wave_.setCuePoints(s.cuePoints);
    hasSelection_ = s.hasSelection;
    selectionStart_ = s.selectionStart;
    selectionEnd_ = s.selectionEnd;
    caret_ = alignToFrame(s.position);
    undo_.popNewest();
    return {};
}

// ---------------------------------------------------------------- marks

WaveEditResult WaveEditEngine::loopFromSelection()
{
    if (!hasSelection_)
        return {WaveEditStatus::Refused, "No selection", {}};
    wave_.setLoop(selectionStart_, selectionEnd_);
    return {};
}

WaveEditResult WaveEditEngine::setMarkByAddress(int mark, std::int64_t address)
{
    if (address < dataStart())
        return {WaveEditStatus::Refused, "Byte address must not be smaller than data beginning inside wave.", {}};
    if (address > wave_.dataStart() + wave_.dataLength())
        return {WaveEditStatus::Refused, "Byte address must not be greater than wave's data beginning + data length.",
                {}};
    const std::int64_t offset = alignToFrame(address);
    if ((mark == kLoopStartMark || mark == kLoopEndMark) && !wave_.hasLoop())
        return {WaveEditStatus::Refused, "No loop set", {}};
    if (mark == kLoopStartMark) {
        if (offset >= wave_.loopEnd())
            return {WaveEditStatus::Refused, "Loopstart has to be smaller than loopend !", {}};
        wave_.setLoop(offset, wave_.loopEnd());
    } else if (mark == kLoopEndMark) {
        if (offset <= wave_.loopStart())
            return {WaveEditStatus::Refused, "Loopend has to be greater than loopstart !", {}};
        wave_.setLoop(wave_.loopStart(), offset);
    } else {
        std::vector<std::int64_t> cues = wave_.cuePoints();
        const auto index = static_cast<std::size_t>(mark - kFirstCueMark);
        if (mark < kFirstCueMark || index >= cues.size())
            return {WaveEditStatus::Refused, "No such cue point.", {}};
        cues[index] = offset;
        wave_.setCuePoints(std::move(cues));
    }
    return {};
}

void WaveEditEngine::addCuePoint()
{
    std::vector<std::int64_t> cues = wave_.cuePoints();
    cues.insert(std::upper_bound(cues.begin(), cues.end(), caret_), caret_);
    wave_.setCuePoints(std::move(cues));
}

void WaveEditEngine::removeCuePoint(int index)
{
    std::vector<std::int64_t> cues = wave_.cuePoints();
    if (index < 0 || index >= static_cast<int>(cues.size()))
        return;
    cues.erase(cues.begin() + index);
    wave_.setCuePoints(std::move(cues));
}

// ---------------------------------------------------------------- fast view

FastViewEdit WaveEditEngine::fastViewEdit(std::int64_t at, std::int64_t removed, std::int64_t inserted) const
{
    const std::int64_t frame = wave_.frameSize();
    return FastViewEdit(wave_.fastView(), wave_.bitsPerSample(), wave_.channels(),
                        (wave_.dataLength() - removed + inserted) / frame, (at - dataStart()) / frame,
                        removed / frame, inserted / frame);
}

WaveFile::MovedData WaveEditEngine::movedInto(FastViewEdit& view) const
{
    return [&view, start = dataStart()](std::int64_t offset, std::span<const std::uint8_t> bytes) {
        view.add(offset - start, bytes);
    };
}

void WaveEditEngine::storeFastView(FastViewEdit& view, std::int64_t movedFrom)
{
    const std::int64_t end = std::min(view.neededTo(), movedFrom);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::clamp<std::int64_t>(end - view.neededFrom(), 0,
                                                                                      wave_.blockSize())));
    for (std::int64_t at = view.neededFrom(); at < end;) {
        const std::int64_t n = std::min(wave_.blockSize(), end - at);
        if (!wave_.readData(dataStart() + at, block.data(), n)) {
            (void)wave_.setFastView({}); // unreadable data: no stored image rather than a wrong one
            return;
        }
        view.add(at, std::span<const std::uint8_t>(block.data(), static_cast<std::size_t>(n)));
        at += n;
    }
    if (!wave_.setFastView(view.finish()))
        (void)wave_.setFastView({});
}

bool WaveEditEngine::removeData(std::int64_t at, std::int64_t length, Progress* progress, std::string& error)
{
    FastViewEdit view = fastViewEdit(at, length, 0);
    if (!wave_.resizeData(at, -length, error, progress, movedInto(view)))
        return false;
    storeFastView(view, at - dataStart());
    return true;
}

// ---------------------------------------------------------------- new file

WaveEditResult createWaveFile(const std::filesystem::path& path, int minutes, std::uint32_t rate, bool stereo,
                              int bits, const std::vector<FileIdentity>& openFiles, Progress* progress)
{
    if (isOpenIn(path, openFiles))
        return {WaveEditStatus::Refused, kAnotherNameText, {}};
    const int channels = stereo ? 2 : 1;
    const std::int64_t frame = channels * bits / 8;
    // Always even (60 * rate is), so no pad byte is needed.
    const std::int64_t length = static_cast<std::int64_t>(minutes) * 60 * rate * frame;
    if (length + 44 > kRiffLimit)
        return {WaveEditStatus::Refused, kTooLongText, {}};
    if (progress)
        progress->begin(kNewFileText);
    const auto produce = [&](const BlockSink& sink) {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(131072 / frame * frame));
        velisto::fillSilence(block, bits);
        for (std::int64_t done = 0; done < length;) {
            if (progress && progress->cancelled())
                return std::string("cancelled");
            const std::int64_t n = std::min(static_cast<std::int64_t>(block.size()), length - done);
            if (!sink(std::span<const std::uint8_t>(block.data(), static_cast<std::size_t>(n))))
                return std::string("write error");
            done += n;
            if (progress)
                progress->advance(done, length);
        }
        return std::string();
    };
    WaveEditResult result = writeWave(path, channels, rate, bits, length, produce, "Can't create file.");
    if (progress)
        progress->end();
    return result;
}

} // namespace velisto
