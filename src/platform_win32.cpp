// Win32 implementation of the platform layer: the standard handles with
// GetStdHandle, GetFileType, ReadFile and WriteFile, codes from GetLastError,
// the module's name and load address, the ANSI code page, and the
// last-chance filter.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform.h"

namespace platform {
namespace {

bool Usable(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

HANDLE input_handle = nullptr;
HANDLE output_handle = nullptr;

int WriteAll(HANDLE handle, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, static_cast<DWORD>(count), &written, nullptr)) {
      return static_cast<int>(GetLastError());
    }
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes += written;
    count -= written;
  }
  return kNoError;
}

}  // namespace

bool OpenStandardInput() {
  input_handle = GetStdHandle(STD_INPUT_HANDLE);
  return Usable(input_handle);
}

ReadResult ReadStandardInput(unsigned char* buffer, std::size_t capacity) {
  DWORD got = 0;
  if (!ReadFile(input_handle, buffer, static_cast<DWORD>(capacity), &got, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE) return {0, true, kNoError};
    return {0, false, static_cast<int>(error)};
  }
  if (got == 0) return {0, true, kNoError};
  return {got, false, kNoError};
}

OpenResult OpenStandardOutput() {
  output_handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!Usable(output_handle)) return {false, OutputKind::kOther, kCannotOpenOutput};
  switch (GetFileType(output_handle)) {
    case FILE_TYPE_CHAR: return {true, OutputKind::kConsole, kNoError};
    case FILE_TYPE_UNKNOWN: {
      const DWORD error = GetLastError();
      CloseHandle(output_handle);
      return {false, OutputKind::kOther,
              error != NO_ERROR ? static_cast<int>(error) : kCannotOpenOutput};
    }
    default: return {true, OutputKind::kOther, kNoError};
  }
}

int WriteStandardOutput(const unsigned char* bytes, std::size_t count) {
  return WriteAll(output_handle, bytes, count);
}

void WriteStandardError(std::string_view bytes) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (Usable(handle)) {
    WriteAll(handle, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }
}

std::string ModuleName() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // The part after the last backslash; the second byte of a double-byte
  // character is never one.
  std::size_t start = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < length) {
      ++i;
    } else if (path[i] == '\\') {
      start = i + 1;
    }
  }
  return std::string(path + start, path + length);
}

std::uintptr_t ModuleBase() {
  return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
}

std::string ToSystemCodePage(std::u8string_view unicode, std::string_view) {
  const auto* utf8 = reinterpret_cast<const char*>(unicode.data());
  const int utf8_length = static_cast<int>(unicode.size());
  const int wide_length = MultiByteToWideChar(CP_UTF8, 0, utf8, utf8_length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, utf8_length, wide.data(), wide_length);
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_length, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

namespace {

// The program's own code for an unhandled failure (customer bit set).
constexpr DWORD kFailureCode = 0xE0000001;

// Below the debugger, the top-level filter decides: the program reports.
LONG WINAPI ReportHere(EXCEPTION_POINTERS*) {
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

bool PlatformHandlesFailure() {
  SetUnhandledExceptionFilter(ReportHere);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = kFailureCode;
  record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  record.ExceptionAddress = __builtin_return_address(0);
  CONTEXT context{};
  RtlCaptureContext(&context);
  EXCEPTION_POINTERS pointers{&record, &context};
  if (UnhandledExceptionFilter(&pointers) != EXCEPTION_CONTINUE_SEARCH) return false;
  // A debugger wants it: hand the failure over as an exception of its own.
  RaiseException(kFailureCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  return true;
}

void ExitProcess(int code) {
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
