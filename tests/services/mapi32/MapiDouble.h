// The mail client double: a mapi32.dll of the tests' own, loaded in place of
// the system's. It records what the component hands it and answers with the
// codes a test puts into its state. Plain C layout: the test program and the
// library each carry their own runtime.
#pragma once

#include <windows.h>
#include <mapi.h>

namespace mapi_double {

constexpr int kMax = 16;
constexpr int kText = 1024;

struct LogonCall {
  char profile[kText];
  char password[kText];
  BOOL profileNull;
  BOOL passwordNull;
  FLAGS flags;
};

struct ResolveCall {
  char name[kText];
  FLAGS flags;
};

// How the double resolves one name: the code without and with the dialog,
// and the entry it gives on success (empty name: the query itself).
struct Answer {
  char query[kText];
  ULONG plainCode;
  ULONG dialogCode;
  char name[kText];
  char address[kText];
};

struct Recip {
  ULONG recipClass;
  char name[kText];
  char address[kText];
  ULONG eidSize;
  BYTE eid[16];
};

struct File {
  ULONG position;
  char path[kText];
  char name[kText];
};

struct State {
  // Chosen by the test.
  ULONG logonCodes[kMax];  // successive MAPILogon results, then 0
  int logonCodeCount;
  ULONG sendCode;
  Answer answers[kMax];
  int answerCount;

  // Seen by the double.
  int logonCount;
  LogonCall logons[kMax];
  int logoffCount;
  LHANDLE logoffSession;
  int resolveCount;
  ResolveCall resolves[kMax];
  int sendCount;
  LHANDLE sendSession;
  ULONG_PTR sendParent;
  FLAGS sendFlags;
  BOOL subjectNull;
  char subject[kText];
  BOOL noteNull;
  ULONG noteLength;
  char note[kText];
  FLAGS messageFlags;
  ULONG recipCount;
  Recip recips[kMax];
  ULONG fileCount;
  File files[kMax];
  int buffersOut;  // resolved entries not yet released
  LHANDLE lastSession;
};

}  // namespace mapi_double

// Exported by the double: its one state, zeroed at load.
typedef mapi_double::State*(WINAPI* MapiDoubleStateFn)();
