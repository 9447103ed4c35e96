// Temporary files that do not outlive an interrupted program. Each live
// temporary sits in a process-wide table; the first TemporaryFile installs
// handlers for SIGINT, SIGTERM and SIGHUP that remove every file in the
// table and then let the signal end the program as it would have.
#pragma once

#include <string>

namespace tools {

class TemporaryFile {
public:
    TemporaryFile() = default;
    // Removes the file unless it was committed.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates an empty hidden file in `folder` (empty: the working folder)
    // under a short random name, so that a target name of any length still
    // leaves room for it. Its permissions are those of an ordinary new file
    // (0666 less the umask). False with errno set when it cannot be made.
    bool Create(const std::string& folder);

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }

    // Closes the descriptor; the file stays until Commit or Discard. False
    // with errno set when a delayed write error shows (a full disk).
    bool Close();

    // Closes the file if still open and renames it over `target`, which
    // must be in the same folder. False with errno set, the temporary
    // removed, on failure.
    bool Commit(const std::string& target);

    // Closes and removes the file now.
    void Discard();

private:
    int fd_ = -1;
    int slot_ = -1;
    std::string path_;
};

// Installs the signal handlers now (TemporaryFile::Create does it anyway).
// A signal the program ignores (nohup) or handles itself is left alone.
void RemoveTemporariesOnSignals();

} // namespace tools
