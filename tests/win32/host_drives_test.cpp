// Under Wine, Z: maps the host's root: the backend says so, and no live
// definition reaches a host file through it.
#include <windows.h>

#include <string>

#include "support/form_fixture.h"

namespace quellon::testing {
namespace {

bool UnderWine() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel != nullptr && ::GetProcAddress(kernel, "wine_get_unix_file_name") != nullptr;
}

class HostDrivesTest : public FormTest {};

TEST_F(HostDrivesTest, UnderWineNoScanReachesAHostFileThroughZ) {
    if (!UnderWine()) {
        GTEST_SKIP() << "not under Wine";
    }
    const std::string drives = machine.Platform().files.HostRootDrives();
    EXPECT_NE(drives.find('Z'), std::string::npos) << drives;
    EXPECT_EQ(drives.find('C'), std::string::npos) << drives;

    const std::string name = "qp-host-" + std::to_string(::GetCurrentProcessId()) + ".txt";
    const std::string hostFile = "Z:\\tmp\\" + name;
    ASSERT_TRUE(machine.Platform().files.WriteAtomic(hostFile, "the host's own"));
    WriteDefinitions({name + "=Wiper|Z:\\tmp", name + "=Wiper|z:\\\\tmp"});
    int passed = 0;
    Form().ScanContext().onPassedOver = [&](definitions::Kind, std::size_t, const std::string&) {
        ++passed;
    };
    Scan(false, false, false);
    EXPECT_EQ(passed, 2);
    EXPECT_EQ(Form().lvwFilesToBeDeleted.Count(), 0u);
    EXPECT_EQ(machine.Platform().files.ReadAll(hostFile).value_or(""), "the host's own");
    machine.Platform().files.Delete(hostFile);
}

}  // namespace
}  // namespace quellon::testing
