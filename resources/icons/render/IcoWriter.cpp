#include "IcoWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QSaveFile>

namespace qpmicons {

namespace {

void PutU16(QByteArray& out, quint16 v) {
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>(v >> 8));
}

void PutU32(QByteArray& out, quint32 v) {
    PutU16(out, static_cast<quint16>(v & 0xffff));
    PutU16(out, static_cast<quint16>(v >> 16));
}

// A 32-bit bottom-up bitmap of twice the height (colour rows, then the AND mask).
QByteArray BitmapEntry(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    PutU32(out, 40);        // header size
    PutU32(out, size);      // width
    PutU32(out, size * 2);  // height of colour and mask together
    PutU16(out, 1);         // planes
    PutU16(out, 32);        // bits per pixel
    PutU32(out, 0);         // no compression
    PutU32(out, size * size * 4 + maskStride * size);
    for (int i = 0; i < 4; ++i) PutU32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) PutU32(out, line[x]);  // little endian BGRA
    }
    for (int y = size - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray PngEntry(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return out;
}

}  // namespace

bool WriteIco(const QString& path, const QList<QImage>& images, QString& error) {
    QList<QByteArray> entries;
    for (const QImage& image : images) {
        if (image.width() != image.height() || image.width() < 1 || image.width() > 256) {
            error = path + ": icon pictures must be square and at most 256 pixels";
            return false;
        }
        entries.append(image.width() == 256 ? PngEntry(image) : BitmapEntry(image));
    }
    QByteArray out;
    PutU16(out, 0);  // reserved
    PutU16(out, 1);  // type: icon
    PutU16(out, static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        out.append(static_cast<char>(size == 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size == 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');  // reserved
        PutU16(out, 1);    // planes
        PutU16(out, 32);   // bits per pixel
        PutU32(out, static_cast<quint32>(entries[i].size()));
        PutU32(out, offset);
        offset += static_cast<quint32>(entries[i].size());
    }
    for (const QByteArray& entry : entries) out.append(entry);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        error = path + ": " + file.errorString();
        return false;
    }
    return true;
}

}  // namespace qpmicons
