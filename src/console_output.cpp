#include "console_output.h"

#include <algorithm>

#include "pending_io.h"

StandardOutput Output;

bool StandardOutput::Open() {
  if (!opened_) {
    const platform::OpenResult result = platform::OpenStandardOutput();
    if (!result.opened) {
      SetPendingIoCode(result.error);
      return false;
    }
    opened_ = true;
    kind_ = result.kind;
  }
  return true;
}

void StandardOutput::Write(std::string_view bytes) {
  if (PendingIoCode != 0 || !Open()) return;
  while (!bytes.empty()) {
    const std::size_t room = std::min(kBufferSize - count_, bytes.size());
    std::copy_n(bytes.data(), room, buffer_ + count_);
    count_ += room;
    bytes.remove_prefix(room);
    if (count_ == kBufferSize) {
      HandOver();
      if (PendingIoCode != 0) return;
    }
  }
}

void StandardOutput::WriteLineEnd() {
  Write("\r\n");
}

void StandardOutput::EndStatement() {
  if (opened_ && kind_ == platform::OutputKind::kConsole) HandOver();
}

void StandardOutput::Flush() {
  if (opened_) HandOver();
}

void StandardOutput::HandOver() {
  if (count_ == 0) return;
  const int error = platform::WriteStandardOutput(buffer_, count_);
  count_ = 0;
  if (error != platform::kNoError) SetPendingIoCode(error);
}
