// A file as a Simple MAPI mail client can be handed it. The client reads
// paths as ANSI text of at most 256 bytes, so a file whose path is not such
// text goes by the volume's short path, or else by a copy under an ANSI name
// in the temporary folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace services {

// The path and the shown name, both ANSI text for the client.
struct ClientAttachment {
  std::string path;
  std::wstring name;  // the file's name, or the copy's; ANSI characters only
};

// Why a file could not be handed over.
enum class AttachmentProblem {
  None,
  Missing,     // no file at the path
  Unreadable,  // neither its path, nor a short one, nor a copy can be named in ANSI
};

// The volume's short form of a path ("C:\PROGRA~1\..."), empty when the
// volume gives none. Tests may answer it (an empty function: the system).
using ShortPathReader = std::wstring (*)(const std::wstring& path);
ShortPathReader SetShortPathReader(ShortPathReader reader);

// The path itself when the client can read it; the short path; a copy.
// Sets problem and gives none when the file cannot be handed over.
std::optional<ClientAttachment> PrepareAttachment(const std::wstring& path, AttachmentProblem& problem);

// The folder the copies go to: "Vocorder mail" in the temporary folder.
std::wstring AttachmentCopyFolder();

// The text as ANSI when it converts there and back unchanged.
std::optional<std::string> ExactAnsi(std::wstring_view s);
// The name with every character that ANSI text cannot hold made "_".
std::wstring AnsiSafeName(std::wstring_view name);

}  // namespace services
