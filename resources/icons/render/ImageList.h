#pragma once
// The list of pictures to render: which SVG source gives which resource key.

#include <QList>
#include <QPair>
#include <QString>

namespace qpmicons {

struct ImageSpec {
    QString group;                            // "tree", "toolbar" (16 px PNGs) or "app" (the multi-size ICO)
    QString key;                              // resource name without extension, e.g. "1key"
    QString source;                           // SVG file name without extension
    QString badge;                            // optional SVG drawn over the lower right corner
    QList<QPair<QString, QString>> recolour;  // colour texts replaced in the source
};

// Reads the list file: one picture a line, "group key source [+badge] [#old=#new ...]";
// blank lines and lines starting with '#' are skipped. Returns false with a message
// on a malformed line.
bool ReadImageList(const QString& path, QList<ImageSpec>& specs, QString& error);

}  // namespace qpmicons
