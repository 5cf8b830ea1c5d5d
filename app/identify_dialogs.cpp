#include "app/identify_dialogs.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "app/qt_user_interface.h"

namespace tarnevo::app {

namespace {

using Peaks = calc::IdentifyPeaksInput;

constexpr int kPeakRowsPerBlock = 10;
constexpr int kPeakColumnsPerBlock = 3;  // peak number, m/z, intensity
constexpr auto kGridRows = static_cast<std::size_t>(Peaks::kRows);

void ShowProblem(QWidget* parent, const std::string& problem) {
    RunMessageBox(parent, {problem, port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                           port::MessageModality::Application});
}

QPushButton* SideButton(std::string_view text, QWidget* parent) {
    auto* button = new QPushButton(QtText(text), parent);
    button->setAutoDefault(false);  // Return still means OK
    return button;
}

}  // namespace

void ChainTabOrder(const std::vector<QWidget*>& widgets) {
    std::vector<QWidget*> stops;
    for (QWidget* widget : widgets) {
        const QList<QRadioButton*> radios = widget->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
        if (radios.isEmpty()) {
            stops.push_back(widget);
        } else {
            stops.insert(stops.end(), radios.begin(), radios.end());
        }
    }
    for (std::size_t k = 1; k < stops.size(); ++k) QWidget::setTabOrder(stops[k - 1], stops[k]);
}

CIdentifyPeaksDlg::CIdentifyPeaksDlg(calc::IdentifyPeaksInput& input, QWidget* parent)
    : RecordDialog(input, parent) {
    auto* layout = new QVBoxLayout(this);
    for (std::string_view line : Peaks::kGuidance) layout->addWidget(MakeLabel(line));

    QGridLayout* grid = MakeBlockGrid(Peaks::kRows / kPeakRowsPerBlock, {QString(), QtText(Peaks::kMzHeading),
                                                                         QtText(Peaks::kIntensityHeading)});
    for (int peak = 0; peak < Peaks::kRows; ++peak) {
        const int row = 1 + peak % kPeakRowsPerBlock;
        const int column = (peak / kPeakRowsPerBlock) * (kPeakColumnsPerBlock + 1);
        auto* number = new QLabel(QString::number(peak + 1));
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, row, column);
        QWidget* mz = EditorAt(2 * static_cast<std::size_t>(peak));
        QWidget* intensity = EditorAt(2 * static_cast<std::size_t>(peak) + 1);
        mz->setMaximumWidth(110);
        intensity->setMaximumWidth(100);
        mz->installEventFilter(this);
        intensity->installEventFilter(this);
        grid->addWidget(mz, row, column + 1);
        grid->addWidget(intensity, row, column + 2);
    }
    layout->addLayout(grid);

    // Alt+P and Alt+L, as the desktop's buttons take their underlined letter.
    pasteButton_ = SideButton("&" + std::string(Peaks::kPasteButton), this);
    pasteButton_->setToolTip(
        QStringLiteral("Fill the grid with two columns copied to the clipboard (Alt+P)"));
    connect(pasteButton_, &QPushButton::clicked, this, &CIdentifyPeaksDlg::PasteClipboard);
    clearButton_ = SideButton("C&lear", this);
    clearButton_->setToolTip(QStringLiteral("Empty every cell of the grid (Alt+L)"));
    connect(clearButton_, &QPushButton::clicked, this, &CIdentifyPeaksDlg::ClearGrid);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(pasteButton_);
    bottom->addWidget(clearButton_);
    bottom->addStretch();
    bottom->addWidget(ButtonBox());
    layout->addLayout(bottom);

    std::vector<QWidget*> order;
    for (std::size_t k = 0; k < FieldCount(); ++k) order.push_back(EditorAt(k));
    order.insert(order.end(), {pasteButton_, clearButton_, ButtonBox()->button(QDialogButtonBox::Ok),
                               ButtonBox()->button(QDialogButtonBox::Cancel)});
    ChainTabOrder(order);
    EditorAt(0)->setFocus(Qt::OtherFocusReason);
}

calc::IdentifyPeaksInput CIdentifyPeaksDlg::GridShown() const {
    calc::IdentifyPeaksInput grid;
    for (std::size_t row = 0; row < kGridRows; ++row) {
        grid.mz[row] = qobject_cast<QLineEdit*>(EditorAt(2 * row))->text().toStdString();
        grid.intensity[row] = qobject_cast<QLineEdit*>(EditorAt(2 * row + 1))->text().toStdString();
    }
    return grid;
}

void CIdentifyPeaksDlg::ShowGrid(const calc::IdentifyPeaksInput& grid) {
    for (std::size_t row = 0; row < kGridRows; ++row) {
        qobject_cast<QLineEdit*>(EditorAt(2 * row))->setText(QtText(grid.mz[row]));
        qobject_cast<QLineEdit*>(EditorAt(2 * row + 1))->setText(QtText(grid.intensity[row]));
    }
}

void CIdentifyPeaksDlg::PasteClipboard() { PasteText(QGuiApplication::clipboard()->text()); }

// The grid's editors take the peaks; the record itself changes only on OK.
void CIdentifyPeaksDlg::PasteText(const QString& text) {
    const calc::PeakReading reading = calc::ReadPeakColumns(text.toStdString());
    if (!reading.problem.empty()) {
        ShowProblem(this, reading.problem);
        return;
    }
    calc::IdentifyPeaksInput pasted;
    calc::FillPeakGrid(pasted, reading.peaks);
    ShowGrid(pasted);
}

bool CIdentifyPeaksDlg::PasteTableAt(calc::GridCell cell, const QString& text) {
    calc::IdentifyPeaksInput grid = GridShown();
    const calc::GridPaste paste = calc::PasteTableIntoGrid(grid, cell, text.toStdString());
    if (paste.outcome == calc::GridPasteOutcome::NotATable) return false;
    if (paste.outcome == calc::GridPasteOutcome::Pasted) {
        ShowGrid(grid);
    } else {
        ShowProblem(this, paste.problem);
    }
    return true;
}

void CIdentifyPeaksDlg::ClearGrid() {
    ShowGrid(calc::IdentifyPeaksInput{});
    EditorAt(0)->setFocus(Qt::OtherFocusReason);
}

// Ctrl+V (or the platform's Paste key) in a cell: a table goes across the
// grid; a single value is left to the cell's own paste. The editors are the
// record's fields in order: m/z of row 1, intensity of row 1, m/z of row 2...
bool CIdentifyPeaksDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        return RecordDialog::eventFilter(watched, event);
    }
    for (std::size_t index = 0; index < FieldCount(); ++index) {
        if (EditorAt(index) != watched) continue;
        const calc::GridCell cell{index / 2,
                                  index % 2 == 0 ? calc::GridColumn::Mz : calc::GridColumn::Intensity};
        return PasteTableAt(cell, QGuiApplication::clipboard()->text());
    }
    return RecordDialog::eventFilter(watched, event);
}

}  // namespace tarnevo::app
