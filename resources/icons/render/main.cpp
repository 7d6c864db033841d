// Renders the program's pictures from their SVG sources at build time.
//
//   qpm_render_icons <list file> <svg folder> <output folder>
//
// Writes into the output folder: tree/<key>.png and toolbar/<key>.png at 16
// pixels with <key>@2x.png at 32 pixels beside each, app/<key>.ico holding
// every icon size, qpm_images.qrc listing them all, and contact-sheet.png.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

#include "ContactSheet.h"
#include "IcoWriter.h"
#include "ImageList.h"
#include "Render.h"

namespace {

constexpr int kSmall = 16;
const QList<int> kIconSizes = {16, 24, 32, 48, 64, 256};

int Fail(const QString& message) {
    std::fprintf(stderr, "qpm_render_icons: %s\n", qPrintable(message));
    return 1;
}

bool SavePng(const QImage& image, const QString& path, QString& error) {
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        error = path + ": cannot write";
        return false;
    }
    return true;
}

bool WriteQrc(const QString& path, const QStringList& files, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        error = path + ": " + file.errorString();
        return false;
    }
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString& name : files) out << "    <file>" << name << "</file>\n";
    out << "</qresource>\n</RCC>\n";
    out.flush();
    if (!file.commit()) {
        error = path + ": " + file.errorString();
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Labels on the contact sheet need fonts, hence an application object;
    // no display is involved.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) return Fail("usage: qpm_render_icons <list file> <svg folder> <output folder>");
    const QString svgDir = args[2];
    const QString outDir = args[3];

    QList<qpmicons::ImageSpec> specs;
    QString error;
    if (!qpmicons::ReadImageList(args[1], specs, error)) return Fail(error);

    QStringList resourceFiles;
    QList<qpmicons::SheetEntry> sheet;
    QList<QImage> iconImages;
    for (const qpmicons::ImageSpec& spec : specs) {
        if (spec.group == "app") {
            QList<QImage> sizes;
            for (int size : kIconSizes) {
                sizes.append(qpmicons::RenderImage(spec, svgDir, size, error));
                if (sizes.last().isNull()) return Fail(error);
            }
            const QString name = "app/" + spec.key + ".ico";
            if (!QDir().mkpath(outDir + "/app") || !qpmicons::WriteIco(outDir + "/" + name, sizes, error))
                return Fail(error.isEmpty() ? outDir + "/app: cannot create" : error);
            resourceFiles.append(name);
            iconImages.append(sizes);
            continue;
        }
        const QImage small = qpmicons::RenderImage(spec, svgDir, kSmall, error);
        const QImage large = small.isNull() ? QImage() : qpmicons::RenderImage(spec, svgDir, 2 * kSmall, error);
        if (large.isNull()) return Fail(error);
        const QString base = spec.group + "/" + spec.key;
        if (!SavePng(small, outDir + "/" + base + ".png", error) ||
            !SavePng(large, outDir + "/" + base + "@2x.png", error))
            return Fail(error);
        resourceFiles << base + ".png" << base + "@2x.png";
        sheet.append({spec.key, small, large});
    }

    if (!WriteQrc(outDir + "/qpm_images.qrc", resourceFiles, error)) return Fail(error);
    if (!SavePng(qpmicons::ContactSheet(sheet, iconImages), outDir + "/contact-sheet.png", error)) return Fail(error);
    return 0;
}
