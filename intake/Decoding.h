#pragma once
// The file-reading rule: which encodings a file's bytes are tried in, and how they become the
// UTF-8 text that DataList keeps (UTF-8 files as they are, the others converted once).
#include "engine/LineList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

namespace tf {

class FileMapping;

// Strict UTF-8 (RFC 3629): no invalid, overlong, surrogate, out-of-range or truncated sequence.
bool IsStrictUtf8(QByteArrayView bytes);

// The text of strict UTF-8 bytes, or none at all when they are not. A leading byte-order mark is
// kept as U+FEFF; callers strip it first.
std::optional<QString> DecodeStrictUtf8(QByteArrayView bytes);

// UTF-16 taken as whole 16-bit units (an odd last byte is dropped), surrogates not checked.
QString DecodeUtf16(QByteArrayView bytes, bool bigEndian);

// The legacy code page used when a file is neither UTF-8 nor marked UTF-16: the locale's own
// codeset when it is a legacy multibyte or single-byte one, otherwise CP932 (Shift_JIS).
QByteArray LegacyCodeset();

// Lenient decoding in an iconv codeset: every byte the codeset cannot map becomes the code page's
// default character (U+30FB for CP932, "?" for others) and decoding goes on with the next byte.
QString DecodeLegacy(QByteArrayView bytes, const QByteArray &codeset);

// The same decoding straight to the bytes DataList keeps, byte for byte what EncodeLineText makes of
// DecodeLegacy's text, without a UTF-16 copy. Where every LF begins a character afresh the text is
// decoded in `pieces` parts cut after LFs, side by side (0: as many as the size and processors suit).
QByteArray DecodeLegacyLineText(QByteArrayView bytes, const QByteArray &codeset, int pieces = 0);

// The file-reading rule on a file's bytes: UTF-8 first (its mark skipped), then by mark UTF-8,
// UTF-16 LE, UTF-16 BE, else the legacy codeset. Throws tf::Error when the bytes carry the
// UTF-8 mark but are not valid UTF-8.
QString DecodeFileText(QByteArrayView bytes, const QByteArray &legacyCodeset = LegacyCodeset());

// The same rule straight to lines: UTF-8 bytes become DataList's buffer as they are (split in place),
// other encodings are converted once and their bytes released. Throws as DecodeFileText does.
// decodeNanoseconds, when given, receives the time spent checking and converting (for benchmarks).
LineList LinesFromFileBytes(QByteArray bytes, const QByteArray &legacyCodeset = LegacyCodeset(),
                            qint64 *decodeNanoseconds = nullptr);
// The same on a file's mapped bytes: UTF-8 text is split where the file lies, other encodings are
// converted once and the mapping let go.
LineList LinesFromMapping(std::shared_ptr<FileMapping> mapping, const QByteArray &legacyCodeset = LegacyCodeset(),
                          qint64 *decodeNanoseconds = nullptr);

} // namespace tf
