// SPDX-License-Identifier: Apache-2.0
// Loads libdocshelf.so as a host does and drives it through the public headers only.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>

#include "DocShelf.h"
#include "RecordingHost.h"

namespace fs = std::filesystem;

#ifndef DOCSHELF_LIBRARY_PATH
#error "DOCSHELF_LIBRARY_PATH must name the built libdocshelf.so"
#endif

TEST(DlopenHost, LoadsAndDrivesTheComponent) {
    void* lib = dlopen(DOCSHELF_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto create = reinterpret_cast<PFN_CreateComp>(dlsym(lib, "CreateComp"));
    auto destroy = reinterpret_cast<PFN_DestroyComp>(dlsym(lib, "DestroyComp"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(destroy, nullptr);
    // Nothing of the component's own beyond the two entry points is visible.
    EXPECT_EQ(dlsym(lib, "_Z14GetDocShelfMgrv"), nullptr);
    EXPECT_EQ(dlsym(lib, "TraceInfo"), nullptr);

    IMXCCItfMgr* itfMgr = nullptr;
    ASSERT_EQ(create("Default", &itfMgr), 0);
    CRecordingHost host;
    EXPECT_EQ(itfMgr->SetHostItfMgr(&host), 0);

    IDocShelfItf* docShelf = nullptr;
    EXPECT_EQ(itfMgr->QueryItf("IDocShelf", reinterpret_cast<void**>(&docShelf)), 1);
    ASSERT_NE(docShelf, nullptr);
    EXPECT_EQ(docShelf->AddRef(), 2);
    EXPECT_EQ(docShelf->Release(), 1);

    fs::path save = fs::temp_directory_path() / ("docshelf-dlopen-" + std::to_string(getpid()));
    fs::create_directories(save / "sub");
    std::ofstream(save / "sub" / "f.txt") << "data";
    docShelf->SetLocalDirectory(save.c_str());
    docShelf->SetRights(15);
    docShelf->SetSizeLimits(1ULL << 40, 1ULL << 41);
    EXPECT_EQ(docShelf->GetActiveTransferCount(), 0);
    EXPECT_EQ(docShelf->ClearLocalDSSpace(), 1);
    EXPECT_FALSE(fs::exists(save));

    EXPECT_EQ(destroy(itfMgr), 0);
    IMXCCItfMgr* again = nullptr;
    EXPECT_EQ(create("ccdocshelf", &again), 0);
    EXPECT_EQ(again, itfMgr);
    itfMgr->SetHostItfMgr(nullptr);
    // Unloading is left to process exit: a host never unloads a component it still holds.
}
