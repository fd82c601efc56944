// The mail client's Simple MAPI library, found and bound once per program
// run. InitMapi runs before the main window exists, DoneMapi at the end.
#pragma once

#include <windows.h>
#include <mapi.h>

#include <stdexcept>
#include <string>

namespace services {

// The mail service is missing: nothing to send through.
class EMapiUnavailable : public std::runtime_error {
public:
  EMapiUnavailable() : std::runtime_error(kText) {}
  static constexpr const char* kText = "MAPI services are not available on this system";
};

// The library is there but lacks one of the entry points.
class EMapiDllError : public std::runtime_error {
public:
  EMapiDllError() : std::runtime_error(kText) {}
  static constexpr const char* kText = "GetProcAddress for MAPI.DLL function(s) failed";
};

// The ten entry points, all bound by name; only logon, logoff, send, name
// resolution and buffer release are called.
struct MapiFunctions {
  LPMAPIFINDNEXT FindNext = nullptr;
  LPMAPILOGOFF Logoff = nullptr;
  LPMAPILOGON Logon = nullptr;
  LPMAPISENDMAIL SendMail = nullptr;
  LPMAPIREADMAIL ReadMail = nullptr;
  LPMAPIDELETEMAIL DeleteMail = nullptr;
  LPMAPIRESOLVENAME ResolveName = nullptr;
  LPMAPIFREEBUFFER FreeBuffer = nullptr;
  LPMAPIADDRESS Address = nullptr;
  LPMAPISAVEMAIL SaveMail = nullptr;
};

// True once the library is loaded and every entry point is bound.
bool MapiAvailable();
const MapiFunctions& Mapi();

// Checks that a mail service is installed, loads "mapi32" (then
// "mapi32.dll") with the system's error boxes suppressed and binds the entry
// points. A library without all of them is released again and raises
// EMapiDllError; MapiAvailable then stays false.
void InitMapi();
// Releases the library if it was loaded.
void DoneMapi();

// The registry (or, on the oldest systems, win.ini) says a mail service is
// installed.
bool MapiInstalled();
// Binds the entry points of a loaded library, taking it over; raises
// EMapiDllError (and releases it) when one is missing.
void BindMapi(HMODULE library);

}  // namespace services
