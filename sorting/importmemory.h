#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace quenby {

// The memory of imported photos cannot be used. The text names the file and
// tells the user what to do about it. Whatever a run could not record, it
// must not delete the source of: only the memory says it was imported.
class ImportMemoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where both programs keep the memory, so that each knows what the other
// imported: $XDG_DATA_HOME/Vexmoor/quenby/imported.sqlite (below
// ~/.local/share when XDG_DATA_HOME is unset or not absolute), on Windows
// %LOCALAPPDATA%\Vexmoor\quenby\imported.sqlite. Not beside the settings:
// it grows with every import, and roaming profiles should not carry it.
// Nothing is created here; ImportMemoryError when the system names no such
// folder (no home folder).
std::string DefaultImportMemoryPath();

// Which files were imported into which target, kept in an SQLite database,
// so that a later run can pass over what was imported before, whatever has
// become of the copies since. A file is known by its name, size and
// last-write time, the three that a card shows again on the next import;
// the target by its real path (see platform::RealPath), which the caller
// gives, so that a link or another spelling leads to the same records.
//
// One object is one connection: use it on one thread at a time, and give
// each thread or process its own. Two runs may write into one memory at
// once; each waits up to 10 seconds for the other's commit.
class ImportMemory {
public:
    // Opens the memory at `path`, creating the file, its missing parent
    // folders and its table when they are not there yet. ImportMemoryError
    // when it cannot be used: damaged, a folder, read-only, on a full disk,
    // or written by a newer Quenby.
    static ImportMemory Open(const std::string& path);

    ImportMemory(const ImportMemory&) = delete;
    ImportMemory& operator=(const ImportMemory&) = delete;
    // A moved-from memory may only be assigned to or destroyed.
    ImportMemory(ImportMemory&& other) noexcept;
    ImportMemory& operator=(ImportMemory&& other) noexcept;
    ~ImportMemory();

    const std::string& Path() const;

    // The copy, as its path below `targetRoot`, when a file of this name,
    // size and last-write time (100-ns intervals since 1601 UTC, as
    // Suchrecord::LastWriteTime) was imported into that target before. Only
    // what was committed counts: the queue holds this run's own copies,
    // which the run knows of.
    std::optional<std::string> ImportedCopy(const std::string& targetRoot, const std::string& name,
                                            std::uint64_t size, std::uint64_t lastWriteTime);

    // Queues the record of a copy that was made; nothing is written before
    // Commit. Recording a file again replaces its copy's path.
    void Record(const std::string& targetRoot, const std::string& name, std::uint64_t size,
                std::uint64_t lastWriteTime, const std::string& copyRelativePath);
    std::size_t Queued() const;

    // Writes everything queued in one transaction, so that a batch is
    // recorded whole or not at all. Commit a batch before deleting its
    // sources: when Commit throws, nothing of the batch was recorded, the
    // queue is kept for another try, and those sources must stay.
    void Commit();

    // Forgets every file imported into that target, queued ones too; the
    // number of committed records removed.
    std::int64_t Forget(const std::string& targetRoot);

private:
    struct Connection;
    explicit ImportMemory(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_connection;
};

}  // namespace quenby
