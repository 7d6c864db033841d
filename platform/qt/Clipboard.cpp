#include "platform/qt/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace qtplat {

namespace {

// Clipboard managers keep no history of an entry that carries this mark.
constexpr const char* kPasswordManagerHint = "x-kde-passwordManagerHint";

}  // namespace

void SetSecretClipboardText(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(kPasswordManagerHint), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace qtplat
