// The settings store on disk: where its file is, what each operation reads and writes, and failures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

#include "app/store/ExIniFile.h"
#include "engine/Error.h"
#include "tests/app/store/StoreTestSupport.h"

using namespace tf;

namespace {

class ExIniFileTest : public StoreFolderTest {
protected:
    // The window's store: application folder, no fence, not case-sensitive, auto-update, named at Loaded.
    std::unique_ptr<TExIniFile> Loaded()
    {
        auto ini = std::make_unique<TExIniFile>();
        ini->Loaded();
        return ini;
    }
};

TEST_F(ExIniFileTest, LoadedNamesTheFileAfterTheExecutable)
{
    auto ini = Loaded();
    EXPECT_EQ(ini->FileName(), QStringLiteral("tallyfold.ini"));
    EXPECT_EQ(ini->Path(), Bin());
    EXPECT_EQ(ini->BaseDir(), bdApplication);
    EXPECT_EQ(ini->Fence(), fcNone);
    EXPECT_FALSE(ini->CaseSensitive());
    EXPECT_TRUE(ini->AutoUpdate());
}

TEST_F(ExIniFileTest, LoadedKeepsAGivenName)
{
    TExIniFile ini;
    ini.SetFileName(QStringLiteral("other.ini"));
    ini.Loaded();
    EXPECT_EQ(ini.Path(), Bin(QStringLiteral("other.ini")));
}

struct PathCase {
    const char *name;
    TBaseDir baseDir;
    const char *fileName;
    const char *expected; // relative to the scratch folder, or as it stands when it starts with "="
};

TF_PRINT_CASE_AS_NAME(PathCase)

class ExIniFilePath : public ExIniFileTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ExIniFilePath, ResolvesByBaseFolder)
{
    const PathCase &c = GetParam();
    TExIniFile ini;
    ini.SetBaseDir(c.baseDir);
    ini.SetFileName(QString::fromUtf8(c.fileName));
    const QString expected = QString::fromUtf8(c.expected);
    EXPECT_EQ(ini.Path(), expected.startsWith(u'=') ? expected.mid(1) : dir.filePath(expected));
}

INSTANTIATE_TEST_SUITE_P(Folders, ExIniFilePath,
                         ::testing::Values(PathCase{"Windows", bdWindows, "a.ini", "etc/a.ini"},
                                           PathCase{"Application", bdApplication, "a.ini", "bin/a.ini"},
                                           PathCase{"AppData", bdAppData, "a.ini", "config/a.ini"},
                                           PathCase{"None", bdNone, "a.ini", "=a.ini"},
                                           PathCase{"FolderPartKept", bdApplication, "/x/a.ini", "=/x/a.ini"},
                                           PathCase{"RelativeFolderKept", bdAppData, "sub/a.ini", "=sub/a.ini"}),
                         tftest::CaseName());

TEST_F(ExIniFileTest, BaseDirAssignmentRereadsTheFile)
{
    WriteBytes(dir.filePath(QStringLiteral("etc/a.ini")), "[S]\r\nK=1\r\n");
    WriteBytes(dir.filePath(QStringLiteral("config/a.ini")), "[S]\r\nK=2\r\n");
    TExIniFile ini;
    ini.SetFileName(QStringLiteral("a.ini"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 0);
    ini.SetBaseDir(bdWindows);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 1);
    ini.SetBaseDir(bdAppData);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 2);
}

TEST_F(ExIniFileTest, MissingFileGivesDefaultsAndReadsCreateNothing)
{
    auto ini = Loaded();
    EXPECT_EQ(ini->ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 7), 7);
    EXPECT_EQ(ini->ReadString(QStringLiteral("Style"), QStringLiteral("Name"), QStringLiteral("Windows")),
              QStringLiteral("Windows"));
    EXPECT_FALSE(ini->SectionExists(QStringLiteral("FORM")));
    EXPECT_FALSE(QFileInfo::exists(Bin()));
}

TEST_F(ExIniFileTest, EveryWriteReachesTheFileAtOnce)
{
    auto ini = Loaded();
    ini->WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 2);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[FORM]\r\nDPI=2\r\n\r\n"));
    ini->WriteString(QStringLiteral("Style"), QStringLiteral("Name"), QStringLiteral("Glow"));
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[FORM]\r\nDPI=2\r\n\r\n[Style]\r\nName=Glow\r\n\r\n"));
}

TEST_F(ExIniFileTest, WithoutAutoUpdateChangesWaitForUpdateFile)
{
    WriteBytes(Bin(), "[S]\r\nK=1\r\n");
    auto ini = Loaded();
    ini->SetAutoUpdate(false);
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 5);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=1\r\n"));
    ini->UpdateFile();
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=5\r\n\r\n"));
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 6);
    ini->SetFileName(QStringLiteral("tallyfold.ini")); // discards what was not written
    EXPECT_EQ(ini->ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 5);
}

TEST_F(ExIniFileTest, HeldWritesReachTheFileOnceAtTheEnd)
{
    WriteBytes(Bin(), "[S]\r\nK=1\r\n");
    auto ini = Loaded();
    ini->BeginUpdate();
    ini->BeginUpdate();
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 5);
    ini->WriteString(QStringLiteral("T"), QStringLiteral("N"), QStringLiteral("x"));
    ini->EndUpdate();
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=1\r\n")) << "written before the outer end";
    ini->EndUpdate();
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=5\r\n\r\n[T]\r\nN=x\r\n\r\n"));
    // nothing held: every write goes through again, and an end without writes writes nothing
    QFile::remove(Bin());
    ini->BeginUpdate();
    ini->EndUpdate();
    EXPECT_FALSE(QFileInfo::exists(Bin()));
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 6);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=6\r\n\r\n[T]\r\nN=x\r\n\r\n"));
}

TEST_F(ExIniFileTest, HeldWritesThatCannotReachTheFileFailAtTheEnd)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("bin/tallyfold.ini")));
    auto ini = Loaded();
    ini->BeginUpdate();
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 5);
    EXPECT_THROW(ini->EndUpdate(), Error);
    EXPECT_EQ(ini->ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 5);
}

TEST_F(ExIniFileTest, ReadsComeFromMemoryAndTheNextWriteOverwrites)
{
    WriteBytes(Bin(), "[S]\r\nK=1\r\n");
    auto ini = Loaded();
    WriteBytes(Bin(), "[S]\r\nK=2\r\nOther=3\r\n");
    EXPECT_EQ(ini->ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 1);
    ini->WriteInteger(QStringLiteral("S"), QStringLiteral("J"), 4);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nK=1\r\nJ=4\r\n\r\n"));
}

TEST_F(ExIniFileTest, HandAddedSectionsSurviveWrites)
{
    WriteBytes(Bin(), "; mine\r\n[Mine]\r\nkeep = yes\r\n[FORM]\r\nDPI=1\r\n");
    auto ini = Loaded();
    ini->WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 3);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[Mine]\r\nkeep=yes\r\n\r\n[FORM]\r\nDPI=3\r\n\r\n"));
}

struct FenceCase {
    const char *name;
    TFence fence;
    const char *stored;   // file value after WriteString of abc
    const char *readBack; // ReadString of a stored value "x"
};

TF_PRINT_CASE_AS_NAME(FenceCase)

class ExIniFileFence : public ExIniFileTest, public ::testing::WithParamInterface<FenceCase> {};

TEST_P(ExIniFileFence, WrapsAndUnwrapsStrings)
{
    const FenceCase &c = GetParam();
    WriteBytes(Bin(), "[S]\r\nQuote=\"\r\nDouble=\"x\"\r\nSingle='x'\r\n");
    auto ini = Loaded();
    ini->SetFence(c.fence);
    ini->WriteString(QStringLiteral("S"), QStringLiteral("V"), QStringLiteral("abc"));
    EXPECT_EQ(ini->ReadSectionValues(QStringLiteral("S")).last(), QStringLiteral("V=") + QString::fromUtf8(c.stored));
    EXPECT_EQ(ini->ReadString(QStringLiteral("S"), QStringLiteral("V"), QString()), QStringLiteral("abc"));
    EXPECT_EQ(ini->ReadString(QStringLiteral("S"), QStringLiteral("Quote"), QString()), QStringLiteral("\""));
    EXPECT_EQ(ini->ReadString(QStringLiteral("S"), c.fence == fcSingleQuote ? QStringLiteral("Single")
                                                                            : QStringLiteral("Double"),
                              QString()),
              QString::fromUtf8(c.readBack));
    // A missing key gives the default as it was given, whatever the fence.
    EXPECT_EQ(ini->ReadString(QStringLiteral("S"), QStringLiteral("Missing"), QStringLiteral("d")), QStringLiteral("d"));
}

INSTANTIATE_TEST_SUITE_P(Fences, ExIniFileFence,
                         ::testing::Values(FenceCase{"None", fcNone, "abc", "\"x\""},
                                           FenceCase{"DoubleQuote", fcDoubleQuote, "\"abc\"", "x"},
                                           FenceCase{"SingleQuote", fcSingleQuote, "'abc'", "x"}),
                         tftest::CaseName());

TEST_F(ExIniFileTest, UnfencedReadsStillLoseTheFenceQuotes)
{
    WriteBytes(Bin(), "[S]\r\nL.Count=1\r\nL.0=\"line\"\r\n");
    auto ini = Loaded();
    ini->SetFence(fcDoubleQuote);
    QStringList list;
    ini->ReadList(QStringLiteral("S"), QStringLiteral("L"), list);
    EXPECT_EQ(list, QStringList{QStringLiteral("line")});
}

TEST_F(ExIniFileTest, TypedValuesRoundTrip)
{
    auto ini = Loaded();
    const QString s = QStringLiteral("S");
    ini->WriteBool(s, QStringLiteral("B"), true);
    ini->WriteFloat(s, QStringLiteral("F"), 2.5);
    ini->WriteDate(s, QStringLiteral("D"), QDate(2026, 12, 10));
    ini->WriteTime(s, QStringLiteral("T"), QTime(3, 4, 5));
    ini->WriteDateTime(s, QStringLiteral("DT"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    ini->WriteBinaryStream(s, QStringLiteral("Bin"), QByteArray("\x01\xAB", 2));
    ini->WriteInt(s, QStringLiteral("I"), -7);
    ini->WriteStr(s, QStringLiteral("Str"), QStringLiteral("text"));

    auto again = Loaded();
    EXPECT_TRUE(again->ReadBool(s, QStringLiteral("B"), false));
    EXPECT_FALSE(again->ReadBool(s, QStringLiteral("Missing"), false));
    EXPECT_DOUBLE_EQ(again->ReadFloat(s, QStringLiteral("F"), 0), 2.5);
    EXPECT_DOUBLE_EQ(again->ReadFloat(s, QStringLiteral("Str"), 9), 9);
    EXPECT_EQ(again->ReadDate(s, QStringLiteral("D"), QDate()), QDate(2026, 12, 10));
    EXPECT_EQ(again->ReadTime(s, QStringLiteral("T"), QTime()), QTime(3, 4, 5));
    EXPECT_EQ(again->ReadDateTime(s, QStringLiteral("DT"), QDateTime()), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    EXPECT_EQ(again->ReadBinaryStream(s, QStringLiteral("Bin")), QByteArray("\x01\xAB", 2));
    EXPECT_EQ(again->ReadInt(s, QStringLiteral("I"), 0), -7);
    EXPECT_EQ(again->ReadStr(s, QStringLiteral("Str"), QString()), QStringLiteral("text"));
    EXPECT_EQ(again->ReadSectionValues(s).first(), QStringLiteral("B=1"));
}

TEST_F(ExIniFileTest, HexAndColour)
{
    auto ini = Loaded();
    ini->WriteHex(QStringLiteral("S"), QStringLiteral("H"), 0xABCDu);
    ini->WriteColor(QStringLiteral("S"), QStringLiteral("C"), 0x20000000u);
    EXPECT_EQ(ini->ReadSectionValues(QStringLiteral("S")),
              (QStringList{QStringLiteral("H=0x0000ABCD"), QStringLiteral("C=0x20000000")}));
    EXPECT_EQ(ini->ReadHex(QStringLiteral("S"), QStringLiteral("H"), 0), 0xABCDu);
    EXPECT_EQ(ini->ReadColor(QStringLiteral("S"), QStringLiteral("C"), 0), 0x20000000u);
    EXPECT_EQ(ini->ReadHex(QStringLiteral("S"), QStringLiteral("Missing"), 0xFFFFFFFFu), 0xFFFFFFFFu);
    ini->WriteString(QStringLiteral("S"), QStringLiteral("Bad"), QStringLiteral("0xZZ"));
    try {
        ini->ReadHex(QStringLiteral("S"), QStringLiteral("Bad"), 0);
        ADD_FAILURE() << "no conversion error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'$ZZ' は有効な整数値ではありません"));
    }
}

TEST_F(ExIniFileTest, ListsAndFonts)
{
    auto ini = Loaded();
    ini->WriteList(QStringLiteral("S"), QStringLiteral("L"), {QStringLiteral("a"), QStringLiteral("b")});
    const TFontRecord font{QStringLiteral("Tahoma"), 9, 1 | 4, 0x0000FFu};
    ini->WriteFont(QStringLiteral("S"), QStringLiteral("F"), font);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[S]\r\nL.Count=2\r\nL.0=a\r\nL.1=b\r\nF.Name=Tahoma\r\nF.Size=9\r\n"
                                           "F.Style=5\r\nF.Color=0x000000FF\r\n\r\n"));
    QStringList list{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")};
    ini->ReadList(QStringLiteral("S"), QStringLiteral("L"), list);
    EXPECT_EQ(list, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QStringList defaults{QStringLiteral("keep")};
    ini->ReadList(QStringLiteral("S"), QStringLiteral("Missing"), defaults);
    EXPECT_EQ(defaults, QStringList{QStringLiteral("keep")});
    TFontRecord read;
    ini->ReadFont(QStringLiteral("S"), QStringLiteral("F"), read);
    EXPECT_EQ(read, font);
}

TEST_F(ExIniFileTest, FormPositionAndSize)
{
    WriteBytes(Bin(), "[FORM]\r\n  POSITION.X  =  12  \r\nposition.y=$10\r\nSIZE.XSize=900\r\nSIZE.YSize=x\r\n");
    auto ini = Loaded();
    FakeForm form;
    form.bounds = QRect(5, 6, 829, 578);
    ini->ReadFormPos(QStringLiteral("FORM"), QStringLiteral("POSITION"), form);
    ini->ReadFormSize(QStringLiteral("FORM"), QStringLiteral("SIZE"), form);
    EXPECT_EQ(form.bounds, QRect(12, 16, 900, 578));

    form.bounds = QRect(-3, 40, 640, 480);
    ini->WriteFormPos(QStringLiteral("FORM"), QStringLiteral("POSITION"), form);
    ini->WriteFormSize(QStringLiteral("FORM"), QStringLiteral("SIZE"), form);
    EXPECT_EQ(ReadBytes(Bin()),
              QByteArray("[FORM]\r\nPOSITION.X=-3\r\nposition.y=40\r\nSIZE.XSize=640\r\nSIZE.YSize=480\r\n\r\n"));
}

TEST_F(ExIniFileTest, FormPlacementStoresEdges)
{
    auto ini = Loaded();
    FakeForm form;
    form.placement.ShowCmd = 3;
    form.placement.NormalPosition = QRect(10, 20, 300, 200);
    ini->WriteForm(QStringLiteral("W"), QStringLiteral("P"), form);
    EXPECT_EQ(ini->ReadSectionValues(QStringLiteral("W")),
              (QStringList{QStringLiteral("P.Flags=0"), QStringLiteral("P.Show=3"), QStringLiteral("P.MaxX=-1"),
                           QStringLiteral("P.MaxY=-1"), QStringLiteral("P.X=10"), QStringLiteral("P.Y=20"),
                           QStringLiteral("P.XSize=310"), QStringLiteral("P.YSize=220")}));
    FakeForm other;
    ini->ReadForm(QStringLiteral("W"), QStringLiteral("P"), other);
    EXPECT_EQ(other.placement.ShowCmd, 3);
    EXPECT_EQ(other.placement.NormalPosition, QRect(10, 20, 300, 200));
}

TEST_F(ExIniFileTest, EraseSectionAndDeleteKeyWriteThrough)
{
    WriteBytes(Bin(), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    auto ini = Loaded();
    ini->DeleteKey(QStringLiteral("a"), QStringLiteral("X"));
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n\r\n"));
    ini->EraseSection(QStringLiteral("B"));
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[A]\r\ny=2\r\n\r\n"));
    EXPECT_EQ(ini->ReadSections(), QStringList{QStringLiteral("A")});
    EXPECT_EQ(ini->ReadSection(QStringLiteral("A")), QStringList{QStringLiteral("y")});
    EXPECT_TRUE(ini->ValueExists(QStringLiteral("A"), QStringLiteral("y")));
}

TEST_F(ExIniFileTest, UnwritableFolderReportsAndKeepsTheValue)
{
    // A folder path through a plain file cannot hold a file, whoever runs the test.
    WriteBytes(dir.filePath(QStringLiteral("plain")), "x");
    TExIniFile ini;
    ini.SetFileName(dir.filePath(QStringLiteral("plain/sub/a.ini")));
    try {
        ini.WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 5);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("ファイル \"") + dir.filePath(QStringLiteral("plain/sub/a.ini"))
                                           + QStringLiteral("\" を作成できません。")))
            << e.message().toStdString();
        EXPECT_GT(e.message().size(), e.message().indexOf(u'。') + 1) << "the reason follows";
    }
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 5);
}

TEST_F(ExIniFileTest, EmptyNameResolvesToTheFolderAndCannotBeWritten)
{
    TExIniFile ini;
    EXPECT_EQ(ini.Path(), Folders().application + u'/');
    EXPECT_THROW(ini.WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 1), Error);
}

TEST_F(ExIniFileTest, UnreadableFileRaisesTheOpenErrorAndLeavesDefaults)
{
    // A FIFO is a file that exists and cannot be read as one, even by root.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Bin()).constData(), 0600), 0);
    TExIniFile ini;
    try {
        ini.Loaded();
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("ファイル ") + Bin() + QStringLiteral(" は開けません。 ")))
            << e.message().toStdString();
    }
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 0), 0);
}

TEST_F(ExIniFileTest, Utf8FileWithMarkKeepsItsMark)
{
    WriteBytes(Bin(), "\xEF\xBB\xBF[Style]\r\nName=Glow\r\n");
    auto ini = Loaded();
    ini->WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 1);
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("\xEF\xBB\xBF[Style]\r\nName=Glow\r\n\r\n[FORM]\r\nDPI=1\r\n\r\n"));
}

TEST_F(ExIniFileTest, Cp932FileStaysCp932)
{
    WriteBytes(Bin(), "[\x90\xDD\x92\xE8]\r\n\x96\xBC\x91\x4F=\x92\x6C\r\n"); // [設定] 名前=値
    auto ini = Loaded();
    EXPECT_EQ(ini->ReadString(QStringLiteral("設定"), QStringLiteral("名前"), QString()), QStringLiteral("値"));
    ini->WriteString(QStringLiteral("設定"), QStringLiteral("名前"), QStringLiteral("新"));
    EXPECT_EQ(ReadBytes(Bin()), QByteArray("[\x90\xDD\x92\xE8]\r\n\x96\xBC\x91\x4F=\x90\x56\r\n\r\n"));
}

// --- where the file lives when the executable's folder cannot be written ---

class ExIniFileInstalled : public StoreFolderTest {
protected:
    void SetUp() override
    {
        StoreFolderTest::SetUp();
        // An executable folder nobody can write: one below a plain file does not even exist.
        WriteBytes(dir.filePath(QStringLiteral("usr")), "not a folder");
        TBaseFolders folders = Folders();
        folders.application = dir.filePath(QStringLiteral("usr/bin"));
        SetBaseFoldersOverride(folders);
    }
    QString UserFile() const { return dir.filePath(QStringLiteral("config/tallyfold/tallyfold.ini")); }
};

TEST_F(ExIniFileInstalled, SettingsGoToTheUserFolder)
{
    TExIniFile ini;
    ini.Loaded();
    EXPECT_EQ(ini.Path(), UserFile());
    ini.WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 2);
    EXPECT_EQ(ReadBytes(UserFile()), QByteArray("[FORM]\r\nDPI=2\r\n\r\n"));
    TExIniFile again;
    again.Loaded();
    EXPECT_EQ(again.ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 0), 2);
}

TEST_F(ExIniFileInstalled, AUserFolderThatCannotBeMadeIsTheReasonGiven)
{
    // The configuration folder is a plain file: the settings folder inside it cannot be made.
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("config"))).removeRecursively());
    WriteBytes(dir.filePath(QStringLiteral("config")), "not a folder");
    TExIniFile ini;
    ini.Loaded();
    try {
        ini.WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 2);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("ファイル \"") + UserFile() + QStringLiteral("\" を作成できません。")
                                   + SystemReason(ENOTDIR));
    }
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 0), 2);
}

TEST(ExIniFileLocation, FileBesideAReadOnlyExecutableIsReadFirstAndTheUsersValuesWin)
{
    // The document of an installed program: the shipped file beside the executable, then the user's.
    QTemporaryDir dir;
    WriteBytes(dir.filePath(QStringLiteral("shipped.ini")), "[Style]\r\nName=Glow\r\n[FORM]\r\nDPI=1\r\n");
    WriteBytes(dir.filePath(QStringLiteral("user.ini")), "[FORM]\r\nDPI=3\r\n");
    TMemIniFile ini(TIniLocation{dir.filePath(QStringLiteral("user.ini")), dir.filePath(QStringLiteral("shipped.ini")), true});
    EXPECT_EQ(ini.Document().ReadString(QStringLiteral("Style"), QStringLiteral("Name"), QString()), QStringLiteral("Glow"));
    EXPECT_EQ(ini.Document().ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 0), 3);
    EXPECT_FALSE(ini.Document().Modified());
}

TEST_F(ExIniFileTest, AnInstalledProgramKeepsItsSettingsInTheUsersFolderEvenWhereItCouldWrite)
{
    // Root can write into /usr/bin; the settings still go to the user's folder, not into the system's.
    TBaseFolders folders = Folders();
    folders.installed = true;
    const TIniLocation location = ApplicationIniLocation(folders, QStringLiteral("tallyfold.ini"));
    EXPECT_EQ(location.path, dir.filePath(QStringLiteral("config/tallyfold/tallyfold.ini")));
    EXPECT_TRUE(location.createFolder);
}

TEST_F(ExIniFileTest, WritableExecutableFolderKeepsTheFileBesideIt)
{
    const TIniLocation location = ApplicationIniLocation(Folders(), QStringLiteral("tallyfold.ini"));
    EXPECT_EQ(location.path, Bin());
    EXPECT_TRUE(location.defaultPath.isEmpty());
}

} // namespace
