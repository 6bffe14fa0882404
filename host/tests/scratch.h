// A fresh folder for one test (the scratch folder is per process on some adapters).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ports/files.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet::testing {

inline std::u16string FreshTestFolder(IFileSystem& files) {
  static int counter = 0;
  const std::u16string scratch = ScratchFolder();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::u16string folder =
      scratch + Utf8ToUtf16(info->name()) + u"-" + FormatDecimal(++counter) + scratch.back();
  EXPECT_TRUE(files.CreateFolder(folder));
  return folder;
}

}  // namespace brimlet::testing
