#include "common/text.h"
#include "definitions/codec.h"
#include "scan/found_rows.h"
#include "scan/scanners.h"

namespace quellon::scan {
namespace {

std::string WithBackslash(std::string s) {
    if (s.empty() || s.back() != '\\') {
        s += '\\';
    }
    return s;
}

struct KnownFileLine {
    std::string_view fileName;
    std::string_view spywareName;
    bool hasFolder = false;
    std::string_view folder;
};

// file name "=" spyware name [ "|" folder ]
KnownFileLine SplitLine(std::string_view line) {
    KnownFileLine out;
    const size_t bar = line.find('|');
    const std::string_view before = line.substr(0, bar);
    if (bar != std::string_view::npos) {
        out.hasFolder = true;
        out.folder = line.substr(bar + 1);
    }
    const size_t eq = before.find('=');
    out.fileName = before.substr(0, eq);
    if (eq != std::string_view::npos) {
        const size_t next = before.find('=', eq + 1);
        out.spywareName = before.substr(
            eq + 1, next == std::string_view::npos ? std::string_view::npos : next - eq - 1);
    }
    return out;
}

// Turns every pair of backslashes into one, in place and left to right, as a
// plain replace does.
void CollapseBackslashes(std::string& s) {
    size_t out = 0;
    for (size_t i = 0; i < s.size(); ++i, ++out) {
        s[out] = s[i];
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            ++i;
        }
    }
    s.resize(out);
}

// A sub-item list of one text, built without the copy an initializer list makes.
std::vector<std::string> OneSubItem(std::string_view text) {
    std::vector<std::string> items;
    items.reserve(1);
    items.emplace_back(text);
    return items;
}

}  // namespace

void ScanKnownFiles(ScanContext& ctx) {
    auto& fs = ctx.platform.files;
    auto& shell = ctx.platform.shell;
    auto& c = ctx.controls;
    auto& n = ctx.session.counters;
    const auto& counts = ctx.definitions.Counts();

    const std::string systemFolder = WithBackslash(shell.SystemDirectory());
    const std::string programs =
        WithBackslash(shell.SpecialFolder(platform::kCsidlPrograms).value_or(""));
    const std::string driveRoot = programs.substr(0, 3);
    const std::string programFiles = driveRoot + "Program Files\\";
    const std::string desktop =
        WithBackslash(shell.SpecialFolder(platform::kCsidlDesktopDirectory).value_or(""));
    const std::string windows = WithBackslash(shell.WindowsDirectory());

    const std::string definitionPath = ctx.definitions.PathOf(definitions::Kind::kFile);
    if (!definitions::FileExists(fs, definitionPath)) {
        return;
    }
    auto reader = ctx.definitions.Open(definitions::Kind::kFile);
    if (!reader) {
        return;
    }
    const std::int64_t otherLines = std::int64_t{counts.registry} + counts.cookie + counts.exe;
    FoundRows found(c.lvwSpywareFound);
    std::string line;
    std::string path;
    std::string status;
    std::string foundText;
    // Lines of one program share their folder: the last one is kept worked out.
    std::string lastFolder, lastFolderDone;
    bool haveFolder = false;
    while (!ctx.session.StopRequested && reader->Next(line)) {
        definitions::DecodeInPlace(line);
        const KnownFileLine def = SplitLine(line);
        if (def.hasFolder) {
            if (!haveFolder || def.folder != lastFolder) {
                std::string folder = text::Replace(def.folder, "[pfiles]", programFiles);
                folder = text::Replace(folder, "[Drive]", driveRoot);
                folder = text::Replace(folder, "[dDir]", desktop);
                folder = text::Replace(folder, "[wDir]", windows);
                CollapseBackslashes(folder);
                lastFolder.assign(def.folder);
                lastFolderDone = std::move(folder);
                haveFolder = true;
            }
            path.assign(lastFolderDone).append(1, '\\').append(def.fileName);
        } else {
            path.assign(systemFolder).append(def.fileName);
        }
        CollapseBackslashes(path);

        ++n.FilesFoldersInspected;
        if (ScanProgressDue(ctx)) {
            status.assign(ctx.session.StatusPrefix).append(text::kCrLf).append(def.fileName);
            RefreshScanProgress(ctx, MaskWords(status),
                                PercentOf(n.FilesFoldersInspected, counts.file),
                                PercentOf(n.FilesFoldersInspected + otherLines, counts.total));
        }
        if (ctx.session.StopRequested) {
            break;
        }
        // The Exclude button stores the file's full path, so a path entry
        // excludes the file as well as an entry naming the file itself.
        if (!ctx.exclusions.IsExcludedEntry(def.fileName) &&
            !ctx.exclusions.IsExcludedEntry(path)) {
            if (!fs.LookupFile(path)) {
                c.lvwFileNotFounds.Add(std::string(def.fileName), 0, OneSubItem(def.spywareName));
            } else if (!text::EqualsNoCase(text::TrimView(GetCompanyName(fs, path)),
                                           kMicrosoftCorporation)) {
                c.lvwFilesToBeDeleted.Add(path, 0, OneSubItem(def.spywareName));
                IncrementLabel(c.lbltracesFound);
                foundText.assign(def.spywareName).append(kFoundSuffix);
                if (!found.HasPrefix(foundText)) {
                    c.lvwSpywareFound.Add(foundText, kIconFile);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(std::string(def.spywareName),
                                                                       kIconFile, OneSubItem(path));
                    ++n.SpywareFound;
                }
            }
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
