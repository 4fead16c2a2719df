// Saving a definition file where it cannot be written: the old file stays byte for byte, no
// scratch file is left behind, and the failure reads as a Japanese sentence with the reason.

#include "errors/CoreError.h"
#include "DefinitionWriter.h"
#include "errors/ErrorText.h"
#include "PermissionsBind.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(DefinitionSaveFaults, FolderThatCannotBeWrittenKeepsTheOldFile)
{
    TempDir dir;
    const std::string folder = dir.file("locked");
    std::filesystem::create_directory(folder);
    const std::string old = "FIX\r\nOUT\r\n1\r\nLEN\r\n9 old\r\n";
    const std::string path = dir.write("locked/layout.def", old);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    LayoutModel model = LayoutModel::startup();
    model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {2}, {1}});
    std::optional<CoreError> failure;
    {
        const PermissionsBind permissions;
        if (!permissions.problem().empty()) GTEST_SKIP() << permissions.problem();
        try {
            saveDefinitionFile(path, model, 2);
        } catch (const CoreError &error) {
            failure = error;
        }
    }
    ::chmod(folder.c_str(), 0755);

    ASSERT_TRUE(failure) << "saved into a folder without write permission";
    EXPECT_EQ(failure->kind(), CoreError::Kind::FileWrite);
    const std::string message = describeError(*failure);
    EXPECT_EQ(message, "ファイル「" + path + "」に書き込めません。(" + failure->reason() + ")");
    EXPECT_FALSE(failure->reason().empty());
    EXPECT_EQ(TempDir::read(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

} // namespace
