#include "playlist/Collections.h"

#include "core/PathNames.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/Telbo.h"

#include <algorithm>

namespace telbo {

void Collections::RefreshLists() {
    ListBox* lists = w.ui.lstFile[0];
    ListBox* tracks = w.ui.lstFile[1];
    // clear() reports row -1 to the selection action, which ignores it.
    lists->clear();
    tracks->clear();
    for (int i = 0; i < w.st.Lists().Count(); ++i) lists->addItem(DisplayName(w.st.ListFiles[i]));
    for (int k = 0; k < w.st.Titles().Count(); ++k) tracks->addItem(DisplayName(w.st.TitleFiles[k]));
    lists->setCurrentRow(-1);
    // Runs the track-selection action at once; it may remove a missing track and come back
    // here, one level per removed entry.
    if (tracks->count() > 0) tracks->setCurrentRow(0);
    emit w.collectionsChanged();
}

void Collections::ShowCounts() {
    const QString total = QString::number(w.st.KO);
    w.ui.lblPoint[1]->setCaption(total);
    w.ui.lblPoint[3]->setCaption(total);
    // With no track left no row is selected: the counter must not keep the old row's number.
    if (w.st.KO <= 0) w.ui.lblPoint[2]->setCaption(QStringLiteral("0"));
    emit w.collectionsChanged();
}

void Collections::ShowPlayPoint() {
    const int shown = w.st.KO > 0 ? std::max(w.st.PlayPoint + 1, 0) : 0;
    w.ui.lblPoint[0]->setCaption(QString::number(shown));
}

} // namespace telbo
