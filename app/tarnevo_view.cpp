#include "app/tarnevo_view.h"

#include <QColor>
#include <QFontMetricsF>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

#include "app/help_topics.h"
#include "app/qt_user_interface.h"
#include "app/result_drawing.h"
#include "app/tarnevo_doc.h"
#include "calc/calculation_catalog.h"
#include "calc/cluster_ions_command.h"
#include "calc/ion_identify_run.h"
#include "output/identification_page.h"
#include "output/page_layout.h"
#include "output/print_layout.h"

namespace tarnevo::app {

namespace {

using doc::Command;

// The handler of a view command: a calculation of the menu, or the CONTINUE
// button of the cluster ions advice; nullptr for any other id.
calc::CommandHandler FindViewCommand(int id) {
    if (id == calc::kContinueButtonId) return &calc::ContinueClusterIons;
    const calc::CalculationDescriptor* calculation = calc::FindCalculation(static_cast<Command>(id));
    return calculation == nullptr ? nullptr : calculation->handler;
}

// The page line of the selected candidate of an identification, which the
// screen shows on a highlight so that the row clicked (or picked in the plot
// pane's list) shows as the one chosen; none for other results, or when the
// selected candidate is not among the ranks listed.
std::optional<std::size_t> SelectedCandidateLine(const output::CalculationState& state) {
    if (state.calcKind != output::CalcKind::IonIdentification) return std::nullopt;
    const output::IdentificationPage page = output::LayoutIdentificationPage(state);
    if (state.identification.selected >= page.candidateLines) return std::nullopt;
    return page.firstCandidateLine + state.identification.selected;
}

// A pale shade of the desktop's selection colour, so the black text on it
// reads as well as on the white page.
QColor SelectionShade(const QPalette& palette) {
    QColor shade = palette.color(QPalette::Highlight);
    shade.setAlpha(70);
    return shade;
}

}  // namespace

CTARNEVOView::CTARNEVOView(CTARNEVODoc& document, core::ProgramContext& program, QtUserInterface& ui,
                           QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), program_(program), ui_(ui) {
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(palette);
    setProperty(kHelpPageProperty, kResultsHelpPage);
    connect(&document_, &CTARNEVODoc::changed, viewport(), qOverload<>(&QWidget::update));
    connect(&document_, &CTARNEVODoc::changed, this, &CTARNEVOView::ScrollHomeOnNewDataSet);
    // Until the first results pass: a 100 x 100 pixel page with default steps.
    SetScrollSizes(QSize(100, 100), 1);
}

bool CTARNEVOView::IsCalculationCommand(Command command) { return calc::FindCalculation(command) != nullptr; }

void CTARNEVOView::OnCalculationCommand(Command command) { OnViewCommand(static_cast<int>(command)); }

// New results and a fresh data set open at the top of the page, where the title
// and the ion's mass are, whatever the last page was scrolled to.
void CTARNEVOView::ScrollHomeOnNewDataSet() {
    const bool holdsResults = !document_.Data().readyForCalculation;
    if (holdsResults == showedResults_) return;
    showedResults_ = holdsResults;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

// Home and End go to the top and the bottom of the page (with or without Ctrl);
// the arrows and page keys scroll as in any scroll area.
void CTARNEVOView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
        horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
        return;
    }
    if (event->key() == Qt::Key_End) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CTARNEVOView::OnViewCommand(int id) {
    const calc::CommandHandler handler = FindViewCommand(id);
    if (handler == nullptr) return;
    ui_.SetHelpPage(HelpPageForCommand(id == calc::kContinueButtonId ? Command::ClusterIonsAndPolymers
                                                                     : static_cast<Command>(id)));
    calc::CommandContext context{program_, state_, document_.Data(), ui_};
    handler(context);
    SyncContinueButton();
    viewport()->update();
}

// The button exists exactly while the view's state says the advice is shown; it
// is removed later, not at once, because its own click may be what ends it.
void CTARNEVOView::SyncContinueButton() {
    if (state_.continueButtonShown && continueButton_ == nullptr) {
        continueButton_ =
            new QPushButton(QString::fromLatin1(calc::kContinueButtonText.data(),
                                                static_cast<qsizetype>(calc::kContinueButtonText.size())),
                            viewport());
        // The click removes the button at once: the calculation it starts runs its
        // dialogs before the button would otherwise go.
        connect(continueButton_, &QPushButton::clicked, this, [this] {
            continueButton_->hide();
            OnViewCommand(calc::kContinueButtonId);
        });
        continueButton_->show();
        continueButton_->setFocus();  // Enter or Space continues
    } else if (!state_.continueButtonShown && continueButton_ != nullptr) {
        continueButton_->hide();
        continueButton_->deleteLater();
        continueButton_ = nullptr;
    }
    if (continueButton_ != nullptr) {
        continueButton_->setGeometry(LayOutAdvice(viewport()->rect(), viewport()).button);
    }
}

void CTARNEVOView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-scroll);
    PassTarget target;
    target.device = viewport();
    target.client = viewport()->rect();
    target.visible = QRectF(event->rect().translated(scroll));
    Draw(painter, target);
}

void CTARNEVOView::Draw(QPainter& painter, const PassTarget& target) {
    if (state_.showWelcome) {
        DrawWelcome(painter, target.client, target.device);
        return;
    }
    if (document_.Data().readyForCalculation) {
        // The advice stays on the page as long as its button, and is redrawn
        // with every paint like everything else.
        if (state_.continueButtonShown && !target.printing) {
            painter.save();
            painter.resetTransform();
            DrawAdvice(painter, LayOutAdvice(target.client, target.device));
            painter.restore();
        }
        return;
    }
    DrawResults(painter, target);
}

void CTARNEVOView::DrawResults(QPainter& painter, const PassTarget& target) {
    printing_ = target.printing;
    const UnitMapping mapping(*target.device);
    QFont::Weight weight = QFont::Medium;
    int y = kScreenFirstLineY;
    if (printing_) {
        fontHeight_ = output::kPrintFontHeight;
        weight = QFont::Normal;
        y = output::FirstPrintedLineY();
        pageHeight_ = target.printableRows / (target.device->logicalDpiY() * 0.01);
    } else {
        fontHeight_ = kScreenFontHeight;
    }
    lineCounter_ = 0;
    const QFont font = ResultFont(mapping, fontHeight_, weight, target.device);
    const QFontMetricsF metrics(font, target.device);
    lineStep_ = printing_ ? fontHeight_ : fontHeight_ + 2;

    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const double x = mapping.X(kLineX);
    const std::vector<std::string> lines =
        printing_ ? PrintedLines(*target.device) : output::LayoutResultLines(document_.Data().state);
    // Printed lines may be wrapped, so only the screen's page lines are
    // counted for the highlight, and the printer never draws it.
    const std::optional<std::size_t> highlighted =
        printing_ ? std::nullopt : SelectedCandidateLine(document_.Data().state);
    std::size_t longest = 0;
    std::size_t index = 0;
    for (const std::string& line : lines) {
        const double top = mapping.Y(y);
        if (!line.empty() && top < target.visible.bottom() && top + metrics.height() > target.visible.top()) {
            const QString text = QString::fromStdString(line);
            if (index == highlighted) {
                const double pad = metrics.averageCharWidth() / 2;
                painter.fillRect(
                    QRectF(x - pad, top, metrics.horizontalAdvance(text) + 2 * pad, metrics.height()),
                    SelectionShade(palette()));
            }
            painter.drawText(QPointF(x, top + metrics.ascent()), text);
        }
        longest = std::max(longest, line.size());
        y = NextLine(y);
        ++index;
    }
    if (!printing_) {
        // The page is as wide as its 82-character sample line, or as its
        // longest line where that is longer, so that its end can be scrolled to.
        QString sample = QString::fromLatin1(kExtentSample);
        if (longest > static_cast<std::size_t>(sample.size()))
            sample = QString(static_cast<qsizetype>(longest), u'M');
        const double sampleUnits = mapping.UnitsX(metrics.horizontalAdvance(sample));
        scrollExtentUnits_ = QSizeF(std::floor(sampleUnits) + 100, y);
        SetScrollSizes(QSize(static_cast<int>(std::lround(mapping.X(scrollExtentUnits_.width()))),
                             static_cast<int>(std::lround(mapping.Y(y)))),
                       static_cast<int>(std::lround(mapping.Y(lineStep_))));
    }
    painter.restore();
}

// Every character of the monospaced font is as wide as an M; the sheet holds
// as many as fit between the line's left edge and the printable area's right.
std::vector<std::string> CTARNEVOView::PrintedLines(const QPaintDevice& printer) const {
    const UnitMapping mapping(printer);
    const QFont font = ResultFont(mapping, output::kPrintFontHeight, QFont::Normal, &printer);
    const double cell = QFontMetricsF(font, &printer).horizontalAdvance(u'M');
    const double room = printer.width() - mapping.X(kLineX);
    const int columns = cell > 0.0 ? static_cast<int>(std::floor(room / cell)) : output::kMinWrapColumns;
    return output::WrapToColumns(output::LayoutResultLines(document_.Data().state), columns);
}

// The screen pass puts line n at kScreenFirstLineY + n line steps, in units
// from the top of the scrolled drawing.
int CTARNEVOView::PageLineAt(QPointF viewportPoint) const {
    const UnitMapping mapping(*viewport());
    const double units = mapping.UnitsY(viewportPoint.y() + verticalScrollBar()->value());
    if (units < kScreenFirstLineY) return -1;
    return static_cast<int>((units - kScreenFirstLineY) / (kScreenFontHeight + 2));
}

void CTARNEVOView::mousePressEvent(QMouseEvent* event) {
    QAbstractScrollArea::mousePressEvent(event);
    output::CalculationState& state = document_.Data().state;
    if (event->button() != Qt::LeftButton || state_.showWelcome || document_.Data().readyForCalculation)
        return;
    const int line = PageLineAt(event->position());
    if (line < 0) return;
    const std::optional<std::size_t> candidate =
        output::CandidateOnPageLine(state, static_cast<std::size_t>(line));
    if (!candidate || *candidate == state.identification.selected) return;
    calc::SelectCandidate(state, *candidate);
    emit document_.changed();  // the page's comparison and the plot follow the selection
}

int CTARNEVOView::NextLine(int y) {
    ++lineCounter_;
    if (!printing_) return y + lineStep_;
    return output::NextPrintedLineY(y, lineCounter_, {linesPerPage_, static_cast<int>(pageHeight_)});
}

void CTARNEVOView::SetScrollSizes(QSize totalPixels, int lineStepPixels) {
    if (totalPixels == scrollTotalPixels_ && lineStepPixels == scrollLinePixels_) return;
    scrollTotalPixels_ = totalPixels;
    scrollLinePixels_ = std::max(1, lineStepPixels);
    UpdateScrollBars();
}

void CTARNEVOView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, scrollTotalPixels_.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setRange(0, std::max(0, scrollTotalPixels_.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(scrollLinePixels_);
}

void CTARNEVOView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    SyncContinueButton();
}

void CTARNEVOView::scrollContentsBy(int, int) { viewport()->update(); }

int CTARNEVOView::BeginPrinting(const QPrinter& printer) {
    fontHeight_ = output::kPrintFontHeight;
    linesPerPage_ = output::PaginationFor(printer.height(), printer.logicalDpiY()).linesPerPage;
    return PageCountFor(printer);
}

// The page count comes from the line advances of a printing pass, one per
// printed line, so the count is right even when the screen has not been
// repainted since the results arrived.
int CTARNEVOView::PageCountFor(const QPrinter& printer) const {
    const int linesPerPage = output::PaginationFor(printer.height(), printer.logicalDpiY()).linesPerPage;
    const auto lineCount = static_cast<int>(PrintedLines(printer).size());
    return output::PageCount(lineCount, linesPerPage);
}

int CTARNEVOView::PrintPages(QPrinter& printer) {
    const int lastPage = BeginPrinting(printer);
    int first = 1;
    int last = lastPage;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage(), 1, lastPage);
        last = std::clamp(printer.toPage(), first, lastPage);
    }
    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    const int printableRows = printer.height();
    for (int page = first; page <= last; ++page) {
        if (page != first) printer.newPage();
        // The page shows the part of the long drawing that starts (page - 1)
        // printable heights below its top.
        const double pageTop = static_cast<double>(printableRows) * (page - 1);
        painter.save();
        painter.setClipRect(QRect(0, 0, printer.width(), printableRows));
        painter.translate(0, -pageTop);
        PassTarget target;
        target.device = &printer;
        target.printing = true;
        target.client = QRect(0, 0, printer.width(), printableRows);
        target.visible = QRectF(0, pageTop, printer.width(), printableRows);
        target.printableRows = printableRows;
        Draw(painter, target);
        painter.restore();
    }
    painter.end();
    printing_ = false;
    return last - first + 1;
}

void CTARNEVOView::OnFilePrint(QPrinter& printer) {
    fontHeight_ = output::kPrintFontHeight;
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, PageCountFor(printer));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintPages(printer);
}

void CTARNEVOView::OnFilePrintPreview(QPrinter& printer) {
    printer.setPrintRange(QPrinter::AllPages);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowModality(Qt::ApplicationModal);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintPages(*target); });
    // The pages take the keyboard at once, so that PgDn and PgUp turn them.
    QTimer::singleShot(0, &preview, [&preview] {
        if (auto* pages = preview.findChild<QGraphicsView*>()) pages->setFocus(Qt::OtherFocusReason);
    });
    preview.exec();
}

}  // namespace tarnevo::app
