// quellon-cli update and publish: Live Update's check without the restart,
// and the maker's side, which writes the site Live Update reads.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "app/frm_main.h"
#include "cli/cli_front_end.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/read_file.h"
#include "common/lines.h"
#include "common/text.h"
#include "definitions/codec.h"
#include "definitions/definition_check.h"
#include "definitions/definition_signature.h"
#include "platform/backend_factory.h"
#include "update/live_update.h"

namespace quellon::cli {
namespace {

namespace fs = std::filesystem;

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : nullptr;
}

// The plain file of each kind in the maker's folder, as data/definitions
// keeps the starter set.
std::string PlainNameOf(definitions::Kind kind) {
    std::string name(definitions::FileNameOf(kind));
    return name.substr(0, name.rfind('.')) + ".txt";
}

// A version page: a small HTML page whose text carries the marker.
std::string VersionPage(std::string_view title, std::int64_t version) {
    return "<!DOCTYPE html>\r\n<html><head><meta charset=\"windows-1252\"><title>" +
           std::string(title) + "</title></head>\r\n<body><p>" +
           std::string(update::kVersionMarker) + " " + std::to_string(version) +
           "</p></body></html>\r\n";
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) {
            return false;
        }
    }
    fs::rename(temp, path, ec);
    return !ec;
}

// Writes a new file that only its owner may read; never over an existing one.
bool WriteNewPrivate(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) {
        return false;
    }
    {
        std::ofstream create(path, std::ios::binary | std::ios::app);
        if (!create) {
            return false;
        }
    }
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, ec);
    if (ec) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadSmall(const fs::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace

Result<int> Update(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    std::string site;
    if (const char* env = Env("QUELLON_UPDATE_SITE")) {
        site = env;
    }
    if (a.size() == 3 && a[1] == "--site") {
        site = a[2];
    } else if (a.size() != 1) {
        return Usage();
    }
    if (Status folders = app::CheckFolders(o.folders); !folders) {
        return folders;
    }
    CliHost host(err);
    app::Application application(o.folders);
    CliFrontEnd frontEnd(err, application.Info());
    app::FrmMain& form = application.MakeMainForm(host, frontEnd);
    form.LoadDefinitions();
    for (const definitions::InstallOutcome& outcome : form.LastInstall()) {
        if (outcome.setAside) {
            err << "quellon-cli: DL" << definitions::FileNameOf(outcome.kind)
                << " was set aside, not installed: " << text::EscapeControls(outcome.reason)
                << '\n';
        }
    }
    form.LoadSettingsIntoForm();
    if (!site.empty()) {
        form.UpdateContext().site = site;
    }
    // The status texts, as the window shows them in frmDownload.
    auto& status = form.frmDownload.lblStatus;
    const size_t slot = status.Observe([&status, &err] {
        if (!status.Caption().empty()) {
            err << text::EscapeControls(status.Caption()) << '\n';
        }
    });
    const update::UpdateCheck check = form.CheckForUpdates(true);
    status.Unobserve(slot);
    for (const update::KindUpdate& kind : check.kinds) {
        if (kind.outcome == update::Outcome::kDownloaded) {
            out << "downloaded\t" << definitions::FileNameOf(kind.kind) << '\t' << kind.version
                << '\n';
        } else if (!kind.status.ok() && !kind.status.reason().empty()) {
            err << "quellon-cli: " << definitions::FileNameOf(kind.kind) << ": "
                << text::EscapeControls(kind.status.reason()) << '\n';
        }
    }
    if (!check.downloaded && !check.failed) {
        out << text::EscapeControls(update::MostRecentMessage(form.Settings())) << '\n';
    }
    application.DestroyMainForm();
    return check.failed ? kExitError : check.downloaded ? kExitFound : kExitClean;
}

Result<int> Keygen(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    if (a.size() != 3 || a[1].empty() || a[2].empty()) {
        return Usage();
    }
    const fs::path privatePath = a[1];
    const fs::path publicPath = a[2];
    std::error_code ec;
    for (const fs::path& path : {privatePath, publicPath}) {
        if (fs::exists(fs::symlink_status(path, ec))) {
            return Result<int>::Failure(path.string() +
                                        " is there already; keygen never writes over a key");
        }
    }
    const std::unique_ptr<platform::Signatures> signatures = platform::MakeSignatures();
    const std::optional<platform::PrivateKey> key = signatures->GenerateKey();
    if (!key) {
        return Result<int>::Failure("no key pair could be made");
    }
    if (!WriteNewPrivate(privatePath, platform::FormatPrivateKey(*key))) {
        return Result<int>::Failure("cannot write " + privatePath.string());
    }
    if (!WriteWhole(publicPath, platform::FormatPublicKey(key->publicKey))) {
        return Result<int>::Failure("cannot write " + publicPath.string());
    }
    out << "private\t" << privatePath.string() << '\n';
    out << "public\t" << publicPath.string() << '\n';
    static_cast<void>(err);
    return kExitClean;
}

Result<int> Publish(const Options& o, std::ostream& out, std::ostream& err) {
    const auto& a = o.args;
    if (a.size() == 5 && a[3] == "--version") {
        return Result<int>::Failure(
            "publish signs what it writes and needs the maker's private key: --key PRIVATE");
    }
    if (a.size() != 7 || a[3] != "--version" || a[4].empty() ||
        a[4].find_first_not_of("0123456789") != std::string::npos || a[4].size() > 9 ||
        a[5] != "--key" || a[6].empty()) {
        return Usage();
    }
    const fs::path plain = a[1];
    const fs::path siteDir = a[2];
    const std::int64_t version = std::stoll(a[4]);
    const std::optional<std::string> keyText = ReadSmall(a[6], platform::kMaxKeyFileBytes);
    if (!keyText) {
        return Result<int>::Failure("cannot read the key " + a[6]);
    }
    const std::optional<platform::PrivateKey> key = platform::ParsePrivateKey(*keyText);
    if (!key) {
        return Result<int>::Failure(a[6] + " is not a private key written by keygen");
    }
    const std::unique_ptr<platform::Signatures> signatures = platform::MakeSignatures();
    // Every kind is checked before anything is written: a site is never
    // left half published.
    std::vector<std::pair<fs::path, std::string>> files;
    for (const definitions::Kind kind : update::kCheckOrder) {
        const fs::path source = plain / PlainNameOf(kind);
        const std::optional<std::string> read = ReadWholeFile(source);
        if (!read) {
            return Result<int>::Failure("cannot read " + source.string());
        }
        const std::string& text = *read;
        std::string encoded;
        for (const std::string& line : lines::SplitLines(text)) {
            bool lossless = true;
            encoded += definitions::EncodeDefinitionLine(line, &lossless) + "\r\n";
            if (!lossless) {
                return Result<int>::Failure(source.string() +
                                            ": a line holds a byte between 192 and 253");
            }
        }
        const definitions::DefinitionCheck check =
            definitions::CheckDefinitionFile(kind, encoded, true);
        if (!check.status.ok()) {
            return Result<int>::Failure(source.string() + ": " + check.status.reason());
        }
        const update::KindInfo& info = update::InfoOf(kind);
        const std::optional<definitions::DefinitionSignature> signature =
            definitions::SignDefinition(*signatures, *key, definitions::FileNameOf(kind), version,
                                        encoded);
        if (!signature) {
            return Result<int>::Failure(
                a[6] + ": the key does not sign (its two halves do not belong together)");
        }
        const fs::path data = siteDir / fs::path(std::string(info.dataPath.substr(1)));
        files.emplace_back(data, encoded);
        files.emplace_back(data.string() + std::string(definitions::kSignatureSuffix),
                           definitions::FormatSignature(*signature));
        files.emplace_back(siteDir / fs::path(std::string(info.versionPage.substr(1))),
                           VersionPage(info.versionKey, version));
    }
    // The data files and their signatures first, the pages that announce
    // them last.
    const auto isPage = [](const fs::path& path) { return path.extension() == ".HTM"; };
    for (const auto& [path, bytes] : files) {
        if (!isPage(path) && !WriteWhole(path, bytes)) {
            return Result<int>::Failure("cannot write " + path.string());
        }
    }
    for (const auto& [path, bytes] : files) {
        if (isPage(path) && !WriteWhole(path, bytes)) {
            return Result<int>::Failure("cannot write " + path.string());
        }
    }
    for (const auto& [path, bytes] : files) {
        out << "wrote\t" << path.string() << '\n';
    }
    static_cast<void>(err);
    return kExitClean;
}

}  // namespace quellon::cli
