#include "app/record_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "app/qt_user_interface.h"

namespace tarnevo::app {

namespace {

// A group of radio buttons takes the focus as one control, as on the desktop:
// Tab stops only at the chosen button, and the arrow keys move the choice (Qt
// moves the focus among auto-exclusive buttons and clicks the next one when
// the focused one is checked). Were every button a Tab stop, Tab could rest on
// an unchecked button whose arrows do nothing, and Return would confirm a
// choice the focus frame is not on.
void KeepTabOnTheChoice(const QButtonGroup& buttons) {
    const QList<QAbstractButton*> all = buttons.buttons();
    const QAbstractButton* chosen = buttons.checkedButton();
    if (chosen == nullptr && !all.isEmpty()) chosen = all.front();
    for (QAbstractButton* button : all) {
        button->setFocusPolicy(button == chosen ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

// The option texts of a choice field; numbered when the record names none.
QStringList ChoiceTexts(const port::FieldSpec& rule) {
    QStringList texts;
    for (std::string_view choice : rule.choices) texts << QtText(choice);
    for (int k = static_cast<int>(texts.size()); k <= static_cast<int>(rule.maximum); ++k) {
        texts << QString::number(k + 1);
    }
    return texts;
}

QLabel* CentredOverColumn(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    return label;
}

}  // namespace

RecordDialog::RecordDialog(port::InputRecord& record, QWidget* parent)
    : QDialog(parent), record_(record), fields_(record.Fields()) {
    setWindowTitle(QtText(record.Caption()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    for (const port::FieldBinding& field : fields_) {
        openingValues_.push_back(std::visit([](auto* value) { return FieldValue(*value); }, field.target));
        choiceGroups_.push_back(nullptr);
        editors_.push_back(CreateEditor(field));
    }
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &RecordDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &RecordDialog::reject);
    UpdateEnabling();
}

RecordDialog::~RecordDialog() = default;

QLabel* RecordDialog::MakeLabel(std::string_view text) { return new QLabel(QtText(text)); }

QGridLayout* RecordDialog::MakeBlockGrid(int blockCount, std::initializer_list<QString> headings) {
    constexpr int kBlockGap = 24;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    const int stride = static_cast<int>(headings.size()) + 1;
    for (int block = 0; block < blockCount; ++block) {
        int column = block * stride;
        for (const QString& heading : headings) grid->addWidget(CentredOverColumn(heading), 0, column++);
        if (block + 1 < blockCount) grid->setColumnMinimumWidth(column, kBlockGap);
    }
    return grid;
}

void RecordDialog::ShowReadOnly(QWidget* editor) {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit == nullptr) return;
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
}

QWidget* RecordDialog::CreateEditor(const port::FieldBinding& field) {
    const port::FieldSpec& rule = *field.rule;
    const QString text = QString::fromStdString(port::FieldText(field));
    switch (rule.type) {
        case port::FieldType::Check: {
            auto* box = new QCheckBox(QtText(rule.label), this);
            box->setChecked(text == QStringLiteral("1"));
            return box;
        }
        case port::FieldType::Choice: {
            auto* group = new QGroupBox(QtText(rule.group.empty() ? rule.label : rule.group), this);
            auto* layout = new QVBoxLayout(group);
            auto* buttons = new QButtonGroup(group);
            const QStringList texts = ChoiceTexts(rule);
            for (qsizetype k = 0; k < texts.size(); ++k) {
                auto* radio = new QRadioButton(texts[k], group);
                buttons->addButton(radio, static_cast<int>(k));
                layout->addWidget(radio);
            }
            if (QAbstractButton* chosen = buttons->button(text.toInt())) chosen->setChecked(true);
            KeepTabOnTheChoice(*buttons);
            connect(buttons, &QButtonGroup::idClicked, this, [this, field](int id) {
                port::AssignFieldText(field, std::to_string(id));
                UpdateEnabling();
            });
            connect(buttons, &QButtonGroup::buttonToggled, this, [buttons] { KeepTabOnTheChoice(*buttons); });
            choiceGroups_.back() = buttons;
            return group;
        }
        case port::FieldType::Integer:
        case port::FieldType::Number:
        case port::FieldType::Text: {
            auto* edit = new QLineEdit(text, this);
            if (rule.type == port::FieldType::Text && rule.maxLength > 0) edit->setMaxLength(rule.maxLength);
            return edit;
        }
    }
    return new QWidget(this);
}

QString RecordDialog::EditorText(std::size_t index) const {
    if (QButtonGroup* group = choiceGroups_[index]) return QString::number(group->checkedId());
    if (auto* box = qobject_cast<QCheckBox*>(editors_[index])) {
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (auto* edit = qobject_cast<QLineEdit*>(editors_[index])) return edit->text();
    return {};
}

QWidget* RecordDialog::EditorForKey(std::string_view key) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].rule->key == key) return editors_[i];
    }
    return nullptr;
}

void RecordDialog::UpdateEnabling() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        editors_[i]->setEnabled(record_.IsFieldEnabled(fields_[i].rule->key));
    }
}

void RecordDialog::RestoreRecord() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        std::visit(
            [this, i](auto* target) {
                using T = std::remove_pointer_t<decltype(target)>;
                *target = std::get<T>(openingValues_[i]);
            },
            fields_[i].target);
    }
}

// A field that opens with a preset (the formula of the last run) has its text
// selected, so that typing replaces it instead of appending to it.
void RecordDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A field keeps this selection when it takes the focus on opening; moving on
    // with Tab selects the next field's text anyway.
    for (QWidget* editor : editors_) {
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) edit->selectAll();
    }
}

void RecordDialog::accept() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const std::optional<std::string> refusal =
            port::AssignFieldText(fields_[i], EditorText(i).toStdString());
        if (!refusal) continue;
        RunMessageBox(this, {*refusal, port::MessageButtons::Ok, port::MessageIcon::Exclamation,
                             port::MessageModality::Application});
        editors_[i]->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(editors_[i])) edit->selectAll();
        return;
    }
    QDialog::accept();
}

void RecordDialog::reject() {
    RestoreRecord();
    QDialog::reject();
}

GenericRecordDialog::GenericRecordDialog(port::InputRecord& record,
                                         const std::vector<std::string_view>& guidance, QWidget* parent)
    : RecordDialog(record, parent) {
    auto* layout = new QVBoxLayout(this);
    for (std::string_view line : guidance) layout->addWidget(MakeLabel(line));
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < FieldCount(); ++i) {
        const port::FieldSpec& rule = RuleAt(i);
        switch (rule.type) {
            case port::FieldType::Check:
            case port::FieldType::Choice:
                form->addRow(EditorAt(i));
                break;
            default: {
                QLabel* label = MakeLabel(rule.label);
                label->setBuddy(EditorAt(i));
                form->addRow(label, EditorAt(i));
            }
        }
        if (!rule.note.empty()) form->addRow(QString(), MakeLabel(rule.note));
    }
    layout->addLayout(form);
    layout->addWidget(ButtonBox());
}

}  // namespace tarnevo::app
