#pragma once
// One overview picture of every rendered image, for reviewing them by eye.

#include <QImage>
#include <QList>
#include <QString>

namespace qpmicons {

struct SheetEntry {
    QString label;
    QImage small;  // the 16-pixel picture
    QImage large;  // the same picture drawn at twice the size
};

// Each entry: its label, the small picture on a light and on a dark ground,
// the small picture enlarged four times without smoothing, and the large one.
// Below them, every picture of `extra` at its own size (the program icon).
QImage ContactSheet(const QList<SheetEntry>& entries, const QList<QImage>& extra);

}  // namespace qpmicons
