#include "ShellFixture.h"

#include "ui/Label.h"
#include "ui/Layout.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

namespace telbo::test {

void ShellFixture::Show() {
    Create();
    w->st.FormSmallWidth = 5475;
    w->SetWidth(kNormalWidth);
    w->SetHeight(kFoldedHeight);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->SetLeft(kStartLeft);
    w->SetTop(kStartTop);
}

QPoint ShellFixture::Px(double twipsX, double twipsY) {
    return {static_cast<int>(std::lround(twipsX / 15)), static_cast<int>(std::lround(twipsY / 15))};
}

QPoint ShellFixture::Center(const QWidget* w) { return w->rect().center(); }

void ShellFixture::Click(QWidget* label) { QTest::mouseClick(label, Qt::LeftButton, {}, Center(label)); }

void ShellFixture::DoubleClickHeader(QPoint px) {
    Label* back = w->ui.lblBack[0];
    QTest::mousePress(back, Qt::LeftButton, {}, px);
    QTest::mouseRelease(back, Qt::LeftButton, {}, px);
    QTest::mouseDClick(back, Qt::LeftButton, {}, px);
    QTest::mouseRelease(back, Qt::LeftButton, {}, px);
}

void ShellFixture::Send(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                        Qt::MouseButtons buttons) {
    const QPointF local = target->mapFromGlobal(QPointF(global));
    QMouseEvent e(type, local, QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

void ShellFixture::Drag(QWidget* target, QPoint from, QPoint delta, int steps, bool release) {
    QPoint global = target->mapToGlobal(from);
    Send(target, QEvent::MouseButtonPress, global, Qt::LeftButton, Qt::LeftButton);
    const QPoint start = global;
    for (int i = 1; i <= steps; ++i) {
        global = start + delta * i / steps;
        Send(target, QEvent::MouseMove, global, Qt::NoButton, Qt::LeftButton);
    }
    if (release) Send(target, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
}

void ShellFixture::Hover(QWidget* target, QPoint local) {
    Send(target, QEvent::MouseMove, target->mapToGlobal(local), Qt::NoButton, Qt::NoButton);
}

QString ShellFixture::Cursor() const {
    switch (w->cursor().shape()) {
    case Qt::ArrowCursor:
        return QStringLiteral("arrow");
    case Qt::SizeHorCursor:
        return QStringLiteral("resize");
    default:
        return QStringLiteral("other");
    }
}

bool ShellFixture::AnySymbolShown() const {
    for (const Label* s : w->ui.lblSmallSet)
        if (!s->isHidden()) return true;
    return false;
}

} // namespace telbo::test
