// Commands whose controls are already in place but whose work belongs to the style and settings code. Each body here is an empty stand-in until that code takes it over.
#include "app/TForm1.h"

#include <QComboBox>
#include <QSignalBlocker>

void TForm1::StyleSelecterChange() {}
void TForm1::ScaleComboBoxChange() {}

// First start: the zoom box shows its first step.
void TForm1::LoadSettings()
{
    const QSignalBlocker blocker(ScaleComboBox);
    ScaleComboBox->setCurrentIndex(0);
}

void TForm1::SaveSettings() {}
