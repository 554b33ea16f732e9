#include "ui/ListBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace telbo {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setUniformItemSizes(true);
}

void ListBox::mousePressEvent(QMouseEvent* e) {
    const int before = currentRow();
    QListWidget::mousePressEvent(e);
    const QListWidgetItem* hit = itemAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && hit && row(hit) == before && currentRow() == before)
        emit currentRowClickedAgain(before);
}

void ListBox::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    else e->ignore();
}

void ListBox::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    else e->ignore();
}

void ListBox::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasUrls()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    emit filesDropped(e->mimeData()->urls());
}

} // namespace telbo
