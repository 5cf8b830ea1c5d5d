#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/pattern_plot.h"
#include "app/plot_profile.h"

namespace tarnevo::app {

PatternPlotPane::PatternPlotPane(port::UserInterfacePort& ui, QWidget* parent)
    : QDockWidget(QStringLiteral("Pattern Plot"), parent), ui_(ui) {
    setObjectName(QStringLiteral("PatternPlotPane"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    auto* body = new QWidget(this);
    setWidget(body);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new PatternPlotView(ui, body);
    view_->setMinimumHeight(180);
    CreateToolBar();
    layout->addWidget(toolBar_);
    layout->addWidget(view_, 1);
}

void PatternPlotPane::CreateToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Plot"), widget());
    toolBar_->setObjectName(QStringLiteral("PlotToolBar"));
    auto* label = new QLabel(QStringLiteral("&Resolving power: "), toolBar_);
    resolvingPowerField_ = new QLineEdit(toolBar_);
    resolvingPowerField_->setObjectName(QStringLiteral("ResolvingPowerField"));
    resolvingPowerField_->setPlaceholderText(QStringLiteral("Off"));
    resolvingPowerField_->setMaximumWidth(
        resolvingPowerField_->fontMetrics().horizontalAdvance(QStringLiteral("10,000,000")) + 16);
    resolvingPowerField_->setToolTip(
        QStringLiteral("Draw the profile an instrument of this resolving power (m/z / FWHM) would record "
                       "under the sticks of an isotope cluster; empty for none"));
    label->setBuddy(resolvingPowerField_);
    orbitrapBox_ = new QCheckBox(toolBar_);
    orbitrapBox_->setObjectName(QStringLiteral("OrbitrapBox"));
    ShowReferenceMz();
    toolBar_->addWidget(label);
    toolBar_->addWidget(resolvingPowerField_);
    toolBar_->addSeparator();
    toolBar_->addWidget(orbitrapBox_);
    connect(resolvingPowerField_, &QLineEdit::editingFinished, this,
            &PatternPlotPane::TakeTypedResolvingPower);
    connect(orbitrapBox_, &QCheckBox::toggled, this, &PatternPlotPane::resolvingPowerChanged);
    CreateCandidateList();
}

// The list of an identification's candidates, which the plot compares with
// the measured peaks one at a time; hidden for every other kind of results.
void PatternPlotPane::CreateCandidateList() {
    auto* label = new QLabel(QStringLiteral("&Candidate: "), toolBar_);
    candidateBox_ = new QComboBox(toolBar_);
    candidateBox_->setObjectName(QStringLiteral("CandidateBox"));
    candidateBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    candidateBox_->setToolTip(
        QStringLiteral("The candidate whose pattern is drawn against the measured peaks"));
    label->setBuddy(candidateBox_);
    toolBar_->addSeparator();
    candidateLabelAction_ = toolBar_->addWidget(label);
    candidateAction_ = toolBar_->addWidget(candidateBox_);
    candidateLabelAction_->setVisible(false);
    candidateAction_->setVisible(false);
    connect(candidateBox_, &QComboBox::activated, this, &PatternPlotPane::candidateChosen);
}

void PatternPlotPane::ShowCandidates(const std::vector<std::string>& candidates, int selected) {
    const QSignalBlocker quiet(candidateBox_);
    candidateBox_->clear();
    for (const std::string& candidate : candidates) candidateBox_->addItem(QString::fromStdString(candidate));
    candidateBox_->setCurrentIndex(selected < static_cast<int>(candidates.size()) ? selected : -1);
    candidateLabelAction_->setVisible(!candidates.empty());
    candidateAction_->setVisible(!candidates.empty());
}

std::optional<core::ResolvingPower> PatternPlotPane::ResolvingPower() const {
    if (!resolution_) return std::nullopt;
    core::ResolvingPower power;
    power.resolution = *resolution_;
    if (orbitrapBox_->isChecked()) power.model = core::ResolvingPowerModel::Orbitrap;
    power.referenceMz = referenceMz_;
    return power;
}

void PatternPlotPane::FollowResults(const output::CalculationState* results) {
    const bool fresh = results != nullptr && !showsResults_;
    showsResults_ = results != nullptr;
    if (!fresh || results->calcKind != output::CalcKind::IonIdentification) return;
    const core::ResolvingPower& power = results->identification.query.power;
    referenceMz_ = power.referenceMz;
    ShowReferenceMz();
    SetResolvingPower(power.resolution, power.model);
}

void PatternPlotPane::ShowReferenceMz() {
    const QString mz = QString::number(referenceMz_, 'g', 15);
    orbitrapBox_->setText(QStringLiteral("&Orbitrap (R at m/z %1)").arg(mz));
    orbitrapBox_->setToolTip(
        QStringLiteral("R falls with the square root of m/z from its value at m/z %1").arg(mz));
}

void PatternPlotPane::SetResolvingPower(std::optional<double> resolution, core::ResolvingPowerModel model) {
    const QSignalBlocker quiet(orbitrapBox_);
    resolution_ = resolution;
    orbitrapBox_->setChecked(model == core::ResolvingPowerModel::Orbitrap);
    ShowResolution();
}

// A refused entry is put back to the value in force before the message shows:
// the message box takes the focus, and the field must not offer the same
// refused text again when it loses it.
void PatternPlotPane::TakeTypedResolvingPower() {
    const ResolvingPowerEntry entry = ReadResolvingPower(resolvingPowerField_->text().toStdString());
    if (!entry.problem.empty()) {
        ShowResolution();
        port::ShowError(ui_, entry.problem, port::MessageModality::Application);
        resolvingPowerField_->setFocus();
        resolvingPowerField_->selectAll();
        return;
    }
    const bool changed = entry.resolution != resolution_;
    resolution_ = entry.resolution;
    ShowResolution();
    if (changed) emit resolvingPowerChanged();
}

void PatternPlotPane::ShowResolution() {
    resolvingPowerField_->setText(resolution_ ? QString::number(*resolution_, 'g', 15) : QString());
}

}  // namespace tarnevo::app
