// MadeFolders.cpp — create_directories, with a record of what it made.
#include "tools/image/MadeFolders.h"

#include <system_error>

#include "picturefiles/PictureFileError.h"
#include "picturefiles/SignalGuard.h"

namespace fs = std::filesystem;

// The folders are recorded with the guard before they exist, so that a signal in between
// finds them.
CMadeFolders::CMadeFolders(const fs::path& folder)
{
    for (fs::path missing = folder; !missing.empty() && !fs::exists(missing); missing = missing.parent_path())
        m_made.insert(m_made.begin(), missing);
    for (const fs::path& made : m_made)
        CSignalGuard::Shared().RecordFolder(made);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder)) {
        Remove();
        throw CPictureFileError("cannot make the folder " + QuotedPath(folder) + ": " + error.message());
    }
}

CMadeFolders::~CMadeFolders()
{
    Remove();
}

void CMadeFolders::Keep()
{
    for (const fs::path& made : m_made)
        CSignalGuard::Shared().ForgetFolder(made);
    m_made.clear();
}

// Only an empty folder is removed: anything a user put there meanwhile stays.
void CMadeFolders::Remove()
{
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
        std::error_code ignored;
        fs::remove(*made, ignored);
    }
    Keep();
}
