#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

LayoutModel threeFieldModel(std::vector<int16_t> positions)
{
    LayoutModel model;
    model.FieldTable = {{"3", "\x83\x66\x81\x5B\x83\x5E\x82\x50"}, {"4", "b"}, {"8", "c"}, {}};
    model.FieldCount = 3;
    model.OutputLayout.emplace(1, OutputItem{0});
    for (int16_t field : positions) model.OutputLayout->push_back({field});
    return model;
}

TEST(DefinitionWriter, ComposesEverySectionWithCrLf)
{
    const LayoutModel model = threeFieldModel({3, 1, -1});
    EXPECT_EQ(composeDefinition(model, 2),
              "FIX\r\nOUT\r\n3\r\n1\r\nLEN\r\n3 \x83\x66\x81\x5B\x83\x5E\x82\x50\r\n4 b\r\n8 c\r\n");
    EXPECT_EQ(composeDefinition(model, 0), "FIX\r\nLEN\r\n3 \x83\x66\x81\x5B\x83\x5E\x82\x50\r\n4 b\r\n8 c\r\n");

    LayoutModel inBytes = model;
    inBytes.Unit = WidthUnit::Bytes;
    inBytes.FieldTable = {{}};
    EXPECT_EQ(composeDefinition(inBytes, 1), "FIX\r\nBYTE\r\nOUT\r\n3\r\n");
}

TEST(DefinitionWriter, PositionsPastTheLayoutAreWrittenEmpty)
{
    const auto beginning = [](const std::string &text, const std::string &expected) {
        return text.substr(0, expected.size());
    };
    LayoutModel model = threeFieldModel({2});
    const std::string padded = "FIX\r\nOUT\r\n2\r\n-1\r\n-1\r\nLEN\r\n";
    EXPECT_EQ(beginning(composeDefinition(model, 3), padded), padded);
    model.OutputLayout.reset();
    const std::string noLayout = "FIX\r\nOUT\r\n-1\r\nLEN\r\n";
    EXPECT_EQ(beginning(composeDefinition(model, 1), noLayout), noLayout);
}

// What the window does with a file: load it into the start-up model, then save it with one
// position per output list item.
std::string loadAndCompose(const std::string &path)
{
    const std::optional<Definition> definition = readDefinitionFile(path);
    if (!definition) return "(not a definition)";
    LayoutModel model = LayoutModel::startup();
    applyDefinition(*definition, model);
    int listItems = 0;
    for (const DefinitionOutput &output : definition->outputs) listItems += output.listed;
    return composeDefinition(model, listItems);
}

TEST(DefinitionWriter, LoadAndSaveGiveBackTheSameBytes)
{
    const std::string files[] = {
        // NEC special, NEC-selected IBM and IBM extension characters, half-width kana, 0x5C trail bytes
        "FIX\r\nOUT\r\n3\r\n1\r\n12\r\nLEN\r\n3 \x87\x40\x87\x90\r\n4 \xFA\x40\xFA\x5C\r\n8 \xED\x40\xEE\xFC\r\n"
        "2.5 \xB6\xC5 \x95\x5C\r\n 1e1 x\r\n",
        "FIX\r\nBYTE\r\nOUT\r\n100\r\nLEN\r\n0 \r\n-3 n\r\n",
        "FIX\r\nLEN\r\n5 \x83\x66\x81\x5B\x83\x5E\r\n",
    };
    TempDir dir;
    for (const std::string &bytes : files) {
        const std::string path = dir.write("layout.def", bytes);
        EXPECT_EQ(loadAndCompose(path), bytes);

        const std::optional<Definition> definition = readDefinitionFile(path);
        ASSERT_TRUE(definition);
        LayoutModel model = LayoutModel::startup();
        applyDefinition(*definition, model);
        saveDefinitionFile(dir.file("again.def"), model, int(definition->outputs.size()));
        EXPECT_EQ(TempDir::read(dir.file("again.def")), bytes);
    }
}

// Files in `folder` other than `keep`: a failed save must leave no temporary file behind.
std::vector<std::string> strayFiles(const std::string &folder, const std::string &keep)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
    return names;
}

void expectWriteFailure(const std::string &path, const LayoutModel &model)
{
    try {
        saveDefinitionFile(path, model, 2);
        FAIL() << "saved to " << path;
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileWrite);
        EXPECT_EQ(error.path(), path);
        EXPECT_FALSE(error.reason().empty());
    }
}

TEST(SaveDefinitionFile, FailedWriteKeepsTheOldFile)
{
    TempDir dir;
    const std::string old = "FIX\r\nOUT\r\n1\r\nLEN\r\n9 old\r\n";
    const std::string path = dir.write("layout.def", old);
    LayoutModel model = threeFieldModel({3, 1});
    model.FieldTable.insert(model.FieldTable.begin(), 200, {"1", std::string(40, 'n')});

    {
        const FileSizeLimit limit(1024); // stops the write half-way
        expectWriteFailure(path, model);
    }

    EXPECT_EQ(TempDir::read(path), old);
    EXPECT_TRUE(strayFiles(dir.file(""), "layout.def").empty());
}

TEST(SaveDefinitionFile, FailedRenameOrFolderLeavesNothingBehind)
{
    TempDir dir;
    fs::create_directory(dir.file("taken.def"));
    dir.write("taken.def/inside", "x");
    const LayoutModel model = threeFieldModel({3, 1});
    expectWriteFailure(dir.file("taken.def"), model); // a folder is not replaced
    EXPECT_EQ(TempDir::read(dir.file("taken.def/inside")), "x");
    EXPECT_TRUE(strayFiles(dir.file(""), "taken.def").empty());

    const std::string plainFile = dir.write("plain", "keep");
    expectWriteFailure(plainFile + "/layout.def", model); // the parent is not a folder
    EXPECT_EQ(TempDir::read(plainFile), "keep");
}

TEST(SaveDefinitionFile, LinkIsFollowedAndPermissionsKept)
{
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string target = dir.write("real/layout.def", "FIX\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/layout.def", dir.file("link.def"));
    const LayoutModel model = threeFieldModel({3, 1});

    saveDefinitionFile(dir.file("link.def"), model, 2);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.def")));
    EXPECT_EQ(TempDir::read(target), composeDefinition(model, 2));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_symlink("real/new.def", dir.file("dangling.def"));
    saveDefinitionFile(dir.file("dangling.def"), model, 2);
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.def")));
    EXPECT_EQ(TempDir::read(dir.file("real/new.def")), composeDefinition(model, 2));
}

TEST(SaveDefinitionFile, NewFileFollowsTheUmask)
{
    TempDir dir;
    const mode_t previous = umask(027);
    saveDefinitionFile(dir.file("new.def"), threeFieldModel({1}), 1);
    umask(previous);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("new.def").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

} // namespace
