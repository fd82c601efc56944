// TEmail: a message with recipients and attached files handed to the mail
// client through Simple MAPI. SendMail opens its own session and closes it
// again unless one was open already; with no recipient given, the client's
// compose window opens so that the user completes the message there.
//
// User-interface thread only; the client's windows run modally inside
// SendMail. Failures come back as Simple MAPI codes and through OnMapiError;
// the component shows nothing itself. A missing mail service raises
// EMapiUnavailable from Logon, Logoff and SendMail.
#pragma once

#include <windows.h>
#include <mapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "services/MailAttachment.h"
#include "services/Mapi.h"

namespace services {

class TEmail {
public:
  using Event = std::function<void(TEmail& sender)>;
  using ErrorEvent = std::function<void(TEmail& sender, int code)>;

  // Short texts hold at most this many characters; longer ones are cut.
  static constexpr size_t kShortText = 255;

  TEmail();
  virtual ~TEmail();
  TEmail(const TEmail&) = delete;
  TEmail& operator=(const TEmail&) = delete;

  bool Acknowledge() const { return Acknowledge_; }
  void SetAcknowledge(bool v) { Acknowledge_ = v; }
  // Full paths of the files to attach, one per entry.
  std::vector<std::wstring>& Attachment() { return Attachment_; }
  std::vector<std::wstring>& Bcc() { return Bcc_; }
  std::vector<std::wstring>& CC() { return CC_; }
  // Names, or addresses written in square brackets; a resolved line is
  // replaced by the name the mail client resolved it to.
  std::vector<std::wstring>& Recipient() { return Recipient_; }
  bool DownLoadFirst() const { return DownLoadFirst_; }
  void SetDownLoadFirst(bool v) { DownLoadFirst_ = v; }
  bool MapiAvail() const { return MapiAvailable(); }
  bool NewSession() const { return NewSession_; }
  void SetNewSession(bool v) { NewSession_ = v; }
  const std::wstring& Password() const { return Password_; }
  void SetPassword(std::wstring_view v);
  const std::wstring& Profile() const { return Profile_; }
  void SetProfile(std::wstring_view v);
  bool ShowDialog() const { return ShowDialog_; }
  void SetShowDialog(bool v) { ShowDialog_ = v; }
  const std::wstring& Subject() const { return Subject_; }
  void SetSubject(std::wstring_view v);
  const std::wstring& Text() const { return Text_; }
  void SetText(std::wstring_view v);
  bool TruncAttFN() const { return TruncAttFN_; }
  void SetTruncAttFN(bool v) { TruncAttFN_ = v; }
  bool UseDefProfile() const { return UseDefProfile_; }
  void SetUseDefProfile(bool v) { UseDefProfile_ = v; }
  static const wchar_t* Version() { return L"2.09.02"; }

  // The window the mail client's windows are owned by.
  HWND ParentHandle() const { return ParentHandle_; }
  void SetParentHandle(HWND h) { ParentHandle_ = h; }
  // The open session (0 when not logged on).
  LHANDLE Session() const { return Session_; }

  Event OnBeforeLogon, OnAfterLogon, OnBeforeLogoff, OnAfterLogoff, OnBeforeSendMail, OnAfterSendMail;
  ErrorEvent OnMapiError;

  // Empties the message: recipients, copies, attachments, subject, text,
  // the long text, and the receipt request.
  void Clear();
  // A note text of any length that replaces Text (which it empties); none
  // for a null pointer. Returns the length kept.
  size_t SetLongText(const wchar_t* text);

  // 0 on success, otherwise a Simple MAPI code. A file the client cannot
  // be given by its own path goes by its short path, or by a copy under a
  // name it can read (MailAttachment.h).
  ULONG Logon();
  ULONG Logoff();
  ULONG SendMail();
  // What to tell the user after SendMail gave the code: why an attachment
  // could not be handed over. Empty for other codes, whose messages are the
  // mail client's own.
  std::wstring FailureText(ULONG code) const;

  // The display name of an attachment: names longer than 12 characters
  // are shortened towards the 8.3 form.
  virtual std::wstring TruncateFileName(const std::wstring& name);

private:
  struct Message;
  void CheckMapi() const;
  void Raise(const Event& e);
  void RaiseError(ULONG code);
  FLAGS LogonFlags() const;
  void ReadDefaultProfile();
  void BuildRecipients(std::vector<std::wstring>& list, ULONG recipClass, Message& m);
  ULONG BuildAttachments(Message& m);

  bool Acknowledge_ = false;
  std::vector<std::wstring> Attachment_, Bcc_, CC_, Recipient_;
  bool DownLoadFirst_ = false;
  bool NewSession_ = false;
  std::wstring Password_, Profile_, Subject_, Text_;
  bool ShowDialog_ = false;
  bool TruncAttFN_ = true;
  bool UseDefProfile_ = false;

  HWND ParentHandle_ = nullptr;
  LHANDLE Session_ = 0;
  std::optional<std::wstring> LongText_;
  AttachmentProblem Problem_ = AttachmentProblem::None;  // of the last SendMail
  std::wstring ProblemPath_;
};

}  // namespace services
