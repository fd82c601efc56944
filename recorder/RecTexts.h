// Every text the recording window shows, in its language, in one place.
#pragma once

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
inline constexpr wchar_t kWriteFailed[] =
    L"Nahrávanie sa zastavilo: disk je plný alebo sa súbor nedá zapísať.\n"
    L"Čo sa nahralo, môžete uložiť.";
inline constexpr wchar_t kAskSaveOnQuit[] = L"Diktát nie je uložený. Uložiť ho?";
inline constexpr wchar_t kAskSaveLeftover[] =
    L"Našiel sa neuložený diktát z minulého spustenia.\nUložiť ho? (Nie: zahodí sa.)";

}  // namespace recorder::texts
