// The operating system, seen through the few services the program needs:
// the two standard handles, the process exit, the executable's name and load
// address, and the conversion of stored Unicode texts to the system's code
// page. One implementation per platform (platform_posix.cpp,
// platform_win32.cpp); nothing else in the program includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Input/output codes are the platform's own error numbers, plus these.
inline constexpr int kNoError = 0;
inline constexpr int kCannotOpenInput = 104;
inline constexpr int kCannotOpenOutput = 105;

// Standard input. Opening is retried by the caller until it succeeds.
bool OpenStandardInput();

struct ReadResult {
  std::size_t count = 0;  // bytes delivered
  bool ended = false;     // the stream has ended for good (no bytes, or the
                          // writing end of a pipe is gone)
  int error = kNoError;   // a failed call: its code; nothing delivered
};
ReadResult ReadStandardInput(unsigned char* buffer, std::size_t capacity);

// Standard output.
enum class OutputKind {
  kConsole,  // every statement is handed over at its end
  kOther,    // handed over in whole buffers, and at shutdown
};
struct OpenResult {
  bool opened = false;
  OutputKind kind = OutputKind::kOther;
  int error = kNoError;
};
OpenResult OpenStandardOutput();
// Hands over all the bytes; returns kNoError or the code of the failure.
int WriteStandardOutput(const unsigned char* bytes, std::size_t count);
// Last resort for a failure report that standard output could not take.
void WriteStandardError(std::string_view bytes);

// The executable's file name without its directory, in the system's bytes.
std::string ModuleName();
// The address the executable was loaded at; code locations in the failure
// report are offsets from it.
std::uintptr_t ModuleBase();

// Converts a stored UTF-8 text to the system's code page. The POSIX build
// takes that code page to be Shift-JIS and uses the bytes stored beside the
// text; Windows converts with its ANSI code page.
std::string ToSystemCodePage(std::u8string_view unicode, std::string_view shift_jis);

// True when the platform wants to deal with an unhandled failure itself (a
// debugger is attached): then no report is written.
bool PlatformHandlesFailure();

[[noreturn]] void ExitProcess(int code);

}  // namespace platform
