#include <array>
#include <charconv>
#include <string>
#include <utility>

#include "common/text.h"
#include "definitions/codec.h"
#include "definitions/definition_lines.h"
#include "definitions/definition_reach.h"
#include "scan/found_rows.h"
#include "scan/scanners.h"

namespace quellon::scan {

platform::Hive HiveFromDigit(std::string_view digit, std::string& currentHiveName) {
    const platform::Hive hive = definitions::HiveOfDigit(digit);
    if (hive == 0) {
        return 0;
    }
    const std::string_view name = platform::HiveName(hive);
    if (currentHiveName != name) {
        currentHiveName.assign(name);
    }
    return hive;
}

namespace {

// The hive's number as an action row shows it ("-2147483646"): the hives a
// digit names have theirs written once; any other is written into `buffer`.
std::string_view HiveNumberText(platform::Hive hive, char (&buffer)[16]) {
    static const std::array<std::pair<platform::Hive, std::string>, 6> kTexts = [] {
        std::array<std::pair<platform::Hive, std::string>, 6> texts;
        for (size_t i = 0; i < texts.size(); ++i) {
            const char digit = static_cast<char>('0' + i);
            const platform::Hive h = definitions::HiveOfDigit(std::string_view(&digit, 1));
            texts[i] = {h, std::to_string(static_cast<std::int32_t>(h))};
        }
        return texts;
    }();
    for (const auto& [known, text] : kTexts) {
        if (known == hive) {
            return text;
        }
    }
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int32_t>(hive)).ptr;
    return {buffer, static_cast<size_t>(end - buffer)};
}

}  // namespace

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
    FoundRows found(c.lvwSpywareFound);
    LabelTally traces(c.lbltracesFound);
    std::string line;
    std::string status;
    std::string foundText;
    std::string location;
    std::size_t lineNumber = 0;
    // Lines of one hive come together: its digit is read only when it
    // changes, and its name only when a found row shows it.
    std::string lastDigit;
    platform::Hive hive = 0;
    platform::Hive namedHive = 0;
    bool haveHive = false;
    char hiveNumber[16];
    while (!ctx.session.StopRequested && reader->Next(line)) {
        ++lineNumber;
        definitions::DecodeInPlace(line);
        const definitions::RegistryDefinitionLine def = definitions::SplitRegistryDefinition(line);
        const std::string_view spyware = def.spywareName;
        const std::string_view subKey = def.subKey;
        const std::string_view valueName = def.valueName;
        if (!haveHive || def.hiveDigit != lastDigit) {
            lastDigit.assign(def.hiveDigit);
            hive = definitions::HiveOfDigit(def.hiveDigit);
            haveHive = true;
        }

        ++n.RegistryEntriesInspected;
        if (ScanProgressDue(ctx)) {
            traces.Show();
            status.assign(ctx.session.StatusPrefix).append(text::kCrLf);
            const size_t from = status.size();
            status.append(subKey).append(1, '\\').append(valueName);
            for (size_t i = from; i < status.size(); ++i) {
                status[i] = text::LowerChar(status[i]);
            }
            RefreshScanProgress(ctx, MaskWords(status),
                                PercentOf(n.RegistryEntriesInspected, counts.registry),
                                PercentOf(n.RegistryEntriesInspected + doneLines, counts.total));
        }

        // A line that would delete a protected key whole (a hive root,
        // "Software", the Run keys ...) is passed over: the values inside
        // such a key stay removable, the key itself never goes.
        if (hive != 0) {
            if (auto why = definitions::RegistryEntryRefusal(hive, subKey, valueName)) {
                if (ctx.onPassedOver) {
                    ctx.onPassedOver(definitions::Kind::kRegistry, lineNumber, *why);
                }
                ctx.host.DoEvents();
                continue;
            }
        }
        const bool exists =
            hive != 0 && (valueName.empty() ? RegistryKeyExists(reg, hive, subKey)
                                            : RegistryValueExists(reg, hive, subKey, valueName));
        if (exists) {
            const std::string_view hiveText = HiveNumberText(hive, hiveNumber);
            c.lvwRegistryToBeDeleted.Add(hiveText, 0, {subKey, valueName, spyware});
            traces.Add();
            foundText.assign(spyware).append(kFoundSuffix);
            if (!found.HasPrefix(foundText)) {
                if (namedHive != hive) {
                    HiveFromDigit(def.hiveDigit, ctx.session.currentHiveName);
                    namedHive = hive;
                }
                location.assign(ctx.session.currentHiveName).append(1, '\\').append(subKey);
                if (!spyware.empty()) {
                    c.lvwSpywareFound.Add(foundText, kIconRegistry);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(std::string(spyware),
                                                                       kIconRegistry, {location});
                } else {
                    // A nameless entry is shown by its key; the removal row
                    // carries the sub-key so that ticking it reaches its action row.
                    c.lvwSpywareFound.Add(
                        "RegKey " +
                            (valueName.empty() ? std::string(subKey) : std::string(hiveText)) +
                            std::string(kFoundSuffix),
                        kIconRegistry);
                    c.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.Add(std::string(subKey),
                                                                       kIconRegistry, {location});
                }
                ++n.SpywareFound;
            }
        }
        ctx.host.DoEvents();
    }
}

}  // namespace quellon::scan
