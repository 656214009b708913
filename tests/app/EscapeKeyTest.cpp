// Esc pressed as a user presses it, with the keyboard focus in each kind of control of the window.
#include "tests/app/WindowFixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"

TEST_F(WindowTest, EscapeKeyPressesTheOuterColourButtonWhereverTheFocusIs)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    SignalCount pressed(form->ChartColor, &QPushButton::clicked);
    QWidget *const targets[] = {form->TitleEditBtn, form->HorizontalCheck, form->SeriesCombo, form->BunkatuSize,
                                form->KukanValue, form->Memo2, form->StyleSelecter, form->ScaleComboBox, form->Chart1};
    int expected = 0;
    for (QWidget *target : targets) {
        SCOPED_TRACE(target->objectName().toStdString());
        for (int page = 0; page < form->PageControl1->count(); ++page) {
            if (form->PageControl1->widget(page)->isAncestorOf(target))
                form->PageControl1->setCurrentIndex(page);
        }
        target->setFocus();
        QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : target;
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_EQ(pressed.count, ++expected);
    }
}

TEST_F(WindowTest, EscapeKeyClosesAnOpenListFirst)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Load(SampleColumn());
    Build();
    form->PageControl1->setCurrentIndex(1);
    SignalCount pressed(form->ChartColor, &QPushButton::clicked);
    form->SeriesCombo->setFocus();
    form->SeriesCombo->showPopup();
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(pressed.count, 0);
}
