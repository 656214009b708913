// The tolerance through the window: limits typed into their edits and applied by their check marks,
// the curves and capability lines by their boxes, what the chart shows of them, what a rebuild keeps, the
// refused inputs, and the frequency table on the clipboard.
#include "tests/app/WindowFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTabWidget>
#include <QToolButton>
#include <cmath>

#include "app/CheckEdit.h"
#include "chart/ChartRenderer.h"
#include "engine/Capability.h"

namespace {

// Two lots of fifty bearings' widths with a header row: lot A around 10.5, lot B around 11.
QStringList TwoLots()
{
    QStringList lines{QStringLiteral("ロットA\tロットB")};
    for (int i = 0; i < 50; ++i) {
        const double a = 10.5 + 0.9 * std::sin(i * 0.77) + (i % 5 - 2) * 0.15;
        const double b = 11.0 + 0.7 * std::cos(i * 0.41) + (i % 3 - 1) * 0.2;
        lines += QString::number(a, 'f', 3) + u'\t' + QString::number(b, 'f', 3);
    }
    lines[8] = QStringLiteral("13.400\t11.100"); // one width of lot A beyond the upper limit
    return lines;
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class CapabilityTest : public WindowTest {
protected:
    // Types the text and presses the edit's check mark, as the user does.
    void Apply(tf::CheckEdit *edit, const QString &text)
    {
        edit->setText(text);
        ASSERT_NE(edit->checkButton(), nullptr);
        edit->checkButton()->click();
    }
    QImage ChartPicture()
    {
        Paint();
        return form->Chart1->grab().toImage();
    }
    tf::ChartLayout Layout() { return tf::LayoutChart(chart(), form->Chart1->size()); }
};

bool Reddish(QColor c) { return c.red() > 180 && c.green() < 60 && c.blue() < 60; }

TEST_F(CapabilityTest, ControlsAreNamedAndStartAsTheyShould)
{
    const std::pair<QWidget *, const char16_t *> named[] = {
        {form->ToleranceLowerValue, u"規格下限"}, {form->ToleranceUpperValue, u"規格上限"}, {form->ToleranceTargetValue, u"目標値"},
        {form->NormalCurveCheck, u"正規分布曲線"}, {form->CapabilityCheck, u"工程能力"}};
    for (const auto &[widget, name] : named) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_EQ(widget->parentWidget(), form->TabSheet3);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), QString::fromUtf16(name));
    }
    EXPECT_FALSE(form->NormalCurveCheck->isChecked());
    EXPECT_TRUE(form->CapabilityCheck->isChecked());
    for (tf::CheckEdit *edit : {form->ToleranceLowerValue, form->ToleranceUpperValue, form->ToleranceTargetValue}) {
        EXPECT_TRUE(edit->isEnabled());
        EXPECT_TRUE(edit->text().isEmpty());
    }
}

// Every new control lies inside its page and shows its whole caption, in each look, at 100 %.
TEST_F(CapabilityTest, ControlsFitTheirPageInEveryStyle)
{
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    for (const QString &style : tf::TStyleManager::StyleNames()) {
        SCOPED_TRACE(style.toStdString());
        const int index = form->StyleSelecter->findText(style);
        form->StyleSelecter->setCurrentIndex(index);
        emit form->StyleSelecter->activated(index);
        Settle();
        const QRect page = form->TabSheet3->rect();
        for (QWidget *w : std::initializer_list<QWidget *>{form->ToleranceLabel, form->ToleranceLowerValue, form->ToleranceUpperValue,
                                                          form->ToleranceTargetValue, form->NormalCurveCheck,
                                                          form->CapabilityCheck}) {
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_TRUE(page.contains(w->geometry())) << "page " << page.height() << " bottom " << w->geometry().bottom();
        }
        for (QCheckBox *box : {form->NormalCurveCheck, form->CapabilityCheck})
            EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
        EXPECT_LE(form->ToleranceLabel->sizeHint().width(), form->ToleranceLabel->width());
    }
}

TEST_F(CapabilityTest, LimitsTypedInTheEditsDrawTheirLinesAndTheCapabilityLines)
{
    Load(TwoLots());
    Build();
    const QString statistics = chart().SubTitle.Text.Lines().join(u'\n');
    Apply(form->ToleranceLowerValue, QStringLiteral("8"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    Apply(form->ToleranceTargetValue, QStringLiteral("10.5"));
    EXPECT_EQ(TakeErrorText(), QString());
    EXPECT_EQ(chart().Capability.LowerLimit.get(), 8.0);
    EXPECT_EQ(chart().Capability.UpperLimit.get(), 13.0);
    EXPECT_EQ(chart().Capability.Target.get(), 10.5);
    // The statistics lines stay; one capability line per lot follows them.
    EXPECT_EQ(chart().SubTitle.Text.Lines().join(u'\n'), statistics);
    const QStringList lines = chart().Capability.Lines.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("      ロットA: Cp= "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("規格外= 1 (2.0%)"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("      ロットB: Cp= "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("規格外= 0 (0.0%)")));
    for (const QString &line : lines)
        EXPECT_TRUE(line.contains(QStringLiteral("判定: ")));

    // Red dashed limits and their labels in the picture the user sees.
    const QImage shown = ChartPicture();
    const tf::ChartLayout l = Layout();
    ASSERT_EQ(l.toleranceLines.size(), 3);
    for (int k = 0; k < 2; ++k) {
        const int x = l.toleranceLines[k].line.x1();
        int red = 0;
        for (int y = l.plot.top(); y <= l.plot.bottom(); ++y)
            red += Reddish(shown.pixelColor(x, y));
        EXPECT_GT(red, l.plot.height() / 4) << l.toleranceLines[k].text.toStdString();
    }
    const QString description = form->Chart1->accessibleDescription();
    EXPECT_TRUE(description.contains(QStringLiteral("規格下限 8\n規格上限 13\n目標値 10.5\n") + lines.join(u'\n')))
        << description.toStdString();

    // Renaming a lot renames its capability line; the statistics line follows its own rule.
    form->SeriesCombo->setCurrentIndex(1);
    form->SeriesName->setText(QStringLiteral("新ロット"));
    form->SeriesName->checkButton()->click();
    EXPECT_TRUE(chart().Capability.Lines[1].startsWith(QStringLiteral("      新ロット: Cp= ")));
    EXPECT_EQ(chart().Capability.Lines[0], lines[0]);

    // Unticking 工程能力 takes the block away and leaves the lines.
    form->CapabilityCheck->click();
    EXPECT_TRUE(chart().Capability.Lines.Lines().isEmpty());
    EXPECT_EQ(chart().Capability.LowerLimit.get(), 8.0);
}

TEST_F(CapabilityTest, NormalCurvesFollowTheirBox)
{
    Load(TwoLots());
    Build();
    form->NormalCurveCheck->click();
    ASSERT_TRUE(chart().Capability.NormalCurves.get());
    ASSERT_TRUE(chart().Series(0)->NormalFit.get().has_value());
    EXPECT_EQ(chart().Series(0)->NormalFit.get()->count, 50.0);
    EXPECT_EQ(Layout().curves.size(), 2);
    // A rebuild keeps them.
    form->KukanValue->checkButton()->click();
    EXPECT_EQ(Layout().curves.size(), 2);
    form->NormalCurveCheck->click();
    EXPECT_TRUE(Layout().curves.isEmpty());
}

TEST_F(CapabilityTest, ARebuildWithAnotherMagnificationKeepsTheLimitsAtTheirDataPlace)
{
    Load(TwoLots());
    Build();
    Apply(form->ToleranceLowerValue, QStringLiteral("8"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    const QStringList before = chart().Capability.Lines.Lines();
    form->KukanManualSize->click();
    Apply(form->KukanMaxValue, QStringLiteral("14"));
    Apply(form->KukanMinValue, QStringLiteral("8"));
    Apply(form->KukanMagValue, QStringLiteral("1000"));
    EXPECT_EQ(TakeErrorText(), QString());
    ASSERT_EQ(form->mag, 1000.0);
    EXPECT_EQ(chart().Capability.LowerLimit.get(), 8000.0);
    EXPECT_EQ(chart().Capability.UpperLimit.get(), 13000.0);
    EXPECT_EQ(form->ToleranceLowerValue->text(), QStringLiteral("8000"));
    EXPECT_EQ(form->ToleranceUpperValue->text(), QStringLiteral("13000"));
    // The indices are ratios: the same data against the same limits give the same lines.
    EXPECT_EQ(chart().Capability.Lines.Lines(), before);
}

TEST_F(CapabilityTest, BadInputIsRefusedWithItsMessageAndChangesNothing)
{
    Load(TwoLots());
    Build();
    Apply(form->ToleranceLowerValue, QStringLiteral("8"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    const QStringList lines = chart().Capability.Lines.Lines();
    ASSERT_EQ(TakeErrorText(), QString());
    const struct {
        tf::CheckEdit *edit;
        const char16_t *text;
        const char16_t *message;
    } cases[] = {
        {form->ToleranceUpperValue, u"1３x", u"「1３x」は数値ではありません"},
        {form->ToleranceLowerValue, u"13", u"規格下限は規格上限より小さくしてください"},
        {form->ToleranceUpperValue, u"7", u"規格下限は規格上限より小さくしてください"},
        {form->ToleranceTargetValue, u"14", u"目標値は規格下限と規格上限の間にしてください"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        Apply(c.edit, QString::fromUtf16(c.text));
        EXPECT_TRUE(TakeErrorText().startsWith(QString::fromUtf16(c.message)));
        EXPECT_EQ(form->ToleranceLimits, (tf::ToleranceLimits{8.0, 13.0, {}}));
        EXPECT_EQ(chart().Capability.Lines.Lines(), lines);
        EXPECT_EQ(chart().Capability.UpperLimit.get(), 13.0);
        EXPECT_FALSE(chart().Capability.Target.get().has_value());
    }
}

TEST_F(CapabilityTest, ClearingEverythingGivesBackTheChartOfBefore)
{
    Load(TwoLots());
    Build();
    const QImage before = ChartPicture();
    form->Chart1->refreshDescription();
    const QString description = form->Chart1->accessibleDescription();
    ASSERT_TRUE(description.contains(QStringLiteral("系列 ロットB")));
    const QString status = form->StatusText();
    Apply(form->ToleranceLowerValue, QStringLiteral("8"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    Apply(form->ToleranceTargetValue, QStringLiteral("10"));
    form->NormalCurveCheck->click();
    ASSERT_NE(ChartPicture(), before);
    form->HorizontalCheck->click(); // a rebuild in between keeps them
    form->HorizontalCheck->click();
    ASSERT_EQ(Layout().toleranceLines.size(), 3);
    for (tf::CheckEdit *edit : {form->ToleranceTargetValue, form->ToleranceUpperValue, form->ToleranceLowerValue})
        Apply(edit, QString());
    form->NormalCurveCheck->click();
    EXPECT_EQ(TakeErrorText(), QString());
    EXPECT_EQ(ChartPicture(), before);
    form->Chart1->refreshDescription();
    EXPECT_EQ(form->Chart1->accessibleDescription(), description);
    EXPECT_EQ(form->StatusText(), status);
}

TEST_F(CapabilityTest, FrequencyTableOfAManualRangeReachesTheClipboardAsText)
{
    Load({QStringLiteral("a\tb"), QStringLiteral("0\t1"), QStringLiteral("2\t3"), QStringLiteral("3\t3"),
          QStringLiteral("4\t7"), QStringLiteral("5\t8"), QStringLiteral("10\t2")});
    Build();
    form->KukanManualSize->click();
    form->KukanMaxValue->setText(QStringLiteral("6"));
    form->KukanMinValue->setText(QStringLiteral("2"));
    form->KukanValue->checkButton()->click();
    ASSERT_EQ(TakeErrorText(), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QAction *copy = nullptr;
    for (QAction *a : form->ChartMenu->actions())
        if (a->text() == QStringLiteral("度数分布表をコピー"))
            copy = a;
    ASSERT_NE(copy, nullptr);
    copy->trigger();
    EXPECT_EQ(TakeErrorText(), QString());
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("区間下限\t区間上限\ta\tb\t合計\t累積%\n"
                             "\t2\t1\t1\t2\t16.7\n"
                             "2\t3\t1\t1\t2\t33.3\n"
                             "3\t4\t1\t2\t3\t58.3\n"
                             "4\t5\t1\t0\t1\t66.7\n"
                             "5\t6\t1\t0\t1\t75.0\n"
                             "6\t7\t0\t0\t0\t75.0\n"
                             "7\t\t1\t2\t3\t100.0\n"));
}

TEST_F(CapabilityTest, FrequencyTableWithoutAHistogramSaysSo)
{
    QAction *copy = form->ChartMenu->actions().last();
    copy->trigger();
    EXPECT_TRUE(TakeErrorText().startsWith(QStringLiteral("度数分布表にするヒストグラムがありません")));
}

// A capability chart for the README: two lots, both limits, the target and the curves.
TEST_F(CapabilityTest, WritesCapabilityPicture)
{
    const QString path = qEnvironmentVariable("TF_WRITE_CAPABILITY_PNG");
    if (path.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_CAPABILITY_PNG to a file name to write the picture";
    tf::RegisterChartFontSubstitutions();
    form->resize(1100, 720);
    Load(TwoLots());
    Build();
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    Apply(form->ToleranceLowerValue, QStringLiteral("8.5"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    Apply(form->ToleranceTargetValue, QStringLiteral("10.75"));
    form->NormalCurveCheck->click();
    ASSERT_EQ(TakeErrorText(), QString());
    form->activateWindow();
    Settle();
    ASSERT_TRUE(form->grab().save(path));
}

// The 区間 page with tolerance limits entered, once per look, for checking the page by eye: written into the
// folder TF_WRITE_TOLERANCE_PAGES names (tolerance-page-<style>.png).
TEST_F(CapabilityTest, WritesTolerancePagePictures)
{
    const QString folder = qEnvironmentVariable("TF_WRITE_TOLERANCE_PAGES");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TF_WRITE_TOLERANCE_PAGES to a folder to write the pictures";
    tf::RegisterChartFontSubstitutions();
    Load(TwoLots());
    Build();
    Apply(form->ToleranceLowerValue, QStringLiteral("8.5"));
    Apply(form->ToleranceUpperValue, QStringLiteral("13"));
    form->NormalCurveCheck->click();
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    for (const QString &style : tf::TStyleManager::StyleNames()) {
        const int index = form->StyleSelecter->findText(style);
        form->StyleSelecter->setCurrentIndex(index);
        emit form->StyleSelecter->activated(index);
        form->PageControl1->setCurrentWidget(form->TabSheet3);
        form->activateWindow();
        Settle();
        QString name = style.toLower();
        name.remove(u' ');
        ASSERT_TRUE(form->grab().save(folder + QStringLiteral("/tolerance-page-") + name + QStringLiteral(".png")));
    }
}

} // namespace
