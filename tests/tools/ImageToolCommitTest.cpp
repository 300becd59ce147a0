// ImageToolCommitTest.cpp — tolmix-image's outputs through signals, failures, a killed run
// and a second run at once: the set is always all old or all new, and nothing of a run is
// left behind. Faults and signals are injected at the tool's own system calls by strace, so
// they land at one exact step of a real run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "picturefiles/PictureFile.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ProgramRun.h"
#include "picturefiles/PictureFileError.h"
#include "tools/image/ImageCommands.h"
#include "tools/image/MadeFolders.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* STRACE = "/usr/bin/strace";
// LeakSanitizer cannot work under ptrace: a sanitized tool run under strace goes without it.
const std::vector<std::string> WITHOUT_LEAK_CHECK = {"ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1"};

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> FilesOf(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

class ImageToolCommitTest : public CScratchFolderTest {
protected:
    void SetUp() override
    {
        CScratchFolderTest::SetUp();
        std::mt19937 random(7);
        for (const char* name : {"a.png", "b.png"}) {
            WritePicture(Path(name), PictureOf(48, 40, [&](int32_t x, int32_t y) {
                             return x == 0 && y == 0 ? Rgb(255, 0, 255)
                                                     : Rgb(uint8_t(x * 5 + random() % 30), uint8_t(y * 6), 90);
                         }));
        }
    }

    // tolmix-image quantize into `folder` with `colours` entries.
    std::vector<std::string> Quantize(const std::string& folder, int32_t colours) const
    {
        return {"quantize", "--colours", std::to_string(colours), Path(folder).string(), Path("a.png").string(),
                Path("b.png").string()};
    }

    ProgramResult Run(const std::vector<std::string>& arguments,
                      const std::function<void(pid_t)>& whileRunning = {}) const
    {
        return RunProgram(TOLMIX_IMAGE_TOOL, arguments, m_folder, whileRunning);
    }

    // The tool under strace, which injects each of `rules` (strace's -e inject= rules, one
    // per system call: strace injects only into the calls it traces, and one rule each).
    ProgramResult RunInjecting(const std::vector<std::string>& rules, const std::vector<std::string>& arguments) const
    {
        std::string calls;
        std::vector<std::string> injections;
        for (const std::string& rule : rules) {
            calls += (calls.empty() ? "" : ",") + rule.substr(0, rule.find(':'));
            injections.insert(injections.end(), {"-e", "inject=" + rule});
        }
        std::vector<std::string> words = {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + calls};
        words.insert(words.end(), injections.begin(), injections.end());
        words.push_back(TOLMIX_IMAGE_TOOL);
        words.insert(words.end(), arguments.begin(), arguments.end());
        return RunProgram(STRACE, words, m_folder, {}, WITHOUT_LEAK_CHECK);
    }

    // The set a whole run of quantize with `colours` entries writes, from a folder of its own.
    std::map<std::string, std::string> SetOf(int32_t colours) const
    {
        const std::string folder = "reference" + std::to_string(colours);
        const ProgramResult result = Run(Quantize(folder, colours));
        EXPECT_EQ(result.status, 0) << result.errors;
        return FilesOf(Path(folder));
    }

    // A run of another command into out/ finishes what a killed run left: out/ then holds
    // `set` beside that run's own output, and no temporary file, old link or record.
    void ExpectTheNextRunToLeave(const std::map<std::string, std::string>& set) const
    {
        const ProgramResult next = Run({"resize", Path("a.png").string(), Path("out/other.png").string(), "10", "10"});
        EXPECT_EQ(next.status, 0) << next.errors;
        auto files = FilesOf(Path("out"));
        EXPECT_EQ(files.erase("other.png"), 1u);
        EXPECT_EQ(files, set);
    }

    static void SkipWithoutStrace()
    {
        if (access(STRACE, X_OK) != 0 || std::system("/usr/bin/strace -qq -o /dev/null true 2>/dev/null") != 0)
            GTEST_SKIP() << "strace cannot trace here (scripts/install-deps.sh installs it)";
    }
};

// A signal that arrives while the outputs are renamed into place waits until all are: the
// set is all new, and the run then ends by that signal.
TEST_F(ImageToolCommitTest, ASignalDuringTheCommitWaitsUntilTheSetIsWhole)
{
    SkipWithoutStrace();
    const auto newSet = SetOf(8);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        fs::remove_all(Path("out"));
        ASSERT_EQ(Run(Quantize("out", 16)).status, 0);
        // rename 1 records the commit, 2 to 4 put a.png, b.png and palette.txt in place.
        const ProgramResult result =
            RunInjecting({"rename:signal=" + std::to_string(signal) + ":when=3"}, Quantize("out", 8));
        EXPECT_EQ(result.signal, signal) << result.errors;
        EXPECT_EQ(FilesOf(Path("out")), newSet);
    }
}

// A signal during the work removes the run's temporary files and the folder it made, and
// ends the run by that signal (the shell sees 128 + its number).
TEST_F(ImageToolCommitTest, ASignalDuringTheWorkLeavesNothingOfTheRun)
{
    SkipWithoutStrace();
    for (const int signal : {SIGTERM, SIGQUIT}) {
        SCOPED_TRACE(signal);
        // fdatasync 2: b.png's temporary file is written, a.png's is already there.
        const ProgramResult result =
            RunInjecting({"fdatasync:signal=" + std::to_string(signal) + ":when=2"}, Quantize("made/out", 8));
        EXPECT_EQ(result.signal, signal) << result.errors;
        EXPECT_FALSE(fs::exists(Path("made"))) << "the folders made for the run stay";
    }
}

// A signal the run was started ignoring (nohup) stays ignored: the run goes on to the end.
TEST_F(ImageToolCommitTest, AnIgnoredSignalStaysIgnored)
{
    SkipWithoutStrace();
    const auto newSet = SetOf(8);
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &ignore, &previous);
    const ProgramResult result = RunInjecting({"fdatasync:signal=SIGHUP:when=1"}, Quantize("out", 8));
    sigaction(SIGHUP, &previous, nullptr);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(FilesOf(Path("out")), newSet);
}

// A run killed in the middle of its renames (SIGKILL: nothing of it runs any more) leaves
// a half set; the next run into the folder, whatever it writes, finishes it first.
TEST_F(ImageToolCommitTest, ACommitKilledHalfWayIsFinishedByTheNextRun)
{
    SkipWithoutStrace();
    const auto newSet = SetOf(8);
    ASSERT_EQ(Run(Quantize("out", 16)).status, 0);
    const ProgramResult killed = RunInjecting({"rename:signal=SIGKILL:when=3"}, Quantize("out", 8));
    ASSERT_EQ(killed.signal, SIGKILL);
    ASSERT_NE(FilesOf(Path("out")), newSet) << "the kill came after the commit";
    ExpectTheNextRunToLeave(newSet);
}

// A run that failed in its renames and was killed while it put the old files back leaves
// its record turned back: the next run puts the rest of the old set back.
TEST_F(ImageToolCommitTest, ARollBackKilledHalfWayIsFinishedByTheNextRun)
{
    SkipWithoutStrace();
    ASSERT_EQ(Run(Quantize("out", 16)).status, 0);
    const auto oldSet = FilesOf(Path("out"));
    // rename 3 (b.png) fails; the first unlink after it is of palette.txt's old link, once
    // the record is turned back: the run dies there, a.png new, the rest old.
    const ProgramResult failing = RunInjecting({"rename:error=EIO:when=3"}, Quantize("out", 8));
    ASSERT_EQ(failing.status, 1);
    EXPECT_EQ(FilesOf(Path("out")), oldSet);
    const ProgramResult killed =
        RunInjecting({"rename:error=EIO:when=3", "unlink:signal=SIGKILL:when=2"}, Quantize("out", 8));
    ASSERT_EQ(killed.signal, SIGKILL) << killed.errors;
    ASSERT_NE(FilesOf(Path("out")), oldSet);
    ExpectTheNextRunToLeave(oldSet);
}

// The folder's lock: a run waits while another holds the folder, and commits once it is
// free. (The test holds the lock as a run does: flock on the folder.)
TEST_F(ImageToolCommitTest, ASecondRunWaitsForTheFolderAndThenWritesItsWholeSet)
{
    const auto newSet = SetOf(8);
    fs::create_directories(Path("out"));
    const int folder = open(Path("out").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);
    bool waited = false;
    const ProgramResult result = Run(Quantize("out", 8), [&](pid_t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        waited = !fs::exists(Path("out/palette.txt"));
        close(folder);
    });
    EXPECT_TRUE(waited) << "the run wrote into a folder another run held";
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(FilesOf(Path("out")), newSet);
}

// Temporary files a killed run left (named as the tool's own, locked by nobody) go with
// the next commit into the folder; a user's hidden files, and a temporary file another
// run still holds, stay.
TEST_F(ImageToolCommitTest, TheNextRunRemovesAbandonedTemporariesAndNothingElse)
{
    fs::create_directories(Path("out"));
    const std::vector<std::string> abandoned = {".a.png.tolmix-Ab12Cd", ".rec.gif.tolmix-zzzzzz"};
    const std::vector<std::string> kept = {".a.png.Ab12Cd", ".notes", ".a.png.tolmix-Ab12C", ".held.png.tolmix-Ab12Cd"};
    for (const std::string& name : abandoned)
        std::ofstream(Path("out") / name) << "left";
    for (const std::string& name : kept)
        std::ofstream(Path("out") / name) << "mine";
    const int held = open((Path("out") / ".held.png.tolmix-Ab12Cd").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const ProgramResult result = Run(Quantize("out", 8));
    close(held);
    EXPECT_EQ(result.status, 0) << result.errors;
    for (const std::string& name : abandoned)
        EXPECT_FALSE(fs::exists(Path("out") / name)) << name;
    for (const std::string& name : kept)
        EXPECT_EQ(ReadFile(Path("out") / name), "mine") << name;
}

// Every output is synced before it is renamed into place, and the folder after.
TEST_F(ImageToolCommitTest, EachOutputIsSyncedBeforeItsRenameAndTheFolderAfter)
{
    SkipWithoutStrace();
    const ProgramResult traced = RunProgram(
        STRACE, {"-qq", "-f", "-o", Path("trace.txt").string(), "-e", "trace=fsync,fdatasync,rename,openat,flock", TOLMIX_IMAGE_TOOL,
                 "quantize", "--colours", "8", Path("out").string(), Path("a.png").string()},
        m_folder, {}, WITHOUT_LEAK_CHECK);
    ASSERT_EQ(traced.status, 0) << traced.errors;
    const std::string trace = ReadFile(Path("trace.txt"));
    std::istringstream lines(trace);
    std::map<std::string, std::string> fdOf;   // file descriptor → file
    std::set<std::string> synced;
    std::string line, folderFd;
    bool renamed = false, folderSyncedAfter = false;
    while (std::getline(lines, line)) {
        const size_t call = line.find_first_not_of(' ', line.find(' '));   // after the process id
        if (call == std::string::npos)
            continue;
        const std::string text = line.substr(call);
        if (text.rfind("openat(", 0) == 0 && text.find(" = ") != std::string::npos) {
            const size_t open = text.find('"'), close = text.find('"', open + 1);
            fdOf[text.substr(text.rfind(" = ") + 3)] = text.substr(open + 1, close - open - 1);
        } else if (text.rfind("fsync(", 0) == 0 || text.rfind("fdatasync(", 0) == 0) {
            const size_t open = text.find('(') + 1;
            const std::string file = fdOf[text.substr(open, text.find(')') - open)];
            synced.insert(file);
            if (renamed && file == Path("out").string())
                folderSyncedAfter = true;
        } else if (text.rfind("rename(", 0) == 0 && text.find(".tolmix-commit") == std::string::npos) {
            const std::string from = text.substr(8, text.find('"', 8) - 8);
            EXPECT_TRUE(synced.count(from)) << from << " renamed unsynced\n" << trace;
            renamed = true;
        }
    }
    EXPECT_TRUE(renamed) << trace;
    EXPECT_TRUE(folderSyncedAfter) << trace;
}

// A failed run removes the folders it made for its outputs (here the commit's first
// rename fails), and says why in one line.
TEST_F(ImageToolCommitTest, AFailedRunRemovesTheFoldersItMade)
{
    SkipWithoutStrace();
    fs::create_directories(Path("there"));
    const ProgramResult result = RunInjecting({"rename:error=EIO"}, Quantize("there/made/out", 8));
    ExpectOneLineError(result, "tolmix-image: ", 1, "Input/output error");
    EXPECT_TRUE(fs::exists(Path("there")));
    EXPECT_FALSE(fs::exists(Path("there/made")));
}

// The folders made for a run: those that were missing, outermost first; removed when the
// run does not keep them, unless something else was put in them meanwhile.
TEST_F(ImageToolCommitTest, OnlyTheFoldersARunMadeAndLeftEmptyAreRemoved)
{
    fs::create_directories(Path("there"));
    {
        const CMadeFolders folders(Path("there"));
        EXPECT_TRUE(folders.Made().empty());
    }
    EXPECT_TRUE(fs::exists(Path("there")));
    {
        const CMadeFolders folders(Path("there/one/two"));
        EXPECT_EQ(folders.Made(), (std::vector<fs::path>{Path("there/one"), Path("there/one/two")}));
        std::ofstream(Path("there/one/mine.txt")) << "mine";
    }
    EXPECT_TRUE(fs::exists(Path("there/one/mine.txt")));
    EXPECT_FALSE(fs::exists(Path("there/one/two")));
    {
        CMadeFolders folders(Path("kept/a"));
        folders.Keep();
    }
    EXPECT_TRUE(fs::is_directory(Path("kept/a")));
    std::ofstream(Path("file")) << "in the way";
    EXPECT_THROW(CMadeFolders(Path("file/a")), CPictureFileError);
}

// Quantize keeps pictures between its passes only within its budget: one on each side of
// it, and the outputs of a run that keeps none are those of one that keeps all, byte for
// byte (the palette's cache fills in the same order).
TEST_F(ImageToolCommitTest, QuantizeReadsAgainWhatItDoesNotKeepAndWritesTheSameBytes)
{
    EXPECT_TRUE(KeepsPictureForReduction(0, 100, 100));
    EXPECT_FALSE(KeepsPictureForReduction(0, 101, 100));
    EXPECT_TRUE(KeepsPictureForReduction(60, 40, 100));
    EXPECT_FALSE(KeepsPictureForReduction(61, 40, 100));
    EXPECT_FALSE(KeepsPictureForReduction(0, SIZE_MAX, SIZE_MAX - 1));

    for (const bool dither : {true, false}) {
        SCOPED_TRACE(dither);
        std::map<std::string, std::string> sets[2];
        for (const size_t budget : {QUANTIZE_KEPT_BYTES, size_t{0}}) {
            QuantizeOptions options;
            options.outputFolder = Path(budget == 0 ? "again" : "kept");
            options.inputs = {Path("a.png"), Path("b.png")};
            options.colours = 16;
            options.dither = dither;
            options.keptPictureBytes = budget;
            RunQuantize(options);
            sets[budget == 0] = FilesOf(options.outputFolder);
        }
        EXPECT_EQ(sets[0].size(), 3u);
        EXPECT_EQ(sets[0], sets[1]);
        fs::remove_all(Path("kept"));
        fs::remove_all(Path("again"));
    }
}

} // namespace
