// TEmail against the mail client double (tests/services/mapi32), which the
// loader finds in place of the system's library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MapiDouble.h"
#include "Seams.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "base/WinHandles.h"
#include "services/Email.h"
#include "services/Mapi.h"

using namespace services;
using testing_support::ScratchDir;

namespace {

class MailTest : public ::testing::Test {
protected:
  void SetUp() override {
    InitMapi();
    ASSERT_TRUE(MapiAvailable());
    auto get = reinterpret_cast<MapiDoubleStateFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"mapi32.dll"), "MapiDoubleState")));
    ASSERT_NE(get, nullptr) << "the system's mapi32 was loaded, not the double";
    client = get();
    std::memset(client, 0, sizeof *client);
    mail.OnMapiError = [this](TEmail&, int code) { errors.push_back(code); };
  }
  void TearDown() override { DoneMapi(); }

  void Answer(const char* query, ULONG plain, ULONG dialog, const char* name = "", const char* address = "") {
    mapi_double::Answer& a = client->answers[client->answerCount++];
    std::strcpy(a.query, query);
    a.plainCode = plain;
    a.dialogCode = dialog;
    std::strcpy(a.name, name);
    std::strcpy(a.address, address);
  }
  std::wstring Attachable(const std::wstring& name) {
    std::wstring path = dir.file(name);
    testing_support::WriteBytes(path, "RIFF");
    return path;
  }

  mapi_double::State* client = nullptr;
  TEmail mail;
  std::vector<int> errors;
  ScratchDir dir{L"mail"};
};

}  // namespace

TEST_F(MailTest, TheCompanionEntryPointsAreBoundAndTheVersionIsFixed) {
  EXPECT_TRUE(mail.MapiAvail());
  const MapiFunctions& f = Mapi();
  for (const void* p : {(void*)f.FindNext, (void*)f.Logoff, (void*)f.Logon, (void*)f.SendMail, (void*)f.ReadMail,
                        (void*)f.DeleteMail, (void*)f.ResolveName, (void*)f.FreeBuffer, (void*)f.Address,
                        (void*)f.SaveMail})
    EXPECT_NE(p, nullptr);
  EXPECT_STREQ(TEmail::Version(), L"2.09.02");
  EXPECT_TRUE(mail.TruncAttFN());
}

TEST_F(MailTest, ALibraryWithoutTheEntryPointsIsRefusedAndMailIsThenUnavailable) {
  try {
    BindMapi(::LoadLibraryW(L"version.dll"));
    FAIL() << "no EMapiDllError";
  } catch (const EMapiDllError& e) {
    EXPECT_STREQ(e.what(), "GetProcAddress for MAPI.DLL function(s) failed");
  }
  EXPECT_FALSE(MapiAvailable());
  try {
    mail.SendMail();
    FAIL() << "no EMapiUnavailable";
  } catch (const EMapiUnavailable& e) {
    EXPECT_STREQ(e.what(), "MAPI services are not available on this system");
  }
  EXPECT_THROW(mail.Logon(), EMapiUnavailable);
  EXPECT_THROW(mail.Logoff(), EMapiUnavailable);
}

TEST_F(MailTest, AFailedLogonIsRetriedWithTheClientAllowedToAsk) {
  mail.SetProfile(L"Typist");
  mail.SetPassword(L"secret");
  mail.SetNewSession(true);
  mail.SetDownLoadFirst(true);
  client->logonCodes[0] = MAPI_E_LOGON_FAILURE;
  client->logonCodeCount = 1;
  std::vector<std::string> order;
  mail.OnBeforeLogon = [&](TEmail&) { order.push_back("before"); };
  mail.OnAfterLogon = [&](TEmail&) { order.push_back("after"); };

  EXPECT_EQ(mail.Logon(), 0u);
  ASSERT_EQ(client->logonCount, 2);
  EXPECT_STREQ(client->logons[0].profile, "Typist");
  EXPECT_STREQ(client->logons[0].password, "secret");
  EXPECT_EQ(client->logons[0].flags, static_cast<FLAGS>(MAPI_NEW_SESSION | MAPI_FORCE_DOWNLOAD));
  EXPECT_TRUE(client->logons[1].profileNull);
  EXPECT_TRUE(client->logons[1].passwordNull);
  EXPECT_EQ(client->logons[1].flags, static_cast<FLAGS>(MAPI_NEW_SESSION | MAPI_FORCE_DOWNLOAD | MAPI_LOGON_UI));
  EXPECT_EQ(mail.Session(), client->lastSession);
  EXPECT_EQ(order, (std::vector<std::string>{"before", "after"}));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(mail.Logon(), 0u);  // already logged on: nothing asked
  EXPECT_EQ(client->logonCount, 2);
}

TEST_F(MailTest, ALogonRefusedTwiceFailsTheSendWithoutSendingAnything) {
  client->logonCodes[0] = client->logonCodes[1] = MAPI_E_USER_ABORT;
  client->logonCodeCount = 2;
  mail.Attachment().push_back(Attachable(L"zaznam.mp3"));
  EXPECT_EQ(mail.SendMail(), static_cast<ULONG>(MAPI_E_LOGIN_FAILURE));
  EXPECT_EQ(errors, (std::vector<int>{MAPI_E_USER_ABORT, MAPI_E_LOGIN_FAILURE}));
  EXPECT_TRUE(client->logons[0].profileNull);  // no profile given: no pointer
  EXPECT_EQ(client->sendCount, 0);
  EXPECT_EQ(client->logoffCount, 0);
  EXPECT_EQ(mail.Session(), 0u);
}

TEST_F(MailTest, TheDefaultProfileComesFromTheMailSystemsKey) {
  const wchar_t* key = L"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
  win::Key k;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr), 0);
  std::wstring name(300, L'p');  // longer than a profile name holds
  ::RegSetValueExW(k.get(), L"DefaultProfile", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
  mail.SetUseDefProfile(true);
  mail.SetProfile(L"Other");
  EXPECT_EQ(mail.Logon(), 0u);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, key);
  EXPECT_EQ(mail.Profile(), std::wstring(255, L'p'));
  EXPECT_EQ(std::string(client->logons[0].profile), std::string(255, 'p'));
}

TEST_F(MailTest, RecipientsAreResolvedWithTheDialogWhenAmbiguousOrUnknown) {
  Answer("ann", MAPI_E_AMBIGUOUS_RECIPIENT, 0, "Ann Smith", "SMTP:ann@example.org");
  Answer("bob", MAPI_E_UNKNOWN_RECIPIENT, MAPI_E_UNKNOWN_RECIPIENT);
  Answer("cid", 0, 0, "Cid Brown");  // no address: the name stands for it
  mail.Recipient() = {L"ann", L"", L"bob"};
  mail.CC() = {L"cid"};
  mail.Bcc() = {L"dan"};

  EXPECT_EQ(mail.SendMail(), 0u);
  ASSERT_EQ(client->resolveCount, 6);
  EXPECT_STREQ(client->resolves[0].name, "ann");
  EXPECT_EQ(client->resolves[0].flags, 0u);
  EXPECT_EQ(client->resolves[1].flags, static_cast<FLAGS>(MAPI_DIALOG));
  EXPECT_STREQ(client->resolves[2].name, "bob");
  EXPECT_EQ(client->resolves[3].flags, static_cast<FLAGS>(MAPI_DIALOG));
  EXPECT_EQ(errors, (std::vector<int>{MAPI_E_UNKNOWN_RECIPIENT}));

  ASSERT_EQ(client->recipCount, 3u);  // bob is left out
  EXPECT_EQ(client->recips[0].recipClass, static_cast<ULONG>(MAPI_TO));
  EXPECT_STREQ(client->recips[0].name, "Ann Smith");
  EXPECT_STREQ(client->recips[0].address, "SMTP:ann@example.org");
  EXPECT_EQ(client->recips[0].eidSize, 4u);
  EXPECT_EQ(std::memcmp(client->recips[0].eid, "EID1", 4), 0);
  EXPECT_EQ(client->recips[1].recipClass, static_cast<ULONG>(MAPI_CC));
  EXPECT_STREQ(client->recips[1].address, "Cid Brown");
  EXPECT_EQ(client->recips[2].recipClass, static_cast<ULONG>(MAPI_BCC));
  EXPECT_EQ(client->sendFlags, 0u);  // recipients given, no dialog asked for
  EXPECT_EQ(mail.Recipient()[0], L"Ann Smith");
  EXPECT_EQ(mail.Recipient()[2], L"bob");
  EXPECT_EQ(client->buffersOut, 0);
}

TEST_F(MailTest, AnAddressInSquareBracketsReachesTheClientWithoutThem) {
  Answer("[fax:123]", 0, 0, "fax:123", "FAX:123");
  Answer("Ann [x]", 0, 0, "Ann [x]", "SMTP:ann@example.org");  // the client kept the brackets
  mail.Recipient() = {L"[fax:123]", L"Ann [x]"};
  mail.SetShowDialog(true);
  EXPECT_EQ(mail.SendMail(), 0u);
  ASSERT_EQ(client->recipCount, 2u);
  EXPECT_STREQ(client->recips[0].name, "fax:123");
  EXPECT_STREQ(client->recips[0].address, "fax:123");
  EXPECT_EQ(client->recips[0].eidSize, 0u);
  EXPECT_STREQ(client->recips[1].name, "Ann [x]");
  EXPECT_STREQ(client->recips[1].address, "SMTP:ann@example.org");
  EXPECT_EQ(client->sendFlags, static_cast<FLAGS>(MAPI_DIALOG));
  EXPECT_EQ(client->buffersOut, 0);
}

TEST_F(MailTest, OverlongNamesAreCutToTheirFields) {
  std::string longName(400, 'n'), longAddress(600, 'a');
  std::string query(255, 'q');
  Answer(query.c_str(), 0, 0, longName.c_str(), longAddress.c_str());
  mail.Recipient() = {std::wstring(300, L'q')};
  mail.SetSubject(std::wstring(300, L's'));
  EXPECT_EQ(mail.SendMail(), 0u);
  EXPECT_EQ(std::string(client->resolves[0].name), query);
  EXPECT_EQ(std::string(client->recips[0].name), std::string(256, 'n'));
  EXPECT_EQ(std::string(client->recips[0].address), std::string(256, 'a'));
  EXPECT_EQ(std::string(client->subject), std::string(255, 's'));
}

TEST_F(MailTest, AMissingAttachmentSendsNothingAndClosesTheSession) {
  mail.Attachment() = {Attachable(L"a.mp3"), dir.file(L"gone.mp3")};
  EXPECT_EQ(mail.SendMail(), static_cast<ULONG>(MAPI_E_ATTACHMENT_NOT_FOUND));
  EXPECT_EQ(errors, (std::vector<int>{MAPI_E_ATTACHMENT_NOT_FOUND}));
  EXPECT_EQ(client->sendCount, 0);
  EXPECT_EQ(client->logonCount, 1);
  EXPECT_EQ(client->logoffCount, 1);
  EXPECT_EQ(mail.Session(), 0u);
}

// A name the client cannot read goes by the short path, or on a volume
// without short names by a copy under a name it can read; a file gone is told.
TEST_F(MailTest, AFileWhoseNameTheClientCannotReadIsStillHandedOver) {
  mail.Attachment() = {Attachable(L"\u03A9 z\u00E1znam.mp3")};
  auto sameFile = [&] { return testing_support::ReadBytes(text::FromAnsi(client->files[0].path)) == "RIFF"; };
  ASSERT_EQ(mail.SendMail(), 0u);
  EXPECT_TRUE(sameFile()) << client->files[0].path;
  EXPECT_STREQ(client->files[0].name, "_ z\xE1znam.mp3");
  testing_support::ScopedSeam<&SetShortPathReader, ShortPathReader> noShortNames(
      [](const std::wstring&) { return std::wstring(); });
  ASSERT_EQ(mail.SendMail(), 0u);
  EXPECT_EQ(text::FromAnsi(client->files[0].path), AttachmentCopyFolder() + L"_ z\u00E1znam.mp3");
  EXPECT_TRUE(sameFile());

  mail.Attachment() = {dir.file(L"gone.mp3")};
  EXPECT_EQ(mail.SendMail(), static_cast<ULONG>(MAPI_E_ATTACHMENT_NOT_FOUND));
  EXPECT_EQ(mail.FailureText(MAPI_E_ATTACHMENT_NOT_FOUND),
            L"Could not attach the file\r" + dir.file(L"gone.mp3") + L"\rbecause it does not exist.");
}

TEST_F(MailTest, TheComposeWindowGetsTheFilesTheirShortNamesAndTheMessage) {
  std::wstring longer = Attachable(L"abcdefghijklmnopqrst.mp3");
  std::wstring shorter = Attachable(L"zaznam.mp3");
  mail.Attachment() = {longer, shorter};
  mail.SetSubject(L"Diktát");
  mail.SetText(L"ignored");
  std::wstring body(5000, L'b');
  EXPECT_EQ(mail.SetLongText(body.c_str()), 5000u);
  EXPECT_TRUE(mail.Text().empty());
  mail.SetAcknowledge(true);
  mail.SetParentHandle(reinterpret_cast<HWND>(0x1234));
  std::vector<std::string> order;
  mail.OnBeforeSendMail = [&](TEmail&) { order.push_back("send"); };
  mail.OnAfterSendMail = [&](TEmail&) { order.push_back("sent"); };
  mail.OnAfterLogoff = [&](TEmail&) { order.push_back("logoff"); };

  EXPECT_EQ(mail.SendMail(), 0u);
  EXPECT_EQ(order, (std::vector<std::string>{"send", "sent", "logoff"}));
  EXPECT_EQ(client->sendFlags, static_cast<FLAGS>(MAPI_DIALOG));  // nobody to send to: the user chooses
  EXPECT_EQ(client->recipCount, 0u);
  EXPECT_EQ(client->sendParent, 0x1234u);
  EXPECT_EQ(client->messageFlags, static_cast<FLAGS>(MAPI_RECEIPT_REQUESTED));
  EXPECT_STREQ(client->subject, "Dikt\xE1t");
  EXPECT_EQ(client->noteLength, 5000u);
  ASSERT_EQ(client->fileCount, 2u);
  EXPECT_EQ(client->files[0].position, static_cast<ULONG>(-1));
  EXPECT_EQ(text::FromAnsi(client->files[0].path), longer);
  EXPECT_STREQ(client->files[0].name, "mnopqrst.mp3");
  EXPECT_STREQ(client->files[1].name, "zaznam.mp3");

  mail.Clear();
  EXPECT_TRUE(mail.Attachment().empty());
  EXPECT_FALSE(mail.Acknowledge());
  mail.SetTruncAttFN(false);
  mail.Attachment() = {longer};
  EXPECT_EQ(mail.SendMail(), 0u);
  EXPECT_STREQ(client->files[0].name, "abcdefghijklmnopqrst.mp3");
  EXPECT_TRUE(client->subjectNull);
  EXPECT_TRUE(client->noteNull);
  EXPECT_EQ(client->messageFlags, 0u);
}

TEST_F(MailTest, ASessionOpenedBeforeIsUsedAndLeftOpen) {
  ASSERT_EQ(mail.Logon(), 0u);
  LHANDLE session = mail.Session();
  mail.Attachment() = {Attachable(L"a.mp3")};
  EXPECT_EQ(mail.SendMail(), 0u);
  EXPECT_EQ(client->sendSession, session);
  EXPECT_EQ(client->logonCount, 1);
  EXPECT_EQ(client->logoffCount, 0);
  EXPECT_EQ(mail.Session(), session);
  EXPECT_EQ(mail.Logoff(), 0u);
  EXPECT_EQ(client->logoffSession, session);
  EXPECT_EQ(mail.Session(), 0u);
}

TEST_F(MailTest, AFailedSendIsReportedAndItsSessionClosed) {
  client->sendCode = MAPI_E_USER_ABORT;  // the user cancelled the compose window
  mail.Attachment() = {Attachable(L"a.mp3")};
  EXPECT_EQ(mail.SendMail(), static_cast<ULONG>(MAPI_E_USER_ABORT));
  EXPECT_EQ(errors, (std::vector<int>{MAPI_E_USER_ABORT}));
  EXPECT_EQ(client->logoffCount, 1);
}

TEST(TruncateFileName, ShortensTowardsEightDotThree) {
  TEmail mail;
  EXPECT_EQ(mail.TruncateFileName(L"abcdefgh.mp3"), L"abcdefgh.mp3");
  EXPECT_EQ(mail.TruncateFileName(L"abcdefghi.mp3"), L"bcdefghi.mp3");
  EXPECT_EQ(mail.TruncateFileName(L"abcdefgh.extension"), L"gh.extension");  // dot too early: the last 12
  EXPECT_EQ(mail.TruncateFileName(L"abcdefghijklmnop"), L"efghijklmnop");
  EXPECT_EQ(mail.TruncateFileName(L"abcdefghijk.mp3.wav"), L"hijk.mp3.wav");
  EXPECT_EQ(mail.TruncateFileName(L"abcdefghijk.x.0123456789a"), L"0123456789a");  // no leading dot
}
