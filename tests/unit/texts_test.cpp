// The Shift-JIS bytes of every text are what the readable text converts to.
#include "texts.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

#ifdef _WIN32
std::string ToCodePage932(std::u8string_view text) {
  const auto* utf8 = reinterpret_cast<const char*>(text.data());
  const int size = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, size, wide.data(), size)));
  std::string out(text.size() * 2, '\0');
  BOOL lossy = FALSE;
  out.resize(static_cast<std::size_t>(
      WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                          static_cast<int>(out.size()), nullptr, &lossy)));
  return lossy ? "not convertible" : out;
}
#else
std::string ToCodePage932(std::u8string_view text) {
  iconv_t converter = iconv_open("CP932", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return "iconv cannot convert to CP932";
  std::string in(text.begin(), text.end());
  std::string out(in.size() * 2, '\0');
  char* in_next = in.data();
  std::size_t in_left = in.size();
  char* out_next = out.data();
  std::size_t out_left = out.size();
  const std::size_t done = iconv(converter, &in_next, &in_left, &out_next, &out_left);
  iconv_close(converter);
  if (done == static_cast<std::size_t>(-1)) return "not convertible";
  out.resize(out.size() - out_left);
  return out;
}
#endif

TEST(Texts, ShiftJisBytesMatchTheReadableText) {
  for (const Text& text : AllTexts()) {
    EXPECT_EQ(std::string(text.shift_jis), ToCodePage932(text.readable))
        << "text " << static_cast<int>(text.id);
  }
}

TEST(Texts, DialogueTextLengths) {
  EXPECT_EQ(ShiftJis(TextId::kTitle).size(), 22u);
  EXPECT_EQ(ShiftJis(TextId::kPrompt).size(), 34u);
  EXPECT_EQ(ShiftJis(TextId::kBeforeNumber).size(), 7u);
  EXPECT_EQ(ShiftJis(TextId::kAfterNumber).size(), 12u);
}

TEST(Texts, TableIsInIdOrder) {
  int expected = 0;
  for (const Text& text : AllTexts()) EXPECT_EQ(static_cast<int>(text.id), expected++);
}

}  // namespace
