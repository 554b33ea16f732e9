#include "ui/ToolTips.h"

#include <QHash>

namespace telbo {

namespace {

// Keyed by control and caption: the value labels and toggles say what their current value does.
const QHash<QString, QString>& Tips() {
    static const QHash<QString, QString> tips{
        {"lblPlayerControl(2)|Lock", "keep the window on top and where it is"},
        {"lblPlayerControl(2)|unLock", "let the window be moved and covered again"},
        {"lblPlayerControl(1)|Min", "minimise the window"},
        {"lblPlayerControl(0)|PowerOff", "close the player"},
        {"lblSmallSet(0)", "Open: choose tracks or list files and play them"},
        {"lblSmallSet(1)", "Play: play the current track"},
        {"lblSmallSet(2)", "Stop: stop playing"},
        {"lblSmallSet(3)", "Rev: play the previous track"},
        {"lblSmallSet(4)", "Next: play the next track"},
        {"lblSmallSet(5)", "Pause: pause or resume"},
        {"lblSmallSet(6)", "Dock: lay the strip along the bottom of the screen, on top"},
        {"lblSmallSet(7)", "Lock: keep the strip on top and where it is, or release it"},
        {"lblSmallSet(8)", "PowerOff: close the player"},
        {"lblDown(0)|↓", "show the list"},
        {"lblDown(0)|↑", "fold the list away"},
        {"lblDown(1)|Config", "show or hide the settings"},
        {"lblFileSet(0)|Open", "choose tracks or list files and play them"},
        {"lblFileSet(1)|Save", "save these tracks as a list file"},
        {"lblPlaySet(0)|Play", "play the current track"},
        {"lblPlaySet(1)|Stop", "stop playing"},
        {"lblPlaySet(2)|Rev", "play the previous track"},
        {"lblPlaySet(3)|Next", "play the next track of the play mode"},
        {"lblPlaySet(4)|Pause", "pause or resume"},
        {"lblListSelect(0)|List", "show the list files"},
        {"lblListSelect(1)|Title", "show the tracks of the current list"},
        {"lblShowTag|ShowTag", "show the tag of the selected track, then the tag editor, then neither"},
        {"lblShowTag|TagSet", "hide the tag editor"},
        {"lblListSet(0)|Add", "add tracks or list files to the list shown"},
        {"lblListSet(1)|Del", "remove the selected entry from the list (not the file)"},
        {"lblListSet(2)|AllClear", "empty the list shown"},
        {"lblListSet(3)|Up", "move the selected entry up"},
        {"lblListSet(4)|Down", "move the selected entry down"},
        {"lblClose", "Close this panel"},
        {"lblConf(0)|Volume", "show or hide the volume slider"},
        {"lblConf(1)|Speed", "show or hide the speed slider (the pitch follows)"},
        {"lblConf(2)|Scroll", "show or hide the title template and the scroll speed"},
        {"lblConf(3)|Intro", "show or hide the slider for playing only the first seconds"},
        {"lblConf(4)|Timer", "show or hide the sleep timer: after how many tracks, and what then"},
        {"lblConf(9)|Equalizer", "show or hide the equalizer"},
        {"lblConfValue(2)|Off", "the title stands still; click to scroll it"},
        {"lblConfValue(2)|On", "the title scrolls; click to stop it"},
        {"lblConfValue(5)|Off", "settings are not saved at close; click to save them"},
        {"lblConfValue(5)|On", "settings are saved when the player closes; click to stop that"},
        {"lblConfValue(6)|Off", "nothing plays at start; click to play at start"},
        {"lblConfValue(6)|On", "play at start; click to switch off"},
        {"lblConfValue(7)|Normal", "play the list in order"},
        {"lblConfValue(7)|Repert", "repeat this track"},
        {"lblConfValue(7)|Shuffle", "play every track of the list once, in random order"},
        {"lblConfValue(7)|Random", "play random tracks of the list"},
        {"lblConfValue(7)|RandomAllList", "play random tracks of random list files"},
        {"lblConfValue(8)|Stop", "stop at the end of the list"},
        {"lblConfValue(8)|Repert", "play the list again at the end"},
        {"lblConfValue(8)|NextList", "continue with the next list at the end"},
        {"lblConfValue(8)|RandomList", "continue with a random list at the end"},
        {"lblDefault(0)|Default", "stop, and reset volume, speed, scrolling, intro, timer and decoding"},
        {"lblDefault(1)|Window", "line the panels up over the list"},
        {"lblScrollTitle(0)", "Filename=%0: add the file name to the title template"},
        {"lblScrollTitle(1)", "Title=%1: add the title tag to the title template"},
        {"lblScrollTitle(2)", "Artist=%2: add the artist to the title template"},
        {"lblScrollTitle(3)", "Album=%3: add the album to the title template"},
        {"lblScrollTitle(4)", "Year=%4: add the year to the title template"},
        {"lblScrollTitle(5)", "Genre=%5: add the genre to the title template"},
        {"lblScrollTitle(6)", "Comment=%6: add the comment to the title template"},
        {"lblScrollTitle(7)", "Clear: empty the title template"},
        {"lblTagSet(0)|Set", "write this tag to the selected track"},
        {"lblTagSet(1)|SetAll", "write this tag to every track of the list"},
        {"lblTagSet(2)|SetAllWithNum", "write this tag to every track, numbering the titles 01, 02, ..."},
        {"lblTagSet(3)|SetAllWithTitle", "write this tag to every track, each titled by its file name"},
        {"lblTagSet(4)|Copy", "remember the tag last loaded or written"},
        {"lblTagSet(5)|Paste", "fill in the remembered tag (nothing is written yet)"},
        {"lblTagSet(6)|AllClear", "empty every field"},
        {"lblTagSet(7)|ReadOnly", "the file is read-only; click to make it writable"},
        {"lblTagSet|Clear", "empty this field"},
        {"optSmpRate(0)", "1/1: decode at the full sample rate"},
        {"optSmpRate(1)", "1/2: decode at half the sample rate (less work, less treble)"},
        {"optSmpRate(2)", "1/4: decode at a quarter of the sample rate"},
        {"optStereo(0)", "Stereo: play both channels"},
        {"optStereo(1)", "Mono: mix both channels into one"},
        {"sclNowTime", "the position in the track: click or drag to go there"},
    };
    return tips;
}

} // namespace

QString ToolTipFor(const QString& fullName, const QString& caption) {
    const QHash<QString, QString>& tips = Tips();
    const QString array = fullName.left(fullName.indexOf(u'('));
    // Per caption first ("Caption: what it does"), then per control, then per array.
    for (const QString& key : {fullName + u'|' + caption, array + u'|' + caption})
        if (auto it = tips.constFind(key); it != tips.constEnd()) return caption + QStringLiteral(": ") + *it;
    // Symbols, the close crosses and the template words name their command in the entry.
    for (const QString& key : {fullName, array})
        if (auto it = tips.constFind(key); it != tips.constEnd()) return *it;
    return {};
}

} // namespace telbo
