#pragma once
// Helpers shared by the playlist window tests.

#include "TelboFixture.h"

#include "ui/Label.h"
#include "ui/ListBox.h"

#include <QFile>

namespace telbo::test {

class PlaylistGui : public TelboFixture {
protected:
    void SetUp() override { Create(); }

    QStringList Rows(int box) const {
        QStringList rows;
        for (int i = 0; i < w->ui.lstFile[box]->count(); ++i) rows << w->ui.lstFile[box]->item(i)->text();
        return rows;
    }
    int Sel(int box) const { return w->ui.lstFile[box]->currentRow(); }
    QStringList Tracks() const { return Used(w->st.TitleFiles, w->st.KO); }
    QStringList Lists() const { return Used(w->st.ListFiles, w->st.ListKO); }
    void SetLists(const QStringList& paths) {
        for (auto& s : w->st.ListFiles) s.clear();
        for (int i = 0; i < paths.size(); ++i) w->st.ListFiles[i] = paths[i];
        w->st.ListKO = static_cast<std::int16_t>(paths.size());
    }
    // A list file in the program folder holding `entries`, CR LF after each.
    QString MakeList(const QString& name, const QStringList& entries) {
        return platform.makeFile(name, (entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    }
    QString Caption(const Label* l) const { return l->caption(); }

private:
    static QStringList Used(const std::array<QString, kSlots>& entries, int count) {
        QStringList out;
        for (int i = 0; i < count; ++i) out << entries[i];
        return out;
    }
};

} // namespace telbo::test
