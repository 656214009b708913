// The appearance commands through the real controls, with the three dialogs answered at their edge.
#include "tests/app/WindowFixture.h"
#include "tests/picture/HostilePictures.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <sys/stat.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/CheckEdit.h"
#include "app/PictureDialog.h"
#include "app/RadioGroup.h"
#include "chart/ChartLayout.h"
#include "chart/ChartStyle.h"
#include "engine/Error.h"
#include "picture/PictureProcess.h"

namespace {

QString Picture(const char *name)
{
    return tftest::fixture("pictures/") + QString::fromUtf8(name);
}

bool Near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

std::string Describe(const QColor &c)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue()).toStdString();
}

const QColor PictureLeft(200, 30, 40);
const QColor PictureRight(30, 120, 200);

class AppearanceTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        form->PageControl1->setCurrentIndex(0);
        form->FontDialogHook = [this](tf::FontChoice &font) {
            shownFonts.push_back(font);
            if (!fontAnswer)
                return false;
            font = *fontAnswer;
            return true;
        };
        form->ColorDialogHook = [this](tf::TColor &color) {
            shownColors.push_back(color);
            if (!colorAnswer)
                return false;
            color = *colorAnswer;
            return true;
        };
        form->OpenPictureDialogHook = [this] { return pictureAnswer; };
    }

    // The chart as the window shows it, and where its parts are.
    QImage Shown() { return form->Chart1->grab().toImage(); }
    tf::ChartLayout Layout() { return tf::LayoutChart(chart(), form->Chart1->size()); }
    QColor PlotCentre(const QImage &img, double xShare = 0.5)
    {
        const QRect plot = Layout().plot;
        return img.pixelColor(plot.left() + int(plot.width() * xShare), plot.center().y());
    }

    std::vector<tf::FontChoice> shownFonts;
    std::optional<tf::FontChoice> fontAnswer;
    std::vector<tf::TColor> shownColors;
    std::optional<tf::TColor> colorAnswer;
    QString pictureAnswer;
};

TEST_F(AppearanceTest, TitleTextBecomesExactlyOneLine)
{
    form->TitleEditBtn->setText(QStringLiteral("売上の分布"));
    form->TitleEditBtn->checkAction()->trigger();
    EXPECT_EQ(chart().Title.Text.Lines(), QStringList{QStringLiteral("売上の分布")});
    form->TitleEditBtn->clear();
    form->TitleEditBtn->checkAction()->trigger();
    EXPECT_EQ(chart().Title.Text.Lines(), QStringList{QString()}) << "an empty edit gives one empty line";
}

struct AlignmentCase {
    const char *name;
    int item;
    tf::TAlignment alignment;
};
TF_PRINT_CASE_AS_NAME(AlignmentCase)

class TitlePosition : public AppearanceTest, public ::testing::WithParamInterface<AlignmentCase> {};

TEST_P(TitlePosition, MovesTheTitleBlock)
{
    const AlignmentCase &c = GetParam();
    form->TitleEditBtn->setText(QStringLiteral("Title"));
    form->TitleEditBtn->checkAction()->trigger();
    form->ChartTitleAlignment->item(1 - (c.item == 1))->click(); // start elsewhere
    form->ChartTitleAlignment->item(c.item)->click();
    EXPECT_EQ(chart().Title.Alignment.get(), c.alignment);

    // Where the title's ink stands in the picture: the dark pixels of its band.
    const QImage img = Shown();
    const tf::ChartLayout l = Layout();
    int left = img.width(), right = -1;
    for (int y = l.titleBlock.top(); y <= l.titleBlock.bottom(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 80) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, 0) << "title drawn";
    const int middle = (left + right) / 2, third = img.width() / 3;
    switch (c.alignment) {
    case tf::taLeftJustify:
        EXPECT_LT(right, third) << "at the left edge";
        break;
    case tf::taCenter:
        EXPECT_NEAR(middle, img.width() / 2, 4) << "centred";
        break;
    case tf::taRightJustify:
        EXPECT_GT(left, 2 * third) << "at the right edge";
        break;
    }
}

const AlignmentCase kAlignments[] = {
    {"left_item_0", 0, tf::taLeftJustify},
    {"centre_item_1", 1, tf::taCenter},
    {"right_item_2", 2, tf::taRightJustify},
};
INSTANTIATE_TEST_SUITE_P(Appearance, TitlePosition, ::testing::ValuesIn(kAlignments), tftest::CaseName());

TEST_F(AppearanceTest, AxisFontDialogFirstShowsTahoma8InTheLeftTitlesColourAndSetsBothTitles)
{
    chart().LeftAxis.Title.Font.Color = tf::RGBColor(0, 0, 255);
    fontAnswer = tf::FontChoice{QStringLiteral("Noto Sans CJK JP"), 12, tf::RGBColor(255, 0, 0), tf::fsItalic};
    form->AxisFont->click();
    ASSERT_EQ(shownFonts.size(), 1u);
    EXPECT_EQ(shownFonts[0].Name, QStringLiteral("Tahoma"));
    EXPECT_EQ(shownFonts[0].Size, 8);
    EXPECT_EQ(shownFonts[0].Color, tf::RGBColor(0, 0, 255));
    EXPECT_EQ(shownFonts[0].Style, 0);
    for (const tf::TChartAxis *axis : {&chart().LeftAxis, &chart().BottomAxis}) {
        EXPECT_EQ(axis->Title.Font.Name.get(), QStringLiteral("Noto Sans CJK JP"));
        EXPECT_EQ(axis->Title.Font.Size.get(), 12);
        EXPECT_EQ(axis->Title.Font.Color.get(), tf::RGBColor(255, 0, 0));
        EXPECT_EQ(axis->Title.Font.Style.get(), tf::fsItalic);
    }
    EXPECT_EQ(chart().LeftAxis.LabelsFont.Size.get(), 8) << "the numbers keep their font";

    // Titles set later show in that font.
    form->XAxisEdit->setText(QStringLiteral("幅"));
    form->XAxisEdit->checkAction()->trigger();
    EXPECT_EQ(chart().BottomAxis.Title.Caption.get(), QStringLiteral("幅"));
    EXPECT_EQ(chart().BottomAxis.Title.Font.Size.get(), 12);
}

TEST_F(AppearanceTest, BoldCarriesFromTheTitleFontToTheSubtitleDialog)
{
    chart().Title.Font.Color = tf::RGBColor(1, 2, 3);
    fontAnswer = tf::FontChoice{QStringLiteral("Tahoma"), 14, tf::RGBColor(1, 2, 3), tf::fsBold};
    form->TitleFontBtn->click();
    ASSERT_EQ(shownFonts.size(), 1u);
    EXPECT_EQ(shownFonts[0].Color, tf::RGBColor(1, 2, 3)) << "colour, face and size come from the title";
    EXPECT_EQ(shownFonts[0].Size, 10);
    EXPECT_EQ(chart().Title.Font.Style.get(), tf::fsBold);
    EXPECT_EQ(chart().Title.Font.Size.get(), 14);

    fontAnswer.reset();
    fontAnswer = std::nullopt;
    // The subtitle dialog: the subtitle's face, size and colour, the style the dialog was left with.
    form->FontDialogHook = [this](tf::FontChoice &font) {
        shownFonts.push_back(font);
        return true; // confirmed as shown
    };
    form->SuBTitleFontBtn->click();
    ASSERT_EQ(shownFonts.size(), 2u);
    EXPECT_EQ(shownFonts[1].Name, chart().SubTitle.Font.Name.get());
    EXPECT_EQ(shownFonts[1].Size, 9);
    EXPECT_EQ(shownFonts[1].Style, tf::fsBold) << "bold pre-selected";
    EXPECT_EQ(chart().SubTitle.Font.Style.get(), tf::fsBold) << "the statistics turn bold";
    EXPECT_EQ(chart().SubTitle.Font.Size.get(), 9);
}

TEST_F(AppearanceTest, CancelledFontDialogChangesNothingButKeepsWhatWasPrefilled)
{
    form->TitleFontBtn->click();
    EXPECT_EQ(chart().Title.Font.Size.get(), 10);
    EXPECT_EQ(form->FontDialog1Font.Size, 10) << "the dialog keeps the pre-filled size";
    form->AxisFont->click();
    ASSERT_EQ(shownFonts.size(), 2u);
    EXPECT_EQ(shownFonts[1].Size, 10) << "face and size as the dialog was last left";
    EXPECT_EQ(chart().LeftAxis.Title.Font.Size.get(), 8);
}

TEST_F(AppearanceTest, AxisTitlesNameTheirAxisWhateverTheOrientation)
{
    form->HorizontalCheck->click();
    form->XAxisEdit->setText(QStringLiteral("度数"));
    form->XAxisEdit->checkAction()->trigger();
    form->YAxisEdit->setText(QStringLiteral("区間"));
    form->YAxisEdit->checkAction()->trigger();
    EXPECT_EQ(chart().BottomAxis.Title.Caption.get(), QStringLiteral("度数"));
    EXPECT_EQ(chart().LeftAxis.Title.Caption.get(), QStringLiteral("区間"));
    form->YAxisEdit->clear();
    form->YAxisEdit->checkAction()->trigger();
    EXPECT_EQ(chart().LeftAxis.Title.Caption.get(), QString()) << "an empty edit removes the title";
}

TEST_F(AppearanceTest, OuterColourOpensWithTheColourLastReturnedAndColoursATransparentPlot)
{
    colorAnswer = tf::RGBColor(250, 240, 200);
    form->ChartColor->click();
    EXPECT_EQ(chart().Color.get(), tf::RGBColor(250, 240, 200));
    const QColor plot = PlotCentre(Shown());
    EXPECT_TRUE(Near(plot, QColor(250, 240, 200))) << "the transparent wall shows it: " << Describe(plot);

    chart().Color = tf::clBtnFace;
    colorAnswer.reset();
    form->ChartColor->click();
    ASSERT_EQ(shownColors.size(), 2u);
    EXPECT_EQ(shownColors[0], tf::clBlack) << "black at first";
    EXPECT_EQ(shownColors[1], tf::RGBColor(250, 240, 200)) << "not the chart's current colour";
    EXPECT_EQ(chart().Color.get(), tf::clBtnFace) << "cancelled";
}

TEST_F(AppearanceTest, InnerColourAfterAPictureRemovesThePicture)
{
    pictureAnswer = Picture("wall.png");
    form->WallPictureBtn->click();
    ASSERT_TRUE(chart().BackWall.Picture.Assigned());
    colorAnswer = tf::RGBColor(0, 160, 0);
    form->WallColor->click();
    EXPECT_FALSE(chart().BackWall.Picture.Assigned());
    EXPECT_EQ(chart().BackWall.Color.get(), tf::RGBColor(0, 160, 0));
    EXPECT_FALSE(chart().BackWall.Transparent.get());
    const QImage img = Shown();
    EXPECT_TRUE(Near(PlotCentre(img, 0.25), QColor(0, 160, 0))) << Describe(PlotCentre(img, 0.25));
    EXPECT_TRUE(Near(PlotCentre(img, 0.75), QColor(0, 160, 0))) << Describe(PlotCentre(img, 0.75));
}

TEST_F(AppearanceTest, APictureAfterAnInnerColourHidesTheColourAndStandsBehindThePlot)
{
    colorAnswer = tf::RGBColor(0, 160, 0);
    form->WallColor->click();
    pictureAnswer = Picture("wall.png");
    form->WallPictureBtn->click();
    EXPECT_TRUE(chart().BackWall.Transparent.get());
    ASSERT_TRUE(chart().BackWall.Picture.Assigned());
    // The picture is stretched over the whole plot area: its left half red, its right half blue.
    const QImage img = Shown();
    EXPECT_TRUE(Near(PlotCentre(img, 0.25), PictureLeft, 8)) << Describe(PlotCentre(img, 0.25));
    EXPECT_TRUE(Near(PlotCentre(img, 0.75), PictureRight, 8)) << Describe(PlotCentre(img, 0.75));
    const QRect plot = Layout().plot;
    const QColor outside = img.pixelColor(plot.left() - 3, plot.center().y());
    EXPECT_FALSE(Near(outside, PictureLeft, 30)) << "nothing of it outside the plot: " << Describe(outside);
}

TEST_F(AppearanceTest, APictureWithAnUnknownExtensionIsRefusedAndTheWallStaysTransparent)
{
    colorAnswer = tf::RGBColor(0, 160, 0);
    form->WallColor->click();
    pictureAnswer = Picture("wall.JPG");
    form->WallPictureBtn->click();
    EXPECT_EQ(TakeErrorText(), tf::ErrorReportText(QStringLiteral("画像のファイル拡張子 (.JPG) が不明です")));
    EXPECT_FALSE(chart().BackWall.Picture.Assigned()) << "no picture";
    EXPECT_TRUE(chart().BackWall.Transparent.get()) << "the inner colour is no longer painted";
    const QColor plot = PlotCentre(Shown());
    EXPECT_FALSE(Near(plot, QColor(0, 160, 0), 20)) << Describe(plot);

    pictureAnswer = Picture("WALL-CAPITALS.PNG");
    form->WallPictureBtn->click();
    EXPECT_EQ(TakeErrorText(), QString());
    EXPECT_TRUE(chart().BackWall.Picture.Assigned()) << "PNG in capitals loads";
    EXPECT_FALSE(chart().BackWall.Picture.Image().isNull());
}

TEST_F(AppearanceTest, AnUndecodablePictureIsReportedAndLeavesAPresentButEmptyPicture)
{
    pictureAnswer = Picture("corrupt.png");
    form->WallPictureBtn->click();
    EXPECT_NE(TakeErrorText(), QString());
    EXPECT_TRUE(chart().BackWall.Picture.Assigned());
    EXPECT_TRUE(chart().BackWall.Picture.Image().isNull());
}

// The picture dialog's preview decodes what the user moves to as the command does, in the helper process:
// a named pipe is refused at once, the WMF that crashes libwmf is refused naming the signal, and the EMF whose
// glyph-index text aborts a process holding fontconfig's caches (as this window's fonts do) is drawn. Choosing
// each keeps the window alive: the refusal box for the pipe and the WMF with the previous picture kept, the
// EMF's picture for the EMF.
TEST_F(AppearanceTest, ThePictureDialogPreviewsAndChoosesAPipeAndTheCrashingMetafilesAndTheWindowLives)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("x.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString pipeRefusal =
        QStringLiteral("\"%1\" は名前付きパイプです。画像として読み込めるのは通常のファイルだけです").arg(pipe);
    const QString crashed = QStringLiteral("画像を読み取る処理が異常終了したため、読み込みを中止しました (");
    const QString wmfRefusal = crashed + (tf::PictureHelperSanitized ? QString() : QStringLiteral("SIGSEGV)"));
    QString wmf, emf;
    for (const auto &[name, bytes, path] : {std::tuple{"font.wmf", tftest::HugeFontWmf(), &wmf},
                                            std::tuple{"glyphs.emf", tftest::GlyphIndexTextEmf(), &emf}}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        *path = f.fileName();
    }
    pictureAnswer = Picture("wall.png");
    form->WallPictureBtn->click();
    const QImage before = chart().BackWall.Picture.Image();
    ASSERT_FALSE(before.isNull());

    // Each file is moved to in the dialog (the preview) and then chosen with the open button.
    form->OpenPictureDialogHook = {};
    for (const QString &file : {pipe, wmf, emf}) {
        SCOPED_TRACE(file.toStdString());
        QString previewText;
        bool previewPicture = false;
        QTimer poll;
        poll.setInterval(10);
        bool moved = false;
        int waits = 0; // a dialog that never reads the name is answered anyway, and the checks below fail
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (!moved) {
                moved = true;
                auto *preview = dialog->findChild<QLabel *>(QStringLiteral("PicturePreview"));
                emit dialog->currentChanged(file); // the user moves to the file
                previewText = preview ? preview->text() : QStringLiteral("no preview");
                previewPicture = preview && !preview->pixmap().isNull();
            }
            // The name is typed into the file name box, as selectFile leaves that box alone once it has the focus.
            // The folder is listed in the background: the open button is pressed once the dialog reads the name.
            if (dialog->selectedFiles() != QStringList{file} && ++waits < 3000) {
                if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    name->setText(file);
                return;
            }
            poll.stop();
            QMetaObject::invokeMethod(dialog, "accept"); // the open button
        });
        poll.start();
        form->WallPictureBtn->click();
        const QString box = TakeErrorText();
        EXPECT_TRUE(form->isVisible());
        Paint();
        if (file == emf) {
            EXPECT_TRUE(previewPicture) << previewText.toStdString();
            EXPECT_EQ(box, QString());
            EXPECT_EQ(chart().BackWall.Picture.Image().size(), QSize(200, 40));
            continue;
        }
        const QString refusal = file == pipe ? pipeRefusal : wmfRefusal;
        EXPECT_FALSE(previewPicture);
        EXPECT_TRUE(previewText.startsWith(QStringLiteral("(なし)\n") + refusal)) << previewText.toStdString();
        if (file == pipe || !tf::PictureHelperSanitized)
            EXPECT_EQ(box, tf::ErrorReportText(refusal));
        else
            EXPECT_TRUE(box.startsWith(refusal)) << box.toStdString(); // the sanitizer's exit code
        EXPECT_EQ(chart().BackWall.Picture.Image(), before) << "the previous picture stays";
    }
}

TEST_F(AppearanceTest, CancelledDialogsChangeNothing)
{
    chart().BackWall.Transparent = true;
    form->WallColor->click();
    form->WallPictureBtn->click();
    form->ChartColor->click();
    EXPECT_TRUE(chart().BackWall.Transparent.get());
    EXPECT_EQ(chart().BackWall.Color.get(), tf::RGBColor(192, 192, 192));
    EXPECT_FALSE(chart().BackWall.Picture.Assigned());
    EXPECT_EQ(chart().Color.get(), tf::clBtnFace);
    EXPECT_EQ(form->OpenPictureDialogFileName, QString());
}

TEST_F(AppearanceTest, ShadowAndBorderFollowTheirBoxes)
{
    chart().Color = tf::RGBColor(255, 255, 255);
    const QImage before = Shown();
    form->ChartShadow->click();
    form->BorderCheck->click();
    EXPECT_TRUE(chart().Shadow.Visible.get());
    EXPECT_TRUE(chart().Border.Visible.get());
    const QImage after = Shown();
    // The grey strip below and to the right of the panel.
    const QPoint strip(after.width() - 5, after.height() / 2);
    EXPECT_TRUE(Near(before.pixelColor(strip), QColor(255, 255, 255))) << Describe(before.pixelColor(strip));
    EXPECT_LT(qGray(after.pixel(strip)), 235) << "shadow: " << Describe(after.pixelColor(strip));
    form->ChartShadow->click();
    form->BorderCheck->click();
    EXPECT_FALSE(chart().Shadow.Visible.get());
    EXPECT_FALSE(chart().Border.Visible.get());
}

TEST(PictureDialogFilter, EveryPairBecomesAQtFilterWithItsPatterns)
{
    const QStringList filters = tf::PictureDialogNameFilters();
    ASSERT_EQ(filters.size(), 16);
    EXPECT_EQ(filters[0], QStringLiteral("すべて (*.svg *.wbmp *.webp *.svg *.gif *.jpg *.jpeg *.png *.bmp *.ico *.emf "
                                         "*.wmf *.tif *.tiff)"));
    EXPECT_EQ(filters[6], QStringLiteral("JPEG イメージファイル (*.jpg)"));
    EXPECT_EQ(filters[15], QStringLiteral("PIG (*.png)"));
}

} // namespace
