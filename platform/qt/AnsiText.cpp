#include "platform/qt/AnsiText.h"

#include <QFile>

#include "platform/CodePage.h"

namespace qtplat {

QString AnsiToQString(std::string_view ansi) {
    const plat::CodePage& cp = plat::AnsiCodePage();
    std::u32string wide;
    wide.reserve(ansi.size());
    for (char c : ansi) wide.push_back(cp.ToUnicode(static_cast<unsigned char>(c)));
    return QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
}

namespace {

std::optional<std::string> Convert(const QString& text, QString* unmappable, bool lossy) {
    const plat::CodePage& cp = plat::AnsiCodePage();
    std::string out;
    bool ok = true;
    for (char32_t ch : text.toUcs4()) {
        if (auto b = cp.FromUnicode(ch)) {
            out.push_back(static_cast<char>(*b));
            continue;
        }
        if (lossy) {
            out.push_back('?');
            continue;
        }
        ok = false;
        if (unmappable) {
            QString one = QString::fromUcs4(&ch, 1);
            if (!unmappable->contains(one)) unmappable->append(one);
        }
    }
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> QStringToAnsi(const QString& text, QString* unmappable) {
    return Convert(text, unmappable, false);
}

std::string QStringToAnsiLossy(const QString& text) { return *Convert(text, nullptr, true); }

QString PathToQString(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string QStringToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace qtplat
