#pragma once
// A keyed file of the tests' own (items by a unique number), its view, a list window and its queue.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/classlib/View.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/Window.h"

namespace quorin::test {

struct Item {
    std::int32_t id = 0;
    FixedText<20> name;
};
static_assert(sizeof(Item) == 24);

struct ItemRow {
    std::int32_t id = 0;
    FixedText<20> name;
    FixedText<20> position;
};
static_assert(sizeof(ItemRow) == 44);

inline const RecordLayout& ItemLayout()
{
    static const RecordLayout layout("ITEMS", {{"ITM:ID", FieldType::Long}, {"ITM:NAME", FieldType::Text, 20}});
    return layout;
}

inline const RecordLayout& ItemRowLayout()
{
    static const RecordLayout layout("ITEMROW", {{"ID", FieldType::Long},
                                                 {"NAME", FieldType::Text, 20},
                                                 {"POSITION", FieldType::Text, 20}});
    return layout;
}

inline WindowDefinition ListDefinition(int listHeight)
{
    WindowDefinition d;
    d.module = "test$browse";
    d.name = "LIST";
    d.title = "Items";
    d.width = 300;
    d.height = listHeight + 40;
    d.attributes = kWinSystem;
    auto add = [&](std::string label, ControlKind kind, std::string caption, int x, int y, int w, int h) {
        ControlDefinition c;
        c.label = std::move(label);
        c.kind = kind;
        c.caption = std::move(caption);
        c.x = x, c.y = y, c.width = w, c.height = h;
        if (kind == ControlKind::List) {
            c.listFormat = "40R(2)|M~Id~@s10@80L(2)~Name~@s20@";
            c.attributes = kCtlImm | kCtlVScroll;
        }
        d.controls.push_back(c);
    };
    add("?LIST", ControlKind::List, "", 4, 4, 292, listHeight);
    add("?INSERT", ControlKind::Button, "&Insert", 4, listHeight + 10, 40, 14);
    add("?CHANGE", ControlKind::Button, "&Change", 50, listHeight + 10, 40, 14);
    add("?DELETE", ControlKind::Button, "&Delete", 96, listHeight + 10, 40, 14);
    return d;
}

class BrowseFixture {
public:
    Item buffer;
    ItemRow row;
    Queue queue{ItemRowLayout(), &row};
    // Keys by number and by name; the browse is given them as the system's code names them.
    FileDeclaration items{FileKind::Keyed, "ITM", ItemLayout(),
                          {{"ITM:BYID", {1}, kKeyPrimary}, {"ITM:BYNAME", {2}, kKeyDuplicates}}, kFileCreate,
                          "items.dat"};
    DataFile& file = Bound(items);
    View view;
    std::filesystem::path folder;

    ~BrowseFixture()
    {
        file.Close();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    static DataFile& Bound(FileDeclaration& declaration)
    {
        BindThreadFile(declaration, declaration);
        return *declaration.Keyed();
    }

    bool Open(const std::string& name)
    {
        // Each add is a durable transaction: in memory-backed storage when there is some, so a file of
        // thousands of records is quick to make.
        std::error_code ec;
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path base =
            std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
        folder = base / ("browse-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "items.dat").string();
        if (file.Create(path) != 0 || file.Open(path, kAccessReadWrite | kShareDenyNone) != 0) {
            return false;
        }
        view.Bind(file, &buffer, ItemLayout());
        return true;
    }

    std::unique_ptr<Window> MakeWindow(int listHeight = 100)
    {
        RegisterWindowDefinition(ListDefinition(listHeight));
        return NewWindow("test$browse", "LIST", {BoundVariable::Of(queue)});
    }

    void AddItems(const std::vector<std::int32_t>& ids)
    {
        for (std::int32_t id : ids) {
            Item item;
            item.id = id;
            item.name = "item " + std::to_string(id);
            ASSERT_EQ(file.Add(&item), 0) << id;
        }
    }

    std::int64_t IdOf(std::int32_t number)
    {
        Item values;
        values.id = number;
        Item found;
        if (file.Get(0, &values, &found) != 0) {
            return 0;
        }
        return file.Current();
    }

    void RemoveItem(std::int32_t number)
    {
        if (IdOf(number) != 0) {
            file.Delete();
        }
    }
};

} // namespace quorin::test
