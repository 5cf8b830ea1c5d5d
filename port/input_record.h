// Input records of the modal dialogs and their field validation.
//
// Each dialog's record describes its fields once (type, label, accepted range,
// maximum length); the desktop dialogs, the command line and the tests all fill
// and check fields through the functions below, so the ranges and the standard
// messages ("Please enter an integer between 1 and 10.") have one source.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarnevo::port {

// The messages of a refused entry, as the platform's data exchange words them.
inline constexpr std::string_view kIntegerMessage = "Please enter an integer.";
inline constexpr std::string_view kNumberMessage = "Please enter a number.";
inline constexpr std::string_view kIntegerRangeMessage = "Please enter an integer between %1 and %2.";
inline constexpr std::string_view kNumberRangeMessage = "Please enter a number between %1 and %2.";
inline constexpr std::string_view kTextLengthMessage = "Please enter no more than %1 characters.";

enum class FieldType {
    Integer,  // int within [minimum, maximum]
    Number,   // double within [minimum, maximum]
    Text,     // at most maxLength characters
    Check,    // check box: on or off
    Choice,   // one of a radio group: int 0 .. maximum
};

struct FieldSpec {
    std::string_view key;    // stable name: command-line option, test scripts
    std::string_view label;  // the dialog's label text
    FieldType type = FieldType::Text;
    double minimum = 0.0;
    double maximum = 0.0;
    int maxLength = 0;  // Text only
    // Choice only: the group's caption and the label of each option (value 0, 1, ...).
    std::string_view group = {};
    std::span<const std::string_view> choices = {};
    // Optional note shown under the field, e.g. "A blank value indicates no end cap."
    std::string_view note = {};
};

using FieldTarget = std::variant<int*, double*, std::string*, bool*>;

struct FieldBinding {
    const FieldSpec* rule = nullptr;
    FieldTarget target;
};

// A dialog's typed record; concrete records add typed members and bind them.
class InputRecord {
public:
    virtual ~InputRecord() = default;
    virtual std::string Caption() const = 0;
    // The fields in dialog order, bound to this record's members.
    virtual std::vector<FieldBinding> Fields() = 0;
    // Whether a field can be edited given the current values (a radio choice may
    // disable fields). Disabled fields are still validated on OK.
    virtual bool IsFieldEnabled(std::string_view /*key*/) const { return true; }
    // The dialog that draws this record, by its class name ("CFormDlg"); empty for
    // the generic dialog, which lays the fields out one under the other.
    virtual std::string_view DialogName() const { return {}; }
    // The help page of the dialog when it is not that of the command it belongs
    // to (the user-defined element dialogs come up in several calculations).
    virtual std::string_view HelpPage() const { return {}; }
    // Lines the generic dialog shows under its fields.
    virtual std::vector<std::string_view> Notes() const { return {}; }
    // Which of the dialogs of one record type this is, for dialogs shown once
    // per element (the isotopes of Jy, the second enriched element): the
    // element's index or number. 0 for dialogs shown once per calculation.
    virtual int Subject() const { return 0; }
};

// The value of a field as a dialog shows it (numbers as the platform's data
// exchange writes them: "%d" and fifteen significant digits).
std::string FieldText(const FieldBinding& field);

// Converts and range-checks typed text; stores the value and returns nothing
// when it is accepted, otherwise returns the message the dialog shows (the
// field keeps its old value).
std::optional<std::string> AssignFieldText(const FieldBinding& field, std::string_view text);

// Checks the value a field holds now; the message when it is out of range.
std::optional<std::string> ValidateField(const FieldBinding& field);

// The first refused field of a record: its index and message.
struct FieldRefusal {
    std::size_t index = 0;
    std::string message;
};
std::optional<FieldRefusal> ValidateRecord(InputRecord& record);

// What a field accepts, for a message that names the option it came from:
// "an integer from -30 to 30 is required", "a number from 0.5 to 0.99999 is
// required", "at most 50 characters are accepted".
std::string AcceptedValues(const FieldSpec& rule);

// Field with the given key, or nullptr.
std::optional<FieldBinding> FindField(InputRecord& record, std::string_view key);

}  // namespace tarnevo::port
