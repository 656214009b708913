#pragma once
// A real main window, shown headless, with message boxes captured instead of shown.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "app/ErrorReport.h"
#include "app/StyleManager.h"
#include "app/TForm1.h"
#include "app/store/ExIniFile.h"
#include "tests/support/TestSupport.h"

struct TForm1Probe {
    static void Build(TForm1 &form) { form.BuildHistogram(); }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousHook = tf::SetMessageBoxHook([this](const tf::MessageBoxRequest &r) { boxes.push_back(r); });
        // Each window keeps its settings in a folder of its own, never beside the test program.
        tf::TBaseFolders folders = tf::SystemBaseFolders();
        folders.application = settingsDir.path();
        folders.appData = settingsDir.path();
        tf::SetBaseFoldersOverride(folders);
        form = std::make_unique<TForm1>();
        // No test ever waits on a real dialog: every dialog is cancelled unless a test answers it.
        form->FileOpenDialogHook = [] { return QString(); };
        form->OpenPictureDialogHook = [] { return QString(); };
        form->FontDialogHook = [](tf::FontChoice &) { return false; };
        form->ColorDialogHook = [](tf::TColor &) { return false; };
        form->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        tf::TStyleManager::Reset();
        tf::SetBaseFoldersOverride(std::nullopt);
        tf::SetMessageBoxHook(m_previousHook);
    }

    void Load(const QStringList &lines) { form->DataList = tf::LineList(lines); }
    // A build straight through the window's build method (errors propagate).
    void Build() { TForm1Probe::Build(*form); }
    // Paints the chart now, which stores the automatic axis ranges as the screen shows them.
    void Paint() { form->Chart1->repaint(); }

    tf::TChart &chart() { return form->Chart1->chart(); }
    std::vector<double> Xs(int series) const
    {
        std::vector<double> v;
        for (const tf::TChartValue &p : form->Chart1->chart().Series(series)->Values())
            v.push_back(p.X);
        return v;
    }
    std::vector<double> Ys(int series) const
    {
        std::vector<double> v;
        for (const tf::TChartValue &p : form->Chart1->chart().Series(series)->Values())
            v.push_back(p.Y);
        return v;
    }
    QStringList ComboItems() const
    {
        QStringList items;
        for (int i = 0; i < form->SeriesCombo->count(); ++i)
            items += form->SeriesCombo->itemText(i);
        return items;
    }
    // The one error box a command showed, or an empty text when none (fails on more than one).
    QString TakeErrorText()
    {
        EXPECT_LE(boxes.size(), 1u);
        QString text;
        if (!boxes.empty()) {
            EXPECT_EQ(boxes.front().caption, tf::ApplicationTitle());
            EXPECT_EQ(boxes.front().icon, QMessageBox::Critical);
            text = boxes.front().text;
        }
        boxes.clear();
        return text;
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<TForm1> form;
    std::vector<tf::MessageBoxRequest> boxes;

private:
    tf::MessageBoxHook m_previousHook;
};

// Counts the emissions of a signal while it lives.
struct SignalCount {
    template <typename Sender, typename Signal>
    SignalCount(Sender *sender, Signal signal)
        : connection(QObject::connect(sender, signal, sender, [this] { ++count; }))
    {
    }
    ~SignalCount() { QObject::disconnect(connection); }
    SignalCount(const SignalCount &) = delete;
    SignalCount &operator=(const SignalCount &) = delete;
    int count = 0;
    QMetaObject::Connection connection;
};

// A key press and release sent straight to a widget, as typing would deliver them.
inline void Key(QWidget *target, int key, const QString &text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(target, &release);
}

// The sample column every histogram example uses.
inline QStringList SampleColumn()
{
    return {QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("25"), QStringLiteral("31")};
}

inline std::vector<double> SamplePositions()
{
    std::vector<double> v;
    for (int x = 2; x <= 32; x += 2)
        v.push_back(x);
    return v;
}

inline std::vector<double> SampleCounts()
{
    std::vector<double> v(16, 0.0);
    for (int x : {2, 6, 12, 24, 30})
        v[size_t(x / 2 - 1)] = 1.0;
    return v;
}

inline const QString SampleStatistics =
    QStringLiteral("       No0: 平均=  15.60  標準偏差= 11.95  最大値=  31.00  最小値=   3.00");
