#pragma once
// Bounds-checked reading of a byte image: every read answers std::nullopt instead of
// touching a byte past the end. Used by the MIDI file reader on untrusted files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace velisto {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return position_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ >= bytes_.size(); }

    std::optional<std::uint8_t> peek() const
    {
        if (atEnd())
            return std::nullopt;
        return bytes_[position_];
    }

    std::optional<std::uint8_t> u8()
    {
        if (atEnd())
            return std::nullopt;
        return bytes_[position_++];
    }

    std::optional<std::uint16_t> be16()
    {
        if (remaining() < 2)
            return std::nullopt;
        const auto value = static_cast<std::uint16_t>((bytes_[position_] << 8) | bytes_[position_ + 1]);
        position_ += 2;
        return value;
    }

    std::optional<std::uint32_t> be32()
    {
        if (remaining() < 4)
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | bytes_[position_++];
        return value;
    }

    // A variable-length quantity of at most four bytes (values up to 0x0FFFFFFF).
    // std::nullopt when the data end inside the number or when it runs over four bytes;
    // after a failure atEnd() tells the first case from the second.
    std::optional<std::uint32_t> vlq()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (atEnd())
                return std::nullopt;
            const std::uint8_t byte = bytes_[position_++];
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80u) == 0)
                return value;
        }
        return std::nullopt;
    }

    // The next count bytes, consumed; std::nullopt (nothing consumed) when fewer remain.
    std::optional<std::span<const std::uint8_t>> bytes(std::size_t count)
    {
        if (count > remaining())
            return std::nullopt;
        const auto result = bytes_.subspan(position_, count);
        position_ += count;
        return result;
    }

    // Skips count bytes; false (nothing skipped) when fewer remain.
    bool skip(std::size_t count)
    {
        if (count > remaining())
            return false;
        position_ += count;
        return true;
    }

    void skipToEnd() { position_ = bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace velisto
