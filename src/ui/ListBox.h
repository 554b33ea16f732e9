#pragma once
// A single-selection, unsorted list box that accepts dropped files and marks rows.

#include <QList>
#include <QListWidget>
#include <QUrl>

namespace telbo {

class ListBox final : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent);

    // How a row shows besides its text: a file that is not there in grey, the track that
    // plays with a marker in front. Selection is left alone.
    void markMissing(int row, bool missing);
    void markPlaying(int row, bool playing);

signals:
    void filesDropped(const QList<QUrl>& urls);
    // A click on the row that was already selected (which changes no selection).
    void currentRowClickedAgain(int row);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // A frame in the window's yellow while the list has the keys.
    bool event(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

} // namespace telbo
