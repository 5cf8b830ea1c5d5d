#include "app/toolbar_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <string_view>
#include <utility>

#include "calc/calculation_catalog.h"

namespace tarnevo::app {

namespace {

using doc::Command;

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kBlue(0, 0, 160);
const QColor kTeal(0, 128, 128);
const QColor kRed(176, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kGrey(128, 128, 128);

QIcon Drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kToolbarImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(kInk);
    draw(painter);
    return QIcon(pixmap);
}

// A page with a folded corner; the blank sheet of File New.
void DrawPage(QPainter& p) {
    const QPoint outline[] = {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
    p.setBrush(kPaper);
    p.drawPolygon(outline, 5);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void DrawDisk(QPainter& p) {
    p.setBrush(kBlue);
    p.drawRect(1, 1, 13, 13);
    p.setBrush(kPaper);
    p.drawRect(4, 1, 7, 5);
    p.fillRect(8, 2, 2, 3, kInk);
    p.setBrush(kGrey);
    p.drawRect(4, 9, 7, 5);
}

void DrawPrinter(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(kGrey);
    p.drawRect(1, 6, 13, 5);
    p.setBrush(kPaper);
    p.drawRect(4, 10, 7, 4);
    p.fillRect(11, 8, 2, 1, kYellow);
}

// An isotope cluster: a tall [A+0] and smaller peaks beside it.
void DrawCluster(QPainter& p) {
    p.drawLine(1, 14, 14, 14);
    const int heights[] = {11, 8, 4, 2};
    for (int k = 0; k < 4; ++k) p.fillRect(2 + 3 * k, 14 - heights[k], 2, heights[k], kBlue);
}

// A chain of repeating units.
void DrawChain(QPainter& p) {
    p.setBrush(kTeal);
    for (int k = 0; k < 3; ++k) p.drawEllipse(QRect(1 + 5 * k, 5, 4, 4));
    p.drawLine(5, 7, 6, 7);
    p.drawLine(10, 7, 11, 7);
}

// A formula beside an m/z scale.
void DrawFormula(QPainter& p) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kBlue);
    p.drawText(QRect(0, 0, 16, 9), Qt::AlignCenter, QStringLiteral("CH"));
    p.setPen(kInk);
    p.drawLine(1, 12, 14, 12);
    for (int x = 1; x <= 14; x += 3) p.drawLine(x, 11, x, 13);
}

// H leaving: an H and an arrow pointing away.
void DrawLossOfH(QPainter& p) {
    p.setPen(kRed);
    p.drawLine(2, 2, 2, 9);
    p.drawLine(6, 2, 6, 9);
    p.drawLine(2, 5, 6, 5);
    p.setPen(kInk);
    p.drawLine(8, 12, 14, 12);
    p.drawLine(12, 10, 14, 12);
    p.drawLine(12, 14, 14, 12);
}

// A labelled atom: a nucleus marked with a star.
void DrawLabel(QPainter& p) {
    p.setBrush(kYellow);
    p.drawEllipse(QRect(3, 3, 9, 9));
    p.setPen(kRed);
    p.drawLine(7, 5, 7, 10);
    p.drawLine(5, 7, 10, 7);
    p.drawLine(5, 5, 9, 9);
    p.drawLine(5, 9, 9, 5);
}

// A small table of isotopes.
void DrawTable(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRect(1, 1, 13, 13);
    p.fillRect(2, 2, 12, 3, kTeal);
    for (int y = 7; y <= 11; y += 4) p.drawLine(1, y, 14, y);
    p.drawLine(6, 1, 6, 14);
}

// A measured cluster under a magnifying glass: which ion is this?
void DrawIdentify(QPainter& p) {
    p.drawLine(1, 14, 9, 14);
    const int heights[] = {8, 5, 2};
    for (int k = 0; k < 3; ++k) p.fillRect(1 + 3 * k, 14 - heights[k], 2, heights[k], kBlue);
    p.setPen(QPen(kRed, 1.5));
    p.drawEllipse(QRect(7, 1, 6, 6));
    p.drawLine(8, 7, 5, 10);
}

void DrawQuestionMark(QPainter& p, QRect area) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(area.height());
    font.setBold(true);
    p.setFont(font);
    p.setPen(kBlue);
    p.drawText(area, Qt::AlignCenter, QStringLiteral("?"));
}

void DrawAbout(QPainter& p) {
    p.setBrush(kYellow);
    p.drawEllipse(QRect(1, 1, 13, 12));
    DrawQuestionMark(p, QRect(1, 1, 14, 13));
}

// An arrow pointer with a question mark: click-for-help.
void DrawContextHelp(QPainter& p) {
    const QPoint arrow[] = {{1, 1}, {1, 11}, {4, 8}, {6, 13}, {8, 12}, {6, 7}, {10, 7}};
    p.setBrush(kPaper);
    p.drawPolygon(arrow, 7);
    DrawQuestionMark(p, QRect(8, 0, 8, 11));
}

// The pictures of the calculations' buttons, by the name their descriptions give.
QIcon CalculationPicture(std::string_view name) {
    static const std::pair<std::string_view, void (*)(QPainter&)> kPictures[] = {
        {"cluster", DrawCluster},   {"chain", DrawChain}, {"formula", DrawFormula},
        {"loss-of-h", DrawLossOfH}, {"label", DrawLabel}, {"table", DrawTable},
        {"identify", DrawIdentify},
    };
    for (const auto& [pictureName, draw] : kPictures) {
        if (pictureName == name) return Drawn(draw);
    }
    return {};
}

}  // namespace

QIcon ToolbarIcon(Command command) {
    if (const calc::CalculationDescriptor* calculation = calc::FindCalculation(command)) {
        return CalculationPicture(calculation->toolbarImage);
    }
    switch (command) {
        case Command::FileNew:
            return Drawn(DrawPage);
        case Command::FileSave:
            return Drawn(DrawDisk);
        case Command::FilePrint:
            return Drawn(DrawPrinter);
        case Command::AppAbout:
            return Drawn(DrawAbout);
        case Command::ContextHelp:
            return Drawn(DrawContextHelp);
        default:
            return {};
    }
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 64, 128));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 8.0, size / 8.0);
        const double unit = size / 16.0;
        const double heights[] = {11, 6.5, 9, 3.5, 2};
        p.setBrush(QColor(255, 210, 0));
        for (int k = 0; k < 5; ++k) {
            p.drawRect(QRectF(unit * (2 + 2.5 * k), unit * (14 - heights[k]), unit * 1.6, unit * heights[k]));
        }
        p.setPen(QPen(QColor(255, 255, 255), unit));
        p.drawLine(QPointF(unit * 1.5, unit * 14.2), QPointF(unit * 14.5, unit * 14.2));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace tarnevo::app
