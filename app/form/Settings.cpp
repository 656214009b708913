// What survives a restart (the window's place, the zoom step and the style), and the style and zoom boxes.
#include "app/TForm1.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <iterator>

#include "app/FormBounds.h"
#include "app/StyleManager.h"
#include "app/store/ExIniFile.h"

namespace {
// Pixels per inch of the zoom box's steps, by item index ("125%" asks for 125, not 120).
constexpr int ZoomStepPPI[] = {96, 125, 144, 168, 192};
} // namespace

void TForm1::LoadSettings()
{
    tf::TWidgetFormBounds form(this);
    IniFile->ReadFormPos(QStringLiteral("FORM"), QStringLiteral("POSITION"), form);
    IniFile->ReadFormSize(QStringLiteral("FORM"), QStringLiteral("SIZE"), form);
    // The box shows the stored step; the window keeps its size until a step is chosen.
    const int step = IniFile->ReadInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), 0);
    {
        const QSignalBlocker blocker(ScaleComboBox);
        ScaleComboBox->setCurrentIndex(step >= 0 && step < ScaleComboBox->count() ? step : -1);
    }
    tf::TStyleManager::TrySetStyle(IniFile->ReadString(QStringLiteral("Style"), QStringLiteral("Name"),
                                                       QStringLiteral("Windows")),
                                   true);
}

void TForm1::SaveSettings()
{
    // A file that could not be read at start is not replaced by one made of defaults.
    if (SettingsUnreadable)
        return;
    const tf::TWidgetFormBounds form(this);
    // The six values reach the file in one rewrite (a failed one is reported as the first write's was).
    IniFile->BeginUpdate();
    IniFile->WriteFormPos(QStringLiteral("FORM"), QStringLiteral("POSITION"), form);
    IniFile->WriteFormSize(QStringLiteral("FORM"), QStringLiteral("SIZE"), form);
    IniFile->WriteInteger(QStringLiteral("FORM"), QStringLiteral("DPI"), ScaleComboBox->currentIndex());
    IniFile->WriteString(QStringLiteral("Style"), QStringLiteral("Name"), tf::TStyleManager::ActiveStyleName());
    IniFile->EndUpdate();
}

// The selected item names the style, never the typed text.
void TForm1::StyleSelecterChange()
{
    const int index = StyleSelecter->currentIndex();
    tf::TStyleManager::TrySetStyle(index >= 0 ? StyleSelecter->itemText(index) : QString(), true);
}

void TForm1::ScaleComboBoxChange()
{
    const int index = ScaleComboBox->currentIndex();
    if (index >= 0 && index < int(std::size(ZoomStepPPI)))
        ScaleForPPI(ZoomStepPPI[index]);
}
