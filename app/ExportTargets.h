#pragma once
// Where exported images go: files written whole beside the old one and renamed over it (a failure leaves
// any existing file byte for byte), and the clipboard. Failures raise tf::Error with the user's text.
#include "intake/FileWriting.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QMimeData;

namespace tf {

// Writes the bytes to the file, replacing it; an existing file without write permission is refused.
void WriteExportFile(const QString &path, const QByteArray &bytes);

// Replaces everything the clipboard holds by the data (taking it over); "クリップボード %s を開けません"
// when the clipboard does not take it.
void PlaceOnClipboard(QMimeData *data);

// Tests replace the clipboard: the hook takes the data and returns an empty text, or the reason it refused.
using ClipboardHook = std::function<QString(QMimeData *)>;
ClipboardHook SetClipboardHook(ClipboardHook hook);

} // namespace tf
