#include "platform/DesktopPlatform.h"

#include "platform/FileAccess.h"
#include "platform/WaylandClient.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>

#include <memory>

#ifdef TELBO_HAVE_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#endif

#ifndef TELBO_INSTALL_BINDIR
#define TELBO_INSTALL_BINDIR "" // not built for installing: no binary counts as installed
#endif

namespace telbo {

namespace {
constexpr int kTwipsPerPixel = 15;

QRect ToTwips(const QRect& px) {
    return {px.x() * kTwipsPerPixel, px.y() * kTwipsPerPixel, px.width() * kTwipsPerPixel,
            px.height() * kTwipsPerPixel};
}

// "Audio files and lists|*.mp3;*.m3u" -> "Audio files and lists (*.mp3 *.m3u)"
QString QtFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0) return filter;
    QString patterns = filter.mid(bar + 1);
    patterns.replace(u';', u' ');
    return filter.left(bar) + QStringLiteral(" (") + patterns + u')';
}
#ifdef TELBO_HAVE_XCB
// Sets the ICCCM urgency hint (WM_HINTS flag bit 8), keeping the hints Qt wrote.
void SetUrgencyHint(xcb_connection_t* connection, xcb_window_t window) {
    constexpr std::uint32_t kUrgencyHint = 1u << 8;
    constexpr std::uint32_t kHintWords = 9;
    std::array<std::uint32_t, kHintWords> hints{};
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, window, XCB_ATOM_WM_HINTS,
                                                XCB_ATOM_WM_HINTS, 0, kHintWords),
                               nullptr),
        &std::free);
    if (reply && reply->format == 32) {
        const auto words = std::min<std::size_t>(
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4, kHintWords);
        std::memcpy(hints.data(), xcb_get_property_value(reply.get()), words * 4);
    }
    hints[0] |= kUrgencyHint;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, kHintWords, hints.data());
    xcb_flush(connection);
}
#endif
} // namespace

SettingsHome ChooseSettingsHome(const QString& binaryDir, const QString& installedBinDir,
                                bool binaryDirWritable) {
    if (binaryDir.isEmpty() || !binaryDirWritable) return SettingsHome::PerUserFolder;
    if (!installedBinDir.isEmpty() && binaryDir == installedBinDir)
        return SettingsHome::PerUserFolder;
    return SettingsHome::BinaryFolder;
}

QString DesktopPlatform::programFolder() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QFileInfo info(exeDir);
    // Canonical on both sides: /bin and /usr/bin, or a symlinked prefix, are the same place.
    const QString installed = QFileInfo(QStringLiteral(TELBO_INSTALL_BINDIR)).canonicalFilePath();
    if (ChooseSettingsHome(info.canonicalFilePath(), installed,
                           info.isDir() && info.isWritable()) == SettingsHome::BinaryFolder)
        return exeDir;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QStringList DesktopPlatform::settingsFolders() {
    QStringList folders{programFolder()};
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QFileInfo(QStringLiteral(TELBO_INSTALL_BINDIR)).canonicalFilePath();
    // The binary's folder, unless it is the installed one, which never holds settings.
    if (installed.isEmpty() || QFileInfo(exeDir).canonicalFilePath() != installed)
        folders << exeDir;
    folders << QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    folders.removeDuplicates();
    return folders;
}

QString DesktopPlatform::startFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
    return QDir::homePath();
}

QStringList DesktopPlatform::commandLineArguments() {
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty()) args.removeFirst();
    const QDir cwd = QDir::current();
    for (QString& a : args)
        if (!a.isEmpty() && QDir::isRelativePath(a)) a = QDir::cleanPath(cwd.absoluteFilePath(a));
    return args;
}

bool DesktopPlatform::fileExists(const QString& path) { return fileaccess::IsRegularFile(path); }
bool DesktopPlatform::isReadOnly(const QString& path) { return fileaccess::IsReadOnly(path); }
bool DesktopPlatform::clearAttributes(const QString& path) {
    return fileaccess::MakeWritable(path);
}

QStringList DesktopPlatform::runFileDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    QString dir = request.startDir;
    const QFileInfo start(dir);
    if (start.exists() && !start.isDir()) dir = start.absolutePath();
    dialog.setDirectory(dir);
    dialog.setNameFilter(QtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.save) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    } else {
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    }
    if (!request.presetName.isEmpty()) dialog.selectFile(request.presetName);
    // Qt's own dialog, which can take one more button: the desktop's native one cannot.
    QString folderChosen;
    if (request.folderToo && !request.save) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
        if (grid) {
            auto* whole = new QPushButton(QFileDialog::tr("Whole folder"), &dialog);
            whole->setToolTip(QFileDialog::tr("Add every audio file of the folder shown, by name"));
            grid->addWidget(whole, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
            QObject::connect(whole, &QPushButton::clicked, &dialog, [&dialog, &folderChosen] {
                // A folder picked in the view counts; otherwise the folder shown.
                const QStringList picked = dialog.selectedFiles();
                folderChosen = picked.size() == 1 && QFileInfo(picked.front()).isDir()
                                   ? picked.front()
                                   : dialog.directory().absolutePath();
                dialog.QDialog::accept();
            });
        }
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    if (!folderChosen.isEmpty()) return {folderChosen};
    return dialog.selectedFiles();
}

QRect DesktopPlatform::workAreaTwips(QWidget* window) {
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    return ToTwips(screen->availableGeometry());
}

QList<QRect> DesktopPlatform::screenAreasTwips() {
    QList<QRect> areas;
    for (QScreen* s : QGuiApplication::screens()) areas.append(ToTwips(s->availableGeometry()));
    return areas;
}

void DesktopPlatform::setAlwaysOnTop(QWidget* window, bool onTop) {
    if (!window) return;
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    // QWidget::setWindowFlags would hide the window and build its native window anew: a
    // flicker, a lost press and a position the desktop may change. The native window takes
    // the hint in place instead (on X11 the window manager is asked for _NET_WM_STATE_ABOVE),
    // and the widget is told without being rebuilt, so both keep the same flags.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

bool DesktopPlatform::compositorPlacesWindows() { return OnWayland(); }

void DesktopPlatform::demandAttention(QWidget* window) {
    if (!window || !window->isVisible()) return;
    // _NET_WM_STATE_DEMANDS_ATTENTION, unless the window is the active one already.
    QApplication::alert(window);
#ifdef TELBO_HAVE_XCB
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        SetUrgencyHint(x11->connection(), static_cast<xcb_window_t>(window->winId()));
#endif
}

void DesktopPlatform::minimize(QWidget* window) {
    if (window) window->showMinimized();
}

bool DesktopPlatform::powerOff() {
    return QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
}

void DesktopPlatform::endProgram() { QCoreApplication::quit(); }

} // namespace telbo
