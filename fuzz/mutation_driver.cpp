// A small stand-in for libFuzzer where the compiler does not provide it. It takes the same kind
// of command line (options "-name=value", then seed files or directories), mutates the seeds at
// random for -max_total_time seconds and feeds every result to LLVMFuzzerTestOneInput. There is
// no coverage feedback: mutants are chained from seeds and from recent mutants instead.
//
// A crash or a sanitizer report ends the process with a non-zero status after the input that
// caused it was written to <artifact_prefix>crash-input; an input that runs longer than
// -timeout seconds is written to <artifact_prefix>timeout-input and ends the process too.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__has_include)
#if __has_include(<sanitizer/common_interface_defs.h>) && \
    (defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__))
#include <sanitizer/common_interface_defs.h>
#define ZAMO_HAVE_SANITIZER_CALLBACK 1
#endif
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::string;
using Clock = std::chrono::steady_clock;

struct Options {
    long maxTotalTime = 60;
    long timeout = 10;
    std::size_t maxLen = 8192;
    std::uint64_t seed = 0;
    long runs = -1;
    std::string artifactPrefix = "./";
    std::vector<std::string> inputs;
};

// The input being run, kept where the crash handlers can write it out.
constexpr std::size_t kMaxInput = 1 << 16;
char gCurrent[kMaxInput];
std::size_t gCurrentSize = 0;
char gCrashPath[4096];
std::mutex gCurrentMutex;
std::atomic<std::uint64_t> gRunsDone{0};

void writeCurrent(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return;
    }
    std::size_t written = 0;
    while (written < gCurrentSize) {
        const ssize_t n = ::write(fd, gCurrent + written, gCurrentSize - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void onFatalSignal(int signal) {
    writeCurrent(gCrashPath);
    constexpr char kNote[] = "mutation driver: fatal signal; input written to crash-input\n";
    (void)!::write(STDERR_FILENO, kNote, sizeof kNote - 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#ifdef ZAMO_HAVE_SANITIZER_CALLBACK
void onSanitizerDeath() {
    writeCurrent(gCrashPath);
}
#endif

bool parseNumber(std::string_view text, long& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with('-')) {
            options.inputs.emplace_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(1, equals == arg.npos ? arg.npos : equals - 1);
        const std::string_view value = equals == arg.npos ? "" : arg.substr(equals + 1);
        long number = 0;
        if (name == "artifact_prefix") {
            options.artifactPrefix = value;
        } else if (name == "max_total_time" || name == "timeout" || name == "max_len" ||
                   name == "seed" || name == "runs") {
            if (!parseNumber(value, number) || number < 0) {
                std::fprintf(stderr, "mutation driver: bad value in %s\n", argv[i]);
                return false;
            }
            if (name == "max_total_time") {
                options.maxTotalTime = number;
            } else if (name == "timeout") {
                options.timeout = std::max(1L, number);
            } else if (name == "max_len") {
                options.maxLen = std::clamp<std::size_t>(number, 1, kMaxInput);
            } else if (name == "seed") {
                options.seed = static_cast<std::uint64_t>(number);
            } else {
                options.runs = number;
            }
        } else {
            std::fprintf(stderr, "mutation driver: ignoring option %s\n", argv[i]);
        }
    }
    return true;
}

void addSeedFile(const std::filesystem::path& path, std::size_t maxLen, std::vector<Bytes>& seeds) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return;
    }
    bytes.resize(std::min(bytes.size(), maxLen));
    seeds.push_back(std::move(bytes));
}

std::vector<Bytes> loadSeeds(const Options& options) {
    std::vector<Bytes> seeds;
    for (const std::string& input : options.inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(input, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(input, error)) {
                if (entry.is_regular_file(error)) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                addSeedFile(file, options.maxLen, seeds);
            }
        } else if (std::filesystem::is_regular_file(input, error)) {
            addSeedFile(input, options.maxLen, seeds);
        } else {
            std::fprintf(stderr, "mutation driver: no such seed file or directory: %s\n",
                         input.c_str());
        }
    }
    if (seeds.empty()) {
        seeds.emplace_back();
    }
    return seeds;
}

// Pieces of the message grammar and numbers that parsers tend to get wrong.
constexpr std::string_view kDictionary[] = {
    "(",
    ")",
    " ",
    "\"",
    std::string_view("\0", 1),
    "nan",
    "inf",
    "1e999",
    "-0",
    "-1e-320",
    "99999999999",
    "t",
    "goalie",
    "(f r b 30)",
    "((b) 1 2)",
    "((p \"TestTeam\" 3 goalie) 1 2 3 4 5 6 7)",
    "(target none)",
    "(target l 3)",
    "(count 1)",
    "referee",
    "our",
    "opp",
    "self",
    "(see 1 ",
    "(hear 1 ",
    "(sense_body 1 ",
    "((((((((",
    "))))))))",
};

class Mutator {
  public:
    Mutator(std::uint64_t seed, std::size_t maxLen) : random_(seed), maxLen_(maxLen) {}

    Bytes mutate(const Bytes& base, const std::vector<Bytes>& seeds) {
        Bytes data = base;
        const int steps = 1 + static_cast<int>(below(4));
        for (int i = 0; i < steps; ++i) {
            mutateOnce(data, seeds);
        }
        if (data.size() > maxLen_) {
            data.resize(maxLen_);
        }
        return data;
    }

    std::size_t below(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

  private:
    void mutateOnce(Bytes& data, const std::vector<Bytes>& seeds) {
        const std::size_t at = below(data.size() + 1);
        switch (below(8)) {
            case 0:
                if (!data.empty()) {
                    data[below(data.size())] ^= static_cast<char>(1u << below(8));
                }
                break;
            case 1:
                if (!data.empty()) {
                    data[below(data.size())] = static_cast<char>(below(256));
                }
                break;
            case 2:
                data.insert(at, 1, " ()\"-.0123456789etn"[below(19)]);
                break;
            case 3:
                data.erase(std::min(at, data.size()), 1 + below(8));
                break;
            case 4: {
                const std::size_t from = below(data.size() + 1);
                const Bytes chunk = data.substr(from, 1 + below(64));
                data.insert(at, chunk);
                break;
            }
            case 5:
                data.insert(at, kDictionary[below(std::size(kDictionary))]);
                break;
            case 6: {
                const Bytes& other = seeds[below(seeds.size())];
                data = data.substr(0, at) + other.substr(below(other.size() + 1));
                break;
            }
            default:
                data.resize(at);
                break;
        }
    }

    std::mt19937_64 random_;
    std::size_t maxLen_;
};

void startWatchdog(long timeoutSeconds, const std::string& timeoutPath) {
    std::thread([timeoutSeconds, timeoutPath] {
        std::uint64_t lastRuns = gRunsDone.load();
        auto lastChange = Clock::now();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const std::uint64_t runs = gRunsDone.load();
            if (runs != lastRuns) {
                lastRuns = runs;
                lastChange = Clock::now();
            } else if (Clock::now() - lastChange > std::chrono::seconds(timeoutSeconds)) {
                std::lock_guard<std::mutex> lock(gCurrentMutex);
                writeCurrent(timeoutPath.c_str());
                std::fprintf(stderr,
                             "mutation driver: an input ran longer than %ld s; written "
                             "to %s\n",
                             timeoutSeconds, timeoutPath.c_str());
                std::_Exit(70);
            }
        }
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        return 2;
    }
    if (options.seed == 0) {
        options.seed = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
    }
    const std::string crashPath = options.artifactPrefix + "crash-input";
    std::snprintf(gCrashPath, sizeof gCrashPath, "%s", crashPath.c_str());
    for (const int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) {
        std::signal(signal, onFatalSignal);
    }
#ifdef ZAMO_HAVE_SANITIZER_CALLBACK
    __sanitizer_set_death_callback(onSanitizerDeath);
#endif

    const std::vector<Bytes> seeds = loadSeeds(options);
    std::printf("mutation driver: %zu seeds, seed %llu, %ld s\n", seeds.size(),
                static_cast<unsigned long long>(options.seed), options.maxTotalTime);
    std::fflush(stdout);
    startWatchdog(options.timeout, options.artifactPrefix + "timeout-input");

    Mutator mutator(options.seed, options.maxLen);
    std::vector<Bytes> recent;
    constexpr std::size_t kRecent = 256;
    const auto deadline = Clock::now() + std::chrono::seconds(options.maxTotalTime);
    std::uint64_t runs = 0;
    auto run = [&runs](const Bytes& input) {
        {
            std::lock_guard<std::mutex> lock(gCurrentMutex);
            gCurrentSize = std::min(input.size(), kMaxInput);
            std::copy_n(input.data(), gCurrentSize, gCurrent);
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        gRunsDone.store(++runs);
    };
    for (const Bytes& seed : seeds) {
        run(seed);
    }
    while (Clock::now() < deadline && (options.runs < 0 || runs < std::uint64_t(options.runs))) {
        for (int batch = 0; batch < 256; ++batch) {
            const bool fromRecent = !recent.empty() && mutator.below(2) == 0;
            const Bytes& base = fromRecent ? recent[mutator.below(recent.size())]
                                           : seeds[mutator.below(seeds.size())];
            Bytes input = mutator.mutate(base, seeds);
            run(input);
            if (recent.size() < kRecent) {
                recent.push_back(std::move(input));
            } else {
                recent[mutator.below(kRecent)] = std::move(input);
            }
        }
    }
    std::printf("mutation driver: done, %llu runs, no finding\n",
                static_cast<unsigned long long>(runs));
    return 0;
}
