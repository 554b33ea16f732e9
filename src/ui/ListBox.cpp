#include "ui/ListBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace telbo {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setUniformItemSizes(true);
}

namespace {

const QColor kMissing(0x80, 0x80, 0x80);
const QColor kPlaying(0x00, 0x60, 0xC0);

QIcon PlayingMarker() {
    static const QIcon icon = [] {
        QPixmap px(16, 16);
        px.fill(Qt::transparent);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kPlaying);
        p.drawPolygon(QPolygonF({QPointF(3, 2), QPointF(14, 8), QPointF(3, 14)}));
        return QIcon(px);
    }();
    return icon;
}

constexpr int kMissingRole = Qt::UserRole + 1;

void Restyle(QListWidgetItem* it) {
    const bool missing = it->data(kMissingRole).toBool();
    const bool playing = !it->icon().isNull();
    it->setForeground(missing ? QBrush(kMissing) : playing ? QBrush(kPlaying) : QBrush());
}

} // namespace

void ListBox::markMissing(int row, bool missing) {
    QListWidgetItem* it = item(row);
    if (!it) return;
    it->setData(kMissingRole, missing);
    Restyle(it);
}

void ListBox::markPlaying(int row, bool playing) {
    QListWidgetItem* it = item(row);
    if (!it || playing == !it->icon().isNull()) return;
    it->setIcon(playing ? PlayingMarker() : QIcon());
    Restyle(it);
}

void ListBox::mousePressEvent(QMouseEvent* e) {
    const int before = currentRow();
    QListWidget::mousePressEvent(e);
    const QListWidgetItem* hit = itemAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && hit && row(hit) == before && currentRow() == before)
        emit currentRowClickedAgain(before);
}

bool ListBox::event(QEvent* e) {
    const bool handled = QListWidget::event(e);
    if (e->type() == QEvent::Paint && hasFocus()) {
        // Drawn over the frame, outside the rows: where the keys go shows at a glance.
        QPainter p(this);
        p.setPen(QPen(QColor(0xFF, 0xFF, 0x00), 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    return handled;
}

void ListBox::focusInEvent(QFocusEvent* e) {
    QListWidget::focusInEvent(e);
    update();
}

void ListBox::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    update();
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
