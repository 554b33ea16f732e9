#include "playlist/Selection.h"

#include "core/PathNames.h"

#include <QDir>

namespace telbo {

namespace {

constexpr QChar kNul = QChar(u'\0');

} // namespace

QStringList SplitSelection(const QString& name) {
    const qsizetype firstNul = name.indexOf(kNul);
    if (firstNul < 0) return {name};

    QString folder = name.left(firstNul);
    // On Linux "\" is a file-name character ("/music/AC\DC"); only a Windows folder
    // ("C:\Music") is joined with it.
    if (IsWindowsPath(folder)) {
        folder += u'\\';
    } else if (!folder.endsWith(u'/')) {
        folder += u'/';
    }

    QStringList paths;
    QStringView rest = QStringView(name).mid(firstNul + 1);
    for (int i = 0; i < kMaxSelection; ++i) {
        const qsizetype nul = rest.indexOf(kNul);
        if (nul < 0) {
            paths.append(folder + rest.toString());
            return paths;
        }
        paths.append(folder + rest.left(nul).toString());
        rest = rest.mid(nul + 1);
    }
    return {};
}

QStringList LimitArguments(const QStringList& args, const QString& workingDir) {
    if (args.size() > kMaxSelection) return {};
    QStringList paths;
    paths.reserve(args.size());
    for (const QString& arg : args) {
        if (arg.isEmpty() || QDir::isAbsolutePath(arg) || workingDir.isEmpty()) {
            paths.append(arg);
        } else if (workingDir.endsWith(u'/')) {
            paths.append(workingDir + arg);
        } else {
            paths.append(workingDir + u'/' + arg);
        }
    }
    return paths;
}

QStringList DroppedLocalPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    return paths;
}

} // namespace telbo
