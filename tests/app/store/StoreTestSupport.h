#pragma once
// Helpers of the settings store tests: a scratch folder standing in for the executable's folder,
// file bytes in and out, and a window stand-in for the form operations.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/store/ExIniFile.h"
#include "tests/support/TestSupport.h"

inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A scratch folder that the store takes for the executable's folder ("tallyfold" its executable).
class StoreFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        QDir(dir.path()).mkpath(QStringLiteral("etc"));
        QDir(dir.path()).mkpath(QStringLiteral("config"));
        tf::SetBaseFoldersOverride(Folders());
    }
    void TearDown() override { tf::SetBaseFoldersOverride(std::nullopt); }

    tf::TBaseFolders Folders() const
    {
        return tf::TBaseFolders{dir.filePath(QStringLiteral("etc")), dir.filePath(QStringLiteral("bin")),
                                dir.filePath(QStringLiteral("config")), QStringLiteral("tallyfold")};
    }
    QString Bin(const QString &name = QStringLiteral("tallyfold.ini")) const
    {
        return dir.filePath(QStringLiteral("bin/") + name);
    }

    QTemporaryDir dir;
};

// A window as the store sees it: bounds and placement that the store sets, recorded.
class FakeForm : public tf::TFormBounds {
public:
    QRect bounds{0, 0, 829, 578};
    tf::TWindowPlacement placement;
    int setBoundsCalls = 0;

    QRect Bounds() const override { return bounds; }
    void SetBounds(const QRect &b) override
    {
        bounds = b;
        ++setBoundsCalls;
    }
    tf::TWindowPlacement Placement() const override { return placement; }
    void SetPlacement(const tf::TWindowPlacement &p) override { placement = p; }
};
