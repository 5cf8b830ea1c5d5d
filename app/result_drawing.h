// Helpers of the results view's drawing pass: the 0.01-inch logical unit of the
// result page, fonts sized by their cell height, and the welcome text.
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QRect>
#include <QString>

class QPainter;

namespace tarnevo::app {

// 0.01 inch per unit at the device's real resolution: on a 96 dpi screen one
// unit is 0.96 pixel, on a 600 dpi printer 6 pixels.
class UnitMapping {
public:
    explicit UnitMapping(const QPaintDevice& device)
        : pixelsPerUnitX_(device.logicalDpiX() / 100.0), pixelsPerUnitY_(device.logicalDpiY() / 100.0) {}

    double X(double units) const { return units * pixelsPerUnitX_; }
    double Y(double units) const { return units * pixelsPerUnitY_; }
    double UnitsX(double pixels) const { return pixels / pixelsPerUnitX_; }
    double UnitsY(double pixels) const { return pixels / pixelsPerUnitY_; }

private:
    double pixelsPerUnitX_;
    double pixelsPerUnitY_;
};

// A font whose character cell (ascent plus descent) is cellPixels high on the
// device, the way fonts are asked for by cell height on the desktop the result
// page comes from. "Courier New" and "Arial" resolve through the font
// configuration to metric-compatible faces where the originals are missing.
QFont FontWithCellHeight(const QString& family, QFont::StyleHint hint, double cellPixels,
                         QFont::Weight weight, const QPaintDevice* device);

// The monospaced font of the result page: "Courier New", cell height in units.
QFont ResultFont(const UnitMapping& mapping, int cellUnits, QFont::Weight weight, const QPaintDevice* device);

// The two centred welcome lines, sized by the client area's height.
void DrawWelcome(QPainter& painter, const QRect& client, QPaintDevice* device);

// The advice screen of the cluster ions command: nine lines of "Arial" at a
// thirtieth of the client height (smaller when the widest line would not fit
// the width), 20 pixels from the left and top, and the CONTINUE button centred
// under the widest line.
struct AdviceLayout {
    QFont font;
    int lineHeight = 0;
    QRect button;
};
AdviceLayout LayOutAdvice(const QRect& client, QPaintDevice* device);
void DrawAdvice(QPainter& painter, const AdviceLayout& layout);

inline constexpr char kWelcomeLine1[] = "Welcome to TARNEVO";
inline constexpr char kWelcomeLine2[] = "To start, click on the 'Calculations' Menu Item";

}  // namespace tarnevo::app
