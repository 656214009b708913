#pragma once
// The chart model the whole program drives: panel, two text blocks, legend, two axes, back wall and the
// series list. It holds state only; RenderChart (ChartRenderer.h) lays it out and draws it. Every change
// made through a property or an operation calls TChart::OnChanged, so the window can schedule a repaint
// instead of drawing synchronously.
#include "engine/Error.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tf {

// Colour: 0x00BBGGRR, a system colour (high byte 0xFF, low bits the system index) or AutoColor.
using TColor = quint32;
constexpr TColor AutoColor = 0x20000000;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | 15; // resolved to the palette's button colour when drawn
constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor RGBColor(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TLegendAlignment { laLeft = 0, laRight = 1, laTop = 2, laBottom = 3 };
enum TLegendStyle { lsAuto = 0, lsSeries = 1, lsValues = 2, lsLastValues = 3 };
// mbNone: every series' bars stand on the origin; mbStacked: bars of one point index pile up.
enum TMultiBar { mbNone = 0, mbStacked = 1 };

// Font styles, combined as flags in TTeeFont::Style.
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;

// The twelve series colours of palette 13.
extern const TColor SeriesPalette[12];

// Raised by the axis setters; the refused value changes nothing.
class AxisException : public Error {
public:
    using Error::Error;
};

// Raised for a series index outside the series list.
class EArgumentOutOfRangeException : public Error {
public:
    EArgumentOutOfRangeException();
};

// Something whose properties report their changes (the chart, or a series that forwards to its chart).
class TChartChangeSink {
public:
    virtual void Changed() = 0;

protected:
    ~TChartChangeSink() = default;
};

// A property: reads like its value, and an assignment of a different value reports a change to its owner.
// An optional check may refuse a value by throwing before anything is stored.
template <class T>
class TProp {
public:
    using Check = std::function<void(const T &)>;

    TProp(TChartChangeSink *owner, T value, Check check = {})
        : m_owner(owner), m_value(std::move(value)), m_check(std::move(check))
    {
    }
    TProp(const TProp &) = delete;

    TProp &operator=(const T &value)
    {
        if (m_check)
            m_check(value);
        if (!(m_value == value)) {
            m_value = value;
            m_owner->Changed();
        }
        return *this;
    }
    TProp &operator=(const TProp &other) { return *this = other.m_value; }

    operator const T &() const { return m_value; }
    const T &get() const { return m_value; }

    // Stores without checking and without reporting (results that drawing writes back).
    void storeQuietly(const T &value) { m_value = value; }

private:
    TChartChangeSink *m_owner;
    T m_value;
    Check m_check;
};

class TTeeFont {
public:
    TTeeFont(TChartChangeSink *owner, const QString &name, int size, TColor color = clBlack, TFontStyles style = 0)
        : Name(owner, name), Size(owner, size), Color(owner, color), Style(owner, style)
    {
    }
    TTeeFont(const TTeeFont &) = delete;
    TTeeFont &operator=(const TTeeFont &other)
    {
        Name = other.Name.get();
        Size = other.Size.get();
        Color = other.Color.get();
        Style = other.Style.get();
        return *this;
    }

    TProp<QString> Name;
    TProp<int> Size; // whole points
    TProp<TColor> Color;
    TProp<TFontStyles> Style;
};

// Lines of a text block, with the list operations the commands use.
class TChartStrings {
public:
    explicit TChartStrings(TChartChangeSink *owner) : m_owner(owner) {}
    TChartStrings(const TChartStrings &) = delete;

    int Count() const { return int(m_lines.size()); }
    // Reads line i; an index outside the list raises tf::Error with the list-index message.
    const QString &operator[](int i) const;
    void Set(int i, const QString &line);
    void Add(const QString &line);
    void Clear();
    const QStringList &Lines() const { return m_lines; }
    TChartStrings &operator=(const QStringList &lines);

private:
    void checkIndex(int i) const;
    TChartChangeSink *m_owner;
    QStringList m_lines;
};

class TChartTitle {
public:
    TChartTitle(TChartChangeSink *owner, TAlignment textAlignment);
    TChartTitle(const TChartTitle &) = delete;

    TChartStrings Text;
    TTeeFont Font;
    TProp<TAlignment> Alignment;     // where the block sits across the panel
    TProp<TAlignment> TextAlignment; // alignment of the lines inside the block
    TProp<bool> Visible;
};

class TChartLegend {
public:
    explicit TChartLegend(TChartChangeSink *owner);
    TChartLegend(const TChartLegend &) = delete;

    TProp<TLegendStyle> LegendStyle;
    TProp<TLegendAlignment> Alignment;
    TProp<bool> Visible;
    TTeeFont Font;
};

class TChartAxisTitle {
public:
    explicit TChartAxisTitle(TChartChangeSink *owner);
    TChartAxisTitle(const TChartAxisTitle &) = delete;

    TProp<QString> Caption;
    TTeeFont Font;
};

class TChartAxis {
public:
    explicit TChartAxis(TChartChangeSink *owner);
    TChartAxis(const TChartAxis &) = delete;

    // true: the range follows the data at every drawing, which stores it in Minimum and Maximum.
    TProp<bool> Automatic;
    // Refused (AxisException) when above the stored Maximum.
    TProp<double> Minimum;
    // Refused (AxisException) when below the stored Minimum.
    TProp<double> Maximum;
    // Label step; 0 lets the drawing choose. Refused (AxisException) when negative.
    TProp<double> Increment;
    TChartAxisTitle Title;
    TTeeFont LabelsFont; // the numbers along the axis

    // Writes a computed range back without checks and without a change report.
    void StoreRange(double minimum, double maximum);
};

// The back wall's picture: absent, present but empty (a failed read), or an image.
class TBackImage {
public:
    explicit TBackImage(TChartChangeSink *owner) : m_owner(owner) {}
    TBackImage(const TBackImage &) = delete;

    bool Assigned() const { return m_assigned; }
    const QImage &Image() const { return m_image; }
    // Makes the picture present (creating it if absent) and holding the image (null = present but empty).
    void SetImage(const QImage &image);
    // Removes the picture.
    void Clear();
    // Reads a picture file (picture/Picture.h): an unknown extension is refused and changes nothing; otherwise
    // the picture is present afterwards, and a file that cannot be decoded leaves the image it had. wait is
    // called while the decode runs (with the share of its deadline gone).
    void LoadFromFile(const QString &fileName, const std::function<void(double)> &wait = {});

private:
    TChartChangeSink *m_owner;
    bool m_assigned = false;
    QImage m_image;
};

class TChartBackWall {
public:
    explicit TChartBackWall(TChartChangeSink *owner);
    TChartBackWall(const TChartBackWall &) = delete;

    TProp<TColor> Color;
    TProp<bool> Transparent;
    TBackImage Picture;
};

class TChartShadow {
public:
    explicit TChartShadow(TChartChangeSink *owner);
    TChartShadow(const TChartShadow &) = delete;

    TProp<bool> Visible;
    TProp<TColor> Color;
    TProp<int> HorizSize;    // pixels to the right
    TProp<int> VertSize;     // pixels down
    TProp<int> Transparency; // percent
};

class TChartBorder {
public:
    explicit TChartBorder(TChartChangeSink *owner) : Visible(owner, false) {}
    TProp<bool> Visible;
};

class TSeriesMarks {
public:
    explicit TSeriesMarks(TChartChangeSink *owner) : Visible(owner, true) {}
    TProp<bool> Visible;
};

// The normal distribution a series' values follow by their mean and deviation, drawn over its bars as
// count * binWidth * density, in the units of the bin axis.
struct TNormalFit {
    double count = 0;
    double mean = 0;
    double stdDev = 0;
    double binWidth = 0;
    bool operator==(const TNormalFit &) const = default;
};

// What the chart shows of a tolerance: its limits and target as lines across the plot (positions on
// the bin axis), the series' normal curves, and one capability line per series under the statistics lines.
class TChartCapability {
public:
    explicit TChartCapability(TChartChangeSink *owner)
        : LowerLimit(owner, std::nullopt), UpperLimit(owner, std::nullopt), Target(owner, std::nullopt),
          NormalCurves(owner, false), Lines(owner)
    {
    }
    TChartCapability(const TChartCapability &) = delete;

    TProp<std::optional<double>> LowerLimit;
    TProp<std::optional<double>> UpperLimit;
    TProp<std::optional<double>> Target;
    TProp<bool> NormalCurves; // each visible series with a fit shows its curve
    TChartStrings Lines;      // drawn in the statistics lines' font and alignment
};

struct TChartValue {
    double X;
    double Y;
    QString Label;
    TColor Color;
};

class TChart;

class TChartSeries : public TChartChangeSink {
public:
    virtual ~TChartSeries();
    TChartSeries(const TChartSeries &) = delete;
    TChartSeries &operator=(const TChartSeries &) = delete;

    TProp<QString> Title;
    TProp<TColor> SeriesColor;
    TProp<bool> Active;
    TSeriesMarks Marks;
    // Absent for a series whose values give no curve (fewer than two, or all equal).
    TProp<std::optional<TNormalFit>> NormalFit;

    // Appends a point; returns its index.
    int AddXY(double x, double y, const QString &label = QString(), TColor color = AutoColor);
    int Count() const { return int(m_values.size()); }
    const TChartValue &Value(int i) const { return m_values.at(size_t(i)); }
    const std::vector<TChartValue> &Values() const { return m_values; }
    void Clear();

    // The chart that owns the series (it may be outside that chart's series list).
    TChart *ParentChart() const { return m_chart; }
    // Horizontal series carry the counts along the bottom axis and the positions along the left axis.
    virtual bool IsHorizontal() const = 0;

    void Changed() override;

protected:
    explicit TChartSeries(TChart *owner);

private:
    friend class TChart;
    TChart *m_chart;
    // Kept by the chart so that listing, owning and change reports cost no search of the series list:
    // a first line of thousands of cells makes as many series.
    bool m_listed = false;
    bool m_ownedByChart = false;
    std::vector<TChartValue> m_values;
};

class TCustomBarSeries : public TChartSeries {
public:
    TProp<int> OffsetPercent;   // moves each bar along the position axis by this share of its width
    TProp<int> BarWidthPercent; // share of a point's slot that a bar fills
    TProp<TMultiBar> MultiBar;

protected:
    explicit TCustomBarSeries(TChart *owner);
};

class TBarSeries : public TCustomBarSeries {
public:
    explicit TBarSeries(TChart *owner) : TCustomBarSeries(owner) {}
    bool IsHorizontal() const override { return false; }
};

class THorizBarSeries : public TCustomBarSeries {
public:
    explicit THorizBarSeries(TChart *owner) : TCustomBarSeries(owner) {}
    bool IsHorizontal() const override { return true; }
};

// The series shown, in order of addition.
class TChartSeriesList {
public:
    int Count() const { return int(m_items.size()); }
    // Series i; an index outside raises EArgumentOutOfRangeException.
    TChartSeries *operator[](int i) const;
    const std::vector<TChartSeries *> &Items() const { return m_items; }

private:
    friend class TChart;
    std::vector<TChartSeries *> m_items;
};

class TChart : public TChartChangeSink {
public:
    // Builds the initial configuration the window shows at start-up.
    TChart();
    ~TChart();
    TChart(const TChart &) = delete;
    TChart &operator=(const TChart &) = delete;

    // Called after every change that alters what is shown (the window schedules a repaint).
    std::function<void()> OnChanged;
    void Changed() override;

    TProp<TColor> Color; // panel fill
    TChartBorder Border;
    TChartShadow Shadow;
    TProp<bool> View3D;
    TProp<int> ColorPaletteIndex;

    TChartTitle Title;
    TChartTitle SubTitle;
    TChartLegend Legend;
    TChartAxis BottomAxis;
    TChartAxis LeftAxis;
    TChartBackWall BackWall;
    TChartCapability Capability;
    TChartSeriesList SeriesList;

    // Creates a series owned by this chart but not yet in its series list (no points, Active, AutoColor).
    template <class S>
    S *CreateSeries()
    {
        auto series = std::make_unique<S>(this);
        S *raw = series.get();
        raw->m_ownedByChart = true;
        m_owned.push_back(std::move(series));
        return raw;
    }
    // Appends the series to the series list and shows it; an AutoColor series receives a palette colour.
    // A series of this chart that is already listed stays where it is.
    TChartSeries *AddSeries(TChartSeries *series);
    // The series leaves the list and no longer exists.
    void DestroySeries(TChartSeries *series);
    void DestroySeries(int index);
    // Takes every series out of the list without destroying it.
    void RemoveAllSeries();

    int SeriesCount() const { return SeriesList.Count(); }
    TChartSeries *Series(int i) const { return SeriesList[i]; }

private:
    TColor PaletteColorForNewSeries() const;
    std::vector<std::unique_ptr<TChartSeries>> m_owned;
};

} // namespace tf
