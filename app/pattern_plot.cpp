#include "app/pattern_plot.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QLegend>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>

#ifdef TARNEVO_HAVE_SVG
#include <QSvgGenerator>
#endif

#include "app/qt_text.h"
#include "results/report_file.h"

namespace tarnevo::app {

namespace {

// A mark further than this from the pointer, in pixels, is not the one hovered.
constexpr double kHoverReach = 8.0;
// One wheel notch zooms the m/z axis in to 80 % of its width (out: 125 %).
constexpr double kWheelZoomIn = 0.8;

std::string PlotFailureMessage(const std::string& path, std::string_view reason) {
    return "The plot could not be saved to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

}  // namespace

PatternPlotView::PatternPlotView(dialogs::UserInterfacePort& ui, QWidget* parent)
    : QChartView(new QChart, parent), ui_(ui) {
    setObjectName(QStringLiteral("PatternPlotView"));
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::HorizontalRubberBand);
    setMouseTracking(true);
    Show(results::PlotData{});
}

// Each plot gets a chart of its own: taking series and axes out of a chart
// leaves their drawings behind in Qt Charts 6.4.
void PatternPlotView::Clear() {
    // Nothing may reach the old chart's items while it goes.
    if (axisX_ != nullptr) axisX_->disconnect(this);
    labels_.clear();
    axisX_ = nullptr;
    axisY_ = nullptr;
    QChart* previous = chart();
    previous->disconnect(this);
    auto* fresh = new QChart;
    fresh->setMargins(QMargins(4, 4, 4, 4));
    fresh->legend()->setAlignment(Qt::AlignRight);
    connect(fresh, &QChart::plotAreaChanged, this, &PatternPlotView::PlaceLabels);
    setChart(fresh);
    delete previous;  // with its series, axes and labels
}

void PatternPlotView::Show(const results::PlotData& plot) {
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
    // Enough decimals to tell the ticks of a narrow m/z window apart.
    const double span = data_.x.high - data_.x.low;
    axisX_->setLabelFormat(span < 0.5 ? QStringLiteral("%.3f")
                           : span < 5 ? QStringLiteral("%.1f")
                                      : QStringLiteral("%.0f"));
    chart()->addAxis(axisX_, Qt::AlignBottom);
    chart()->addAxis(axisY_, Qt::AlignLeft);
    connect(axisX_, &QValueAxis::rangeChanged, this, &PatternPlotView::PlaceLabels);
    if (data_.band) AddBand();
    for (const results::PlotSeries& series : data_.series) AddSeries(series);
    chart()->legend()->setVisible(data_.showLegend);
    for (const results::PlotLabel& label : data_.labels) {
        auto* item = new QGraphicsSimpleTextItem(QtText(label.text), chart());
        item->setZValue(10);
        labels_.push_back(item);
    }
    ResetZoom();
}

// The searched window, shaded over the whole height of the plot.
void PatternPlotView::AddBand() {
    auto* upper = new QLineSeries;
    auto* lower = new QLineSeries;
    upper->append(data_.band->low, data_.y.high);
    upper->append(data_.band->high, data_.y.high);
    lower->append(data_.band->low, data_.y.low);
    lower->append(data_.band->high, data_.y.low);
    auto* band = new QAreaSeries(upper, lower);
    band->setName(QStringLiteral("m/z window"));
    band->setColor(QColor(70, 130, 180, 50));
    band->setBorderColor(QColor(70, 130, 180, 120));
    chart()->addSeries(band);
    band->attachAxis(axisX_);
    band->attachAxis(axisY_);
}

// Sticks are one comb-shaped line per series: up each stick and back down to
// the axis, so that a series keeps one colour and one legend entry however
// many peaks it has.
void PatternPlotView::AddSeries(const results::PlotSeries& series) {
    QXYSeries* drawn = nullptr;
    if (data_.marks == results::PlotMarks::Points) {
        auto* points = new QScatterSeries;
        points->setMarkerSize(9);
        for (const results::PlotMark& mark : series.marks) points->append(mark.x, mark.y);
        drawn = points;
    } else {
        auto* sticks = new QLineSeries;
        for (const results::PlotMark& mark : series.marks) {
            sticks->append(mark.x, 0.0);
            sticks->append(mark.x, mark.y);
            sticks->append(mark.x, 0.0);
        }
        drawn = sticks;
    }
    drawn->setName(QtText(series.name));
    chart()->addSeries(drawn);
    // The theme gives each series its colour when it is added; only then is
    // the stick pen made wider, keeping that colour.
    if (data_.marks == results::PlotMarks::Sticks) {
        QPen pen = drawn->pen();
        pen.setWidthF(2.0);
        drawn->setPen(pen);
    }
    drawn->attachAxis(axisX_);
    drawn->attachAxis(axisY_);
}

QPointF PatternPlotView::ToWidget(double x, double y) const {
    const QList<QAbstractSeries*> all = chart()->series();
    const QPointF inChart = chart()->mapToPosition(QPointF(x, y), all.isEmpty() ? nullptr : all.back());
    return mapFromScene(chart()->mapToScene(inChart));
}

// Each ion's formula centred a few pixels above its tallest peak; labels of
// peaks zoomed out of sight are hidden.
void PatternPlotView::PlaceLabels() {
    if (axisX_ == nullptr || chart()->series().isEmpty()) return;
    for (std::size_t i = 0; i < labels_.size() && i < data_.labels.size(); ++i) {
        const results::PlotLabel& label = data_.labels[i];
        QGraphicsSimpleTextItem* item = labels_[i];
        const QPointF top = chart()->mapToPosition(QPointF(label.x, label.y), chart()->series().back());
        const QRectF box = item->boundingRect();
        item->setPos(top.x() - box.width() / 2, top.y() - box.height() - 3);
        item->setVisible(label.x >= axisX_->min() && label.x <= axisX_->max());
    }
}

QString PatternPlotView::HoverTextAt(QPoint position) const {
    if (data_.empty || axisX_ == nullptr) return {};
    double best = kHoverReach;
    const results::PlotMark* nearest = nullptr;
    for (const results::PlotSeries& series : data_.series) {
        for (const results::PlotMark& mark : series.marks) {
            const QPointF top = ToWidget(mark.x, mark.y);
            double distance = std::hypot(position.x() - top.x(), position.y() - top.y());
            if (data_.marks == results::PlotMarks::Sticks) {
                // Anywhere along a stick, from the axis up to its top.
                const QPointF base = ToWidget(mark.x, 0.0);
                const double low = std::min(top.y(), base.y());
                const double high = std::max(top.y(), base.y());
                const double beyond = position.y() < low    ? low - position.y()
                                      : position.y() > high ? position.y() - high
                                                            : 0.0;
                distance = std::hypot(position.x() - top.x(), beyond);
            }
            if (distance <= best) {
                best = distance;
                nearest = &mark;
            }
        }
    }
    return nearest == nullptr ? QString() : QtText(results::DescribeMark(data_, *nearest));
}

void PatternPlotView::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    const QString text = HoverTextAt(event->position().toPoint());
    if (text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
    }
}

void PatternPlotView::ZoomAt(int x, double factor) {
    if (axisX_ == nullptr) return;
    const QList<QAbstractSeries*> all = chart()->series();
    const QPointF inChart = chart()->mapFromScene(mapToScene(QPoint(x, height() / 2)));
    const double centre = chart()->mapToValue(inChart, all.isEmpty() ? nullptr : all.back()).x();
    const double low = centre - (centre - axisX_->min()) * factor;
    const double high = centre + (axisX_->max() - centre) * factor;
    if (high - low > 1e-9 && std::isfinite(low) && std::isfinite(high)) axisX_->setRange(low, high);
}

void PatternPlotView::ResetZoom() {
    if (axisX_ == nullptr) return;
    // Round tick values; the range only grows to reach them.
    axisX_->setRange(data_.x.low, data_.x.high);
    axisX_->applyNiceNumbers();
    axisY_->setRange(data_.y.low, data_.y.high);
    axisY_->applyNiceNumbers();
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

// The rubber band zooms only the m/z axis: the heights keep their scale.
void PatternPlotView::mouseReleaseEvent(QMouseEvent* event) {
    // The right button opens the context menu rather than zooming out.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    const double low = axisY_ != nullptr ? axisY_->min() : 0.0;
    const double high = axisY_ != nullptr ? axisY_->max() : 0.0;
    QChartView::mouseReleaseEvent(event);
    if (axisY_ != nullptr) axisY_->setRange(low, high);
}

void PatternPlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    ResetZoom();
    event->accept();
}

void PatternPlotView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Save Plot as &PNG..."), this, [this] { SaveImage(false); });
#ifdef TARNEVO_HAVE_SVG
    menu.addAction(QStringLiteral("Save Plot as &SVG..."), this, [this] { SaveImage(true); });
#endif
    menu.addAction(QStringLiteral("&Copy Plot"), this, &PatternPlotView::CopyImage);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Reset Zoom"), this, &PatternPlotView::ResetZoom);
    menu.exec(event->globalPos());
}

QByteArray PatternPlotView::PngBytes() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    grab().save(&buffer, "PNG");
    return bytes;
}

QByteArray PatternPlotView::SvgBytes() {
    QByteArray bytes;
#ifdef TARNEVO_HAVE_SVG
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size());
    generator.setViewBox(rect());
    generator.setTitle(chart()->title());
    QPainter painter(&generator);
    render(&painter);
    painter.end();
#endif
    return bytes;
}

void PatternPlotView::SaveImage(bool svg) {
    dialogs::SaveFileRequest request;
    request.initialName = svg ? "Pattern.svg" : "Pattern.png";
    request.defaultExtension = svg ? "svg" : "png";
    request.filter = svg ? "SVG Images (*.svg)|*.svg|All Files (*.*)|*.*||"
                         : "PNG Images (*.png)|*.png|All Files (*.*)|*.*||";
    const std::optional<std::string> path = ui_.AskSaveFileName(request);
    if (!path) return;
    const QByteArray bytes = svg ? SvgBytes() : PngBytes();
    if (auto reason = results::WriteFileSafely(
            *path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        dialogs::ShowError(ui_, PlotFailureMessage(*path, *reason), dialogs::MessageModality::Application);
    }
}

void PatternPlotView::CopyImage() { QGuiApplication::clipboard()->setPixmap(grab()); }

PatternPlotPane::PatternPlotPane(dialogs::UserInterfacePort& ui, QWidget* parent)
    : QDockWidget(QStringLiteral("Pattern Plot"), parent) {
    setObjectName(QStringLiteral("PatternPlotPane"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    view_ = new PatternPlotView(ui, this);
    view_->setMinimumHeight(180);
    setWidget(view_);
}

}  // namespace tarnevo::app
