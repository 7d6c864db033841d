#pragma once
// Secrets on the clipboard: a password or a record's field goes on as plain
// text with the mark that asks clipboard managers to keep no history of it.
#include <QString>

namespace qtplat {

// Replaces what the clipboard holds with `text`, marked as a secret.
void SetSecretClipboardText(const QString& text);

}  // namespace qtplat
