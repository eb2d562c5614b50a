#include "common/text.h"
#include "definitions/codec.h"
#include "scan/scanners.h"

namespace quellon::scan {

platform::Hive HiveFromDigit(std::string_view digit, std::string& currentHiveName) {
    static constexpr platform::Hive kHives[] = {
        platform::kHkeyClassesRoot, platform::kHkeyCurrentUser,   platform::kHkeyLocalMachine,
        platform::kHkeyUsers,       platform::kHkeyCurrentConfig, platform::kHkeyDynData,
    };
    const std::string_view d = text::TrimView(digit);
    if (d.size() != 1 || d[0] < '0' || d[0] > '5') {
        return 0;
    }
    const platform::Hive hive = kHives[d[0] - '0'];
    currentHiveName = std::string(platform::HiveName(hive));
    return hive;
}

bool RegistryKeyExists(platform::Registry& reg, platform::Hive hive, std::string_view subKey) {
    const platform::RegKey key = reg.OpenKey(hive, subKey, platform::kKeyAllAccessMask63);
    if (key == 0) {
        return false;
    }
    reg.CloseKey(key);
    return true;
}

bool RegistryValueExists(platform::Registry& reg, platform::Hive hive, std::string_view subKey,
                         std::string_view valueName) {
    const platform::RegKey key = reg.OpenKey(hive, subKey, platform::kKeyAllAccessMask63);
    if (key == 0) {
        return false;
    }
    const bool found = reg.QueryValue(key, valueName).has_value();
    reg.CloseKey(key);
    return found;
}

void ScanRegistry(ScanContext& ctx) {
    auto& c = ctx.controls;
    auto& n = ctx.session.counters;
    auto& reg = ctx.platform.registry;
    const auto& counts = ctx.definitions.Counts();
    if (!definitions::FileExists(ctx.platform.files,
                                 ctx.definitions.PathOf(definitions::Kind::kRegistry))) {
        return;
    }
    auto reader = ctx.definitions.Open(definitions::Kind::kRegistry);
    if (!reader) {
        return;
    }
    const std::int64_t doneLines = std::int64_t{counts.cookie} + counts.exe;
    std::string line;
    while (!ctx.session.StopRequested && reader->Next(line)) {
        definitions::DecodeInPlace(line);
        // hive digit "^" sub-key "^" value name "=" spyware name; the name
        // follows the last "=".
        const size_t eq = line.rfind('=');
        const std::string spyware = eq == std::string::npos
                                        ? std::string()
                                        : text::Trim(std::string_view(line).substr(eq + 1));
        const std::string entry = eq == std::string::npos ? std::string() : line.substr(0, eq);
        const auto pieces = text::Split(entry, "^");
        const std::string subKey = pieces.size() > 1 ? pieces[1] : std::string();
        const std::string valueName = pieces.size() > 2 ? pieces[2] : std::string();
        const platform::Hive hive = HiveFromDigit(pieces[0], ctx.session.currentHiveName);

        ++n.RegistryEntriesInspected;
        UpdateScanProgress(ctx, ctx.session.StatusPrefix, text::Lower(subKey + "\\" + valueName),
                           PercentOf(n.RegistryEntriesInspected, counts.registry),
                           PercentOf(n.RegistryEntriesInspected + doneLines, counts.total));

        const bool exists =
            hive != 0 && (valueName.empty() ? RegistryKeyExists(reg, hive, subKey)
                                            : RegistryValueExists(reg, hive, subKey, valueName));
        if (exists) {
            const std::string hiveText = text::ToDecimal(static_cast<std::int32_t>(hive));
            c.lvwRegistryToBeDeleted.Add(hiveText, 0, {subKey, valueName, spyware});
            IncrementLabel(c.lbltracesFound);
            const std::string location = ctx.session.currentHiveName + "\\" + subKey;
            if (!c.lvwSpywareFound.FindPrefix(spyware + std::string(kFoundSuffix))) {
                if (!spyware.empty()) {
                    c.lvwSpywareFound.Add(spyware + std::string(kFoundSuffix), kIconRegistry);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(spyware, kIconRegistry,
                                                                       {location});
                } else {
                    // A nameless entry is shown by its key; the removal row
                    // carries the sub-key so that ticking it reaches its action row.
                    c.lvwSpywareFound.Add("RegKey " + (valueName.empty() ? subKey : hiveText) +
                                              std::string(kFoundSuffix),
                                          kIconRegistry);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(subKey, kIconRegistry,
                                                                       {location});
                }
                ++n.SpywareFound;
            }
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
