// CommitJournalTest.cpp — the record of a commit read back, damaged records refused, the
// names that mark temporary files, and a batch's one folder.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "picturefiles/CommitJournal.h"
#include "picturefiles/FileBatch.h"
#include "picturefiles/FolderLock.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/TemporaryFile.h"
#include "tests/support/ScratchFolderTest.h"

namespace {

class CommitJournalTest : public CScratchFolderTest {};

const std::vector<CommitStep> STEPS = {{".a.png.tolmix-Ab12Cd", "a.png", ".a.png.tolmix-Ab12Cd.old"},
                                       {".palette.txt.tolmix-zz99zz", "palette.txt", ""}};

} // namespace

// Found by argument lookup beside CommitStep.
bool operator==(const CommitStep& a, const CommitStep& b)
{
    return a.temporary == b.temporary && a.target == b.target && a.old == b.old;
}

TEST_F(CommitJournalTest, ARecordReadsBackAsWrittenInBothDirections)
{
    for (const auto direction : {CCommitJournal::Direction::Forward, CCommitJournal::Direction::Back}) {
        CCommitJournal::Direction read = direction == CCommitJournal::Direction::Forward
                                             ? CCommitJournal::Direction::Back
                                             : CCommitJournal::Direction::Forward;
        EXPECT_EQ(CCommitJournal::Decode(CCommitJournal::Encode(STEPS, direction), read), STEPS);
        EXPECT_EQ(read, direction);
    }
}

// A record may only name what a commit would have made: its own temporary files, plain
// names in the folder, and each temporary file's own old link.
TEST_F(CommitJournalTest, DamagedOrForeignRecordsAreRefused)
{
    const std::string whole = CCommitJournal::Encode(STEPS, CCommitJournal::Direction::Forward);
    auto withStep = [](const CommitStep& step) {
        return CCommitJournal::Encode({step}, CCommitJournal::Direction::Back);
    };
    const std::vector<std::string> refused = {
        whole.substr(0, whole.size() - 1),                              // cut inside "end"
        whole.substr(0, whole.size() - 4),                              // "end" missing
        "tolmix-commit 2" + whole.substr(15),                           // another version
        std::string(whole).replace(whole.find("forward"), 7, "fOrward"),
        whole + "x",                                                    // bytes after the end
        withStep({".a.png.tolmix-Ab12Cd", "../a.png", ""}),            // outside the folder
        withStep({".a.png.tolmix-Ab12Cd", "", ""}),
        withStep({".a.png.backup", "a.png", ""}),                       // not a temporary file of ours
        withStep({".a.png.tolmix-Ab12Cd.old", "a.png", ""}),
        withStep({".a.png.tolmix-Ab12Cd", "a.png", ".b.png.tolmix-Ab12Cd.old"}),   // another's old link
    };
    for (const std::string& bytes : refused) {
        CCommitJournal::Direction direction{};
        EXPECT_THROW(CCommitJournal::Decode(bytes, direction), CPictureFileError) << bytes;
    }
}

// Six letters after the mark, as mkostemp makes them: five or seven are someone else's.
TEST_F(CommitJournalTest, OnlyTheToolsOwnNamesAreTakenForTemporaryFiles)
{
    EXPECT_TRUE(CTemporaryFile::IsTemporaryName(".a.png.tolmix-Ab12Cd"));
    EXPECT_TRUE(CTemporaryFile::IsTemporaryName(".a.png.tolmix-Ab12Cd.old"));
    EXPECT_FALSE(CTemporaryFile::IsTemporaryName(".a.png.tolmix-Ab12C"));
    EXPECT_FALSE(CTemporaryFile::IsTemporaryName(".a.png.tolmix-Ab12Cde"));
    EXPECT_FALSE(CTemporaryFile::IsTemporaryName("a.png.tolmix-Ab12Cd"));   // not hidden
    EXPECT_FALSE(CTemporaryFile::IsTemporaryName(".a.png.Ab12Cd"));         // as temporary files were named before
    EXPECT_FALSE(CTemporaryFile::IsTemporaryName(std::string(CCommitJournal::NAME)));
    const CTemporaryFile file(Path("a.png"));
    EXPECT_TRUE(CTemporaryFile::IsTemporaryName(std::filesystem::path(file.Name()).filename().string()));
}

// A record that is not one of ours stops the commit with a message, and is left alone.
TEST_F(CommitJournalTest, ACommitIntoAFolderWithADamagedRecordIsRefused)
{
    std::ofstream(Path(std::string(CCommitJournal::NAME))) << "not a record";
    CFileBatch batch;
    const std::vector<uint8_t> bytes = {1, 2, 3};
    batch.Add(Path("a.bin"), bytes);
    try {
        batch.Commit();
        ADD_FAILURE() << "committed past a damaged record";
    } catch (const CPictureFileError& error) {
        EXPECT_NE(std::string(error.what()).find("damaged commit record"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(Path("a.bin")));
    EXPECT_EQ(ReadFile(Path(std::string(CCommitJournal::NAME))), "not a record");
}

TEST_F(CommitJournalTest, ABatchWritesIntoOneFolder)
{
    std::filesystem::create_directory(Path("other"));
    CFileBatch batch;
    const std::vector<uint8_t> bytes = {1, 2, 3};
    batch.Add(Path("a.bin"), bytes);
    EXPECT_THROW(batch.Add(Path("other/b.bin"), bytes), CPictureFileError);
    batch.Commit();
    EXPECT_EQ(ReadFile(Path("a.bin")), std::string("\1\2\3"));
    EXPECT_TRUE(std::filesystem::is_empty(Path("other")));
}
