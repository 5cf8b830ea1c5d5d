#include "app/result_drawing.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tarnevo::app {

QFont FontWithCellHeight(const QString& family, QFont::StyleHint hint, double cellPixels, QFont::Weight weight,
                         QPaintDevice* device) {
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

QFont ResultFont(const UnitMapping& mapping, int cellUnits, QFont::Weight weight, QPaintDevice* device) {
    return FontWithCellHeight(QStringLiteral("Courier New"), QFont::TypeWriter, mapping.Y(cellUnits), weight,
                              device);
}

void DrawWelcome(QPainter& painter, const QRect& client, QPaintDevice* device) {
    const int bottom = client.bottom() + 1;
    const int height = client.height();
    QRect line(client.left(), height / 2 - height / 15, client.width(), 0);
    line.setBottom(client.bottom());
    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, bottom / 16, QFont::Normal,
                                       device));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kWelcomeLine1));
    line.setTop(line.top() + height / 15);
    painter.setFont(FontWithCellHeight(QStringLiteral("Arial"), QFont::SansSerif, bottom / 24, QFont::Normal,
                                       device));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(kWelcomeLine2));
    painter.restore();
}

}  // namespace tarnevo::app
