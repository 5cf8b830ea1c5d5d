// The base of the input dialogs: one editor per field of an input record, preset
// from the record, and the check on OK. Subclasses only lay the editors out.
//
// On OK every field's text goes through the shared validator in field order. The
// first refusal shows its message ("Please enter an integer between -30 and
// 30."), puts the focus on that field with its text selected, and keeps the
// dialog open. Cancel leaves the record as it was when the dialog opened.
#pragma once

#include <QDialog>
#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "port/input_record.h"

class QButtonGroup;
class QDialogButtonBox;
class QGridLayout;
class QLabel;

namespace tarnevo::app {

class RecordDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordDialog)

public:
    RecordDialog(port::InputRecord& record, QWidget* parent);
    ~RecordDialog() override;

    void accept() override;
    void reject() override;

    // The editor of the field with this key (a QLineEdit, QCheckBox or, for a
    // choice, the QGroupBox of its radio buttons), or nullptr.
    QWidget* EditorForKey(std::string_view key) const;

protected:
    void showEvent(QShowEvent* event) override;
    std::size_t FieldCount() const { return fields_.size(); }
    const port::FieldSpec& RuleAt(std::size_t index) const { return *fields_[index].rule; }
    QWidget* EditorAt(std::size_t index) const { return editors_[index]; }
    QDialogButtonBox* ButtonBox() const { return buttons_; }
    static QLabel* MakeLabel(std::string_view text);
    // A grid of fields in blocks that stand side by side, a narrow empty column
    // between two blocks, every block headed on row 0 by the same column
    // headings, each centred over its column (QtText, or TwoLineHeading for
    // "Fractional" over "Abundance"). Block b starts at column
    // b x (heading count + 1); its fields go on rows 1 and below.
    static QGridLayout* MakeBlockGrid(int blockCount, std::initializer_list<QString> headings);
    // A field the user reads but does not fill in (a mass, a natural FA): not
    // editable, skipped by Tab, and greyed like a read-only edit box on the
    // desktop, so that the fields to fill in stand out.
    static void ShowReadOnly(QWidget* editor);

private:
    // Fields that the record disables for its current choice are greyed; a
    // click on a radio button takes the choice into the record first (Cancel
    // restores it).
    void UpdateEnabling();

    using FieldValue = std::variant<int, double, std::string, bool>;

    QWidget* CreateEditor(const port::FieldBinding& field);
    QString EditorText(std::size_t index) const;
    void RestoreRecord();

    port::InputRecord& record_;
    std::vector<port::FieldBinding> fields_;
    std::vector<FieldValue> openingValues_;
    std::vector<QWidget*> editors_;
    std::vector<QButtonGroup*> choiceGroups_;  // per field; nullptr unless a choice
    QDialogButtonBox* buttons_ = nullptr;
};

// A dialog for any input record, built from its field descriptions: guidance
// lines on top, then one row per field (label and edit box, a check box, or a
// group of radio buttons), each with its note under it, OK and Cancel at the
// bottom.
class GenericRecordDialog : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GenericRecordDialog)

public:
    GenericRecordDialog(port::InputRecord& record, const std::vector<std::string_view>& guidance,
                        QWidget* parent);
};

}  // namespace tarnevo::app
