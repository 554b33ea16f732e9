// The window as built: every control of the layout under its name and index, in its place,
// with its text, colours and visibility, and the stacking the header band relies on.
#include "TelboFixture.h"
#include "ui/Fonts.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <functional>
#include <utility>

namespace telbo::test {
namespace {

class LayoutTest : public TelboFixture {};

QWidget* Find(QWidget* root, const QString& name) { return root->findChild<QWidget*>(name); }

// Index among the siblings: a higher index lies in front.
int StackIndex(QWidget* w) { return w->parentWidget()->children().indexOf(w); }

TEST_F(LayoutTest, EveryControlOfTheTableExistsAsDesigned) {
    Create();
    int count = 0;
    for (const ControlSpec& s : MainWindowLayout()) {
        SCOPED_TRACE(FullName(s).toStdString());
        QWidget* c = Find(w.get(), FullName(s));
        ASSERT_NE(c, nullptr);
        ++count;
        EXPECT_EQ(tw::Left(c), s.left);
        EXPECT_EQ(tw::Top(c), s.top);
        EXPECT_EQ(tw::Width(c), s.width);
        EXPECT_EQ(tw::Height(c), s.height);
        EXPECT_EQ(c->isVisibleTo(c->parentWidget()), s.visible);
        const QString parent = *s.parent ? QString::fromLatin1(s.parent) : QStringLiteral("Telbo");
        EXPECT_EQ(c->parentWidget()->objectName(), parent);
        if (auto* l = qobject_cast<Label*>(c)) {
            EXPECT_EQ(l->caption(), QString::fromUtf8(s.caption));
            if (s.fore) {
                EXPECT_EQ(tw::ColorText(l->foreColor()), QLatin1String(s.fore));
            }
            EXPECT_EQ(l->opaque(), s.opaque);
            if (s.opaque) {
                EXPECT_EQ(tw::ColorText(l->backColor()), QLatin1String(s.back));
            }
        }
    }
    EXPECT_EQ(count, 149); // every control of the main window, arrays counted per index
}

TEST_F(LayoutTest, CaptionsAndTextsOfTheMainControls) {
    Create();
    const Controls& ui = w->ui;
    const char* play[5] = {"Play", "Stop", "Rev", "Next", "Pause"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ui.lblPlaySet[i]->caption(), QLatin1String(play[i]));
    const char* edit[5] = {"Add", "Del", "AllClear", "Up", "Down"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ui.lblListSet[i]->caption(), QLatin1String(edit[i]));
    EXPECT_EQ(ui.lblDown[0]->caption(), QStringLiteral("↓"));
    EXPECT_EQ(ui.lblNowTime->caption(), QStringLiteral("00:00"));
    EXPECT_EQ(ui.txtScrollTitle->text(), QStringLiteral("%0"));
    EXPECT_EQ(ui.cmbEqualizer->currentText(), QStringLiteral("Default"));
    EXPECT_EQ(ui.cmbEqualizer->count(), 10);
    EXPECT_EQ(ui.cmbEqualizer->itemText(9), QStringLiteral("WooferBoost"));
    EXPECT_EQ(ui.cmbTimer->currentText(), QStringLiteral("TimerType"));
    EXPECT_EQ(ui.cmbTimer->itemText(2), QStringLiteral("PowerOff"));
    EXPECT_EQ(ui.txtTagData[3]->maxLength(), 4);
    EXPECT_TRUE(ui.optSmpRate[0]->isChecked());
    EXPECT_TRUE(ui.optStereo[0]->isChecked());
    EXPECT_EQ(ui.optStereo[1]->text(), QStringLiteral("Mono"));
    EXPECT_EQ(ui.frmConfig->caption(), QStringLiteral("Config"));
    EXPECT_EQ(ui.frmTag[1]->caption(), QStringLiteral("TagSet"));
    EXPECT_EQ(ui.lblClose[0]->caption(), QStringLiteral("×"));
    // The symbol buttons keep their one-character captions as data.
    EXPECT_EQ(ui.lblSmallSet[1]->caption(), QStringLiteral("4"));
    EXPECT_EQ(ui.lblSmallSet[8]->caption(), QStringLiteral("r"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Telbo Ver.1.00"));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(LayoutTest, ScrollBarsHaveTheirRanges) {
    Create();
    const Controls& ui = w->ui;
    const int min[5] = {0, 20, -300, 0, 0}, max[5] = {100, 300, 300, 500, 100},
              value[5] = {100, 100, -100, 0, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ui.sclConfig[i]->minimum(), min[i]);
        EXPECT_EQ(ui.sclConfig[i]->maximum(), max[i]);
        EXPECT_EQ(ui.sclConfig[i]->value(), value[i]);
    }
    EXPECT_EQ(ui.sclNowTime->maximum(), 0);
    for (QScrollBar* band : ui.sclEqualizer) {
        // +120 at the top end, -120 at the bottom.
        EXPECT_EQ(band->orientation(), Qt::Vertical);
        EXPECT_EQ(band->minimum(), -120);
        EXPECT_EQ(band->maximum(), 120);
        EXPECT_TRUE(band->invertedAppearance());
        EXPECT_EQ(band->value(), 0);
    }
    EXPECT_EQ(tw::Left(ui.sclEqualizer[9]), 135 + 270 * 9);
}

TEST_F(LayoutTest, HiddenAtStart) {
    Create();
    const Controls& ui = w->ui;
    for (Panel* p : {ui.frmEqualizer, ui.frmTitle, ui.frmConfig, ui.frmTag[0], ui.frmTag[1]})
        EXPECT_FALSE(p->isVisibleTo(w.get())) << p->objectName().toStdString();
    EXPECT_FALSE(ui.lstFile[0]->isVisibleTo(w.get()));
    EXPECT_TRUE(ui.lstFile[1]->isVisibleTo(w.get()));
    EXPECT_FALSE(ui.cmbTimer->isVisibleTo(ui.frmConfig));
    for (QScrollBar* s : ui.sclConfig) EXPECT_FALSE(s->isVisibleTo(ui.frmConfig));
    for (Label* s : ui.lblSmallSet) EXPECT_FALSE(s->isVisibleTo(w.get()));
    for (Label* l : w->findChildren<Label*>(Qt::FindDirectChildrenOnly))
        if (!l->objectName().startsWith(QStringLiteral("lblSmallSet"))) {
            EXPECT_TRUE(l->isVisibleTo(w.get())) << l->objectName().toStdString();
        }
}

TEST_F(LayoutTest, SharedRectangles) {
    Create();
    const Controls& ui = w->ui;
    EXPECT_EQ(ui.lstFile[0]->geometry(), ui.lstFile[1]->geometry());
    EXPECT_EQ(ui.frmTag[0]->geometry(), ui.frmTag[1]->geometry());
    EXPECT_EQ(tw::Left(ui.lblConfValue[9]), tw::Left(ui.sclConfig[4]));
    EXPECT_EQ(tw::Top(ui.lblConfValue[9]), tw::Top(ui.sclConfig[4]));
    // The scroll bar covers the label when shown.
    EXPECT_GT(StackIndex(ui.sclConfig[4]), StackIndex(ui.lblConfValue[9]));
}

TEST_F(LayoutTest, StackingOrder) {
    Create();
    const Controls& ui = w->ui;
    // Header: the opaque band lowest, the title above it, the drag surface above the title,
    // every other label above that.
    EXPECT_LT(StackIndex(ui.lblBack[1]), StackIndex(ui.lblTitle[0]));
    EXPECT_LT(StackIndex(ui.lblTitle[0]), StackIndex(ui.lblBack[0]));
    for (Label* l : w->findChildren<Label*>(Qt::FindDirectChildrenOnly))
        if (l != ui.lblBack[0] && l != ui.lblBack[1] && l != ui.lblTitle[0]) {
            EXPECT_GT(StackIndex(l), StackIndex(ui.lblBack[0])) << l->objectName().toStdString();
        }
    // Panels in front of the list boxes, in their order; list boxes and bars above labels.
    EXPECT_LT(StackIndex(ui.lstFile[1]), StackIndex(ui.frmTag[0]));
    EXPECT_LT(StackIndex(ui.frmTag[0]), StackIndex(ui.frmTag[1]));
    EXPECT_LT(StackIndex(ui.frmTag[1]), StackIndex(ui.frmConfig));
    EXPECT_LT(StackIndex(ui.frmConfig), StackIndex(ui.frmTitle));
    EXPECT_LT(StackIndex(ui.frmTitle), StackIndex(ui.frmEqualizer));
    EXPECT_GT(StackIndex(ui.sclNowTime), StackIndex(ui.lblFileSet[1]));
    EXPECT_GT(StackIndex(ui.txtTagData[0]), StackIndex(ui.lblTagSet[13]));
}

TEST_F(LayoutTest, TextBoxesHoldAWholeLineOfTheirFont) {
    Create();
    const QList<QLineEdit*> boxes = w->findChildren<QLineEdit*>();
    ASSERT_GE(boxes.size(), 6);
    for (QLineEdit* box : boxes) {
        if (box->parentWidget()->inherits("QComboBox")) continue;
        SCOPED_TRACE(box->objectName().toStdString());
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth =
            box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        const QRect inner = box->style()
                                ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                                .marginsRemoved(box->textMargins());
        const QFontMetrics metrics(box->font());
        // Ascent and descent of "Tag gyp" inside the box, and a readable size.
        EXPECT_LE(metrics.boundingRect(QStringLiteral("Tag gyp")).height(), inner.height());
        EXPECT_LE(metrics.height(), inner.height());
        EXPECT_GE(metrics.height(), 12);
    }
}

TEST_F(LayoutTest, LabelRefitsWhenItsCaptionChanges) {
    Create();
    Label* name = w->ui.lblTitle[1];
    const double before = tw::Width(name);
    name->setCaption(QStringLiteral("A much longer list name than before"));
    EXPECT_GT(tw::Width(name), before);
    name->setCaption(QString());
    EXPECT_EQ(tw::Width(name), 0);
    // Fixed-size labels keep their size.
    w->ui.lblBack[0]->setCaption(QStringLiteral("x"));
    EXPECT_EQ(tw::Width(w->ui.lblBack[0]), 5475);
}

TEST_F(LayoutTest, CommandsSayWhatTheyDoInTheirTooltips) {
    Create();
    Controls& ui = w->ui;
    std::vector<Label*> words{ui.lblShowTag};
    for (const auto* group : {&ui.lblPlaySet, &ui.lblListSet})
        words.insert(words.end(), group->begin(), group->end());
    for (const auto* group : {&ui.lblDown, &ui.lblFileSet, &ui.lblListSelect, &ui.lblDefault})
        words.insert(words.end(), group->begin(), group->end());
    words.insert(words.end(), ui.lblPlayerControl.begin(), ui.lblPlayerControl.end());
    words.insert(words.end(), ui.lblScrollTitle.begin(), ui.lblScrollTitle.end());
    words.insert(words.end(), ui.lblTagSet.begin(), ui.lblTagSet.end());
    for (int i : {0, 1, 2, 3, 4, 9}) words.push_back(ui.lblConf[i]);
    for (int i : {2, 5, 6, 7, 8}) words.push_back(ui.lblConfValue[i]);
    for (Label* l : words) {
        EXPECT_TRUE(l->toolTip().startsWith(l->caption() + QStringLiteral(": ")))
            << l->objectName().toStdString() << " " << l->toolTip().toStdString();
        EXPECT_GT(l->toolTip().size(), l->caption().size() + 8) << l->objectName().toStdString();
    }
    for (Label* l : ui.lblSmallSet) EXPECT_FALSE(l->toolTip().isEmpty()) << l->objectName().toStdString();
    for (Label* l : ui.lblClose) EXPECT_FALSE(l->toolTip().isEmpty()) << l->objectName().toStdString();

    // The tooltip follows the caption a click changed.
    w->settingsPanel.lblConfValue_Click(7);
    EXPECT_EQ(ui.lblConfValue[7]->toolTip(), QStringLiteral("Repert: repeat this track"));
    w->settingsPanel.lblConfValue_Click(8);
    w->settingsPanel.lblConfValue_Click(8);
    EXPECT_EQ(ui.lblConfValue[8]->toolTip(), QStringLiteral("NextList: continue with the next list at the end"));
    w->windowModes.lblPlayerControl_Click(2);
    EXPECT_TRUE(ui.lblPlayerControl[2]->toolTip().startsWith(QStringLiteral("unLock: ")));
}

// Every caption, with the texts it shows at run time, lies whole inside its box in the font it
// is drawn with, its box inside its panel or the window, and neighbours on a line stay apart.
TEST_F(LayoutTest, EveryCaptionFitsItsBoxWithTheFontsInUse) {
    Create();
    Controls& ui = w->ui;
    auto checkAll = [this](const char* when) {
        SCOPED_TRACE(when);
        for (Label* l : w->findChildren<Label*>()) {
            // The ticker runs past the window by design; the symbols are drawn as glyphs.
            if (l == w->ui.lblTitle[0] || l->objectName().startsWith(QStringLiteral("lblSmallSet"))) continue;
            const std::string name = (l->objectName() + u' ' + l->caption()).toStdString();
            EXPECT_LE(QFontMetricsF(l->font()).horizontalAdvance(l->drawnText()), l->width()) << name;
            EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry())) << name;
        }
    };
    auto before = [](const QWidget* a, const QWidget* b) { return tw::Left(a) + tw::Width(a) <= tw::Left(b); };
    checkAll("as built");

    // Counters with three digits, a long list name, the longest time, "unLock".
    ui.lblTitle[1]->setCaption(QStringLiteral("Songs for a long drive"));
    for (int i : {0, 1, 2, 3}) ui.lblPoint[i]->setCaption(QStringLiteral("101"));
    ui.lblNowTime->setCaption(QStringLiteral("100:00"));
    w->windowModes.lblPlayerControl_Click(2);
    checkAll("header and bottom row");
    EXPECT_EQ(ui.lblTitle[1]->drawnText(), ui.lblTitle[1]->caption());
    const std::vector<QWidget*> header{ui.lblTitle[1], ui.lblPoint[0], ui.lblPoint[4], ui.lblPoint[1], ui.lblNowTime};
    const std::vector<QWidget*> bottom{ui.lblListSet[4], ui.lblPoint[2], ui.lblPoint[5], ui.lblPoint[3], ui.lblFileSet[1]};
    for (const auto* line : {&header, &bottom})
        for (std::size_t i = 1; i < line->size(); ++i)
            EXPECT_TRUE(before((*line)[i - 1], (*line)[i])) << (*line)[i]->objectName().toStdString();
    EXPECT_TRUE(before(ui.lblPlayerControl[2], ui.lblPlayerControl[1]));

    // Every play mode; every NextType value beside the volume slider, which stays usable.
    w->settingsPanel.lblConf_Click(0);
    const double sliderRight = tw::Left(ui.sclConfig[0]) + tw::Width(ui.sclConfig[0]);
    for (int i = 0; i < 5; ++i) {
        w->settingsPanel.lblConfValue_Click(7);
        w->settingsPanel.lblConfValue_Click(8);
        checkAll(ui.lblConfValue[8]->caption().toUtf8().constData());
        EXPECT_TRUE(before(ui.lblConfValue[8], ui.sclConfig[0]));
        EXPECT_EQ(tw::Left(ui.sclConfig[0]) + tw::Width(ui.sclConfig[0]), sliderRight);
        EXPECT_GE(tw::Width(ui.sclConfig[0]), 1000);
    }

    // The tag view: a long file name ends before the close cross, long values at the edge;
    // one too long for any size is cut and shown whole in its tooltip.
    ui.lblTagInfo[0]->setCaption(QStringLiteral("01 - A rather long name of a track.mp3"));
    for (Label* value : ui.lblTagData) value->setCaption(QStringLiteral("A quite long album title of an old record"));
    const QString endless = QStringLiteral("An album title that goes on and on and on, far past any panel");
    ui.lblTagData[5]->setCaption(endless);
    ui.lblShowTag->setCaption(QStringLiteral("TagSet"));
    checkAll("tags");
    EXPECT_TRUE(before(ui.lblTagInfo[0], ui.lblClose[3]));
    EXPECT_TRUE(ui.lblTagData[5]->drawnText().endsWith(QChar(0x2026)));
    EXPECT_EQ(ui.lblTagData[5]->toolTip(), endless);
}

// In the strip the scrolling title ends where the symbol buttons begin: none of its colour
// shows from there to the window's right edge, and the whole title is back in the window.
TEST_F(LayoutTest, StripTitleMakesWayForTheSymbols) {
    Create();
    w->st.FormSmallWidth = 5475;
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->ui.lblTitle[0]->setCaption(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    tw::SetLeft(w->ui.lblTitle[0], 0);
    auto titlePixels = [this](int fromX) {
        const QImage shot = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = fromX; x < shot.width(); ++x) n += shot.pixel(x, y) == qRgb(0xC0, 0xC0, 0xFF);
        return n;
    };
    w->windowModes.lblBack_DblClick(0);
    int symbolsLeft = w->width();
    for (Label* symbol : w->ui.lblSmallSet)
        if (!symbol->isHidden()) symbolsLeft = std::min(symbolsLeft, symbol->x());
    ASSERT_LT(symbolsLeft, w->width());
    EXPECT_EQ(titlePixels(symbolsLeft), 0);
    EXPECT_GT(titlePixels(0), 0);

    w->windowModes.lblBack_DblClick(0);
    EXPECT_GT(titlePixels(symbolsLeft), 0);
}

TEST_F(LayoutTest, PowerOffDialogControls) {
    Create();
    QWidget dialog;
    const PowerOffControls c = BuildPowerOffDialog(&dialog);
    EXPECT_EQ(c.lblPowerOff[0]->caption(), QStringLiteral("PowerOff After"));
    EXPECT_EQ(c.lblPowerOff[1]->caption(), QStringLiteral("30"));
    EXPECT_EQ(c.lblPowerOff[2]->caption(), QStringLiteral("Seconds Later"));
    EXPECT_EQ(c.cmdCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(c.tmrPowerOff->interval(), 1000);
    EXPECT_FALSE(c.tmrPowerOff->isActive());
}

// A label measures its caption when drawn or asked: measured late, after the same changes,
// it ends as one measured at once, with one design font shared by boxes of any width.
TEST_F(LayoutTest, ALateMeasureEndsAsAnImmediateOne) {
    const std::pair<int, std::function<void(Label&)>> cases[] = {
        {400, [](Label&) {}},
        {90, [](Label&) {}},
        {30, [](Label&) {}},
        {60, [](Label& l) { l.resize(400, l.height()); }},
        {60, [](Label& l) { l.setCaption(QStringLiteral("SetAll")); }},
        {90, [](Label& l) { l.setFontScale(0.8); }}};
    QWidget parent;
    for (const auto& [box, change] : cases) {
        SCOPED_TRACE(box);
        Label now(&parent), late(&parent);
        for (Label* l : {&now, &late}) {
            l->setDesignFont(fonts::ForKey(QStringLiteral("PG12b")));
            l->setAutoSize(false);
            l->setCaption(QStringLiteral("SetAllWithTitle"));
            l->setGeometry(0, 0, box, 20);
            l->fitFontToBox();
        }
        EXPECT_TRUE(late.measurePending());
        (void)now.drawnText();
        change(now);
        change(late);
        EXPECT_EQ(late.drawnText(), now.drawnText());
        EXPECT_EQ(late.font().pointSizeF(), now.font().pointSizeF());
    }
}

} // namespace
} // namespace telbo::test
