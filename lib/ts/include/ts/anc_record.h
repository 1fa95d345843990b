// SPDX-License-Identifier: MIT
// Ancillary (ANC) data packets: the SMPTE ST 291 10-bit words and their
// checks, and the ST 2038 records that carry ANC packets in a PES.
//
// A 10-bit word (DID, SDID, data_count, each user_data_word) carries an
// 8-bit value in bits 7-0; bit 8 is their even parity (1 when they hold an
// odd number of ones) and bit 9 is NOT bit 8. The checksum_word holds in
// bits 8-0 the low 9 bits of the sum of bits 8-0 of every other word, and
// in bit 9 NOT bit 8.
#ifndef SCTE104_TS_ANC_RECORD_H
#define SCTE104_TS_ANC_RECORD_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// The outcome of the ST 291 word checks of one ANC packet: at most one
// fault is told, parity first.
enum class WordCheck : std::uint8_t {
  ok,
  parity,    // a DID, SDID, data_count or user data word with a wrong bit 8 or 9
  checksum,  // the words are sound, but checksum_word is not their sum
};

// True when bits 8 and 9 of a 10-bit word agree with its bits 7-0.
bool word_parity_ok(std::uint16_t word);

// Checks the words of one ANC packet, in wire order: DID, SDID,
// data_count, the user data words, then checksum_word (`count` words in
// all, so 4 + the number of user data words). Used for ST 2038 records and
// for RFC 8331 ANC packets alike.
WordCheck check_anc_words(const std::uint16_t* words, std::size_t count);

// One ST 2038 record: an ANC packet and where it sits in the picture.
struct AncRecord {
  std::uint8_t c_not_y_channel_flag = 0;
  std::uint16_t line_number = 0;        // 11 bits
  std::uint16_t horizontal_offset = 0;  // 12 bits
  std::uint8_t did = 0;                 // bits 7-0 of the DID word
  std::uint8_t sdid = 0;                // bits 7-0 of the SDID word
  std::vector<std::uint8_t> user_data;  // bits 7-0 of each user_data_word
  WordCheck check = WordCheck::ok;
};

// Why reading the records of a PES stopped early.
enum class AncReadError : std::uint8_t {
  none,
  leading_bits,  // a record does not start with six 0 bits
  cut,           // a record does not fit in the rest of the data
};

// Reads the ANC records that follow the PES header of an ST 2038 PES, back
// to back, each from a byte boundary:
//   '000000' (6), c_not_y_channel_flag (1), line_number (11),
//   horizontal_offset (12), DID (10), SDID (10), data_count (10),
//   user_data_word (10 each, as many as the low 8 bits of data_count),
//   checksum_word (10), then '1' bits up to the byte boundary (not checked).
// A 0xFF byte where a record would start is stuffing and is skipped.
class AncRecordReader {
 public:
  AncRecordReader(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}

  // The next record, with its word checks done; false when the data is used
  // up or a record could not be read (then error() says why).
  bool next(AncRecord& record);
  AncReadError error() const { return mError; }

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPosition = 0;
  AncReadError mError = AncReadError::none;
};

}  // namespace ts

#endif  // SCTE104_TS_ANC_RECORD_H
