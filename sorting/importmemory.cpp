#include "sorting/importmemory.h"

#include <sqlite3.h>

#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/errorkind.h"
#include "platform/files/folderexists.h"
#include "platform/files/pathsep.h"
#include "platform/shell/shellfolders.h"
#include "settings/appfolders.h"

namespace quenby {
namespace {

// A file as a scan finds it, to be looked up in the memory.
struct ImportedFile {
    std::string_view Name;
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;  // 100-ns intervals since 1601 UTC
};

// Raised whenever the table changes, so that an older Quenby refuses a
// memory it would misread instead of damaging it.
constexpr int kSchemaVersion = 1;

// A commit of one batch takes milliseconds; a run that keeps the memory
// locked for longer has hung, and waiting on would only hide it.
constexpr int kBusyTimeoutMs = 10'000;

constexpr const char* kCreateTable = R"(
    CREATE TABLE imported (
        target TEXT NOT NULL,         -- the target root's real path
        name TEXT NOT NULL,           -- the source's file name
        size INTEGER NOT NULL,
        write_time INTEGER NOT NULL,  -- 100-ns intervals since 1601 UTC
        copy TEXT NOT NULL,           -- the copy's path below the target root
        recorded INTEGER NOT NULL,    -- when, in the same unit
        PRIMARY KEY (target, name, size, write_time)
    ) WITHOUT ROWID)";

// The clock is SQLite's, so that the core asks the system for nothing here;
// 2305813.5 is the Julian day of 1601-01-01 00:00 UTC.
constexpr const char* kInsert = R"(
    INSERT INTO imported (target, name, size, write_time, copy, recorded)
    VALUES (?1, ?2, ?3, ?4, ?5, CAST((julianday('now') - 2305813.5) * 864000000000 AS INTEGER))
    ON CONFLICT (target, name, size, write_time)
    DO UPDATE SET copy = excluded.copy, recorded = excluded.recorded)";

constexpr const char* kLookup =
    "SELECT copy FROM imported WHERE target = ?1 AND name = ?2 AND size = ?3 AND write_time = ?4";

constexpr const char* kForget = "DELETE FROM imported WHERE target = ?1";

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// SQLite keeps 64-bit integers signed; the bits go in and come out unchanged.
sqlite3_int64 Stored(std::uint64_t value) {
    return static_cast<sqlite3_int64>(value);
}

std::string Named(const std::string& path) {
    return "the memory of imported photos " + path;
}

std::string FolderOf(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (platform::IsPathDelimiter(path[i - 1])) {
            return path.substr(0, i);
        }
    }
    return {};
}

struct Entry {
    std::string Target;
    std::string Name;
    std::uint64_t Size;
    std::uint64_t LastWriteTime;
    std::string Copy;
};

}  // namespace

struct ImportMemory::Connection {
    std::string Path;
    // Declared first, so that the statements are finalized before it closes.
    Database Db;
    Statement Lookup;
    Statement Insert;
    Statement Forget;
    std::vector<Entry> Queue;

    // The error for a failed call, with advice for what the user can change.
    ImportMemoryError Failure(int code) const {
        const int primary = code & 0xff;
        // SQLite keeps the system's code only for these two; for any other
        // it would be that of an older failure.
        const int system = Db && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)
                               ? sqlite3_system_errno(Db.get())
                               : 0;
        const platform::ErrorKind kind =
            system != 0 ? platform::KindOfError(system) : platform::ErrorKind::Other;
        const std::string reason = system != 0                  ? platform::SystemErrorText(system)
                                   : primary == SQLITE_READONLY ? std::string("read-only")
                                   : Db                         ? sqlite3_errmsg(Db.get())
                                                                : sqlite3_errstr(code);
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
            return ImportMemoryError(Named(Path) +
                                     " is not a database (damaged?): move it away, and Quenby "
                                     "starts a new one");
        }
        if (primary == SQLITE_FULL || kind == platform::ErrorKind::DiskFull) {
            return ImportMemoryError("there is no room left for " + Named(Path) +
                                     ": free some space on its disk");
        }
        if (primary == SQLITE_CANTOPEN && platform::FolderExists(Path)) {
            return ImportMemoryError(Named(Path) +
                                     " is a folder: move it away, and Quenby starts a new memory "
                                     "in its place");
        }
        if (primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_CANTOPEN ||
            kind == platform::ErrorKind::WriteDenied) {
            return ImportMemoryError(Named(Path) + " cannot be written (" + reason +
                                     "): allow writing to it and to its folder");
        }
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
            return ImportMemoryError(Named(Path) +
                                     " is held by another Quenby run for more than 10 seconds: "
                                     "try again when that run has finished");
        }
        return ImportMemoryError(Named(Path) + " cannot be used (" + reason +
                                 "): check its disk, or move it away, and Quenby starts a new one");
    }

    void Exec(const char* sql) const {
        const int done = sqlite3_exec(Db.get(), sql, nullptr, nullptr, nullptr);
        if (done != SQLITE_OK) {
            throw Failure(done);
        }
    }

    Statement Prepare(const char* sql) const {
        sqlite3_stmt* statement = nullptr;
        const int prepared =
            sqlite3_prepare_v3(Db.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        Statement owned(statement);
        if (prepared != SQLITE_OK) {
            throw Failure(prepared);
        }
        return owned;
    }

    // Steps a statement that returns no rows, then resets it.
    void Run(sqlite3_stmt* statement) const {
        const int stepped = sqlite3_step(statement);
        if (stepped != SQLITE_DONE) {
            ImportMemoryError failure = Failure(stepped);
            sqlite3_reset(statement);
            throw failure;
        }
        sqlite3_reset(statement);
    }

    std::optional<std::string> Find(const std::string& targetRoot, const ImportedFile& file) const {
        sqlite3_stmt* lookup = Lookup.get();
        sqlite3_bind_text(lookup, 1, targetRoot.data(), static_cast<int>(targetRoot.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(lookup, 2, file.Name.data(), static_cast<int>(file.Name.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int64(lookup, 3, Stored(file.Size));
        sqlite3_bind_int64(lookup, 4, Stored(file.LastWriteTime));
        const int stepped = sqlite3_step(lookup);
        std::optional<std::string> copy;
        if (stepped == SQLITE_ROW) {
            copy.emplace(reinterpret_cast<const char*>(sqlite3_column_text(lookup, 0)),
                         static_cast<std::size_t>(sqlite3_column_bytes(lookup, 0)));
        } else if (stepped != SQLITE_DONE) {
            ImportMemoryError failure = Failure(stepped);
            sqlite3_reset(lookup);
            throw failure;
        }
        // Outside a transaction this ends the read at once: an open one would
        // hold up the checkpoints that keep the write-ahead log short.
        sqlite3_reset(lookup);
        return copy;
    }

    int UserVersion() const {
        const Statement read = Prepare("PRAGMA user_version");
        const int stepped = sqlite3_step(read.get());
        if (stepped != SQLITE_ROW) {
            throw Failure(stepped);
        }
        const int version = sqlite3_column_int(read.get(), 0);
        if (version > kSchemaVersion) {
            throw ImportMemoryError(Named(Path) +
                                    " was written by a newer Quenby: use that one, or move the "
                                    "file away, and this Quenby starts a new memory");
        }
        return version;
    }

    // WAL lets one run look up while another commits. Switching to it needs
    // the database to itself, and SQLite does not wait for that as it waits
    // for a lock (two runs that create the memory at once), so this does.
    void SwitchToWal() const {
        constexpr int kRetryMs = 5;
        for (int waited = 0;; waited += kRetryMs) {
            const int done =
                sqlite3_exec(Db.get(), "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
            if (done == SQLITE_OK) {
                return;
            }
            if ((done & 0xff) != SQLITE_BUSY || waited >= kBusyTimeoutMs) {
                throw Failure(done);
            }
            sqlite3_sleep(kRetryMs);
        }
    }

    // Writes begin with "BEGIN IMMEDIATE", which takes the write lock at
    // once, so that two runs queue at the start (where the busy timeout
    // waits) rather than one of them failing halfway when it finds the other
    // has written meanwhile. Reads begin with "BEGIN", which takes no lock
    // before the first look-up, and that waits as any read does.
    template <typename Body>
    void InTransaction(const char* begin, Body body) {
        Exec(begin);
        try {
            body();
            Exec("COMMIT");
        } catch (...) {
            // SQLite may have rolled back by itself already (after an I/O error).
            if (sqlite3_get_autocommit(Db.get()) == 0) {
                sqlite3_exec(Db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            }
            throw;
        }
    }
};

std::string DefaultImportMemoryPath() {
    const std::string data = GetSpecialFolder(CSIDL_LOCAL_APPDATA);
    if (data.empty()) {
        throw ImportMemoryError(
            "there is no folder for the memory of imported photos: the system names no data "
            "folder for this user (is HOME set?)");
    }
    return data + kMakerFolder + platform::kPathSeparator + "quenby" + platform::kPathSeparator +
           "imported.sqlite";
}

ImportMemory::ImportMemory(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)) {}

ImportMemory::ImportMemory(ImportMemory&& other) noexcept = default;
ImportMemory& ImportMemory::operator=(ImportMemory&& other) noexcept = default;
ImportMemory::~ImportMemory() = default;

ImportMemory ImportMemory::Open(const std::string& path) {
    auto c = std::make_unique<Connection>();
    c->Path = path;
    const std::string folder = FolderOf(path);
    // Two runs that start at once both make the folders; the one that
    // finds a folder made meanwhile tries again.
    bool folderReady = folder.empty();
    for (int attempt = 0; attempt < 3 && !folderReady; ++attempt) {
        folderReady = ForceFolders(folder) || platform::FolderExists(folder);
    }
    if (!folderReady) {
        throw ImportMemoryError(Named(path) + " cannot be made in " + folder +
                                ", which cannot be created: allow writing to the folder above it");
    }
    sqlite3* db = nullptr;
    // Without SQLite's own locks: each connection serves one thread.
    const int opened =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    c->Db.reset(db);
    if (opened != SQLITE_OK) {
        throw c->Failure(opened);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // The header is read first, so that a damaged or newer file is named
    // for what it is even when it is read-only too.
    const int version = c->UserVersion();
    // SQLite falls back to reading alone when it may not write; a memory
    // that cannot record would let a run delete sources it never recorded.
    if (sqlite3_db_readonly(db, "main") == 1) {
        throw c->Failure(SQLITE_READONLY);
    }
    // A power cut may take the last commits with it (synchronous=NORMAL),
    // never the database: a lost record costs at most a second copy of its
    // photo.
    c->SwitchToWal();
    c->Exec("PRAGMA synchronous = NORMAL");
    if (version < kSchemaVersion) {
        Connection& made = *c;
        made.InTransaction("BEGIN IMMEDIATE", [&made] {
            // Another run may have made it while this one waited for the lock.
            if (made.UserVersion() == 0) {
                made.Exec(kCreateTable);
                made.Exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
            }
        });
    }
    c->Lookup = c->Prepare(kLookup);
    c->Insert = c->Prepare(kInsert);
    c->Forget = c->Prepare(kForget);
    return ImportMemory(std::move(c));
}

const std::string& ImportMemory::Path() const {
    return m_connection->Path;
}

std::optional<std::string> ImportMemory::ImportedCopy(const std::string& targetRoot,
                                                      const std::string& name, std::uint64_t size,
                                                      std::uint64_t lastWriteTime) {
    return m_connection->Find(targetRoot, {name, size, lastWriteTime});
}

void ImportMemory::Record(const std::string& targetRoot, const std::string& name,
                          std::uint64_t size, std::uint64_t lastWriteTime,
                          const std::string& copyRelativePath) {
    m_connection->Queue.push_back({targetRoot, name, size, lastWriteTime, copyRelativePath});
}

std::size_t ImportMemory::Queued() const {
    return m_connection->Queue.size();
}

void ImportMemory::Commit() {
    Connection& c = *m_connection;
    if (c.Queue.empty()) {
        return;
    }
    c.InTransaction("BEGIN IMMEDIATE", [&c] {
        sqlite3_stmt* insert = c.Insert.get();
        for (const Entry& entry : c.Queue) {
            sqlite3_bind_text(insert, 1, entry.Target.data(), static_cast<int>(entry.Target.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, entry.Name.data(), static_cast<int>(entry.Name.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(insert, 3, Stored(entry.Size));
            sqlite3_bind_int64(insert, 4, Stored(entry.LastWriteTime));
            sqlite3_bind_text(insert, 5, entry.Copy.data(), static_cast<int>(entry.Copy.size()),
                              SQLITE_STATIC);
            c.Run(insert);
        }
    });
    c.Queue.clear();
}

std::int64_t ImportMemory::Forget(const std::string& targetRoot) {
    Connection& c = *m_connection;
    sqlite3_stmt* forget = c.Forget.get();
    sqlite3_bind_text(forget, 1, targetRoot.data(), static_cast<int>(targetRoot.size()),
                      SQLITE_STATIC);
    c.Run(forget);
    std::erase_if(c.Queue,
                  [&targetRoot](const Entry& entry) { return entry.Target == targetRoot; });
    return sqlite3_changes64(c.Db.get());
}

}  // namespace quenby
