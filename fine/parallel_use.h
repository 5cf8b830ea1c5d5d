// What lets several threads compute fine structures at once. IsoSpec keeps
// one process-wide table of log-factorials, log(n!), and fills an entry the
// first time a count n needs it, through the C library's lgamma, which itself
// writes the global signgam: two threads reaching a new count together would
// write the same memory at once, a data race even where both write the same
// value. Filling every entry a formula can need before the threads start
// leaves them only reading.
#pragma once

namespace tarnevo::fine {

// Fills the log-factorials of 0 to kMaxAtomsPerElement atoms (about a
// millisecond, once a process); call it on one thread before others compute
// fine structures.
void PrepareForParallelUse();

}  // namespace tarnevo::fine
