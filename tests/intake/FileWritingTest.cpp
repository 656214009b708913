// Files written by the program: refused with the system's own reason, in Japanese; folders made with it.
#include "intake/FileWriting.h"

#include "engine/SystemReason.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

QString createMessage(const QString &path, int err)
{
    return QStringLiteral("ファイル \"%1\" を作成できません。%2").arg(path, tf::SystemReason(err));
}

TEST(ReplaceFileWhole, RefusesAFolderAndAPathThroughAFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    tf::ReplaceFileWhole(dir.filePath(QStringLiteral("plain")), "x");
    struct Case {
        QString path;
        int err;
    };
    for (const Case &c : {Case{dir.path(), EISDIR}, Case{dir.filePath(QStringLiteral("plain/a.emf")), ENOTDIR},
                          Case{dir.filePath(QStringLiteral("missing/a.emf")), ENOENT}}) {
        try {
            tf::ReplaceFileWhole(c.path, "bytes");
            ADD_FAILURE() << "no error for " << c.path.toStdString();
        } catch (const tf::Error &e) {
            EXPECT_EQ(e.message(), createMessage(c.path, c.err));
        }
    }
}

TEST(MakeFolders, MakesEveryMissingFolderAndNamesWhatStopsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(tf::MakeFolders(dir.filePath(QStringLiteral("config/tallyfold"))), 0);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("config/tallyfold"))).isDir());
    EXPECT_EQ(tf::MakeFolders(dir.filePath(QStringLiteral("config/tallyfold"))), 0) << "an existing folder";
    tf::ReplaceFileWhole(dir.filePath(QStringLiteral("plain")), "x");
    EXPECT_EQ(tf::MakeFolders(dir.filePath(QStringLiteral("plain"))), ENOTDIR);
    EXPECT_EQ(tf::MakeFolders(dir.filePath(QStringLiteral("plain/tallyfold"))), ENOTDIR);
}

} // namespace
