#include "sorting/runeffects.h"

#include <utility>

#include "platform/files/namekey.h"
#include "platform/files/temporaryname.h"

namespace quenby {

bool TakeListing(const std::optional<platform::FolderListing>& listing, DayFolder& day) {
    if (!listing) {
        return false;
    }
    day.Listed = true;
    day.Files.reserve(listing->Size());
    bool leftovers = false;
    for (std::size_t i = 0; i < listing->Size(); ++i) {
        leftovers = leftovers || platform::IsTemporaryName(listing->Name(i));
        if (listing->Resolve(i) == platform::FolderListing::Resolved::File) {
            day.Files.insert(platform::FolderNameKey(listing->Name(i)));
        }
    }
    return leftovers;
}

std::int64_t CalendarDayKey(DateTimeValue date) {
    const CalendarDate day = DecodeDate(date);
    return (static_cast<std::int64_t>(day.Year) * 13 + day.Month) * 32 + day.Day;
}

std::string CopyName(const Suchrecord& record, const SortOptions& options,
                     const DateNamingSettings& naming) {
    return options.RenameFiles
               ? ComposeDateName(record.Datum, options.Prefix, options.Suffix, naming)
               : record.Onlyname;
}

DayFolder* RunEffects::Day(const std::string& name, const std::string& path,
                           std::optional<ListedDay> ahead, bool& created, std::string& failure) {
    created = false;
    if (const auto known = m_folders.find(path); known != m_folders.end()) {
        return &known->second;
    }
    std::optional<DayFolder> day = OpenDay(name, path, std::move(ahead), created, failure);
    if (!day) {
        return nullptr;
    }
    DayFolder& kept = m_folders.emplace(path, std::move(*day)).first->second;
    Keep(kept);
    return &kept;
}

}  // namespace quenby
