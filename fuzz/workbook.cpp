// Workbook bytes through the reader: zip archives as .xlsx and as .ods, other bytes as Excel 2003 XML
// and as Gnumeric. A file is read or refused with a reason, never more; every sheet's lines are then
// checked against the cells themselves: each value stands in its row and column, a number reads back
// to the same Double, a text comes back as it was (line breaks made spaces).
#include "FuzzSupport.h"

#include "engine/NumberText.h"
#include "engine/Table.h"
#include "intake/Workbook.h"

#include <bit>
#include <map>
#include <new>

namespace {

void CheckSheet(const tf::Workbook &book, int index, char16_t decimal)
{
    tf::LineList lines;
    try {
        lines = tf::SheetLines(book, index, decimal);
    } catch (const tf::WorkbookError &) {
        return; // a sheet without values
    }
    // The reference: the last cell given at each place, of those that hold a value.
    std::map<std::pair<std::int32_t, std::int32_t>, tf::WorkbookCell> cells;
    for (const tf::WorkbookCell &c : book.sheets[size_t(index)].cells)
        cells[{c.row, c.column}] = c;
    std::int32_t firstColumn = INT32_MAX, firstRow = INT32_MAX, lastRow = 0;
    for (auto it = cells.begin(); it != cells.end();) {
        const tf::WorkbookCell &c = it->second;
        if (c.kind == tf::WorkbookCell::Nothing || (c.kind == tf::WorkbookCell::Text && book.text(c.format).empty())) {
            it = cells.erase(it);
            continue;
        }
        firstColumn = std::min(firstColumn, c.column);
        firstRow = std::min(firstRow, c.row);
        lastRow = std::max(lastRow, c.row);
        ++it;
    }
    FUZZ_CHECK(!cells.empty(), QStringLiteral("lines of a sheet without values"));
    FUZZ_CHECK(lines.size() == qsizetype(lastRow - firstRow) + 1, QStringLiteral("one line per row of the used range"));
    const bool commaSplit = !lines.at(0).contains(u'\t');
    tf::NumberFormat fmt;
    fmt.decimal = decimal;
    fmt.thousands = decimal == u',' ? u'.' : u',';
    for (const auto &[place, c] : cells) {
        const QString line = lines.at(place.first - firstRow);
        const QStringList split = tf::SplitLine(line, u'\t');
        const qsizetype at = place.second - firstColumn;
        if (c.kind == tf::WorkbookCell::Text) {
            QString text = QString::fromUtf8(book.text(c.format).data(), qsizetype(book.text(c.format).size()));
            if (commaSplit && text.contains(u'\t'))
                continue; // on lines split at commas, tabs stay inside cells
            text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
            FUZZ_CHECK(at < split.size() && split[at] == text, QStringLiteral("text cell: ") + line);
        } else if (c.kind == tf::WorkbookCell::Number && std::isfinite(c.number)
                   && (c.format >= book.formatShapes.size() || book.formatShapes[c.format] == tf::NumberShape::Plain)) {
            FUZZ_CHECK(at < split.size(), QStringLiteral("number cell missing: ") + line);
            const std::optional<double> back = tf::ReadNumber(split[at], fmt);
            FUZZ_CHECK(back && std::bit_cast<std::uint64_t>(*back) == std::bit_cast<std::uint64_t>(c.number),
                       QStringLiteral("number cell: ") + split[at]);
        } else {
            FUZZ_CHECK(at < split.size() && !split[at].isEmpty(), QStringLiteral("value cell empty: ") + line);
        }
    }
}

void Read(QByteArrayView bytes, tf::WorkbookFormat format)
{
    tf::Workbook book;
    try {
        book = tf::ReadWorkbook(bytes, format);
    } catch (const tf::WorkbookError &) {
        return;
    } catch (const std::bad_alloc &) {
        return;
    }
    FUZZ_CHECK(!book.sheets.empty(), QStringLiteral("a workbook without sheets was read"));
    for (int s = 0; s < int(std::min<size_t>(book.sheets.size(), 4)); ++s)
        CheckSheet(book, s, s % 2 ? u',' : u'.');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("PK")) {
        Read(bytes, tf::WorkbookFormat::Xlsx);
        Read(bytes, tf::WorkbookFormat::Ods);
    } else if (bytes.startsWith("\x1f\x8b")) {
        Read(bytes, tf::WorkbookFormat::Gnumeric);
    } else {
        Read(bytes, tf::WorkbookFormat::ExcelXml);
    }
    return 0;
}
