// How a long computation (a formula search over a wide box of counts, say)
// tells its caller how far it has come, and learns that the user has given up
// on it. The desktop program draws the fraction in a progress dialog whose
// Cancel makes KeepGoing answer false; the command line prints it on a
// terminal; the tests count the calls or cancel at a chosen one.
#pragma once

namespace tarnevo::core {

class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    // fractionDone: an estimate between 0 and 1 that never decreases. Called
    // often enough to answer a cancel within a fraction of a second, and
    // cheaply, so an implementation must not block. false: stop as soon as
    // possible and return what the computation's own API says a stopped run
    // returns.
    virtual bool KeepGoing(double fractionDone) = 0;
};

// Whether a computation ran to its end or was stopped through WorkProgress.
enum class WorkStatus { Finished, Cancelled };

}  // namespace tarnevo::core
