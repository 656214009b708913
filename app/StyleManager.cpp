#include "app/StyleManager.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include "app/ErrorReport.h"
#include "app/LookStyle.h"
#include "chart/ChartStyle.h"

static void InitStyleResources()
{
    Q_INIT_RESOURCE(styles);
}

namespace tf {

namespace {

const QString SystemStyle = QStringLiteral("Windows");

// The colours of a built-in look. The chart keeps a light face in every look: its texts are black.
struct Look {
    const char *name;
    const char *sheet; // style sheet resource
    QRgb window, windowText, base, alternateBase, text, button, buttonText, highlight, highlightedText;
    QRgb toolTipBase, toolTipText, placeholder, disabledText, link, chartFace;
};

const Look Looks[] = {
    {"Auric", ":/styles/auric.qss", 0x2b2824, 0xf2dc9b, 0x1e1c19, 0x35312b, 0xf5e9c8, 0x3d372e, 0xf3d27a,
     0xc9a227, 0x1b1812, 0x3d372e, 0xf2dc9b, 0x9c8d68, 0x7d735c, 0xe8c35a, 0xf4eddb},
    {"Glow", ":/styles/glow.qss", 0x13202f, 0xd4ebff, 0x0b1624, 0x182a3e, 0xe4f3ff, 0x1b3049, 0xc2e5ff,
     0x1f7ad6, 0xffffff, 0x1b3049, 0xd4ebff, 0x8aa6c2, 0x5b7590, 0x6cc4ff, 0xe4edf7},
    {"Turquoise Gray", ":/styles/turquoisegray.qss", 0xd5dbdb, 0x1d2e2e, 0xf5f7f7, 0xe6ecec, 0x182828, 0xc8d3d3,
     0x123c3b, 0x1f9e98, 0xffffff, 0xf5f7f7, 0x182828, 0x7f9090, 0x8a9797, 0x137a75, 0xe3e8e8},
};

QPalette LookPalette(const Look &look)
{
    QPalette p(QColor(look.button), QColor(look.window));
    auto both = [&p](QPalette::ColorRole role, QRgb color) {
        p.setColor(QPalette::Active, role, QColor(color));
        p.setColor(QPalette::Inactive, role, QColor(color));
    };
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Window, QColor(look.window));
        p.setColor(g, QPalette::Base, QColor(look.base));
        p.setColor(g, QPalette::AlternateBase, QColor(look.alternateBase));
        p.setColor(g, QPalette::Button, QColor(look.button));
        p.setColor(g, QPalette::ToolTipBase, QColor(look.toolTipBase));
        p.setColor(g, QPalette::ToolTipText, QColor(look.toolTipText));
        p.setColor(g, QPalette::PlaceholderText, QColor(look.placeholder));
        p.setColor(g, QPalette::Link, QColor(look.link));
    }
    both(QPalette::WindowText, look.windowText);
    both(QPalette::Text, look.text);
    both(QPalette::ButtonText, look.buttonText);
    both(QPalette::Highlight, look.highlight);
    both(QPalette::HighlightedText, look.highlightedText);
    both(QPalette::BrightText, look.highlightedText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(look.disabledText));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(look.disabledText));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor(look.window));
    return p;
}

QString SheetText(const char *resource)
{
    InitStyleResources();
    QFile file(QString::fromLatin1(resource));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The look the program had before any switch: what "Windows" goes back to.
struct Native {
    QString styleName;
    QPalette palette;
    QString sheet;
};

Native &NativeLook()
{
    static Native native{qApp->style()->name(), QApplication::palette(), qApp->styleSheet()};
    return native;
}

QString &Active()
{
    static QString active = SystemStyle;
    return active;
}

// Whether a look was applied yet: until then the application has the plain style it started with,
// without the wrapping that zooms indicators, so even "Windows" is applied once.
bool &Applied()
{
    static bool applied = false;
    return applied;
}

// The application keeps a style sheet from the first switch on, the native look's being one without
// rules: taking a sheet away gives every control the application's default font instead of its window's.
void Apply(const QString &styleName, const QPalette &palette, QString sheet, const QColor &chartFace)
{
    // Controls keep their window's font and palette under a style sheet, as they do without one.
    QCoreApplication::setAttribute(Qt::AA_UseStyleSheetPropagationInWidgetStyles, true);
    Applied() = true;
    if (sheet.isEmpty())
        sheet = QStringLiteral("/* the platform's own look */");
    QStyle *base = QStyleFactory::create(styleName);
    if (!base)
        base = QStyleFactory::create(QStringLiteral("Fusion"));
    QApplication::setStyle(new TLookStyle(base));
    QApplication::setPalette(palette);
    SetChartFaceColor(chartFace);
    qApp->setStyleSheet(sheet);
    // Widgets draw with the new palette at once, the chart included.
    for (QWidget *w : QApplication::topLevelWidgets())
        w->update();
}

} // namespace

QStringList TStyleManager::StyleNames()
{
    QStringList names{SystemStyle};
    for (const Look &look : Looks)
        names += QString::fromLatin1(look.name);
    return names;
}

QString TStyleManager::ActiveStyleName()
{
    return Active();
}

bool TStyleManager::TrySetStyle(const QString &name, bool showErrorDialog)
{
    const Native &native = NativeLook();
    if (name.compare(SystemStyle, Qt::CaseInsensitive) == 0) {
        if (Active() != SystemStyle || !Applied())
            Apply(native.styleName, native.palette, native.sheet, QColor());
        Active() = SystemStyle;
        return true;
    }
    for (const Look &look : Looks) {
        const QString lookName = QString::fromLatin1(look.name);
        if (name.compare(lookName, Qt::CaseInsensitive) != 0)
            continue;
        if (Active() != lookName)
            Apply(QStringLiteral("Fusion"), LookPalette(look), SheetText(look.sheet), QColor(look.chartFace));
        Active() = lookName;
        return true;
    }
    if (showErrorDialog) {
        ShowMessageBox(QApplication::activeWindow(), QStringLiteral("スタイル '%1' が見つかりません").arg(name),
                       QStringLiteral("エラー"), QMessageBox::Critical, QMessageBox::Close);
    }
    return false;
}

void TStyleManager::Reset()
{
    TrySetStyle(SystemStyle, false);
}

} // namespace tf
