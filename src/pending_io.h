// The pending input/output code: one integer for the whole program, 0 meaning
// none. The standard streams record a failure here instead of raising it; the
// dialogue's check after each statement takes it and raises the error.
#pragma once

inline int PendingIoCode = 0;

// Records a failure; the first one of a statement is the one reported.
inline void SetPendingIoCode(int code) {
  if (PendingIoCode == 0) PendingIoCode = code;
}

// Returns the pending code and clears it.
inline int TakePendingIoCode() {
  const int code = PendingIoCode;
  PendingIoCode = 0;
  return code;
}
