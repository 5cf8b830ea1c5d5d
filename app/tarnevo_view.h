// CTARNEVOView: the one scrolling results view. It carries the calculation
// commands (each fills its dialogs from the view's presets and stores results in
// the document) and draws the data set: the welcome text before the first
// calculation, an empty page while the data set is fresh, otherwise the lines of
// the result page in 0.01-inch units. The same drawing pass serves the screen,
// the print preview and the printer.
#pragma once

#include <QAbstractScrollArea>
#include <QSizeF>
#include <string>
#include <vector>

#include "core/program_context.h"
#include "document/command_enabling.h"
#include "document/view_state.h"

class QPrinter;
class QPushButton;

namespace tarnevo::app {

class CTARNEVODoc;
class QtUserInterface;

class CTARNEVOView : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTARNEVOView)

public:
    // Screen page: 22-unit Courier New, 24-unit line step, first line 20 units
    // down; every line starts half an inch from the left.
    static constexpr int kScreenFontHeight = 22;
    static constexpr int kScreenFirstLineY = 20;
    static constexpr int kLineX = 50;
    // The longest result line is taken to be this wide; the scroll width is its
    // extent plus a margin of 100 units.
    static constexpr char kExtentSample[] =
        "This is an 82 character line to use to get the extent (length) of the longest line";

    CTARNEVOView(CTARNEVODoc& document, core::ProgramContext& program, QtUserInterface& ui,
                 QWidget* parent = nullptr);

    doc::ViewState& State() { return state_; }
    const doc::ViewState& State() const { return state_; }

    static bool IsCalculationCommand(doc::Command command);
    // Runs one command of the Calculations menu.
    void OnCalculationCommand(doc::Command command);
    // The CONTINUE button of the cluster ions advice screen, while it is shown.
    QPushButton* ContinueButton() const { return continueButton_; }

    // File Print, Print Preview: the printer keeps its settings for the run.
    void OnFilePrint(QPrinter& printer);
    void OnFilePrintPreview(QPrinter& printer);
    // Prints the pages the printer asks for (all, or its page range) without a
    // dialog; the page count is returned.
    int PrintPages(QPrinter& printer);
    // Pages the result would take on this printer.
    int PageCountFor(const QPrinter& printer) const;
    // The lines of the result page as they go on paper of this printer: a line
    // wider than the sheet goes on in further lines instead of being cut off.
    std::vector<std::string> PrintedLines(const QPaintDevice& printer) const;

    // Drawing fields of the last pass.
    int LineCounter() const { return lineCounter_; }
    int LinesPerPage() const { return linesPerPage_; }
    // The scroll extent set by the last screen pass of results, in units.
    QSizeF ScrollExtentUnits() const { return scrollExtentUnits_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A click on a candidate's row of an identification's page selects it.
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The device of one drawing pass. visible: the part of the drawing that can
    // show, in device pixels from the top of the drawing (lines outside it are
    // skipped: only clipping would otherwise keep them off the page).
    struct PassTarget {
        QPaintDevice* device = nullptr;
        bool printing = false;
        QRect client;  // screen: the viewport's rectangle
        QRectF visible;
        int printableRows = 0;  // printing: printable height in device pixels
    };

    // The one place where the view's commands meet their handlers: the six
    // calculations and the CONTINUE button.
    void OnViewCommand(int id);
    void SyncContinueButton();
    void ScrollHomeOnNewDataSet();
    void Draw(QPainter& painter, const PassTarget& target);
    void DrawResults(QPainter& painter, const PassTarget& target);
    int NextLine(int y);
    // The page line (0: the title) under a point of the viewport; -1 above the first.
    int PageLineAt(QPointF viewportPoint) const;
    int BeginPrinting(const QPrinter& printer);
    void SetScrollSizes(QSize totalPixels, int lineStepPixels);
    void UpdateScrollBars();

    CTARNEVODoc& document_;
    core::ProgramContext& program_;
    QtUserInterface& ui_;
    doc::ViewState state_;
    QPushButton* continueButton_ = nullptr;
    bool showedResults_ = false;  // the data set held results at the last change

    // Drawing fields.
    bool printing_ = false;
    int fontHeight_ = kScreenFontHeight;
    int lineStep_ = kScreenFontHeight + 2;
    double pageHeight_ = 0.0;  // printable height in units, during a printing pass
    int lineCounter_ = 0;
    int linesPerPage_ = 1;

    QSize scrollTotalPixels_{100, 100};
    int scrollLinePixels_ = 1;
    QSizeF scrollExtentUnits_;
};

}  // namespace tarnevo::app
