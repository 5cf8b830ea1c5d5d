// Input records of the Isotope Labelling Effects dialogs: the ion and the type of
// calculation, then for a pattern from known enrichments the stop FA and number
// of enriched elements, each element's identity and its enriched isotope FAs;
// for an enrichment fitted to a spectrum the element, atoms and first m/z, and
// the estimate of maximum enrichment for three- and four-isotope elements.
#pragma once

#include <array>
#include <string>

#include "calc/ion_type_fields.h"
#include "calc/shared_fields.h"
#include "core/enriched_element.h"
#include "port/input_record.h"

namespace tarnevo::calc {

// The first dialog of both types.
class LabellingFormInput : public port::InputRecord {
public:
    static constexpr int kPatternFromEnrichments = 0;
    static constexpr int kEnrichmentFromSpectrum = 1;
    static constexpr std::string_view kCaption = "Calculations Involving Labelled Atoms";
    static constexpr std::string_view kGuidance = "Enter the ion formula in the usual fashion.";
    static constexpr std::array<std::string_view, 2> kTypeChoices = {
        "Calculate an ISOTOPE PATTERN from known enrichments.",
        "Calculate an ENRICHMENT from an EXPERIMENTAL isotope pattern (spectrum)."};

    static constexpr const port::FieldSpec& kFormula = kIonFormulaField;
    static constexpr const port::FieldSpec& kCharge = kIonChargeField;
    static constexpr port::FieldSpec kType{.key = "type",
                                           .label = "Type of Calculation",
                                           .type = port::FieldType::Choice,
                                           .minimum = 0,
                                           .maximum = 1,
                                           .group = "Type of Calculation",
                                           .choices = kTypeChoices};
    static constexpr const port::FieldSpec& kReminder = kSaveReminderField;

    std::string formula;
    int charge = 1;
    int type = kPatternFromEnrichments;
    bool saveReminder = true;
    std::string ionType;  // beyond the dialog's own fields; empty: the formula is the ion

    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CLabFormDlg"; }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kFormula, &formula},
                {&kCharge, &charge},
                {&kType, &type},
                {&kReminder, &saveReminder},
                {&kIonTypeField, &ionType}};
    }
};

// Stop FA and the number of enriched elements of a pattern.
class LabellingCalcInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Isotope Cluster Calculations with Labelled Atoms";
    static constexpr const port::FieldSpec& kStopFA = kStopFAField;
    static constexpr port::FieldSpec kElements{
        "elements", "Number of enriched elements (maximum of six):", port::FieldType::Integer, 1, 6, 0};

    double stopFA = 0.9999;
    int elementCount = 1;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kStopFA, &stopFA}, {&kElements, &elementCount}};
    }
};

// "Enrichment Details for Element 2": both dialogs of one enriched element.
std::string EnrichedElementCaption(int elementNumber);

// Which element is enriched and how many of its atoms; opens empty with 1 atom.
class EnrichedElementInput : public port::InputRecord {
public:
    static constexpr port::FieldSpec kSymbol{
        "symbol", "Chemical symbol of the enriched element:", port::FieldType::Text, 0, 0, 4};
    static constexpr port::FieldSpec kAtoms{
        "atoms", "Number of atoms of the enriched element:", port::FieldType::Integer, 1, 100, 0};

    explicit EnrichedElementInput(int elementNumber) : elementNumber_(elementNumber) {}

    std::string symbol;
    int atoms = 1;

    int ElementNumber() const { return elementNumber_; }
    int Subject() const override { return elementNumber_; }
    std::string Caption() const override { return EnrichedElementCaption(elementNumber_); }
    std::vector<port::FieldBinding> Fields() override { return {{&kSymbol, &symbol}, {&kAtoms, &atoms}}; }

private:
    int elementNumber_;
};

// The enriched FAs of one element's isotopes, one row per isotope, lightest
// first, then by ascending mass (rows 1-5 on the left, 6-10 on the right). Mass
// and natural FA are shown only; the lightest isotope's FA is calculated from the
// others, so its field shows "0.nnnnn". Rows beyond the element's isotopes hold 0.
class EnrichmentDetailsInput : public port::InputRecord {
public:
    static constexpr int kRows = core::kMaxElementIsotopes;
    static constexpr std::string_view kGuidance =
        "The FA of the lightest isotope is calculated from the other FAs.";
    static constexpr std::string_view kMassHeading = "Mass";
    static constexpr std::string_view kNaturalHeading = "Natural FA";
    static constexpr std::string_view kEnrichedHeading = "Enriched FA";
    static constexpr std::string_view kLightPlaceholder = "0.nnnnn";

    EnrichmentDetailsInput(int elementNumber, const core::IsotopeList& isotopes);

    std::array<double, kRows> mass{};
    std::array<double, kRows> naturalFA{};
    std::string lightFAText{kLightPlaceholder};
    std::array<double, kRows> enrichedFA{};  // rows 2..10 are entered; row 1 is unused

    int ElementNumber() const { return elementNumber_; }
    int IsotopeCount() const { return isotopeCount_; }
    int Subject() const override { return elementNumber_; }
    std::string Caption() const override { return EnrichedElementCaption(elementNumber_); }
    std::string_view DialogName() const override { return "CEnDetailsDlg"; }
    std::vector<port::FieldBinding> Fields() override;
    // Of the enriched FAs, only the heavy isotopes' can be entered.
    bool IsFieldEnabled(std::string_view key) const override;

    // Keys of row r (1-10): "mass1", "natural1", "enriched1" ...
    static std::string_view MassKey(int row);
    static std::string_view NaturalKey(int row);
    static std::string_view EnrichedKey(int row);

private:
    int elementNumber_;
    int isotopeCount_;
};

// The element of an enrichment fitted to a spectrum, its enriched atoms and the
// m/z of the first peak entered.
class EnrichmentDetailInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Enrichment Details";
    static constexpr port::FieldSpec kSymbol{
        "symbol", "Chemical symbol of the enriched element:", port::FieldType::Text, 0, 0, 4};
    static constexpr port::FieldSpec kAtoms{
        "atoms", "Number of atoms of the enriched element:", port::FieldType::Integer, 1, 6, 0};
    static constexpr port::FieldSpec kFirstMz{
        "mz", "m/z of the first peak in the experimental spectrum:", port::FieldType::Number, 1, 10000, 0};

    std::string symbol;
    int atoms = 1;
    double firstPeakMz = 200.0;

    std::string Caption() const override { return std::string(kCaption); }
    std::vector<port::FieldBinding> Fields() override {
        return {{&kSymbol, &symbol}, {&kAtoms, &atoms}, {&kFirstMz, &firstPeakMz}};
    }
};

// The isotope of maximum enrichment and its estimated FA, which choose the
// starting simplex of a three-isotope (CMaxEnr2) or four-isotope (CMaxEnr3) fit.
class MaxEnrichmentInput : public port::InputRecord {
public:
    static constexpr std::string_view kCaption = "Estimate of Maximum Enrichment";
    static constexpr std::string_view kGuidance = "Data for the ISOTOPE of MAXIMUM enrichment:";
    static constexpr port::FieldSpec kIsotopeOfThree{
        "isotope", "What is the isotope number, 1 = lightest, 3 = heaviest:", port::FieldType::Integer, 1, 3,
        0};
    static constexpr port::FieldSpec kIsotopeOfFour{
        "isotope", "What is the isotope number,  1 = lightest, 4 = heaviest:", port::FieldType::Integer, 1, 4,
        0};
    static constexpr port::FieldSpec kEstimate{"estimate",
                                               "Your best estimate of the isotopic fractional abundance:",
                                               port::FieldType::Number,
                                               0.00001,
                                               0.99999,
                                               0};

    explicit MaxEnrichmentInput(int isotopeCount) : isotopeCount_(isotopeCount) {}

    int isotope = 2;
    double estimate = 0.5;

    int IsotopeCount() const { return isotopeCount_; }
    std::string Caption() const override { return std::string(kCaption); }
    std::string_view DialogName() const override { return "CMaxEnrDlg"; }
    std::vector<port::FieldBinding> Fields() override {
        return {{isotopeCount_ == 4 ? &kIsotopeOfFour : &kIsotopeOfThree, &isotope}, {&kEstimate, &estimate}};
    }

private:
    int isotopeCount_;
};

}  // namespace tarnevo::calc
