// Failures: the error classes, the floating-point settings whose faults
// become errors, and the last-chance report that ends a failed run.
//
// Nothing in the dialogue catches an error. Whatever is raised reaches the
// handler around the entry point, which writes one report to standard output
// and ends the process with exit code 1:
//
//   <class>がモジュール <executable> の <location> で発生しました。<LF>
//   <message>.<CR LF>
//
// The location is the offset of the failing point from the executable's load
// address, as 8 upper-case hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>

#include "texts.h"

class Exception {
 public:
  Exception(std::string message, std::uintptr_t location)
      : message_(std::move(message)), location_(location) {}
  virtual ~Exception() = default;

  virtual const char* ClassName() const { return "Exception"; }
  const std::string& Message() const { return message_; }
  std::uintptr_t Location() const { return location_; }
  int HelpContext() const { return help_context_; }

 private:
  std::string message_;
  std::uintptr_t location_;
  int help_context_ = 0;
};

class EInOutError : public Exception {
 public:
  EInOutError(int error_code, std::uintptr_t location);
  const char* ClassName() const override { return "EInOutError"; }
  int ErrorCode() const { return error_code_; }

 private:
  int error_code_;
};

// An error that comes from a processor fault; holds the fault's flags.
class EExternal : public Exception {
 public:
  EExternal(std::string message, std::uintptr_t location, int fault_flags)
      : Exception(std::move(message), location), fault_flags_(fault_flags) {}
  const char* ClassName() const override { return "EExternal"; }
  int FaultFlags() const { return fault_flags_; }

 private:
  int fault_flags_;
};

class EMathError : public EExternal {
 public:
  using EExternal::EExternal;
  const char* ClassName() const override { return "EMathError"; }
};

class EOverflow : public EMathError {
 public:
  EOverflow(std::uintptr_t location, int fault_flags);
  const char* ClassName() const override { return "EOverflow"; }
};

class EInvalidOp : public EMathError {
 public:
  EInvalidOp(std::uintptr_t location, int fault_flags);
  const char* ClassName() const override { return "EInvalidOp"; }
};

// A stored text in the system's code page.
std::string LoadText(TextId id);

// The message of an input/output error code.
std::string InOutErrorMessage(int code);

// A code location as an offset from the executable's load address.
std::uintptr_t LocationOf(const void* address);

// Extended precision, rounding to nearest, no fault flag standing.
void SetFloatingPointSettings();

// The faults that trap: an invalid operation or an overflow whose flag stands
// is raised as EInvalidOp or EOverflow, located at the caller.
void CheckFloatingPointFaults();

// Raises EOverflow at the caller: a finite value was too large to store.
[[noreturn]] void RaiseOverflow();

// The report text of an error, without its final line end.
std::string FailureReport(const Exception& error);

// Writes the report and ends the process with exit code 1.
[[noreturn]] void ReportFailureAndExit(const Exception& error);
