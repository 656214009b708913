#include "chart/ChartModel.h"

#include "engine/Messages.h"

#include <algorithm>

namespace tf {

const TColor SeriesPalette[12] = {
    RGBColor(68, 102, 163), RGBColor(243, 156, 53), RGBColor(241, 76, 20),  RGBColor(78, 151, 168),
    RGBColor(43, 64, 107),  RGBColor(29, 123, 99),  RGBColor(179, 8, 14),   RGBColor(242, 192, 93),
    RGBColor(93, 183, 158), RGBColor(112, 112, 112), RGBColor(243, 234, 141), RGBColor(180, 180, 180),
};

namespace {
// The face the chart's text parts use unless a command sets another.
const QString kDefaultFace = QStringLiteral("Tahoma");
} // namespace

EArgumentOutOfRangeException::EArgumentOutOfRangeException()
    : Error(ArgumentOutOfRangeMessage())
{
}

// ---- text lines ----

void TChartStrings::checkIndex(int i) const
{
    if (i < 0 || i >= m_lines.size())
        throw Error(ListIndexMessage(i));
}

const QString &TChartStrings::operator[](int i) const
{
    checkIndex(i);
    return m_lines[i];
}

void TChartStrings::Set(int i, const QString &line)
{
    checkIndex(i);
    if (m_lines[i] == line)
        return;
    m_lines[i] = line;
    m_owner->Changed();
}

void TChartStrings::Add(const QString &line)
{
    m_lines.append(line);
    m_owner->Changed();
}

void TChartStrings::Clear()
{
    if (m_lines.isEmpty())
        return;
    m_lines.clear();
    m_owner->Changed();
}

TChartStrings &TChartStrings::operator=(const QStringList &lines)
{
    if (m_lines != lines) {
        m_lines = lines;
        m_owner->Changed();
    }
    return *this;
}

// ---- parts ----

TChartTitle::TChartTitle(TChartChangeSink *owner, TAlignment textAlignment)
    : Text(owner), Font(owner, kDefaultFace, 8, clBlack), Alignment(owner, taCenter),
      TextAlignment(owner, textAlignment), Visible(owner, true)
{
}

TChartLegend::TChartLegend(TChartChangeSink *owner)
    : LegendStyle(owner, lsAuto), Alignment(owner, laRight), Visible(owner, true), Font(owner, kDefaultFace, 8)
{
}

TChartAxisTitle::TChartAxisTitle(TChartChangeSink *owner) : Caption(owner, QString()), Font(owner, kDefaultFace, 8)
{
}

TChartAxis::TChartAxis(TChartChangeSink *owner)
    : Automatic(owner, true),
      Minimum(owner, 0.0,
              [this](const double &v) {
                  if (v > Maximum.get())
                      throw AxisException(QStringLiteral("Axis Minimum Value must be <= Maximum"));
              }),
      Maximum(owner, 0.0,
              [this](const double &v) {
                  if (v < Minimum.get())
                      throw AxisException(QStringLiteral("Axis Maximum Value must be >= Minimum"));
              }),
      Increment(owner, 0.0,
                [](const double &v) {
                    if (v < 0)
                        throw AxisException(QStringLiteral("Axis increment must be >= 0"));
                }),
      Title(owner), LabelsFont(owner, kDefaultFace, 8)
{
}

void TChartAxis::StoreRange(double minimum, double maximum)
{
    Minimum.storeQuietly(minimum);
    Maximum.storeQuietly(maximum);
}

void TBackImage::SetImage(const QImage &image)
{
    m_assigned = true;
    m_image = image;
    m_owner->Changed();
}

void TBackImage::Clear()
{
    if (!m_assigned)
        return;
    m_assigned = false;
    m_image = QImage();
    m_owner->Changed();
}

TChartBackWall::TChartBackWall(TChartChangeSink *owner)
    : Color(owner, RGBColor(192, 192, 192)), Transparent(owner, true), Picture(owner)
{
}

TChartShadow::TChartShadow(TChartChangeSink *owner)
    : Visible(owner, false), Color(owner, RGBColor(133, 133, 133)), HorizSize(owner, 14), VertSize(owner, 14),
      Transparency(owner, 50)
{
}

// ---- series ----

TChartSeries::TChartSeries(TChart *owner)
    : Title(this, QString()), SeriesColor(this, AutoColor), Active(this, true), Marks(this), NormalFit(this, std::nullopt),
      m_chart(owner)
{
}

TChartSeries::~TChartSeries() = default;

void TChartSeries::Changed()
{
    if (m_chart && m_listed)
        m_chart->Changed();
}

int TChartSeries::AddXY(double x, double y, const QString &label, TColor color)
{
    m_values.push_back(TChartValue{x, y, label, color});
    Changed();
    return int(m_values.size()) - 1;
}

void TChartSeries::Clear()
{
    if (m_values.empty())
        return;
    m_values.clear();
    Changed();
}

TCustomBarSeries::TCustomBarSeries(TChart *owner)
    : TChartSeries(owner), OffsetPercent(this, 0), BarWidthPercent(this, 70), MultiBar(this, mbNone)
{
}

TChartSeries *TChartSeriesList::operator[](int i) const
{
    if (i < 0 || i >= Count())
        throw EArgumentOutOfRangeException();
    return m_items[size_t(i)];
}

// ---- chart ----

TChart::TChart()
    : Color(this, clBtnFace), Border(this), Shadow(this), View3D(this, false), ColorPaletteIndex(this, 13),
      Title(this, taCenter), SubTitle(this, taLeftJustify), Legend(this), BottomAxis(this), LeftAxis(this),
      BackWall(this), Capability(this)
{
    Title.Text.Add(QStringLiteral("タイトル"));
    Title.Font.Size = 10;
    SubTitle.Font.Name = QStringLiteral("ＭＳ ゴシック");
    SubTitle.Font.Size = 9;
    SubTitle.Alignment = taLeftJustify;
    Legend.LegendStyle = lsSeries;
}

TChart::~TChart()
{
    // The owned series die with the chart; forget the list first so none reports to a half-destroyed chart.
    OnChanged = nullptr;
    SeriesList.m_items.clear();
}

void TChart::Changed()
{
    if (OnChanged)
        OnChanged();
}

TColor TChart::PaletteColorForNewSeries() const
{
    const auto &items = SeriesList.Items();
    // Entries 0..10 that are still candidates; the scan of the series stops once none is left, so a
    // long series list costs no more than its first few series.
    bool candidate[11];
    int left = 0;
    for (int e = 0; e <= 10; ++e) {
        const TColor c = SeriesPalette[e];
        candidate[e] = c != Color.get() && c != BackWall.Color.get();
        left += candidate[e];
    }
    for (auto it = items.begin(); it != items.end() && left > 0; ++it) {
        const TColor used = (*it)->SeriesColor.get();
        for (int e = 0; e <= 10; ++e) {
            if (candidate[e] && SeriesPalette[e] == used) {
                candidate[e] = false;
                --left;
            }
        }
    }
    for (int e = 0; e <= 10; ++e)
        if (candidate[e])
            return SeriesPalette[e];
    return SeriesPalette[items.size() % 12];
}

TChartSeries *TChart::AddSeries(TChartSeries *series)
{
    if (!series)
        return series;
    auto &items = SeriesList.m_items;
    if (series->m_listed && series->m_chart == this)
        return series;
    const bool owned = series->m_ownedByChart && series->m_chart == this;
    if (!owned) {
        if (series->m_ownedByChart && series->m_chart != this)
            throw Error(QStringLiteral("The series belongs to another chart"));
        // A series made elsewhere becomes this chart's own.
        m_owned.emplace_back(series);
        series->m_chart = this;
        series->m_ownedByChart = true;
    }
    if (series->SeriesColor.get() == AutoColor)
        series->SeriesColor.storeQuietly(PaletteColorForNewSeries());
    items.push_back(series);
    series->m_listed = true;
    Changed();
    return series;
}

void TChart::DestroySeries(TChartSeries *series)
{
    if (!series)
        return;
    // Searched from the end: a rebuild destroys its series from the last to the first.
    auto &items = SeriesList.m_items;
    if (series->m_listed && series->m_chart == this) {
        const auto it = std::find(items.rbegin(), items.rend(), series);
        if (it != items.rend())
            items.erase(std::next(it).base());
    }
    if (series->m_ownedByChart && series->m_chart == this) {
        // A series of another chart is not this chart's to free.
        const auto it = std::find_if(m_owned.rbegin(), m_owned.rend(),
                                     [series](const auto &p) { return p.get() == series; });
        if (it != m_owned.rend())
            m_owned.erase(std::next(it).base());
    }
    Changed();
}

void TChart::DestroySeries(int index)
{
    DestroySeries(SeriesList[index]);
}

void TChart::RemoveAllSeries()
{
    if (SeriesList.m_items.empty())
        return;
    for (TChartSeries *series : SeriesList.m_items)
        series->m_listed = false;
    SeriesList.m_items.clear();
    Changed();
}

} // namespace tf
