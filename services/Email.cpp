#include "services/Email.h"

#include <cstring>
#include <deque>

#include "base/Text.h"
#include "base/WinHandles.h"

namespace services {

namespace {

// Simple MAPI counts entries in 32-bit sizes of its 24-byte records.
constexpr size_t kMaxEntries = 89478486;
// Name, address, path and file-name buffers: 256 characters and the terminator.
constexpr size_t kField = 256;
using Field = char[kField + 1];

std::wstring Cut(std::wstring_view s, size_t max) { return std::wstring(s.substr(0, max)); }

// The mail client's texts are in the ANSI code page.
std::string Ansi(std::wstring_view s) { return text::ToAnsi(s); }

// How many bytes of `s` fit into `max` without splitting a double-byte character.
size_t FitBytes(std::string_view s, size_t max) {
  if (s.size() <= max) return s.size();
  size_t i = 0;
  while (i < s.size()) {
    size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size() ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return i;
}

void CopyField(Field& dst, std::string_view src) {
  size_t n = FitBytes(src, kField);
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

std::wstring Wide(const char* s) { return s ? text::FromAnsi(s) : std::wstring(); }

}  // namespace

// Everything built for one send; released as a whole when it goes out of scope.
struct TEmail::Message {
  struct Recip {
    ULONG recipClass = 0;
    Field name{};
    Field address{};
    std::vector<BYTE> entryId;
  };
  struct File {
    Field path{};
    Field name{};
  };
  std::string subject, note;
  std::deque<Recip> recips;  // stable addresses while the descriptors point at them
  std::deque<File> files;
  std::vector<MapiRecipDesc> recipDescs;
  std::vector<MapiFileDesc> fileDescs;
  MapiMessage message{};

  MapiMessage* Finish(ULONG flags) {
    for (Recip& r : recips) {
      MapiRecipDesc d{};
      d.ulRecipClass = r.recipClass;
      d.lpszName = r.name;
      d.lpszAddress = r.address;
      d.ulEIDSize = static_cast<ULONG>(r.entryId.size());
      d.lpEntryID = r.entryId.empty() ? nullptr : r.entryId.data();
      recipDescs.push_back(d);
    }
    for (File& f : files) {
      MapiFileDesc d{};
      d.nPosition = static_cast<ULONG>(-1);
      d.lpszPathName = f.path;
      d.lpszFileName = f.name;
      fileDescs.push_back(d);
    }
    message = {};
    message.lpszSubject = subject.empty() ? nullptr : subject.data();
    message.lpszNoteText = note.empty() ? nullptr : note.data();
    message.flFlags = flags;
    message.nRecipCount = static_cast<ULONG>(recipDescs.size());
    message.lpRecips = recipDescs.empty() ? nullptr : recipDescs.data();
    message.nFileCount = static_cast<ULONG>(fileDescs.size());
    message.lpFiles = fileDescs.empty() ? nullptr : fileDescs.data();
    return &message;
  }
};

TEmail::TEmail() = default;

TEmail::~TEmail() {
  if (!Session_) return;
  try {
    Logoff();
  } catch (...) {
  }
}

void TEmail::SetPassword(std::wstring_view v) { Password_ = Cut(v, kShortText); }
void TEmail::SetProfile(std::wstring_view v) { Profile_ = Cut(v, kShortText); }
void TEmail::SetSubject(std::wstring_view v) { Subject_ = Cut(v, kShortText); }
void TEmail::SetText(std::wstring_view v) { Text_ = Cut(v, kShortText); }

void TEmail::Clear() {
  Acknowledge_ = false;
  Attachment_.clear();
  Bcc_.clear();
  CC_.clear();
  Recipient_.clear();
  Subject_.clear();
  Text_.clear();
  LongText_.reset();
}

size_t TEmail::SetLongText(const wchar_t* text) {
  LongText_.reset();
  if (text) LongText_ = text;
  Text_.clear();
  return LongText_ ? LongText_->size() : 0;
}

void TEmail::CheckMapi() const {
  if (!MapiAvailable()) throw EMapiUnavailable();
}

void TEmail::Raise(const Event& e) {
  if (e) e(*this);
}

void TEmail::RaiseError(ULONG code) {
  if (OnMapiError) OnMapiError(*this, static_cast<int>(code));
}

FLAGS TEmail::LogonFlags() const {
  FLAGS f = 0;
  if (NewSession_) f |= MAPI_NEW_SESSION;
  if (DownLoadFirst_) f |= MAPI_FORCE_DOWNLOAD;
  return f;
}

void TEmail::ReadDefaultProfile() {
  win::Key key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles", 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS &&
      ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles", 0, KEY_READ,
                      key.put()) != ERROR_SUCCESS)
    return;
  Profile_.clear();
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), L"DefaultProfile", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), L"DefaultProfile", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS)
    return;
  value.resize(::wcsnlen(value.c_str(), value.size()));
  SetProfile(value);
}

ULONG TEmail::Logon() {
  CheckMapi();
  if (Session_) return SUCCESS_SUCCESS;
  if (UseDefProfile_) ReadDefaultProfile();
  Raise(OnBeforeLogon);
  std::string profile = Ansi(Profile_), password = Ansi(Password_);
  const FLAGS flags = LogonFlags();
  LHANDLE session = 0;
  ULONG r = Mapi().Logon(0, profile.empty() ? nullptr : profile.data(), password.empty() ? nullptr : password.data(),
                         flags, 0, &session);
  if (r != SUCCESS_SUCCESS) {
    // The client may know better, given the chance to ask the user.
    session = 0;
    r = Mapi().Logon(0, nullptr, nullptr, flags | MAPI_LOGON_UI, 0, &session);
  }
  if (r != SUCCESS_SUCCESS) {
    Session_ = 0;
    RaiseError(r);
  } else {
    Session_ = session;
    Raise(OnAfterLogon);
  }
  return r;
}

ULONG TEmail::Logoff() {
  CheckMapi();
  if (!Session_) return SUCCESS_SUCCESS;
  Raise(OnBeforeLogoff);
  ULONG r = Mapi().Logoff(Session_, 0, 0, 0);
  Session_ = 0;
  Raise(OnAfterLogoff);
  return r;
}

void TEmail::BuildRecipients(std::vector<std::wstring>& list, ULONG recipClass, Message& m) {
  for (std::wstring& line : list) {
    if (line.empty()) continue;
    std::string name = Ansi(Cut(line, kShortText));
    lpMapiRecipDesc found = nullptr;
    ULONG r = Mapi().ResolveName(Session_, 0, name.data(), 0, 0, &found);
    if (r == MAPI_E_AMBIGUOUS_RECIPIENT || r == MAPI_E_UNKNOWN_RECIPIENT) {
      found = nullptr;
      r = Mapi().ResolveName(Session_, 0, name.data(), MAPI_DIALOG, 0, &found);
    }
    if (r != SUCCESS_SUCCESS) {
      if (found) Mapi().FreeBuffer(found);
      RaiseError(r);
      continue;
    }
    Message::Recip& out = m.recips.emplace_back();
    out.recipClass = recipClass;
    const char* resolved = found ? found->lpszName : nullptr;
    const bool resolvedBracketed = resolved && (std::strchr(resolved, '[') || std::strchr(resolved, ']'));
    if (name.find('[') != std::string::npos && name.find(']') != std::string::npos && !resolvedBracketed) {
      // An address written in square brackets goes to the client literally.
      name.erase(name.find('['), 1);
      name.erase(name.find(']'), 1);
      CopyField(out.name, name);
      CopyField(out.address, name);
    } else if (found) {
      line = Wide(found->lpszName);
      CopyField(out.name, found->lpszName ? found->lpszName : "");
      const char* address = found->lpszAddress && *found->lpszAddress ? found->lpszAddress : out.name;
      CopyField(out.address, address);
      if (found->lpEntryID && found->ulEIDSize) {
        const BYTE* id = static_cast<const BYTE*>(found->lpEntryID);
        out.entryId.assign(id, id + found->ulEIDSize);
      }
    } else {
      // A client that reports success without an entry: the line as it is.
      CopyField(out.name, name);
      CopyField(out.address, name);
    }
    if (found) Mapi().FreeBuffer(found);
  }
}

ULONG TEmail::BuildAttachments(Message& m) {
  for (const std::wstring& path : Attachment_) {
    auto file = PrepareAttachment(path, Problem_);
    if (!file) {
      ProblemPath_ = path;
      return MAPI_E_ATTACHMENT_NOT_FOUND;
    }
    Message::File& f = m.files.emplace_back();
    CopyField(f.path, file->path);
    std::wstring shown = file->name;
    if (TruncAttFN_) shown = TruncateFileName(shown);
    CopyField(f.name, Ansi(shown));
  }
  return SUCCESS_SUCCESS;
}

ULONG TEmail::SendMail() {
  CheckMapi();
  Problem_ = AttachmentProblem::None;
  if (Recipient_.size() + CC_.size() + Bcc_.size() >= kMaxEntries) {
    RaiseError(MAPI_E_TOO_MANY_RECIPIENTS);
    return MAPI_E_TOO_MANY_RECIPIENTS;
  }
  if (Attachment_.size() >= kMaxEntries) {
    RaiseError(MAPI_E_TOO_MANY_FILES);
    return MAPI_E_TOO_MANY_FILES;
  }
  const bool wasOpen = Session_ != 0;
  if (Logon() != SUCCESS_SUCCESS) {
    RaiseError(MAPI_E_LOGIN_FAILURE);
    return MAPI_E_LOGIN_FAILURE;
  }
  // Whatever happens from here on (an event handler may throw), a session
  // this call opened is closed again; the message parts go with `m`.
  struct SessionGuard {
    TEmail& mail;
    bool keep;
    ~SessionGuard() {
      if (keep) return;
      try {
        mail.Logoff();
      } catch (...) {
      }
    }
  } guard{*this, wasOpen};

  Message m;
  if (!Subject_.empty()) m.subject = Ansi(Subject_);
  if (!Text_.empty()) m.note = Ansi(Text_);
  if (LongText_) m.note = Ansi(*LongText_);

  BuildRecipients(Recipient_, MAPI_TO, m);
  BuildRecipients(CC_, MAPI_CC, m);
  BuildRecipients(Bcc_, MAPI_BCC, m);
  const FLAGS sendFlags = m.recips.empty() || ShowDialog_ ? MAPI_DIALOG : 0;

  if (ULONG r = BuildAttachments(m); r != SUCCESS_SUCCESS) {
    RaiseError(r);
    return r;
  }
  MapiMessage* message = m.Finish(Acknowledge_ ? MAPI_RECEIPT_REQUESTED : 0);
  Raise(OnBeforeSendMail);
  ULONG r = Mapi().SendMail(Session_, reinterpret_cast<ULONG_PTR>(ParentHandle_), message, sendFlags, 0);
  if (r != SUCCESS_SUCCESS)
    RaiseError(r);
  else
    Raise(OnAfterSendMail);
  return r;
}

std::wstring TEmail::FailureText(ULONG code) const {
  if (code != MAPI_E_ATTACHMENT_NOT_FOUND || Problem_ == AttachmentProblem::None) return {};
  if (Problem_ == AttachmentProblem::Missing)
    return L"Could not attach the file\r" + ProblemPath_ + L"\rbecause it does not exist.";
  return L"Could not attach the file\r" + ProblemPath_ +
         L"\rbecause the mail program cannot read its name, and no copy under another name could be made in "
         L"the temporary folder.";
}

std::wstring TEmail::TruncateFileName(const std::wstring& name) {
  if (name.size() <= 12) return name;
  std::wstring s = name;
  size_t dot = s.find(L'.');
  // A dot after the ninth character: the eight characters before it, then
  // the dot and the extension.
  if (dot != std::wstring::npos && dot + 1 > 9) s = s.substr(dot - 8);
  if (s.size() > 12) s = s.substr(s.size() - 12);
  size_t lead = s.find_first_not_of(L'.');
  return lead == std::wstring::npos ? std::wstring() : s.substr(lead);
}

}  // namespace services
