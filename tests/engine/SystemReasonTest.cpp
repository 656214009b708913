// The reasons of file error boxes: Japanese for every error number the program can meet.
#include "engine/SystemReason.h"
#include "tests/support/TestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace {

bool HasAsciiLetter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

struct ReasonCase {
    const char *name;
    int err;
};
TF_PRINT_CASE_AS_NAME(ReasonCase)

class SystemReasonOf : public testing::TestWithParam<ReasonCase> {};

// Opening and reading a data file or picture, writing an export or the settings, making the settings
// folder, and renaming the written file over the old one.
TEST_P(SystemReasonOf, IsJapaneseWithATextOfItsOwn)
{
    const int err = GetParam().err;
    const QString reason = tf::SystemReason(err);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(HasAsciiLetter(reason)) << reason.toStdString();
    EXPECT_FALSE(reason.contains(QString::number(err))) << "named only by its number: " << reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    FileErrors, SystemReasonOf,
    testing::Values(ReasonCase{"NoSuchFile", ENOENT}, ReasonCase{"PathThroughAFile", ENOTDIR},
                    ReasonCase{"Folder", EISDIR}, ReasonCase{"NotAPlainFile", EINVAL},
                    ReasonCase{"NoPermission", EACCES}, ReasonCase{"NotPermitted", EPERM},
                    ReasonCase{"ReadOnlyFileSystem", EROFS}, ReasonCase{"DiskFull", ENOSPC},
                    ReasonCase{"QuotaExceeded", EDQUOT}, ReasonCase{"FileTooLarge", EFBIG},
                    ReasonCase{"SizeOverflow", EOVERFLOW}, ReasonCase{"OutOfMemory", ENOMEM},
                    ReasonCase{"DeviceError", EIO}, ReasonCase{"TooManyOpenFiles", EMFILE},
                    ReasonCase{"TooManyOpenFilesInSystem", ENFILE}, ReasonCase{"NameTooLong", ENAMETOOLONG},
                    ReasonCase{"LinkLoop", ELOOP}, ReasonCase{"Exists", EEXIST}, ReasonCase{"Busy", EBUSY},
                    ReasonCase{"RunningProgram", ETXTBSY}, ReasonCase{"OtherDevice", EXDEV},
                    ReasonCase{"Interrupted", EINTR}, ReasonCase{"TryAgain", EAGAIN},
                    ReasonCase{"StaleNetworkFile", ESTALE}, ReasonCase{"NoMedium", ENOMEDIUM},
                    ReasonCase{"NotSupportedThere", EOPNOTSUPP}, ReasonCase{"NoLock", ENOLCK}),
    tftest::CaseName());

TEST(SystemReason, EveryTextIsJapaneseAndTellsItsCauseApart)
{
    QSet<QString> seen;
    for (const int err : tf::SystemReasonNumbers()) {
        const QString reason = tf::SystemReason(err);
        EXPECT_FALSE(HasAsciiLetter(reason)) << err << ": " << reason.toStdString();
        EXPECT_FALSE(seen.contains(reason)) << "two causes read alike: " << reason.toStdString();
        seen.insert(reason);
    }
}

TEST(SystemReason, AnUnlistedNumberOrNoNumberIsStillJapanese)
{
    for (const int err : {0, 9999, -1}) {
        const QString reason = tf::SystemReason(err);
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_FALSE(HasAsciiLetter(reason)) << reason.toStdString();
    }
    EXPECT_TRUE(tf::SystemReason(9999).contains(QStringLiteral("9999")));
}

} // namespace
