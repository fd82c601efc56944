// mapi32.dll of the tests: records the Simple MAPI calls into its state and
// answers with the codes the test chose.
#include "MapiDouble.h"

#include <cstdlib>
#include <cstring>

namespace {

mapi_double::State g_state;

void Copy(char* dst, const char* src) {
  if (!src) src = "";
  size_t n = std::strlen(src);
  if (n > mapi_double::kText - 1) n = mapi_double::kText - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

const mapi_double::Answer* AnswerFor(const char* query) {
  for (int i = 0; i < g_state.answerCount && i < mapi_double::kMax; ++i)
    if (std::strcmp(g_state.answers[i].query, query) == 0) return &g_state.answers[i];
  return nullptr;
}

// One block holding the entry and its texts, as mail clients hand them out.
struct ResolvedBlock {
  MapiRecipDesc desc;
  BYTE eid[4];
  char name[mapi_double::kText];
  char address[mapi_double::kText];
};

}  // namespace

extern "C" {

mapi_double::State* WINAPI MapiDoubleState() { return &g_state; }

ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR profile, LPSTR password, FLAGS flags, ULONG, LPLHANDLE session) {
  int i = g_state.logonCount++;
  if (i < mapi_double::kMax) {
    mapi_double::LogonCall& c = g_state.logons[i];
    c.profileNull = profile == nullptr;
    c.passwordNull = password == nullptr;
    Copy(c.profile, profile);
    Copy(c.password, password);
    c.flags = flags;
  }
  ULONG code = i < g_state.logonCodeCount && i < mapi_double::kMax ? g_state.logonCodes[i] : SUCCESS_SUCCESS;
  if (code != SUCCESS_SUCCESS) return code;
  *session = g_state.lastSession = 0x5E550 + i;
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
  ++g_state.logoffCount;
  g_state.logoffSession = session;
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPIResolveName(LHANDLE, ULONG_PTR, LPSTR name, FLAGS flags, ULONG, lpMapiRecipDesc* result) {
  int i = g_state.resolveCount++;
  if (i < mapi_double::kMax) {
    Copy(g_state.resolves[i].name, name);
    g_state.resolves[i].flags = flags;
  }
  const mapi_double::Answer* a = AnswerFor(name ? name : "");
  ULONG code = a ? ((flags & MAPI_DIALOG) ? a->dialogCode : a->plainCode) : SUCCESS_SUCCESS;
  if (code != SUCCESS_SUCCESS) return code;
  auto* b = static_cast<ResolvedBlock*>(std::calloc(1, sizeof(ResolvedBlock)));
  if (!b) return MAPI_E_INSUFFICIENT_MEMORY;
  Copy(b->name, a && a->name[0] ? a->name : name);
  Copy(b->address, a ? a->address : "");
  std::memcpy(b->eid, "EID1", 4);
  b->desc.ulRecipClass = MAPI_TO;
  b->desc.lpszName = b->name;
  b->desc.lpszAddress = b->address;
  b->desc.ulEIDSize = 4;
  b->desc.lpEntryID = b->eid;
  ++g_state.buffersOut;
  *result = &b->desc;
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPIFreeBuffer(LPVOID p) {
  if (p) {
    --g_state.buffersOut;
    std::free(p);
  }
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR parent, lpMapiMessage m, FLAGS flags, ULONG) {
  ++g_state.sendCount;
  g_state.sendSession = session;
  g_state.sendParent = parent;
  g_state.sendFlags = flags;
  g_state.subjectNull = m->lpszSubject == nullptr;
  Copy(g_state.subject, m->lpszSubject);
  g_state.noteNull = m->lpszNoteText == nullptr;
  g_state.noteLength = m->lpszNoteText ? static_cast<ULONG>(std::strlen(m->lpszNoteText)) : 0;
  Copy(g_state.note, m->lpszNoteText);
  g_state.messageFlags = m->flFlags;
  g_state.recipCount = m->nRecipCount;
  for (ULONG i = 0; i < m->nRecipCount && i < mapi_double::kMax; ++i) {
    const MapiRecipDesc& r = m->lpRecips[i];
    mapi_double::Recip& out = g_state.recips[i];
    out.recipClass = r.ulRecipClass;
    Copy(out.name, r.lpszName);
    Copy(out.address, r.lpszAddress);
    out.eidSize = r.ulEIDSize;
    if (r.lpEntryID && r.ulEIDSize <= sizeof out.eid) std::memcpy(out.eid, r.lpEntryID, r.ulEIDSize);
  }
  g_state.fileCount = m->nFileCount;
  for (ULONG i = 0; i < m->nFileCount && i < mapi_double::kMax; ++i) {
    g_state.files[i].position = m->lpFiles[i].nPosition;
    Copy(g_state.files[i].path, m->lpFiles[i].lpszPathName);
    Copy(g_state.files[i].name, m->lpFiles[i].lpszFileName);
  }
  return g_state.sendCode;
}

// Bound by the component, never called by it.
ULONG WINAPI MAPIFindNext(LHANDLE, ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPSTR) { return MAPI_E_NOT_SUPPORTED; }
ULONG WINAPI MAPIReadMail(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiMessage*) { return MAPI_E_NOT_SUPPORTED; }
ULONG WINAPI MAPIDeleteMail(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG) { return MAPI_E_NOT_SUPPORTED; }
ULONG WINAPI MAPIAddress(LHANDLE, ULONG_PTR, LPSTR, ULONG, LPSTR, ULONG, lpMapiRecipDesc, FLAGS, ULONG, LPULONG,
                         lpMapiRecipDesc*) {
  return MAPI_E_NOT_SUPPORTED;
}
ULONG WINAPI MAPISaveMail(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG, LPSTR) { return MAPI_E_NOT_SUPPORTED; }

}  // extern "C"
