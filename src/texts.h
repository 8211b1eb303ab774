// The program's Japanese texts. Each is kept readable, as UTF-8, beside the
// Shift-JIS (code page 932) bytes that the program writes; the bytes are
// produced from the readable text by tools/gen_tables.py and checked by the
// tests.
#pragma once

#include <span>
#include <string_view>

enum class TextId {
  kTitle,
  kPrompt,
  kBeforeNumber,
  kAfterNumber,
  kFileNotFound,
  kInvalidFileName,
  kTooManyOpenFiles,
  kAccessDenied,
  kReadBeyondEnd,
  kDiskFull,
  kNotANumber,
  kIoErrorWithCode,
  kFloatingOverflow,
  kFloatingInvalid,
  kReportFormat,
};

struct Text {
  TextId id;
  std::u8string_view readable;
  std::string_view shift_jis;
};

const Text& GetText(TextId id);
std::span<const Text> AllTexts();

// The Shift-JIS bytes of a dialogue text, which are written unchanged.
inline std::string_view ShiftJis(TextId id) {
  return GetText(id).shift_jis;
}
