#include "titles/TitleBuilder.h"

#include "decoder/Decoder.h"
#include "playlist/PathNames.h"
#include "titles/TitleTemplate.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include <QLineEdit>
#include <QTimer>

namespace telbo {

namespace {

constexpr int kNoticeMs = 4000;

// The slot's path, or "" for an index outside the collection (PlayPoint is -1 right after a
// list file opened with nothing to play).
QString SlotPath(const std::array<QString, kSlots>& paths, int index) {
    return index >= 0 && index < kSlots ? paths[static_cast<std::size_t>(index)] : QString();
}

} // namespace

void TitleBuilder::BuildTitle() {
    PlayerState& st = w.st;
    Label* title = w.ui.lblTitle[0];

    notice_.clear();
    title->setCaption(QString());
    const QString path = SlotPath(st.TitleFiles, st.PlayPoint);
    if (!path.isEmpty()) {
        // A file without a tag leaves the record as the decoder left it.
        ReadTag(path, st.TitleTag);
        const TitleText t = ExpandTitle(w.ui.txtScrollTitle->text(), FileNameOf(path), st.TitleTag);
        if (t.replaced) title->setCaption(t.text);
    }
    w.setWindowTitle(QStringLiteral("♪") + title->caption());

    const QString list = SlotPath(st.ListFiles, st.ListPoint);
    w.ui.lblTitle[1]->setCaption(list.isEmpty() ? QString() : DisplayName(list));
    w.ui.lblPoint[0]->setCaption(QString::number(st.PlayPoint + 1));
}

void TitleBuilder::ShowNotice(const QString& text) {
    Label* title = w.ui.lblTitle[0];
    // A notice over a notice still gives the title back in the end.
    if (notice_.isEmpty()) hiddenTitle_ = title->caption();
    notice_ = text;
    title->setCaption(text);
    const int mine = ++noticeCount_;
    QTimer::singleShot(kNoticeMs, &w, [this, mine] {
        if (mine != noticeCount_ || notice_.isEmpty()) return;
        if (w.ui.lblTitle[0]->caption() == notice_) w.ui.lblTitle[0]->setCaption(hiddenTitle_);
        notice_.clear();
    });
}

bool TitleBuilder::ReadTag(const QString& path, TagRecord& tag) {
    if (memoOn_)
        for (const Memo& m : memo_)
            if (m.path == path) {
                tag = m.tag;
                return m.ok;
            }
    const bool ok = w.decoder.vbmp3_getFileTagInfo(path.toStdString(), tag);
    if (memoOn_) memo_.push_back({path, tag, ok});
    return ok;
}

void TitleBuilder::KeepTagMemo(bool on) {
    memoOn_ = on;
    memo_.clear();
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
