// The one error report: title rule, text rule, and that every command runs through it.
#include "tests/app/WindowFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QShortcut>
#include <stdexcept>

#include "app/CheckEdit.h"

TEST(ApplicationTitle, FollowsTheExecutableName)
{
    const std::pair<const char *, const char *> rows[] = {
        {"/usr/local/bin/tallyfold", "Tallyfold"},
        {"/opt/x/TALLYFOLD.exe", "Tallyfold"},
        {"tallyFold", "Tallyfold"},
        {"/a/b/my.tool.bin", "My.tool"},
    };
    for (const auto &[path, title] : rows)
        EXPECT_EQ(tf::ApplicationTitleFromPath(QString::fromUtf8(path)), QString::fromUtf8(title)) << path;
}

struct ShortenCase {
    const char *name;
    QString text;
    QString shown;
};
TF_PRINT_CASE_AS_NAME(ShortenCase)

class BoxLines : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(BoxLines, LongOnesKeepTheirStartAndEnd)
{
    EXPECT_EQ(tf::ShortenedLines(GetParam().text), GetParam().shown);
}

const QString kPair = QString::fromUtf16(u"\U0001F600");

INSTANTIATE_TEST_SUITE_P(
    MessageBox, BoxLines,
    ::testing::Values(
        ShortenCase{"ShortKept", QStringLiteral("スタイル 'Nope' が見つかりません"),
                    QStringLiteral("スタイル 'Nope' が見つかりません")},
        ShortenCase{"LongestLineKept", QString(256, u'a'), QString(256, u'a')},
        ShortenCase{"LongLineCut", QString(191, u'a') + QString(1000, u'b') + QString(64, u'c'),
                    QString(191, u'a') + u'…' + QString(64, u'c')},
        ShortenCase{"EveryLineOnItsOwn", QStringLiteral("x\n") + QString(300, u'd') + QStringLiteral("\ny"),
                    QStringLiteral("x\n") + QString(191, u'd') + u'…' + QString(64, u'd') + QStringLiteral("\ny")},
        ShortenCase{"PairsNeverSplit", QString(190, u'a') + kPair + QString(100, u'b') + kPair + QString(63, u'c'),
                    QString(190, u'a') + u'…' + QString(63, u'c')}),
    tftest::CaseName{});

TEST_F(WindowTest, CommandErrorsAreReportedAndTheProgramGoesOn)
{
    form->Command([] { throw tf::Error(QStringLiteral("リストのインデックスが範囲を超えています (0)")); });
    form->Command([] { throw std::runtime_error("unexpected"); });
    form->Command([] { throw tf::Error(QStringLiteral("ends in a space ")); });
    // A closing parenthesis stands below the full stop, so no full stop is added after it.
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("リストのインデックスが範囲を超えています (0)"));
    EXPECT_EQ(boxes[1].text, QStringLiteral("unexpected."));
    EXPECT_EQ(boxes[2].text, QStringLiteral("ends in a space "));
    for (const tf::MessageBoxRequest &box : boxes) {
        EXPECT_EQ(box.caption, tf::ApplicationTitle());
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.owner, form.get());
    }
}

TEST_F(WindowTest, BuildErrorFromAControlReachesTheReport)
{
    Load({QStringLiteral("h"), QString()});
    form->HorizontalCheck->click();
    EXPECT_EQ(TakeErrorText(), QStringLiteral("リストのインデックスが範囲を超えています (1)"));
}

TEST_F(WindowTest, EscapePressesTheOuterColourButton)
{
    SignalCount pressed(form->ChartColor, &QPushButton::clicked);
    const QList<QShortcut *> shortcuts = form->findChildren<QShortcut *>();
    QShortcut *esc = nullptr;
    for (QShortcut *s : shortcuts) {
        if (s->key() == QKeySequence(Qt::Key_Escape))
            esc = s;
    }
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->context(), Qt::WindowShortcut);
    emit esc->activated();
    EXPECT_EQ(pressed.count, 1);
}

TEST_F(WindowTest, ClosingReleasesTheDataList)
{
    Load(SampleColumn());
    Build();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(form->DataList.isEmpty());
    EXPECT_TRUE(boxes.empty());
}
