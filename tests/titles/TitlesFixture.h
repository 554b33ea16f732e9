#pragma once
// The window with a track list shown in the track box, and the genre list filled as start-up
// fills it.

#include "TelboFixture.h"

#include "core/PathNames.h"
#include "ui/Label.h"
#include "ui/ListBox.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace telbo::test {

class TitlesFixture : public TelboFixture {
protected:
    void SetUp() override {
        Create();
        FillGenres();
    }

    // Rows "Genre 0".."Genre 147", nothing selected: what start-up leaves.
    void FillGenres() {
        QComboBox* genres = w->ui.cmbTagGenre;
        if (genres->count() > 0) return;
        const QSignalBlocker block(genres);
        for (int n = 0; n <= 147; ++n)
            genres->addItem(QString::fromStdString(FakeEngine::GenreName(n)));
        genres->setCurrentIndex(-1);
    }

    // The tracks in the collection and as rows of the track box, no row selected.
    void ShowTracks(const QStringList& paths) {
        SetTracks(paths);
        ListBox* box = w->ui.lstFile[1];
        const QSignalBlocker block(box);
        box->clear();
        for (const QString& p : paths)
            box->addItem(DisplayName(p));
        box->setCurrentRow(-1);
    }

    void Select(int row) { w->ui.lstFile[1]->setCurrentRow(row); }
    static void Click(Label* label) { emit label->clicked(); }

    static std::string Std(const QString& s) { return s.toStdString(); }
};

} // namespace telbo::test
