#include "sorting/runimports.h"

#include "platform/files/fileops.h"
#include "platform/files/pathsep.h"
#include "platform/files/realpath.h"

namespace quenby {

namespace {

// Copies remembered in one transaction: a crash loses at most these, whose
// sources are still on the card then, and writing them costs little.
constexpr std::size_t kBatch = 1000;

const std::shared_ptr<const std::string>& NotImported() {
    static const auto none = std::make_shared<const std::string>();
    return none;
}

}  // namespace

std::string ImportTarget(const std::string& targetRoot) {
    const std::string root = platform::WithoutTrailingSeparator(targetRoot);
    std::string real;
    return platform::RealPath(root, real) ? real : root;
}

RunImports::RunImports(const SortOptions& options)
    : m_path(options.ImportMemoryFile.empty() ? DefaultImportMemoryPath()
                                              : options.ImportMemoryFile),
      m_target(ImportTarget(options.TargetRoot)),
      m_writes(!options.DryRun) {
    // A preview makes no memory where there is none; it has nothing to tell.
    if (m_writes || platform::FileEntryExists(m_path)) {
        m_memory.emplace(ImportMemory::Open(m_path));
    }
}

void RunImports::LookUp(Suchrecord& record) const {
    if (!m_memory) {
        return;
    }
    try {
        ImportMemory* reader = nullptr;
        {
            const std::lock_guard lock(m_readersMutex);
            std::unique_ptr<ImportMemory>& mine = m_readers[std::this_thread::get_id()];
            if (!mine) {
                mine = std::make_unique<ImportMemory>(ImportMemory::Open(m_path));
            }
            reader = mine.get();
        }
        const std::optional<std::string> copy =
            reader->ImportedCopy(m_target, record.Onlyname, record.Size, record.LastWriteTime);
        record.ImportedCopy = copy ? std::make_shared<const std::string>(*copy) : NotImported();
    } catch (const ImportMemoryError&) {
        record.ImportedCopy = nullptr;
    }
}

std::optional<std::string> RunImports::ImportedBefore(const Suchrecord& record) {
    if (record.ImportedCopy) {
        if (record.ImportedCopy->empty()) {
            return std::nullopt;
        }
        return *record.ImportedCopy;
    }
    if (!m_memory) {
        return std::nullopt;
    }
    return m_memory->ImportedCopy(m_target, record.Onlyname, record.Size, record.LastWriteTime);
}

void RunImports::Remember(const Suchrecord& record, const std::string& copy) {
    if (m_writes && m_memory) {
        m_memory->Record(m_target, record.Onlyname, record.Size, record.LastWriteTime, copy);
    }
}

bool RunImports::Write(RunEffects& effects, bool always, std::string& failure) {
    if (!m_memory || m_memory->Queued() == 0 || (!always && m_memory->Queued() < kBatch)) {
        return true;
    }
    // Nothing is remembered that a power cut could still take away.
    if (const platform::FileStatus durable = effects.MakeCopiesDurable(); !durable) {
        failure = "its copy is not known to be on the disk: " + durable.Reason;
        return false;
    }
    try {
        m_memory->Commit();
    } catch (const ImportMemoryError& error) {
        failure = error.what();
        return false;
    }
    return true;
}

}  // namespace quenby
