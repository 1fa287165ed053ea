#include <utility>

#include "platform/files/folderexists.h"
#include "platform/files/namekey.h"
#include "platform/files/preview.h"
#include "sorting/runeffects.h"

namespace quenby {
namespace {

// What the steps of a run would come to, told from the folders' entries,
// their kinds and permissions, changing nothing and opening no file.
class ForetoldEffects final : public RunEffects {
public:
    void LookUpTaken(Suchrecord&) const override {}
    bool CanList() const override { return true; }

    std::optional<ListedDay> ListAhead(const std::string&, const std::string& path) const override {
        if (!platform::FolderExists(path)) {
            return std::nullopt;
        }
        ListedDay listed;
        listed.Leftovers = TakeListing(
            platform::FolderListing::Read(path, platform::FolderListing::Order::AsStored),
            listed.Day);
        if (!listed.Day.Listed) {
            return std::nullopt;
        }
        return listed;
    }

    platform::CopyResult Copy(const Suchrecord& record, DayFolder& day, const std::string& name,
                              const std::string& target) override {
        // What stands under a name that the run would first remove does not count.
        return platform::PreviewCopy(
            record.Dateiname, target,
            !day.Planned && !day.Leftovers.contains(platform::FolderNameKey(name)));
    }

    // A copy the run would make stands there from then on, as its source.
    void Copied(DayFolder& day, const std::string& key, const Suchrecord& record) override {
        day.PlannedCopies.emplace(key, record.Dateiname);
    }

    void TakenFile(const DayFolder& day, const std::string& key,
                   std::string& taken) const override {
        if (const auto planned = day.PlannedCopies.find(key); planned != day.PlannedCopies.end()) {
            taken = planned->second;
        }
    }

    std::optional<platform::FileFacts> TakenFacts(const DayFolder&, const std::string&,
                                                  const std::string& taken) const override {
        return platform::RegularFileFacts(taken);
    }

    std::optional<platform::FileFacts> Settled(const DayFolder&, const std::string&,
                                               platform::FileFacts facts) const override {
        return facts;
    }

    bool ReadsBytes() const override { return false; }

    platform::FileComparison CompareBytes(const std::string& source,
                                          const std::string& taken) const override {
        return platform::PreviewCompare(source, taken);
    }

    platform::DeleteResult Delete(const Suchrecord& record,
                                  const platform::FileIdentity&) override {
        return platform::PreviewDelete(record.Dateiname);
    }

    platform::FileStatus MakeCopiesDurable() override { return {}; }

    bool TargetStillThere(std::chrono::milliseconds) override { return true; }

private:
    std::optional<DayFolder> OpenDay(const std::string& name, const std::string& path,
                                     std::optional<ListedDay> ahead, bool& created,
                                     std::string& failure) override {
        DayFolder day;
        if (platform::FolderExists(path)) {
            bool leftovers = false;
            if (ahead) {
                day = std::move(ahead->Day);
                leftovers = ahead->Leftovers;
            } else {
                leftovers = TakeListing(
                    platform::FolderListing::Read(path, platform::FolderListing::Order::AsStored),
                    day);
            }
            if (leftovers) {
                for (const std::string& found : platform::FindLeftoverCopies(path)) {
                    day.Files.erase(platform::FolderNameKey(found));
                    day.Leftovers.insert(platform::FolderNameKey(found));
                }
            }
        } else if (const platform::FileStatus creatable = platform::PreviewCreateFolder(path)) {
            day.Listed = true;
            day.Planned = true;
            created = true;
        } else {
            failure = "cannot create folder " + path + ": " + creatable.Reason;
            return std::nullopt;
        }
        day.Name = name;
        day.Path = path;
        return day;
    }

    void Keep(DayFolder&) override {}
};

}  // namespace

std::unique_ptr<RunEffects> MakeForetoldEffects(const SortOptions&) {
    return std::make_unique<ForetoldEffects>();
}

}  // namespace quenby
