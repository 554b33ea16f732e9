#include "titles/TitleBuilder.h"

#include "decoder/TagStore.h"
#include "decoder/Records.h"
#include "core/PathNames.h"
#include "titles/TitleTemplate.h"
#include "ui/Label.h"
#include "ui/Telbo.h"

#include "ui/Twips.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>

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

    EndNoticeScroll();
    notice_.clear();
    title->setCaption(QString());
    const QString path = SlotPath(st.TitleFiles, st.PlayPoint);
    if (!path.isEmpty()) {
        // A file without a tag leaves the record as the decoder left it.
        ReadTag(path, st.TitleTag);
        titleTagPath_ = path;
        const TitleText t = ExpandTitle(w.ui.txtScrollTitle->text(), FileNameOf(path), st.TitleTag);
        if (t.replaced)
            title->setCaption(OnlyEmptyTagFields(w.ui.txtScrollTitle->text(), st.TitleTag)
                                  ? DisplayName(path)
                                  : t.text);
    }
    w.setWindowTitle(QStringLiteral("♪") + title->caption());

    const QString list = SlotPath(st.ListFiles, st.ListPoint);
    w.ui.lblTitle[1]->setCaption(list.isEmpty() ? QString() : DisplayName(list));
    w.collections.ShowPlayPoint(); // "0" with no track, not the row PlayPoint would name
}

void TitleBuilder::ShowNotice(const QString& text, int ms) {
    Label* title = w.ui.lblTitle[0];
    // A notice over a notice still gives the title back in the end.
    if (notice_.isEmpty()) hiddenTitle_ = title->caption();
    notice_ = text;
    EndNoticeScroll();
    title->setCaption(text);
    const int mine = ++noticeCount_;
    QTimer::singleShot(ScrollNotice() + ms, &w, [this, mine] {
        if (mine != noticeCount_ || notice_.isEmpty()) return;
        EndNoticeScroll();
        if (w.ui.lblTitle[0]->caption() == notice_) w.ui.lblTitle[0]->setCaption(hiddenTitle_);
        notice_.clear();
    });
}

namespace {
// Read first, then moved at about 100 pixels a second.
constexpr int kNoticeScrollPauseTicks = 25;
constexpr int kNoticeScrollTickMs = 40;
constexpr double kNoticeScrollStepTwips = 60;
} // namespace

int TitleBuilder::ScrollNotice() {
    const Label* title = w.ui.lblTitle[0];
    const double end = title->clipRight();
    // The ticker moves the line anyway: each part passes by.
    if (w.st.ScrollFlag || end <= 0) return 0;
    const double overflow = tw::Left(title) + tw::Width(title) - end;
    if (overflow <= 0) return 0;
    noticeHome_ = tw::Left(title);
    noticeOverflow_ = overflow;
    noticeStep_ = 0;
    if (!noticeScroll_) {
        noticeScroll_ = new QTimer(&w);
        noticeScroll_->setInterval(kNoticeScrollTickMs);
        QObject::connect(noticeScroll_, &QTimer::timeout, &w, [this] { ScrollNoticeStep(); });
    }
    noticeScroll_->start();
    const int steps = static_cast<int>(std::ceil(overflow / kNoticeScrollStepTwips));
    return (kNoticeScrollPauseTicks + steps) * kNoticeScrollTickMs;
}

void TitleBuilder::ScrollNoticeStep() {
    if (w.st.ScrollFlag) { // the ticker took the line over
        noticeScroll_->stop();
        return;
    }
    ++noticeStep_;
    const double moved =
        std::min(noticeOverflow_, (noticeStep_ - kNoticeScrollPauseTicks) * kNoticeScrollStepTwips);
    if (moved > 0) tw::SetLeft(w.ui.lblTitle[0], noticeHome_ - moved);
    if (moved >= noticeOverflow_) noticeScroll_->stop();
}

void TitleBuilder::EndNoticeScroll() {
    if (noticeOverflow_ <= 0) return;
    noticeScroll_->stop();
    noticeOverflow_ = 0;
    // Unless the ticker took the line over meanwhile: it moves it from wherever it is.
    if (!w.st.ScrollFlag) tw::SetLeft(w.ui.lblTitle[0], noticeHome_);
}

bool TitleBuilder::ReadTag(const QString& path, TagRecord& tag) {
    if (memoOn_)
        for (const Memo& m : memo_)
            if (m.path == path) {
                tag = m.tag;
                return m.ok;
            }
    const bool ok = w.tags.Read(path.toStdString(), tag);
    if (memoOn_) memo_.push_back({path, tag, ok});
    return ok;
}

const TagRecord* TitleBuilder::TitleTagOf(const QString& path) const {
    return !path.isEmpty() && path == titleTagPath_ ? &w.st.TitleTag : nullptr;
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
