#include "ContactSheet.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

namespace qpmicons {

namespace {

constexpr int kColumns = 6;
constexpr int kCellWidth = 150;
constexpr int kCellHeight = 96;
const QColor kDark(0x2b, 0x2b, 0x2b);

void DrawCell(QPainter& painter, const SheetEntry& entry, int left, int top) {
    painter.setPen(Qt::black);
    painter.drawText(QRect(left + 4, top + 2, kCellWidth - 8, 14), Qt::AlignLeft | Qt::AlignVCenter, entry.label);
    painter.drawImage(left + 6, top + 24, entry.small);
    painter.fillRect(left + 4, top + 50, 20, 20, kDark);
    painter.drawImage(left + 6, top + 52, entry.small);
    const QRect enlarged(left + 30, top + 20, 64, 64);
    painter.fillRect(enlarged, QColor(0xf4, 0xf4, 0xf4));
    painter.drawImage(enlarged, entry.small.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    painter.drawImage(left + 104, top + 36, entry.large);
}

}  // namespace

QImage ContactSheet(const QList<SheetEntry>& entries, const QList<QImage>& extra) {
    const int rows = static_cast<int>((entries.size() + kColumns - 1) / kColumns);
    int extraHeight = 0;
    for (const QImage& image : extra) extraHeight = std::max(extraHeight, image.height());
    QImage sheet(kColumns * kCellWidth, rows * kCellHeight + extraHeight + 16, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int left = static_cast<int>(i % kColumns) * kCellWidth;
        const int top = static_cast<int>(i / kColumns) * kCellHeight;
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
        painter.drawRect(left, top, kCellWidth - 1, kCellHeight - 1);
        DrawCell(painter, entries[i], left, top);
    }
    int left = 8;
    for (const QImage& image : extra) {
        painter.drawImage(left, rows * kCellHeight + 8, image);
        left += image.width() + 12;
    }
    return sheet;
}

}  // namespace qpmicons
