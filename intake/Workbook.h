#pragma once
// Spreadsheet files (.xlsx, .ods, Excel 2003 XML, Gnumeric), read with liborcus: the cells of every
// sheet, and the lines a chosen sheet gives, the lines a copied range of its cells would give.
#include "engine/Error.h"
#include "engine/LineList.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace tf {

enum class WorkbookFormat { None, Xlsx, Ods, ExcelXml, Gnumeric };

// The workbook format a file name stands for, by its extension in any case; None for every other file.
WorkbookFormat WorkbookFormatOf(const QString &path);

// The open dialog's entry for these files.
QString WorkbookFileFilter();

// A reason the workbook cannot be read, in the user's words; the caller names the file.
class WorkbookError : public Error {
public:
    using Error::Error;
};

// One cell as the file gave it. A text's index is kept in `format`; a number's cell format is.
struct WorkbookCell {
    enum Kind : std::uint8_t { Number, Text, True, False, Nothing };
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::uint32_t format = 0;
    Kind kind = Nothing;
    double number = 0.0;
};

struct WorkbookSheet {
    QString name;
    std::vector<WorkbookCell> cells; // in the order the file gave them; a later one at a place wins
};

// How a number of a cell format is shown: as a number, or as a date, a time of day, or both.
enum class NumberShape : std::uint8_t { Plain, Date, Time, DateTime };

// The number format code's shape ("yyyy/mm/dd", "h:mm", "0.00%"): date and time letters outside
// quotes, escapes and brackets make a date or a time; "General" and the rest stay numbers.
NumberShape ShapeOfFormatCode(std::string_view code);

struct Workbook {
    std::vector<WorkbookSheet> sheets;
    std::string texts;                      // every text, one after the other
    std::vector<std::uint64_t> textEnds;    // where text i ends in `texts`
    std::vector<NumberShape> formatShapes;  // per cell format
    int originYear = 1899, originMonth = 12, originDay = 30; // day 0 of date serial numbers

    QStringList sheetNames() const;
    std::string_view text(std::uint32_t index) const;
};

// The lines of one sheet, tab-separated cells as a copied range has them (see the README's data
// sources). Numbers are written with `decimal` as their separator. Throws WorkbookError when the sheet
// holds no value.
LineList SheetLines(const Workbook &book, int sheet, char16_t decimal);

// The text a number is written as: the shortest that reads back to the same Double.
std::string ShortestNumberText(double value, char16_t decimal);

// The text a date serial number is shown as ("2024-03-05", "12:30:00", "2024-03-05 12:30:00").
std::string DateSerialText(const Workbook &book, double serial, NumberShape shape);

// Reads a workbook from a file's bytes. Before liborcus sees them, an archive's declared sizes are
// checked, so that the memory taken stays a small multiple of the unpacked sheets, and a workbook whose
// sheets would not fit in the memory left (AvailableMemory) is refused. Throws WorkbookError.
Workbook ReadWorkbook(QByteArrayView bytes, WorkbookFormat format);

// The file read whole, then ReadWorkbook. Throws tf::Error "ファイル <path> は開けません。 <reason> ".
Workbook ReadWorkbookFile(const QString &path, WorkbookFormat format);

// SheetLines for the file at path: throws tf::Error "ファイル <path> は開けません。 <reason> ".
LineList WorkbookSheetLines(const QString &path, const Workbook &book, int sheet, char16_t decimal);

// The limits of ReadWorkbook, shown to the user when a file goes beyond them.
inline constexpr std::uint64_t MaxUnpackedBytes = std::uint64_t(1) << 30;

} // namespace tf
