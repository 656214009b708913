#include "intake/Workbook.h"

#include "engine/Memory.h"
#include "intake/Decoding.h"
#include "intake/FileReading.h"

#include <orcus/orcus_gnumeric.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xls_xml.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <QFileInfo>
#include <QLocale>
#include <QXmlStreamReader>

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace tf {

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

namespace {

struct SheetLimits {
    std::int32_t rows;
    std::int32_t columns;
};

SheetLimits LimitsOf(WorkbookFormat format)
{
    switch (format) {
    case WorkbookFormat::ExcelXml:
        return {65536, 256};
    case WorkbookFormat::Gnumeric:
        return {16777216, 16384};
    default:
        return {1048576, 16384};
    }
}

QString Grouped(std::uint64_t n) { return QLocale(QLocale::Japanese).toString(qulonglong(n)); }

WorkbookError BrokenFile()
{
    return WorkbookError(QStringLiteral("ブックの形になっていません (途中で切れているか、壊れているか、別の種類のファイルです)"));
}

WorkbookError Protected()
{
    return WorkbookError(QStringLiteral("パスワードで保護されたブックか、古い形式 (.xls) のブックです。"
                                        "保護を外して .xlsx か .ods で保存し直してください"));
}

WorkbookError TooLarge()
{
    return WorkbookError(QStringLiteral("展開すると大きすぎます (上限 %1 MB)").arg(Grouped(MaxUnpackedBytes >> 20)));
}

// ---- what liborcus gives: texts, number formats, cells -----------------------------------------

// The store every part of the import writes into. Its room is limited: an archive that unpacks small
// can still describe many cells (an .ods repeats a cell by a count), and those are refused once they
// would take more than a few times the unpacked size.
class Store {
public:
    Store(SheetLimits limits, std::uint64_t budget) : m_limits(limits), m_budget(budget) {}

    Workbook book;
    std::optional<WorkbookError> failure;

    // Records the first failure and raises it; liborcus unwinds, and a failure it swallowed still
    // ends the read, since every later call adds nothing.
    [[noreturn]] void fail(WorkbookError error)
    {
        if (!failure)
            failure = error;
        throw error;
    }

    void charge(std::uint64_t bytes)
    {
        m_used += bytes;
        if (m_used > m_budget)
            fail(WorkbookError(QStringLiteral("セルが多すぎます (展開後のセルの量が上限 %1 MB を超えます)")
                                   .arg(Grouped(m_budget >> 20))));
    }

    std::uint32_t addText(std::string_view s)
    {
        if (failure)
            return 0;
        charge(s.size() + sizeof(std::uint64_t));
        book.texts.append(s);
        book.textEnds.push_back(book.texts.size());
        return std::uint32_t(book.textEnds.size() - 1);
    }

    // A cell as the file gives it; `copy` marks one repeated from a row above.
    void addCell(int sheet, std::int64_t row, std::int64_t column, WorkbookCell::Kind kind, double number,
                 std::uint32_t format, bool copy = false)
    {
        if (failure)
            return;
        WorkbookSheet &s = book.sheets[size_t(sheet)];
        if (row < 0 || column < 0 || row >= m_limits.rows || column >= m_limits.columns)
            fail(WorkbookError(QStringLiteral("シート「%1」が形式の上限 (%2 行 × %3 列) を超えています")
                                   .arg(s.name, Grouped(std::uint64_t(m_limits.rows)),
                                        Grouped(std::uint64_t(m_limits.columns)))));
        charge(sizeof(WorkbookCell));
        WorkbookCell cell;
        cell.row = std::int32_t(row);
        cell.column = std::int32_t(column);
        cell.kind = kind;
        cell.number = number;
        cell.format = format;
        if (!copy) {
            if (sheet != m_rowSheet || cell.row != m_row) {
                m_rowSheet = sheet;
                m_row = cell.row;
                m_rowCells.clear();
                m_rowAscending = true;
            }
            if (!m_rowCells.empty() && s.cells[m_rowCells.back()].column >= cell.column)
                m_rowAscending = false;
            m_rowCells.push_back(s.cells.size());
        }
        s.cells.push_back(cell);
    }

    // The cell last given at a place of the row being read, if any.
    const WorkbookCell *rowCell(int sheet, std::int32_t row, std::int32_t column) const
    {
        if (sheet != m_rowSheet || row != m_row)
            return nullptr;
        const std::vector<WorkbookCell> &cells = book.sheets[size_t(sheet)].cells;
        if (m_rowAscending) { // the usual order: found by halves, however long the row
            const auto it = std::lower_bound(m_rowCells.begin(), m_rowCells.end(), column,
                                             [&cells](size_t i, std::int32_t q) { return cells[i].column < q; });
            return it != m_rowCells.end() && cells[*it].column == column ? &cells[*it] : nullptr;
        }
        for (size_t k = m_rowCells.size(); k-- > 0;) {
            if (cells[m_rowCells[k]].column == column)
                return &cells[m_rowCells[k]];
        }
        return nullptr;
    }

    SheetLimits limits() const { return m_limits; }

private:
    SheetLimits m_limits;
    std::uint64_t m_budget;
    std::uint64_t m_used = 0;
    int m_rowSheet = -1;
    std::int32_t m_row = -1;
    std::vector<size_t> m_rowCells; // where the cells of that row are
    bool m_rowAscending = true;
};

class Strings final : public iface::import_shared_strings {
public:
    explicit Strings(Store &store) : m_store(store) {}
    size_t append(std::string_view s) override { return m_store.addText(s); }
    size_t add(std::string_view s) override { return m_store.addText(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override
    {
        if (m_store.failure)
            return;
        m_store.charge(s.size());
        m_segments.append(s);
    }
    size_t commit_segments() override
    {
        const size_t index = m_store.addText(m_segments);
        m_segments.clear();
        return index;
    }

private:
    Store &m_store;
    std::string m_segments;
};

// Only the number format of each cell format matters: it tells dates and times from numbers.
class Styles final : public iface::import_styles {
public:
    explicit Styles(Store &store) : m_store(store) {}

    void set_number_format_count(size_t) override {}
    // An .xlsx names its formats by number; other files by the order they come in.
    void set_number_format_identifier(size_t id) override { m_id = id; }
    void set_number_format_code(std::string_view s) override { m_shape = ShapeOfFormatCode(s); }
    size_t commit_number_format() override
    {
        const size_t index = m_formatCount++;
        if (!m_store.failure) {
            m_store.charge(32);
            m_codes[m_id ? *m_id : index] = m_shape;
        }
        m_id.reset();
        m_shape = NumberShape::Plain;
        return index;
    }
    void set_xf_number_format(size_t index) override { m_xfFormat = index; }
    size_t commit_cell_xf() override
    {
        if (!m_store.failure) {
            m_store.charge(sizeof(size_t));
            m_xfs.push_back(m_xfFormat);
        }
        m_xfFormat = 0;
        return m_xfs.size() - 1;
    }

    // Each cell format's shape, from its number format: one of the file's own codes, or a built-in one.
    std::vector<NumberShape> shapes() const
    {
        std::vector<NumberShape> out;
        out.reserve(m_xfs.size());
        for (size_t id : m_xfs) {
            const auto it = m_codes.find(id);
            out.push_back(it != m_codes.end() ? it->second : BuiltInShape(id));
        }
        return out;
    }

    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    size_t commit_font() override { return 0; }
    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    size_t commit_fill() override { return 0; }
    void set_border_count(size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t) override {}
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return 0; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return 0; }
    void set_cell_xf_count(size_t) override {}
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    size_t commit_cell_style_xf() override { return 0; }
    size_t commit_dxf() override { return 0; }
    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return 0; }

private:
    // The number formats every spreadsheet program knows by number, Japanese dates and times included.
    static NumberShape BuiltInShape(size_t id)
    {
        if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) || (id >= 50 && id <= 58))
            return NumberShape::Date;
        if ((id >= 18 && id <= 21) || id == 32 || id == 33 || (id >= 45 && id <= 47))
            return NumberShape::Time;
        if (id == 22)
            return NumberShape::DateTime;
        return NumberShape::Plain;
    }

    Store &m_store;
    std::optional<size_t> m_id;
    size_t m_formatCount = 0;
    NumberShape m_shape = NumberShape::Plain;
    std::unordered_map<size_t, NumberShape> m_codes;
    size_t m_xfFormat = 0;
    std::vector<size_t> m_xfs;
};

// A formula cell's stored result (the last one computed by the program that saved the file).
class Formula final : public iface::import_formula {
public:
    Formula(Store &store, int sheet) : m_store(store), m_sheet(sheet) {}
    void set_position(ss::row_t row, ss::col_t column) override
    {
        m_row = row;
        m_column = column;
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view value) override
    {
        m_kind = WorkbookCell::Text;
        m_number = 0;
        m_text = m_store.addText(value);
    }
    void set_result_value(double value) override
    {
        m_kind = WorkbookCell::Number;
        m_number = value;
    }
    void set_result_bool(bool value) override { m_kind = value ? WorkbookCell::True : WorkbookCell::False; }
    void set_result_empty() override { m_kind = WorkbookCell::Nothing; }
    void commit() override
    {
        m_store.addCell(m_sheet, m_row, m_column, m_kind, m_number, m_kind == WorkbookCell::Text ? m_text : m_format);
        m_kind = WorkbookCell::Nothing;
    }
    void setFormat(std::uint32_t format) { m_format = format; }

private:
    Store &m_store;
    int m_sheet;
    ss::row_t m_row = 0;
    ss::col_t m_column = 0;
    WorkbookCell::Kind m_kind = WorkbookCell::Nothing;
    double m_number = 0.0;
    std::uint32_t m_text = 0;
    std::uint32_t m_format = 0;
};

class ArrayFormula final : public iface::import_array_formula {
public:
    ArrayFormula(Store &store, int sheet) : m_store(store), m_sheet(sheet) {}
    void set_range(const ss::range_t &range) override { m_range = range; }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_result_string(ss::row_t row, ss::col_t column, std::string_view value) override
    {
        const std::uint32_t text = m_store.addText(value);
        add(row, column, WorkbookCell::Text, 0.0, text);
    }
    void set_result_value(ss::row_t row, ss::col_t column, double value) override
    {
        add(row, column, WorkbookCell::Number, value, 0);
    }
    void set_result_bool(ss::row_t row, ss::col_t column, bool value) override
    {
        add(row, column, value ? WorkbookCell::True : WorkbookCell::False, 0.0, 0);
    }
    void set_result_empty(ss::row_t row, ss::col_t column) override
    {
        add(row, column, WorkbookCell::Nothing, 0.0, 0);
    }
    void commit() override {}

private:
    // Results are placed from the range's first cell.
    void add(ss::row_t row, ss::col_t column, WorkbookCell::Kind kind, double number, std::uint32_t format)
    {
        m_store.addCell(m_sheet, std::int64_t(m_range.first.row) + row, std::int64_t(m_range.first.column) + column,
                        kind, number, format);
    }

    Store &m_store;
    int m_sheet;
    ss::range_t m_range{};
};

class Sheet final : public iface::import_sheet {
public:
    Sheet(Store &store, int index) : m_store(store), m_index(index), m_formula(store, index), m_array(store, index) {}

    iface::import_formula *get_formula() override { return &m_formula; }
    iface::import_array_formula *get_array_formula() override { return &m_array; }

    void set_auto(ss::row_t row, ss::col_t column, std::string_view s) override
    {
        double value = 0.0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (!s.empty() && ec == std::errc() && end == s.data() + s.size() && std::isfinite(value))
            m_store.addCell(m_index, row, column, WorkbookCell::Number, value, 0);
        else
            m_store.addCell(m_index, row, column, WorkbookCell::Text, 0.0, m_store.addText(s));
    }
    void set_string(ss::row_t row, ss::col_t column, ss::string_id_t index) override
    {
        m_store.addCell(m_index, row, column, WorkbookCell::Text, 0.0, index);
    }
    void set_value(ss::row_t row, ss::col_t column, double value) override
    {
        m_store.addCell(m_index, row, column, WorkbookCell::Number, value, 0);
    }
    void set_bool(ss::row_t row, ss::col_t column, bool value) override
    {
        m_store.addCell(m_index, row, column, value ? WorkbookCell::True : WorkbookCell::False, 0.0, 0);
    }
    // A date is not a measurement: it becomes the text it is shown as.
    void set_date_time(ss::row_t row, ss::col_t column, int year, int month, int day, int hour, int minute,
                       double second) override
    {
        char buf[64];
        const int s = std::isfinite(second) ? int(std::clamp(std::lround(second), 0L, 60L)) : 0;
        int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
        if (hour != 0 || minute != 0 || s != 0)
            n += std::snprintf(buf + n, sizeof buf - size_t(n), " %02d:%02d:%02d", hour, minute, s);
        m_store.addCell(m_index, row, column, WorkbookCell::Text, 0.0,
                        m_store.addText(std::string_view(buf, size_t(std::clamp(n, 0, int(sizeof buf) - 1)))));
    }
    // The format comes with its cell, just after it; it only matters to numbers.
    void set_format(ss::row_t row, ss::col_t column, size_t format) override
    {
        std::vector<WorkbookCell> &cells = m_store.book.sheets[size_t(m_index)].cells;
        if (!cells.empty() && cells.back().row == row && cells.back().column == column
            && cells.back().kind == WorkbookCell::Number)
            cells.back().format = std::uint32_t(std::min<size_t>(format, UINT32_MAX));
    }
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    // A row repeated below itself (.ods): its cells again, on each row of the range.
    void fill_down_cells(ss::row_t row, ss::col_t column, ss::row_t count) override
    {
        const WorkbookCell *source = m_store.rowCell(m_index, row, column);
        if (!source)
            return;
        const WorkbookCell c = *source;
        for (ss::row_t k = 1; k <= count && !m_store.failure; ++k)
            m_store.addCell(m_index, std::int64_t(row) + k, column, c.kind, c.number, c.format, true);
    }
    ss::range_size_t get_sheet_size() const override
    {
        return {m_store.limits().rows, m_store.limits().columns};
    }

private:
    Store &m_store;
    int m_index;
    Formula m_formula;
    ArrayFormula m_array;
};

class Settings final : public iface::import_global_settings {
public:
    explicit Settings(Workbook &book) : m_book(book) {}
    void set_origin_date(int year, int month, int day) override
    {
        m_book.originYear = year;
        m_book.originMonth = month;
        m_book.originDay = day;
    }
    void set_default_formula_grammar(ss::formula_grammar_t grammar) override { m_grammar = grammar; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

private:
    Workbook &m_book;
    ss::formula_grammar_t m_grammar = ss::formula_grammar_t::unknown;
};

// Cell addresses in the A1 form ("B12", "$B$12", "A1:D10"), the form an .xlsx names its cells in.
class AddressReader final : public iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view text) override
    {
        ss::src_address_t out{0, 0, 0};
        size_t i = 0;
        std::int64_t column = 0, row = 0;
        if (i < text.size() && text[i] == '$')
            ++i;
        const size_t letters = i;
        for (; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i)
            column = std::min<std::int64_t>(column * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1), INT32_MAX);
        if (i < text.size() && text[i] == '$')
            ++i;
        const size_t digits = i;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
            row = std::min<std::int64_t>(row * 10 + (text[i] - '0'), INT32_MAX);
        if (i == letters || i == digits || i != text.size() || column == 0 || row == 0)
            throw std::invalid_argument("no cell address");
        // Beyond every sheet's limits the address stays beyond them, and the cell is refused.
        out.row = ss::row_t(row - 1);
        out.column = ss::col_t(column - 1);
        return out;
    }
    ss::src_range_t resolve_range(std::string_view text) override
    {
        const size_t colon = text.find(':');
        ss::src_range_t out;
        out.first = resolve_address(text.substr(0, colon));
        out.last = colon == std::string_view::npos ? out.first : resolve_address(text.substr(colon + 1));
        return out;
    }
};

class Factory final : public iface::import_factory {
public:
    Factory(SheetLimits limits, std::uint64_t budget)
        : m_store(limits, budget), m_strings(m_store), m_styles(m_store), m_settings(m_store.book)
    {
    }

    iface::import_global_settings *get_global_settings() override { return &m_settings; }
    iface::import_shared_strings *get_shared_strings() override { return &m_strings; }
    iface::import_styles *get_styles() override { return &m_styles; }
    iface::import_reference_resolver *get_reference_resolver(ss::formula_ref_context_t) override
    {
        return &m_addresses;
    }

    iface::import_sheet *append_sheet(ss::sheet_t, std::string_view name) override
    {
        if (m_store.failure)
            return nullptr;
        m_store.charge(sizeof(WorkbookSheet) + sizeof(Sheet) + name.size() * 2);
        WorkbookSheet sheet;
        sheet.name = QString::fromUtf8(name.data(), qsizetype(name.size()));
        m_store.book.sheets.push_back(std::move(sheet));
        m_sheets.push_back(std::make_unique<Sheet>(m_store, int(m_sheets.size())));
        return m_sheets.back().get();
    }
    iface::import_sheet *get_sheet(std::string_view name) override
    {
        const QString wanted = QString::fromUtf8(name.data(), qsizetype(name.size()));
        for (size_t i = 0; i < m_sheets.size(); ++i) {
            if (m_store.book.sheets[i].name == wanted)
                return m_sheets[i].get();
        }
        return nullptr;
    }
    iface::import_sheet *get_sheet(ss::sheet_t index) override
    {
        return index >= 0 && size_t(index) < m_sheets.size() ? m_sheets[size_t(index)].get() : nullptr;
    }
    void finalize() override {}

    Store &store() { return m_store; }
    Workbook take()
    {
        m_store.book.formatShapes = m_styles.shapes();
        return std::move(m_store.book);
    }

private:
    Store m_store;
    Strings m_strings;
    Styles m_styles;
    Settings m_settings;
    AddressReader m_addresses;
    std::vector<std::unique_ptr<Sheet>> m_sheets;
};

// ---- what is checked before liborcus reads ----------------------------------------------------

bool StartsWith(QByteArrayView bytes, std::string_view magic)
{
    return bytes.size() >= qsizetype(magic.size()) && std::equal(magic.begin(), magic.end(), bytes.data());
}

// An encrypted .xlsx and an old .xls are both compound documents, not zip archives.
constexpr std::string_view CompoundDocumentMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Deflate cannot shrink data by more than about 1032 to 1; an entry that claims more is made up.
constexpr std::uint64_t MaxDeflateRatio = 1032;

class ZipArchive {
public:
    explicit ZipArchive(QByteArrayView bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.data(), zip_uint64_t(bytes.size()), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!m_zip) {
            if (source)
                zip_source_free(source);
            const int code = zip_error_code_zip(&error);
            zip_error_fini(&error);
            if (code == ZIP_ER_MEMORY)
                throw std::bad_alloc();
            throw BrokenFile();
        }
        zip_error_fini(&error);
    }
    ~ZipArchive() { zip_discard(m_zip); }
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;
    zip_t *get() const { return m_zip; }

    // An entry's bytes, when it exists and unpacks to at most `limit` bytes.
    std::optional<std::string> read(const char *name, zip_uint64_t limit) const
    {
        zip_stat_t st;
        if (zip_stat(m_zip, name, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > limit)
            return std::nullopt;
        zip_file_t *file = zip_fopen(m_zip, name, 0);
        if (!file)
            return std::nullopt;
        std::string out(size_t(st.size), '\0');
        const zip_int64_t got = zip_fread(file, out.data(), st.size);
        zip_fclose(file);
        if (got < 0)
            return std::nullopt;
        out.resize(size_t(got));
        return out;
    }

private:
    zip_t *m_zip = nullptr;
};

// Refuses an archive entry that does not unpack whole (its checksum included) to one well-formed XML
// document. Read a piece at a time: the parse keeps little of what it has seen.
void RequireWholeXml(zip_t *zip, zip_uint64_t index)
{
    zip_file_t *file = zip_fopen_index(zip, index, 0);
    if (!file)
        throw BrokenFile();
    QXmlStreamReader xml;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    bool whole = true;
    for (;;) {
        const zip_int64_t got = zip_fread(file, piece.data(), zip_uint64_t(piece.size()));
        if (got < 0) {
            whole = false;
            break;
        }
        if (got == 0)
            break;
        xml.addData(QByteArray(piece.constData(), qsizetype(got))); // its own copy: piece is reused
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            break;
    }
    zip_fclose(file);
    if (!whole || xml.hasError())
        throw BrokenFile();
}

// The total size the archive's entries unpack to, as its directory declares it; refuses encrypted,
// implausibly packed and oversized archives before anything is unpacked.
std::uint64_t CheckArchive(QByteArrayView bytes, WorkbookFormat format)
{
    if (StartsWith(bytes, CompoundDocumentMagic))
        throw Protected();
    const ZipArchive zip(bytes);
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip.get(), zip_uint64_t(i), 0, &st) != 0)
            throw BrokenFile();
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            throw Protected();
        if (!(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_COMP_SIZE))
            throw BrokenFile();
        if (st.size > MaxUnpackedBytes || (st.comp_size > 0 && st.size / st.comp_size > MaxDeflateRatio))
            throw TooLarge();
        total += st.size;
        if (total > MaxUnpackedBytes)
            throw TooLarge();
    }
    // A password-protected .ods is a plain archive whose parts are encrypted inside; its manifest says so.
    if (format == WorkbookFormat::Ods) {
        const std::optional<std::string> manifest = zip.read("META-INF/manifest.xml", 16u << 20);
        if (manifest && manifest->find("encryption-data") != std::string::npos)
            throw Protected();
    }
    // liborcus 0.17 reads past the end of a part that stops inside a tag (and asserts on it): every XML
    // part is unpacked once here, a piece at a time, its checksum checked by libzip, and refused unless
    // it is whole XML.
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(zip.get(), zip_uint64_t(i), 0);
        if (!name)
            throw BrokenFile();
        const std::string_view entry(name);
        if (entry.ends_with(".xml") || entry.ends_with(".rels"))
            RequireWholeXml(zip.get(), zip_uint64_t(i));
    }
    return total;
}

// The size a gzip stream unpacks to, counted without keeping it; refuses it beyond the limit.
std::uint64_t GzipSize(QByteArrayView bytes)
{
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        throw std::bad_alloc();
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    z.avail_in = uInt(std::min<qsizetype>(bytes.size(), qsizetype(UINT32_MAX)));
    std::vector<Bytef> sink(size_t(1) << 16);
    std::uint64_t total = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = sink.data();
        z.avail_out = uInt(sink.size());
        rc = inflate(&z, Z_NO_FLUSH);
        total += sink.size() - z.avail_out;
        if (total > MaxUnpackedBytes) {
            inflateEnd(&z);
            throw TooLarge();
        }
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw BrokenFile();
    return total;
}

// liborcus 0.17 reads the cells of an Excel 2003 XML file into the sheet being read without asking
// whether there is one: a Row, Cell or Data outside a Worksheet's Table ends the process. Such a file
// is refused before it is handed over, as is one that is no well-formed XML.
void CheckExcelXmlNesting(QByteArrayView bytes)
{
    static const std::unordered_map<std::string_view, std::string_view> parentOf{
        {"Worksheet", "Workbook"}, {"Table", "Worksheet"}, {"Column", "Table"},
        {"Row", "Table"},          {"Cell", "Row"},        {"Data", "Cell"}};
    QXmlStreamReader xml(QByteArray::fromRawData(bytes.data(), bytes.size()));
    std::vector<QString> open;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString name = xml.name().toString();
            const auto it = parentOf.find(name.toStdString());
            if (it != parentOf.end()
                && (open.empty() || open.back() != QLatin1StringView(it->second.data(), qsizetype(it->second.size()))))
                throw BrokenFile();
            open.push_back(name);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        throw BrokenFile();
}

void Import(Factory &factory, QByteArrayView bytes, WorkbookFormat format)
{
    const std::string_view stream(bytes.data(), size_t(bytes.size()));
    switch (format) {
    case WorkbookFormat::Xlsx: {
        orcus::orcus_xlsx filter(&factory);
        filter.read_stream(stream);
        break;
    }
    case WorkbookFormat::Ods: {
        orcus::orcus_ods filter(&factory);
        filter.read_stream(stream);
        break;
    }
    case WorkbookFormat::ExcelXml: {
        // liborcus reads some of its numbers with strtol, which may look on to a terminating NUL: the text
        // is handed over as a copy that has one, whatever the caller's bytes end with.
        const std::string text(stream);
        orcus::orcus_xls_xml filter(&factory);
        filter.read_stream(text);
        break;
    }
    case WorkbookFormat::Gnumeric: {
        orcus::orcus_gnumeric filter(&factory);
        filter.read_stream(stream);
        break;
    }
    case WorkbookFormat::None:
        break;
    }
}

// ---- lines ---------------------------------------------------------------------------------------

bool HasValue(const Workbook &book, const WorkbookCell &cell)
{
    switch (cell.kind) {
    case WorkbookCell::Nothing:
        return false;
    case WorkbookCell::Text:
        return !book.text(cell.format).empty();
    default:
        return true;
    }
}

// A text as one cell of a line: line breaks become spaces, and a text that begins with a quote or
// holds the delimiter is quoted, so that the table reading gives it back whole.
void AppendCellText(QByteArray &out, std::string_view text, char delimiter)
{
    QByteArray clean;
    if (!IsStrictUtf8(QByteArrayView(text.data(), qsizetype(text.size()))))
        clean = QString::fromUtf8(text.data(), qsizetype(text.size())).toUtf8();
    else
        clean = QByteArray(text.data(), qsizetype(text.size()));
    QByteArray joined;
    joined.reserve(clean.size());
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char c = clean[i];
        if (c == '\r' || c == '\n') {
            joined += ' ';
            if (c == '\r' && i + 1 < clean.size() && clean[i + 1] == '\n')
                ++i;
        } else {
            joined += c;
        }
    }
    if (joined.startsWith('"') || joined.contains(delimiter)) {
        out += '"';
        out += joined.replace("\"", "\"\"");
        out += '"';
    } else {
        out += joined;
    }
}

} // namespace

WorkbookFormat WorkbookFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx")
        return WorkbookFormat::Xlsx;
    if (suffix == u"ods")
        return WorkbookFormat::Ods;
    if (suffix == u"xml")
        return WorkbookFormat::ExcelXml;
    if (suffix == u"gnumeric")
        return WorkbookFormat::Gnumeric;
    return WorkbookFormat::None;
}

QString WorkbookFileFilter()
{
    return QStringLiteral("表計算ファイル (*.xlsx *.ods *.xml *.gnumeric)");
}

NumberShape ShapeOfFormatCode(std::string_view code)
{
    // The named formats of Excel 2003 XML.
    std::string lower(code);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char x) { return char(std::tolower(static_cast<unsigned char>(x))); });
    if (lower == "general date")
        return NumberShape::DateTime;
    if (lower == "long date" || lower == "medium date" || lower == "short date")
        return NumberShape::Date;
    if (lower == "long time" || lower == "medium time" || lower == "short time")
        return NumberShape::Time;
    if (lower == "general number" || lower == "fixed" || lower == "standard" || lower == "percent"
        || lower == "scientific" || lower == "currency" || lower == "yes/no" || lower == "true/false"
        || lower == "on/off")
        return NumberShape::Plain;
    bool date = false, time = false, month = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = char(std::tolower(static_cast<unsigned char>(code[i])));
        if (c == ';') {
            break; // the first section, that of positive numbers, decides
        } else if (c == '"') {
            const size_t end = code.find('"', i + 1);
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const size_t end = code.find(']', i + 1);
            const std::string_view inner = code.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
            // Elapsed hours, minutes or seconds ("[h]:mm"); colours and locales say nothing.
            if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string_view::npos)
                time = true;
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == 'g' && code.size() - i >= 7) {
            std::string word(code.substr(i, 7));
            std::transform(word.begin(), word.end(), word.begin(), [](char x) { return char(std::tolower(x)); });
            if (word == "general")
                i += 6;
            else
                date = true; // the Japanese era name
        } else if (c == 'e') {
            // "E+" and "E-" are the scientific form; a lone e is the Japanese era year.
            if (i + 1 >= code.size() || (code[i + 1] != '+' && code[i + 1] != '-'))
                date = true;
            else
                ++i;
        } else if (c == 'y' || c == 'd' || c == 'g') {
            date = true;
        } else if (c == 'h' || c == 's') {
            time = true;
        } else if (c == 'm') {
            month = true;
        }
    }
    if (month && !time)
        date = true;
    if (date && time)
        return NumberShape::DateTime;
    return date ? NumberShape::Date : time ? NumberShape::Time : NumberShape::Plain;
}

QStringList Workbook::sheetNames() const
{
    QStringList names;
    for (const WorkbookSheet &s : sheets)
        names.append(s.name);
    return names;
}

std::string_view Workbook::text(std::uint32_t index) const
{
    if (index >= textEnds.size())
        return {};
    const std::uint64_t begin = index == 0 ? 0 : textEnds[index - 1];
    return std::string_view(texts).substr(size_t(begin), size_t(textEnds[index] - begin));
}

std::string ShortestNumberText(double value, char16_t decimal)
{
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    std::string text(buf, result.ptr);
    const size_t dot = text.find('.');
    if (dot != std::string::npos && decimal != u'.')
        text.replace(dot, 1, QString(QChar(decimal)).toStdString());
    return text;
}

std::string DateSerialText(const Workbook &book, double serial, NumberShape shape)
{
    using namespace std::chrono;
    // Far outside the years a calendar shows, the serial is written as the number it is.
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6)
        return ShortestNumberText(serial, u'.');
    const long long totalSeconds = std::llround(serial * 86400.0);
    long long days = totalSeconds / 86400;
    long long seconds = totalSeconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    const sys_days origin = sys_days(year(book.originYear) / month(unsigned(book.originMonth)) / day(unsigned(book.originDay)));
    const year_month_day ymd(origin + std::chrono::days(days));
    char buf[64];
    int n = 0;
    if (shape != NumberShape::Time)
        n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
    if (shape != NumberShape::Date)
        n += std::snprintf(buf + n, sizeof buf - size_t(n), "%s%02lld:%02lld:%02lld", n ? " " : "", seconds / 3600,
                           seconds / 60 % 60, seconds % 60);
    return std::string(buf, size_t(std::clamp(n, 0, int(sizeof buf) - 1)));
}

LineList SheetLines(const Workbook &book, int sheetIndex, char16_t decimal)
{
    const WorkbookSheet &sheet = book.sheets.at(size_t(sheetIndex));
    const std::vector<WorkbookCell> &cells = sheet.cells;

    // The cells by place; of several at one place the last one given counts.
    std::vector<std::uint32_t> order(cells.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&cells](std::uint32_t a, std::uint32_t b) {
        return std::tie(cells[a].row, cells[a].column) < std::tie(cells[b].row, cells[b].column);
    });
    std::vector<std::uint32_t> placed;
    placed.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const WorkbookCell &c = cells[order[i]];
        const bool overridden = i + 1 < order.size() && cells[order[i + 1]].row == c.row
                                && cells[order[i + 1]].column == c.column;
        if (!overridden && HasValue(book, c))
            placed.push_back(order[i]);
    }
    order = {};
    if (placed.empty())
        throw WorkbookError(QStringLiteral("シート「%1」にデータがありません").arg(sheet.name));

    // The used range begins at the first row and column that hold a value. Each line ends after
    // the last column that still has a value in its row or below, so columns of different lengths
    // keep their own lengths.
    std::int32_t firstColumn = INT32_MAX, lastColumn = 0;
    for (std::uint32_t i : placed) {
        firstColumn = std::min(firstColumn, cells[i].column);
        lastColumn = std::max(lastColumn, cells[i].column);
    }
    std::vector<std::int32_t> lastRowOf(size_t(lastColumn - firstColumn) + 1, -1);
    for (std::uint32_t i : placed)
        lastRowOf[size_t(cells[i].column - firstColumn)] = cells[i].row; // rows ascend
    // Columns by their last row, and the widest column still going from each of them on.
    std::vector<std::pair<std::int32_t, std::int32_t>> ends; // (last row, column)
    for (size_t q = 0; q < lastRowOf.size(); ++q) {
        if (lastRowOf[q] >= 0)
            ends.emplace_back(lastRowOf[q], std::int32_t(q) + firstColumn);
    }
    std::sort(ends.begin(), ends.end());
    std::vector<std::int32_t> widestFrom(ends.size());
    for (size_t k = ends.size(); k-- > 0;)
        widestFrom[k] = std::max(ends[k].second, k + 1 < ends.size() ? widestFrom[k + 1] : INT32_MIN);

    const std::int32_t firstRow = cells[placed.front()].row;
    // The table reading splits at tabs when the first line holds one, else at commas.
    const bool firstRowWide = std::any_of(placed.begin(), placed.end(), [&](std::uint32_t i) {
        return cells[i].row == firstRow && cells[i].column > firstColumn;
    });
    const char delimiter = firstRowWide ? '\t' : ',';

    QByteArray out;
    size_t end = 0;
    std::int32_t row = firstRow;
    for (size_t k = 0; k < placed.size();) {
        const std::int32_t cellRow = cells[placed[k]].row;
        for (; row < cellRow; ++row)
            out += '\n'; // a row without any value: an empty line, which carries no data
        while (end < ends.size() && ends[end].first < row)
            ++end;
        const std::int32_t widest = widestFrom[end];
        std::int32_t column = firstColumn;
        for (; k < placed.size() && cells[placed[k]].row == row; ++k) {
            const WorkbookCell &c = cells[placed[k]];
            out.append(qsizetype(c.column - column), '\t');
            column = c.column;
            switch (c.kind) {
            case WorkbookCell::Number: {
                const NumberShape shape = c.format < book.formatShapes.size() ? book.formatShapes[c.format]
                                                                              : NumberShape::Plain;
                AppendCellText(out, shape == NumberShape::Plain ? ShortestNumberText(c.number, decimal)
                                                                : DateSerialText(book, c.number, shape),
                               delimiter);
                break;
            }
            case WorkbookCell::Text:
                AppendCellText(out, book.text(c.format), delimiter);
                break;
            case WorkbookCell::True:
                out += "TRUE";
                break;
            case WorkbookCell::False:
                out += "FALSE";
                break;
            case WorkbookCell::Nothing:
                break;
            }
        }
        out.append(qsizetype(widest - column), '\t');
        out += '\n';
        ++row;
    }
    return LineList::fromUtf8(std::move(out));
}

Workbook ReadWorkbook(QByteArrayView bytes, WorkbookFormat format)
{
    std::uint64_t unpacked = std::uint64_t(bytes.size());
    if (format == WorkbookFormat::Xlsx || format == WorkbookFormat::Ods)
        unpacked = CheckArchive(bytes, format);
    else if (format == WorkbookFormat::Gnumeric)
        unpacked = GzipSize(bytes);
    else if (StartsWith(bytes, CompoundDocumentMagic))
        throw Protected();
    // liborcus holds a sheet's part unpacked while it reads it, and the cells kept take up to about half
    // as much again: a workbook that would not fit in the memory left is refused before it is unpacked.
    const qint64 needed = qint64(unpacked + unpacked / 2);
    const qint64 available = AvailableMemory();
    if (needed > available)
        throw WorkbookError(NotEnoughMemoryReason(needed, available));
    if (format == WorkbookFormat::ExcelXml)
        CheckExcelXmlNesting(bytes);
    // Room for the cells: a few times what the sheets unpack to, and at least enough for a large table
    // written compactly (an .ods repeats equal rows by a count).
    Factory factory(LimitsOf(format), (std::uint64_t(64) << 20) + 4 * unpacked);
    try {
        Import(factory, bytes, format);
    } catch (const WorkbookError &) {
        // recorded in the store
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &) {
        throw BrokenFile();
    }
    if (factory.store().failure)
        throw *factory.store().failure;
    Workbook book = factory.take();
    if (book.sheets.empty())
        throw BrokenFile();
    return book;
}

Workbook ReadWorkbookFile(const QString &path, WorkbookFormat format)
{
    const QByteArray bytes = ReadFileBytes(path);
    try {
        return ReadWorkbook(bytes, format);
    } catch (const WorkbookError &e) {
        throw CannotOpenError(path, e.message());
    } catch (const std::bad_alloc &) {
        throw CannotOpenError(path, ENOMEM);
    }
}

LineList WorkbookSheetLines(const QString &path, const Workbook &book, int sheet, char16_t decimal)
{
    try {
        return SheetLines(book, sheet, decimal);
    } catch (const WorkbookError &e) {
        throw CannotOpenError(path, e.message());
    } catch (const std::bad_alloc &) {
        throw CannotOpenError(path, ENOMEM);
    }
}

} // namespace tf
