// MadeFolders.h — the folders a run makes for its outputs, removed again if it fails.
//
// quantize makes OUTDIR, and any folder missing above it, before it writes its outputs
// there. Should the run fail, or end by a signal (CSignalGuard), those folders go again,
// deepest first and only when empty; a run that succeeds keeps them.
//
//     CMadeFolders folders("out/set1");
//     ... write into out/set1 ...
//     folders.Keep();
#pragma once

#include <filesystem>
#include <vector>

class CMadeFolders {
public:
    // Makes the folder and those missing above it. Throws CPictureFileError naming the
    // folder when it cannot; what was made is removed again then.
    explicit CMadeFolders(const std::filesystem::path& folder);
    // Removes the folders made, unless kept.
    virtual ~CMadeFolders();

    CMadeFolders(const CMadeFolders&) = delete;
    CMadeFolders& operator=(const CMadeFolders&) = delete;

    // The run succeeded: the folders stay.
    void Keep();

    // The folders this object made, outermost first.
    const std::vector<std::filesystem::path>& Made() const { return m_made; }

private:
    void Remove();

    std::vector<std::filesystem::path> m_made;   // outermost first
};
