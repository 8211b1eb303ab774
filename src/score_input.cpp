#include "score_input.h"

#include "pending_io.h"
#include "platform.h"

StandardInput Input;

namespace {
constexpr int kNotANumberCode = 106;
constexpr int kLastBlank = 32;
}  // namespace

int StandardInput::Peek() {
  if (ended_) return kEndOfInput;
  if (position_ == count_) {
    if (!opened_) {
      opened_ = platform::OpenStandardInput();
      if (!opened_) {
        SetPendingIoCode(platform::kCannotOpenInput);
        return kEndOfInput;
      }
    }
    const platform::ReadResult got = platform::ReadStandardInput(buffer_, kBufferSize);
    if (got.error != platform::kNoError) {
      SetPendingIoCode(got.error);
      return kEndOfInput;
    }
    if (got.ended) {
      ended_ = true;
      return kEndOfInput;
    }
    position_ = 0;
    count_ = got.count;
  }
  if (buffer_[position_] == kEndOfFileByte) {
    ended_ = true;
    return kEndOfInput;
  }
  return buffer_[position_];
}

NumberReading StandardInput::ReadNumber() {
  int byte = Peek();
  while (byte != kEndOfInput && byte <= kLastBlank) {
    Take();
    byte = Peek();
  }
  if (byte == kEndOfInput) return {};
  NumberScanner scanner;
  while (byte > kLastBlank) {
    scanner.Add(static_cast<unsigned char>(byte));
    Take();
    byte = Peek();
  }
  const NumberReading reading = scanner.Finish();
  if (reading.status == NumberReading::Status::kNotANumber) SetPendingIoCode(kNotANumberCode);
  return reading;
}

void StandardInput::DiscardLine() {
  for (int byte = Peek(); byte != kEndOfInput; byte = Peek()) {
    Take();
    if (byte == '\r' || byte == '\n') return;
  }
}
