#include "cli/parallel_batch.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cmath>
#include <cstddef>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/input_source.h"
#include "fine/parallel_use.h"

namespace tarnevo::cli {

namespace {

// Reads up to `most` lines, but after the first only those at hand: a
// script that writes one question and waits for its answer gets it at once.
// False at the end of the input or on a read error (readError set, the lines
// before it kept).
bool ReadBatchLines(LineReader& reader, std::size_t most, std::size_t& lineNumber,
                    std::vector<BatchLine>& lines, int& readError) {
    std::string text;
    while (lines.size() < most && (lines.empty() || reader.MoreAtHand())) {
        const LineReader::Status status = reader.Next(text);
        if (status == LineReader::Status::End) return false;
        if (status == LineReader::Status::Failed) {
            readError = reader.Error();
            return false;
        }
        lines.push_back({text, ++lineNumber, status == LineReader::Status::TooLong});
    }
    return true;
}

// The threads that answer a batch's groups of lines: the calling thread and
// workers - 1 helpers that live as long as the batch, so that each keeps its
// own working memory (the cluster engine's tables) from group to group.
class GroupAnswerers {
public:
    GroupAnswerers(std::size_t workers, const BatchLineAnswerer& answer, const BatchLineRefusal& refusal)
        : answer_(answer),
          refusal_(refusal),
          start_(static_cast<std::ptrdiff_t>(workers)),
          end_(static_cast<std::ptrdiff_t>(workers)) {
        for (std::size_t w = 1; w < workers; ++w) helpers_.emplace_back([this] { HelperLoop(); });
    }
    ~GroupAnswerers() {
        done_ = true;
        start_.arrive_and_wait();
    }
    GroupAnswerers(const GroupAnswerers&) = delete;
    GroupAnswerers& operator=(const GroupAnswerers&) = delete;
    GroupAnswerers(GroupAnswerers&&) = delete;
    GroupAnswerers& operator=(GroupAnswerers&&) = delete;

    // The answers of the lines in their order. The calling thread runs
    // `meanwhile` once the helpers have started on the lines, then joins them.
    void Answer(const std::vector<BatchLine>& lines, std::vector<BatchLineAnswer>& answers,
                const std::function<void()>& meanwhile) {
        answers.assign(lines.size(), {});
        lines_ = &lines;
        answers_ = &answers;
        next_ = 0;
        start_.arrive_and_wait();
        meanwhile();
        Work();
        end_.arrive_and_wait();
        // What a line threw past its refusal reaches the caller once every
        // thread is back at the barrier, not one helper's end of the process.
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    // A line whose calculation runs out of memory is refused like a line the
    // calculation declines; the memory it took is free again once its
    // exception has left the answerer, so its error object can be made.
    BatchLineAnswer AnswerOrRefuse(const BatchLine& line) {
        try {
            return answer_(line);
        } catch (const std::bad_alloc&) {
        }
        return {refusal_(line.number, OutOfMemoryMessage(), kExitRefused), true};
    }

    void Work() {
        for (std::size_t k = next_++; k < lines_->size(); k = next_++) {
            try {
                (*answers_)[k] = AnswerOrRefuse((*lines_)[k]);
            } catch (...) {
                const std::lock_guard lock(failureMutex_);
                if (!failure_) failure_ = std::current_exception();
            }
        }
    }
    void HelperLoop() {
        for (;;) {
            start_.arrive_and_wait();
            if (done_) return;
            Work();
            end_.arrive_and_wait();
        }
    }

    const BatchLineAnswerer& answer_;
    const BatchLineRefusal& refusal_;
    const std::vector<BatchLine>* lines_ = nullptr;
    std::vector<BatchLineAnswer>* answers_ = nullptr;
    std::atomic<std::size_t> next_{0};
    bool done_ = false;  // written before the start barrier, read after it
    std::mutex failureMutex_;
    std::exception_ptr failure_;
    std::barrier<> start_;
    std::barrier<> end_;
    std::vector<std::jthread> helpers_;  // last: joined before the barriers go
};

}  // namespace

std::string LineErrorObject(std::size_t lineNumber, const std::string& message, int status) {
    return "{\"line\": " + std::to_string(lineNumber) + ", " + JsonErrorFields(message, status) + "}\n";
}

std::string LineTooLongMessage() {
    return "the line is longer than " + std::to_string(kMaxBatchLineBytes) + " bytes (" +
           std::to_string(kMaxBatchLineBytes / 1024) + " KiB), the most a batch line may hold";
}

BatchOutcome AnswerBatch(LineReader& reader, const BatchWorkers& workers, const BatchLineAnswerer& answer,
                         std::ostream& out, const BatchLineRefusal& refusal) {
    // The fine structure's shared tables are filled before any thread reads them.
    if (workers.count > 1) fine::PrepareForParallelUse();
    BatchOutcome outcome;
    std::size_t lineNumber = 0;
    std::vector<BatchLine> lines;
    std::vector<BatchLineAnswer> answers;
    // A group's answers are printed while the helpers answer the next group:
    // writing a few megabytes need not hold up every worker.
    std::vector<BatchLineAnswer> answered;
    const std::function<void()> printAnswered = [&] {
        for (const BatchLineAnswer& line : answered) {
            out << line.json;
            if (line.refused) ++outcome.refused;
        }
        answered.clear();
    };
    GroupAnswerers answerers(workers.count, answer, refusal);
    try {
        for (bool more = true; more && out.good();) {
            // The writer of the input may be waiting for the answers so far (a
            // script asking one question at a time): they go out before a wait.
            if (!reader.MoreAtHand()) {
                printAnswered();
                out.flush();
            }
            lines.clear();
            more = ReadBatchLines(reader, workers.count * workers.linesEach, lineNumber, lines,
                                  outcome.readError);
            answerers.Answer(lines, answers, printAnswered);
            std::swap(answered, answers);
        }
    } catch (const std::bad_alloc&) {
        // The group being answered is lost; the one answered before it is not.
        outcome.outOfMemory = true;
    }
    if (out.good()) printAnswered();
    out.flush();
    return outcome;
}

int RunBatchFile(std::string_view command, const std::string& path, const BatchWorkers& workers,
                 const BatchLineAnswerer& answer, std::ostream& out, std::ostream& errors,
                 const BatchLineRefusal& refusal) {
    const std::string who = "tarnevo-cli " + std::string(command) + ": ";
    const InputSource source(path, "batch file");
    if (source.OpenError() != 0) {
        errors << who << source.ReadFailure(source.OpenError()) << '\n';
        return kExitWriteFailed;
    }
    LineReader reader(source.Descriptor(), kMaxBatchLineBytes);
    const BatchOutcome outcome = AnswerBatch(reader, workers, answer, out, refusal);
    // Answers that could not be written were not refused: the failure is the
    // output's, which the program reports once for every command.
    if (!out.good()) return kExitWriteFailed;
    if (outcome.readError != 0) {
        errors << who << source.ReadFailure(outcome.readError) << '\n';
        return kExitWriteFailed;
    }
    if (outcome.outOfMemory) {
        errors << who << OutOfMemoryMessage() << "; the batch ended there, after the answers printed\n";
        return kExitRefused;
    }
    if (outcome.refused == 0) return kExitOk;
    // The status alone would leave a script to count the error objects.
    errors << who << outcome.refused << (outcome.refused == 1 ? " batch line was" : " batch lines were")
           << " refused; each has its error object in the output\n";
    return kExitRefused;
}

std::optional<std::size_t> BatchWorkerCount(const Arguments& arguments) {
    const std::optional<std::string> jobs = arguments.Value("jobs");
    if (!jobs) return std::max(1U, std::thread::hardware_concurrency());
    const std::optional<double> count = NumberWithin(*jobs, 1.0, static_cast<double>(kMaxBatchJobs));
    if (!count || *count != std::floor(*count)) return std::nullopt;
    return static_cast<std::size_t>(*count);
}

std::string BatchJobsProblem(std::string_view command) {
    return "tarnevo-cli " + std::string(command) +
           ": --jobs: the number of workers, a whole number from 1 to " + std::to_string(kMaxBatchJobs);
}

}  // namespace tarnevo::cli
