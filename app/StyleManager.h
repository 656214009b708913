#pragma once
// The visual styles of the whole application: "Windows", the platform's plain look the program started
// with, and three built-in looks, each the Fusion style with a palette and a style sheet of its own.
#include <QString>
#include <QStringList>

namespace tf {

class TStyleManager {
public:
    // Every known style: the system style first, then the built-in ones.
    static QStringList StyleNames();
    // The name of the active style as the manager spells it.
    static QString ActiveStyleName();
    // Makes the style of that name (any letter case) the look of every window; true when found. A name
    // that matches no style leaves the look and, with showErrorDialog, first says so in an error box.
    static bool TrySetStyle(const QString &name, bool showErrorDialog = true);
    // Back to the look the program started with, for tests that switch styles.
    static void Reset();
};

} // namespace tf
