#include "failure_report.h"

#include <cfenv>
#include <string_view>

#include "console_output.h"
#include "pending_io.h"
#include "platform.h"

namespace {

constexpr int kFailureExitCode = 1;
constexpr std::size_t kMaxReportBytes = 1023;

// Fills %s, %d and %p (a location as 8 upper-case hexadecimal digits) in a
// format text, left to right.
class Formatter {
 public:
  explicit Formatter(std::string_view format) : format_(format) {}
  Formatter& Arg(std::string_view text) {
    Next(text);
    return *this;
  }
  Formatter& Arg(long number) { return Arg(std::string_view(std::to_string(number))); }
  Formatter& Location(std::uintptr_t location) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char digits[8];
    for (int i = 7; i >= 0; --i, location >>= 4) digits[i] = kHex[location & 15];
    return Arg(std::string_view(digits, sizeof digits));
  }
  std::string Text() {
    out_ += format_;
    format_ = {};
    return out_;
  }

 private:
  void Next(std::string_view text) {
    const auto percent = format_.find('%');
    if (percent == std::string_view::npos || percent + 1 == format_.size()) return;
    out_ += format_.substr(0, percent);
    out_ += text;
    format_.remove_prefix(percent + 2);
  }
  std::string_view format_;
  std::string out_;
};

}  // namespace

std::string LoadText(TextId id) {
  const Text& text = GetText(id);
  return platform::ToSystemCodePage(text.readable, text.shift_jis);
}

std::string InOutErrorMessage(int code) {
  switch (code) {
    case 2: return LoadText(TextId::kFileNotFound);
    case 3: return LoadText(TextId::kInvalidFileName);
    case 4: return LoadText(TextId::kTooManyOpenFiles);
    case 5: return LoadText(TextId::kAccessDenied);
    case 100: return LoadText(TextId::kReadBeyondEnd);
    case 101: return LoadText(TextId::kDiskFull);
    case 106: return LoadText(TextId::kNotANumber);
    default: return Formatter(LoadText(TextId::kIoErrorWithCode)).Arg(long{code}).Text();
  }
}

EInOutError::EInOutError(int error_code, std::uintptr_t location)
    : Exception(InOutErrorMessage(error_code), location), error_code_(error_code) {}

EOverflow::EOverflow(std::uintptr_t location, int fault_flags)
    : EMathError(LoadText(TextId::kFloatingOverflow), location, fault_flags) {}

EInvalidOp::EInvalidOp(std::uintptr_t location, int fault_flags)
    : EMathError(LoadText(TextId::kFloatingInvalid), location, fault_flags) {}

std::uintptr_t LocationOf(const void* address) {
  return reinterpret_cast<std::uintptr_t>(address) - platform::ModuleBase();
}

void SetFloatingPointSettings() {
#if defined(__i386__) || defined(__x86_64__)
  // x87 control word: precision control 11 (64-bit significand), rounding
  // control 00 (nearest); the exception masks stay set, because the faults
  // are taken from the flags at fixed points instead of as hardware traps.
  constexpr unsigned short kPrecisionMask = 0x0300;
  constexpr unsigned short kRoundingMask = 0x0C00;
  unsigned short control = 0;
  asm volatile("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>((control & ~kRoundingMask) | kPrecisionMask);
  asm volatile("fldcw %0" : : "m"(control));
#else
#error "the program needs the x87 extended format"
#endif
  std::fesetround(FE_TONEAREST);
  std::feclearexcept(FE_ALL_EXCEPT);
}

__attribute__((noinline)) void CheckFloatingPointFaults() {
  const int flags = std::fetestexcept(FE_INVALID | FE_OVERFLOW);
  if (flags == 0) return;
  const std::uintptr_t location = LocationOf(__builtin_return_address(0));
  SetFloatingPointSettings();
  if (flags & FE_INVALID) throw EInvalidOp(location, flags);
  throw EOverflow(location, flags);
}

__attribute__((noinline)) void RaiseOverflow() {
  const std::uintptr_t location = LocationOf(__builtin_return_address(0));
  SetFloatingPointSettings();
  throw EOverflow(location, FE_OVERFLOW);
}

std::string FailureReport(const Exception& error) {
  const std::string& message = error.Message();
  const bool needs_period = !message.empty() && message.back() != '.';
  std::string report = Formatter(LoadText(TextId::kReportFormat))
                           .Arg(error.ClassName())
                           .Arg(platform::ModuleName())
                           .Location(error.Location())
                           .Arg(message)
                           .Arg(needs_period ? "." : "")
                           .Text();
  if (report.size() > kMaxReportBytes) report.resize(kMaxReportBytes);
  return report;
}

void ReportFailureAndExit(const Exception& error) {
  SetFloatingPointSettings();
  if (platform::PlatformHandlesFailure()) platform::ExitProcess(kFailureExitCode);
  const std::string report = FailureReport(error);
  // The report goes to standard output, after the dialogue, like any line,
  // and is handed over at once. Should standard output fail to take it, the
  // whole report goes to standard error instead: no failure passes unseen.
  TakePendingIoCode();
  Output.Write(report);
  Output.WriteLineEnd();
  Output.EndStatement();
  Output.Flush();
  if (TakePendingIoCode() != 0) platform::WriteStandardError(report + "\r\n");
  platform::ExitProcess(kFailureExitCode);
}
