#include "cli/commandline.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <utility>

#include "cli/settingsoptions.h"
#include "platform/files/folderexists.h"
#include "quenby_version.h"
#include "sorting/datenaming.h"

namespace quenby::cli {
namespace {

constexpr const char* kSeparators[] = {"-", ".", "_", "=", "~", "#"};
constexpr const char* kDateFromFile = "file";
constexpr const char* kDateFromCapture = "capture";
constexpr const char* kClashSkip = "skip";
constexpr const char* kClashKeepBoth = "keep-both";

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

std::string NotEmpty(const std::string& value) {
    return value.empty() ? std::string("the value must not be empty") : std::string();
}

// CLI11 reads "--target=" as a bare "--target" and takes the next argument
// as its value, so `--target="$DEST"` with an empty DEST would make a source
// folder the target; and "--settings" may stand alone, so an empty value
// given to it would quietly mean the default file. The option given an
// empty value in one of these spellings, or nothing.
std::string OptionWithEmptyValue(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            break;
        }
        const std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos &&
            equals + 1 == argument.size()) {
            return argument.substr(0, equals);
        }
        if (argument == "--settings" && i + 1 < arguments.size() && arguments[i + 1].empty()) {
            return argument;
        }
    }
    return {};
}

// A blank at either end of a pattern is part of it, as in the window, so
// "*.jpg; *.avi" matches only .avi files whose names begin with a blank.
std::string BlankEdgedPatterns(const std::string& mask) {
    std::string listed;
    for (const std::string& pattern : SplitMask(mask)) {
        if (!pattern.empty() && (pattern.front() == ' ' || pattern.front() == '\t' ||
                                 pattern.back() == ' ' || pattern.back() == '\t')) {
            listed += (listed.empty() ? "\"" : ", \"") + pattern + "\"";
        }
    }
    return listed;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments) {
    CLI::App app{
        "Copies photos and videos from the source folders into one folder per day "
        "below the target folder.",
        "quenby-sort"};
    // CLI11 reads "/x" as an option on Windows; there it is a folder on the
    // current drive, and options are written the same on every system.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("quenby-sort ") + QUENBY_VERSION_TEXT);
    app.footer(
        "Examples:\n"
        "  quenby-sort --date-from capture -t ~/Pictures/Sorted /media/card/DCIM\n"
        "      files the card's photos and videos by the day they were taken.\n"
        "  quenby-sort --dry-run --delete -t ~/Pictures/Sorted /media/card/DCIM\n"
        "      lists what that run would copy and delete, and changes nothing.\n"
        "  quenby-sort --verify --delete -t ~/Pictures/Sorted /media/card/DCIM\n"
        "      deletes a photo from the card only once its copy was read back intact.\n"
        "  quenby-sort --on-clash keep-both -t ~/Pictures/Sorted /media/cardA /media/cardB\n"
        "      keeps both of two different IMG_0001.JPG of one day, the second as\n"
        "      IMG_0001-2.JPG.");

    CommandLine command;
    SortOptions& options = command.Options;
    std::string separator = "-";
    std::string dateFrom = kDateFromFile;
    std::string onClash = kClashSkip;
    std::string settingsFile;
    // Without --settings the sources and the target are required; with it
    // they may come from the file, so the check waits until after parsing.
    CLI::Option* sourceOption = app.add_option("SOURCE", options.SourceFolders,
                                               "Source folders, walked with all sub-folders");
    CLI::Option* targetOption =
        app.add_option("-t,--target", options.TargetRoot,
                       "Target folder (required unless --settings gives one)")
            ->check(NotEmpty);
    CLI::Option* maskOption =
        app.add_option("-m,--mask", options.MaskText, "Patterns separated by \";\"")
            ->check(NotEmpty)
            ->capture_default_str();
    CLI::Option* layoutOption = app.add_option("-l,--layout", options.LayoutIndex,
                                               "0 yyyy-mm-dd, 1 yyyy-m-d, 2 dd-mm-yyyy, 3 d-m-yyyy")
                                    ->check(CLI::Range(0, 3))
                                    ->capture_default_str();
    CLI::Option* separatorOption = app.add_option("-s,--separator", separator, "One of - . _ = ~ #")
                                       ->check(CLI::IsMember(std::vector<std::string>(
                                           std::begin(kSeparators), std::end(kSeparators))))
                                       ->capture_default_str();
    CLI::Option* prefixOption =
        app.add_option("--prefix", options.Prefix, "Text before the date in renamed copies")
            ->check(NotEmpty);
    CLI::Option* suffixOption =
        app.add_option("--suffix", options.Suffix, "Text after the date in renamed copies")
            ->check(NotEmpty);
    CLI::Option* renameOption =
        app.add_flag("--rename", options.RenameFiles, "Name each copy prefix + date + suffix");
    CLI::Option* deleteOption =
        app.add_flag("--delete", options.DeleteSources,
                     "Delete each source once its copy is safely on disk; a photo protected in "
                     "the camera stays, except on FAT and exFAT drives read through their FUSE "
                     "drivers (exfat-fuse, fusefat), which do not show that protection");
    CLI::Option* dateFromOption =
        app.add_option("--date-from", dateFrom,
                       "Each file's day: \"file\", its last-write time, or \"capture\", the "
                       "moment stored in the photo or video (a file without one keeps its "
                       "last-write time)")
            ->check(CLI::IsMember({kDateFromFile, kDateFromCapture}))
            ->capture_default_str();
    CLI::Option* settingsOption =
        app.add_option("--settings", settingsFile,
                       "Take the options from the window program's settings file (default " +
                           DefaultSettingsFile() + "); options given here win")
            ->expected(0, 1)
            ->type_name("[FILE]");
    app.add_flag("-n,--dry-run", options.DryRun,
                 "Print what the run would do, ending with \"N of M files would be copied\"; "
                 "nothing is created, copied or deleted");
    CLI::Option* verifyOption =
        app.add_flag("--verify", options.VerifyCopies,
                     "Read each copy back from the disk and compare it with its source; a copy "
                     "that differs is removed and its source kept");
    CLI::Option* onClashOption =
        app.add_option("--on-clash", onClash,
                       "When a copy's name is taken by a different file: \"skip\" the file, or "
                       "\"keep-both\", the copy taking NAME-2.EXT, NAME-3.EXT, ...")
            ->check(CLI::IsMember({kClashSkip, kClashKeepBoth}))
            ->capture_default_str();
    CLI::Option* onlyNewOption = app.add_flag(
        "--only-new", options.OnlyNew,
        "Copy only files not imported into this target before: the run remembers each file "
        "(name, size, time) once its copy is on the disk; --delete removes a file imported "
        "before only while its copy is still in the target");
    CLI::Option* forgetOption =
        app.add_flag("--forget-imported", command.ForgetImported,
                     "Forget what was imported into the target given with -t, and run nothing");
    app.add_flag("-q,--quiet", command.Quiet, "No progress display");

    ParseOutcome outcome;
    if (const std::string option = OptionWithEmptyValue(arguments); !option.empty()) {
        outcome.ExitCode = kExitUsage;
        outcome.Error = "quenby-sort: " + option + ": the value must not be empty (see --help)\n";
        return outcome;
    }
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        outcome.Output = app.help();
        return outcome;
    } catch (const CLI::CallForAllHelp&) {
        outcome.Output = app.help("", CLI::AppFormatMode::All);
        return outcome;
    } catch (const CLI::CallForVersion& version) {
        outcome.Output = std::string(version.what()) + "\n";
        return outcome;
    } catch (const CLI::ParseError& error) {
        outcome.ExitCode = kExitUsage;
        outcome.Error = "quenby-sort: " + OneLine(error.what()) + " (see --help)\n";
        return outcome;
    }

    auto usageError = [&outcome](const std::string& text) {
        outcome.ExitCode = kExitUsage;
        outcome.Error = "quenby-sort: " + text + " (see --help)\n";
        return outcome;
    };
    if (forgetOption->count() > 0) {
        if (targetOption->count() == 0 || sourceOption->count() > 0 ||
            settingsOption->count() > 0) {
            return usageError("--forget-imported takes the target with -t and nothing else");
        }
        outcome.Run = std::move(command);
        return outcome;
    }
    if (settingsOption->count() > 0) {
        SortOptions fromFile;
        std::string error;
        const std::string path = settingsFile.empty() ? DefaultSettingsFile() : settingsFile;
        if (!ReadSortOptionsFromSettings(path, fromFile, error)) {
            return usageError(error);
        }
        auto take = [](const CLI::Option* given, auto& value, const auto& stored) {
            if (given->count() == 0) {
                value = stored;
            }
        };
        take(sourceOption, options.SourceFolders, fromFile.SourceFolders);
        take(targetOption, options.TargetRoot, fromFile.TargetRoot);
        take(maskOption, options.MaskText, fromFile.MaskText);
        take(layoutOption, options.LayoutIndex, fromFile.LayoutIndex);
        if (fromFile.SeparatorIndex >= 0) {
            take(separatorOption, separator, std::string(kSeparators[fromFile.SeparatorIndex]));
        }
        take(prefixOption, options.Prefix, fromFile.Prefix);
        take(suffixOption, options.Suffix, fromFile.Suffix);
        take(renameOption, options.RenameFiles, fromFile.RenameFiles);
        take(deleteOption, options.DeleteSources, fromFile.DeleteSources);
        take(dateFromOption, dateFrom,
             std::string(fromFile.DateFrom == DateSource::CaptureDate ? kDateFromCapture
                                                                      : kDateFromFile));
        take(verifyOption, options.VerifyCopies, fromFile.VerifyCopies);
        take(onlyNewOption, options.OnlyNew, fromFile.OnlyNew);
        take(
            onClashOption, onClash,
            std::string(fromFile.OnNameClash == NameClash::KeepBoth ? kClashKeepBoth : kClashSkip));
        if (options.SourceFolders.empty()) {
            return usageError("no source folder: " + path +
                              " lists none that exists and none is given");
        }
        if (options.TargetRoot.empty()) {
            return usageError("no target folder: " + path +
                              " names none and --target is not given");
        }
    } else if (sourceOption->count() == 0) {
        return usageError("SOURCE is required");
    } else if (targetOption->count() == 0) {
        return usageError("--target is required");
    }

    // Checked before anything is touched, so that a mistyped path stops the
    // run instead of making every file "could not copied".
    for (const std::string& source : options.SourceFolders) {
        if (!platform::FolderExists(source)) {
            return usageError("the source folder " + source + " does not exist or is no folder");
        }
    }
    if (!platform::FolderExists(options.TargetRoot)) {
        return usageError("the target folder " + options.TargetRoot +
                          " does not exist or is no folder");
    }
    // Copies are named prefix + date + suffix inside their day folder; a
    // path separator would put them elsewhere ("../../x_").
    if (options.RenameFiles) {
        for (const auto& [what, text] :
             {std::pair{"prefix", &options.Prefix}, std::pair{"suffix", &options.Suffix}}) {
            if (HoldsPathSeparator(*text)) {
                return usageError(std::string("the ") + what + " \"" + *text +
                                  "\" holds a path separator; it must stay part of a file name");
            }
        }
    }
    if (const std::string patterns = BlankEdgedPatterns(options.MaskText); !patterns.empty()) {
        outcome.Error = "quenby-sort: warning: the mask \"" + options.MaskText +
                        "\" has patterns that start or end with a blank (" + patterns +
                        "); they are used as written and probably miss files\n";
    }

    const auto chosen = std::find(std::begin(kSeparators), std::end(kSeparators), separator);
    options.SeparatorIndex = static_cast<int>(chosen - std::begin(kSeparators));
    options.SeparatorChar = SeparatorChoices[static_cast<std::size_t>(options.SeparatorIndex)];
    options.DateFrom =
        dateFrom == kDateFromCapture ? DateSource::CaptureDate : DateSource::LastWriteTime;
    options.OnNameClash = onClash == kClashKeepBoth ? NameClash::KeepBoth : NameClash::Skip;
    outcome.Run = std::move(command);
    return outcome;
}

}  // namespace quenby::cli
