#include "app/pattern_plot.h"

#include <QAreaSeries>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QHelpEvent>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/pattern_plot_zoom.h"
#include "app/qt_text.h"

namespace tarnevo::app {

namespace {

// A mark further than this from the pointer, in pixels, is not the one hovered.
constexpr double kHoverReach = 8.0;
// One wheel notch zooms the m/z axis in to 80 % of its width (out: 125 %).
constexpr double kWheelZoomIn = 0.8;
// A hover text stays as long as the pointer rests on its mark (a day is as
// good as for ever); it goes when the pointer leaves the mark.
constexpr int kHoverTipShowTime = 24 * 60 * 60 * 1000;
// Measured spectra are drawn as bars this wide, in pixels, behind the
// calculated sticks at the same m/z.
constexpr double kBarWidth = 9.0;
constexpr double kStickWidth = 2.0;
// A profile is a thin outline over a faint area, so that the sticks in front
// of it keep their colour and the dips between resolved peaks still show.
constexpr int kProfileFillAlpha = 45;
constexpr int kProfileLineAlpha = 150;
constexpr double kProfileLineWidth = 1.0;
// Free space between two axis labels: pixels across, lines of text down.
constexpr int kLabelGap = 16;
constexpr double kLinesPerYLabel = 2.0;

// A measured peak: a wide bar in a pale shade of the theme's colour for its
// series, so that a calculated stick in front of it stays visible.
QPen BarPen(QColor themed) {
    themed.setAlpha(110);
    QPen pen(themed);
    pen.setWidthF(kBarWidth);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

}  // namespace

PatternPlotView::PatternPlotView(port::UserInterfacePort& ui, QWidget* parent)
    : QChartView(new QChart, parent), ui_(ui) {
    setObjectName(QStringLiteral("PatternPlotView"));
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::HorizontalRubberBand);
    setMouseTracking(true);
    Show(output::PlotData{});
}

// Each plot gets a chart of its own: taking series and axes out of a chart
// leaves their drawings behind in Qt Charts 6.4.
void PatternPlotView::Clear() {
    // Nothing may reach the old chart's items while it goes.
    if (axisX_ != nullptr) axisX_->disconnect(this);
    if (axisY_ != nullptr) axisY_->disconnect(this);
    HideHoverTip();
    labels_.clear();
    handedOnColour_.reset();
    axisX_ = nullptr;
    axisY_ = nullptr;
    QChart* previous = chart();
    previous->disconnect(this);
    auto* fresh = new QChart;
    fresh->setMargins(QMargins(4, 4, 4, 4));
    fresh->legend()->setAlignment(Qt::AlignRight);
    connect(fresh, &QChart::plotAreaChanged, this, &PatternPlotView::FitTicks);
    connect(fresh, &QChart::plotAreaChanged, this, &PatternPlotView::PlaceLabels);
    setChart(fresh);
    delete previous;  // with its series, axes and labels
}

void PatternPlotView::Show(const output::PlotData& plot, Zoom zoom) {
    // Only a zoom the user made is kept: an axis that shows the whole plot
    // shows the whole of the new one, whose range may be wider.
    std::optional<output::PlotRange> kept;
    if (zoom == Zoom::Keep && axisX_ != nullptr &&
        (axisX_->min() != data_.x.low || axisX_->max() != data_.x.high))
        kept = output::PlotRange{axisX_->min(), axisX_->max()};
    Clear();
    data_ = plot;
    if (data_.empty) {
        chart()->setTitle(QtText(data_.hint));
        chart()->legend()->setVisible(false);
        return;
    }
    chart()->setTitle(QtText(data_.title));
    axisX_ = new QValueAxis;
    axisY_ = new QValueAxis;
    axisX_->setTitleText(QtText(data_.xTitle));
    axisY_->setTitleText(QtText(data_.yTitle));
    chart()->addAxis(axisX_, Qt::AlignBottom);
    chart()->addAxis(axisY_, Qt::AlignLeft);
    connect(axisX_, &QValueAxis::rangeChanged, this, &PatternPlotView::FitTicks);
    connect(axisY_, &QValueAxis::rangeChanged, this, &PatternPlotView::FitTicks);
    connect(axisX_, &QValueAxis::rangeChanged, this, &PatternPlotView::PlaceLabels);
    for (const output::PlotSeries& series : data_.series) AddSeries(series);
    chart()->legend()->setVisible(data_.showLegend);
    for (const output::PlotLabel& label : data_.labels) {
        auto* item = new QGraphicsSimpleTextItem(QtText(label.text), chart());
        item->setZValue(10);
        labels_.push_back(item);
    }
    ResetZoom();
    if (kept) SetXRange(*kept);
}

// Sticks are one comb-shaped line per series: up each stick and back down to
// the axis, so that a series keeps one colour and one legend entry however
// many peaks it has. Bars are too wide for that (the comb's run along the axis
// would show as a thick band): each bar is a line of its own in the series'
// colour, and only the first has a legend entry.
void PatternPlotView::AddSeries(const output::PlotSeries& series) {
    if (data_.marks == output::PlotMarks::Points) {
        auto* points = new QScatterSeries;
        points->setMarkerSize(9);
        for (const output::PlotMark& mark : series.marks) points->append(mark.x, mark.y);
        AddDrawnSeries(points, series.name);
        return;
    }
    if (series.style == output::SeriesStyle::Profile) {
        AddProfile(series);
        return;
    }
    if (series.style == output::SeriesStyle::Bar) {
        QPen barPen;
        for (const output::PlotMark& mark : series.marks) {
            auto* bar = new QLineSeries;
            bar->append(mark.x, 0.0);
            bar->append(mark.x, mark.y);
            AddDrawnSeries(bar, series.name);
            if (&mark == &series.marks.front()) {
                barPen = BarPen(bar->pen().color());
            } else {
                for (QLegendMarker* marker : chart()->legend()->markers(bar)) marker->setVisible(false);
            }
            bar->setPen(barPen);
        }
        return;
    }
    auto* sticks = new QLineSeries;
    for (const output::PlotMark& mark : series.marks) {
        sticks->append(mark.x, 0.0);
        sticks->append(mark.x, mark.y);
        sticks->append(mark.x, 0.0);
    }
    AddDrawnSeries(sticks, series.name);
    // The theme gives each series its colour when it is added; only then is
    // the stick pen made wider, keeping that colour.
    QPen pen = sticks->pen();
    if (handedOnColour_) pen.setColor(*std::exchange(handedOnColour_, std::nullopt));
    pen.setWidthF(kStickWidth);
    pen.setCapStyle(Qt::FlatCap);
    sticks->setPen(pen);
}

// The profile comes first, so that the sticks are drawn over it; it takes the
// theme's first colour, which it hands on to the sticks after it so that they
// look the same with and without a profile, and keeps a pale shade of it.
void PatternPlotView::AddProfile(const output::PlotSeries& series) {
    auto* area = new QAreaSeries;
    auto* outline = new QLineSeries(area);
    for (const output::PlotMark& mark : series.marks) outline->append(mark.x, mark.y);
    area->setUpperSeries(outline);
    AddDrawnSeries(area, series.name);
    QColor themed = area->color();
    handedOnColour_ = themed;
    themed.setAlpha(kProfileFillAlpha);
    area->setBrush(themed);
    themed.setAlpha(kProfileLineAlpha);
    QPen pen(themed);
    pen.setWidthF(kProfileLineWidth);
    area->setPen(pen);
}

void PatternPlotView::AddDrawnSeries(QAbstractSeries* drawn, const std::string& name) {
    drawn->setName(QtText(name));
    chart()->addSeries(drawn);
    drawn->attachAxis(axisX_);
    drawn->attachAxis(axisY_);
}

QPointF PatternPlotView::ToWidget(double x, double y) const {
    const QList<QAbstractSeries*> all = chart()->series();
    const QPointF inChart = chart()->mapToPosition(QPointF(x, y), all.isEmpty() ? nullptr : all.back());
    return mapFromScene(chart()->mapToScene(inChart));
}

// Each label centred a few pixels above its point (below it for a point under
// the axis); labels of points zoomed out of sight are hidden, and so is a label
// that would overlap an earlier one (the labels come best first: the most
// intense ion, the closest formula).
void PatternPlotView::PlaceLabels() {
    if (axisX_ == nullptr || chart()->series().isEmpty()) return;
    std::vector<QRectF> taken;
    for (std::size_t i = 0; i < labels_.size() && i < data_.labels.size(); ++i) {
        const output::PlotLabel& label = data_.labels[i];
        QGraphicsSimpleTextItem* item = labels_[i];
        const QPointF top = chart()->mapToPosition(QPointF(label.x, label.y), chart()->series().back());
        const QRectF box = item->boundingRect();
        // Above a point, or below one under the axis (a negative mass error).
        const double labelTop = label.y < 0.0 ? top.y() + 6 : top.y() - box.height() - 3;
        item->setPos(top.x() - box.width() / 2, labelTop);
        const QRectF placed(item->pos(), box.size());
        const bool inSight = label.x >= axisX_->min() && label.x <= axisX_->max();
        const bool free = std::none_of(taken.begin(), taken.end(),
                                       [&placed](const QRectF& other) { return other.intersects(placed); });
        item->setVisible(inSight && free);
        if (item->isVisible()) taken.push_back(placed);
    }
}

QStringList PatternPlotView::VisibleLabels() const {
    QStringList texts;
    for (const QGraphicsSimpleTextItem* item : labels_) {
        if (item->isVisible()) texts << item->text();
    }
    return texts;
}

namespace {

// How many gaps between tick labels fit along an axis of this many pixels
// when each label takes labelSize pixels with its share of space.
int GapsThatFit(double axisPixels, double labelSize) {
    return std::max(1, static_cast<int>(axisPixels / std::max(1.0, labelSize)) - 1);
}

QString TickLabel(double value, int decimals) { return QString::asprintf("%.*f", decimals, value); }

// The widest label of the ticks on a range, in pixels.
double WidestLabel(const QFontMetricsF& metrics, output::PlotRange range, const output::PlotTicks& ticks) {
    double widest = 0.0;
    for (const double value : {ticks.first, range.low, range.high}) {
        widest = std::max(widest, metrics.horizontalAdvance(TickLabel(value, ticks.decimals)));
    }
    return widest;
}

void SetTicks(QValueAxis& axis, const output::PlotTicks& ticks) {
    const QString format = QStringLiteral("%.%1f").arg(ticks.decimals);
    if (axis.tickType() == QValueAxis::TicksDynamic && axis.tickInterval() == ticks.step &&
        axis.tickAnchor() == ticks.first && axis.labelFormat() == format) {
        return;  // unchanged: setting them again would lay the chart out again
    }
    axis.setLabelFormat(format);
    axis.setTickAnchor(ticks.first);
    axis.setTickInterval(ticks.step);
    axis.setTickType(QValueAxis::TicksDynamic);
}

// Qt Charts lays the axis out again after each of these changes, and makes an
// item for every tick between: the ticks of a zoomed-in step over the whole
// range are hundreds of thousands, which froze the program. So the step goes
// first when it grows (the old, narrower range has few ticks of it), and the
// range first when the step shrinks.
void SetRange(QValueAxis& axis, output::PlotRange range, const output::PlotTicks& ticks) {
    const bool rangeFirst = axis.tickType() != QValueAxis::TicksDynamic || ticks.step < axis.tickInterval();
    if (rangeFirst) axis.setRange(range.low, range.high);
    SetTicks(axis, ticks);
    if (!rangeFirst) axis.setRange(range.low, range.high);
}

}  // namespace

// The ticks follow the visible range and the room the plot has: after a zoom to
// a few thousandths of m/z the labels gain decimals instead of repeating, and a
// short pane gets fewer height labels instead of labels cut down to an ellipsis.
void PatternPlotView::FitTicks() {
    if (axisX_ == nullptr || axisY_ == nullptr) return;
    SetTicks(*axisX_, XTicksFor({axisX_->min(), axisX_->max()}));
    SetTicks(*axisY_, YTicksFor({axisY_->min(), axisY_->max()}));
}

output::PlotTicks PatternPlotView::XTicksFor(output::PlotRange range) const {
    const double width = chart()->plotArea().width();
    const output::TickValues values =
        data_.xCounts ? output::TickValues::WholeNumbers : output::TickValues::Any;
    const QFontMetricsF metrics(axisX_->labelsFont());
    // Wider labels leave room for fewer ticks; a second round settles it.
    const double sampleWidth = metrics.horizontalAdvance(QStringLiteral("0000.00"));
    const output::PlotTicks first =
        output::NiceTicks(range, GapsThatFit(width, sampleWidth + kLabelGap), values);
    return output::NiceTicks(range, GapsThatFit(width, WidestLabel(metrics, range, first) + kLabelGap),
                             values);
}

output::PlotTicks PatternPlotView::YTicksFor(output::PlotRange range) const {
    const QFontMetricsF metrics(axisY_->labelsFont());
    return output::NiceTicks(
        range, GapsThatFit(chart()->plotArea().height(), kLinesPerYLabel * metrics.lineSpacing()));
}

PatternPlotView::MarkDistance PatternPlotView::DistanceTo(QPoint position,
                                                          const output::PlotMark& mark) const {
    const QPointF top = ToWidget(mark.x, mark.y);
    const double toTop = std::hypot(position.x() - top.x(), position.y() - top.y());
    if (data_.marks != output::PlotMarks::Sticks) return {toTop, toTop};
    // Anywhere along a stick, from the axis up to its top.
    const QPointF base = ToWidget(mark.x, 0.0);
    const double low = std::min(top.y(), base.y());
    const double high = std::max(top.y(), base.y());
    const double beyond = position.y() < low    ? low - position.y()
                          : position.y() > high ? position.y() - high
                                                : 0.0;
    return {std::hypot(position.x() - top.x(), beyond), toTop};
}

QString PatternPlotView::HoverTextAt(QPoint position) const {
    if (data_.empty || axisX_ == nullptr) return {};
    // The nearest mark; where the pointer is on two sticks at one m/z (a
    // measured bar and a calculated stick), the one whose top is nearer.
    MarkDistance best{kHoverReach, 0.0};
    const output::PlotSeries* nearestSeries = nullptr;
    const output::PlotMark* nearest = nullptr;
    for (const output::PlotSeries& series : data_.series) {
        // The profile lies under the sticks: pointing at it reads the stick.
        if (series.style == output::SeriesStyle::Profile) continue;
        for (const output::PlotMark& mark : series.marks) {
            const MarkDistance distance = DistanceTo(position, mark);
            if (distance.along > best.along) continue;
            if (nearest != nullptr && distance.along == best.along && distance.toTop >= best.toTop) continue;
            best = distance;
            nearestSeries = &series;
            nearest = &mark;
        }
    }
    return nearest == nullptr ? QString() : QtText(output::DescribeMark(data_, *nearestSeries, *nearest));
}

// The chart answers the resting pointer's tooltip request itself (with no
// text, since no chart item has a tooltip), which took the hover text away a
// moment after it came. The request is answered here with the hover text.
bool PatternPlotView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        ShowHoverTip(help->pos(), help->globalPos());
        return true;
    }
    return QChartView::viewportEvent(event);
}

void PatternPlotView::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    ShowHoverTip(event->position().toPoint(), event->globalPosition().toPoint());
}

void PatternPlotView::leaveEvent(QEvent* event) {
    HideHoverTip();
    QChartView::leaveEvent(event);
}

// The text is shown once when the pointer comes onto a mark and left where it
// is while the pointer moves along the same mark: showing it again at every
// pixel made it flicker.
void PatternPlotView::ShowHoverTip(QPoint position, QPoint globalPosition) {
    const QString text = HoverTextAt(position);
    if (text.isEmpty()) {
        HideHoverTip();
        return;
    }
    if (text == shownTip_ && QToolTip::isVisible()) return;
    shownTip_ = text;
    QToolTip::showText(globalPosition, text, viewport(), QRect(), kHoverTipShowTime);
}

void PatternPlotView::HideHoverTip() {
    if (shownTip_.isEmpty()) return;
    shownTip_.clear();
    QToolTip::hideText();
}

void PatternPlotView::ZoomAt(int x, double factor) {
    if (axisX_ == nullptr) return;
    const QList<QAbstractSeries*> all = chart()->series();
    const QPointF inChart = chart()->mapFromScene(mapToScene(QPoint(x, height() / 2)));
    const double centre = chart()->mapToValue(inChart, all.isEmpty() ? nullptr : all.back()).x();
    const double low = centre - (centre - axisX_->min()) * factor;
    const double high = centre + (axisX_->max() - centre) * factor;
    if (high - low > 1e-9 && std::isfinite(low) && std::isfinite(high)) {
        SetXRange({low, high});
    }
}

void PatternPlotView::SetXRange(output::PlotRange range) {
    SetRange(*axisX_, range, XTicksFor(range));
    FitHeights();
}

void PatternPlotView::FitHeights() {
    const output::PlotRange heights = HeightsInSight(data_, {axisX_->min(), axisX_->max()});
    SetRange(*axisY_, heights, YTicksFor(heights));
}

void PatternPlotView::ResetZoom() {
    if (axisX_ == nullptr) return;
    SetRange(*axisX_, data_.x, XTicksFor(data_.x));
    SetRange(*axisY_, data_.y, YTicksFor(data_.y));
}

void PatternPlotView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0 || axisX_ == nullptr) {
        QChartView::wheelEvent(event);
        return;
    }
    ZoomAt(event->position().toPoint().x(), std::pow(kWheelZoomIn, notches));
    event->accept();
}

// The rubber band zooms the m/z axis; the heights follow what is in sight.
void PatternPlotView::mouseReleaseEvent(QMouseEvent* event) {
    // The right button opens the context menu rather than zooming out.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
    if (axisX_ != nullptr) FitHeights();
}

void PatternPlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    ResetZoom();
    event->accept();
}

}  // namespace tarnevo::app
