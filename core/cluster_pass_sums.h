// The convolution route's first stage (core/cluster_convolution.h): each element's
// binomial row b(h) = C(N, h) p0^(N-h) q^h, the pass sums (the probability of
// exactly r heavy atoms in the ion, the convolution of the rows) and the stop test
// between passes, run exactly as the enumeration runs it. This fixes R, the last
// pass, before any peak is merged. For Cl2 (p0 0.7576, q 0.2424) the pass sums
// are 0.5740, 0.3673, 0.0588: at the stop FA 0.9 the passes end at R = 1.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/cluster_merge_kernels.h"
#include "core/cluster_workspace.h"

namespace tarnevo::core::convolution {

// Largest delta the route takes; the element table's are 1 .. 25.
inline constexpr int kLargestDelta = 32;

// The route's extended scratch (ConvolutionMemory::convolutionScratch), laid out
// as lines of kRowCount values: one binomial row per element, one line per element
// (pass-sum stages, later the group weights), one moment line per group, and a
// line of zeros. Sized on first use; holds nothing between computations.
class ScratchLines {
public:
    static constexpr std::size_t kLineCells = kRowCount;
    static constexpr std::size_t kBinomialOffset = 0;
    static constexpr std::size_t kLineOffset = kBinomialOffset + kMaxPolyElements * kLineCells;
    static constexpr std::size_t kMomentLineOffset = kLineOffset + kMaxPolyElements * kLineCells;
    static constexpr std::size_t kZeroLineOffset = kMomentLineOffset + kMaxPolyElements * kLineCells;
    static constexpr std::size_t kCells = kZeroLineOffset + kLineCells;

    explicit ScratchLines(std::vector<Extended>& scratch) {
        if (scratch.size() != kCells) scratch.assign(kCells, 0.0L);
        base_ = scratch.data();
    }

    Extended* BinomialRow(int element) const { return At(kBinomialOffset, element); }
    Extended* Line(int index) const { return At(kLineOffset, index); }
    Extended* MomentLine(int index) const { return At(kMomentLineOffset, index); }
    Extended* ZeroLine() const { return base_ + kZeroLineOffset; }

private:
    Extended* At(std::size_t offset, int index) const {
        return base_ + offset + static_cast<std::size_t>(index) * kLineCells;
    }
    Extended* base_ = nullptr;
};

// One element of the ion as the convolution sees it.
struct ElementRun {
    int atoms = 0;
    int heavyCount = 0;
    int firstSlot = 0;
    Extended light = 0;
    Extended heavy = 0;  // sum of the heavy FAs
    int minDelta = 0;
    int maxDelta = 0;
    int rowTop = 0;       // binomial row entries 0 .. rowTop at most
    int filledTop = -1;   // entries 0 .. filledTop are filled
    Extended growth = 0;  // heavy / light: b(h + 1) = b(h) (atoms - h) / (h + 1) x growth
    Extended* binomial = nullptr;
    int binomialExponent = 0;
};

// The ion's elements in engine order, with the heavy-isotope distribution u_i =
// p_i / q of each heavy slot and u_i x d_i (d_i its mass defect).
struct IonRuns {
    std::array<ElementRun, kMaxPolyElements> elements{};
    int elementCount = 0;
    int totalAtoms = 0;
    std::array<Extended, kMaxHeavySlots> share{};
    std::array<Extended, kMaxHeavySlots> shareDefect{};
};

// Describes the ion's elements; their binomial rows go to the scratch's lines.
void DescribeElements(const ClusterIon& ion, const ScratchLines& lines, IonRuns& runs);

// What the passes left: the last pass R and the sums, all x 2^-passExponent.
struct PassSums {
    int passes = 0;
    int passExponent = 0;
    Extended cumulative = 0;  // passes 0 .. R
    // The passes run that can stay below [A+320] (r <= 319 / smallest delta): every
    // peak [A+0] .. [A+319] is part of them.
    Extended belowOverflowBound = 0;

    // Whether even belowOverflowBound is below the smallest normal double: so is
    // then the largest peak, and the ion is refused whatever the merge would give.
    bool PeaksCertainlyBelowDoubleRange() const;
};

// Starts the binomial rows and runs the passes as the enumeration runs them: pass
// 0 always, then passes 1 .. lastPass until the cumulative FA rounded to double
// exceeds stopFA (core/cluster_stop.h). The rows are filled as far as the passes
// reached; the pass-sum stages are left in the scratch's lines.
PassSums RunPasses(const ClusterIon& ion, IonRuns& runs, const ScratchLines& lines, int lastPass,
                   double stopFA);

}  // namespace tarnevo::core::convolution
