#pragma once
// Writes several square pictures into one Windows icon (.ico) file.

#include <QImage>
#include <QList>
#include <QString>

namespace qpmicons {

// Pictures up to 255 pixels are stored as 32-bit bitmaps with an AND mask,
// which every icon reader understands; 256-pixel pictures as PNG, as is usual
// for that size. Returns false with a message when a picture is not square,
// too large, or the file cannot be written.
bool WriteIco(const QString& path, const QList<QImage>& images, QString& error);

}  // namespace qpmicons
