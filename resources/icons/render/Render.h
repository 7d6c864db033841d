#pragma once
// Turns an SVG source into a square picture of a given size.

#include <QImage>
#include <QString>

#include "ImageList.h"

namespace qpmicons {

// Renders one list entry at size x size pixels from the SVG files in svgDir:
// the source with its colours replaced, and the badge (if any) drawn over it
// with a transparent gap around it. Returns a null image with a message on failure.
QImage RenderImage(const ImageSpec& spec, const QString& svgDir, int size, QString& error);

}  // namespace qpmicons
