// The window as built: every control of the layout under its name and index, in its place,
// with its text, colours and visibility, and the stacking the header band relies on.
#include "TelboFixture.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/ListBox.h"
#include "ui/Panel.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

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

} // namespace
} // namespace telbo::test
