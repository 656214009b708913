// The real font dialog of the three font commands: it shows the chart's own face name, even one that no
// installed family carries, and keeps it on OK unless the user picks another family.
#include "tests/app/WindowFixture.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QPushButton>
#include <QTimer>

#include "chart/ChartRenderer.h"

namespace {

// Answers the font dialog once it is open: reads the face it shows, lets pick act on its face box,
// then presses OK. Whatever goes wrong, the dialog is closed so that the test never waits on it.
void AnswerFontDialog(QString &shownFace, std::function<void(QFontComboBox *)> pick = {})
{
    QTimer::singleShot(0, [&shownFace, pick] {
        QDialog *dialog = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible())
                dialog = d;
        if (!dialog) {
            ADD_FAILURE() << "no dialog opened";
            return;
        }
        auto *face = dialog->findChild<QFontComboBox *>();
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        if (!face || !buttons) {
            ADD_FAILURE() << "the dialog has no face box or no buttons";
            dialog->reject();
            return;
        }
        shownFace = face->currentText();
        if (pick)
            pick(face);
        buttons->button(QDialogButtonBox::Ok)->click();
    });
}

class FontDialogTest : public WindowTest {
protected:
    void SetUp() override
    {
        tf::RegisterChartFontSubstitutions();
        WindowTest::SetUp();
        form->FontDialogHook = nullptr; // the real dialog
    }
};

struct FaceCase {
    const char *name;
    QPushButton *TForm1::*button;
    tf::TTeeFont &(*font)(tf::TChart &);
    const char16_t *face;
};
TF_PRINT_CASE_AS_NAME(FaceCase)

class FaceKept : public FontDialogTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(FaceKept, OkWithoutAChangeKeepsTheChartsFaceName)
{
    const FaceCase &c = GetParam();
    tf::TTeeFont &font = c.font(chart());
    ASSERT_EQ(font.Name.get(), QString::fromUtf16(c.face));
    const int size = font.Size.get();
    QString shown;
    AnswerFontDialog(shown);
    (form.get()->*c.button)->click();
    EXPECT_EQ(shown, QString::fromUtf16(c.face)) << "the dialog shows the chart's face name";
    EXPECT_EQ(font.Name.get(), QString::fromUtf16(c.face));
    EXPECT_EQ(font.Size.get(), size);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FaceKept,
    ::testing::Values(FaceCase{"Title", &TForm1::TitleFontBtn, [](tf::TChart &c) -> tf::TTeeFont & { return c.Title.Font; },
                               u"Tahoma"},
                      FaceCase{"Statistics", &TForm1::SuBTitleFontBtn,
                               [](tf::TChart &c) -> tf::TTeeFont & { return c.SubTitle.Font; }, u"ＭＳ ゴシック"},
                      FaceCase{"AxisTitles", &TForm1::AxisFont,
                               [](tf::TChart &c) -> tf::TTeeFont & { return c.LeftAxis.Title.Font; }, u"Tahoma"}),
    tftest::CaseName());

TEST_F(FontDialogTest, PickedFamilyReplacesTheFaceName)
{
    QString shown;
    QString picked;
    AnswerFontDialog(shown, [&picked](QFontComboBox *face) {
        const int index = face->findText(QStringLiteral("Noto Sans CJK JP"));
        ASSERT_GE(index, 0);
        face->setCurrentIndex(index);
        emit face->activated(index);
        picked = face->itemText(index);
    });
    form->SuBTitleFontBtn->click();
    EXPECT_EQ(shown, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(chart().SubTitle.Font.Name.get(), picked);
}

TEST_F(FontDialogTest, FamilyTypedInFullCountsAsPicked)
{
    QString shown;
    AnswerFontDialog(shown, [](QFontComboBox *face) { face->setEditText(QStringLiteral("noto sans cjk jp")); });
    form->TitleFontBtn->click();
    EXPECT_EQ(chart().Title.Font.Name.get(), QStringLiteral("Noto Sans CJK JP"));
}

} // namespace
