// The Pattern Plot's picture leaves the program: saved as PNG or SVG, or
// copied, from the plot's context menu.
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>

#ifdef TARNEVO_HAVE_SVG
#include <QSvgGenerator>
#endif

#include "app/pattern_plot.h"
#include "document/report_file.h"

namespace tarnevo::app {

namespace {

std::string PlotFailureMessage(const std::string& path, std::string_view reason) {
    return "The plot could not be saved to \"" + path + "\": " + std::string(reason) +
           ". Any earlier file of that name is unchanged.";
}

}  // namespace

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
    port::SaveFileRequest request;
    request.caption = "Save Plot";
    request.initialName = svg ? "Pattern.svg" : "Pattern.png";
    request.defaultExtension = svg ? "svg" : "png";
    request.filter = svg ? "SVG Images (*.svg)|*.svg|All Files (*.*)|*.*||"
                         : "PNG Images (*.png)|*.png|All Files (*.*)|*.*||";
    const std::optional<std::string> path = ui_.AskSaveFileName(request);
    if (!path) return;
    const QByteArray bytes = svg ? SvgBytes() : PngBytes();
    if (auto reason = doc::WriteFileSafely(
            *path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        port::ShowError(ui_, PlotFailureMessage(*path, *reason), port::MessageModality::Application);
    }
}

void PatternPlotView::CopyImage() { QGuiApplication::clipboard()->setPixmap(grab()); }

}  // namespace tarnevo::app
