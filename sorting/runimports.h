#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "sorting/importmemory.h"
#include "sorting/runeffects.h"
#include "sorting/sortrun.h"

namespace quenby {

// How the memory knows a target: by its real path, so that a link or another
// spelling leads to the same records; as given where it cannot be resolved.
std::string ImportTarget(const std::string& targetRoot);

// The memory of imported photos as one run with OnlyNew uses it: asked for
// each file found, told of each copy once it is whole under its name, and
// written a batch at a time, each batch after its copies were made durable.
// A dry run asks it and writes nothing, and finds an empty memory where
// there is none yet.
class RunImports {
public:
    // Opens the memory before the run touches anything. ImportMemoryError
    // when it cannot be used.
    explicit RunImports(const SortOptions& options);

    // Looks the record up while the files are still being found, on any
    // thread, each with a connection of its own; a memory that fails here is
    // asked again at the file's step.
    void LookUp(Suchrecord& record) const;
    // Where the memory's copy of the file lies below the target, when the
    // file was imported into it before; on the run's thread.
    std::optional<std::string> ImportedBefore(const Suchrecord& record);

    // Queues the record of a copy that stands whole under `copy`, its path
    // below the target.
    void Remember(const Suchrecord& record, const std::string& copy);

    // Writes what is queued once the copies are durable; with `always`
    // false only when a batch is full. False, with the reason, when nothing
    // of it could be written: those files' sources must stay.
    bool Write(RunEffects& effects, bool always, std::string& failure);

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_target;  // the target's real path
    bool m_writes;
    std::optional<ImportMemory> m_memory;
    // The helpers' connections, one per thread.
    mutable std::mutex m_readersMutex;
    mutable std::unordered_map<std::thread::id, std::unique_ptr<ImportMemory>> m_readers;
};

}  // namespace quenby
