// Every text the recording window shows, in its language, in one place.
#pragma once

#include <string>

namespace recorder::texts {

inline constexpr wchar_t kCaption[] = L"Záznam zvuku";
inline constexpr wchar_t kLabel3[] = L"Sekúnd:";
inline constexpr wchar_t kLabel1[] = L"Dĺžka v minutách:";
inline constexpr wchar_t kStart[] = L"Štart";
inline constexpr wchar_t kStop[] = L"Stop";
inline constexpr wchar_t kSave[] = L"Uložiť";
inline constexpr wchar_t kClose[] = L"Ukončiť";

inline constexpr wchar_t kNameCaption[] = L"Zvukový záznam";
inline constexpr wchar_t kNamePrompt[] = L"Uveďte názov";

inline constexpr wchar_t kNoEncoder[] =
    L"Nahrávať sa nedá: nie je k dispozícii kodek MPEG Layer-3.\n"
    L"Súbor libmp3lame-0.dll patrí do priečinka programu.";
inline constexpr wchar_t kNoInput[] = L"Nahrávať sa nedá: zvukový vstup sa nepodarilo otvoriť.";
inline std::wstring CannotCreate(const std::wstring& file, const std::wstring& reason) {
  return L"Nahrávať sa nedá: dočasný súbor " + file + L" sa nedá vytvoriť.\n" + reason;
}
inline constexpr wchar_t kWriteFailed[] =
    L"Nahrávanie sa zastavilo: disk je plný alebo sa súbor nedá zapísať.\n"
    L"Čo sa nahralo, môžete uložiť.";
inline std::wstring RecordingFailed(const std::wstring& what) {
  return L"Nahrávanie sa zastavilo pre chybu: " + what + L"\nČo sa nahralo, môžete uložiť.";
}
inline constexpr wchar_t kAskSaveOnQuit[] = L"Diktát nie je uložený. Uložiť ho?";
inline constexpr wchar_t kAskBeforeStart[] =
    L"Predchádzajúci diktát nie je uložený. Zahodiť ho?\n"
    L"Áno: zahodí sa a začne sa nové nahrávanie.\nNie: najprv ho uložíte.\nZrušiť: nič sa nezmení.";
inline constexpr wchar_t kAskSaveLeftover[] =
    L"Našiel sa neuložený diktát z minulého spustenia.\nUložiť ho? (Nie: zahodí sa.)";
inline std::wstring LeftoverSetAside(const std::wstring& file) {
  return L"Neuložený diktát z minulého spustenia sa nedá prečítať.\nOstal uschovaný ako " + file;
}

inline std::wstring UnusableName(const std::wstring& name) {
  return L"Názov \"" + name +
         L"\" sa nedá použiť: nesmie obsahovať znaky \\ / : * ? \" < > | a nesmie to byť názov zariadenia "
         L"(CON, PRN, AUX, NUL, COM1 až COM9, LPT1 až LPT9).\nZadajte iný názov.";
}
inline std::wstring AskReplace(const std::wstring& file) {
  return L"Nahrávka " + file + L" už existuje.\nNahradiť ju týmto diktátom? (Nie: zadáte iný názov.)";
}
inline std::wstring CopyFailed(const std::wstring& file) {
  return L"Diktát sa nepodarilo uložiť ako " + file +
         L".\nZostáva neuložený: uložte ho pod iným názvom alebo do iného priečinka.";
}

}  // namespace recorder::texts
