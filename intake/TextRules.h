#pragma once
// How files and clipboard text become the lines of DataList: the line-break rule, the
// file-reading rule (which encodings are tried, in which order) and the one read from disk.
#include "engine/LineList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tf {

// Splits a text into lines. CR LF, a lone CR and a lone LF each end one line; LF followed by
// CR is two line ends with an empty line between. A break at the very end adds no empty last
// line. Every other character, zero characters included, stays in its line.
LineList SplitLines(QString text);

// Strict UTF-8 (RFC 3629): any invalid, overlong, surrogate, out-of-range or truncated sequence
// gives no text at all. A leading byte-order mark is kept as U+FEFF; callers strip it first.
std::optional<QString> DecodeStrictUtf8(QByteArrayView bytes);

// UTF-16 taken as whole 16-bit units (an odd last byte is dropped), surrogates not checked.
QString DecodeUtf16(QByteArrayView bytes, bool bigEndian);

// The legacy code page used when a file is neither UTF-8 nor marked UTF-16: the locale's own
// codeset when it is a legacy multibyte or single-byte one, otherwise CP932 (Shift_JIS).
QByteArray LegacyCodeset();

// Lenient decoding in an iconv codeset: every byte the codeset cannot map becomes the code page's
// default character (U+30FB for CP932, "?" for others) and decoding goes on with the next byte.
QString DecodeLegacy(QByteArrayView bytes, const QByteArray &codeset);

// The file-reading rule on a file's bytes: UTF-8 first (its mark skipped), then by mark UTF-8,
// UTF-16 LE, UTF-16 BE, else the legacy codeset. Throws tf::Error when the bytes carry the
// UTF-8 mark but are not valid UTF-8.
QString DecodeFileText(QByteArrayView bytes, const QByteArray &legacyCodeset = LegacyCodeset());

// Reads a whole file once, read-only. Throws tf::Error "ファイル <path> は開けません。 <reason> "
// when it is missing, a folder, not a plain file, or cannot be read.
QByteArray ReadFileBytes(const QString &path);

// ReadFileBytes, DecodeFileText and SplitLines: the lines a file gives. Throws as they do.
LineList ReadDataFile(const QString &path);

} // namespace tf
