// Standard input: a byte stream read through a 128-byte buffer, and the two
// things the dialogue does with it, reading a number and discarding the rest
// of a line.
//
// End of input is a read that delivers no bytes, a closed pipe, or a byte 26
// (Ctrl+Z) wherever it stands; it is permanent. A failure is not raised here:
// it becomes the pending input/output code (104 when standard input cannot be
// opened, 106 for a token that is not a number, otherwise the platform's
// code), and the read behaves as at end of input without ending the stream.
#pragma once

#include <cstddef>

#include "number_reader.h"

class StandardInput {
 public:
  // Skips bytes 0 to 32 (blanks, tabs, line ends and other control bytes)
  // across lines, then reads the token of bytes 33 to 255 that follows; the
  // byte that ends it stays unread. At end of input the number is 0.
  NumberReading ReadNumber();

  // Drops bytes up to and including the next CR or LF. An LF that follows a
  // CR is skipped by the next read like any blank, so the answer to a line is
  // never held back waiting for the byte after its CR.
  void DiscardLine();

 private:
  static constexpr std::size_t kBufferSize = 128;
  static constexpr int kEndOfInput = -1;
  static constexpr unsigned char kEndOfFileByte = 26;

  // The next byte without taking it, or kEndOfInput.
  int Peek();
  void Take() { ++position_; }

  unsigned char buffer_[kBufferSize] = {};
  std::size_t position_ = 0;
  std::size_t count_ = 0;
  bool opened_ = false;
  bool ended_ = false;
};

extern StandardInput Input;
