#include "app/TForm1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/BinCountBox.h"
#include "app/BusyIndicator.h"
#include "app/SheetChooser.h"
#include "app/CheckEdit.h"
#include "app/FixedListComboBox.h"
#include "app/PageControl.h"
#include "app/RadioGroup.h"
#include "app/TitleComboBox.h"
#include "app/StyleManager.h"
#include "app/Zoom.h"
#include "app/store/ExIniFile.h"
#include "chart/Histogram.h"

static void InitAppResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

// Design sizes, in logical pixels.
constexpr int ClientWidth = 829;
constexpr int ClientHeight = 578;
constexpr int ToolBarHeight = 47;
constexpr int StatusBarHeight = 19;
constexpr int PageControlWidth = 205;
constexpr int SplitterWidth = 3;

const char16_t *const HelpLines[] = {
    u"1. データフォーマット",
    u"複数のヒスグラムを描画する場合は",
    u"タブか半角カンマで各データを区切",
    u"ります。",
    u"データ\uFF11,データ2,データ3",
    u"[ データ例 ]",
    u"d1,d2,d3,d4",
    u"1,10,40,50",
    u"2,20,50,60",
    u"3,30,60,70",
    u"",
    u"1行目に文字があると凡例に適用さ",
    u"れます、",
    u"例では凡例がd1,d2,d3,d4となりま",
    u"す。",
    u"データはファイルから入力の他に、表",
    u"計算ソフトなどからデータ領域をコピ",
    u"ーして表示できます。",
    u"",
    u"2.スケール",
    u"データに応じて見やすいように自動で",
    u"倍率を設定します。適用された倍",
    u"率はステータスバーに表示されます。",
};

template <typename W>
W *Place(W *widget, const QString &name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton *Button(QWidget *page, const QString &name, const QString &text, int l, int t, int w, int h)
{
    auto *button = Place(new QPushButton(text, page), name, l, t, w, h);
    // Japanese glyphs of the substitute face are wider than the design font's: a caption that would be
    // cut at both ends gets a slightly smaller font instead.
    // The window's font: under a style sheet a page made just now has not taken it up yet.
    const QFont design = page->window()->font();
    QFont font = design;
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > w - 6)
        font.setPixelSize(font.pixelSize() - 1);
    if (font.pixelSize() != design.pixelSize())
        button->setFont(font);
    return button;
}

QCheckBox *CheckBox(QWidget *page, const QString &name, const QString &text, bool checked, int l, int t, int w,
                    int h)
{
    auto *box = Place(new QCheckBox(text, page), name, l, t, w, h);
    box->setChecked(checked);
    return box;
}

tf::CheckEdit *Edit(QWidget *page, const QString &name, const QString &hint, int l, int t, int w, int h)
{
    auto *edit = new tf::CheckEdit(name, hint, page);
    edit->setGeometry(l, t, w, h);
    return edit;
}

// Chains the widgets for the Tab key; a radio group takes its place through its buttons.
void TabOrder(std::initializer_list<QWidget *> widgets)
{
    QWidget *previous = nullptr;
    auto chain = [&previous](QWidget *w) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    };
    for (QWidget *w : widgets) {
        if (auto *group = qobject_cast<tf::RadioGroup *>(w)) {
            for (int i = 0; i < group->count(); ++i)
                chain(group->item(i));
        } else {
            chain(w);
        }
    }
}

QIcon ThemeIcon(const QString &name)
{
    return QIcon::fromTheme(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    InitAppResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tallyfold"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);

    CreateToolBar();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(StatusBarHeight);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1Text = new QLabel(StatusBar1);
    StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
    StatusBar1Text->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusBar1Text, 1);
    NonNumberNote = new QLabel(StatusBar1);
    NonNumberNote->setObjectName(QStringLiteral("NonNumberNote"));
    NonNumberNote->setTextFormat(Qt::PlainText);
    {
        QPalette warning = NonNumberNote->palette();
        warning.setColor(QPalette::WindowText, QColor(0xB0, 0x3A, 0x00)); // dark orange: heed, not alarm
        NonNumberNote->setPalette(warning);
    }
    NonNumberNote->hide();
    StatusBar1->addPermanentWidget(NonNumberNote);
    setStatusBar(StatusBar1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(SplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    Chart1 = new tf::ChartView(Splitter1);
    PageControl1 = new tf::PageControl(Splitter1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setMinimumWidth(30);
    // At the design width the tabs share one row by shortening the longest caption rather than hiding a
    // page behind scroll arrows.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setElideMode(Qt::ElideRight);
    Splitter1->addWidget(Chart1);
    Splitter1->addWidget(PageControl1);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({ClientWidth - PageControlWidth - SplitterWidth, PageControlWidth});
    setCentralWidget(Splitter1);

    CreatePages();
    WireCommands();
    // A file dropped anywhere on the window loads, over an edit too: the edits take no drops of their own,
    // so the drop reaches the window instead of typing the file's path into the edit.
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setAcceptDrops(false);

    // Esc presses the outer-colour button, as a dialog's cancel button would be pressed.
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, ChartColor, &QPushButton::click);

    resize(ClientWidth, ClientHeight);
    move(0, 0);
    // Under a style sheet, controls made after the window's font was set do not take it up by themselves.
    setFont(QFont());
    setFont(font);

    Scaler = std::make_unique<tf::TWindowScaler>(this, std::vector<QWidget *>{TabSheet1, TabSheet2, TabSheet3, Panel1});
    Scaler->OnScaled = [this](double factor) { Chart1->setZoom(factor); };

    // The store reads its file now, as the window's parts are set up; a file that cannot be read is
    // reported once and the window starts with the defaults.
    IniFile = new tf::TExIniFile(this);
    try {
        IniFile->Loaded();
    } catch (const tf::Error &e) {
        SettingsUnreadable = true;
        tf::ReportError(this, e.message());
    }
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::ScaleForPPI(int NewPPI)
{
    Scaler->ScaleForPPI(NewPPI);
}

int TForm1::PixelsPerInch() const
{
    return Scaler->CurrentPPI();
}

void TForm1::CreateToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(ToolBarHeight);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->toggleViewAction()->setEnabled(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    // The copy buttons share one icon and the save buttons another: only the tooltip tells EMF from BMP.
    const QIcon copyIcon = ThemeIcon(QStringLiteral("edit-copy"));
    const QIcon saveIcon = ThemeIcon(QStringLiteral("document-save"));
    auto button = [this](const QString &name, const QIcon &icon, const QString &hint) {
        auto *b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setIcon(icon);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setFixedSize(34, 35);
        b->setAutoRaise(true);
        ToolBar1->addWidget(b);
        return b;
    };
    auto separator = [this](const QString &name) { ToolBar1->addSeparator()->setObjectName(name); };
    OpenBtn = button(QStringLiteral("OpenBtn"), ThemeIcon(QStringLiteral("document-open")), QStringLiteral("データを開く"));
    PasteBtn = button(QStringLiteral("PasteBtn"), ThemeIcon(QStringLiteral("edit-paste")), QStringLiteral("データー貼り付け"));
    separator(QStringLiteral("ToolButton1"));
    CopyEMFBtn = button(QStringLiteral("CopyEMFBtn"), copyIcon, QStringLiteral("グラフをEMFでコピー"));
    SaveEMFBtn = button(QStringLiteral("SaveEMFBtn"), saveIcon, QStringLiteral("グラフをEMFで保存"));
    separator(QStringLiteral("ToolButton2"));
    CopyBmpBtn = button(QStringLiteral("CopyBmpBtn"), copyIcon, QStringLiteral("グラフをBMPでコピー"));
    SaveBmpBtn = button(QStringLiteral("SaveBmpBtn"), saveIcon, QStringLiteral("グラフをBMPで保存"));
}

void TForm1::CreatePages()
{
    auto page = [this](const QString &name, const QString &caption) {
        auto *w = new QWidget;
        w->setObjectName(name);
        const int index = PageControl1->addTab(w, caption);
        PageControl1->setTabToolTip(index, caption); // the whole caption when the tab shows it shortened
        return w;
    };

    TabSheet1 = page(QStringLiteral("TabSheet1"), QStringLiteral("外観"));
    TitleEditBtn = Edit(TabSheet1, QStringLiteral("TitleEditBtn"), QStringLiteral("タイトル名"), 17, 16, 121, 21);
    TitleFontBtn = Button(TabSheet1, QStringLiteral("TitleFontBtn"), QStringLiteral("タイトル\u3000フォント"), 16, 43, 89, 25);
    SuBTitleFontBtn = Button(TabSheet1, QStringLiteral("SuBTitleFontBtn"), QStringLiteral("統計値フォント"), 111, 43, 82, 25);
    ChartTitleAlignment = new tf::RadioGroup(QStringLiteral("ChartTitleAlignment"), QStringLiteral("タイトル位置"),
                                             {QStringLiteral("左寄席"), QStringLiteral("中央"), QStringLiteral("右寄せ")}, 2,
                                             TabSheet1);
    ChartTitleAlignment->setGeometry(17, 84, 144, 61);
    ChartTitleAlignment->setItemIndex(1);
    XAxisEdit = Edit(TabSheet1, QStringLiteral("XAxisEdit"), QStringLiteral("X軸名"), 20, 160, 121, 21);
    YAxisEdit = Edit(TabSheet1, QStringLiteral("YAxisEdit"), QStringLiteral("Y軸名"), 20, 187, 121, 21);
    AxisFont = Button(TabSheet1, QStringLiteral("AxisFont"), QStringLiteral("各軸\u3000フォント\u3000"), 16, 214, 123, 25);
    ChartColor = Button(TabSheet1, QStringLiteral("ChartColor"), QStringLiteral("外部色"), 16, 245, 49, 25);
    WallColor = Button(TabSheet1, QStringLiteral("WallColor"), QStringLiteral("内部色"), 80, 245, 49, 25);
    WallPictureBtn = Button(TabSheet1, QStringLiteral("WallPictureBtn"), QStringLiteral("画像選択"), 16, 276, 113, 25);
    WallPictureBtn->setToolTip(QStringLiteral("バックに画像を貼り付ける"));
    ChartShadow = CheckBox(TabSheet1, QStringLiteral("ChartShadow"), QStringLiteral("影を付ける"), false, 24, 312, 81, 17);
    BorderCheck = CheckBox(TabSheet1, QStringLiteral("BorderCheck"), QStringLiteral("ボーダーを付ける"), false, 24, 335, 105, 17);
    HorizontalCheck = CheckBox(TabSheet1, QStringLiteral("HorizontalCheck"), QStringLiteral("横表示"), false, 24, 358, 105, 17);
    StatisticsCheck = CheckBox(TabSheet1, QStringLiteral("StatisticsCheck"), QStringLiteral("統計情報表示"), true, 24, 381, 105, 17);
    TabOrder({AxisFont, BorderCheck, ChartShadow, ChartTitleAlignment, HorizontalCheck, StatisticsCheck,
              SuBTitleFontBtn, TitleFontBtn, WallPictureBtn, XAxisEdit, YAxisEdit, TitleEditBtn, ChartColor, WallColor});

    TabSheet2 = page(QStringLiteral("TabSheet2"), QStringLiteral("シリーズ"));
    SeriesCombo = Place(new tf::TitleComboBox(TabSheet2), QStringLiteral("SeriesCombo"), 16, 30, 145, 21);
    SeriesCombo->setEditable(false);
    SeriesCombo->setPlaceholderText(QStringLiteral("シリーズ選択"));
    SeriesCombo->setToolTip(QStringLiteral("対象となるデータを選択"));
    SeriesCombo->setAccessibleName(QStringLiteral("シリーズ選択"));
    SeriesCombo->setAccessibleDescription(QStringLiteral("対象となるデータを選択"));
    SeriesName = Edit(TabSheet2, QStringLiteral("SeriesName"), QStringLiteral("新しいシリーズ名"), 40, 71, 121, 21);
    SeriesColor = Button(TabSheet2, QStringLiteral("SeriesColor"), QStringLiteral("シリーズカラー"), 40, 106, 105, 25);
    LineVisibleCheck = CheckBox(TabSheet2, QStringLiteral("LineVisibleCheck"), QStringLiteral("表示する"), true, 48, 145, 113, 17);
    LegendPosGrp = new tf::RadioGroup(QStringLiteral("LegendPosGrp"), QStringLiteral("凡例位置"),
                                      {QStringLiteral("右"), QStringLiteral("左"), QStringLiteral("上"), QStringLiteral("下")},
                                      1, TabSheet2);
    LegendPosGrp->setGeometry(25, 188, 104, 93);
    LegendPosGrp->setItemIndex(0);
    TabOrder({LineVisibleCheck, SeriesCombo, SeriesName, SeriesColor, LegendPosGrp});

    TabSheet3 = page(QStringLiteral("TabSheet3"), QStringLiteral("区間"));
    Label2 = Place(new QLabel(QStringLiteral("区間分割数"), TabSheet3), QStringLiteral("Label2"), 32, 16, 60, 13);
    BunkatuSize = Place(new tf::BinCountBox(TabSheet3), QStringLiteral("BunkatuSize"), 32, 35, 49, 22);
    BunkatuSize->setAccessibleName(Label2->text());
    Label2->setBuddy(BunkatuSize);
    KukanValue = Edit(TabSheet3, QStringLiteral("KukanValue"), QStringLiteral("区間分割値"), 32, 75, 113, 21);
    KukanManualSize = CheckBox(TabSheet3, QStringLiteral("KukanManualSize"), QStringLiteral("XY軸マニュアル設定"), false, 16, 115, 121, 17);
    KukanMaxValue = Edit(TabSheet3, QStringLiteral("KukanMaxValue"), QStringLiteral("X軸最大値"), 48, 147, 97, 21);
    KukanMinValue = Edit(TabSheet3, QStringLiteral("KukanMinValue"), QStringLiteral("X軸最小値"), 48, 185, 97, 21);
    DosuMaxValue = Edit(TabSheet3, QStringLiteral("DosuMaxValue"), QStringLiteral("Y軸最大値"), 48, 221, 97, 21);
    DosuTickValue = Edit(TabSheet3, QStringLiteral("DosuTickValue"), QStringLiteral("Y軸刻み幅"), 48, 259, 97, 21);
    KukanMagValue = Edit(TabSheet3, QStringLiteral("KukanMagValue"), QStringLiteral("DATA倍率"), 48, 307, 97, 21);
    for (tf::CheckEdit *edit : {KukanMaxValue, KukanMinValue, DosuMaxValue, DosuTickValue, KukanMagValue})
        edit->setEnabled(false);
    // Below the design's controls: the tolerance limits and target, in the chart's units.
    ToleranceLabel = Place(new QLabel(QStringLiteral("規格と工程能力"), TabSheet3), QStringLiteral("ToleranceLabel"), 16, 340, 160, 13);
    ToleranceLowerValue = Edit(TabSheet3, QStringLiteral("ToleranceLowerValue"), QStringLiteral("規格下限"), 48, 356, 97, 21);
    ToleranceUpperValue = Edit(TabSheet3, QStringLiteral("ToleranceUpperValue"), QStringLiteral("規格上限"), 48, 381, 97, 21);
    ToleranceTargetValue = Edit(TabSheet3, QStringLiteral("ToleranceTargetValue"), QStringLiteral("目標値"), 48, 406, 97, 21);
    for (tf::CheckEdit *edit : {ToleranceLowerValue, ToleranceUpperValue, ToleranceTargetValue})
        edit->setToolTip(edit->placeholderText() + QStringLiteral("（グラフの単位、空欄で解除）"));
    NormalCurveCheck = CheckBox(TabSheet3, QStringLiteral("NormalCurveCheck"), QStringLiteral("正規分布曲線"), false, 16, 433, 121, 17);
    CapabilityCheck = CheckBox(TabSheet3, QStringLiteral("CapabilityCheck"), QStringLiteral("工程能力"), true, 16, 454, 121, 17);
    TabOrder({KukanManualSize, BunkatuSize, KukanValue, KukanMaxValue, KukanMinValue, DosuMaxValue, DosuTickValue,
              KukanMagValue, ToleranceLowerValue, ToleranceUpperValue, ToleranceTargetValue, NormalCurveCheck, CapabilityCheck});

    TabSheet4 = page(QStringLiteral("TabSheet4"), QStringLiteral("フォーム・使用例"));
    auto *layout = new QVBoxLayout(TabSheet4);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel1 = new QFrame(TabSheet4);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(121);
    layout->addWidget(Panel1);
    StyleSelecter = Place(new tf::FixedListComboBox(Panel1), QStringLiteral("StyleSelecter"), 24, 20, 145, 21);
    StyleSelecter->setEditText(QStringLiteral("Form Style"));
    StyleSelecter->setAccessibleName(QStringLiteral("Form Style"));
    Label3 = Place(new QLabel(QStringLiteral("拡大縮小"), Panel1), QStringLiteral("Label3"), 24, 56, 48, 13);
    ScaleComboBox = Place(new tf::FixedListComboBox(Panel1), QStringLiteral("ScaleComboBox"), 24, 75, 145, 21);
    ScaleComboBox->addItems({QStringLiteral("100%"), QStringLiteral("125%"), QStringLiteral("150%"),
                             QStringLiteral("175%"), QStringLiteral("200%")});
    ScaleComboBox->setCurrentIndex(-1);
    ScaleComboBox->setAccessibleName(Label3->text());
    Label3->setBuddy(ScaleComboBox);
    Label1 = Place(new QLabel(QStringLiteral("Ver 2.0"), Panel1), QStringLiteral("Label1"), 88, 102, 103, 13);
    Memo2 = new QPlainTextEdit(TabSheet4);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The help lines are laid out as lines; a narrow page scrolls sideways rather than breaking them.
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->setAccessibleName(QStringLiteral("使用例"));
    QStringList help;
    for (const char16_t *line : HelpLines)
        help += QString::fromUtf16(line);
    Memo2->setPlainText(help.join(u'\n'));
    layout->addWidget(Memo2);
    TabOrder({Memo2, StyleSelecter, ScaleComboBox});

    // The design leaves the last page open; creation opens the first.
    PageControl1->setCurrentIndex(3);
}

template <typename Sender, typename Signal>
void TForm1::Wire(Sender *sender, Signal signal, void (TForm1::*handler)())
{
    connect(sender, signal, this, [this, handler] { Command([this, handler] { (this->*handler)(); }); });
}

void TForm1::WireCommands()
{
    Wire(OpenBtn, &QToolButton::clicked, &TForm1::OpenBtnClick);
    Wire(PasteBtn, &QToolButton::clicked, &TForm1::PasteBtnClick);
    Wire(CopyEMFBtn, &QToolButton::clicked, &TForm1::CopyEMFBtnClick);
    Wire(SaveEMFBtn, &QToolButton::clicked, &TForm1::SaveEMFBtnClick);
    Wire(CopyBmpBtn, &QToolButton::clicked, &TForm1::CopyBmpBtnClick);
    Wire(SaveBmpBtn, &QToolButton::clicked, &TForm1::SaveBmpBtnClick);
    CreateChartMenu();

    Wire(TitleEditBtn, &tf::CheckEdit::rightButtonClick, &TForm1::TitleEditBtnRightButtonClick);
    Wire(TitleFontBtn, &QPushButton::clicked, &TForm1::TitleFontBtnClick);
    Wire(SuBTitleFontBtn, &QPushButton::clicked, &TForm1::SuBTitleFontBtnClick);
    Wire(ChartTitleAlignment, &tf::RadioGroup::click, &TForm1::ChartTitleAlignmentClick);
    Wire(XAxisEdit, &tf::CheckEdit::rightButtonClick, &TForm1::XAxisEditRightButtonClick);
    Wire(YAxisEdit, &tf::CheckEdit::rightButtonClick, &TForm1::YAxisEditRightButtonClick);
    Wire(AxisFont, &QPushButton::clicked, &TForm1::AxisFontClick);
    Wire(ChartColor, &QPushButton::clicked, &TForm1::ChartColorClick);
    Wire(WallColor, &QPushButton::clicked, &TForm1::WallColorClick);
    Wire(WallPictureBtn, &QPushButton::clicked, &TForm1::WallPictureBtnClick);
    Wire(ChartShadow, &QCheckBox::clicked, &TForm1::ChartShadowClick);
    Wire(BorderCheck, &QCheckBox::clicked, &TForm1::BorderCheckClick);
    Wire(HorizontalCheck, &QCheckBox::clicked, &TForm1::HorizontalCheckClick);
    Wire(StatisticsCheck, &QCheckBox::clicked, &TForm1::StatisticsCheckClick);

    // Only the user's choice runs the series command; a rebuild's own selection does not.
    Wire(SeriesCombo, &QComboBox::activated, &TForm1::SeriesComboChange);
    Wire(SeriesName, &tf::CheckEdit::rightButtonClick, &TForm1::SeriesNameRightButtonClick);
    Wire(SeriesColor, &QPushButton::clicked, &TForm1::SeriesColorClick);
    Wire(LineVisibleCheck, &QCheckBox::clicked, &TForm1::LineVisibleCheckClick);
    Wire(LegendPosGrp, &tf::RadioGroup::click, &TForm1::LegendPosGrpClick);

    Wire(BunkatuSize, &tf::BinCountBox::shownTextChanged, &TForm1::BunkatuSizeChange);
    Wire(KukanValue, &tf::CheckEdit::rightButtonClick, &TForm1::KukanValueRightButtonClick);
    Wire(KukanManualSize, &QCheckBox::clicked, &TForm1::KukanManualSizeClick);
    Wire(KukanMaxValue, &tf::CheckEdit::rightButtonClick, &TForm1::KukanMaxValueRightButtonClick);
    Wire(KukanMinValue, &tf::CheckEdit::rightButtonClick, &TForm1::KukanMinValueRightButtonClick);
    Wire(DosuMaxValue, &tf::CheckEdit::rightButtonClick, &TForm1::DosuMaxValueRightButtonClick);
    Wire(DosuTickValue, &tf::CheckEdit::rightButtonClick, &TForm1::DosuTickValueRightButtonClick);
    Wire(KukanMagValue, &tf::CheckEdit::rightButtonClick, &TForm1::KukanMagValueRightButtonClick);
    Wire(ToleranceLowerValue, &tf::CheckEdit::rightButtonClick, &TForm1::ToleranceLowerValueRightButtonClick);
    Wire(ToleranceUpperValue, &tf::CheckEdit::rightButtonClick, &TForm1::ToleranceUpperValueRightButtonClick);
    Wire(ToleranceTargetValue, &tf::CheckEdit::rightButtonClick, &TForm1::ToleranceTargetValueRightButtonClick);
    Wire(NormalCurveCheck, &QCheckBox::clicked, &TForm1::NormalCurveCheckClick);
    Wire(CapabilityCheck, &QCheckBox::clicked, &TForm1::CapabilityCheckClick);

    Wire(StyleSelecter, &tf::FixedListComboBox::changed, &TForm1::StyleSelecterChange);
    Wire(ScaleComboBox, &tf::FixedListComboBox::changed, &TForm1::ScaleComboBoxChange);
}

void TForm1::FormCreate()
{
    tf::TChart &chart = Chart1->chart();
    chart.Legend.LegendStyle = tf::lsSeries;
    chart.SubTitle.Alignment = tf::taLeftJustify;
    chart.SubTitle.Font.Size = 9;
    chart.Title.Font.Size = 10;

    DataList.clear();
    mag = 1.0;
    bunkatu = 10;
    ManualDivFlag = false;
    MBunkatuFlag = false;

    LoadSettings();
    PageControl1->setCurrentIndex(0);
    setAcceptDrops(true);

    // The style names, sorted without regard to case, with the active style selected.
    QStringList styles = tf::TStyleManager::StyleNames();
    styles.sort(Qt::CaseInsensitive);
    const QSignalBlocker blocker(StyleSelecter);
    StyleSelecter->clear();
    StyleSelecter->addItems(styles);
    StyleSelecter->setCurrentIndex(
        int(styles.indexOf(QRegularExpression(QRegularExpression::escape(tf::TStyleManager::ActiveStyleName()),
                                              QRegularExpression::CaseInsensitiveOption))));
    Chart1->refreshDescription();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // A failed settings write is reported, and the window closes all the same: its data list is gone.
    Command([this] { FormClose(); });
    event->accept();
}

void TForm1::FormClose()
{
    DataList = tf::LineList();
    SaveSettings();
}

namespace {
// Only the first local file of a drop counts.
QString FirstLocalFile(const QMimeData *data)
{
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}
} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    // While a long build paints the window, a drop would start a second one inside it.
    if (!Busy && !FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QString path = FirstLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // The drag source waits until this event returns: the file is read, and any error shown, after that.
    QMetaObject::invokeMethod(this, [this, path] { LoadDroppedFile(path); }, Qt::QueuedConnection);
}

void TForm1::LoadDroppedFile(const QString &path)
{
    if (Busy) { // the drop came while a long build was painting the window: it loads after that build
        QTimer::singleShot(50, this, [this, path] { LoadDroppedFile(path); });
        return;
    }
    Command([this, path] { WMDropFiles(path); });
}

void TForm1::ReportReading(double fraction)
{
    if (Busy)
        Busy->report(tf::BusyIndicator::Phase::Reading, fraction);
}

void TForm1::ReportBuilding(double fraction)
{
    if (Busy)
        Busy->report(tf::BusyIndicator::Phase::Building, fraction);
}

QString TForm1::ExecuteFileOpenDialog()
{
    if (FileOpenDialogHook)
        return FileOpenDialogHook();
    QFileDialog dialog(this);
    // Like the platform dialog: every file listed, and a typed name need not exist (the read reports it).
    // The spreadsheet types can be chosen to list only workbooks.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("すべてのファイル (*)"), tf::WorkbookFileFilter()});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!FileOpenDialogFileName.isEmpty())
        dialog.selectFile(FileOpenDialogFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    FileOpenDialogFileName = dialog.selectedFiles().constFirst();
    return FileOpenDialogFileName;
}

int TForm1::ExecuteSheetChooser(const QString &path, const QStringList &sheets)
{
    if (SheetChooserHook)
        return SheetChooserHook(sheets);
    return tf::ChooseSheet(this, QFileInfo(path).fileName(), sheets);
}

QString TForm1::StatusText() const
{
    return StatusBar1Text->text();
}

void TForm1::SetStatusText(const QString &text)
{
    StatusBar1Text->setText(text);
}

void TForm1::SetNonNumberNote(const QString &note, const QStringList &cells)
{
    NonNumberNote->setText(note);
    // The cells are the user's data: a tooltip reads text that looks like markup as markup, so they are
    // escaped and shown line by line as they are.
    QStringList shown;
    for (const QString &cell : cells)
        shown += cell.toHtmlEscaped();
    NonNumberNote->setToolTip(cells.isEmpty() ? QString()
                                              : QStringLiteral("<p style=\"white-space:pre\">") +
                                                    shown.join(u'\n') + QStringLiteral("</p>"));
    NonNumberNote->setAccessibleName(note);
    NonNumberNote->setVisible(!note.isEmpty());
    Chart1->SetDescriptionNote(note);
}

tf::TChartAxis &TForm1::BinAxis()
{
    return tf::BinAxis(Chart1->chart(), HorizontalCheck->isChecked());
}

tf::TChartAxis &TForm1::CountAxis()
{
    return tf::CountAxis(Chart1->chart(), HorizontalCheck->isChecked());
}
