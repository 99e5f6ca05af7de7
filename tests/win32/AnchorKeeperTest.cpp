// The anchor of one run in the registry (CAnchorKeeper): the product's entry opened or made once,
// the digests and the folder kept in it, what is carried kept and dropped, and nothing kept through
// a keeper that is not open; read back as the uninstaller reads it (CRegistryAnchorStore).
#include "InstallRecordFormat.h"
#include "RegistryAnchorStore.h"
#include "../common/RegistryKeys.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char kProduct[] = "Zrv Anchor Keeper Test";

std::string EntryPath() { return std::string(kUninstallKeyPath) + kProduct; }

}  // namespace

TEST(AnchorKeeper, KeepsWhatTheUninstallerReads)
{
    DeleteKeyTree(HKEY_CURRENT_USER, EntryPath());
    const std::string open1 = OpenDigestText(std::string(64, 'a'), 10, std::string(64, 'b'), 20);
    const std::string whole = std::string(64, 'c') + " " + std::string(64, 'd');
    CAnchorKeeper keeper;
    // Through a keeper that is not open nothing is kept.
    EXPECT_FALSE(keeper.Keep(open1));
    EXPECT_FALSE(keeper.KeepCarried("x\r\n", ""));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, EntryPath()));
    bool bMadeKey = false;
    ASSERT_TRUE(keeper.Open(kProduct, "C:\\Games\\Zrv", kRootCurrentUser, &bMadeKey));
    EXPECT_TRUE(bMadeKey);
    EXPECT_TRUE(keeper.IsOpen());
    const struct {
        const char* pszStep;
        std::function<bool(CAnchorKeeper&)> act;
        std::string digest, carriedLog, carriedPrior;
    } steps[] = {
        {"open digests", [&](CAnchorKeeper& k) { return k.Keep(open1); }, open1, "", ""},
        {"carried kept", [](CAnchorKeeper& k) { return k.KeepCarried("a.txt\r\n", "ZRV-PRIOR\r\n"); }, open1, "a.txt\r\n",
         "ZRV-PRIOR\r\n"},
        {"carried dropped", [](CAnchorKeeper& k) { return k.KeepCarried("", ""); }, open1, "", ""},
        {"carried dropped again", [](CAnchorKeeper& k) { return k.KeepCarried("", ""); }, open1, "", ""},
        {"whole digests", [&](CAnchorKeeper& k) { return k.Keep(whole); }, whole, "", ""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pszStep);
        EXPECT_TRUE(step.act(keeper));
        RecordAnchor anchor = CRegistryAnchorStore().Read(kProduct, kRootCurrentUser);
        EXPECT_TRUE(anchor.bFound);
        EXPECT_EQ(anchor.strDigest, step.digest);
        EXPECT_EQ(anchor.strLocation, "C:\\Games\\Zrv");
        if (IsOpenDigest(step.digest)) {
            EXPECT_EQ(anchor.strCarriedLog, step.carriedLog);
            EXPECT_EQ(anchor.strCarriedPrior, step.carriedPrior);
        }
    }
    // Opened again, the entry is there already: not this run's to remove.
    CAnchorKeeper again;
    ASSERT_TRUE(again.Open(kProduct, "C:\\Games\\Zrv", kRootCurrentUser, &bMadeKey));
    EXPECT_FALSE(bMadeKey);
    // The other root holds nothing of it.
    EXPECT_FALSE(CRegistryAnchorStore().Read(kProduct, kRootLocalMachine).bFound);
    DeleteKeyTree(HKEY_CURRENT_USER, EntryPath());
}

TEST(AnchorKeeper, RefusesANameTheRegistrationWouldRefuse)
{
    for (const char* pszName : {"", "Two\r\nLines"}) {
        SCOPED_TRACE(pszName);
        CAnchorKeeper keeper;
        bool bMadeKey = false;
        EXPECT_FALSE(keeper.Open(pszName, "C:\\Games\\Zrv", kRootCurrentUser, &bMadeKey));
        EXPECT_FALSE(keeper.IsOpen());
        EXPECT_FALSE(bMadeKey);
        EXPECT_FALSE(keeper.Keep(OpenDigestText("", 0, "", 0)));
    }
}
