#pragma once
// Everything the player asks of the operating system. DesktopPlatform does it for real;
// tests use a fake that records what was asked.

#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace telbo {

struct FileDialogRequest {
    bool save = false;             // save dialog (else open)
    QString filter;                // "Caption(*.a)|*.a;*.b" as the player describes it
    QString presetName;            // file name shown at first
    QString startDir;              // the folder to start in (may name a file)
    bool multiSelect = false;      // open: several files at once
    bool confirmOverwrite = false; // save: ask before replacing a file
    bool folderToo = false;        // open: a whole folder may be chosen instead of files
};

class Platform {
public:
    virtual ~Platform() = default;

    // Folder that holds config.ini: the executable's folder when writable and not the
    // installed binaries' folder, else the per-user configuration folder. No trailing
    // separator. It may not exist yet: it is made only when the settings are saved.
    virtual QString programFolder() = 0;
    // Every folder the settings may have been saved in, programFolder() first: where the
    // binary's folder could not be written the save went to the per-user folder, and a later
    // start must read that newer copy, not a stale one beside the binary.
    virtual QStringList settingsFolders() { return {programFolder()}; }
    // Where the first file dialog of a fresh player opens: the user's music folder when it
    // exists, else the home folder.
    virtual QString startFolder() = 0;
    // Command-line arguments after the program name, each one path, made absolute.
    virtual QStringList commandLineArguments() = 0;

    // An existing regular file (a folder does not count).
    virtual bool fileExists(const QString& path) = 0;
    // The user cannot write the file.
    virtual bool isReadOnly(const QString& path) = 0;
    // Makes the file writable for the user, other permission bits untouched. False on failure.
    virtual bool clearAttributes(const QString& path) = 0;

    // Shows the file dialog; the chosen absolute paths, empty when cancelled or failed. A
    // folder chosen whole (folderToo) comes back as its one path.
    virtual QStringList runFileDialog(QWidget* parent, const FileDialogRequest& request) = 0;

    // Desktop work area (screen less panels) of the screen showing `window`, in twips.
    virtual QRect workAreaTwips(QWidget* window) = 0;
    // Every screen's work area in twips (for checking a restored position is visible).
    virtual QList<QRect> screenAreasTwips() = 0;
    virtual void setAlwaysOnTop(QWidget* window, bool onTop) = 0;
    // The desktop places the windows and keeps none on top at the program's asking (a
    // Wayland compositor): moves go through it, and placing or raising the window does nothing.
    virtual bool compositorPlacesWindows() { return false; }
    // Asks the desktop to draw the user's eye to the shown `window` (urgency hint).
    virtual void demandAttention(QWidget* window) = 0;
    virtual void minimize(QWidget* window) = 0;

    // Starts powering the machine off without waiting. False when it could not be started.
    virtual bool powerOff() = 0;
    // Ends the program once the main window has shut down.
    virtual void endProgram() = 0;
};

} // namespace telbo
