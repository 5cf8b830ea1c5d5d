#include "fine/parallel_use.h"

#include <IsoSpec++/isoMath.h>

#include <mutex>

#include "core/formula_parser.h"
#include "fine/fine_memory.h"

namespace tarnevo::fine {

void PrepareForParallelUse() {
    static std::once_flag filled;
    std::call_once(filled, [] {
        EnsureLogFactorialTable();
        // A marginal distribution of n atoms asks for log(k!) of every count
        // k <= n of its isotopes; no formula holds more than kMaxAtomsPerElement
        // atoms of one element.
        for (int n = 0; n <= static_cast<int>(core::kMaxAtomsPerElement); ++n) IsoSpec::minuslogFactorial(n);
    });
}

}  // namespace tarnevo::fine
