// TemporaryFile.h — a file written under a temporary name beside its target.
//
// The name is unique in the target's folder, hidden, and marked as this program's own
// (".<target>.tolmix-XXXXXX"), so that a later run can tell the temporary files a killed
// run left from the user's own hidden files. The file stays locked (flock) while this
// object lives: a file of that form that nobody has locked was abandoned and may be
// removed (CCommitJournal does). It is removed again unless the owner keeps it (Keep),
// usually after renaming it into place, and also when the run ends by a signal while the
// name exists (CSignalGuard).
//
//     CTemporaryFile file("out/a.png");
//     file.Write(bytes.data(), bytes.size());
//     file.Sync();
//     std::rename(file.Name().c_str(), "out/a.png"); file.Keep();
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

class CTemporaryFile {
public:
    // What marks a temporary file name as this program's: ".<target>" MARK "XXXXXX".
    static constexpr std::string_view MARK = ".tolmix-";
    // The ending of the link that keeps a replaced target during a commit.
    static constexpr std::string_view OLD_ENDING = ".old";

    // Creates the file; throws CPictureFileError naming the target when it cannot.
    explicit CTemporaryFile(const std::filesystem::path& target);
    virtual ~CTemporaryFile();

    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // Writes all the bytes, or throws CPictureFileError.
    void Write(const void* bytes, size_t count);
    // Makes everything written so far durable (fsync), or throws CPictureFileError (a full
    // disk may only show here).
    void Sync();
    // The file is no longer removed when this object goes.
    void Keep();
    // A descriptor of the file for a writer that closes it itself (giflib does); the file
    // stays locked, and is still removed with this object unless kept.
    int ReleaseDescriptor();

    const std::string& Name() const { return m_name; }
    const std::filesystem::path& Target() const { return m_target; }

    // Throws CPictureFileError: the target cannot be written, and why.
    [[noreturn]] void Fail(const std::string& why) const;

    // Whether a file name (without folder) has the form of this program's temporary files
    // or of the links a commit keeps old targets by.
    static bool IsTemporaryName(std::string_view name);

private:
    std::filesystem::path m_target;
    std::string m_name;
    int m_fd = -1;
    bool m_kept = false;
};
