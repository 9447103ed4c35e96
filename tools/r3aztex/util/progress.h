// A one-line progress bar on standard error, drawn only when standard error
// is a terminal and the work is worth showing.
#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

namespace r3aztex {

enum class ProgressDisplay { Off, OnTerminal };

class Progress {
public:
    // `total` steps; with OnTerminal the bar shows only if standard error is
    // a terminal.
    Progress(size_t total, ProgressDisplay display);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // One step done; `label` names what finished. Safe from any thread.
    void Advance(const std::string& label);
    // Prints a line on standard error, or on `stream`, without breaking
    // the bar. Safe from any thread.
    void Message(const std::string& line);
    void Print(std::FILE* stream, const std::string& line);
    // Removes the bar; later steps draw nothing.
    void Finish();

private:
    void Draw(const std::string& label);
    void Clear();

    std::mutex mutex_;
    size_t total_;
    size_t done_ = 0;
    bool visible_;
    bool drawn_ = false;
};

} // namespace r3aztex
