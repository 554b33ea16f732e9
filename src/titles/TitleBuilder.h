#pragma once

#include "decoder/Decoder.h"

#include <QString>

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

    // Shows `text` in the title line for a few seconds, then the title again (unless the
    // title was rebuilt meanwhile). Tells the user why a command did nothing.
    void ShowNotice(const QString& text);

    // Reads the tag of `path` as the decoder gives it. While a memo is kept (start-up), a
    // path is read once and later reads of it are answered from the memo.
    // Returns what the decoder returned.
    bool ReadTag(const QString& path, TagRecord& tag);
    // Start-up reads the current track for the title, the tag panel and auto-play: once is
    // enough. Nothing writes tags meanwhile.
    void KeepTagMemo(bool on);

private:
    Telbo& w;
    QString notice_;      // the notice shown, "" when none
    QString hiddenTitle_; // what the notice covers
    int noticeCount_ = 0;
    bool memoOn_ = false;
    struct Memo {
        QString path;
        TagRecord tag;
        bool ok;
    };
    std::vector<Memo> memo_;
};

} // namespace telbo
