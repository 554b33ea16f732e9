#include "titles/TitleBuilder.h"

#include "playback/Decoder.h"
#include "playlist/PathNames.h"
#include "titles/TitleTemplate.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include <QLineEdit>

namespace telbo {

namespace {

// The slot's path, or "" for an index outside the collection (PlayPoint is -1 right after a
// list file opened with nothing to play).
QString SlotPath(const std::array<QString, kSlots>& paths, int index) {
    return index >= 0 && index < kSlots ? paths[static_cast<std::size_t>(index)] : QString();
}

} // namespace

void TitleBuilder::BuildTitle() {
    PlayerState& st = w.st;
    Label* title = w.ui.lblTitle[0];

    title->setCaption(QString());
    const QString path = SlotPath(st.TitleFiles, st.PlayPoint);
    if (!path.isEmpty()) {
        // The result is not looked at: a file without a tag leaves the record as the decoder
        // left it.
        w.decoder.vbmp3_getFileTagInfo(path.toStdString(), st.TitleTag);
        const TitleText t = ExpandTitle(w.ui.txtScrollTitle->text(), FileNameOf(path), st.TitleTag);
        if (t.replaced) title->setCaption(t.text);
    }
    w.setWindowTitle(QStringLiteral("♪") + title->caption());

    const QString list = SlotPath(st.ListFiles, st.ListPoint);
    w.ui.lblTitle[1]->setCaption(list.isEmpty() ? QString() : DisplayName(list));
    w.ui.lblPoint[0]->setCaption(QString::number(st.PlayPoint + 1));
}

void TitleBuilder::lblScrollTitle_Click(int index) {
    QLineEdit* edit = w.ui.txtScrollTitle;
    // Appended at the end, not at the caret; the change event rebuilds the title.
    edit->setText(AppendPlaceholder(edit->text(), index));
}

void TitleBuilder::txtScrollTitle_Change() {
    BuildTitle();
}

} // namespace telbo
