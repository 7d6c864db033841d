#include "ImageList.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace qpmicons {

bool ReadImageList(const QString& path, QList<ImageSpec>& specs, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = path + ": " + file.errorString();
        return false;
    }
    static const QRegularExpression kColour("^#[0-9a-fA-F]{6}$");
    QTextStream in(&file);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList words = line.split(QRegularExpression("\\s+"));
        const QString where = QString("%1:%2: ").arg(path).arg(lineNo);
        if (words.size() < 3) {
            error = where + "expected \"group key source\"";
            return false;
        }
        ImageSpec spec{words[0], words[1], words[2], {}, {}};
        if (spec.group != "tree" && spec.group != "toolbar" && spec.group != "app") {
            error = where + "unknown group " + spec.group;
            return false;
        }
        for (qsizetype i = 3; i < words.size(); ++i) {
            const QString& word = words[i];
            const QStringList pair = word.split('=');
            if (word.startsWith('+') && word.size() > 1 && spec.badge.isEmpty()) {
                spec.badge = word.mid(1);
            } else if (pair.size() == 2 && kColour.match(pair[0]).hasMatch() && kColour.match(pair[1]).hasMatch()) {
                spec.recolour.append({pair[0].toLower(), pair[1].toLower()});
            } else {
                error = where + "cannot read " + word;
                return false;
            }
        }
        specs.append(spec);
    }
    return true;
}

}  // namespace qpmicons
