#include "core/ion_notation.h"

#include <array>
#include <cctype>
#include <cstdint>

#include "core/messages.h"
#include "core/text_format.h"

namespace tarnevo::core {

namespace {

std::string Echo(std::string_view text) { return "'" + EchoedText(text) + "'"; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number of the notation: its value, held to limit + 1 so that a long run
// of digits cannot overflow, and its digits as typed, which a message quotes
// (1000000, not the 100 at which the value stopped growing).
struct NotationNumber {
    int value = 0;
    std::string_view digits;
};

// Reads the digits at position, if any; nullopt when there are none.
std::optional<NotationNumber> ReadNumber(std::string_view text, std::size_t& position, int limit) {
    if (position >= text.size() || !IsDigit(text[position])) return std::nullopt;
    const std::size_t first = position;
    int value = 0;
    while (position < text.size() && IsDigit(text[position])) {
        if (value <= limit) value = value * 10 + (text[position] - '0');
        ++position;
    }
    return NotationNumber{value, text.substr(first, position - first)};
}

// The whole UTF-8 character that begins at position (one byte when the bytes
// there are no well-formed character), so that a message never quotes half
// of one: '−', not a lone byte of it.
std::string_view CharacterAt(std::string_view text, std::size_t position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
    if (position + length > text.size()) return text.substr(position, 1);
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[position + k]) & 0xC0) != 0x80) return text.substr(position, 1);
    }
    return text.substr(position, length);
}

// Signs that look like the notation's '-' or '+' but are other characters,
// as a word processor or a web page writes them.
struct LookAlike {
    std::string_view character;
    std::string_view name;
    char ascii;
};
constexpr std::array<LookAlike, 4> kLookAlikes = {{
    {"\u2212", "U+2212 MINUS SIGN", '-'},
    {"\u2013", "U+2013 EN DASH", '-'},
    {"\u2012", "U+2012 FIGURE DASH", '-'},
    {"\uFF0B", "U+FF0B FULLWIDTH PLUS SIGN", '+'},
}};

// A sentence naming the first look-alike sign in the text, or nothing.
std::string LookAlikeNote(std::string_view text) {
    for (const LookAlike& sign : kLookAlikes) {
        if (text.find(sign.character) == std::string_view::npos) continue;
        return " Its '" + std::string(sign.character) + "' is " + std::string(sign.name) +
               ", not the ASCII '" + std::string(1, sign.ascii) + "' the notation uses.";
    }
    return {};
}

// The parse of one notation: the text as typed and where the reading stands.
class NotationReader {
public:
    explicit NotationReader(std::string_view text) : text_(text) {}

    IonNotationParse Read() {
        if (text_.empty()) return Refuse("is empty; write an ion type such as [M+H]+ or [M-H]-");
        if (text_.front() != '[') return Refuse("is not in brackets; write it as [M+H]+ or [M-H]-");
        const std::size_t close = text_.find(']');
        if (close == std::string_view::npos) return Refuse("has no closing ']'");
        IonNotation notation;
        if (!ReadBracket(text_.substr(1, close - 1), notation)) return Failed();
        if (!ReadCharge(text_.substr(close + 1), notation)) return Failed();
        return {std::move(notation), {}};
    }

private:
    IonNotationParse Refuse(std::string_view why) {
        problem_ = "Ion type " + Echo(text_) + " " + std::string(why) + "." + LookAlikeNote(text_);
        return Failed();
    }
    IonNotationParse Failed() const { return {std::nullopt, problem_}; }
    bool Problem(std::string_view why) {
        Refuse(why);
        return false;
    }

    bool ReadBracket(std::string_view inside, IonNotation& notation) {
        std::size_t position = 0;
        if (const std::optional<NotationNumber> k = ReadNumber(inside, position, kMaxMoleculeMultiplier)) {
            if (k->value < 1 || k->value > kMaxMoleculeMultiplier) {
                return Problem("multiplies M by " + EchoedText(k->digits) +
                               "; the multiplier must be from 1 to " +
                               std::to_string(kMaxMoleculeMultiplier));
            }
            notation.moleculeCount = k->value;
        }
        if (position >= inside.size() || inside[position] != 'M') {
            return Problem("must name the molecule M first in the bracket, as in [M+H]+ or [2M+Na]+");
        }
        ++position;
        if (position < inside.size() && inside[position] != '+' && inside[position] != '-') {
            return Problem("has " + Echo(CharacterAt(inside, position)) +
                           " after M; M stands for the molecule and is followed by +group or -group");
        }
        while (position < inside.size()) {
            if (!ReadGroup(inside, position, notation)) return false;
        }
        return true;
    }

    // One +group or -group: the sign, an optional count, then a formula up to
    // the next sign or the end of the bracket.
    bool ReadGroup(std::string_view inside, std::size_t& position, IonNotation& notation) {
        IonGroup group;
        group.sign = inside[position] == '+' ? 1 : -1;
        const char sign = inside[position++];
        if (const std::optional<NotationNumber> count = ReadNumber(inside, position, kMaxGroupCount)) {
            if (count->value < 1 || count->value > kMaxGroupCount) {
                return Problem("counts a group " + EchoedText(count->digits) +
                               " times; a count must be from 1 to " + std::to_string(kMaxGroupCount));
            }
            group.count = count->value;
        }
        const std::size_t end = inside.find_first_of("+-", position);
        group.formulaText = std::string(inside.substr(position, end - position));
        position = end == std::string_view::npos ? inside.size() : end;
        if (group.formulaText.empty()) {
            return Problem("has '" + std::string(1, sign) + "' without a formula after it");
        }
        switch (ParseFormulaText(group.formulaText, group.formula)) {
            case FormulaSyntax::Valid:
                break;
            case FormulaSyntax::Error:
                return Problem("adds or loses " + Echo(group.formulaText) +
                               ", which is not a formula of known elements");
            case FormulaSyntax::TooManyAtoms:
                return Problem("adds or loses " + Echo(group.formulaText) + ", which holds too many atoms");
        }
        notation.groups.push_back(std::move(group));
        return true;
    }

    // The charge after the bracket: an optional number, then exactly one sign.
    bool ReadCharge(std::string_view suffix, IonNotation& notation) {
        if (suffix.empty()) return Problem("has no charge after ']'; write it as +, -, 2+ or 2-");
        std::size_t position = 0;
        const int size =
            ReadNumber(suffix, position, kMaxNotationCharge).value_or(NotationNumber{1, {}}).value;
        const bool oneSignLeft =
            position + 1 == suffix.size() && (suffix[position] == '+' || suffix[position] == '-');
        if (!oneSignLeft) {
            return Problem("has the charge " + Echo(suffix) + " after ']'; write it as +, -, 2+ or 2-");
        }
        if (size < 1 || size > kMaxNotationCharge) {
            return Problem("has the charge " + Echo(suffix) + "; its size must be from 1 to " +
                           std::to_string(kMaxNotationCharge));
        }
        notation.charge = suffix[position] == '+' ? size : -size;
        return true;
    }

    std::string_view text_;
    std::string problem_;
};

void AppendElement(std::string& text, int index, std::uint32_t count) {
    text += SymbolOf(index);
    if (count != 1) text += std::to_string(count);
}

constexpr int kCarbon = 10;    // C in the element numbering
constexpr int kHydrogen = 27;  // H

}  // namespace

IonNotationParse ParseIonNotation(std::string_view text) { return NotationReader(Trimmed(text)).Read(); }

std::string IonNotationText(const IonNotation& notation) {
    std::string text = "[";
    if (notation.moleculeCount != 1) text += std::to_string(notation.moleculeCount);
    text += 'M';
    for (const IonGroup& group : notation.groups) {
        text += group.sign > 0 ? '+' : '-';
        if (group.count != 1) text += std::to_string(group.count);
        text += group.formulaText;
    }
    return text + "]" + ChargeSuffixText(notation.charge);
}

std::string ChargeSuffixText(int charge) {
    const int size = charge < 0 ? -charge : charge;
    return (size == 1 ? std::string() : std::to_string(size)) + (charge < 0 ? "-" : "+");
}

IonFormulaBuild BuildIonFormula(const IonNotation& notation, const ParsedFormula& molecule,
                                std::string_view moleculeText) {
    ParsedFormula ion;
    bool anyAtom = false;
    for (int e = 0; e < kElementCount; ++e) {
        long long added = static_cast<long long>(notation.moleculeCount) * molecule[e];
        long long lost = 0;
        for (const IonGroup& group : notation.groups) {
            const long long atoms = static_cast<long long>(group.count) * group.formula[e];
            (group.sign > 0 ? added : lost) += atoms;
        }
        if (lost > added) {
            const std::string holders = added == static_cast<long long>(notation.moleculeCount) * molecule[e]
                                            ? "the molecule holds "
                                            : "the molecule and the additions hold ";
            return {std::nullopt, "The ion " + IonNotationText(notation) + " cannot be formed from " +
                                      Echo(moleculeText) + ": its losses take " + std::to_string(lost) + " " +
                                      std::string(SymbolOf(e)) + " and " + holders + std::to_string(added) +
                                      "."};
        }
        if (added - lost > static_cast<long long>(kMaxAtomsPerElement)) {
            return {std::nullopt, std::string(messages::kTooManyAtomsOfElement)};
        }
        ion[e] = static_cast<std::uint32_t>(added - lost);
        anyAtom = anyAtom || ion[e] != 0;
    }
    if (!anyAtom) {
        return {std::nullopt,
                "The ion " + IonNotationText(notation) + " of " + Echo(moleculeText) + " has no atoms left."};
    }
    return {ion, {}};
}

std::string HillFormulaText(const ParsedFormula& formula) {
    std::string text;
    const bool hasCarbon = formula[kCarbon] != 0;
    if (hasCarbon) {
        AppendElement(text, kCarbon, formula[kCarbon]);
        if (formula[kHydrogen] != 0) AppendElement(text, kHydrogen, formula[kHydrogen]);
    }
    for (int e = 0; e < kElementCount; ++e) {
        if (formula[e] == 0 || (hasCarbon && (e == kCarbon || e == kHydrogen))) continue;
        AppendElement(text, e, formula[e]);
    }
    return text;
}

const std::vector<CommonIonType>& CommonPositiveIonTypes() {
    static const std::vector<CommonIonType> kTypes = {
        {"[M+H]+", "protonated molecule"},
        {"[M+Na]+", "sodium adduct"},
        {"[M+K]+", "potassium adduct"},
        {"[M+NH4]+", "ammonium adduct"},
        {"[M+2H]2+", "doubly protonated molecule"},
        {"[M+H+Na]2+", "protonated sodium adduct"},
        {"[2M+H]+", "protonated dimer"},
        {"[2M+Na]+", "sodium adduct of the dimer"},
        {"[M-H2O+H]+", "protonated molecule less water"},
        {"[M]+", "radical cation"},
    };
    return kTypes;
}

const std::vector<CommonIonType>& CommonNegativeIonTypes() {
    static const std::vector<CommonIonType> kTypes = {
        {"[M-H]-", "deprotonated molecule"},
        {"[M+Cl]-", "chloride adduct"},
        {"[M+HCOO]-", "formate adduct"},
        {"[M+CH3COO]-", "acetate adduct"},
        {"[M-2H]2-", "doubly deprotonated molecule"},
        {"[2M-H]-", "deprotonated dimer"},
        {"[M-H2O-H]-", "deprotonated molecule less water"},
        {"[M]-", "radical anion"},
    };
    return kTypes;
}

}  // namespace tarnevo::core
