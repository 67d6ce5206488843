#pragma once
// "GS Sysex Part tone number selection": the bank (variation tone, bank select MSB) and
// the program of one GS part's tone number message, chosen together.
//
// Thread contract: user-interface thread only.

#include "midi/SysexDecoder.h"

#include <QDialog>

#include <cstdint>
#include <span>
#include <vector>

class QComboBox;

namespace velisto {

class CListEditorGSTonenumber : public QDialog {
public:
    // stored: the message after F0; decoded: its decoding (a tone number row).
    CListEditorGSTonenumber(std::span<const std::uint8_t> stored, const DecodedSysex& decoded, QWidget* parent);

    // After OK: the message with the chosen tone, its checksum recomputed.
    const std::vector<std::uint8_t>& message() const { return message_; }
    QComboBox* bank() const { return bank_; }
    QComboBox* program() const { return program_; }

    void accept() override;

private:
    std::vector<std::uint8_t> stored_;
    DecodedSysex decoded_;
    QComboBox* bank_;
    QComboBox* program_;
    std::vector<std::uint8_t> message_;
};

} // namespace velisto
