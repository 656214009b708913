#pragma once
// The GUI application the drawing and picture targets need (fonts, image plugins), on the offscreen
// platform so no display is needed.
#include <QGuiApplication>

namespace fuzz {

// With projectFontsOnly, fonts.conf keeps the faces to the project's own Japanese ones, so that glyph
// fallback for arbitrary text does not load every installed face.
inline void StartGuiApplication(const char *name, bool projectFontsOnly)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (projectFontsOnly && qEnvironmentVariableIsEmpty("FONTCONFIG_FILE"))
        qputenv("FONTCONFIG_FILE", TF_FUZZ_FONTS_CONF);
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(name), nullptr};
    new QGuiApplication(argc, argv); // lives for the whole run
}

} // namespace fuzz
