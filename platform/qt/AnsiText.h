#pragma once
// Text at the widget boundary. The core holds texts as bytes of the ANSI code
// page and paths as the file system's own bytes; Qt holds QString. Every
// conversion between them goes through here: texts through the code page's
// per-byte table (every byte shows as exactly one character and comes back as
// the same byte), paths through the file system's encoding.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace qtplat {

QString AnsiToQString(std::string_view ansi);
// Nothing when a character is outside the code page: what the user types is
// never silently changed before it is stored or hashed. The characters that
// failed are appended to `unmappable` when it is given.
std::optional<std::string> QStringToAnsi(const QString& text, QString* unmappable = nullptr);
// "?" for what the code page lacks; only for the program's own fixed texts.
std::string QStringToAnsiLossy(const QString& text);

QString PathToQString(const std::string& path);
std::string QStringToPath(const QString& path);

}  // namespace qtplat
