#include "ui/Twips.h"

#include <QVariant>
#include <QWidget>

#include <cmath>

namespace telbo::tw {

namespace {
constexpr const char* kLeft = "twLeft";
constexpr const char* kTop = "twTop";
constexpr const char* kWidth = "twWidth";
constexpr const char* kHeight = "twHeight";

int Px(double twips) { return static_cast<int>(std::lround(twips / kPerPixel)); }

double Get(const QWidget* w, const char* name, int px) {
    const QVariant v = w->property(name);
    return v.isValid() ? v.toDouble() : px * kPerPixel;
}

void Apply(QWidget* w) {
    const double l = Left(w), t = Top(w), width = Width(w), h = Height(w);
    // A window is placed by its frame position; children by their geometry.
    if (w->isWindow()) {
        w->move(Px(l), Px(t));
        w->resize(std::max(0, Px(width)), std::max(0, Px(h)));
    } else {
        w->setGeometry(Px(l), Px(t), std::max(0, Px(width)), std::max(0, Px(h)));
    }
}
} // namespace

double Left(const QWidget* w) { return Get(w, kLeft, w->isWindow() ? w->pos().x() : w->x()); }
double Top(const QWidget* w) { return Get(w, kTop, w->isWindow() ? w->pos().y() : w->y()); }
double Width(const QWidget* w) { return Get(w, kWidth, w->width()); }
double Height(const QWidget* w) { return Get(w, kHeight, w->height()); }

void SetLeft(QWidget* w, double v) {
    w->setProperty(kLeft, v);
    Apply(w);
}
void SetTop(QWidget* w, double v) {
    w->setProperty(kTop, v);
    Apply(w);
}
void SetWidth(QWidget* w, double v) {
    w->setProperty(kWidth, v);
    Apply(w);
}
void SetHeight(QWidget* w, double v) {
    w->setProperty(kHeight, v);
    Apply(w);
}
void SetGeometry(QWidget* w, double left, double top, double width, double height) {
    w->setProperty(kLeft, left);
    w->setProperty(kTop, top);
    w->setProperty(kWidth, width);
    w->setProperty(kHeight, height);
    Apply(w);
}

QPointF FromPixels(QPointF px) { return px * kPerPixel; }

QString ColorText(const QColor& c) { return c.name(QColor::HexRgb).toUpper(); }

} // namespace telbo::tw
