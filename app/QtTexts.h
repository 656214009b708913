#pragma once
// Qt's own texts (dialog buttons, file dialog labels, edit menus) in Japanese, like the rest of the window,
// whatever the user's locale.
class QCoreApplication;

namespace tf {

// Installs Qt's Japanese translation and keeps dialogs Qt's own, which that translation covers; the
// desktop's dialogs would follow the desktop's language. Call once after the application object exists.
void UseJapaneseQtTexts(QCoreApplication &app);

} // namespace tf
