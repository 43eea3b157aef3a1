#include "cli/ManyFiles.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "model/ORVAError.h"
#include "model/Platform.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <iostream>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace orva::cli {

namespace {

void Fail(TFileResult& result, const std::string& message)
{
    result.Failed = true;
    result.Err += "orva: " + message + "\n";
}

// The files done so far, on stderr when it is a terminal; cleared before other text.
class TFileCountLine {
public:
    TFileCountLine(const std::string& command, std::size_t total)
        : enabled_(total > 1 && platform::IsTerminal(stderr)), command_(command), total_(total)
    {
    }
    void Show(std::size_t done)
    {
        if (!enabled_)
            return;
        std::string text = "orva " + command_ + ": " + std::to_string(done) + " of " + std::to_string(total_) + " files";
        width_ = text.size();
        std::fprintf(stderr, "\r%s", text.c_str());
        std::fflush(stderr);
    }
    void Clear()
    {
        if (!enabled_ || width_ == 0)
            return;
        std::fprintf(stderr, "\r%s\r", std::string(width_, ' ').c_str());
        std::fflush(stderr);
        width_ = 0;
    }

private:
    bool enabled_;
    std::string command_;
    std::size_t total_;
    std::size_t width_ = 0;
};

void RunOne(const TFileWork& work, std::size_t i, TFileResult& result, TProgressDisplay* progress)
{
    try {
        work(i, result, progress);
    } catch (const EORVAError& e) {
        Fail(result, e.what());
    } catch (const std::bad_alloc&) {
        Fail(result, "out of memory");
    } catch (const std::exception& e) {
        Fail(result, e.what());
    } catch (...) {
        // Nothing may leave a worker thread: that would end the whole program.
        Fail(result, "unexpected error");
    }
}

} // namespace

std::size_t RunOnFiles(const std::string& command, std::size_t inputs, int jobs, const TFileWork& work,
                       const TResultSeen& seen)
{
    std::vector<std::optional<TFileResult>> results(inputs);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    if (inputs == 1) {
        // One file: no threads, and the file's own progress line.
        TTerminalProgress progress;
        TFileResult result;
        RunOne(work, 0, result, &progress);
        results[0] = std::move(result);
        done = 1;
    } else {
        const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), inputs);
        for (std::size_t t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                for (std::size_t i; (i = next.fetch_add(1)) < inputs;) {
                    TFileResult result;
                    RunOne(work, i, result, nullptr);
                    {
                        std::lock_guard<std::mutex> lock(mutex);
                        results[i] = std::move(result);
                        ++done;
                    }
                    // Woken after the unlock, the reporting thread need not wait for the
                    // lock again, nor this worker for it.
                    changed.notify_all();
                }
            });
    }

    TFileCountLine countLine(command, inputs);
    std::size_t failed = 0;
    for (std::size_t reported = 0; reported < inputs;) {
        std::unique_lock<std::mutex> lock(mutex);
        const std::size_t before = done;
        changed.wait(lock, [&] { return results[reported].has_value() || done != before; });
        if (!results[reported]) {
            const std::size_t now = done;
            lock.unlock();
            countLine.Show(now);
            continue;
        }
        TFileResult result = std::move(*results[reported]);
        results[reported].reset();
        const std::size_t now = done;
        lock.unlock();
        if (seen)
            RunOne([&](std::size_t i, TFileResult& r, TProgressDisplay*) { seen(i, r); }, reported, result, nullptr);
        countLine.Clear();
        std::cout << result.Out << std::flush;
        std::cerr << result.Err << std::flush;
        failed += result.Failed ? 1 : 0;
        ++reported;
        if (reported < inputs)
            countLine.Show(now);
    }
    for (auto& worker : workers)
        worker.join();
    if (inputs > 1 && failed > 0)
        std::cerr << "orva " << command << ": " << failed << " of " << inputs << " files failed\n";
    return failed;
}

namespace {

// The loaded documents waiting for their turn, and the workers that load them.
class TOrderedLoader {
public:
    TOrderedLoader(std::size_t inputs, int jobs, const TLoad& load)
        : slots_(inputs), jobs_(static_cast<std::size_t>(jobs)), load_(load)
    {
        for (std::size_t t = 0; t < std::min(jobs_, inputs); ++t)
            workers_.emplace_back([this] { Work(); });
    }
    ~TOrderedLoader()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (auto& worker : workers_)
            worker.join();
    }

    /// Document i, once loaded; rethrows its load error.
    TORVAFile Take(std::size_t i)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slots_[i].Done; });
        if (slots_[i].Error)
            std::rethrow_exception(slots_[i].Error);
        return std::move(*slots_[i].File);
    }
    /// Document i is no longer held: another may be loaded.
    void Release(std::size_t i)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = i + 1;
        }
        changed_.notify_all();
    }

private:
    struct TSlot {
        std::optional<TORVAFile> File;
        std::exception_ptr Error;
        bool Done = false;
    };

    void Work()
    {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || next_ >= slots_.size() || next_ < released_ + jobs_; });
            if (stop_ || next_ >= slots_.size())
                return;
            const std::size_t i = next_++;
            lock.unlock();
            TSlot slot;
            try {
                slot.File = load_(i);
            } catch (...) {
                slot.Error = std::current_exception();
            }
            slot.Done = true;
            lock.lock();
            slots_[i] = std::move(slot);
            changed_.notify_all();
        }
    }

    std::vector<TSlot> slots_;
    std::size_t jobs_;
    const TLoad& load_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t released_ = 0;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace

void ForEachDocumentInOrder(std::size_t inputs, int jobs, const TLoad& load, const TUseDocument& use)
{
    if (jobs <= 1 || inputs <= 1) {
        for (std::size_t i = 0; i < inputs; ++i)
            use(i, load(i));
        return;
    }
    TOrderedLoader loader(inputs, jobs, load);
    for (std::size_t i = 0; i < inputs; ++i) {
        {
            const TORVAFile document = loader.Take(i);
            use(i, document);
        }
        loader.Release(i);
    }
}

std::vector<std::filesystem::path> OutputsInFolder(const std::vector<std::string>& inputs, const std::string& outDir)
{
    return OutputsInFolder(inputs, outDir, std::string());
}

std::vector<std::filesystem::path> OutputsInFolder(const std::vector<std::string>& inputs, const std::string& outDir,
                                                   const std::string& extension)
{
    const std::filesystem::path folder = AbsolutePath(outDir);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        throw TUsageError{"--out-dir " + outDir + ": no such folder"};
    std::vector<std::filesystem::path> outputs;
    std::set<std::filesystem::path> names;
    for (const auto& input : inputs) {
        std::filesystem::path name = AbsolutePath(input).filename();
        if (!extension.empty())
            name.replace_extension(PathFromText(extension));
        if (!names.insert(name).second)
            throw TUsageError{std::string(extension.empty() ? "two inputs are named " : "two inputs have the stem ") +
                              PathText(extension.empty() ? name : name.stem()) + ": their outputs in " + outDir +
                              " would replace one another"};
        outputs.push_back(folder / name);
    }
    return outputs;
}

int ForEachOutput(const std::string& command, const std::vector<std::string>& positionals,
                  const std::optional<std::string>& outDir, int jobs, const TOutputWork& work)
{
    if (!outDir) {
        RequirePositionals(positionals, 2);
        const auto& p = positionals;
        const std::filesystem::path output = AbsolutePath(p[1]);
        return RunOnFiles(command, 1, 1, [&](std::size_t, TFileResult& r, TProgressDisplay* progress) {
                   work(p[0], output, r, progress);
               }) > 0;
    }
    const std::vector<std::string>& inputs = positionals;
    RequireInputs(inputs);
    const std::vector<std::filesystem::path> outputs = OutputsInFolder(inputs, *outDir);
    return RunOnFiles(command, inputs.size(), jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
               CheckNotInput(AbsolutePath(inputs[i]), outputs[i]);
               work(inputs[i], outputs[i], r, progress);
           }) > 0;
}

void CheckNotInput(const std::filesystem::path& input, const std::filesystem::path& output)
{
    std::error_code ec;
    if (input == output || std::filesystem::equivalent(input, output, ec))
        throw EORVAError(PathText(input), "The output would replace this input; choose another --out-dir");
}

} // namespace orva::cli
