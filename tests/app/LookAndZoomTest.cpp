// What the looks and the zoom draw in real controls: check boxes and radio buttons whose two states cannot
// be mistaken in any look, and indicators, arrows, scroll bars and edit icons that grow with the zoom.
#include "tests/app/WindowFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOption>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"
#include "app/RadioGroup.h"

namespace {

QImage Grab(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The largest difference of one colour channel.
int Distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

QRect IndicatorRect(QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<QRadioButton *>(button) != nullptr;
    return button->style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator,
                                           &option, button);
}

// The smallest rectangle holding every pixel of rect where the two pictures differ by more than 64.
QRect ChangedBounds(const QImage &a, const QImage &b, const QRect &rect)
{
    QRect bounds;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (Distance(a.pixel(x, y), b.pixel(x, y)) > 64)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

void Choose(QComboBox *box, const QString &item)
{
    const int index = box->findText(item);
    box->setCurrentIndex(index);
    emit box->activated(index);
    QCoreApplication::processEvents();
}

struct IndicatorCase {
    const char *name;
    const char *style;
    bool radio;
};
TF_PRINT_CASE_AS_NAME(IndicatorCase)

class IndicatorLook : public WindowTest, public ::testing::WithParamInterface<IndicatorCase> {};

// The unticked indicator stands out from the window behind it, and ticking changes most of it.
TEST_P(IndicatorLook, TickedAndUntickedAreUnmistakable)
{
    const IndicatorCase &c = GetParam();
    Choose(form->StyleSelecter, QString::fromLatin1(c.style));
    form->PageControl1->setCurrentIndex(0);
    QAbstractButton *button = c.radio ? static_cast<QAbstractButton *>(form->ChartTitleAlignment->item(0))
                                      : static_cast<QAbstractButton *>(form->ChartShadow);
    ASSERT_FALSE(button->isChecked());
    const QRect r = IndicatorRect(button);
    ASSERT_GE(r.width(), 10);
    const QImage off = Grab(button);
    button->click();
    ASSERT_TRUE(button->isChecked());
    const QImage on = Grab(button);

    // The window behind the control, between the indicator and its caption.
    const QRgb window = off.pixel(r.right() + 2, r.center().y());
    int standsOut = 0;
    int changed = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            standsOut = std::max(standsOut, Distance(off.pixel(x, y), window));
            changed += Distance(off.pixel(x, y), on.pixel(x, y)) > 64;
        }
    }
    EXPECT_GE(standsOut, 96) << "the unticked indicator is hard to see on the window";
    EXPECT_GE(changed, r.width() * r.height() * 2 / 5) << "ticking changes too little of the indicator";
}

INSTANTIATE_TEST_SUITE_P(
    Looks, IndicatorLook,
    ::testing::Values(IndicatorCase{"AuricCheckBox", "Auric", false}, IndicatorCase{"AuricRadio", "Auric", true},
                      IndicatorCase{"GlowCheckBox", "Glow", false}, IndicatorCase{"GlowRadio", "Glow", true},
                      IndicatorCase{"TurquoiseGrayCheckBox", "Turquoise Gray", false},
                      IndicatorCase{"TurquoiseGrayRadio", "Turquoise Gray", true},
                      IndicatorCase{"WindowsCheckBox", "Windows", false},
                      IndicatorCase{"WindowsRadio", "Windows", true}),
    tftest::CaseName());

// What a style draws at a size of its own, measured in the window's controls.
struct StyleSizes {
    QRect checkIndicator, radioIndicator, spinUp, comboArrow, checkButton; // checkButton: of a check edit
    int scrollBar = 0;
    QRect spinArrow, tick; // the drawn arrow and check mark
};

class ZoomedLook : public WindowTest {
protected:
    StyleSizes Measure()
    {
        StyleSizes s;
        form->PageControl1->setCurrentIndex(0);
        QCoreApplication::processEvents();
        s.checkIndicator = IndicatorRect(form->ChartShadow);
        s.radioIndicator = IndicatorRect(form->ChartTitleAlignment->item(0));
        const QImage off = Grab(form->ChartShadow);
        form->ChartShadow->click();
        s.tick = ChangedBounds(off, Grab(form->ChartShadow), s.checkIndicator);
        form->ChartShadow->click();
        s.checkButton = form->TitleEditBtn->checkButton()->geometry();

        form->PageControl1->setCurrentIndex(2);
        QCoreApplication::processEvents();
        QSpinBox *spin = form->BunkatuSize;
        QStyleOptionSpinBox spinOption;
        spinOption.initFrom(spin);
        spinOption.rect = spin->rect();
        spinOption.subControls = QStyle::SC_All;
        spinOption.frame = true;
        spinOption.buttonSymbols = spin->buttonSymbols();
        s.spinUp = spin->style()->subControlRect(QStyle::CC_SpinBox, &spinOption, QStyle::SC_SpinBoxUp, spin);
        // The arrow is the dark part of the light button (the window's own look is light).
        const QImage spinPicture = Grab(spin);
        for (int y = s.spinUp.top(); y <= s.spinUp.bottom(); ++y)
            for (int x = s.spinUp.left(); x <= s.spinUp.right(); ++x)
                if (qGray(spinPicture.pixel(x, y)) < 140)
                    s.spinArrow |= QRect(x, y, 1, 1);

        form->PageControl1->setCurrentIndex(3);
        QCoreApplication::processEvents();
        QComboBox *combo = form->ScaleComboBox;
        QStyleOptionComboBox comboOption;
        comboOption.initFrom(combo);
        comboOption.rect = combo->rect();
        comboOption.subControls = QStyle::SC_All;
        comboOption.editable = true;
        comboOption.frame = true;
        s.comboArrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &comboOption, QStyle::SC_ComboBoxArrow, combo);
        s.scrollBar = form->Memo2->verticalScrollBar()->width();
        return s;
    }
};

TEST_F(ZoomedLook, IndicatorsArrowsScrollBarsAndEditIconsGrowWithTheZoom)
{
    Choose(form->StyleSelecter, QStringLiteral("Windows"));
    const StyleSizes design = Measure();
    ASSERT_FALSE(design.spinArrow.isEmpty());
    ASSERT_FALSE(design.tick.isEmpty());
    Choose(form->ScaleComboBox, QStringLiteral("200%"));
    const StyleSizes zoomed = Measure();

    const auto twice = [](int design, int zoomed, const char *what) {
        EXPECT_NEAR(zoomed, 2 * design, 2) << what << ": " << design << " at the design size";
    };
    twice(design.checkIndicator.width(), zoomed.checkIndicator.width(), "check box indicator");
    twice(design.radioIndicator.width(), zoomed.radioIndicator.width(), "radio button indicator");
    twice(design.spinUp.width(), zoomed.spinUp.width(), "spin box button");
    twice(design.comboArrow.width(), zoomed.comboArrow.width(), "combo box arrow");
    twice(design.scrollBar, zoomed.scrollBar, "scroll bar");
    twice(design.spinArrow.width(), zoomed.spinArrow.width(), "drawn spin arrow");
    twice(design.tick.width(), zoomed.tick.width(), "drawn check mark");
    twice(design.tick.height(), zoomed.tick.height(), "drawn check mark");

    Choose(form->ScaleComboBox, QStringLiteral("100%"));
    const StyleSizes back = Measure();
    EXPECT_EQ(back.checkIndicator, design.checkIndicator);
    EXPECT_EQ(back.spinUp, design.spinUp);
    EXPECT_EQ(back.scrollBar, design.scrollBar);
    EXPECT_EQ(back.checkButton, design.checkButton);
}

// The green check mark of a check edit is drawn at the zoomed size, not as a small icon in a big button.
TEST_F(ZoomedLook, CheckMarkIconIsDrawnAtTheZoomedSize)
{
    const auto greenBounds = [this] {
        QImage picture = Grab(form->TitleEditBtn->checkButton());
        QRect bounds;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                if (qGreen(p) > qRed(p) + 60 && qGreen(p) > qBlue(p) + 60)
                    bounds |= QRect(x, y, 1, 1);
            }
        return bounds;
    };
    form->PageControl1->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const QRect design = greenBounds();
    ASSERT_GE(design.width(), 8);
    Choose(form->ScaleComboBox, QStringLiteral("200%"));
    form->PageControl1->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const QRect zoomed = greenBounds();
    EXPECT_NEAR(zoomed.width(), 2 * design.width(), 2);
    EXPECT_NEAR(zoomed.height(), 2 * design.height(), 2);
}

} // namespace
