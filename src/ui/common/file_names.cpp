// Main window: file name rules shared by the file commands and the export.
#include "ui/common/file_names.h"

#include <QFile>
#include <QStringList>

#include "ui/common/texts.h"

namespace tunelet::ui {

namespace {

QChar asciiUpper(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 'a' + 'A') : c;
}

} // namespace

QString withExtension(const QString &path, const QString &extension) {
    const qsizetype n = extension.size();
    bool same = path.size() >= n;
    for (qsizetype i = 0; same && i < n; ++i) {
        same = asciiUpper(path[path.size() - n + i]) == asciiUpper(extension[i]);
    }
    return same ? path : path + extension;
}

QString offeredName(const QString &lastFileName, const QString &extension) {
    const QString &other =
        extension == texts::kScriptExtension ? texts::kMidiExtension : texts::kScriptExtension;
    if (withExtension(lastFileName, other) != lastFileName) {
        return lastFileName;
    }
    return lastFileName.chopped(other.size()) + extension;
}

QString qtNameFilters(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file, but Qt's pattern only matches names with a dot.
        const QString pattern =
            parts[i + 1] == QStringLiteral("*.*") ? QStringLiteral("*") : parts[i + 1];
        filters << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::string nativeName(const QString &path) {
    return QFile::encodeName(path).toStdString();
}

QString displayName(const std::string &nativePath) {
    return QFile::decodeName(QByteArray::fromStdString(nativePath));
}

} // namespace tunelet::ui
