#pragma once
// A single-selection, unsorted list box that accepts dropped files.

#include <QList>
#include <QListWidget>
#include <QUrl>

namespace telbo {

class ListBox final : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent);

signals:
    void filesDropped(const QList<QUrl>& urls);
    // A click on the row that was already selected (which changes no selection).
    void currentRowClickedAgain(int row);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

} // namespace telbo
