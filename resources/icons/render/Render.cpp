#include "Render.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

namespace qpmicons {

namespace {

bool LoadSvg(const QString& path, QByteArray& text, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + ": " + file.errorString();
        return false;
    }
    text = file.readAll();
    return true;
}

QImage RenderSvgText(const QByteArray& text, const QString& name, int size, QString& error) {
    QSvgRenderer renderer(text);
    if (!renderer.isValid()) {
        error = name + ": not a valid SVG picture";
        return {};
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image;
}

// Clears the base picture wherever the badge, grown by `gap` pixels, covers it,
// so the badge stands apart from the picture under it on any background.
void CutOut(QImage& base, const QImage& badge, int gap) {
    const int size = base.width();
    QImage mask(size, size, QImage::Format_Alpha8);
    mask.fill(0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int coverage = 0;
            for (int dy = -gap; dy <= gap; ++dy) {
                for (int dx = -gap; dx <= gap; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= size || sy >= size) continue;
                    coverage = std::max(coverage, qAlpha(badge.pixel(sx, sy)));
                }
            }
            mask.scanLine(y)[x] = static_cast<uchar>(coverage);
        }
    }
    QPainter painter(&base);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    painter.drawImage(0, 0, mask);
}

}  // namespace

QImage RenderImage(const ImageSpec& spec, const QString& svgDir, int size, QString& error) {
    const QString path = svgDir + "/" + spec.source + ".svg";
    QByteArray text;
    if (!LoadSvg(path, text, error)) return {};
    for (const auto& [from, to] : spec.recolour) {
        const QByteArray before = text;
        text.replace(from.toLatin1(), to.toLatin1());
        if (text == before) {
            error = path + ": colour " + from + " does not occur";
            return {};
        }
    }
    QImage image = RenderSvgText(text, path, size, error);
    if (image.isNull() || spec.badge.isEmpty()) return image;

    const QString badgePath = svgDir + "/" + spec.badge + ".svg";
    QByteArray badgeText;
    if (!LoadSvg(badgePath, badgeText, error)) return {};
    const QImage badge = RenderSvgText(badgeText, badgePath, size, error);
    if (badge.isNull()) return {};
    CutOut(image, badge, std::max(1, size / 16));
    QPainter painter(&image);
    painter.drawImage(0, 0, badge);
    return image;
}

}  // namespace qpmicons
