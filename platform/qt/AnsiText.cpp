#include "platform/qt/AnsiText.h"

#include <QFile>

#include "platform/CodePage.h"

namespace qtplat {

QString AnsiToQString(std::string_view ansi) {
    const plat::CodePage& cp = plat::AnsiCodePage();
    // Every character of the code pages lies in the first plane, one UTF-16
    // unit each: written straight into the string (the tree converts every
    // title at a login).
    QString out(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
    QChar* units = out.data();
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const char32_t ch = cp.ToUnicode(static_cast<unsigned char>(ansi[i]));
        if (ch > 0xFFFF) {
            std::u32string wide;
            wide.reserve(ansi.size());
            for (char c : ansi) wide.push_back(cp.ToUnicode(static_cast<unsigned char>(c)));
            return QString::fromUcs4(wide.data(), static_cast<qsizetype>(wide.size()));
        }
        units[i] = QChar(static_cast<char16_t>(ch));
    }
    return out;
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
