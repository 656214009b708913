// A writer killed in the middle of replacing the settings file, or one that finds the disk full, leaves the
// previous file whole.
#include <gtest/gtest.h>

#include <QDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "app/store/ExIniFile.h"
#include "engine/Error.h"
#include "intake/FileWriting.h"
#include "tests/app/store/StoreTestSupport.h"
#include "tests/support/FullDisk.h"

using namespace tf;

namespace {

// A document large enough that writing it takes a while: every value made of one letter.
TIniDocument LargeDocument(char letter)
{
    TIniDocument doc;
    const QString value(60, QChar(letter));
    for (int i = 0; i < 20000; ++i)
        doc.WriteString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), value);
    return doc;
}

// Waits (up to two seconds) until the process has a file open in the folder.
bool WaitForOpenFileIn(pid_t pid, const QString &folder)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (int spin = 0; spin < 200000; ++spin) {
        for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget().startsWith(folder + u'/'))
                return true;
        }
    }
    return false;
}

class InterruptedWrite : public StoreFolderTest {};

TEST_F(InterruptedWrite, KilledWriterLeavesOneWholeVersion)
{
    TMemIniFile first(TIniLocation{Bin(), QString()});
    first.Document() = LargeDocument('a');
    first.UpdateFile();
    const QByteArray versions[] = {ReadBytes(Bin()), LargeDocument('b').Serialize(), LargeDocument('c').Serialize()};

    int interrupted = 0;
    for (int round = 0; round < 10; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child rewrites the file with two versions in turn until it is killed.
            ::close(ready[0]);
            TMemIniFile ini(TIniLocation{Bin(), QString()});
            const TIniDocument docs[] = {LargeDocument('b'), LargeDocument('c')};
            for (int i = 0;; ++i) {
                ini.Document() = docs[i % 2];
                if (i == 0 && ::write(ready[1], "r", 1) != 1)
                    ::_exit(1);
                try {
                    ini.UpdateFile();
                } catch (...) {
                    ::_exit(2);
                }
            }
        }
        ::close(ready[1]);
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        // Killed the moment it holds a file open in the settings folder: in the middle of a write.
        interrupted += WaitForOpenFileIn(child, Folders().application) ? 1 : 0;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself with " << WEXITSTATUS(status);

        const QByteArray now = ReadBytes(Bin());
        EXPECT_TRUE(now == versions[0] || now == versions[1] || now == versions[2])
            << "round " << round << ": a file of " << now.size() << " bytes is none of the versions";
    }
    EXPECT_GT(interrupted, 0) << "no kill landed while the file was open for writing";
}

class SettingsOnAFullDisk : public StoreFolderTest, public testing::WithParamInterface<tftest::FullDiskCase> {};

TEST_P(SettingsOnAFullDisk, AWriteIsRefusedAndTheFileStaysByteForByte)
{
    tftest::FullDisk disk(GetParam().kind, Folders().application);
    if (!disk.Usable())
        GTEST_SKIP() << disk.WhyNot();
    // A settings file of a few kilobytes, its style last: the part a cut file loses.
    TExIniFile ini;
    ini.Loaded();
    for (int i = 0; i < 60; ++i)
        ini.WriteString(QStringLiteral("FORM"), QStringLiteral("KEY%1").arg(i), QString(60, u'v'));
    ini.WriteString(QStringLiteral("Style"), QStringLiteral("Name"), QStringLiteral("Glow"));
    const QByteArray before = ReadBytes(Bin());
    ASSERT_GT(before.size(), 4096);

    disk.Fill();
    try {
        ini.WriteString(QStringLiteral("Style"), QStringLiteral("Name"), QStringLiteral("Auric"));
        ADD_FAILURE() << "the write was not refused";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), CannotCreateFileMessage(Bin(), SystemReason(disk.Errno())));
    }
    EXPECT_TRUE(ReadBytes(Bin()) == before) << "the settings file changed";
    EXPECT_TRUE(ReadBytes(Bin()).endsWith("[Style]\r\nName=Glow\r\n\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Disks, SettingsOnAFullDisk, testing::ValuesIn(tftest::FullDiskCases), tftest::CaseName());

} // namespace
