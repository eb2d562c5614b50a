#include <memory>

#include "common/text.h"
#include "definitions/codec.h"
#include "definitions/definition_lines.h"
#include "definitions/definition_reach.h"
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

// Replaces every occurrence of `find` (not empty) in `s`, left to right, as
// text::Replace does, reusing the room of `s` and `scratch`.
void ReplaceIn(std::string& s, std::string_view find, std::string_view with, std::string& scratch) {
    size_t pos = s.find(find);
    if (pos == std::string::npos) {
        return;
    }
    scratch.clear();
    size_t start = 0;
    for (; pos != std::string::npos; start = pos + find.size(), pos = s.find(find, start)) {
        scratch.append(s, start, pos - start).append(with);
    }
    scratch.append(s, start, std::string::npos);
    s.swap(scratch);
}

// The company name of a file, read as GetCompanyName reads it.
std::string CompanyNameOf(platform::LookupBatch& files, std::string_view path) {
    std::unique_ptr<platform::ByteReader> reader = files.OpenRead(path);
    return reader ? CompanyNameFromReader(*reader) : std::string();
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
    LabelTally traces(c.lbltracesFound);
    // Every file is looked up once and a present one read once, through one
    // batch that lists each folder once for the whole phase.
    const std::unique_ptr<platform::LookupBatch> files = fs.StartLookupBatch();
    // No definition reaches beyond the machine: a path through a drive that
    // maps the host's root, a share, a device or ".." is passed over.
    const std::string hostRootDrives = fs.HostRootDrives();
    std::size_t lineNumber = 0;
    std::string line;
    std::string path;
    std::string status;
    std::string foundText;
    // The last folder text and what it gave; scratch for the replacing.
    std::string lastFolder, folder, scratch;
    bool haveFolder = false;
    while (!ctx.session.StopRequested && reader->Next(line)) {
        ++lineNumber;
        definitions::DecodeInPlace(line);
        const definitions::FileDefinitionLine def = definitions::SplitFileDefinition(line);
        if (def.hasFolder) {
            if (!haveFolder || def.folder != lastFolder) {
                folder.assign(def.folder);
                ReplaceIn(folder, "[pfiles]", programFiles, scratch);
                ReplaceIn(folder, "[Drive]", driveRoot, scratch);
                ReplaceIn(folder, "[dDir]", desktop, scratch);
                ReplaceIn(folder, "[wDir]", windows, scratch);
                definitions::CollapseBackslashes(folder);
                lastFolder.assign(def.folder);
                haveFolder = true;
            }
            path.assign(folder).append(1, '\\').append(def.fileName);
        } else {
            path.assign(systemFolder).append(def.fileName);
        }
        definitions::CollapseBackslashes(path);

        ++n.FilesFoldersInspected;
        if (ScanProgressDue(ctx)) {
            traces.Show();
            status.assign(ctx.session.StatusPrefix).append(text::kCrLf).append(def.fileName);
            RefreshScanProgress(ctx, MaskWords(status),
                                PercentOf(n.FilesFoldersInspected, counts.file),
                                PercentOf(n.FilesFoldersInspected + otherLines, counts.total));
        }
        if (ctx.session.StopRequested) {
            break;
        }
        if (auto why = definitions::FilePathRefusal(path, hostRootDrives)) {
            if (ctx.onPassedOver) {
                ctx.onPassedOver(definitions::Kind::kFile, lineNumber, *why + ": " + path);
            }
            ctx.host.DoEvents();
            continue;
        }
        // The Exclude button stores the file's full path, so a path entry
        // excludes the file as well as an entry naming the file itself.
        if (!ctx.exclusions.IsExcludedEntry(def.fileName) &&
            !ctx.exclusions.IsExcludedEntry(path)) {
            if (!files->LookupFile(path)) {
                c.lvwFileNotFounds.Add(def.fileName, 0, {def.spywareName});
            } else if (!text::EqualsNoCase(text::TrimView(CompanyNameOf(*files, path)),
                                           kMicrosoftCorporation)) {
                c.lvwFilesToBeDeleted.Add(path, 0, {def.spywareName});
                traces.Add();
                foundText.assign(def.spywareName).append(kFoundSuffix);
                if (!found.HasPrefix(foundText)) {
                    c.lvwSpywareFound.Add(foundText, kIconFile);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(std::string(def.spywareName),
                                                                       kIconFile, {path});
                    ++n.SpywareFound;
                }
            }
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
