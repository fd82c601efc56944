// The stream library's roots: its one error type, the plain object base and
// the abstract byte stream that formats are read from and written to.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The general error of the library. A violated precondition carries an empty
// message; the negotiation operations carry their own names.
class EDSError : public std::runtime_error {
public:
  explicit EDSError(const std::string& message = std::string()) : std::runtime_error(message) {}
};

// Raises the precondition error unless `condition` holds.
inline void DSRequire(bool condition) {
  if (!condition) throw EDSError();
}

class TDSObject {
public:
  TDSObject() = default;
  virtual ~TDSObject() = default;
  TDSObject(const TDSObject&) = delete;
  TDSObject& operator=(const TDSObject&) = delete;

  // Used in the texts of the errors that name the class.
  virtual const char* ClassName() const { return "TDSObject"; }
};

// An abstract byte stream: count-based reads and writes at a position.
class TStream {
public:
  enum Origin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

  virtual ~TStream() = default;
  // Bytes transferred; fewer at the end, -1 on failure.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // The new position, -1 on failure.
  virtual int32_t Seek(int32_t offset, int origin) = 0;
};
