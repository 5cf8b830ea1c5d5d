#include "app/result_drawing.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "calc/cluster_ions_command.h"

namespace tarnevo::app {

QFont FontWithCellHeight(const QString& family, QFont::StyleHint hint, double cellPixels,
                         QFont::Weight weight, const QPaintDevice* device) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setWeight(weight);
    font.setFixedPitch(hint == QFont::TypeWriter);
    // Qt sizes a font by its em; measure the face's cell at a large size and
    // scale, so that ascent plus descent come out at the wanted height.
    constexpr int kProbePixels = 1000;
    font.setPixelSize(kProbePixels);
    const double cellPerEm = QFontMetricsF(font, device).height() / kProbePixels;
    const double em = cellPerEm > 0.0 ? cellPixels / cellPerEm : cellPixels;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    return font;
}

QFont ResultFont(const UnitMapping& mapping, int cellUnits, QFont::Weight weight,
                 const QPaintDevice* device) {
    return FontWithCellHeight(QStringLiteral("Courier New"), QFont::TypeWriter, mapping.Y(cellUnits), weight,
                              device);
}

void DrawWelcome(QPainter& painter, const QRect& client, QPaintDevice* device) {
    const int bottom = client.bottom() + 1;
    const int height = client.height();
    // Font heights in whole pixels, as the platform's font sizes go.
    const int titleCell = bottom / 16;
    const int textCell = bottom / 24;
    QRect line(client.left(), height / 2 - height / 15, client.width(), 0);
    line.setBottom(client.bottom());
    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(
        FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, titleCell, QFont::Normal, device));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kWelcomeLine1));
    line.setTop(line.top() + height / 15);
    painter.setFont(
        FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, textCell, QFont::Normal, device));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kWelcomeLine2));
    painter.restore();
}

namespace {

constexpr int kAdviceMargin = 20;

QString AdviceLine(std::size_t index) {
    const std::string_view line = calc::kClusterAdviceLines[index];
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace

AdviceLayout LayOutAdvice(const QRect& client, QPaintDevice* device) {
    AdviceLayout layout;
    const QString widest = AdviceLine(calc::kAdviceWidestLine);
    int height = client.height() / 30;
    layout.font =
        FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, height, QFont::Normal, device);
    QFontMetrics metrics(layout.font, device);
    const int width = metrics.horizontalAdvance(widest);
    // The line spacing stays that of the first font even when the font shrinks.
    layout.lineHeight = metrics.height();
    if (width + kAdviceMargin > client.width()) {
        const float scale = static_cast<float>(client.width()) / static_cast<float>(width + kAdviceMargin);
        height = static_cast<int>(scale * static_cast<float>(height));
        layout.font =
            FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, height, QFont::Normal, device);
    }
    const int usedWidth = QFontMetrics(layout.font, device).horizontalAdvance(widest);
    const int left = (usedWidth + kAdviceMargin) / 2 - 60;
    const int top = kAdviceMargin + 8 * layout.lineHeight + kAdviceMargin;
    layout.button = QRect(left, top, 120, 30);
    return layout;
}

void DrawAdvice(QPainter& painter, const AdviceLayout& layout) {
    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(layout.font);
    const QFontMetrics metrics(layout.font, painter.device());
    for (std::size_t i = 0; i < calc::kClusterAdviceLines.size(); ++i) {
        const int top = kAdviceMargin + static_cast<int>(i) * layout.lineHeight;
        painter.drawText(QPoint(kAdviceMargin, top + metrics.ascent()), AdviceLine(i));
    }
    painter.restore();
}

}  // namespace tarnevo::app
