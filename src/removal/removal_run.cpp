#include "removal/removal_run.h"

#include "common/convert.h"
#include "common/text.h"
#include "definitions/definition_reach.h"
#include "definitions/definition_set.h"

namespace quellon::removal {
namespace {

// The text after the last "." (the whole path when there is none), upper-cased.
std::string Extension(std::string_view path) {
    const size_t dot = path.rfind('.');
    return text::Upper(dot == std::string_view::npos ? path : path.substr(dot + 1));
}

// True when the value was there and is gone.
bool DeleteRegistryValue(platform::Registry& reg, platform::Hive hive, std::string_view subKey,
                         std::string_view valueName) {
    const platform::RegKey key = reg.OpenKey(hive, subKey, platform::kKeyAllAccessMask63);
    if (key == 0) {
        return false;
    }
    const bool deleted = reg.DeleteValue(key, valueName);
    reg.CloseKey(key);
    return deleted;
}

// Whether the registry still holds a row's item: its value, or with a
// blank value name its key.
bool RegistryItemRemains(platform::Registry& reg, platform::Hive hive, std::string_view subKey,
                         std::string_view valueName) {
    const platform::RegKey key = reg.OpenKey(hive, subKey, platform::kKeyAllAccessMask63);
    if (key == 0) {
        return false;
    }
    const bool remains = valueName.empty() || reg.QueryValue(key, valueName).has_value();
    reg.CloseKey(key);
    return remains;
}

// Clears the ticks of a registry row that stays and of its removal-list row
// (the first whose text is `spyware`), and only those: the removal row's
// other action rows keep theirs. `subKey` and `valueName` tell whether row
// n - 1 is still the row the pass took up.
void KeepRow(RemovalContext& ctx, size_t n, std::string_view subKey, std::string_view valueName,
             std::string_view spyware) {
    auto& rows = ctx.lvwRegistryToBeDeleted;
    auto& removal = ctx.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    for (size_t i = 0; i < removal.Count(); ++i) {
        if (removal.Item(i).text == spyware) {
            removal.SetCheckedWithoutEvent(i, false);
            if (n - 1 < rows.Count() && text::TrimView(rows.Item(n - 1).SubItemView(1)) == subKey &&
                text::TrimView(rows.Item(n - 1).SubItemView(2)) == valueName) {
                rows.SetCheckedWithoutEvent(n - 1, false);
            }
            break;
        }
    }
}

// Whether row n - 1 of a list is still the row a loop took up: the events a
// pass lets run may change the lists under it (Exclude drops rows), and a
// row that moved or went is not touched again.
bool SameRow(const ui::ActionList& list, size_t n, std::string_view text) {
    return n - 1 < list.Count() && list.Item(n - 1).text == text;
}

// Clears the tick of the first removal-list row named `spyware` and of
// action row n - 1 of `rows` when it is still the row `text` names.
void Untick(RemovalContext& ctx, ui::ActionList& rows, size_t n, std::string_view text,
            std::string_view spyware) {
    auto& removal = ctx.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    for (size_t i = 0; i < removal.Count(); ++i) {
        if (removal.Item(i).text == spyware) {
            removal.SetCheckedWithoutEvent(i, false);
            break;
        }
    }
    if (n - 1 < rows.Count() && rows.Item(n - 1).text == text) {
        rows.SetCheckedWithoutEvent(n - 1, false);
    }
}

void RemoveFiles(RemovalContext& ctx, bool secondPass, bool& problems) {
    auto& files = ctx.lvwFilesToBeDeleted;
    auto& q = ctx.quarantine;
    const size_t count = files.Count();
    // A row names what a definition named: a path beyond the machine (a
    // drive mapping the host's root, a share, a device, "..") is never
    // quarantined nor deleted, whatever put it in the list.
    const std::string hostRootDrives = ctx.platform.files.HostRootDrives();
    for (size_t n = 1; n <= count && n <= files.Count(); ++n) {
        if (!files.Item(n - 1).checked) {
            continue;
        }
        const std::string path(files.Item(n - 1).text);
        const std::string spyware = files.Item(n - 1).SubItem(1);
        ctx.pgbDeleteSpywaresFound.SetValue(static_cast<double>(n));
        ctx.lblDeletingPercentageCompleted.SetCaption(RemovingText(n, count));
        ctx.lblDeletingCaption.SetCaption(text::Lower(path));
        if (const auto why = definitions::FilePathRefusal(path, hostRootDrives)) {
            if (secondPass) {
                ctx.frmDelete.lstProblem.Add(path + " - not removed: " + *why);
                problems = true;
                Untick(ctx, files, n, path, spyware);
            }
            continue;
        }
        const std::string ext = Extension(path);
        if (ext == "DLL" || ext == "OCX") {
            q.CallDllRegistration(0, path, false);
            q.QuarantineLibrary(path, 0);
            q.QuarantineFile(path);
        } else if (ext == "EXE") {
            q.QuarantineExecutable(path);
        } else {
            q.QuarantineFile(path);
        }
        ctx.host.DoEvents();
        if (!secondPass) {
            continue;
        }
        auto& fs = ctx.platform.files;
        if (definitions::FileExists(fs, path) &&
            text::FindNoCase(path, ".exe") != std::string::npos) {
            q.QuarantineExecutable(path);
        }
        if (definitions::FileExists(fs, path)) {
            ctx.frmDelete.lstProblem.Add(path);
            problems = true;
            // Only this file's row and its removal row lose their ticks: the
            // removal row's other action rows keep theirs, so the spyware's
            // other files are still tried and listed, and those removed leave
            // the lists.
            auto& removal = ctx.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
            for (size_t i = 0; i < removal.Count(); ++i) {
                if (removal.Item(i).text == spyware) {
                    removal.SetCheckedWithoutEvent(i, false);
                    if (SameRow(files, n, path)) {
                        files.SetCheckedWithoutEvent(n - 1, false);
                    }
                    break;
                }
            }
        }
    }
}

void RemoveRegistryEntries(RemovalContext& ctx, size_t fileRows, bool secondPass, bool& problems) {
    auto& rows = ctx.lvwRegistryToBeDeleted;
    auto& reg = ctx.platform.registry;
    auto& q = ctx.quarantine;
    const size_t count = rows.Count();
    for (size_t n = 1; n <= count && n <= rows.Count(); ++n) {
        const ui::ListRow row = rows.Item(n - 1);
        if (!row.checked) {
            continue;
        }
        const std::string subKey = text::Trim(row.SubItem(1));
        const std::string valueName = text::Trim(row.SubItem(2));
        const std::string spyware = row.SubItem(3).empty() ? row.SubItem(1) : row.SubItem(3);
        const auto hive = static_cast<platform::Hive>(
            static_cast<std::int32_t>(convert::ToNumber(text::TrimView(row.text), 0)));
        ctx.pgbDeleteSpywaresFound.SetValue(static_cast<double>(n + fileRows));
        ctx.lblDeletingPercentageCompleted.SetCaption(RemovingText(n, count));
        ctx.lblDeletingCaption.SetCaption(text::Lower(row.SubItem(1) + "\\" + row.SubItem(2)));

        std::string namedKey(platform::HiveName(hive));
        namedKey.append(1, '\\').append(subKey);
        // A protected key is never deleted whole (its values may be).
        if (const auto why = definitions::RegistryEntryRefusal(hive, subKey, valueName)) {
            if (secondPass) {
                ctx.frmDelete.lstProblem.Add(namedKey + " - not removed: " + *why);
                problems = true;
                KeepRow(ctx, n, subKey, valueName, spyware);
            }
            continue;
        }
        reg.TakeFailureNote();  // a note belongs to this row's changes only
        // Only what was really removed is logged.
        if (DeleteRegistryValue(reg, hive, subKey, valueName)) {
            q.LogRemovedRegistryEntry(namedKey, valueName);
        }
        if (valueName.empty() && reg.DeleteKeyTree(hive, subKey)) {
            q.LogRemovedRegistryEntry(
                text::ToDecimal(static_cast<std::int32_t>(hive)) + "\\" + subKey, "All Values");
        }
        ctx.host.DoEvents();
        // What survived the second pass is listed as a problem, with the
        // backend's note on why, and its rows stay.
        if (secondPass && RegistryItemRemains(reg, hive, subKey, valueName)) {
            std::string problem = namedKey;
            if (!valueName.empty()) {
                problem.append(1, '\\').append(valueName);
            }
            if (const std::string note = reg.TakeFailureNote(); !note.empty()) {
                problem += " - " + note;
            }
            ctx.frmDelete.lstProblem.Add(problem);
            problems = true;
            KeepRow(ctx, n, subKey, valueName, spyware);
        }
    }
}

void RemoveCookies(RemovalContext& ctx) {
    auto& rows = ctx.lvwCookiesToDelete;
    const size_t count = rows.Count();
    for (size_t n = 1; n <= count && n <= rows.Count(); ++n) {
        if (!rows.Item(n - 1).checked) {
            continue;
        }
        const std::string path(rows.Item(n - 1).text);
        ctx.lblDeletingPercentageCompleted.SetCaption(RemovingText(n, count));
        ctx.lblDeletingCaption.SetCaption(text::Lower(path));
        if (definitions::FileExists(ctx.platform.files, path)) {
            ctx.quarantine.QuarantineCookie(path);
        }
        ctx.host.DoEvents();
    }
}

}  // namespace

std::string RemovingText(size_t n, size_t count) {
    const auto percent = convert::Percent(static_cast<double>(n), static_cast<double>(count));
    return "Removing : " + text::ToDecimal(percent.value_or(0)) + "% Completed.";
}

void RemoveCheckedItems(RemovalContext& ctx) {
    if (ctx.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Count() != 0) {
        ctx.pgbDeleteSpywaresFound.SetVisible(true);
        ctx.lblDeletingPercentageCompleted.SetVisible(true);
        ctx.lblDeletingPercentageCompleted.SetCaption("Removing : 0% Completed.");
        ctx.pgbDeleteSpywaresFound.SetValue(0);
        ctx.pgbDeleteSpywaresFound.SetMax(
            static_cast<int>(ctx.lvwFilesToBeDeleted.Count() + ctx.lvwRegistryToBeDeleted.Count()));
    }
    const bool secondPass = !ctx.quarantine.FirstRemovalPass;
    bool problems = false;
    const size_t fileRows = ctx.lvwFilesToBeDeleted.Count();
    RemoveFiles(ctx, secondPass, problems);
    RemoveRegistryEntries(ctx, fileRows, secondPass, problems);
    RemoveCookies(ctx);
    if (problems) {
        ctx.frmDelete.Show();
    }
}

}  // namespace quellon::removal
