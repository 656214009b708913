// The window as it opens: caption, sizes, tool bar, every control's text, hint, state and bounds,
// tab orders, the help text, and what assistive technology is told.
#include "tests/app/WindowFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include "app/BinCountBox.h"
#include "app/CheckEdit.h"
#include "app/RadioGroup.h"

TEST_F(WindowTest, OpensWithDesignSizeOnFirstPage)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tallyfold"));
    EXPECT_EQ(form->size(), QSize(829, 578));
    EXPECT_EQ(form->ToolBar1->height(), 47);
    EXPECT_FALSE(form->ToolBar1->isMovable());
    EXPECT_EQ(form->StatusBar1->height(), 19);
    EXPECT_EQ(form->Chart1->size(), QSize(621, 512));
    EXPECT_EQ(form->PageControl1->width(), 205);
    EXPECT_EQ(form->Splitter1->handleWidth(), 3);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_TRUE(form->StatusText().isEmpty());
    EXPECT_TRUE(form->acceptDrops());
    EXPECT_EQ(form->font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_TRUE(form->DataList.isEmpty());
    EXPECT_EQ(form->mag, 1.0);
    EXPECT_EQ(form->bunkatu, 10);
    EXPECT_FALSE(form->ManualDivFlag);
    EXPECT_FALSE(form->MBunkatuFlag);
    // The chart's start-up settings.
    EXPECT_EQ(chart().Legend.LegendStyle.get(), tf::lsSeries);
    EXPECT_EQ(chart().SubTitle.Alignment.get(), tf::taLeftJustify);
    EXPECT_EQ(chart().SubTitle.Font.Size.get(), 9);
    EXPECT_EQ(chart().Title.Font.Size.get(), 10);
    EXPECT_EQ(chart().SeriesCount(), 0);
}

TEST_F(WindowTest, ToolBarButtonsNamedByTheirTooltips)
{
    const std::pair<QToolButton *, const char16_t *> buttons[] = {
        {form->OpenBtn, u"データを開く"},        {form->PasteBtn, u"データー貼り付け"},
        {form->CopyEMFBtn, u"グラフをEMFでコピー"}, {form->SaveEMFBtn, u"グラフをEMFで保存"},
        {form->CopyBmpBtn, u"グラフをBMPでコピー"}, {form->SaveBmpBtn, u"グラフをBMPで保存"},
    };
    QWidget *previous = nullptr;
    for (const auto &[button, tip] : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_EQ(button->toolTip(), QString::fromUtf16(tip));
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf16(tip));
        EXPECT_EQ(button->size(), QSize(34, 35));
        EXPECT_FALSE(button->icon().isNull());
        if (previous) {
            EXPECT_LT(previous->x(), button->x());
        }
        previous = button;
    }
    EXPECT_EQ(form->CopyEMFBtn->icon().cacheKey(), form->CopyBmpBtn->icon().cacheKey());
    EXPECT_EQ(form->SaveEMFBtn->icon().cacheKey(), form->SaveBmpBtn->icon().cacheKey());
    EXPECT_NE(form->CopyEMFBtn->icon().cacheKey(), form->SaveEMFBtn->icon().cacheKey());
    // Separators stand between paste and the EMF pair and between the two pairs.
    int separators = 0;
    for (QAction *action : form->ToolBar1->actions())
        separators += action->isSeparator() ? 1 : 0;
    EXPECT_EQ(separators, 2);
}

// One row per control: its kind, visible text or text hint, start state and design bounds.
struct ControlRow {
    const char *name;
    const char16_t *text; // button/check box caption, check-edit hint, or label text
    bool enabled;
    int checked;          // check boxes: 1 ticked, 0 not; -1 for other controls
    QRect bounds;
};

TEST_F(WindowTest, ControlsStartAsDesigned)
{
    const ControlRow rows[] = {
        {"TitleEditBtn", u"タイトル名", true, -1, {17, 16, 121, 21}},
        {"TitleFontBtn", u"タイトル\u3000フォント", true, -1, {16, 43, 89, 25}},
        {"SuBTitleFontBtn", u"統計値フォント", true, -1, {111, 43, 82, 25}},
        {"ChartTitleAlignment", u"タイトル位置", true, -1, {17, 84, 144, 61}},
        {"XAxisEdit", u"X軸名", true, -1, {20, 160, 121, 21}},
        {"YAxisEdit", u"Y軸名", true, -1, {20, 187, 121, 21}},
        {"AxisFont", u"各軸\u3000フォント\u3000", true, -1, {16, 214, 123, 25}},
        {"ChartColor", u"外部色", true, -1, {16, 245, 49, 25}},
        {"WallColor", u"内部色", true, -1, {80, 245, 49, 25}},
        {"WallPictureBtn", u"画像選択", true, -1, {16, 276, 113, 25}},
        {"ChartShadow", u"影を付ける", true, 0, {24, 312, 81, 17}},
        {"BorderCheck", u"ボーダーを付ける", true, 0, {24, 335, 105, 17}},
        {"HorizontalCheck", u"横表示", true, 0, {24, 358, 105, 17}},
        {"StatisticsCheck", u"統計情報表示", true, 1, {24, 381, 105, 17}},
        {"SeriesCombo", u"シリーズ選択", true, -1, {16, 30, 145, 21}},
        {"SeriesName", u"新しいシリーズ名", true, -1, {40, 71, 121, 21}},
        {"SeriesColor", u"シリーズカラー", true, -1, {40, 106, 105, 25}},
        {"LineVisibleCheck", u"表示する", true, 1, {48, 145, 113, 17}},
        {"LegendPosGrp", u"凡例位置", true, -1, {25, 188, 104, 93}},
        {"Label2", u"区間分割数", true, -1, {32, 16, 60, 13}},
        {"BunkatuSize", u"10", true, -1, {32, 35, 49, 22}},
        {"KukanValue", u"区間分割値", true, -1, {32, 75, 113, 21}},
        {"KukanManualSize", u"XY軸マニュアル設定", true, 0, {16, 115, 121, 17}},
        {"KukanMaxValue", u"X軸最大値", false, -1, {48, 147, 97, 21}},
        {"KukanMinValue", u"X軸最小値", false, -1, {48, 185, 97, 21}},
        {"DosuMaxValue", u"Y軸最大値", false, -1, {48, 221, 97, 21}},
        {"DosuTickValue", u"Y軸刻み幅", false, -1, {48, 259, 97, 21}},
        {"KukanMagValue", u"DATA倍率", false, -1, {48, 307, 97, 21}},
        {"StyleSelecter", u"Windows", true, -1, {24, 20, 145, 21}},
        {"Label3", u"拡大縮小", true, -1, {24, 56, 48, 13}},
        {"ScaleComboBox", u"100%", true, -1, {24, 75, 145, 21}},
        {"Label1", u"Ver 2.0", true, -1, {88, 102, 103, 13}},
    };
    for (const ControlRow &row : rows) {
        SCOPED_TRACE(row.name);
        auto *w = form->findChild<QWidget *>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr);
        const QString text = QString::fromUtf16(row.text);
        EXPECT_EQ(w->geometry(), row.bounds);
        EXPECT_EQ(w->isEnabled(), row.enabled);
        if (auto *edit = qobject_cast<tf::CheckEdit *>(w)) {
            EXPECT_EQ(edit->placeholderText(), text);
            EXPECT_TRUE(edit->text().isEmpty());
        } else if (auto *box = qobject_cast<QCheckBox *>(w)) {
            EXPECT_EQ(box->text(), text);
            EXPECT_EQ(box->isChecked(), row.checked == 1);
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            EXPECT_EQ(button->text(), text);
        } else if (auto *group = qobject_cast<tf::RadioGroup *>(w)) {
            EXPECT_EQ(group->title(), text);
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            EXPECT_EQ(label->text(), text);
        } else if (auto *spin = qobject_cast<tf::BinCountBox *>(w)) {
            EXPECT_EQ(spin->text(), text);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            EXPECT_EQ(combo->count() == 0 ? combo->placeholderText() : combo->currentText(), text);
        } else {
            ADD_FAILURE() << "unexpected kind";
        }
    }
    EXPECT_EQ(form->SeriesCombo->count(), 0);
    EXPECT_FALSE(form->SeriesCombo->isEditable());
    EXPECT_EQ(form->SeriesCombo->toolTip(), QStringLiteral("対象となるデータを選択"));
    EXPECT_EQ(form->WallPictureBtn->toolTip(), QStringLiteral("バックに画像を貼り付ける"));
    EXPECT_EQ(form->BunkatuSize->minimum(), 2);
    EXPECT_EQ(form->BunkatuSize->maximum(), 100);
    EXPECT_EQ(form->BunkatuSize->singleStep(), 1);
    EXPECT_TRUE(form->StyleSelecter->isEditable());
    EXPECT_TRUE(form->ScaleComboBox->isEditable());

    QStringList zoom;
    for (int i = 0; i < form->ScaleComboBox->count(); ++i)
        zoom += form->ScaleComboBox->itemText(i);
    EXPECT_EQ(zoom, (QStringList{QStringLiteral("100%"), QStringLiteral("125%"), QStringLiteral("150%"),
                                 QStringLiteral("175%"), QStringLiteral("200%")}));
    QStringList styles;
    for (int i = 0; i < form->StyleSelecter->count(); ++i)
        styles += form->StyleSelecter->itemText(i);
    EXPECT_EQ(styles, (QStringList{QStringLiteral("Auric"), QStringLiteral("Glow"), QStringLiteral("Turquoise Gray"),
                                   QStringLiteral("Windows")}));

    const std::pair<tf::RadioGroup *, QStringList> groups[] = {
        {form->ChartTitleAlignment, {QStringLiteral("左寄席"), QStringLiteral("中央"), QStringLiteral("右寄せ")}},
        {form->LegendPosGrp, {QStringLiteral("右"), QStringLiteral("左"), QStringLiteral("上"), QStringLiteral("下")}},
    };
    for (const auto &[group, items] : groups) {
        ASSERT_EQ(group->count(), items.size());
        for (int i = 0; i < items.size(); ++i)
            EXPECT_EQ(group->item(i)->text(), items[i]);
    }
    EXPECT_EQ(form->ChartTitleAlignment->itemIndex(), 1);
    EXPECT_EQ(form->LegendPosGrp->itemIndex(), 0);
    // Two columns: the third title position stands beside the first.
    EXPECT_EQ(form->ChartTitleAlignment->item(2)->y(), form->ChartTitleAlignment->item(0)->y());
    EXPECT_GT(form->ChartTitleAlignment->item(2)->x(), form->ChartTitleAlignment->item(0)->x());

    const std::pair<QWidget *, const char16_t *> pages[] = {
        {form->TabSheet1, u"外観"}, {form->TabSheet2, u"シリーズ"},
        {form->TabSheet3, u"区間"}, {form->TabSheet4, u"フォーム・使用例"}};
    ASSERT_EQ(form->PageControl1->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(form->PageControl1->widget(i), pages[i].first);
        EXPECT_EQ(form->PageControl1->tabText(i), QString::fromUtf16(pages[i].second));
    }
    EXPECT_EQ(form->Panel1->height(), 121);
}

TEST_F(WindowTest, ButtonCaptionsFitTheirDesignWidth)
{
    for (QPushButton *button : form->findChildren<QPushButton *>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()), button->width() - 6);
        EXPECT_GE(button->font().pixelSize(), 8);
    }
}

TEST_F(WindowTest, TabOrdersFollowTheDesign)
{
    const std::vector<std::vector<QWidget *>> orders = {
        {form->AxisFont, form->BorderCheck, form->ChartShadow, form->ChartTitleAlignment, form->HorizontalCheck,
         form->StatisticsCheck, form->SuBTitleFontBtn, form->TitleFontBtn, form->WallPictureBtn, form->XAxisEdit,
         form->YAxisEdit, form->TitleEditBtn, form->ChartColor, form->WallColor},
        {form->LineVisibleCheck, form->SeriesCombo, form->SeriesName, form->SeriesColor, form->LegendPosGrp},
        {form->KukanManualSize, form->BunkatuSize, form->KukanValue, form->KukanMaxValue, form->KukanMinValue,
         form->DosuMaxValue, form->DosuTickValue, form->KukanMagValue},
        {form->Memo2, form->StyleSelecter, form->ScaleComboBox},
    };
    // A radio group takes part through its buttons, the first of them standing for the group.
    auto stop = [](QWidget *w) -> QWidget * {
        auto *group = qobject_cast<tf::RadioGroup *>(w);
        return group ? group->item(0) : w;
    };
    auto last = [](QWidget *w) -> QWidget * {
        auto *group = qobject_cast<tf::RadioGroup *>(w);
        return group ? group->item(group->count() - 1) : w;
    };
    for (const auto &order : orders) {
        std::vector<QWidget *> stops;
        for (QWidget *w : order)
            stops.push_back(stop(w));
        for (size_t i = 1; i < order.size(); ++i) {
            SCOPED_TRACE(order[i]->objectName().toStdString());
            // The next control in the chain that is one of the page's listed controls.
            QWidget *next = last(order[i - 1])->nextInFocusChain();
            while (std::find(stops.begin(), stops.end(), next) == stops.end())
                next = next->nextInFocusChain();
            EXPECT_EQ(next->objectName(), stops[i]->objectName());
        }
    }
}

TEST_F(WindowTest, HelpTextHasItsTwentyThreeLines)
{
    const QStringList lines = form->Memo2->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 23);
    EXPECT_EQ(lines[0], QStringLiteral("1. データフォーマット"));
    EXPECT_EQ(lines[4], QStringLiteral("データ\uFF11,データ2,データ3"));
    EXPECT_EQ(lines[9], QStringLiteral("3,30,60,70"));
    EXPECT_EQ(lines[22], QStringLiteral("率はステータスバーに表示されます。"));
    EXPECT_EQ(lines.count(QString()), 2);
    EXPECT_TRUE(lines[10].isEmpty());
    EXPECT_TRUE(lines[18].isEmpty());
    EXPECT_TRUE(form->Memo2->isReadOnly());
    EXPECT_EQ(form->Memo2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form->Memo2->verticalScrollBar()->value(), 0);
}

TEST_F(WindowTest, ControlsWithoutVisibleTextAreNamedForAssistiveTechnology)
{
    for (tf::CheckEdit *edit : form->findChildren<tf::CheckEdit *>()) {
        SCOPED_TRACE(edit->objectName().toStdString());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name), edit->placeholderText());
        QToolButton *button = edit->checkButton();
        ASSERT_NE(button, nullptr);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::PushButton);
        EXPECT_EQ(a->text(QAccessible::Name), edit->placeholderText());
    }
    EXPECT_EQ(form->findChildren<tf::CheckEdit *>().size(), 13); // the window's ten and the three tolerance edits
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->SeriesCombo)->text(QAccessible::Name),
              QStringLiteral("シリーズ選択"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->BunkatuSize)->text(QAccessible::Name),
              QStringLiteral("区間分割数"));
    // A combo box is named on this platform by the label that stands for it.
    bool labelled = false;
    for (const auto &[other, relation] :
         QAccessible::queryAccessibleInterface(form->ScaleComboBox)->relations(QAccessible::Label))
        labelled = labelled || other->object() == form->Label3;
    EXPECT_TRUE(labelled);
    // The status line is a label, so its text is readable.
    QAccessibleInterface *status = QAccessible::queryAccessibleInterface(form->StatusBar1Text);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->role(), QAccessible::StaticText);
    Load(SampleColumn());
    Build();
    EXPECT_EQ(status->text(QAccessible::Name), form->StatusText());
}
