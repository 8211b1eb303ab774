// The Shift-JIS bytes of every text are what the readable text converts to.
#include "texts.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

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
