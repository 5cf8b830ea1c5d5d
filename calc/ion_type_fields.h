// Dialog fields beyond the ion form, each declared once: the ion type of a
// molecule typed as the formula (the command line's --adduct), and the peaks
// an instrument of a given resolving power resolves (its --resolution R
// [--orbitrap --at MZ] [--profile]), with the same ranges as there.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "calc/resolved_pattern.h"
#include "document/view_state.h"
#include "port/input_record.h"

namespace tarnevo::calc {

inline constexpr int kMaxIonTypeLength = 40;
inline constexpr port::FieldSpec kIonTypeField{
    .key = "adduct",
    .label = "Ion type (optional), e.g. [M+H]+, [M+Na]+, [M-H]-, [2M+H]+:",
    .type = port::FieldType::Text,
    .maxLength = kMaxIonTypeLength,
    .note =
        "Blank: the formula is the ion. Otherwise the formula is the molecule M, and the charge is the "
        "ion type's."};

inline constexpr std::array<std::string_view, 3> kResolvedPeaksChoices = {
    "None",
    "At resolving power R, the same at every m/z",
    "At R at the reference m/z, falling with the square root of m/z (Orbitrap)",
};
inline constexpr port::FieldSpec kResolvedPeaksField{.key = "peaks",
                                                     .label = "Peaks an instrument resolves (optional)",
                                                     .type = port::FieldType::Choice,
                                                     .maximum = 2,
                                                     .group = "Peaks an instrument resolves (optional)",
                                                     .choices = kResolvedPeaksChoices};
inline constexpr port::FieldSpec kResolvingPowerField{.key = "resolution",
                                                      .label = "Resolving power R (FWHM):",
                                                      .type = port::FieldType::Number,
                                                      .minimum = kMinResolvingPower,
                                                      .maximum = kMaxResolvingPower};
inline constexpr port::FieldSpec kReferenceMzField{.key = "at",
                                                   .label = "Reference m/z of R (Orbitrap):",
                                                   .type = port::FieldType::Number,
                                                   .minimum = kMinReferenceMz,
                                                   .maximum = kMaxReferenceMz};
inline constexpr port::FieldSpec kDrawProfileField{
    .key = "profile",
    .label = "Draw the profile at this resolving power in the Pattern Plot.",
    .type = port::FieldType::Check,
    .maximum = 1};

// The record members the resolution fields bind, preset from the view and
// kept back into it like the ion form.
struct ResolutionEntries {
    int choice = 0;
    double resolvingPower = 60000.0;
    double referenceMz = 200.0;
    bool drawProfile = false;

    void Preset(const doc::ResolutionPresets& presets) {
        choice = presets.choice;
        resolvingPower = presets.resolvingPower;
        referenceMz = presets.referenceMz;
        drawProfile = presets.drawProfile;
    }
    void Keep(doc::ResolutionPresets& presets) const {
        presets = {choice, resolvingPower, referenceMz, drawProfile};
    }
    // R and the profile box count only with a choice; the reference m/z only
    // for the Orbitrap's.
    bool IsEnabled(std::string_view key) const {
        if (key == kReferenceMzField.key) return choice == 2;
        if (key == kResolvingPowerField.key || key == kDrawProfileField.key) return choice != 0;
        return true;
    }
    void Bind(std::vector<port::FieldBinding>& fields) {
        fields.push_back({&kResolvedPeaksField, &choice});
        fields.push_back({&kResolvingPowerField, &resolvingPower});
        fields.push_back({&kReferenceMzField, &referenceMz});
        fields.push_back({&kDrawProfileField, &drawProfile});
    }
};

}  // namespace tarnevo::calc
