// Turns the layout table into widgets and typed handles.
#include "ui/Fonts.h"
#include "ui/Label.h"
#include "ui/OptionButton.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/ScrollBar.h"
#include "ui/ToolTips.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHash>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

namespace telbo {

namespace {

// Media glyphs standing for the symbol-font captions of the small-mode buttons.
QString GlyphFor(const QString& caption) {
    static const QHash<QString, QString> glyphs{
        {QStringLiteral("2"), QStringLiteral("⏏")}, {QStringLiteral("4"), QStringLiteral("▶")},
        {QStringLiteral("<"), QStringLiteral("■")}, {QStringLiteral("9"), QStringLiteral("⏮")},
        {QStringLiteral(":"), QStringLiteral("⏭")}, {QStringLiteral(";"), QStringLiteral("⏸")},
        {QStringLiteral("6"), QStringLiteral("▼")}, {QStringLiteral("{"), QStringLiteral("🔒")},
        {QStringLiteral("r"), QStringLiteral("✕")},
    };
    return glyphs.value(caption);
}

void ApplyColors(QWidget* w, const ControlSpec& s) {
    if (!s.fore && !s.back) return;
    QPalette pal = w->palette();
    if (s.fore) {
        pal.setColor(QPalette::WindowText, QColor(QLatin1String(s.fore)));
        pal.setColor(QPalette::ButtonText, QColor(QLatin1String(s.fore)));
    }
    if (s.back) {
        pal.setColor(QPalette::Window, QColor(QLatin1String(s.back)));
        w->setAutoFillBackground(true);
    }
    w->setPalette(pal);
}

// A text box of the layout is one line of its designed height (16 px for the tag fields): the
// style's frame and the desktop's default font would cut the descenders off. No frame, and
// the tag panel's face at the largest size whose line leaves a pixel above and below.
void FitTextBox(QLineEdit* edit, int heightTwips) {
    edit->setFrame(false);
    edit->setTextMargins(1, 0, 1, 0);
    const int line = static_cast<int>(heightTwips / tw::kPerPixel) - 2;
    // The boxes share a few heights: each size is found once.
    static QHash<int, QFont> byLine;
    auto it = byLine.constFind(line);
    if (it == byLine.constEnd()) {
        QFont font = fonts::ForKey(QStringLiteral("PG9"));
        for (int px = line; px > 6; --px) {
            font.setPixelSize(px);
            if (QFontMetrics(font).height() <= line) break;
        }
        it = byLine.insert(line, font);
    }
    edit->setFont(*it);
}

QWidget* Create(const ControlSpec& s, QWidget* parent) {
    const QString caption = QString::fromUtf8(s.caption);
    switch (s.kind) {
    case ControlKind::Label: {
        auto* l = new Label(parent);
        l->setDesignFont(fonts::ForKey(QString::fromLatin1(s.font)));
        l->setAutoSize(!s.fixedSize);
        l->setRoom(s.room);
        if (s.fore) l->setForeColor(QColor(QLatin1String(s.fore)));
        if (s.back) l->setBackColor(QColor(QLatin1String(s.back)));
        l->setOpaque(s.opaque);
        l->setAlign(s.align == TextAlign::Right    ? Label::Align::Right
                    : s.align == TextAlign::Center ? Label::Align::Center
                                                   : Label::Align::Left);
        // The stored size is the fitted size of the stored text: keep it until the text changes.
        const bool autoSize = l->autoSize();
        l->setAutoSize(false);
        l->setCaption(caption);
        l->setAutoSize(autoSize);
        if (QString::fromLatin1(s.font).startsWith(QStringLiteral("Wd")))
            l->setGlyph(GlyphFor(caption), fonts::SymbolFont(14.25));
        return l;
    }
    case ControlKind::Panel: {
        auto* p = new Panel(parent);
        p->setCaption(caption);
        p->setColors(QColor(QLatin1String(s.fore)), QColor(QLatin1String(s.back)));
        return p;
    }
    case ControlKind::ListBox: {
        auto* list = new ListBox(parent);
        list->setFont(fonts::ForKey(QString::fromLatin1(s.font)));
        return list;
    }
    case ControlKind::HScroll:
    case ControlKind::VScroll:
    case ControlKind::Position: {
        QScrollBar* bar = nullptr;
        if (s.kind == ControlKind::Position) bar = new PositionBar(parent);
        else bar = new ScrollBar(s.kind == ControlKind::HScroll ? Qt::Horizontal : Qt::Vertical, parent);
        if (s.min > s.max) {
            // A bar whose top end is the larger value: the range ascends and the bar is drawn
            // and driven upside down.
            bar->setRange(s.max, s.min);
            bar->setInvertedAppearance(true);
            bar->setInvertedControls(true);
        } else {
            bar->setRange(s.min, s.max);
        }
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setValue(s.value);
        return bar;
    }
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFont(fonts::ForKey(QString::fromLatin1(s.font)));
        const QString items = QString::fromUtf8(s.items);
        if (!items.isEmpty()) combo->addItems(items.split(u'|'));
        combo->setCurrentIndex(-1);
        combo->setEditText(caption);
        return combo;
    }
    case ControlKind::Text: {
        auto* edit = new QLineEdit(parent);
        FitTextBox(edit, s.height);
        if (s.maxLength > 0) edit->setMaxLength(s.maxLength);
        edit->setText(caption);
        return edit;
    }
    case ControlKind::Option: {
        auto* option = new OptionButton(caption, parent);
        ApplyColors(option, s);
        return option;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(caption, parent);
        button->setFont(fonts::ForKey(QString::fromLatin1(s.font)));
        return button;
    }
    }
    return nullptr;
}

QHash<QString, QWidget*> BuildAll(QWidget* window, const std::vector<ControlSpec>& table) {
    QHash<QString, QWidget*> byName;
    for (const ControlSpec& s : table) {
        QWidget* parent = *s.parent ? byName.value(QString::fromLatin1(s.parent)) : window;
        Q_ASSERT(parent);
        QWidget* w = Create(s, parent);
        const QString name = FullName(s);
        w->setObjectName(name);
        tw::SetGeometry(w, s.left, s.top, s.width, s.height);
        w->setVisible(s.visible);
        if (auto* label = qobject_cast<Label*>(w)) {
            // The stand-in faces run wider than the designed ones: a caption that would be
            // clipped by its designed box is drawn a little smaller instead.
            label->fitFontToBox();
            // The tooltip says what a click does with the caption shown now; a text cut short
            // shows whole there, once the label has been measured.
            auto tip = [label, name] {
                QString text = ToolTipFor(name, label->caption());
                if (text.isEmpty() && !label->measurePending() &&
                    label->drawnText() != label->caption())
                    text = label->caption();
                label->setToolTip(text);
            };
            tip();
            QObject::connect(label, &Label::captionChanged, label, tip);
            QObject::connect(label, &Label::measured, label, tip);
        } else {
            w->setToolTip(ToolTipFor(name, QString::fromUtf8(s.caption)));
        }
        byName.insert(name, w);
    }
    return byName;
}

template <typename T> T* Get(const QHash<QString, QWidget*>& m, const QString& name) {
    auto* w = qobject_cast<T*>(m.value(name));
    Q_ASSERT_X(w, "layout", qPrintable(name));
    return w;
}

template <typename T, std::size_t N>
void GetArray(const QHash<QString, QWidget*>& m, const char* name, std::array<T*, N>& out) {
    for (std::size_t i = 0; i < N; ++i)
        out[i] = Get<T>(m, QString::fromLatin1(name) + u'(' + QString::number(i) + u')');
}

} // namespace

Controls BuildMainWindow(QWidget* window) {
    const auto m = BuildAll(window, MainWindowLayout());
    Controls c;
    c.window = window;
    GetArray(m, "lblBack", c.lblBack);
    GetArray(m, "lblTitle", c.lblTitle);
    GetArray(m, "lblPoint", c.lblPoint);
    c.lblNowTime = Get<Label>(m, QStringLiteral("lblNowTime"));
    GetArray(m, "lblPlayerControl", c.lblPlayerControl);
    GetArray(m, "lblSmallSet", c.lblSmallSet);
    c.sclNowTime = Get<QScrollBar>(m, QStringLiteral("sclNowTime"));
    GetArray(m, "lblDown", c.lblDown);
    GetArray(m, "lblFileSet", c.lblFileSet);
    GetArray(m, "lblPlaySet", c.lblPlaySet);
    GetArray(m, "lblListSelect", c.lblListSelect);
    c.lblShowTag = Get<Label>(m, QStringLiteral("lblShowTag"));
    GetArray(m, "lstFile", c.lstFile);
    GetArray(m, "lblListSet", c.lblListSet);
    c.frmEqualizer = Get<Panel>(m, QStringLiteral("frmEqualizer"));
    c.frmTitle = Get<Panel>(m, QStringLiteral("frmTitle"));
    c.frmConfig = Get<Panel>(m, QStringLiteral("frmConfig"));
    GetArray(m, "frmTag", c.frmTag);
    c.frmSmpRate = Get<Panel>(m, QStringLiteral("frmSmpRate"));
    c.frmStereo = Get<Panel>(m, QStringLiteral("frmStereo"));
    GetArray(m, "lblClose", c.lblClose);
    c.cmbEqualizer = Get<QComboBox>(m, QStringLiteral("cmbEqualizer"));
    GetArray(m, "sclEqualizer", c.sclEqualizer);
    c.txtScrollTitle = Get<QLineEdit>(m, QStringLiteral("txtScrollTitle"));
    GetArray(m, "lblScrollTitle", c.lblScrollTitle);
    GetArray(m, "lblPlayerName", c.lblPlayerName);
    GetArray(m, "lblConf", c.lblConf);
    GetArray(m, "lblConfValue", c.lblConfValue);
    GetArray(m, "sclConfig", c.sclConfig);
    c.cmbTimer = Get<QComboBox>(m, QStringLiteral("cmbTimer"));
    GetArray(m, "lblDefault", c.lblDefault);
    GetArray(m, "optSmpRate", c.optSmpRate);
    GetArray(m, "optStereo", c.optStereo);
    GetArray(m, "lblTagInfo", c.lblTagInfo);
    GetArray(m, "lblTagData", c.lblTagData);
    GetArray(m, "txtTagData", c.txtTagData);
    c.cmbTagGenre = Get<QComboBox>(m, QStringLiteral("cmbTagGenre"));
    GetArray(m, "lblTagSet", c.lblTagSet);

    // Selected at start, without running any handler.
    c.optSmpRate[0]->setChecked(true);
    c.optStereo[0]->setChecked(true);

    c.tmrTime = new QTimer(window);
    c.tmrTime->setObjectName(QStringLiteral("tmrTime"));
    c.tmrTime->setInterval(100);
    c.tmrScroll = new QTimer(window);
    c.tmrScroll->setObjectName(QStringLiteral("tmrScroll"));
    c.tmrScroll->setInterval(0);
    return c;
}

PowerOffControls BuildPowerOffDialog(QWidget* dialog) {
    const auto m = BuildAll(dialog, PowerOffLayout());
    PowerOffControls c;
    c.window = dialog;
    GetArray(m, "lblPowerOff", c.lblPowerOff);
    c.cmdCancel = Get<QPushButton>(m, QStringLiteral("cmdCancel"));
    c.tmrPowerOff = new QTimer(dialog);
    c.tmrPowerOff->setObjectName(QStringLiteral("tmrPowerOff"));
    c.tmrPowerOff->setInterval(1000);
    return c;
}

} // namespace telbo
