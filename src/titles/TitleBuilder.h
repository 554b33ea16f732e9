#pragma once

#include "decoder/Records.h"

#include <QString>

class QTimer;

#include <vector>

namespace telbo {

class Telbo;

// The title line, the window caption, the list name and the current track number.
class TitleBuilder {
public:
    explicit TitleBuilder(Telbo& w) : w(w) {}
    void BuildTitle();
    void lblScrollTitle_Click(int index);
    // The template text changed (typed or set in code).
    void txtScrollTitle_Change();

    static constexpr int kNoticeMs = 4000;
    // Shows `text` in the title line for `ms` milliseconds, then the title again (unless the
    // title was rebuilt meanwhile). Tells the user why a command did nothing. A notice longer
    // than the line scrolls once to its end (while the ticker is off), then stays `ms`.
    void ShowNotice(const QString& text, int ms = kNoticeMs);

    // Reads the tag of `path` as the decoder gives it. While a memo is kept (start-up), a
    // path is read once and later reads of it are answered from the memo.
    // Returns what the decoder returned.
    bool ReadTag(const QString& path, TagRecord& tag);
    // The tag of `path` as the title line last read it (st.TitleTag), or null when the title
    // line read no tag of that file.
    const TagRecord* TitleTagOf(const QString& path) const;
    // Start-up reads the current track for the title, the tag panel and auto-play: once is
    // enough. Nothing writes tags meanwhile.
    void KeepTagMemo(bool on);

private:
    // Starts scrolling a notice that runs past the title line's end; the time it takes.
    int ScrollNotice();
    void ScrollNoticeStep();
    // Puts a scrolled notice's line back where it was.
    void EndNoticeScroll();

    Telbo& w;
    QTimer* noticeScroll_ = nullptr;
    double noticeHome_ = 0;     // the title line's left before the notice scrolled it
    double noticeOverflow_ = 0; // how far the notice runs past the end, twips; 0 when none
    int noticeStep_ = 0;
    QString notice_;      // the notice shown, "" when none
    QString hiddenTitle_; // what the notice covers
    int noticeCount_ = 0;
    QString titleTagPath_; // whose tag st.TitleTag holds, "" when none
    bool memoOn_ = false;
    struct Memo {
        QString path;
        TagRecord tag;
        bool ok;
    };
    std::vector<Memo> memo_;
};

} // namespace telbo
