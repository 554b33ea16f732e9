#include "settings/ConfigValues.h"

#include <array>

namespace telbo {

namespace {
template <typename Mode, std::size_t N>
QString NameOf(const std::array<std::string_view, N>& names, Mode mode) {
    const int i = ModeNumber(mode);
    if (i < 0 || i >= static_cast<int>(N)) return {};
    const std::string_view name = names[static_cast<std::size_t>(i)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}
} // namespace

QString PlayModeName(PlayMode mode) {
    return NameOf(kPlayModeNames, mode);
}
QString ListEndActionName(ListEndAction action) {
    return NameOf(kListEndActionNames, action);
}

QString OnOffText(bool on) {
    return on ? QStringLiteral("On") : QStringLiteral("Off");
}

QString CountText(int value) {
    return value != 0 ? QString::number(value) : QStringLiteral("Off");
}

PanelPlacement AlignPanels(const QRectF& listBox, const QSizeF& config, const QSizeF& title,
                           const QSizeF& equalizer) {
    PanelPlacement p;
    p.config = {listBox.left() + listBox.width() - config.width(),
                listBox.top() + listBox.height() - config.height()};
    const double right = p.config.x() + config.width();
    p.title = {right - title.width(), p.config.y()};
    p.equalizer = {right - equalizer.width(), p.config.y()};
    return p;
}

SleepStepResult SleepStep(int count, int type) {
    // A count below 0 cannot come from the slider; treat it as off rather than counting on.
    if (count <= 0) return {count, false, SleepAction::None};
    --count;
    if (count != 0) return {count, true, SleepAction::None};
    switch (type) {
    case 0:
        return {0, true, SleepAction::MusicStop};
    case 1:
        return {0, true, SleepAction::PlayerEnd};
    case 2:
        return {0, true, SleepAction::PowerOff};
    default:
        return {0, true, SleepAction::None};
    }
}

} // namespace telbo
