// Standard output: a byte stream written through a 128-byte buffer. It is
// opened at the first write. On a console (a terminal) the buffer is handed
// over at the end of every statement, so each line and the prompt show at
// once; otherwise in whole buffers, and the rest at shutdown. A failed
// hand-over drops its bytes and becomes the pending input/output code; once a
// code is pending, the rest of the statement writes nothing.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform.h"

class StandardOutput {
 public:
  void Write(std::string_view bytes);
  // CR LF.
  void WriteLineEnd();
  // On a console, hands over what the statement wrote.
  void EndStatement();
  // Hands over whatever is buffered.
  void Flush();

 private:
  static constexpr std::size_t kBufferSize = 128;

  bool Open();
  void HandOver();

  unsigned char buffer_[kBufferSize] = {};
  std::size_t count_ = 0;
  bool opened_ = false;
  platform::OutputKind kind_ = platform::OutputKind::kOther;
};

extern StandardOutput Output;
