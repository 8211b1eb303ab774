// POSIX implementation of the platform layer: descriptors 0 and 1 with
// read(2) and write(2), fstat to tell a terminal from a file or pipe, and
// /proc/self/exe for the module name.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform.h"

extern "C" const char __executable_start[];  // provided by the linker

namespace platform {
namespace {

bool DescriptorIsOpen(int fd) {
  return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

}  // namespace

bool OpenStandardInput() {
  return DescriptorIsOpen(STDIN_FILENO);
}

ReadResult ReadStandardInput(unsigned char* buffer, std::size_t capacity) {
  for (;;) {
    ssize_t got = read(STDIN_FILENO, buffer, capacity);
    if (got > 0) return {static_cast<std::size_t>(got), false, kNoError};
    if (got == 0) return {0, true, kNoError};
    if (errno != EINTR) return {0, false, errno};
  }
}

OpenResult OpenStandardOutput() {
  struct stat info {};
  if (fstat(STDOUT_FILENO, &info) != 0) return {false, OutputKind::kOther, kCannotOpenOutput};
  // A failed write must come back as an error code, not end the process.
  signal(SIGPIPE, SIG_IGN);
  return {true, S_ISCHR(info.st_mode) ? OutputKind::kConsole : OutputKind::kOther, kNoError};
}

namespace {

int WriteAll(int fd, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    ssize_t put = write(fd, bytes, count);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += put;
    count -= static_cast<std::size_t>(put);
  }
  return kNoError;
}

}  // namespace

int WriteStandardOutput(const unsigned char* bytes, std::size_t count) {
  return WriteAll(STDOUT_FILENO, bytes, count);
}

void WriteStandardError(std::string_view bytes) {
  signal(SIGPIPE, SIG_IGN);
  WriteAll(STDERR_FILENO, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string ModuleName() {
  std::string path;
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length > 0) {
    path.assign(buffer, static_cast<std::size_t>(length));
  } else if (program_invocation_name != nullptr) {
    path = program_invocation_name;
  }
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uintptr_t ModuleBase() {
  return reinterpret_cast<std::uintptr_t>(__executable_start);
}

std::string ToSystemCodePage(std::u8string_view, std::string_view shift_jis) {
  return std::string(shift_jis);
}

bool PlatformHandlesFailure() {
  return false;
}

void ExitProcess(int code) {
  _exit(code);
}

}  // namespace platform
